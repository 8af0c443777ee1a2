// Link checking over a build directory (see link_checker.h). Documents are
// decoded with the strict decoders, so a link is found only where a reader
// would see one; the frame pages, which are not source documents, are read for
// their HREF and frame src attributes only.
#include "link_checker.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <string_view>

#include "decode.h"

namespace corvanet::testsupport {

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string_view S) {
    std::string Out(S);
    for (char& C : Out) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    return Out;
}

bool IsWordChar(char C) { return std::isalnum(static_cast<unsigned char>(C)) || C == '_'; }

// Removes the blanks and Pascal comments at the end of Text.
void StripTrailingTrivia(std::string& Text) {
    for (;;) {
        const std::size_t Kept = Text.find_last_not_of(" \t\r\n");
        const bool LineEnded = Kept != std::string::npos && Text.find('\n', Kept) != std::string::npos;
        Text.erase(Kept == std::string::npos ? 0 : Kept + 1);
        std::size_t Open = std::string::npos;
        if (!Text.empty() && Text.back() == '}') Open = Text.rfind('{');
        else if (Text.ends_with("*)")) Open = Text.rfind("(*");
        else if (LineEnded) {
            // A "//" comment takes its line end with it, so only a line that
            // ended before the link can end in one.
            const std::size_t LineStart = Text.rfind('\n');
            Open = Text.find("//", LineStart == std::string::npos ? 0 : LineStart);
        }
        if (Open == std::string::npos) return;
        Text.erase(Open);
    }
}

std::string LastWord(const std::string& Text) {
    std::size_t Start = Text.size();
    while (Start > 0 && IsWordChar(Text[Start - 1])) --Start;
    return Lower(std::string_view(Text).substr(Start));
}

}  // namespace

std::string AnchorPart(std::string_view Caption) {
    static constexpr char Hex[] = "0123456789abcdef";
    std::string Out;
    for (const char C : Caption) {
        const auto B = static_cast<unsigned char>(C);
        if (B > 127) Out.append(".0").append(1, Hex[B >> 4]).append(1, Hex[B & 15]);
        else Out += static_cast<char>(std::tolower(B));
    }
    return Out;
}

