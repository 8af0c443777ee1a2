// Strict readers of the two document kinds. Each knows only the markup the
// documents may contain and reports anything else, so a fault in escaping shows
// up as an error or as text that differs from the source.
#include "decode.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace corvanet::testsupport {

namespace {

constexpr std::string_view HtmlHead = "<HTML><HEAD><TITLE>";
constexpr std::string_view HtmlTitleEnd = "</TITLE></HEAD>\r\n";
constexpr std::string_view HtmlBody =
    "<BODY BGCOLOR=\"#00007F\" VLINK=\"#FFFF00\" LINK=\"#FFFF00\"><PRE><FONT COLOR=\"#FFFF00\">\r\n";
constexpr std::string_view HtmlFoot = "</FONT></PRE></BODY></HTML>\r\n";

std::string Visible(std::string_view s) {
    std::string out;
    for (char c : s) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

// ---- HTML --------------------------------------------------------------------

class THtmlDecoder {
public:
    THtmlDecoder(std::string_view Page, TDecodedDocument& Out) : page_(Page), out_(Out) {}

    void Run() {
        std::size_t titleEnd = page_.find(HtmlTitleEnd);
        // A META naming the charset may come first in the head.
        constexpr std::string_view Meta = "<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=";
        if (page_.starts_with(Meta)) {
            const std::size_t End = page_.find("\">", Meta.size());
            if (End == std::string_view::npos) return Fail("unclosed META");
            out_.Charset = page_.substr(Meta.size(), End - Meta.size());
            pos_ = End + 2;
            if (!Expect("<TITLE>") || titleEnd == std::string_view::npos) return Fail("no title line");
        } else if (!Expect(HtmlHead) || titleEnd == std::string_view::npos) {
            return Fail("no title line");
        }
        DecodeText(page_.substr(pos_, titleEnd - pos_), out_.Title, false);
        pos_ = titleEnd + HtmlTitleEnd.size();
        if (!Expect(HtmlBody)) return Fail("no body line");
        std::string name;
        if (!Expect("<A NAME = \"") || !ReadAttribute(name) || !Expect("></A>\r\n"))
            return Fail("no page anchor");
        out_.Anchors.push_back({name, 0, true});
        if (page_.size() < pos_ + HtmlFoot.size() || page_.substr(page_.size() - HtmlFoot.size()) != HtmlFoot)
            return Fail("no footer at the end");
        Body(page_.size() - HtmlFoot.size());
        if (out_.Ok() && !open_.empty()) Fail("unclosed <" + open_.back() + ">");
    }

private:
    void Fail(const std::string& Why) {
        if (out_.Error.empty()) out_.Error = "HTML at byte " + std::to_string(pos_) + ": " + Why;
    }

    bool Expect(std::string_view Literal) {
        if (page_.substr(pos_, Literal.size()) != Literal) return false;
        pos_ += Literal.size();
        return true;
    }

    // An entity at Text[i]; appends its character and returns its length, or 0.
    static std::size_t Entity(std::string_view Text, std::size_t i, std::string& Out, bool Attribute) {
        static constexpr std::pair<std::string_view, char> Entities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}};
        for (const auto& [name, c] : Entities) {
            if (c == '"' && !Attribute) continue;
            if (Text.substr(i, name.size()) == name) {
                Out += c;
                return name.size();
            }
        }
        return 0;
    }

    // Text without markup: every "&" must start an entity, no raw "<" or ">".
    bool DecodeText(std::string_view Text, std::string& Out, bool Attribute) {
        for (std::size_t i = 0; i < Text.size();) {
            char c = Text[i];
            if (c == '&') {
                std::size_t n = Entity(Text, i, Out, Attribute);
                if (n == 0) return false;
                i += n;
                continue;
            }
            if (c == '<' || c == '>' || (Attribute && c == '"')) return false;
            Out += c;
            ++i;
        }
        return true;
    }

    // A quoted attribute value at pos_ (after its opening quote).
    bool ReadAttribute(std::string& Value) {
        std::size_t end = page_.find('"', pos_);
        if (end == std::string_view::npos) return false;
        bool ok = DecodeText(page_.substr(pos_, end - pos_), Value, true);
        pos_ = end + 1;
        return ok;
    }

