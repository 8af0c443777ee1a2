// The document pair of a source file and the buffered file beneath it. Tokens
// are formed straight in the file's buffer, which is written out whenever the
// next token might not fit in it, so a run makes one write call per buffer,
// not per token.
#include "documents.h"

#include <cstring>

#include "error.h"

namespace corvanet {

namespace {

constexpr std::string_view LineEnd = "\r\n";

constexpr std::string_view HtmlTitleOpen = "<HTML><HEAD><TITLE>";
constexpr std::string_view HtmlTitleClose = "</TITLE></HEAD>";
constexpr std::string_view HtmlBodyLine =
    "<BODY BGCOLOR=\"#00007F\" VLINK=\"#FFFF00\" LINK=\"#FFFF00\"><PRE><FONT COLOR=\"#FFFF00\">";
constexpr std::string_view HtmlFooter = "</FONT></PRE></BODY></HTML>";

constexpr std::string_view RtfHeadLines[] = {
    "{\\rtf1\\ansi \\deff0\\deflang1024", "{\\fonttbl", "{\\f0\\fnil\\charset1 Courier New;}", "}",
    "{\\colortbl;",
};
constexpr std::string_view RtfTailLines[] = {"}", "\\fs20\\f0\\keepn"};
constexpr std::string_view RtfTitleOpen = "{\\fs32\\b Unit ";
constexpr std::string_view RtfTitleClose = "}\\par\\pard";
constexpr std::string_view RtfFooter = "}";
constexpr std::string_view TopicPrefix = "Unit_";

std::string FileNamePart(const std::string& Path) {
    std::size_t slash = Path.find_last_of('/');
    return slash == std::string::npos ? Path : Path.substr(slash + 1);
}

// The colour table's lines, the same in every topic, formed once.
const std::vector<std::string>& ColourLines() {
    static const std::vector<std::string> Lines = [] {
        std::vector<std::string> Formed;
        for (const TRtfColour& C : RtfColourTable)
            Formed.push_back("\\red" + std::to_string(C.Red) + "\\green" + std::to_string(C.Green) + "\\blue" +
                             std::to_string(C.Blue) + ";");
        return Formed;
    }();
    return Lines;
}

}  // namespace

// ---- TOutputFile -------------------------------------------------------------

TOutputFile::~TOutputFile() {
    if (file_ == nullptr) return;
    // Destruction after an error: keep what was written, report nothing.
    (void)WriteBuffer();
    std::fclose(file_);
}

void TOutputFile::Create(const std::string& Name) {
    if (file_ != nullptr) Close();
    name_ = Name;
    flushed_ = 0;
    file_ = std::fopen(Name.c_str(), "wb");
    if (file_ == nullptr) throw CorvanetError("Cannot create file " + Name);
    // Our own buffer already collects whole blocks; a second one would only copy.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    // A buffer grown for a long token stays for the next file (a long
    // comment or string, or the rest of a file after a lexical stop, which
    // comes as one text: allocating the room afresh for each such file costs
    // more than keeping it); one grown past KeptBufferSize goes back to the
    // usual size.
    if (size_ < BufferSize || size_ > KeptBufferSize) NewBuffer(BufferSize);
    next_ = buffer_.get();
    end_ = next_ + size_;
}

bool TOutputFile::IsOpen() const noexcept { return file_ != nullptr; }

void TOutputFile::Swap(TOutputFile& Other) noexcept {
    std::swap(file_, Other.file_);
    std::swap(name_, Other.name_);
    std::swap(buffer_, Other.buffer_);
    std::swap(size_, Other.size_);
    std::swap(next_, Other.next_);
    std::swap(end_, Other.end_);
    std::swap(flushed_, Other.flushed_);
}

bool TOutputFile::WriteBuffer() noexcept {
    const auto used = static_cast<std::size_t>(next_ - buffer_.get());
    const bool ok = used == 0 || std::fwrite(buffer_.get(), 1, used, file_) == used;
    flushed_ += used;
    next_ = buffer_.get();
    return ok;
}

void TOutputFile::Close() {
    if (file_ == nullptr) return;
    bool ok = WriteBuffer();
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok) throw CorvanetError("Cannot write file " + name_);
}

char* TOutputFile::Room(std::size_t MaxBytes) {
    if (!WriteBuffer()) throw CorvanetError("Cannot write file " + name_);
    if (size_ < MaxBytes) NewBuffer(MaxBytes);  // what it held is written out
    next_ = buffer_.get();
    end_ = next_ + size_;
    return next_;
}

void TOutputFile::NewBuffer(std::size_t Size) {
    // The old one goes first (the new may be large), and nothing is held
    // should the allocation fail.
    buffer_.reset();
    size_ = 0;
    next_ = end_ = nullptr;
    buffer_ = std::make_unique_for_overwrite<char[]>(Size);
    size_ = Size;
}

void TOutputFile::WriteText(std::string_view S) {
    if (file_ == nullptr) return;
    char* const Out = Reserve(S.size());
    if (!S.empty()) std::memcpy(Out, S.data(), S.size());
    Commit(Out + S.size());
}

void TOutputFile::WriteLine(std::string_view S) {
    WriteText(S);
    WriteText(LineEnd);
}

// ---- TDocuments --------------------------------------------------------------

void TDocuments::Line(TOutputFile& File, std::string_view S) {
    File.WriteLine(S);
    Counters.Bytes += S.size() + LineEnd.size();
}