namespace {

// Whether Fragment names an anchor of Caption: it ends in "_" and the
// caption's part, or in that and ".k" of an overload.
bool CaptionFits(std::string Fragment, std::string_view Caption) {
    Fragment = Lower(Fragment);
    const std::string Part = "_" + AnchorPart(Caption);
    if (Fragment.ends_with(Part)) return true;
    const std::size_t Dot = Fragment.find_last_of('.');
    if (Dot == std::string::npos || Dot + 1 == Fragment.size()) return false;
    if (!std::all_of(Fragment.begin() + static_cast<std::ptrdiff_t>(Dot) + 1, Fragment.end(),
                     [](char C) { return std::isdigit(static_cast<unsigned char>(C)); }))
        return false;
    return std::string_view(Fragment).substr(0, Dot).ends_with(Part);
}

// Whether the anchor stands on the line of the name it anchors, where a
// reader who follows a link to it looks: the line, spelled as anchor parts
// are, holds the anchor's last part (after the last "_", less an overload's
// or a generic type's ".k"), or of a nested routine's, the part after its
// last ".".
bool OnItsNamesLine(const std::string& Text, const TDecodedAnchor& Anchor) {
    std::string Part = Anchor.Name.substr(Anchor.Name.rfind('_') + 1);  // npos + 1 == 0
    for (;;) {
        const std::size_t Dot = Part.rfind('.');
        if (Dot == std::string::npos || Dot + 1 == Part.size() || Part[Dot + 1] == '0' ||
            !std::all_of(Part.begin() + static_cast<std::ptrdiff_t>(Dot) + 1, Part.end(),
                         [](char C) { return std::isdigit(static_cast<unsigned char>(C)); }))
            break;
        Part.erase(Dot);
    }
    const std::size_t Dot = Part.rfind('.');
    const auto Holds = [&](const std::string& Line) {
        return Line.find(Part) != std::string::npos ||
               (Dot != std::string::npos && Line.find(Part.substr(Dot + 1)) != std::string::npos);
    };
    const std::size_t At = std::min(Anchor.Offset, Text.size());
    const std::size_t Begin = At == 0 ? std::string::npos : Text.rfind('\n', At - 1);
    const std::size_t Start = Begin == std::string::npos ? 0 : Begin + 1;
    const std::size_t End = std::min(Text.find('\n', At), Text.size());
    if (Holds(AnchorPart(std::string_view(Text).substr(Start, End - Start)))) return true;
    // A heading whose qualified name goes on after a line break ("TFoo.",
    // then "Bar" on the next line).
    std::string After = Text.substr(At, End - At);
    StripTrailingTrivia(After);
    if (!After.empty() && After.back() == '.' && End < Text.size()) {
        const std::size_t Next = std::min(Text.find('\n', End + 1), Text.size());
        if (Holds(AnchorPart(std::string_view(Text).substr(End + 1, Next - End - 1)))) return true;
    }
    // A type's anchor after its keyword, its name on an earlier line of a
    // heading that spans lines ("TFoo<A,", "B> = class(...)").
    std::string Before = Text.substr(Start, At - Start);
    StripTrailingTrivia(Before);
    static const std::set<std::string> Keywords = {"class", "object", "interface", "dispinterface"};
    return Keywords.count(LastWord(Before)) != 0;
}

// The method headings of a document's text (qualified routine headings:
// TFoo.Create, TList<T>.Add) by offset, with the method's name.
using TMethodHeadings = std::vector<std::pair<std::size_t, std::string>>;

TMethodHeadings MethodHeadings(const std::string& Text) {
    static const std::regex Heading(
        R"re(\b(?:constructor|destructor|procedure|function|operator)\s+[^\s.<>(;:]+(?:\s*<[^>]*>)?(?:\s*\.\s*([^\s.<>(;:]+)(?:\s*<[^>]*>)?)+)re",
        std::regex::icase);
    TMethodHeadings Found;
    for (std::sregex_iterator It(Text.begin(), Text.end(), Heading), End; It != End; ++It)
        Found.emplace_back(static_cast<std::size_t>(It->position(0)), (*It)[1].str());
    return Found;
}

// A bare "inherited" links to the method it stands in, as an ancestor
// declares it: the fragment ends in the name of the nearest method heading
// before the link (a ".k" overload number aside).
bool InheritedFits(const TMethodHeadings& Methods, const TDecodedLink& Link, std::string Fragment) {
    const auto After = std::upper_bound(Methods.begin(), Methods.end(), Link.Offset,
                                        [](std::size_t Offset, const auto& M) { return Offset < M.first; });
    if (After == Methods.begin()) return false;
    Fragment = Lower(Fragment);
    const std::size_t Dot = Fragment.find_last_of('.');
    if (Dot != std::string::npos && Dot + 1 < Fragment.size() &&
        std::all_of(Fragment.begin() + static_cast<std::ptrdiff_t>(Dot) + 1, Fragment.end(),
                    [](char C) { return std::isdigit(static_cast<unsigned char>(C)); }))
        Fragment.erase(Dot);
    return Fragment.ends_with("_" + AnchorPart(std::prev(After)->second));
}

bool IsBareInherited(std::string_view Caption) { return Lower(Caption) == "inherited"; }

}  // namespace

const char* LinkKindName(TLinkKind Kind) {
    static const char* const Names[LinkKindCount] = {"unit", "heading", "routine", "ancestor", "contents"};
    return Names[Kind];
}

TLinkKind ClassifyLink(const std::string& Text, std::size_t Offset, bool UnitTarget) {
    if (UnitTarget) return lkUnit;
    std::string Before = Text.substr(0, std::min(Offset, Text.size()));
    StripTrailingTrivia(Before);
    if (!Before.empty() && Before.back() == '(') {
        Before.pop_back();
        StripTrailingTrivia(Before);
        return LastWord(Before) == "class" ? lkAncestor : lkRoutine;
    }
    static const std::set<std::string> Headings = {"procedure", "function", "constructor", "destructor"};
    return Headings.count(LastWord(Before)) ? lkHeading : lkRoutine;
}

namespace {

class TChecker {
public:
    explicit TChecker(std::string BuildDir) : dir_(std::move(BuildDir)) {
        if (!dir_.empty() && dir_.back() != '/') dir_ += '/';
    }

