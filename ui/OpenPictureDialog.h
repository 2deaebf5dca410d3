#pragma once
// The file-open dialog with a picture preview pane on the right. Each
// dialog remembers the path last confirmed and offers it the next time.
#include <QFileDialog>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QLineEdit;
class TPicturePreview;

// The toolkit's own (non-native) dialog, taking any typed name as it is:
// neither a missing file nor a folder stops it.
class TPictureFileDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit TPictureFileDialog(QWidget* parent);

    TPicturePreview* Preview() const { return preview_; }
    QLineEdit* FileNameBox() const;
    // The confirmed path, absolute: the name in the file name box.
    QString ChosenPath() const;

public slots:
    void accept() override;

private:
    // Shows the files matching a typed pattern instead of taking it as a
    // name; false when `path` is not a pattern.
    bool FilterTyped(const QString& path);

    TPicturePreview* preview_;
    QString chosen_;
};

class TOpenPictureDialog : public QObject {
    Q_OBJECT
public:
    explicit TOpenPictureDialog(QWidget* owner);

    // Shows the dialog modally; true when confirmed, the path then in FileName().
    bool Execute();
    QString FileName() const { return fileName_; }

    // A new dialog with this one's settings, the file name box pre-filled.
    TPictureFileDialog* CreateDialog() const;

    // Test seam: while set, Execute() asks it instead of showing the dialog.
    // nullopt cancels; a path confirms (made absolute, remembered).
    using ExecuteHook = std::function<std::optional<QString>(TOpenPictureDialog&)>;
    static void SetExecuteHook(ExecuteHook hook);

private:
    bool Confirm(const QString& path);

    QWidget* owner_;
    QString fileName_;
};
