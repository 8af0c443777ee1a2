// The window driven as a user would: progress and status during a run, the
// report and label after it, errors and refusals in (captured) message boxes,
// the field handlers, drops on the build location and the persisted fields.
// Runs offscreen; no box ever blocks, the message hook records instead.
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "main_window.h"
#include "path_edits.h"
#include "pipeline.h"
#include "report.h"

using corvanet::gui::TForm1;
using corvanet::gui::TMessageKind;

namespace {

void WriteFile(const QString& Path, const char* Text) {
    QFile File(Path);
    QVERIFY(File.open(QIODevice::WriteOnly));
    File.write(Text);
}

// A project of one unit: a constant and a class with two methods.
void WriteTinyProject(const QDir& Dir, const char* Uses = "Alpha in 'alpha.pas'") {
    const QByteArray Project = QByteArray("program tiny;\r\nuses\r\n  ") + Uses +
                               ";\r\nbegin\r\nend.\r\n";
    WriteFile(Dir.filePath("tiny.dpr"), Project.constData());
    WriteFile(Dir.filePath("alpha.pas"),
              "unit Alpha;\r\ninterface\r\nconst\r\n  Limit = 10;\r\ntype\r\n"
              "  TShape = class\r\n    procedure Draw;\r\n    function Area: Integer;\r\n"
              "  end;\r\nimplementation\r\nprocedure TShape.Draw;\r\nbegin\r\nend;\r\n"
              "function TShape.Area: Integer;\r\nbegin\r\n  Result := Limit;\r\nend;\r\nend.\r\n");
    QVERIFY(Dir.mkpath("out"));
}

// A silent reporter for the reference run the window's report is compared with.
class TQuietReporter final : public corvanet::TReporter {
public:
    void Progress(int, int) override {}
    void Status(const std::string&) override {}
    void Warning(const std::string&) override {}
};

// The report the core itself gives for a project, as the memo should show it.
std::pair<QString, int> CoreReport(const QString& ProjectPath, const QString& BuildLocation) {
    TQuietReporter Reporter;
    corvanet::TRun Run(Reporter);
    Run.ProjectFile = ProjectPath.toStdString();
    Run.BuildDir = BuildLocation.toStdString() + "/";
    // What a fresh window reads with: the default dialect and its defines.
    Run.Dialect = corvanet::DefaultDialect;
    Run.Execute(Run.ProjectFile, std::string(corvanet::DefaultDefines(Run.Dialect)));
    const corvanet::TReport Report = corvanet::BuildReport(Run.Symbols, Run.LexicalStops);
    QStringList Lines;
    for (const std::string& Line : Report.Lines) Lines.append(QString::fromStdString(Line));
    return {Lines.join('\n'), Report.Count};
}

struct TMessage {
    TMessageKind Kind;
    QString Text;
};

}  // namespace

class TForm1Test : public QObject {
    Q_OBJECT

private:
    QTemporaryDir temp_;
    std::vector<TMessage> messages_;

    // A window over a settings file of its own, recording its message boxes.
    std::unique_ptr<TForm1> NewForm() {
        auto Form = std::make_unique<TForm1>(temp_.filePath("settings.ini"));
        Form->MessageHook = [this](TMessageKind Kind, const QString& Text) {
            messages_.push_back({Kind, Text});
        };
        return Form;
    }
    void FillFields(TForm1& Form, const QString& Project, const QString& Build) {
        Form.feProject->setText(Project);
        Form.deBuildLocation->setText(Build);
    }
    void VerifyIdle(const TForm1& Form) {
        QVERIFY(!Form.Running());
        QVERIFY(Form.Button1->isEnabled());
        QVERIFY(Form.feProject->isEnabled());
        QVERIFY(Form.deBuildLocation->isEnabled());
        QVERIFY(Form.feHCRTF->isEnabled());
        QVERIFY(Form.edtDefines->isEnabled());
    }

private slots:
    void init() {
        messages_.clear();
        QFile::remove(temp_.filePath("settings.ini"));
    }