    void Body(std::size_t End) {
        while (pos_ < End && out_.Ok()) {
            char c = page_[pos_];
            if (c == '<') {
                Tag(End);
            } else if (c == '&') {
                std::size_t n = Entity(page_, pos_, out_.Text, false);
                if (n == 0) return Fail("raw & or unknown entity");
                pos_ += n;
            } else if (c == '>') {
                return Fail("raw >");
            } else {
                out_.Text += c;
                ++pos_;
            }
        }
    }

    void Tag(std::size_t End) {
        std::size_t gt = page_.find('>', pos_);
        if (gt == std::string_view::npos || gt >= End) return Fail("unterminated tag");
        std::string_view tag = page_.substr(pos_ + 1, gt - pos_ - 1);
        if (tag == "B" || tag == "I") {
            open_.emplace_back(tag);
        } else if (tag.starts_with("FONT COLOR=\"#") && tag.size() == 20 && tag.back() == '"') {
            open_.emplace_back("FONT");
        } else if (tag.starts_with("/")) {
            return Close(std::string(tag.substr(1)), gt + 1);
        } else if (tag.starts_with("A NAME = \"") || tag.starts_with("A HREF = \"")) {
            return OpenAnchor(tag.starts_with("A NAME"), End);
        } else {
            return Fail("unknown tag <" + std::string(tag) + ">");
        }
        pos_ = gt + 1;
    }

    void OpenAnchor(bool Named, std::size_t End) {
        pos_ += std::string_view("<A NAME = \"").size();  // same length as "<A HREF = \""
        std::string value;
        if (!ReadAttribute(value) || pos_ >= End || page_[pos_] != '>') return Fail("bad A attribute");
        ++pos_;
        if (Named) {
            out_.Anchors.push_back({value, out_.Text.size(), false});
            if (!Expect("</A>")) Fail("named anchor with content");
            return;
        }
        open_.emplace_back("A");
        out_.Links.push_back({value, "", out_.Text.size()});
    }

    void Close(const std::string& Name, std::size_t Next) {
        if (open_.empty() || open_.back() != Name) return Fail("unbalanced </" + Name + ">");
        open_.pop_back();
        if (Name == "A") {
            TDecodedLink& link = out_.Links.back();
            link.Caption = out_.Text.substr(link.Offset);
        }
        pos_ = Next;
    }

    std::string_view page_;
    TDecodedDocument& out_;
    std::size_t pos_ = 0;
    std::vector<std::string> open_;
};

// ---- RTF ---------------------------------------------------------------------

enum class TGroupKind { Text, Skip, Footnote, Hidden, Caption };

class TRtfDecoder {
public:
    TRtfDecoder(std::string_view Topic, TDecodedDocument& Out, bool Utf8Source)
        : rtf_(Topic), out_(Out), utf8_(Utf8Source) {}

    void Run() {
        if (!rtf_.starts_with("{\\rtf1")) return Fail("no {\\rtf1");
        while (pos_ < rtf_.size() && out_.Ok()) {
            char c = rtf_[pos_];
            if (c == '{') {
                groups_.push_back({groups_.empty() ? TGroupKind::Text : groups_.back().Kind, text_.size(), pos_});
                ++pos_;
            } else if (c == '}') {
                CloseGroup();
            } else if (c == '\\') {
                Control();
            } else if (c == '\r' || c == '\n') {
                ++pos_;  // raw line ends are not text in RTF
            } else {
                if (groups_.empty()) return Fail("text after the document");
                Emit(c);
                ++pos_;
            }
        }
        if (out_.Ok() && !groups_.empty()) Fail("unclosed group");
        if (out_.Ok() && !ended_) Fail("empty document");
        Finish();
    }

private:
    struct TGroup {
        TGroupKind Kind;
        std::size_t Start;     // text_ size when the group opened
        std::size_t RawStart;  // where its "{" stands
        std::string Collected = {};
    };

    void Fail(const std::string& Why) {
        if (out_.Error.empty()) out_.Error = "RTF at byte " + std::to_string(pos_) + ": " + Why;
    }

    void Emit(char c) {
        TGroup& g = groups_.back();
        if (g.Kind == TGroupKind::Text || g.Kind == TGroupKind::Caption)
            text_ += c;
        else if (g.Kind != TGroupKind::Skip)
            g.Collected += c;
    }

