// The main window, TForm1: builds the widgets, keeps ProjectFile and BuildDir
// in step with the fields, persists the four field texts, and drives one run
// at a time through a fresh TRun. The reporter reaches the window synchronously
// and lets it repaint, so the progress bar and status line move during a run.
#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QStringDecoder>
#include <QVBoxLayout>

#include <chrono>
#include <exception>

#include "path_edits.h"
#include "pipeline.h"
#include "report.h"
#include "symbols.h"

namespace corvanet::gui {

namespace {

constexpr int ClientWidth = 538;
constexpr int ClientHeight = 406;
const char* const SettingsGroup = "TForm1";

QString DefinesOf(TDialect Dialect) {
    const std::string_view Text = DefaultDefines(Dialect);
    return QString::fromLatin1(Text.data(), static_cast<qsizetype>(Text.size()));
}

// The core's strings are bytes: UTF-8 where they are valid UTF-8, otherwise
// taken as Latin-1 so that no byte is lost from what the window shows.
QString FromCore(std::string_view Bytes) {
    const QByteArrayView View(Bytes.data(), static_cast<qsizetype>(Bytes.size()));
    QStringDecoder Decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString Text = Decoder(View);
    if (Decoder.hasError()) Text = QString::fromLatin1(View);
    return Text;
}

// A path typed in a field, in the file system's own encoding.
std::string PathBytes(const QString& Text) { return QFile::encodeName(Text).toStdString(); }

std::int64_t SteadyMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QFont ReportFont() {
    const QFont Fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!QFontDatabase::families().contains(QStringLiteral("Lucida Console"))) return Fixed;
    QFont Lucida(QStringLiteral("Lucida Console"));
    Lucida.setPointSizeF(Fixed.pointSizeF());
    return Lucida;
}

// Progress and status reach the window before the call returns; then the
// window handles its pending events, the only time it repaints during a run.
class TWindowReporter final : public TReporter {
public:
    explicit TWindowReporter(TForm1& Form) : form_(Form) {}

    void Progress(int Total, int Position) override {
        form_.pg->setValue(ProgressPercent(Total, Position));
        QCoreApplication::processEvents();
    }
    void Status(const std::string& StatusText) override {
        form_.SB->showMessage(FromCore(StatusText));
        QCoreApplication::processEvents();
    }
    // A failed help compiler's output shows in the box of the warning that
    // follows it, its last lines where it is long (a box does not scroll); a
    // successful one's is not shown.
    void Warning(const std::string& Text) override {
        QString Shown = FromCore(Text);
        if (!compilerOutput_.empty()) Shown += QStringLiteral("\n\n") + FromCore(compilerOutput_);
        compilerOutput_.clear();
        form_.ShowMessage(TMessageKind::Warning, Shown);
    }
    void Waiting() override { QCoreApplication::processEvents(); }
    void HelpCompilerOutput(const std::string& Text, bool Failed) override {
        constexpr std::size_t MaxShown = 4000;
        if (!Failed) return;
        compilerOutput_ = Text.size() <= MaxShown ? Text : "..." + Text.substr(Text.size() - MaxShown);
    }

private:
    TForm1& form_;
    std::string compilerOutput_;
};

}  // namespace