    void padColumn_data() {
        QTest::addColumn<QString>("Text");
        QTest::addColumn<QString>("Padded");
        QTest::newRow("empty") << "" << QString(20, ' ');
        QTest::newRow("short") << "Unit" << "Unit" + QString(16, ' ');
        QTest::newRow("exact") << QString(20, 'x') << QString(20, 'x');
        QTest::newRow("longer is not cut") << QString(25, 'y') << QString(25, 'y');
    }
    void padColumn() {
        QFETCH(QString, Text);
        QFETCH(QString, Padded);
        QCOMPARE(QString::fromStdString(corvanet::PadColumn(Text.toStdString())), Padded);
    }

    void progressThroughWindow_data() {
        QTest::addColumn<int>("Total");
        QTest::addColumn<int>("Position");
        QTest::addColumn<int>("Shown");
        QTest::newRow("1 of 3") << 3 << 1 << 33;
        QTest::newRow("2 of 3") << 3 << 2 << 66;
        QTest::newRow("total 0") << 0 << 5 << 0;
        QTest::newRow("total negative") << -2 << 1 << 0;
        QTest::newRow("4 of 4") << 4 << 4 << 100;
    }
    void progressThroughWindow() {
        QFETCH(int, Total);
        QFETCH(int, Position);
        QFETCH(int, Shown);
        auto Form = NewForm();
        Form->pg->setValue(50);
        Form->Reporter().Progress(Total, Position);
        QCOMPARE(Form->pg->value(), Shown);
        QCOMPARE(Form->pg->text(), QString::number(Shown) + '%');
    }