    void Control() {
        if (pos_ + 1 >= rtf_.size()) return Fail("lone backslash at the end");
        char c = rtf_[pos_ + 1];
        if (c == '\\' || c == '{' || c == '}') {
            if (groups_.empty()) return Fail("text after the document");
            Emit(c);
            pos_ += 2;
            return;
        }
        if (c == '*') {
            pos_ += 2;
            starred_ = true;
            return;
        }
        if (c == '\'') return HexByte();
        std::size_t i = pos_ + 1;
        while (i < rtf_.size() && std::isalpha(static_cast<unsigned char>(rtf_[i]))) ++i;
        if (i == pos_ + 1) return Fail(std::string("unknown control symbol \\") + c);
        std::string word(rtf_.substr(pos_ + 1, i - pos_ - 1));
        const std::size_t Number = i;
        while (i < rtf_.size() && (std::isdigit(static_cast<unsigned char>(rtf_[i])) || rtf_[i] == '-')) ++i;
        if (word == "u" && i > Number) return Unicode(std::stoi(std::string(rtf_.substr(Number, i - Number))), i);
        if (i < rtf_.size() && rtf_[i] == ' ') ++i;  // the delimiting blank belongs to the word
        pos_ = i;
        Word(word);
    }

    // \'hh: one byte given by two hexadecimal digits (a windows-1252
    // character when the source is UTF-8).
    void HexByte() {
        if (groups_.empty()) return Fail("text after the document");
        if (pos_ + 3 >= rtf_.size() || !std::isxdigit(static_cast<unsigned char>(rtf_[pos_ + 2])) ||
            !std::isxdigit(static_cast<unsigned char>(rtf_[pos_ + 3])))
            return Fail("bad \\' escape");
        const int Byte = std::stoi(std::string(rtf_.substr(pos_ + 2, 2)), nullptr, 16);
        pos_ += 4;
        static constexpr std::uint16_t High[32] = {
            0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
        if (!utf8_ || Byte < 0x80) return Emit(static_cast<char>(Byte));
        EmitCode(Byte >= 0xA0 ? static_cast<std::uint32_t>(Byte) : High[Byte - 0x80]);
    }

    // \uN? (N a signed 16-bit unit, a surrogate pair for the rest), the "?" skipped.
    void Unicode(int N, std::size_t After) {
        if (groups_.empty()) return Fail("text after the document");
        const auto Unit = static_cast<std::uint32_t>(N < 0 ? N + 0x10000 : N);
        if (After >= rtf_.size() || rtf_[After] != '?') return Fail("\\u without its ?");
        pos_ = After + 1;
        if (Unit >= 0xD800 && Unit < 0xDC00) {
            surrogate_ = Unit;
            return;
        }
        if (Unit >= 0xDC00 && Unit < 0xE000) {
            if (surrogate_ == 0) return Fail("low surrogate alone");
            EmitCode(0x10000 + ((surrogate_ - 0xD800) << 10) + (Unit - 0xDC00));
            surrogate_ = 0;
            return;
        }
        EmitCode(Unit);
    }

    void EmitCode(std::uint32_t Code) {
        if (Code < 0x80) return Emit(static_cast<char>(Code));
        if (Code < 0x800) {
            Emit(static_cast<char>(0xC0 | (Code >> 6)));
        } else if (Code < 0x10000) {
            Emit(static_cast<char>(0xE0 | (Code >> 12)));
            Emit(static_cast<char>(0x80 | ((Code >> 6) & 0x3F)));
        } else {
            Emit(static_cast<char>(0xF0 | (Code >> 18)));
            Emit(static_cast<char>(0x80 | ((Code >> 12) & 0x3F)));
            Emit(static_cast<char>(0x80 | ((Code >> 6) & 0x3F)));
        }
        Emit(static_cast<char>(0x80 | (Code & 0x3F)));
    }

    void Word(const std::string& W) {
        static const std::string_view Formatting[] = {"rtf",  "ansi", "ansicpg", "deff", "deflang", "f",    "fnil",
                                                      "charset", "red", "green", "blue", "fs", "keepn",
                                                      "b",    "i",    "cf"};
        bool wasStarred = starred_;
        starred_ = false;
        if (groups_.empty()) return Fail("control word outside the document");
        TGroup& g = groups_.back();
        if (W == "par") {
            if (g.Kind == TGroupKind::Text) text_ += '\n';
        } else if (W == "pard") {
            if (bodyStart_ == std::string::npos) bodyStart_ = text_.size();
        } else if (W == "fonttbl" || W == "colortbl") {
            g.Kind = TGroupKind::Skip;
        } else if (W == "footnote" && wasStarred) {
            StartFootnote(g);
        } else if (W == "v") {
            g.Kind = TGroupKind::Hidden;
        } else if (W == "uldb") {
            g.Kind = TGroupKind::Caption;
        } else if (std::find(std::begin(Formatting), std::end(Formatting), W) == std::end(Formatting)) {
            Fail("unknown control word \\" + W);
        }
    }

    // The "#" written just before a footnote group is its mark, not text.
    void StartFootnote(TGroup& G) {
        if (text_.size() != G.Start || text_.empty() || text_.back() != '#')
            return Fail("footnote without its # mark");
        text_.pop_back();
        G.Start = text_.size();
        G.Kind = TGroupKind::Footnote;
    }

    void CloseGroup() {
        if (groups_.empty()) return Fail("unbalanced }");
        TGroup g = std::move(groups_.back());
        groups_.pop_back();
        ++pos_;
        if (g.Kind == TGroupKind::Footnote) {
            out_.Anchors.push_back({g.Collected, text_.size(), bodyStart_ == std::string::npos});
        } else if (g.Kind == TGroupKind::Caption) {
            pendingCaption_ = {"", text_.substr(g.Start), g.Start};
            captionEnd_ = pos_;
        } else if (g.Kind == TGroupKind::Hidden && (groups_.empty() || groups_.back().Kind != TGroupKind::Hidden)) {
            if (!g.Collected.starts_with("*") || captionEnd_ != g.RawStart)
                return Fail("hidden text that is no link target");
            pendingCaption_.Target = g.Collected.substr(1);
            out_.Links.push_back(pendingCaption_);
        }
        if (groups_.empty()) {
            ended_ = true;
            if (rtf_.substr(pos_) != "\r\n") Fail("bytes after the document");
        }
    }

    // Splits the text into title and body; header anchors keep offset 0.
    void Finish() {
        if (bodyStart_ == std::string::npos) {
            Fail("no \\pard after the title");
            return;
        }
        std::string head = text_.substr(0, bodyStart_);
        if (!head.empty() && head.back() == '\n') head.pop_back();
        out_.Title = head;
        out_.Text = text_.substr(bodyStart_);
        for (auto& a : out_.Anchors) a.Offset = a.InHeader ? 0 : a.Offset - bodyStart_;
        for (auto& l : out_.Links) l.Offset = l.Offset < bodyStart_ ? 0 : l.Offset - bodyStart_;
    }

    std::string_view rtf_;
    TDecodedDocument& out_;
    bool utf8_ = false;            // the source is UTF-8
    std::uint32_t surrogate_ = 0;  // a high surrogate waiting for its low one
    std::size_t pos_ = 0;
    std::vector<TGroup> groups_;
    std::string text_;
    std::size_t bodyStart_ = std::string::npos;
    bool starred_ = false;
    bool ended_ = false;
    TDecodedLink pendingCaption_;
    std::size_t captionEnd_ = std::string::npos;
};

}  // namespace

