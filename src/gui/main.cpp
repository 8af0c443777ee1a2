// corvanet: starts the application and shows the main window. Two options
// serve scripts: --settings names the INI file the fields persist in, and
// --screenshot runs the fields' project once and saves a picture of the window.
#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>
#include <QTextStream>

#include <cstdio>

#include "main_window.h"

namespace {

// Runs the project in the fields as a user would, without any blocking box,
// and saves the window's picture. Returns the exit status.
int TakeScreenshot(corvanet::gui::TForm1& Form, const QString& File) {
    bool Failed = false;
    Form.MessageHook = [&Failed](corvanet::gui::TMessageKind Kind, const QString& Text) {
        if (Kind == corvanet::gui::TMessageKind::Error) Failed = true;
        QTextStream(stderr) << Text << '\n';
    };
    Form.show();
    QApplication::processEvents();
    Form.Button1Click();
    QApplication::processEvents();
    if (!Form.grab().save(File)) {
        QTextStream(stderr) << "Cannot create file " << File << '\n';
        Failed = true;
    }
    Form.close();
    return Failed ? 1 : 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication App(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Corvanet"));
    QApplication::setApplicationName(QStringLiteral("corvanet"));

    QCommandLineParser Options;
    Options.setApplicationDescription(QStringLiteral("Corvanet - Beta 1"));
    Options.addHelpOption();
    const QCommandLineOption Settings(QStringLiteral("settings"),
                                      QStringLiteral("Keep the fields in the INI file <file>."),
                                      QStringLiteral("file"));
    const QCommandLineOption Screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Process the project in the fields, save the window as <png>, quit."),
        QStringLiteral("png"));
    Options.addOption(Settings);
    Options.addOption(Screenshot);
    Options.process(App);

    corvanet::gui::TForm1 Form(Options.value(Settings));
    if (Options.isSet(Screenshot)) return TakeScreenshot(Form, Options.value(Screenshot));
    Form.show();
    return QApplication::exec();
}
