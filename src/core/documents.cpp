// The document pair of a source file and the buffered file beneath it. Tokens
// are formed straight in the file's buffer, which is written out whenever the
// next token might not fit in it, so a run makes one write call per buffer,
// not per token.
#include "documents.h"

#include <dirent.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

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

// ---- Temporary files ---------------------------------------------------------

namespace {

constexpr std::string_view TemporaryPrefix = ".corvanet-";
constexpr std::string_view TemporarySuffix = ".tmp";

// The temporary files the process has made and not yet renamed or removed.
// Made, renamed and removed under Lock, so the signal thread, which takes it
// for good, removes every one and no other is made after it.
struct TTemporaries {
    std::mutex Lock;
    std::set<std::string> Names;
    unsigned long Next = 0;
};

TTemporaries& Temporaries() {
    static auto* Known = new TTemporaries;  // never destroyed: the signal thread may outlive main
    return *Known;
}

std::string DirectoryOf(const std::string& Path) {
    const std::size_t Slash = Path.find_last_of('/');
    return Slash == std::string::npos ? std::string() : Path.substr(0, Slash + 1);
}

std::string Reason(int Errno) { return ": " + SystemReason(Errno); }

}  // namespace

TFinishedFile::TFinishedFile(std::string Temporary, std::string Final) noexcept
    : temporary_(std::move(Temporary)), final_(std::move(Final)) {}

TFinishedFile::TFinishedFile(TFinishedFile&& Other) noexcept
    : temporary_(std::exchange(Other.temporary_, {})), final_(std::move(Other.final_)) {}

TFinishedFile& TFinishedFile::operator=(TFinishedFile&& Other) noexcept {
    if (this != &Other) {
        Discard();
        temporary_ = std::exchange(Other.temporary_, {});
        final_ = std::move(Other.final_);
    }
    return *this;
}

TFinishedFile::~TFinishedFile() { Discard(); }

void TFinishedFile::Publish() {
    if (temporary_.empty()) return;
    TTemporaries& Known = Temporaries();
    const std::lock_guard<std::mutex> Hold(Known.Lock);
    if (std::rename(temporary_.c_str(), final_.c_str()) != 0) {
        const int Error = errno;
        std::remove(temporary_.c_str());
        Known.Names.erase(temporary_);
        temporary_.clear();
        throw CorvanetError("Cannot create file " + final_ + Reason(Error));
    }
    Known.Names.erase(temporary_);
    temporary_.clear();
}

void TFinishedFile::Discard() noexcept {
    if (temporary_.empty()) return;
    TTemporaries& Known = Temporaries();
    const std::lock_guard<std::mutex> Hold(Known.Lock);
    std::remove(temporary_.c_str());
    Known.Names.erase(temporary_);
    temporary_.clear();
}

void RemoveTemporariesOnSignals(void (*AlsoOnSignal)(int)) {
    static std::once_flag Once;
    std::call_once(Once, [AlsoOnSignal] {
        sigset_t Signals;
        sigemptyset(&Signals);
        for (int Signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&Signals, Signal);
        pthread_sigmask(SIG_BLOCK, &Signals, nullptr);
        std::thread([Signals, AlsoOnSignal] {
            int Signal = 0;
            while (sigwait(&Signals, &Signal) != 0) {
            }
            if (AlsoOnSignal != nullptr) AlsoOnSignal(Signal);
            TTemporaries& Known = Temporaries();
            Known.Lock.lock();  // kept: nothing is made or put in place from here on
            for (const std::string& Name : Known.Names) ::unlink(Name.c_str());
            // The process ends by the signal, as it would have without us.
            std::signal(Signal, SIG_DFL);
            pthread_sigmask(SIG_UNBLOCK, &Signals, nullptr);
            std::raise(Signal);
            std::_Exit(128 + Signal);
        }).detach();
    });
}

