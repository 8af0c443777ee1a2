// The window's path fields: line edits with a browse button. Browsing and
// dropping go through setText, so every change reaches textChanged once.
#include "path_edits.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

namespace corvanet::gui {

TPathEdit::TPathEdit(QLineEdit* Edit, QWidget* Parent) : QWidget(Parent), edit_(Edit) {
    edit_->setParent(this);
    button_ = new QToolButton(this);
    button_->setText(QStringLiteral("..."));
    button_->setFocusPolicy(Qt::NoFocus);
    auto* Layout = new QHBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->setSpacing(2);
    Layout->addWidget(edit_, 1);
    Layout->addWidget(button_);
    setFocusProxy(edit_);
    connect(edit_, &QLineEdit::textChanged, this, &TPathEdit::textChanged);
    connect(button_, &QToolButton::clicked, this, [this] { Browse(); });
}

QString TPathEdit::text() const { return edit_->text(); }

void TPathEdit::setText(const QString& Text) { edit_->setText(Text); }

TFilenameEdit::TFilenameEdit(const QString& Filter, QWidget* Parent)
    : TPathEdit(new QLineEdit, Parent), filter_(Filter) {}

void TFilenameEdit::Browse() {
    QFileDialog Dialog(this);
    Dialog.setFileMode(QFileDialog::ExistingFile);
    Dialog.setAcceptMode(QFileDialog::AcceptOpen);
    Dialog.setNameFilter(filter_);
    // Start where the named file is, as the user would expect from the field.
    const QFileInfo Current(text());
    if (!text().isEmpty() && Current.dir().exists()) {
        Dialog.setDirectory(Current.dir());
        if (Current.exists()) Dialog.selectFile(Current.fileName());
    }
    if (Dialog.exec() == QDialog::Accepted && !Dialog.selectedFiles().isEmpty())
        setText(QDir::toNativeSeparators(Dialog.selectedFiles().constFirst()));
}

std::optional<QString> DroppedLocation(const QMimeData& Data) {
    if (!Data.hasUrls()) return std::nullopt;
    for (const QUrl& Url : Data.urls()) {
        if (!Url.isLocalFile()) continue;
        const QFileInfo Info(Url.toLocalFile());
        // A dropped file stands for the folder it lies in.
        const QString Folder = Info.isDir() ? Info.absoluteFilePath() : Info.absolutePath();
        return QDir::toNativeSeparators(QDir::cleanPath(Folder));
    }
    return std::nullopt;
}

namespace {

// Accepts a drag that carries a location; otherwise the line edit's own
// handling (text drops) applies.
bool AcceptLocationDrag(QDropEvent* Event) {
    if (!Event->mimeData() || !DroppedLocation(*Event->mimeData())) return false;
    Event->acceptProposedAction();
    return true;
}

// The build location's line edit: takes folders and files dropped on it in
// place of the line edit's own text drops.
class TDropLineEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void dragEnterEvent(QDragEnterEvent* Event) override {
        if (!AcceptLocationDrag(Event)) QLineEdit::dragEnterEvent(Event);
    }
    void dragMoveEvent(QDragMoveEvent* Event) override {
        if (!AcceptLocationDrag(Event)) QLineEdit::dragMoveEvent(Event);
    }
    void dropEvent(QDropEvent* Event) override {
        if (!AcceptLocationDrag(Event)) {
            QLineEdit::dropEvent(Event);
            return;
        }
        setText(*DroppedLocation(*Event->mimeData()));
    }
};

}  // namespace

TDirectoryEdit::TDirectoryEdit(QWidget* Parent) : TPathEdit(new TDropLineEdit, Parent) {
    setAcceptDrops(true);
    Edit()->setAcceptDrops(true);
}

void TDirectoryEdit::Browse() {
    const QString Start = OnBeforeDialog ? OnBeforeDialog() : QString();
    const QString Folder = QFileDialog::getExistingDirectory(this, QString(), Start);
    if (!Folder.isEmpty()) setText(QDir::toNativeSeparators(Folder));
}

}  // namespace corvanet::gui