TForm1::TForm1(const QString& SettingsFile, QWidget* Parent)
    : QWidget(Parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      TickCount(SteadyMilliseconds),
      settingsFile_(SettingsFile),
      reporter_(std::make_unique<TWindowReporter>(*this)) {
    setWindowTitle(QStringLiteral("Corvanet - Beta 1"));
    CreateFields();
    CreateReportArea();
    ArrangeLayout();
    setFixedSize(ClientWidth, ClientHeight);

    connect(feProject, &TPathEdit::textChanged, this, &TForm1::feProjectChange);
    connect(feHCRTF, &TPathEdit::textChanged, this, &TForm1::feProjectChange);
    connect(deBuildLocation, &TPathEdit::textChanged, this, &TForm1::deBuildLocationChange);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    deBuildLocation->OnBeforeDialog = [this] { return deBuildLocationBeforeDialog(); };

    feProjectChange();
    deBuildLocationChange();
    LoadSettings();
}

TForm1::~TForm1() = default;

TReporter& TForm1::Reporter() { return *reporter_; }

void TForm1::CreateFields() {
    feProject = new TFilenameEdit(QStringLiteral("Delphi Project (*.dpr)"), this);
    deBuildLocation = new TDirectoryEdit(this);
    // A help compiler here is a script or a wrapper of any name.
    feHCRTF = new TFilenameEdit(QStringLiteral("HCRTF.EXE (hcrtf.exe);;All files (*)"), this);
    cbDialect = new QComboBox(this);
    for (const TDialect D : {TDialect::Modern, TDialect::Classic}) {
        const std::string_view Name = DialectName(D);
        cbDialect->addItem(QString::fromLatin1(Name.data(), static_cast<qsizetype>(Name.size())));
    }
    cbDialect->setCurrentIndex(DefaultDialect == TDialect::Modern ? 0 : 1);
    edtDefines = new QLineEdit(DefinesOf(DefaultDialect), this);
    connect(cbDialect, &QComboBox::currentIndexChanged, this, [this] { cbDialectChange(); });
    // Directories searched for include files, separated by ";".
    edtIncludePath = new QLineEdit(this);
    // Directories units named without `in` are looked up in, separated by ";".
    edtSearchPath = new QLineEdit(this);
    Button1 = new QPushButton(QStringLiteral("Process"), this);
    QFont Bold = Button1->font();
    Bold.setBold(true);
    Button1->setFont(Bold);

    setTabOrder(feProject->Edit(), deBuildLocation->Edit());
    setTabOrder(deBuildLocation->Edit(), feHCRTF->Edit());
    setTabOrder(feHCRTF->Edit(), cbDialect);
    setTabOrder(cbDialect, edtDefines);
    setTabOrder(edtDefines, edtIncludePath);
    setTabOrder(edtIncludePath, edtSearchPath);
    setTabOrder(edtSearchPath, Button1);
}

void TForm1::CreateReportArea() {
    lbSymbol = new QLabel(this);
    lbSymbol->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setFont(ReportFont());
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabOrder(Button1, Memo1);
    pg = new QProgressBar(this);
    pg->setRange(0, 100);
    pg->setValue(0);
    pg->setTextVisible(true);
    pg->setFormat(QStringLiteral("%p%"));
    SB = new QStatusBar(this);
    SB->setSizeGripEnabled(false);
}

void TForm1::ArrangeLayout() {
    auto* Fields = new QGridLayout;
    Fields->setHorizontalSpacing(8);
    Fields->setVerticalSpacing(4);
    const auto AddRow = [&](int Row, const char* Label, QWidget* Field, int Span) {
        Fields->addWidget(new QLabel(QString::fromLatin1(Label), this), Row, 0);
        Fields->addWidget(Field, Row, 1, 1, Span);
    };
    AddRow(0, "Project File", feProject, 2);
    AddRow(1, "Build Location", deBuildLocation, 2);
    AddRow(2, "HCRTF Location", feHCRTF, 2);
    AddRow(3, "Dialect", cbDialect, 1);
    AddRow(4, "Conditional Defines", edtDefines, 1);
    AddRow(5, "Include Path", edtIncludePath, 1);
    AddRow(6, "Search Path", edtSearchPath, 1);
    Fields->addWidget(Button1, 4, 2);
    Fields->addWidget(lbSymbol, 7, 0, 1, 3);
    Fields->setColumnStretch(1, 1);

    auto* Bottom = new QHBoxLayout;
    Bottom->setContentsMargins(0, 0, 0, 0);
    Bottom->setSpacing(2);
    pg->setFixedWidth(160);
    Bottom->addWidget(pg);
    Bottom->addWidget(SB, 1);

    auto* Main = new QVBoxLayout(this);
    Main->setContentsMargins(8, 8, 8, 2);
    Main->setSpacing(6);
    Main->addLayout(Fields);
    Main->addWidget(Memo1, 1);
    Main->addLayout(Bottom);
}

void TForm1::feProjectChange() {
    // Either field's change reads the project field: the help compiler field
    // shares this handler.
    ProjectFile = ProjectPathTyped();
}

// The classic window reads every project as a .dpr; the modern one keeps the
// extension chosen (.dpr, .dpk, .lpr).
std::string TForm1::ProjectPathTyped() const {
    std::string Typed = PathBytes(feProject->text());
    if (Dialect() == TDialect::Classic) return ReplaceExtension(Typed, "dpr");
    if (Typed.size() >= 2 && Typed.front() == '"' && Typed.back() == '"') Typed = Typed.substr(1, Typed.size() - 2);
    return Typed;
}

void TForm1::deBuildLocationChange() { BuildDir = PathBytes(deBuildLocation->text()) + "/"; }

TDialect TForm1::Dialect() const {
    return DialectNamed(cbDialect->currentText().toStdString()).value_or(DefaultDialect);
}

void TForm1::cbDialectChange() {
    const TDialect Now = Dialect();
    const TDialect Other = Now == TDialect::Classic ? TDialect::Modern : TDialect::Classic;
    if (edtDefines->text() == DefinesOf(Other)) edtDefines->setText(DefinesOf(Now));
    feProjectChange();  // the project's extension depends on the dialect
}

QString TForm1::deBuildLocationBeforeDialog() const {
    return lastProjectDir_.isEmpty() ? QDir::currentPath() : lastProjectDir_;
}

void TForm1::Button1Click() {
    if (running_ || !BuildLocationGiven()) return;
    SetRunning(true);
    Memo1->clear();
    SB->showMessage(QStringLiteral("Processing ..."));
    ExecuteRun();
    SetRunning(false);
    if (closeRequested_) close();
}

bool TForm1::BuildLocationGiven() {
    // An empty location would make every document a file in the root folder.
    if (!deBuildLocation->text().trimmed().isEmpty()) return true;
    ShowMessage(TMessageKind::Error,
                QStringLiteral("The Build Location is empty: choose the folder the documents "
                               "are written to. Nothing was written."));
    return false;
}

void TForm1::ExecuteRun() {
    const std::int64_t Start = TickCount();
    const std::string ProjectPath = ProjectPathTyped();
    // A run starts in the project's folder, so the build location's dialog opens there afterwards.
    lastProjectDir_ = QFileInfo(QFile::decodeName(ProjectPath.c_str())).absolutePath();
    try {
        // Each run has its own state, released when the run ends, whatever the outcome.
        auto Run = std::make_unique<TRun>(*reporter_);
        Run->ProjectFile = ProjectFile;
        Run->BuildDir = BuildDir;
        Run->HelpCompiler = PathBytes(feHCRTF->text());
        Run->Dialect = Dialect();
        for (const QString& Dir : edtIncludePath->text().split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!Dir.trimmed().isEmpty()) Run->IncludePath.push_back(PathBytes(Dir.trimmed()));
        for (const QString& Dir : edtSearchPath->text().split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!Dir.trimmed().isEmpty()) Run->UnitPath.push_back(PathBytes(Dir.trimmed()));
        Run->Execute(ProjectPath, edtDefines->text().toStdString());
        const TReport Report = BuildReport(Run->Symbols, Run->LexicalStops, Run->ReportNotes());
        QStringList Lines;
        Lines.reserve(static_cast<qsizetype>(Report.Lines.size()));
        for (const std::string& Line : Report.Lines) Lines.append(FromCore(Line));
        Memo1->setPlainText(Lines.join(QLatin1Char('\n')));
        lbSymbol->setText(FromCore(SymbolCountText(Report.Count)));
        Run->Symbols.DestroyUnitList();
        SB->showMessage(QStringLiteral("Time Taken: ") +
                        FromCore(FormatElapsed(TickCount() - Start)));
    } catch (const std::exception& Error) {
        ShowMessage(TMessageKind::Error, FromCore(Error.what()));
    }
}

void TForm1::SetRunning(bool Running) {
    running_ = Running;
    for (QWidget* Control : {static_cast<QWidget*>(feProject), static_cast<QWidget*>(deBuildLocation),
                             static_cast<QWidget*>(feHCRTF), static_cast<QWidget*>(cbDialect),
                             static_cast<QWidget*>(edtDefines), static_cast<QWidget*>(edtIncludePath),
                             static_cast<QWidget*>(edtSearchPath), static_cast<QWidget*>(Button1)})
        Control->setEnabled(!Running);
}

void TForm1::ShowMessage(TMessageKind Kind, const QString& Text) {
    if (MessageHook) {
        MessageHook(Kind, Text);
        return;
    }
    const bool IsWarning = Kind == TMessageKind::Warning;
    QMessageBox Box(IsWarning ? QMessageBox::Warning : QMessageBox::Critical,
                    IsWarning ? QStringLiteral("Warning") : QStringLiteral("Error"), Text,
                    QMessageBox::Ok, this);
    Box.exec();
}

std::unique_ptr<QSettings> TForm1::OpenSettings() const {
    if (settingsFile_.isEmpty())
        return std::make_unique<QSettings>(QStringLiteral("Corvanet"), QStringLiteral("corvanet"));
    return std::make_unique<QSettings>(settingsFile_, QSettings::IniFormat);
}

void TForm1::LoadSettings() {
    const auto Settings = OpenSettings();
    Settings->beginGroup(QString::fromLatin1(SettingsGroup));
    const auto Restore = [&](const char* Key, auto* Field) {
        const QString Name = QString::fromLatin1(Key);
        if (Settings->contains(Name)) Field->setText(Settings->value(Name).toString());
    };
    Restore("feProject", feProject);
    Restore("deBuildLocation", deBuildLocation);
    Restore("feHCRTF", feHCRTF);
    // The dialect first: its change would otherwise replace a restored default.
    const QString DialectKey = QStringLiteral("cbDialect");
    if (Settings->contains(DialectKey)) {
        const int Index = cbDialect->findText(Settings->value(DialectKey).toString());
        if (Index >= 0) cbDialect->setCurrentIndex(Index);
    }
    Restore("edtDefines", edtDefines);
    Restore("edtIncludePath", edtIncludePath);
    Restore("edtSearchPath", edtSearchPath);
    // A restored text equal to the current one sends no change: run the
    // handlers anyway so the run's settings match the fields.
    feProjectChange();
    deBuildLocationChange();
}

void TForm1::SaveSettings() const {
    const auto Settings = OpenSettings();
    Settings->beginGroup(QString::fromLatin1(SettingsGroup));
    Settings->setValue(QStringLiteral("feProject"), feProject->text());
    Settings->setValue(QStringLiteral("deBuildLocation"), deBuildLocation->text());
    Settings->setValue(QStringLiteral("feHCRTF"), feHCRTF->text());
    Settings->setValue(QStringLiteral("cbDialect"), cbDialect->currentText());
    Settings->setValue(QStringLiteral("edtDefines"), edtDefines->text());
    Settings->setValue(QStringLiteral("edtIncludePath"), edtIncludePath->text());
    Settings->setValue(QStringLiteral("edtSearchPath"), edtSearchPath->text());
    Settings->endGroup();
    Settings->sync();
}

void TForm1::closeEvent(QCloseEvent* Event) {
    if (running_) {
        // The run cannot be cut short safely; the window closes when it ends.
        closeRequested_ = true;
        Event->ignore();
        return;
    }
    SaveSettings();
    Event->accept();
}

}  // namespace corvanet::gui
