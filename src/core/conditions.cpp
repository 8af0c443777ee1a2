// A recursive-descent evaluator over the directive's own text. Values are
// numbers, truth values or unknown; unknown spreads through every operator
// except an "and" whose left side is false and an "or" whose left side is
// true, so a guard such as "not Defined(FPC) or (FPC_FULLVERSION > 30000)"
// holds for Delphi. A syntax error makes the whole expression false.
#include "conditions.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "compare.h"

namespace corvanet {
namespace {

struct TValue {
    enum TKind : unsigned char { Unknown, Bool, Number } Kind = Unknown;
    double N = 0.0;
    bool B = false;
    static TValue Of(bool b) { return {Bool, 0.0, b}; }
    static TValue Of(double n) { return {Number, n, false}; }
};

enum TSym : unsigned char { sEnd, sName, sNumber, sString, sOp, sBad };

class TEvaluator {
public:
    TEvaluator(std::string_view Text, const TDefines& Defines) : text_(Text), defines_(Defines) { Next(); }

    // Nothing when the syntax is bad.
    bool Evaluate(TValue& Result) {
        Result = Expression();
        return !bad_ && sym_ == sEnd;
    }

private:
    std::string_view text_;
    const TDefines& defines_;
    std::size_t pos_ = 0;
    TSym sym_ = sEnd;
    std::string_view word_;  // the name, number or operator in hand
    bool bad_ = false;
    int depth_ = 0;

    static bool IsNameChar(char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
               static_cast<unsigned char>(c) >= 128;
    }