    TLinkReport Run() {
        std::vector<std::string> Html, Rtf;
        std::error_code Ec;
        for (const fs::directory_entry& E : fs::directory_iterator(dir_, Ec)) {
            const std::string Name = E.path().filename().string();
            if (E.path().extension() == ".html") Html.push_back(Name);
            if (E.path().extension() == ".rtf") Rtf.push_back(Name);
        }
        std::sort(Html.begin(), Html.end());
        std::sort(Rtf.begin(), Rtf.end());
        CollectTopicAnchors(Rtf);
        for (const std::string& Name : Rtf) CheckTopic(Name);
        for (const std::string& Name : Html) {
            if (Name == "index.html" || Name == "content.html") CheckFramePage(Name);
            else CheckPage(Name);
        }
        return std::move(report_);
    }

private:
    // A page decoded once, on first use; nullptr when it does not exist.
    const TDecodedDocument* Page(const std::string& Name) {
        auto It = pages_.find(Name);
        if (It != pages_.end()) return It->second.get();
        std::unique_ptr<TDecodedDocument> Doc;
        if (fs::is_regular_file(dir_ + Name))
            Doc = std::make_unique<TDecodedDocument>(DecodeHtmlPage(ReadFileBytes(dir_ + Name)));
        return pages_.emplace(Name, std::move(Doc)).first->second.get();
    }

    // As a browser reads an HREF's page part: entities, then percent-escapes.
    static std::string PageOf(std::string Href) {
        for (const auto& [Entity, C] : {std::pair<std::string, char>{"&amp;", '&'}, {"&quot;", '"'}, {"&lt;", '<'}, {"&gt;", '>'}})
            for (std::size_t At = Href.find(Entity); At != std::string::npos; At = Href.find(Entity, At + 1))
                Href.replace(At, Entity.size(), 1, C);
        std::string Out;
        for (std::size_t I = 0; I < Href.size(); ++I) {
            if (Href[I] == '%' && I + 2 < Href.size() && std::isxdigit(static_cast<unsigned char>(Href[I + 1])) &&
                std::isxdigit(static_cast<unsigned char>(Href[I + 2]))) {
                Out += static_cast<char>(std::stoi(Href.substr(I + 1, 2), nullptr, 16));
                I += 2;
            } else {
                Out += Href[I];
            }
        }
        return Out;
    }

    bool HtmlLands(const std::string& From, const std::string& Href) {
        const std::size_t Hash = Href.find('#');
        const std::string PageName = PageOf(Hash == std::string::npos ? Href : Href.substr(0, Hash));
        const TDecodedDocument* Target = Page(PageName.empty() ? From : PageName);
        if (Target == nullptr) return false;
        if (Hash == std::string::npos) return true;
        const std::string Fragment = Href.substr(Hash + 1);
        return std::any_of(Target->Anchors.begin(), Target->Anchors.end(),
                           [&](const TDecodedAnchor& A) { return A.Name == Fragment; });
    }

    void Count(std::array<TLinkTally, LinkKindCount>& Tallies, const std::string& Document, TLinkKind Kind,
               const TDecodedLink& Link, bool Landed) {
        ++Tallies[Kind].Written;
        if (Landed) ++Tallies[Kind].Landed;
        else report_.Missed.push_back({Document, Kind, Link.Target, Link.Caption});
    }

    void CheckPage(const std::string& Name) {
        const TDecodedDocument* Doc = Page(Name);
        ++report_.Pages;
        if (!Doc->Ok()) report_.Problems.push_back(Name + ": " + Doc->Error);
        std::set<std::string> Names;
        for (const TDecodedAnchor& A : Doc->Anchors) {
            if (!Names.insert(A.Name).second) report_.DuplicateAnchors.push_back(Name + ": " + A.Name);
            if (!A.InHeader && !OnItsNamesLine(Doc->Text, A)) report_.MisplacedAnchors.push_back(Name + ": " + A.Name);
        }
        std::optional<TMethodHeadings> Methods;  // found once a bare "inherited" needs them
        for (const TDecodedLink& Link : Doc->Links) {
            const std::size_t Hash = Link.Target.find('#');
            if (IsBareInherited(Link.Caption) && !Methods) Methods = MethodHeadings(Doc->Text);
            const TLinkKind Kind = ClassifyLink(Doc->Text, Link.Offset, Hash == std::string::npos);
            Count(report_.Html, Name, Kind, Link, HtmlLands(Name, Link.Target));
            const bool Fits = Hash == std::string::npos ||
                              (IsBareInherited(Link.Caption) ? InheritedFits(*Methods, Link, Link.Target.substr(Hash + 1))
                                                             : CaptionFits(Link.Target.substr(Hash + 1), Link.Caption));
            if (!Fits) report_.WrongCaptions.push_back(Name + ": " + Link.Caption + " -> " + Link.Target);
        }
    }

