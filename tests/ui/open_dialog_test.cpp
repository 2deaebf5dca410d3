// The file-open dialogs: their settings, the remembered path, names that
// are taken as typed, the preview pane, and the seam tests answer through.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

#include "OpenPictureDialog.h"
#include "PicturePreview.h"
#include "ui_fixtures.h"

using ui_fixtures::ModalAnswer;

namespace {

class OpenDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        picturePath = dir.filePath(QStringLiteral("foto.bmp"));
        ASSERT_TRUE(ui_fixtures::WriteBmp24(picturePath, 40, 20, [](int x, int) { return qRgb(x < 20 ? 255 : 0, 0, 0); }));
    }

    // Runs Execute() with the real dialog; `answer` acts on it.
    bool ExecuteAnswering(TOpenPictureDialog& dialog, const std::function<void(TPictureFileDialog*)>& answer) {
        ModalAnswer modal([&](QWidget* w) {
            auto* fileDialog = qobject_cast<TPictureFileDialog*>(w);
            ASSERT_NE(fileDialog, nullptr);
            answer(fileDialog);
        });
        const bool confirmed = dialog.Execute();
        EXPECT_TRUE(modal.Answered());
        EXPECT_FALSE(modal.LeftOpen());
        return confirmed;
    }

    static void TypeAndConfirm(TPictureFileDialog* d, const QString& name) {
        QLineEdit* box = d->FileNameBox();
        ASSERT_NE(box, nullptr);
        // Typing happens in the active dialog: without the focus, the box
        // takes the name of whatever the list selects.
        ASSERT_TRUE(QTest::qWaitForWindowActive(d));
        box->setFocus();
        box->setText(name);  // as if typed, without the completion list
        QTest::keyClick(box, Qt::Key_Return);
    }

    QTemporaryDir dir;
    QString picturePath;
    QWidget owner;
};

TEST_F(OpenDialogTest, SettingsOfANewDialog) {
    TOpenPictureDialog dialog(&owner);
    std::unique_ptr<TPictureFileDialog> d(dialog.CreateDialog());
    EXPECT_TRUE(d->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_EQ(d->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(d->fileMode(), QFileDialog::AnyFile) << "one file, existence not tested";
    EXPECT_EQ(d->nameFilters(), QStringList{QStringLiteral("Bitmaps (*.bmp)")});
    EXPECT_EQ(d->selectedNameFilter(), QStringLiteral("Bitmaps (*.bmp)"));
    EXPECT_TRUE(d->defaultSuffix().isEmpty());
    EXPECT_TRUE(d->isSizeGripEnabled()) << "resizable";
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Open"));
    ASSERT_NE(d->FileNameBox(), nullptr);
    EXPECT_TRUE(d->FileNameBox()->text().isEmpty()) << "empty the first time";
    ASSERT_NE(d->Preview(), nullptr);
    EXPECT_EQ(d->Preview()->CaptionText(), QStringLiteral("Picture:"));
    EXPECT_FALSE(d->Preview()->PreviewButton()->isEnabled());
    EXPECT_EQ(d->Preview()->PreviewButton()->toolTip(), QStringLiteral("Preview"));
    // The pane stands right of the standard controls.
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));
    EXPECT_GT(d->Preview()->geometry().left(), d->FileNameBox()->mapTo(d.get(), QPoint()).x());
}

TEST_F(OpenDialogTest, ANameTypedIsTakenAsItIsAndRememberedInFull) {
    TOpenPictureDialog first(&owner);
    TOpenPictureDialog second(&owner);
    const QString missing = dir.filePath(QStringLiteral("tidak/ada"));  // no such folder, no extension
    EXPECT_TRUE(ExecuteAnswering(first, [&](TPictureFileDialog* d) { TypeAndConfirm(d, missing); }));
    EXPECT_EQ(first.FileName(), missing);

    // The next time the box offers the full path; cancelling keeps it.
    QString offered;
    EXPECT_FALSE(ExecuteAnswering(first, [&](TPictureFileDialog* d) {
        offered = d->FileNameBox()->text();
        QTest::keyClick(d, Qt::Key_Escape);
    }));
    EXPECT_EQ(offered, missing);
    EXPECT_EQ(first.FileName(), missing);

    // Each dialog remembers its own.
    QString offeredBySecond = QStringLiteral("unset");
    EXPECT_FALSE(ExecuteAnswering(second, [&](TPictureFileDialog* d) {
        offeredBySecond = d->FileNameBox()->text();
        d->reject();
    }));
    EXPECT_TRUE(offeredBySecond.isEmpty());
    EXPECT_TRUE(second.FileName().isEmpty());
}

TEST_F(OpenDialogTest, AnExistingFileAFolderAndARelativeNameAreConfirmed) {
    TOpenPictureDialog dialog(&owner);
    EXPECT_TRUE(ExecuteAnswering(dialog, [&](TPictureFileDialog* d) { TypeAndConfirm(d, picturePath); }));
    EXPECT_EQ(dialog.FileName(), picturePath);
    EXPECT_TRUE(ExecuteAnswering(dialog, [&](TPictureFileDialog* d) { TypeAndConfirm(d, dir.path()); }));
    EXPECT_EQ(QDir(dialog.FileName()), QDir(dir.path())) << dialog.FileName().toStdString();
    // A bare name is taken in the folder shown.
    EXPECT_TRUE(ExecuteAnswering(dialog, [&](TPictureFileDialog* d) {
        d->setDirectory(dir.path());
        TypeAndConfirm(d, QStringLiteral("baru"));
    }));
    EXPECT_EQ(dialog.FileName(), dir.filePath(QStringLiteral("baru")));
}