TDecodedDocument DecodeHtmlPage(std::string_view Page) {
    TDecodedDocument out;
    THtmlDecoder(Page, out).Run();
    return out;
}

TDecodedDocument DecodeRtfTopic(std::string_view Topic, bool Utf8Source) {
    TDecodedDocument out;
    TRtfDecoder(Topic, out, Utf8Source).Run();
    return out;
}

std::string NormaliseLineEnds(std::string_view Text) {
    std::string out;
    out.reserve(Text.size());
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '\r') {
            out += '\n';
            if (i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
        } else {
            out += Text[i];
        }
    }
    return out;
}

std::string WithoutByteOrderMark(std::string_view Source) {
    if (Source.starts_with("\xEF\xBB\xBF")) Source.remove_prefix(3);
    return std::string(Source);
}

std::string ReadFileBytes(const std::string& Path) {
    std::ifstream in(Path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + Path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string FirstDifference(std::string_view Expected, std::string_view Actual) {
    std::size_t i = 0;
    while (i < Expected.size() && i < Actual.size() && Expected[i] == Actual[i]) ++i;
    if (i == Expected.size() && i == Actual.size()) return {};
    std::size_t from = i < 20 ? 0 : i - 20;
    return "first difference at byte " + std::to_string(i) + " (sizes " + std::to_string(Expected.size()) +
           " and " + std::to_string(Actual.size()) + ")\n  expected: ..." +
           Visible(Expected.substr(from, 60)) + "\n  actual:   ..." + Visible(Actual.substr(from, 60));
}

}  // namespace corvanet::testsupport