    void CheckFramePage(const std::string& Name) {
        static const std::regex Attribute(R"re((?:HREF|src)\s*=\s*"([^"]*)")re", std::regex::icase);
        const std::string Text = ReadFileBytes(dir_ + Name);
        for (std::sregex_iterator It(Text.begin(), Text.end(), Attribute), End; It != End; ++It) {
            const TDecodedLink Link{(*It)[1].str(), "", 0};
            Count(report_.Html, Name, lkContents, Link, HtmlLands(Name, Link.Target));
        }
    }

    void CollectTopicAnchors(const std::vector<std::string>& Names) {
        for (const std::string& Name : Names) {
            topics_[Name] = DecodeRtfTopic(ReadFileBytes(dir_ + Name));
            for (const TDecodedAnchor& A : topics_[Name].Anchors)
                if (!contexts_.insert(Lower(A.Name)).second) report_.DuplicateAnchors.push_back(Name + ": " + A.Name);
        }
    }

    void CheckTopic(const std::string& Name) {
        const TDecodedDocument& Doc = topics_[Name];
        ++report_.Topics;
        if (!Doc.Ok()) report_.Problems.push_back(Name + ": " + Doc.Error);
        std::optional<TMethodHeadings> Methods;
        for (const TDecodedLink& Link : Doc.Links) {
            const std::string Context = Lower(Link.Target);
            if (IsBareInherited(Link.Caption) && !Methods) Methods = MethodHeadings(Doc.Text);
            const TLinkKind Kind = ClassifyLink(Doc.Text, Link.Offset, Context.starts_with("unit_"));
            Count(report_.Rtf, Name, Kind, Link, contexts_.count(Context) != 0);
            const bool Fits = IsBareInherited(Link.Caption) ? InheritedFits(*Methods, Link, Context)
                                                            : CaptionFits(Context, Link.Caption);
            if (Kind != lkUnit && !Fits)
                report_.WrongCaptions.push_back(Name + ": " + Link.Caption + " -> " + Link.Target);
        }
    }

    std::string dir_;
    TLinkReport report_;
    std::map<std::string, std::unique_ptr<TDecodedDocument>> pages_;
    std::map<std::string, TDecodedDocument> topics_;
    std::set<std::string> contexts_;
};

}  // namespace

int TLinkReport::Written() const {
    int Sum = 0;
    for (int K = 0; K < LinkKindCount; ++K) Sum += Html[K].Written + Rtf[K].Written;
    return Sum;
}

int TLinkReport::Landed() const {
    int Sum = 0;
    for (int K = 0; K < LinkKindCount; ++K) Sum += Html[K].Landed + Rtf[K].Landed;
    return Sum;
}

std::string TLinkReport::Summary() const {
    std::string Out = std::to_string(Pages) + " pages, " + std::to_string(Topics) + " topics;";
    for (const auto* Side : {&Html, &Rtf}) {
        Out += Side == &Html ? " HTML" : "; RTF";
        for (int K = 0; K < LinkKindCount; ++K)
            Out += std::string(" ") + LinkKindName(static_cast<TLinkKind>(K)) + " " +
                   std::to_string((*Side)[K].Landed) + "/" + std::to_string((*Side)[K].Written);
    }
    for (const TMissedLink& M : Missed)
        Out += "\n  not landing: " + M.Document + " " + LinkKindName(M.Kind) + " " + M.Caption + " -> " + M.Target;
    for (const std::string& P : Problems) Out += "\n  " + P;
    for (const std::string& D : DuplicateAnchors) Out += "\n  anchor twice: " + D;
    for (const std::string& W : WrongCaptions) Out += "\n  caption differs: " + W;
    for (const std::string& M : MisplacedAnchors) Out += "\n  anchor off its name's line: " + M;
    return Out;
}

TLinkReport CheckLinks(const std::string& BuildDir) { return TChecker(BuildDir).Run(); }

}  // namespace corvanet::testsupport
