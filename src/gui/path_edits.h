// The window's path fields: a line edit with a browse button, for a file (with
// its dialog filter) or for a folder (folder dialog, drops accepted). The text
// is always the field's value: browsing and dropping only set it, so the
// window's change handlers see every change through textChanged.
#pragma once

#include <QLineEdit>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QMimeData;
class QToolButton;

namespace corvanet::gui {

// A line edit with a browse button on its right; the button is no tab stop,
// so the tab order runs from field to field.
class TPathEdit : public QWidget {
    Q_OBJECT
public:
    QString text() const;
    void setText(const QString& Text);
    QLineEdit* Edit() const { return edit_; }
    QToolButton* BrowseButton() const { return button_; }

signals:
    void textChanged(const QString& Text);

protected:
    // Takes ownership of Edit, which a derived field may specialise.
    TPathEdit(QLineEdit* Edit, QWidget* Parent);
    virtual void Browse() = 0;

private:
    QLineEdit* edit_ = nullptr;
    QToolButton* button_ = nullptr;
};

// A file-name field whose dialog accepts only an existing file. Filters are
// in the dialog's own form, entries separated by ";;".
class TFilenameEdit : public TPathEdit {
    Q_OBJECT
public:
    TFilenameEdit(const QString& Filter, QWidget* Parent = nullptr);
    QString Filter() const { return filter_; }

protected:
    void Browse() override;

private:
    QString filter_;
};

// The folder a drop names: a dropped folder itself, a dropped file its folder;
// nothing when the drop holds no local path.
std::optional<QString> DroppedLocation(const QMimeData& Data);

// A directory field: folder dialog, and a folder or file dropped on it.
class TDirectoryEdit : public TPathEdit {
    Q_OBJECT
public:
    explicit TDirectoryEdit(QWidget* Parent = nullptr);

    // Asked for the dialog's starting folder just before it opens.
    std::function<QString()> OnBeforeDialog;

protected:
    void Browse() override;
};

}  // namespace corvanet::gui