    void Next() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r' ||
                                       text_[pos_] == '\n'))
            ++pos_;
        const std::size_t start = pos_;
        if (pos_ >= text_.size()) {
            sym_ = sEnd;
            word_ = {};
            return;
        }
        const char c = text_[pos_];
        if (IsNameChar(c) && !(c >= '0' && c <= '9')) {
            while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
            sym_ = sName;
        } else if ((c >= '0' && c <= '9') || c == '$') {
            ++pos_;
            while (pos_ < text_.size() && (IsNameChar(text_[pos_]) || text_[pos_] == '.')) {
                // An exponent's sign belongs to the number.
                if ((text_[pos_] == 'e' || text_[pos_] == 'E') && c != '$' && pos_ + 1 < text_.size() &&
                    (text_[pos_ + 1] == '+' || text_[pos_ + 1] == '-'))
                    ++pos_;
                ++pos_;
            }
            sym_ = sNumber;
        } else if (c == '\'') {
            ++pos_;
            while (pos_ < text_.size() && text_[pos_] != '\'') ++pos_;
            if (pos_ < text_.size()) ++pos_;
            sym_ = sString;
        } else {
            static constexpr std::string_view Pairs[] = {"<>", "<=", ">="};
            sym_ = sOp;
            pos_ = start + 1;
            for (std::string_view p : Pairs)
                if (text_.substr(start, 2) == p) pos_ = start + 2;
            if (std::string_view("()=<>+-*/,.").find(c) == std::string_view::npos) sym_ = sBad;
        }
        word_ = text_.substr(start, pos_ - start);
    }

    bool IsOp(std::string_view Op) const { return sym_ == sOp && word_ == Op; }
    bool IsWord(std::string_view Word) const { return sym_ == sName && SameText(word_, Word); }
    void Fail() {
        bad_ = true;
        sym_ = sEnd;
    }
    void Expect(std::string_view Op) {
        if (IsOp(Op)) Next();
        else Fail();
    }

    // Relation = Simple [ ("=" | "<>" | "<" | "<=" | ">" | ">=") Simple ]
    TValue Expression() {
        TValue Left = Simple();
        if (sym_ != sOp) return Left;
        const std::string_view Op = word_;
        if (Op != "=" && Op != "<>" && Op != "<" && Op != "<=" && Op != ">" && Op != ">=") return Left;
        Next();
        const TValue Right = Simple();
        if (Left.Kind == TValue::Unknown || Right.Kind == TValue::Unknown || Left.Kind != Right.Kind) return {};
        const double a = Left.Kind == TValue::Number ? Left.N : Left.B;
        const double b = Right.Kind == TValue::Number ? Right.N : Right.B;
        if (Op == "=") return TValue::Of(a == b);
        if (Op == "<>") return TValue::Of(a != b);
        if (Op == "<") return TValue::Of(a < b);
        if (Op == "<=") return TValue::Of(a <= b);
        if (Op == ">") return TValue::Of(a > b);
        return TValue::Of(a >= b);
    }

    // Simple = Term { ("+" | "-" | or | xor) Term }
    TValue Simple() {
        TValue Left = Term();
        for (;;) {
            if (IsOp("+") || IsOp("-")) {
                const bool Plus = IsOp("+");
                Next();
                const TValue Right = Term();
                Left = Arithmetic(Left, Right, Plus ? '+' : '-');
            } else if (IsWord("or") || IsWord("xor")) {
                const bool Or = IsWord("or");
                Next();
                const TValue Right = Term();
                Left = Logic(Left, Right, Or ? 'o' : 'x');
            } else {
                return Left;
            }
        }
    }

    // Term = Factor { ("*" | "/" | div | mod | and | shl | shr) Factor }
    TValue Term() {
        TValue Left = Factor();
        for (;;) {
            char Op = 0;
            if (IsOp("*")) Op = '*';
            else if (IsOp("/")) Op = '/';
            else if (IsWord("div")) Op = 'd';
            else if (IsWord("mod")) Op = 'm';
            else if (IsWord("shl")) Op = '<';
            else if (IsWord("shr")) Op = '>';
            else if (IsWord("and")) Op = 'a';
            else return Left;
            Next();
            const TValue Right = Factor();
            Left = Op == 'a' ? Logic(Left, Right, 'a') : Arithmetic(Left, Right, Op);
        }
    }

    static TValue Logic(const TValue& L, const TValue& R, char Op) {
        if (Op == 'a' && L.Kind == TValue::Bool && !L.B) return L;
        if (Op == 'o' && L.Kind == TValue::Bool && L.B) return L;
        if (L.Kind != TValue::Bool || R.Kind != TValue::Bool) return {};
        if (Op == 'a') return TValue::Of(L.B && R.B);
        if (Op == 'o') return TValue::Of(L.B || R.B);
        return TValue::Of(L.B != R.B);
    }

    static TValue Arithmetic(const TValue& L, const TValue& R, char Op) {
        if (L.Kind != TValue::Number || R.Kind != TValue::Number) return {};
        const double a = L.N, b = R.N;
        switch (Op) {
            case '+': return TValue::Of(a + b);
            case '-': return TValue::Of(a - b);
            case '*': return TValue::Of(a * b);
            case '/': return b == 0 ? TValue{} : TValue::Of(a / b);
            default: break;
        }
        // The integer operators take whole numbers only.
        if (a != std::trunc(a) || b != std::trunc(b) || std::fabs(a) > 9e15 || std::fabs(b) > 9e15) return {};
        const auto x = static_cast<long long>(a), y = static_cast<long long>(b);
        switch (Op) {
            case 'd': return y == 0 ? TValue{} : TValue::Of(static_cast<double>(x / y));
            case 'm': return y == 0 ? TValue{} : TValue::Of(static_cast<double>(x % y));
            case '<': return y < 0 || y > 62 ? TValue{} : TValue::Of(static_cast<double>(x << y));
            default: return y < 0 || y > 62 ? TValue{} : TValue::Of(static_cast<double>(x >> y));
        }
    }

    // Factor = Number | Name | Name "(" Name ")" | not Factor | "-" Factor
    //        | "+" Factor | "(" Expression ")" | String
    TValue Factor() {
        if (++depth_ > MaxConditionDepth) {
            Fail();
            return {};
        }
        TValue Result = FactorBody();
        --depth_;
        return Result;
    }

    TValue FactorBody() {
        if (sym_ == sNumber) {
            const TValue v = Number(word_);
            Next();
            return v;
        }
        if (sym_ == sString) {
            Next();
            return {};
        }
        if (IsOp("(")) {
            Next();
            const TValue v = Expression();
            Expect(")");
            return v;
        }
        if (IsOp("-") || IsOp("+")) {
            const bool Minus = IsOp("-");
            Next();
            const TValue v = Factor();
            if (v.Kind != TValue::Number) return {};
            return Minus ? TValue::Of(-v.N) : v;
        }
        if (IsWord("not")) {
            Next();
            const TValue v = Factor();
            return v.Kind == TValue::Bool ? TValue::Of(!v.B) : TValue{};
        }
        if (sym_ != sName) {
            Fail();
            return {};
        }
        const std::string_view Name = word_;
        Next();
        if (IsOp("(")) {
            Next();
            std::string_view Argument;
            if (sym_ == sName) {
                Argument = word_;
                Next();
                // A dotted name, as "Defined(System.SysUtils.Format)".
                while (IsOp(".")) Next();
            } else {
                while (sym_ != sEnd && !IsOp(")")) Next();
            }
            Expect(")");
            if (SameText(Name, "Defined")) return TValue::Of(!Argument.empty() && defines_.IsDefined(Argument));
            if (SameText(Name, "Declared")) return TValue::Of(false);
            if (SameText(Name, "SizeOf") && SameText(Argument, "Pointer")) return TValue::Of(PointerSize());
            return {};
        }
        if (SameText(Name, "True")) return TValue::Of(true);
        if (SameText(Name, "False")) return TValue::Of(false);
        if (SameText(Name, "CompilerVersion") || SameText(Name, "RTLVersion")) return DelphiVersion();
        if (SameText(Name, "FPC_FULLVERSION")) return FreePascalVersion();
        return {};
    }

    static TValue Number(std::string_view Text) {
        std::string s;
        for (char c : Text)
            if (c != '_') s += c;
        char* end = nullptr;
        if (s[0] == '$') {
            if (s.size() == 1) return {};
            const unsigned long long v = std::strtoull(s.c_str() + 1, &end, 16);
            return *end ? TValue{} : TValue::Of(static_cast<double>(v));
        }
        const double v = std::strtod(s.c_str(), &end);
        return *end ? TValue{} : TValue::Of(v);
    }

    double PointerSize() const {
        for (std::string_view Name : {"WIN64", "CPUX64", "CPU64BITS", "CPU64"})
            if (defines_.IsDefined(Name)) return 8.0;
        return 4.0;
    }

    // The highest VERnnn among the defines, as nnn / 10.
    TValue DelphiVersion() const {
        TValue Best;
        for (const std::string& Item : defines_.Items()) {
            if (Item.size() < 4 || !SameText(std::string_view(Item).substr(0, 3), "VER")) continue;
            double n = 0;
            bool Digits = true;
            for (std::size_t i = 3; i < Item.size(); ++i) {
                if (Item[i] < '0' || Item[i] > '9') Digits = false;
                else n = n * 10 + (Item[i] - '0');
            }
            if (Digits && (Best.Kind == TValue::Unknown || n / 10 > Best.N)) Best = TValue::Of(n / 10);
        }
        return Best;
    }

    // The highest VERa_b_c among the defines, as a * 10000 + b * 100 + c.
    TValue FreePascalVersion() const {
        TValue Best;
        for (const std::string& Item : defines_.Items()) {
            if (Item.size() < 4 || !SameText(std::string_view(Item).substr(0, 3), "VER")) continue;
            double Parts[3] = {0, 0, 0};
            int Part = 0;
            bool Good = Item[3] >= '0' && Item[3] <= '9';
            for (std::size_t i = 3; i < Item.size() && Good; ++i) {
                if (Item[i] == '_') Good = ++Part < 3 && i + 1 < Item.size();
                else if (Item[i] >= '0' && Item[i] <= '9') Parts[Part] = Parts[Part] * 10 + (Item[i] - '0');
                else Good = false;
            }
            if (!Good || Part != 2) continue;
            const double v = Parts[0] * 10000 + Parts[1] * 100 + Parts[2];
            if (Best.Kind == TValue::Unknown || v > Best.N) Best = TValue::Of(v);
        }
        return Best;
    }
};

}  // namespace

bool EvaluateCondition(std::string_view Expression, const TDefines& Defines) {
    TEvaluator Evaluator(Expression, Defines);
    TValue Result;
    return Evaluator.Evaluate(Result) && Result.Kind == TValue::Bool && Result.B;
}

}  // namespace corvanet
