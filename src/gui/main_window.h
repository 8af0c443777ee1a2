// The main window, TForm1: four persisted fields, the "Process" button, the
// progress bar and status line of a run, and the cross-reference report. It is
// thin over the core: each run is a fresh TRun driven synchronously on this
// thread. While a run is in progress the fields and the button stay disabled
// and a close waits for the run to end; an error ends the run in a message box
// and leaves the window ready for the next one.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "dialect.h"

class QCloseEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSettings;
class QStatusBar;

namespace corvanet {
class TReporter;
}

namespace corvanet::gui {

class TDirectoryEdit;
class TFilenameEdit;

enum class TMessageKind { Warning, Error };

// Shows a modal box; the window's default, replaced by tests so that no box blocks.
using TMessageHook = std::function<void(TMessageKind Kind, const QString& Text)>;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // SettingsFile: an INI file holding the persisted fields; empty means the
    // user's own settings store.
    explicit TForm1(const QString& SettingsFile = QString(), QWidget* Parent = nullptr);
    ~TForm1() override;

    TFilenameEdit* feProject = nullptr;
    TDirectoryEdit* deBuildLocation = nullptr;
    TFilenameEdit* feHCRTF = nullptr;
    QComboBox* cbDialect = nullptr;  // "modern" or "classic"
    QLineEdit* edtDefines = nullptr;
    QLineEdit* edtIncludePath = nullptr;  // include directories, ";" between them
    QLineEdit* edtSearchPath = nullptr;   // unit search directories, ";" between them
    QPushButton* Button1 = nullptr;
    QLabel* lbSymbol = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QProgressBar* pg = nullptr;
    QStatusBar* SB = nullptr;

    // The run's settings, kept in step with the fields by the change handlers.
    std::string ProjectFile;
    std::string BuildDir;  // the build location followed by "/"

    TMessageHook MessageHook;
    // Milliseconds of a steady clock; replaceable so the elapsed time can be tested.
    std::function<std::int64_t()> TickCount;

    bool Running() const { return running_; }
    // The reporter the runs of this window send progress, status and warnings to.
    TReporter& Reporter();

    void Button1Click();
    void feProjectChange();
    void deBuildLocationChange();
    // A defines field still showing the other dialect's default takes this one's.
    void cbDialectChange();
    TDialect Dialect() const;
    std::string ProjectPathTyped() const;
    // The folder the build location's dialog opens in.
    QString deBuildLocationBeforeDialog() const;

    void LoadSettings();
    void SaveSettings() const;
    // A modal box captioned "Warning" or "Error", or the MessageHook when set.
    void ShowMessage(TMessageKind Kind, const QString& Text);

protected:
    void closeEvent(QCloseEvent* Event) override;

private:
    void CreateFields();
    void CreateReportArea();
    void ArrangeLayout();
    void SetRunning(bool Running);
    bool BuildLocationGiven();
    void ExecuteRun();
    std::unique_ptr<QSettings> OpenSettings() const;

    QString settingsFile_;
    std::unique_ptr<TReporter> reporter_;
    bool running_ = false;
    bool closeRequested_ = false;
    // The project's folder as of the last run: where the build location's
    // dialog opens from then on.
    QString lastProjectDir_;
};

}  // namespace corvanet::gui
