// The last step of a run: the help project and contents file that tie the RTF
// topics into a help file, the help compiler started on them, and the two frame
// pages around the HTML documents. Each file is written whole, every line ended
// by CR LF. The RTF topics and the help project are deleted only after the
// compiler has ended successfully; otherwise the user needs them to compile.
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "documents.h"
#include "pipeline.h"
#include "platform.h"
#include "render.h"
#include "symbols.h"

namespace corvanet {
namespace {

constexpr std::string_view kStatusText = "Creating Help Project and HTML Frame ...";
constexpr std::string_view kCompileFailed = "Failed to compile Help Project\nPlease Compile manually";
constexpr std::string_view kNoCompilerBefore = "No help compiler given: compile ";
constexpr std::string_view kNoCompilerAfter = " by hand";

constexpr std::string_view kLineEnd = "\r\n";
// The 0xE8 is the "e grave" of the Windows Western code page, kept as one byte.
constexpr std::string_view kHelpProjectComment = "; cette fichier est cre\xE8 par brask";
constexpr std::string_view kHelpWindow = "main=\"\", , 0,(0,0,128),(192,192,192),  ;";
constexpr std::string_view kFramesetOpen = "<frameset  cols=\"15%,*\">1";
constexpr std::string_view kContentsBody =
    "<BODY BGCOLOR=\"#00007F\" VLINK=\"#FFFF00\" LINK=\"#FFFF00\"><FONT COLOR=\"#FFFF00\">";

// Collects the lines of one file; Text() ends each of them with CR LF.
class TLines {
public:
    template <typename... Parts>
    void Add(const Parts&... Part) {
        (text_.append(Part), ...);
        text_.append(kLineEnd);
    }
    const std::string& Text() const noexcept { return text_; }

private:
    std::string text_;
};

// "2 %s=Unit_%0:s": a topic of the contents file under its context string
// (in the modern dialect ASCII, as the topic's own).
void AddContentsTopic(TLines& Lines, std::string_view Name, TDialect Dialect) {
    Lines.Add("2 ", Name, "=Unit_", Dialect == TDialect::Modern ? AsciiContext(Name) : std::string(Name));
}

void AddFrame(TLines& Lines, std::string_view Page, std::string_view FrameName) {
    Lines.Add("  <frame src=\"", EscapeHtmlAttribute(PercentEncodePage(Page)),
              "\" marginwidth=\"10\" marginheight=\"10\" scrolling=\"auto\" frameborder=\"yes\" name=\"",
              FrameName, "\">");
}

// "<A HREF = "%s" TARGET = "main">%s</A>" followed by the line's own ending.
void AddPageLink(TLines& Lines, std::string_view Page, std::string_view Caption,
                 std::string_view After) {
    Lines.Add("<A HREF = \"", EscapeHtmlAttribute(PercentEncodePage(Page)), "\" TARGET = \"main\">",
              EscapeHtml(Caption), "</A>", After);
}

// P is the project file's name, H the help project's.
using TIncludes = std::vector<TRun::TIncludeFile>;

std::string HelpProjectText(const std::string& P, const std::string& H,
                            const std::vector<TURElm>& Units, const TIncludes& Includes) {
    TLines Lines;
    Lines.Add(kHelpProjectComment);
    Lines.Add();
    Lines.Add("[OPTIONS]");
    Lines.Add("LCID=0x409");
    Lines.Add("HLP=.\\", ReplaceExtension(H, "hlp"));
    Lines.Add("CNT=.\\", ReplaceExtension(H, "cnt"));
    Lines.Add();
    Lines.Add("[WINDOWS]");
    Lines.Add(kHelpWindow);
    Lines.Add();
    Lines.Add("[FILES]");
    for (const TURElm& Unit : Units) Lines.Add(Unit.Page, ".rtf");
    for (const TRun::TIncludeFile& Include : Includes) Lines.Add(Include.Page, ".rtf");
    Lines.Add(ReplaceExtension(P, "rtf"));
    return Lines.Text();
}

std::string ContentsFileText(const std::string& ProjectFile, const std::string& P,
                             const std::string& H, const std::vector<TURElm>& Units,
                             const TIncludes& Includes, TDialect Dialect) {
    TLines Lines;
    Lines.Add(":Base ", ReplaceExtension(H, "hlp"));
    Lines.Add(":Title Project ", ProjectFile);
    Lines.Add("1 Project");
    AddContentsTopic(Lines, ReplaceExtension(P, ""), Dialect);
    Lines.Add("1 Units");
    for (const TURElm& Unit : Units) AddContentsTopic(Lines, Unit.Page, Dialect);
    if (!Includes.empty()) Lines.Add("1 Include files");
    for (const TRun::TIncludeFile& Include : Includes) AddContentsTopic(Lines, Include.Page, Dialect);
    return Lines.Text();
}

// The classic frameset line ends in a stray "1", kept byte for byte; the
// modern dialect leaves it out.
std::string FramesetText(const std::string& P, const std::string& H, TDialect Dialect,
                         const std::string& Meta) {
    TLines Lines;
    Lines.Add("<HEAD>", Meta, "<TITLE>Project: ", EscapeHtml(P), "</TITLE></HEAD>");
    Lines.Add(Dialect == TDialect::Classic ? kFramesetOpen : kFramesetOpen.substr(0, kFramesetOpen.size() - 1));
    AddFrame(Lines, "content.html", "content");
    AddFrame(Lines, ReplaceExtension(H, "html"), "main");
    Lines.Add("</frameset>");
    return Lines.Text();
}

std::string ContentsPageText(const std::string& P, const std::string& H,
                             const std::vector<TURElm>& Units, const TIncludes& Includes,
                             const std::string& Meta) {
    TLines Lines;
    if (!Meta.empty()) Lines.Add("<HEAD>", Meta, "</HEAD>");
    Lines.Add(kContentsBody);
    Lines.Add("<H3>Project</H3>");
    AddPageLink(Lines, ReplaceExtension(H, "html"), P, "<BR><BR>");
    Lines.Add("<H3>Units</H3>");
    for (const TURElm& Unit : Units) AddPageLink(Lines, Unit.Page + ".html", Unit.Name + ".pas", "<BR>");
    if (!Includes.empty()) Lines.Add("<BR><H3>Include files</H3>");
    for (const TRun::TIncludeFile& Include : Includes)
        AddPageLink(Lines, Include.Page + ".html", FileNamePart(Include.Path), "<BR>");
    return Lines.Text();
}

// The compiler's path as typed; a pair of surrounding double quotes, as a
// Windows user writes a path with blanks, is not part of it.
std::string CompilerProgram(const std::string& Typed) {
    if (Typed.size() >= 2 && Typed.front() == '"' && Typed.back() == '"')
        return Typed.substr(1, Typed.size() - 2);
    return Typed;
}

// Once the compiler has succeeded: its inputs go, the contents file, the compiled
// help file and the HTML pages stay. A file that cannot be deleted stays too.
void DeleteCompilerInputs(const std::string& BuildDir, const std::string& P, const std::string& H,
                          const std::vector<TURElm>& Units, const TIncludes& Includes) {
    std::error_code Ignored;
    for (const TURElm& Unit : Units) std::filesystem::remove(BuildDir + Unit.Page + ".rtf", Ignored);
    for (const TRun::TIncludeFile& Include : Includes)
        std::filesystem::remove(BuildDir + Include.Page + ".rtf", Ignored);
    std::filesystem::remove(BuildDir + H, Ignored);
    std::filesystem::remove(BuildDir + ReplaceExtension(P, "rtf"), Ignored);
}

// Why a compiler that did start made no help file, and where its inputs are.
std::string CompilerFailure(const TProgramOutcome& Outcome, int TimeoutSeconds, const std::string& BuildDir) {
    std::string Why = "help compiler ";
    if (Outcome.End == TProgramOutcome::Exited)
        Why += "exited with status " + std::to_string(Outcome.Code);
    else if (Outcome.End == TProgramOutcome::Signalled)
        Why += "was killed by signal " + std::to_string(Outcome.Code);
    else
        Why += "did not finish within " + std::to_string(TimeoutSeconds) +
               (TimeoutSeconds == 1 ? " second" : " seconds");
    std::string Dir = BuildDir;
    if (Dir.size() > 1 && Dir.back() == '/') Dir.pop_back();
    return Why + "; the help project and topics are kept in " + Dir;
}

}  // namespace

void TRun::WriteTextFile(const std::string& Name, const std::string& Text) {
    RefuseSourceFile(BuildDir + Name);
    TOutputFile File;
    File.Create(BuildDir + Name);
    File.WriteText(Text);
    File.Close();
}

void TRun::WriteHelpProject() {
    ReportStatus(std::string(kStatusText));
    ReportProgress(4, 0);
    const std::string P(FileNamePart(ProjectFile));
    const std::string H = ReplaceExtension(P, "hpj");
    const std::vector<TURElm>& Units = Symbols.UnitList();

    WriteTextFile(H, HelpProjectText(P, H, Units, IncludeFiles));
    ReportProgress(4, 1);
    WriteTextFile(ReplaceExtension(H, "cnt"), ContentsFileText(ProjectFile, P, H, Units, IncludeFiles, Dialect));

    // The frame pages come before the compiler, so the pages are whole
    // whatever becomes of it. They declare the project file's encoding (the
    // modern dialect).
    const std::string Meta = projectEncoding_ ? HtmlCharsetMeta(*projectEncoding_) : std::string();
    WriteTextFile("index.html", FramesetText(P, H, Dialect, Meta));
    ReportProgress(4, 2);
    WriteTextFile("content.html", ContentsPageText(P, H, Units, IncludeFiles, Meta));
    ReportProgress(4, 3);

    const std::string HelpProjectPath = BuildDir + H;
    const std::string Program = CompilerProgram(HelpCompiler);
    if (Program.empty()) {
        ReportStatus(std::string(kNoCompilerBefore) + HelpProjectPath + std::string(kNoCompilerAfter));
    } else {
        const TProgramOutcome Outcome =
            RunProgram(Program, {"-x", HelpProjectPath}, [this] { reporter_.Waiting(); }, HelpCompilerTimeout);
        if (!Outcome.Output.empty() && Outcome.End != TProgramOutcome::NotStarted)
            reporter_.HelpCompilerOutput(Outcome.Output, !Outcome.Succeeded());
        if (Outcome.Succeeded()) {
            DeleteCompilerInputs(BuildDir, P, H, Units, IncludeFiles);
        } else {
            // No help file was made: the user needs its inputs to compile it.
            if (Outcome.End == TProgramOutcome::NotStarted)
                reporter_.Warning(std::string(kCompileFailed));
            else
                Warn(HelpProjectPath, 0, CompilerFailure(Outcome, HelpCompilerTimeout, BuildDir));
            Incomplete = true;
        }
    }
    ReportProgress(4, 4);
    ReportProgress(4, 0);
}

}  // namespace corvanet