// A typed * or ? filters the list (in the folder typed with it, if any)
// and confirms nothing; a file whose name has a star is still taken.
TEST_F(OpenDialogTest, ATypedPatternFiltersTheListInsteadOfConfirming) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    const QString starred = dir.filePath(QStringLiteral("bintang*.bmp"));
    for (const QString& name : {dir.filePath(QStringLiteral("a.jpg")), dir.filePath(QStringLiteral("sub/c.jpg")), starred}) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    TOpenPictureDialog dialog(&owner);
    EXPECT_FALSE(ExecuteAnswering(dialog, [&](TPictureFileDialog* d) {
        d->setDirectory(dir.path());
        TypeAndConfirm(d, QStringLiteral("*.jpg"));
        EXPECT_TRUE(d->isVisible()) << "a pattern confirms nothing";
        EXPECT_EQ(d->nameFilters(), QStringList{QStringLiteral("*.jpg")});
        EXPECT_EQ(QDir(d->directory()), QDir(dir.path()));
        EXPECT_TRUE(d->FileNameBox()->text().isEmpty());

        TypeAndConfirm(d, QStringLiteral("sub/?.jpg"));
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(QDir(d->directory()), QDir(dir.filePath(QStringLiteral("sub"))));
        EXPECT_EQ(d->nameFilters(), QStringList{QStringLiteral("?.jpg")});

        TypeAndConfirm(d, dir.path() + QStringLiteral("/*.bmp"));
        EXPECT_EQ(QDir(d->directory()), QDir(dir.path()));
        EXPECT_EQ(d->nameFilters(), QStringList{QStringLiteral("*.bmp")});
        d->reject();
    }));
    EXPECT_TRUE(ExecuteAnswering(dialog, [&](TPictureFileDialog* d) { TypeAndConfirm(d, starred); }));
    EXPECT_EQ(dialog.FileName(), starred);
}

TEST_F(OpenDialogTest, TheHookAnswersInsteadOfTheDialog) {
    TOpenPictureDialog dialog(&owner);
    int asked = 0;
    TOpenPictureDialog::SetExecuteHook([&](TOpenPictureDialog& d) -> std::optional<QString> {
        EXPECT_EQ(&d, &dialog);
        return ++asked == 1 ? std::optional<QString>(QStringLiteral("relatif/gambar.bmp")) : std::nullopt;
    });
    const bool confirmed = dialog.Execute();
    const bool second = dialog.Execute();
    TOpenPictureDialog::SetExecuteHook({});
    EXPECT_TRUE(confirmed);
    EXPECT_FALSE(second);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(dialog.FileName(), QDir::current().absoluteFilePath(QStringLiteral("relatif/gambar.bmp")));
}

TEST_F(OpenDialogTest, PreviewShowsAPictureThatLoadsAndNothingOtherwise) {
    TOpenPictureDialog dialog(&owner);
    std::unique_ptr<TPictureFileDialog> d(dialog.CreateDialog());
    TPicturePreview* preview = d->Preview();
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d.get()));

    emit d->currentChanged(picturePath);  // as when the user selects it
    EXPECT_TRUE(preview->HasPicture());
    EXPECT_EQ(preview->CaptionText(), QStringLiteral(" (40x20)"));
    EXPECT_TRUE(preview->PreviewButton()->isEnabled());
    // Scaled to fit, aspect kept: twice as wide as high, red then black.
    const QImage pane = preview->Image()->grab().toImage();
    const QRect fit = TPreviewImage::FitRect(QSize(40, 20), pane.size());
    EXPECT_EQ(fit.width(), pane.width());
    EXPECT_NEAR(fit.height() * 2, fit.width(), 2);
    EXPECT_EQ(pane.pixel(fit.left() + fit.width() / 4, fit.center().y()), qRgb(255, 0, 0));
    EXPECT_EQ(pane.pixel(fit.left() + fit.width() * 3 / 4, fit.center().y()), qRgb(0, 0, 0));

    const QString broken = dir.filePath(QStringLiteral("rusak.bmp"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a bitmap at all");
    file.close();
    for (const QString& none : {broken, dir.filePath(QStringLiteral("hilang.bmp")), dir.path(), QString()}) {
        emit d->currentChanged(none);
        EXPECT_FALSE(preview->HasPicture()) << none.toStdString();
        EXPECT_EQ(preview->CaptionText(), QStringLiteral("Picture:"));
        EXPECT_FALSE(preview->PreviewButton()->isEnabled());
    }
}

TEST_F(OpenDialogTest, PreviewButtonAndDoubleClickOpenALargerWindowThatEscCloses) {
    TPicturePreview preview;
    preview.resize(200, 200);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    preview.ShowFile(picturePath);
    ASSERT_TRUE(preview.HasPicture());

    auto expectPreviewWindow = [&](const std::function<void()>& open) {
        QString title;
        QSize size;
        ModalAnswer modal([&](QWidget* w) {
            title = w->windowTitle();
            size = w->size();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        open();
        EXPECT_TRUE(modal.Answered());
        EXPECT_FALSE(modal.LeftOpen()) << "Esc did not close it";
        EXPECT_EQ(title, QStringLiteral("Preview"));
        EXPECT_GT(size.width(), preview.Image()->width());
    };
    expectPreviewWindow([&] { QTest::mouseClick(preview.PreviewButton(), Qt::LeftButton); });
    expectPreviewWindow([&] { QTest::mouseDClick(preview.Image(), Qt::LeftButton); });
}

}  // namespace
