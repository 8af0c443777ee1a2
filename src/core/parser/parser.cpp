// The parser object, the helpers every rule shares and the pass-2 dispatch.
// Whatever a rule decides, the dispatch consumes a token per call, so the
// output pass of a unit always reaches the end of the file.
#include "parser.h"

#include <string>

#include "../compare.h"
#include "../token.h"

namespace corvanet {

TParser::TParser(TTokenStream& Stream, TSymbolTable& Symbols, TOutputQueue& Queue)
    : stream_(Stream), symbols_(Symbols), queue_(Queue) {}

bool TParser::IsWord(std::string_view Word) const noexcept {
    return Kind() == tkIdentifier && SameText(Text(), Word);
}

std::size_t TParser::QueueHeld(std::string_view Text, TokenStyle Style) {
    queue_.QueueToken(Text, {}, {}, Style);
    return queue_.DelayedTokens.size() - 1;
}

std::size_t TParser::QueueHeldToken() { return QueueHeld(Text(), queue_.StyleOfToken()); }

namespace {

// One part of a modern anchor name, appended to Out: ASCII letters lower-cased
// in one pass, a byte above 127 as ".0hh".
void AppendAnchorPart(std::string& Out, std::string_view Part) {
    static constexpr char Hex[] = "0123456789abcdef";
    const std::size_t Start = Out.size();
    Out.resize(Start + Part.size());
    char* const To = Out.data() + Start;
    std::size_t I = 0;
    for (; I < Part.size() && static_cast<unsigned char>(Part[I]) <= 127; ++I) To[I] = LowerAscii(Part[I]);
    if (I == Part.size()) return;
    Out.resize(Start + I);
    for (; I < Part.size(); ++I) {
        const auto b = static_cast<unsigned char>(Part[I]);
        if (b > 127) {
            Out += ".0";
            Out += Hex[b >> 4];
            Out += Hex[b & 15];
        } else {
            Out += LowerAscii(Part[I]);
        }
    }
}

// The key after the unit part: "class_name" (or "name"), appended to Out.
void AppendAnchorKey(std::string& Out, bool Modern, std::string_view ClassName, std::string_view Name) {
    if (!Modern) {
        if (!ClassName.empty()) Out.append(ClassName).append("_");
        Out.append(Name);
        return;
    }
    if (!ClassName.empty()) {
        AppendAnchorPart(Out, ClassName);
        Out += '_';
    }
    AppendAnchorPart(Out, Name);
}

}  // namespace

std::string TParser::AnchorKey(std::string_view ClassName, std::string_view Name) const {
    std::string s;
    s.reserve(ClassName.size() + 1 + Name.size());
    AppendAnchorKey(s, Modern(), ClassName, Name);
    return s;
}

std::string TParser::AnchorName(std::string_view Unit, std::string_view ClassName, std::string_view Name) const {
    std::string s;
    s.reserve(Unit.size() + ClassName.size() + Name.size() + 2);
    if (Modern())
        AppendAnchorPart(s, Unit);
    else
        s = Unit;
    s += '_';
    AppendAnchorKey(s, Modern(), ClassName, Name);
    return s;
}

// The classic unit part is the unit heading's name lower-cased (CurrentUnit
// once the heading is read); the modern one the page's name, which links
// know without reading the unit.
std::string TParser::SymbolAnchor(std::string_view Name) const { return SymbolAnchor({}, Name); }

std::string TParser::SymbolAnchor(std::string_view ClassName, std::string_view Name) const {
    if (!Modern()) return AnchorName(symbols_.CurrentUnit, ClassName, Name);
    return AnchorName(symbols_.CurrentUnit + PageSuffix, ClassName, Name);
}

void TParser::CaptureToken() {
    for (const char c : Text()) capture_->Mix(static_cast<unsigned char>(LowerAscii(c)));
    capture_->Mix(' ');
    ++captured_;
}

std::string TParser::OverloadName(std::string_view Name, int K) {
    std::string s(Name);
    if (K > 1) s.append(".").append(std::to_string(K));
    return s;
}

bool TParser::ClaimAnchor(const std::string& Key) { return claimed_.insert(Key).second; }

// An anchor in an include file stands on the include's page, where no link
// of the unit goes.
void TParser::NoteAnchor(std::string_view ClassName, std::string_view Name) {
    if (!Modern() || Pass() != 1) return;
    std::string Key = AnchorKey(ClassName, Name);
    if (ClaimAnchor(Key) && stream_.IncludeDepth() == 0) symbols_.AddAnchor(symbols_.CurrentUnit, std::move(Key));
}

void TParser::DeclareAnchor(std::string_view ClassName, std::string_view Name) {
    if (!Modern() || stream_.IncludeDepth() != 0) return;
    if (Pass() == 1) {
        symbols_.AddDeclaration(symbols_.CurrentUnit, AnchorKey(ClassName, Name));
        return;
    }
    if (Pass() != 2) return;
    const std::string Key = AnchorKey(ClassName, Name);
    if (symbols_.HasBodyAnchor(symbols_.CurrentUnit, Key) || !ClaimAnchor(Key)) return;
    queue_.QueueToken({}, {}, SymbolAnchor(ClassName, Name), tsAnchor);
}

bool TParser::ReadHoldingNext() {
    if (Pass() != 2 || queue_.HoldOutput) {
        Read();
        return false;
    }
    queue_.HoldNextToken = true;
    Read();
    queue_.HoldNextToken = false;
    return true;
}

bool TParser::AcceptLinking(TTokenKind K) {
    if (Kind() != K) return false;
    if (!Modern() || (Pass() != 2 && Pass() != 3) || queue_.HoldOutput) {
        Read();
        return true;
    }
    queue_.HoldNextToken = true;
    Read();
    queue_.HoldNextToken = false;
    if (Kind() == tkIdentifier) {
        // In a method a member of its type hides the unit's symbols.
        if (Pass() == 3 && InMethod() && TSymbolTable::FindMember(chain_, Text())) {
            WriteHeld();
            return true;
        }
        if (const auto Found = symbols_.FindVisibleSymbol(Text())) {
            // Queued, the entry is written with the next token read.
            queue_.HoldOutput = true;
            const std::size_t Index = QueueHeldToken();
            queue_.HoldOutput = false;
            if (AmendSymbolLink(Index, Found->UnitName, Found->UnitPage, Found->Name, Text())) ++Links.RoutineLinks;
            return true;
        }
    }
    WriteHeld();
    return true;
}

TParseResult TParser::DispatchRule() {
    switch (Kind()) {
    case tkIdentifier:
        if (Modern() && IsWord("operator") && (operatorHeading_ || !ReadingImplementation()))
            return ReadOperatorHeading();
        return LinkIdentifier();
    case tkConstructor: return ReadConstructorHeading();
    case tkDestructor: return ReadDestructorHeading();
    case tkFunction: return ReadFunctionHeading();
    case tkProcedure: return ReadProcedureHeading();
    // In an implementation "interface" starts a local interface type, whose
    // methods the block tracking keeps from anchors.
    case tkInterface: return ReadingImplementation() ? prAbsent : ReadInterfaceSection();
    case tkUnit: return ReadUnitHeading();
    // Held only in a method, as an identifier is held.
    case tkInherited: return queue_.HoldOutput ? ReadInherited() : prAbsent;
    case tkUses: return ReadUsesClause();
    case tkImplementation:
        ResetBlocks();
        // Pass 1 reads an implementation for its anchors, and stays pass 1.
        if (Pass() != 1) stream_.CurrentPass = 3;
        Read();
        return prParsed;
    default: return prAbsent;
    }
}

bool TParser::ReadingImplementation() const noexcept {
    return Modern() && (Pass() == 3 || (Pass() == 1 && symbols_.AnchorsOnly));
}

void TParser::DispatchToken() {
    // A rule that does not start here consumes nothing; passing the token over
    // below keeps the loop moving whatever the rules decide.
    if (ReadingImplementation()) TrackBlock();
    if (DispatchRule() != prAbsent) return;
    // Everything before the next token is written already; what comes up to
    // it is written as it is read, and the token itself waits.
    queue_.HoldNextToken = true;
    Read();
    queue_.HoldNextToken = false;
    if (Kind() == tkIdentifier || (Kind() == tkInherited && InMethod())) {
        queue_.HoldOutput = true;  // the identifier rule (or the inherited one) takes it from here
        return;
    }
    // The token was offered while held and so is still unwritten: offer it
    // again through the hook the run installed (FlushTokens).
    if (stream_.TokenHook) stream_.TokenHook();
}

}  // namespace corvanet
