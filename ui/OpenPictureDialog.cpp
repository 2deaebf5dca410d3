#include "OpenPictureDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLineEdit>

#include "PicturePreview.h"
#include "Texts.h"

namespace {

TOpenPictureDialog::ExecuteHook& Hook() {
    static TOpenPictureDialog::ExecuteHook hook;
    return hook;
}

}  // namespace

TPictureFileDialog::TPictureFileDialog(QWidget* parent) : QFileDialog(parent) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::AnyFile);
    setNameFilter(QString::fromLatin1(text::kBitmapFilter));
    selectNameFilter(QString::fromLatin1(text::kBitmapFilter));
    setDefaultSuffix(QString());
    setSizeGripEnabled(true);

    // The preview pane takes a new column right of the standard controls.
    preview_ = new TPicturePreview(this);
    preview_->setObjectName(QStringLiteral("PicturePreview"));
    preview_->setMinimumWidth(180);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        grid->addWidget(preview_, 0, grid->columnCount(), grid->rowCount(), 1);
    }
    resize(sizeHint().expandedTo(QSize(860, 460)));
    connect(this, &QFileDialog::currentChanged, preview_, &TPicturePreview::ShowFile);
}

QLineEdit* TPictureFileDialog::FileNameBox() const {
    return findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

QString TPictureFileDialog::ChosenPath() const {
    if (!chosen_.isEmpty()) {
        return chosen_;
    }
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();
}

bool TPictureFileDialog::FilterTyped(const QString& path) {
    // A name with * or ? that names no file is a pattern, as in other file
    // dialogs: the list shows the files of its folder that match it.
    const QFileInfo typed(path);
    const QString pattern = typed.fileName();
    if (!pattern.contains(QLatin1Char('*')) && !pattern.contains(QLatin1Char('?'))) return false;
    if (typed.exists()) return false;
    const QDir folder = typed.dir();
    if (!folder.exists()) return false;
    setDirectory(folder);
    setNameFilter(pattern);
    if (QLineEdit* box = FileNameBox()) box->clear();
    return true;
}

void TPictureFileDialog::accept() {
    // The name in the box is taken as it is, whatever it names: a missing
    // file, a missing or an existing folder. Relative names are relative
    // to the folder shown.
    QLineEdit* box = FileNameBox();
    const QString typed = box ? box->text() : QString();
    if (typed.isEmpty()) {
        QFileDialog::accept();  // the dialog's own handling, such as opening a selected folder
        return;
    }
    QString name = QDir::fromNativeSeparators(typed);
    if (name == QLatin1String("~") || name.startsWith(QLatin1String("~/"))) {
        name = QDir::homePath() + name.mid(1);
    }
    const QString path = QDir::cleanPath(QDir(directory().absolutePath()).absoluteFilePath(name));
    if (FilterTyped(path)) return;
    chosen_ = path;
    // A file picked in the list may lie outside the folder shown (its full
    // path was typed): the list knows where it is.
    for (const QString& selected : selectedFiles()) {
        if (QFileInfo(selected).fileName() == name) {
            chosen_ = QFileInfo(selected).absoluteFilePath();
            break;
        }
    }
    done(QDialog::Accepted);
}

TOpenPictureDialog::TOpenPictureDialog(QWidget* owner) : QObject(owner), owner_(owner) {}

void TOpenPictureDialog::SetExecuteHook(ExecuteHook hook) {
    Hook() = std::move(hook);
}

TPictureFileDialog* TOpenPictureDialog::CreateDialog() const {
    auto* dialog = new TPictureFileDialog(owner_);
    if (!fileName_.isEmpty()) {
        // The full path, as confirmed last time; the dialog opens in its
        // folder, as a path in the name box asks.
        const QFileInfo last(fileName_);
        if (last.dir().exists()) {
            dialog->setDirectory(last.dir());
        }
        if (QLineEdit* box = dialog->FileNameBox()) {
            box->setText(fileName_);
        }
    }
    return dialog;
}

bool TOpenPictureDialog::Confirm(const QString& path) {
    fileName_ = QFileInfo(path).absoluteFilePath();
    return true;
}

bool TOpenPictureDialog::Execute() {
    if (Hook()) {
        const std::optional<QString> answer = Hook()(*this);
        return answer ? Confirm(*answer) : false;
    }
    std::unique_ptr<TPictureFileDialog> dialog(CreateDialog());
    if (dialog->exec() != QDialog::Accepted) {
        return false;
    }
    const QString chosen = dialog->ChosenPath();
    return chosen.isEmpty() ? false : Confirm(chosen);
}