void RemoveLeftTemporaries(const std::string& Dir) {
    DIR* Listing = opendir(Dir.empty() ? "." : Dir.c_str());
    if (Listing == nullptr) return;
    const long Own = static_cast<long>(::getpid());
    while (const dirent* Entry = readdir(Listing)) {
        const std::string_view Name(Entry->d_name);
        if (!Name.starts_with(TemporaryPrefix) || !Name.ends_with(TemporarySuffix)) continue;
        // ".corvanet-PID-N.tmp": the process that made it, if it is still there, owns it.
        char* End = nullptr;
        const long Pid = std::strtol(Entry->d_name + TemporaryPrefix.size(), &End, 10);
        if (Pid > 0 && Pid != Own && *End == '-' && ::kill(static_cast<pid_t>(Pid), 0) != 0 && errno == ESRCH)
            ::unlink((Dir + std::string(Name)).c_str());
    }
    closedir(Listing);
}

// ---- TOutputFile -------------------------------------------------------------

TOutputFile::~TOutputFile() { Discard(); }

void TOutputFile::Create(const std::string& Name) {
    if (file_ != nullptr) Close();
    name_ = Name;
    flushed_ = 0;
    temporary_.clear();
    // A directory in the way fails now, before anything is written; a device
    // or a pipe (/dev/null, /dev/stdout) is written in place, never replaced.
    struct stat Info {};
    const bool Exists = ::stat(Name.c_str(), &Info) == 0;
    if (Exists && S_ISDIR(Info.st_mode)) throw CorvanetError("Cannot create file " + Name + Reason(EISDIR));
    if (Exists && !S_ISREG(Info.st_mode)) {
        file_ = std::fopen(Name.c_str(), "wb");
        if (file_ == nullptr) throw CorvanetError("Cannot create file " + Name + Reason(errno));
    } else {
        TTemporaries& Known = Temporaries();
        const std::lock_guard<std::mutex> Hold(Known.Lock);
        // A name an earlier process of the same number left is passed over.
        for (int Tries = 0; file_ == nullptr && Tries < 100; ++Tries) {
            temporary_ = DirectoryOf(Name) + std::string(TemporaryPrefix) + std::to_string(::getpid()) + '-' +
                         std::to_string(Known.Next++) + std::string(TemporarySuffix);
            file_ = std::fopen(temporary_.c_str(), "wbx");
            if (file_ == nullptr && errno != EEXIST) break;
        }
        if (file_ == nullptr) {
            const int Error = errno;
            temporary_.clear();
            throw CorvanetError("Cannot create file " + Name + Reason(Error));
        }
        Known.Names.insert(temporary_);
    }
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
    std::swap(temporary_, Other.temporary_);
    std::swap(error_, Other.error_);
    std::swap(buffer_, Other.buffer_);
    std::swap(size_, Other.size_);
    std::swap(next_, Other.next_);
    std::swap(end_, Other.end_);
    std::swap(flushed_, Other.flushed_);
}

bool TOutputFile::WriteBuffer() noexcept {
    const auto used = static_cast<std::size_t>(next_ - buffer_.get());
    const bool ok = used == 0 || std::fwrite(buffer_.get(), 1, used, file_) == used;
    if (!ok) error_ = errno;
    flushed_ += used;
    next_ = buffer_.get();
    return ok;
}

void TOutputFile::WriteFailed() {
    const int Error = error_ != 0 ? error_ : EIO;
    Discard();
    throw CorvanetError("Cannot write file " + name_ + Reason(Error));
}

TFinishedFile TOutputFile::Finish() {
    if (file_ == nullptr) return {};
    error_ = 0;
    bool ok = WriteBuffer();
    if (std::fclose(std::exchange(file_, nullptr)) != 0 && ok) {
        ok = false;
        error_ = errno;
    }
    TFinishedFile Done(std::exchange(temporary_, {}), name_);
    if (!ok) {
        Done.Discard();
        WriteFailed();
    }
    return Done;
}

void TOutputFile::Close() { Finish().Publish(); }

void TOutputFile::Discard() noexcept {
    if (file_ == nullptr) return;
    std::fclose(std::exchange(file_, nullptr));
    TFinishedFile(std::exchange(temporary_, {}), name_).Discard();
}