    void statusAndWarningReachWindow() {
        auto Form = NewForm();
        Form->Reporter().Status("Building Symbol Table ...");
        QCOMPARE(Form->SB->currentMessage(), QString("Building Symbol Table ..."));
        Form->Reporter().Warning("The help compiler could not be started");
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0].Kind, TMessageKind::Warning);
        QCOMPARE(messages_[0].Text, QString("The help compiler could not be started"));
        // A help compiler's output shows only when it failed, in its warning's box.
        Form->Reporter().HelpCompilerOutput("compiled 2 topics\n", false);
        Form->Reporter().Warning("unrelated");
        Form->Reporter().HelpCompilerOutput("p.rtf: bad topic\n", true);
        Form->Reporter().Warning("out/p.hpj: help compiler exited with status 3");
        QCOMPARE(messages_.size(), std::size_t{3});
        QCOMPARE(messages_[1].Text, QString("unrelated"));
        QCOMPARE(messages_[2].Text, QString("out/p.hpj: help compiler exited with status 3\n\np.rtf: bad topic\n"));
    }

    void fieldHandlers_data() {
        QTest::addColumn<QString>("Project");
        QTest::addColumn<QString>("Location");
        QTest::addColumn<QString>("ProjectFile");
        QTest::addColumn<QString>("BuildDir");
        QTest::newRow("plain") << "src/demo.dpr" << "out" << "src/demo.dpr" << "out/";
        QTest::newRow("package") << "src/demo.dpk" << "out/" << "src/demo.dpk" << "out//";
        QTest::newRow("quoted") << "\"a b/demo.dpr\"" << "/tmp/x" << "a b/demo.dpr" << "/tmp/x/";
        QTest::newRow("empty") << "" << "" << "" << "/";
    }
    void fieldHandlers() {
        QFETCH(QString, Project);
        QFETCH(QString, Location);
        QFETCH(QString, ProjectFile);
        QFETCH(QString, BuildDir);
        auto Form = NewForm();
        FillFields(*Form, Project, Location);
        QCOMPARE(QString::fromStdString(Form->ProjectFile), ProjectFile);
        QCOMPARE(QString::fromStdString(Form->BuildDir), BuildDir);
        // The help compiler field shares the project field's handler.
        Form->ProjectFile = "stale";
        Form->feHCRTF->setText("hcrtf");
        QCOMPARE(QString::fromStdString(Form->ProjectFile), ProjectFile);
    }

    void windowShapeAndTabOrder() {
        auto Form = NewForm();
        QCOMPARE(Form->size(), QSize(538, 406));
        QCOMPARE(Form->minimumSize(), Form->maximumSize());
        QCOMPARE(Form->windowTitle(), QString("Corvanet - Beta 1"));
        QVERIFY(Form->Button1->font().bold());
        QVERIFY(!Form->SB->isSizeGripEnabled());
        // A fresh window reads today's Delphi with Delphi 13's defines; choosing
        // the classic dialect brings its defines while the field holds the default.
        QCOMPARE(Form->cbDialect->currentText(), QString("modern"));
        QVERIFY(Form->edtDefines->text().startsWith("MSWINDOWS;WIN32;CPUX86;"));
        Form->cbDialect->setCurrentText("classic");
        QCOMPARE(Form->edtDefines->text(), QString("WIN32;VER100"));
        const std::vector<QWidget*> Order = {Form->feProject->Edit(), Form->deBuildLocation->Edit(),
                                             Form->feHCRTF->Edit(),   Form->cbDialect,
                                             Form->edtDefines,        Form->edtIncludePath,
                                             Form->edtSearchPath,     Form->Button1};
        for (std::size_t I = 0; I + 1 < Order.size(); ++I) {
            QWidget* Next = Order[I]->nextInFocusChain();
            while (Next != Order[I + 1] && !(Next->focusPolicy() & Qt::TabFocus))
                Next = Next->nextInFocusChain();
            QCOMPARE(Next, Order[I + 1]);
        }
    }

    void wholeRunOnDemo() {
        const QString Demo = QStringLiteral(CORVANET_SOURCE_DIR "/examples/demo/demo.dpr");
        QVERIFY2(QFile::exists(Demo), "examples/demo/demo.dpr is missing");
        QTemporaryDir Out;
        QVERIFY(QDir(Out.path()).mkpath("core"));
        const auto [Expected, Count] = CoreReport(Demo, Out.filePath("core"));
        auto Form = NewForm();
        FillFields(*Form, Demo, Out.path());
        QStringList Statuses;
        std::vector<int> Progress;
        bool DisabledWhileRunning = true;
        connect(Form->SB, &QStatusBar::messageChanged, this, [&](const QString& Text) {
            Statuses.append(Text);
            DisabledWhileRunning = DisabledWhileRunning && !Form->Button1->isEnabled() &&
                                   !Form->feProject->isEnabled() && !Form->edtDefines->isEnabled();
        });
        connect(Form->pg, &QProgressBar::valueChanged, this, [&](int V) { Progress.push_back(V); });
        Form->Button1->click();

        for (const TMessage& M : messages_) QVERIFY2(M.Kind != TMessageKind::Error, qPrintable(M.Text));
        QCOMPARE(Form->Memo1->toPlainText(), Expected);
        QVERIFY(Count > 0);
        QCOMPARE(Form->lbSymbol->text(), QString("%1 symbols scanned").arg(Count));
        QVERIFY(Form->SB->currentMessage().startsWith("Time Taken: "));
        QVERIFY(Statuses.size() >= 6);
        QCOMPARE(Statuses.mid(0, 5), QStringList({"Processing ...", "Scanning Project File ...",
                                                  "Building Symbol Table ...",
                                                  "Generating RTF and HTML ...",
                                                  "Creating Help Project and HTML Frame ..."}));
        QVERIFY(DisabledWhileRunning);
        QVERIFY(std::find(Progress.begin(), Progress.end(), 100) != Progress.end());
        QVERIFY(QFile::exists(Out.filePath("demo.html")));
        QVERIFY(QFile::exists(Out.filePath("index.html")));
        VerifyIdle(*Form);
    }

    void reportAndElapsedTime() {
        const QDir Dir(temp_.path());
        WriteTinyProject(Dir);
        auto Form = NewForm();
        int Calls = 0;
        Form->TickCount = [&Calls] { return Calls++ == 0 ? 1000 : 62500; };
        FillFields(*Form, Dir.filePath("tiny.dpr"), Dir.filePath("out"));
        Form->Button1Click();
        QCOMPARE(Form->SB->currentMessage(), QString("Time Taken: 00:01:01"));
        const QStringList Lines = Form->Memo1->toPlainText().split('\n');
        QCOMPARE(Lines.value(1), QString(80, '-'));
        // The window reads modern: the unit is named as written before `in`.
        QVERIFY(Lines.value(2).startsWith("Alpha:alpha.pas"));
        QCOMPARE(Form->lbSymbol->text(), QString("5 symbols scanned"));
        QVERIFY(QFile::exists(Dir.filePath("out/Alpha.html")));
        VerifyIdle(*Form);
    }

    void missingUnitShowsErrorAndRecovers() {
        const QDir Dir(temp_.path());
        WriteTinyProject(Dir, "Gone in 'gone.pas'");
        auto Form = NewForm();
        FillFields(*Form, Dir.filePath("tiny.dpr"), Dir.filePath("out"));
        // The modern dialect goes on without the unit, with a warning.
        Form->Button1->click();
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0].Kind, TMessageKind::Warning);
        QVERIFY2(messages_[0].Text.contains("Cannot open file "), qPrintable(messages_[0].Text));
        QVERIFY(Form->Memo1->toPlainText().contains("Left out: Gone (gone.pas)"));
        messages_.clear();
        // The classic dialect stops.
        Form->cbDialect->setCurrentText("classic");
        Form->lbSymbol->setText("earlier");
        Form->Button1->click();
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0].Kind, TMessageKind::Error);
        QVERIFY2(messages_[0].Text.startsWith("Cannot open file "), qPrintable(messages_[0].Text));
        QVERIFY(messages_[0].Text.contains("gone.pas"));
        QVERIFY(Form->Memo1->toPlainText().isEmpty());
        QCOMPARE(Form->lbSymbol->text(), QString("earlier"));
        VerifyIdle(*Form);
        // The window is ready for the next run, which now succeeds.
        WriteTinyProject(Dir);
        Form->Button1->click();
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(Form->lbSymbol->text(), QString("5 symbols scanned"));
    }

    void emptyBuildLocationRefused_data() {
        QTest::addColumn<QString>("Location");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
    }
    void emptyBuildLocationRefused() {
        QFETCH(QString, Location);
        const QDir Dir(temp_.path());
        WriteTinyProject(Dir);
        auto Form = NewForm();
        FillFields(*Form, Dir.filePath("tiny.dpr"), Location);
        Form->Button1->click();
        QCOMPARE(messages_.size(), std::size_t{1});
        QVERIFY(messages_[0].Text.contains("Build Location is empty"));
        QVERIFY(Form->SB->currentMessage().isEmpty());
        QVERIFY(!QFile::exists("/tiny.html"));
        QVERIFY(!QFile::exists(Location + "/tiny.html"));
        VerifyIdle(*Form);
    }

    void closeWaitsForRun() {
        const QDir Dir(temp_.path());
        WriteTinyProject(Dir);
        auto Form = NewForm();
        FillFields(*Form, Dir.filePath("tiny.dpr"), Dir.filePath("out"));
        Form->show();
        bool OpenAfterClose = false;
        connect(Form->SB, &QStatusBar::messageChanged, this, [&](const QString& Text) {
            if (Text != "Building Symbol Table ...") return;
            Form->close();
            OpenAfterClose = Form->isVisible();
        });
        Form->Button1Click();
        QVERIFY(OpenAfterClose);
        QVERIFY(!Form->isVisible());
        QCOMPARE(Form->lbSymbol->text(), QString("5 symbols scanned"));
        // Closing saved the fields.
        auto Reopened = NewForm();
        QCOMPARE(Reopened->feProject->text(), Dir.filePath("tiny.dpr"));
    }

    void buildLocationDialogStartsInProjectFolder() {
        const QDir Dir(temp_.path());
        WriteTinyProject(Dir);
        auto Form = NewForm();
        QCOMPARE(Form->deBuildLocationBeforeDialog(), QDir::currentPath());
        FillFields(*Form, Dir.filePath("tiny.dpr"), Dir.filePath("out"));
        Form->Button1Click();
        QCOMPARE(Form->deBuildLocationBeforeDialog(), QFileInfo(Dir.path()).absoluteFilePath());
    }

    void droppedLocation() {
        const QDir Dir(temp_.path());
        WriteTinyProject(Dir);
        const QString Folder = Dir.filePath("out");
        const auto Drop = [](const QList<QUrl>& Urls) {
            QMimeData Data;
            Data.setUrls(Urls);
            return corvanet::gui::DroppedLocation(Data);
        };
        QCOMPARE(Drop({QUrl::fromLocalFile(Folder)}).value_or("none"), Folder);
        QCOMPARE(Drop({QUrl::fromLocalFile(Dir.filePath("tiny.dpr"))}).value_or("none"), Dir.path());
        QCOMPARE(Drop({QUrl("https://example.org/x")}).value_or("none"), QString("none"));
        QMimeData TextOnly;
        TextOnly.setText("out");
        QVERIFY(!corvanet::gui::DroppedLocation(TextOnly));

        // A file dropped on the field sets the folder it lies in, through the change handler.
        auto Form = NewForm();
        QMimeData Data;
        Data.setUrls({QUrl::fromLocalFile(Dir.filePath("alpha.pas"))});
        QWidget* Target = Form->deBuildLocation->Edit();
        QDragEnterEvent Enter(QPoint(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Target, &Enter);
        QVERIFY(Enter.isAccepted());
        QDropEvent Dropped(QPointF(5, 5), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(Target, &Dropped);
        QCOMPARE(Form->deBuildLocation->text(), Dir.path());
        QCOMPARE(QString::fromStdString(Form->BuildDir), Dir.path() + '/');
    }

    void settingsRoundTrip() {
        {
            auto Fresh = NewForm();
            QVERIFY(Fresh->feProject->text().isEmpty());
            QCOMPARE(QString::fromStdString(Fresh->BuildDir), QString("/"));
            Fresh->cbDialect->setCurrentText("classic");
            Fresh->feProject->setText("/p/demo.pas");
            Fresh->deBuildLocation->setText("/o, with comma");
            Fresh->feHCRTF->setText("\"/h/hc rtf\"");
            Fresh->edtDefines->setText("DEBUG;VER100, X");
            Fresh->edtIncludePath->setText("inc;/opt/shared inc");
            Fresh->edtSearchPath->setText("lib;/opt/components");
            QVERIFY(Fresh->close());
        }
        QVERIFY(QFile::exists(temp_.filePath("settings.ini")));
        auto Restored = NewForm();
        QCOMPARE(Restored->feProject->text(), QString("/p/demo.pas"));
        QCOMPARE(Restored->deBuildLocation->text(), QString("/o, with comma"));
        QCOMPARE(Restored->feHCRTF->text(), QString("\"/h/hc rtf\""));
        QCOMPARE(Restored->edtDefines->text(), QString("DEBUG;VER100, X"));
        QCOMPARE(Restored->edtIncludePath->text(), QString("inc;/opt/shared inc"));
        QCOMPARE(Restored->edtSearchPath->text(), QString("lib;/opt/components"));
        QCOMPARE(Restored->cbDialect->currentText(), QString("classic"));
        // The handlers ran on restore: the run's settings match before any run.
        QCOMPARE(QString::fromStdString(Restored->ProjectFile), QString("/p/demo.dpr"));
        QCOMPARE(QString::fromStdString(Restored->BuildDir), QString("/o, with comma/"));
    }
};

QTEST_MAIN(TForm1Test)
#include "main_window_test.moc"