void TDocuments::OpenDocuments(std::string_view CurrentUnit, std::string_view Suffix) {
    const std::string topic = std::string(TopicPrefix).append(CurrentUnit).append(Suffix);
    HtmlDocument.Create(HtmlFileName);
    Line(HtmlDocument, std::string(HtmlTitleOpen) + EscapeHtml(FileNamePart(HtmlFileName)) +
                           std::string(HtmlTitleClose));
    Line(HtmlDocument, HtmlBodyLine);
    Line(HtmlDocument, FormatHtmlToken(tsAnchor, topic));
    try {
        RtfDocument.Create(RtfFileName);
    } catch (...) {
        // The page stays as written; the pair is not open.
        HtmlDocument.Close();
        throw;
    }
    for (std::string_view s : RtfHeadLines) Line(RtfDocument, s);
    for (const std::string& s : ColourLines()) Line(RtfDocument, s);
    for (std::string_view s : RtfTailLines) Line(RtfDocument, s);
    Line(RtfDocument, FormatRtfToken(tsAnchor, topic) + std::string(RtfTitleOpen) +
                          EscapeRtf(CurrentUnit) + std::string(RtfTitleClose));
}

void TDocuments::CloseDocuments() {
    if (RtfDocument.IsOpen()) Line(RtfDocument, RtfFooter);
    if (HtmlDocument.IsOpen()) Line(HtmlDocument, HtmlFooter);
    // Close both even when the first fails, then report the failure.
    try {
        RtfDocument.Close();
    } catch (...) {
        HtmlDocument.Close();
        throw;
    }
    HtmlDocument.Close();
}

void TDocuments::Switch(int Pair) {
    if (slots_.size() < 2) slots_.resize(2);
    for (auto& Slot : slots_)
        if (!Slot) Slot = std::make_unique<TPair>();
    TPair& Old = *slots_[static_cast<std::size_t>(active_ + 1)];
    HtmlDocument.Swap(Old.Html);
    RtfDocument.Swap(Old.Rtf);
    TPair& New = *slots_[static_cast<std::size_t>(Pair + 1)];
    HtmlDocument.Swap(New.Html);
    RtfDocument.Swap(New.Rtf);
    active_ = Pair;
}

int TDocuments::OpenNestedPair(const std::string& Html, const std::string& Rtf, std::string_view Topic) {
    if (slots_.size() < 2) slots_.resize(2);
    slots_.push_back(std::make_unique<TPair>());
    const int Pair = static_cast<int>(slots_.size()) - 2;
    const int Was = active_;
    const std::string HtmlWas = std::move(HtmlFileName), RtfWas = std::move(RtfFileName);
    HtmlFileName = Html;
    RtfFileName = Rtf;
    Activate(Pair);
    try {
        OpenDocuments(Topic);
    } catch (...) {
        Activate(Was);
        HtmlFileName = HtmlWas;
        RtfFileName = RtfWas;
        throw;
    }
    Activate(Was);
    HtmlFileName = HtmlWas;
    RtfFileName = RtfWas;
    return Pair;
}

void TDocuments::CloseNestedPairs() {
    for (int Pair = 1; Pair + 1 < static_cast<int>(slots_.size()); ++Pair) {
        Activate(Pair);
        CloseDocuments();
    }
    Activate(0);
    Reading = 0;
    if (slots_.size() > 2) slots_.resize(2);
}

inline void TDocuments::RenderStyled(std::string_view Text, TokenStyle Style) {
    const std::size_t Room = MaxTokenSize(Text, {}, {});
    const TTokenEnds Ends =
        WriteStyledToken(RtfDocument.Reserve(Room + LineEnd.size()), HtmlDocument.Reserve(Room), Text, Style);
    Counters.Bytes += RtfDocument.Commit(Ends.Rtf) + HtmlDocument.Commit(Ends.Html);
}

void TDocuments::RenderToken(std::string_view Text, std::string_view Caption, std::string_view Target,
                             TokenStyle Style) {
    if (Style != tsLink && Style != tsAnchor) return RenderOwnStyle(Text, Style);  // caption and target unused
    if (!HtmlDocument.IsOpen() || !RtfDocument.IsOpen()) return;
    ++Counters.Tokens;
    RenderLinkOrAnchor(Text, Caption, Target, Style);
}

void TDocuments::RenderOwnStyle(std::string_view Text, TokenStyle Style) {
    if (!HtmlDocument.IsOpen() || !RtfDocument.IsOpen()) return;
    ++Counters.Tokens;
    const std::size_t Room = MaxTokenSize(Text, {}, {});
    if (!RtfDocument.Fits(Room + LineEnd.size()) || !HtmlDocument.Fits(Room)) return RenderAfterFlush(Text, Style);
    RenderStyled(Text, Style);
}

// Out of line, or the compiler folds it back into RenderOwnStyle.
[[gnu::noinline]] void TDocuments::RenderAfterFlush(std::string_view Text, TokenStyle Style) {
    RenderStyled(Text, Style);
}

void TDocuments::RenderLinkOrAnchor(std::string_view Text, std::string_view Caption, std::string_view Target,
                                    TokenStyle Style) {
    if (Style == tsLink) ++Counters.Links;
    if (Style == tsAnchor) ++Counters.Anchors;
    const std::size_t Room = MaxTokenSize(Text, Caption, Target);
    char* Rtf = WriteRtfToken(RtfDocument.Reserve(Room + LineEnd.size()), Text, Caption, Target, Style);
    *Rtf++ = LineEnd[0];
    *Rtf++ = LineEnd[1];
    Counters.Bytes += RtfDocument.Commit(Rtf);
    Counters.Bytes += HtmlDocument.Commit(WriteHtmlToken(HtmlDocument.Reserve(Room), Text, Caption, Target, Style));
}

}  // namespace corvanet