char* TOutputFile::Room(std::size_t MaxBytes) {
    if (!WriteBuffer()) WriteFailed();
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
    std::string topic = std::string(CurrentUnit).append(Suffix);
    topic.insert(0, TopicPrefix);
    if (AsciiTopics) topic = AsciiContext(topic);
    HtmlDocument.Create(HtmlFileName);
    std::string Head(HtmlTitleOpen);
    if (Encoding) Head.insert(HtmlTitleOpen.find("<TITLE>"), HtmlCharsetMeta(*Encoding));
    Line(HtmlDocument, Head + EscapeHtml(FileNamePart(HtmlFileName)) + std::string(HtmlTitleClose));
    Line(HtmlDocument, HtmlBodyLine);
    Line(HtmlDocument, FormatHtmlToken(tsAnchor, topic));
    try {
        RtfDocument.Create(RtfFileName);
    } catch (...) {
        // The pair is not open, and the earlier page stays as it was.
        HtmlDocument.Discard();
        throw;
    }
    for (std::string_view s : RtfHeadLines) {
        // The topic names its code page: "{\rtf1\ansi\ansicpg1252 ...".
        if (Encoding && s == RtfHeadLines[0])
            Line(RtfDocument, std::string(s).insert(std::string_view("{\\rtf1\\ansi").size(),
                                                     "\\ansicpg" + std::to_string(Encoding->CodePage)));
        else
            Line(RtfDocument, s);
    }
    for (const std::string& s : ColourLines()) Line(RtfDocument, s);
    for (std::string_view s : RtfTailLines) Line(RtfDocument, s);
    std::string Title = EscapeRtf(CurrentUnit);
    if (Encoding) Title = EscapeRtfHighBytes(std::move(Title), *Encoding);
    Line(RtfDocument, FormatRtfToken(tsAnchor, topic) + std::string(RtfTitleOpen) + Title + std::string(RtfTitleClose));
}

void TDocuments::CloseDocuments() {
    if (RtfDocument.IsOpen()) Line(RtfDocument, RtfFooter);
    if (HtmlDocument.IsOpen()) Line(HtmlDocument, HtmlFooter);
    // Both are finished before either is put in place: a failed write of
    // either leaves both earlier documents as they were.
    TFinishedFile Rtf;
    try {
        Rtf = RtfDocument.Finish();
    } catch (...) {
        HtmlDocument.Discard();
        throw;
    }
    TFinishedFile Html = HtmlDocument.Finish();
    if (KeepFinished) {
        Finished.push_back(std::move(Rtf));
        Finished.push_back(std::move(Html));
        return;
    }
    Rtf.Publish();
    Html.Publish();
}

void TDocuments::DiscardDocuments() noexcept {
    for (int Pair = 1; Pair + 1 < static_cast<int>(slots_.size()); ++Pair) {
        Activate(Pair);
        RtfDocument.Discard();
        HtmlDocument.Discard();
    }
    Activate(0);
    RtfDocument.Discard();
    HtmlDocument.Discard();
    Reading = 0;
    if (slots_.size() > 2) slots_.resize(2);
    Finished.clear();
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
    char* const Rtf = RtfDocument.Reserve(Room + LineEnd.size());
    TTokenEnds Ends = WriteStyledToken(Rtf, HtmlDocument.Reserve(Room), Text, Style);
    // The escapes stay within the room reserved: at most six bytes per byte.
    if (Encoding && !Encoding->Ascii) Ends.Rtf = EscapeRtfHighBytes(Rtf, Ends.Rtf, *Encoding);
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
    char* const Start = RtfDocument.Reserve(Room + LineEnd.size());
    char* Rtf = WriteRtfToken(Start, Text, Caption, Target, Style);
    if (Encoding && !Encoding->Ascii) Rtf = EscapeRtfHighBytes(Start, Rtf, *Encoding);
    *Rtf++ = LineEnd[0];
    *Rtf++ = LineEnd[1];
    Counters.Bytes += RtfDocument.Commit(Rtf);
    Counters.Bytes += HtmlDocument.Commit(WriteHtmlToken(HtmlDocument.Reserve(Room), Text, Caption, Target, Style));
}

}  // namespace corvanet
