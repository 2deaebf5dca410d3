// The application title, the two message boxes and the route of errors
// that escape a handler.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <QVBoxLayout>

#include <stdexcept>

#include "Application.h"
#include "MessageBoxes.h"
#include "error.h"
#include "ui_fixtures.h"

using ui_fixtures::ModalAnswer;

namespace {

struct TitleCase {
    const char* path;
    const char* title;
};

class ApplicationTitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(ApplicationTitleTest, FileNameCutAtFirstDotFirstCharacterKept) {
    EXPECT_EQ(ApplicationTitleFromPath(QString::fromLatin1(GetParam().path)).toStdString(), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(Names, ApplicationTitleTest,
                         ::testing::Values(TitleCase{"QUALITY.EXE", "Quality"},
                                           TitleCase{"Tool.Main.exe", "Tool"},
                                           TitleCase{"/usr/local/bin/AnalisisCitra", "Analisiscitra"},
                                           TitleCase{"C:/Program Files/x.y/ABC", "Abc"},
                                           TitleCase{"/opt/app/mIXED.Case.bin", "mixed"},
                                           TitleCase{"/bin/q", "q"},
                                           TitleCase{"/bin/.hidden", ""}));

TEST(ApplicationTitle, ComesFromThisExecutable) {
    EXPECT_EQ(ApplicationTitle().toStdString(), "ui_tests");  // the first character is kept as it is
}

struct StopCase {
    std::string message;
    std::string shown;
};

class FullStopTest : public ::testing::TestWithParam<StopCase> {};

TEST_P(FullStopTest, AppendedOnlyAfterCharactersAboveFullStop) {
    EXPECT_EQ(WithFinalFullStop(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, FullStopTest,
    ::testing::Values(StopCase{"File not found", "File not found."}, StopCase{"JPEG error #42", "JPEG error #42."},
                      StopCase{"Ukuran:", "Ukuran:."}, StopCase{"a/", "a/."},
                      StopCase{"Stream read error.", "Stream read error."},
                      StopCase{"Cannot open file (x)", "Cannot open file (x)"}, StopCase{"Stop!", "Stop!"},
                      StopCase{"said \"no\"", "said \"no\""}, StopCase{"ends in space ", "ends in space "},
                      StopCase{"line\n", "line\n"}, StopCase{"minus-", "minus-"}, StopCase{"", ""},
                      StopCase{"caf\xC3\xA9", "caf\xC3\xA9."}));

// ShowModalMessage with its real box: run, answered from inside.
struct ShownBox {
    QString title;
    QString text;
    Qt::WindowFlags flags;
    QStringList buttons;
    bool okIsDefault = false;
    QRect labelRect;
    int lineHeight = 0;
    QRect frame;
    bool answered = false;
    bool leftOpen = false;
};

ShownBox ShowAndAnswer(const QString& text, const std::function<void(QDialog*)>& close) {
    ShownBox seen;
    ModalAnswer answer([&](QWidget* modal) {
        auto* box = qobject_cast<QDialog*>(modal);
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.flags = box->windowFlags();
        for (QPushButton* button : box->findChildren<QPushButton*>()) {
            seen.buttons << button->text();
            seen.okIsDefault = button->isDefault();
        }
        if (auto* label = box->findChild<QLabel*>(QStringLiteral("MessageText"))) {
            seen.text = label->text();
            seen.labelRect = label->geometry();
            seen.lineHeight = label->fontMetrics().height();
        }
        seen.frame = box->frameGeometry();
        close(box);
    });
    ShowModalMessage(text);
    seen.answered = answer.Answered();
    seen.leftOpen = answer.LeftOpen();
    return seen;
}

QPushButton* OkButton(QDialog* box) {
    return box->findChild<QPushButton*>();
}

TEST(ShowModalMessage, ShowsTitleTextAndOneDefaultOkWithOnlyACloseButton) {
    const ShownBox seen = ShowAndAnswer(QStringLiteral("Program ini hanya untuk citra dengan format pixel 24 bit"),
                                        [](QDialog* box) { QTest::keyClick(box, Qt::Key_Return); });
    ASSERT_TRUE(seen.answered);
    EXPECT_FALSE(seen.leftOpen) << "Enter did not close the box";
    EXPECT_EQ(seen.title, ApplicationTitle());
    EXPECT_EQ(seen.text, QStringLiteral("Program ini hanya untuk citra dengan format pixel 24 bit"));
    EXPECT_EQ(seen.buttons, QStringList{QStringLiteral("OK")});
    EXPECT_TRUE(seen.okIsDefault);
    EXPECT_TRUE(seen.flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(seen.flags & Qt::WindowTitleHint);
    EXPECT_FALSE(seen.flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(seen.flags & Qt::WindowMaximizeButtonHint);
    // One line for a short text, centred on the screen.
    EXPECT_LE(seen.labelRect.height(), seen.lineHeight + 1);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE(std::abs(seen.frame.center().x() - screen.center().x()), 1);
    EXPECT_LE(std::abs(seen.frame.center().y() - screen.center().y()), 1);
}

TEST(ShowModalMessage, ClosesOnEscapeOnOkAndOnTheCloseButton) {
    const std::pair<const char*, std::function<void(QDialog*)>> ways[] = {
        {"Esc", [](QDialog* box) { QTest::keyClick(box, Qt::Key_Escape); }},
        {"click on OK", [](QDialog* box) { QTest::mouseClick(OkButton(box), Qt::LeftButton); }},
        {"Space on OK", [](QDialog* box) { QTest::keyClick(OkButton(box), Qt::Key_Space); }},
        {"close button", [](QDialog* box) { box->close(); }},
    };
    for (const auto& [name, close] : ways) {
        const ShownBox seen = ShowAndAnswer(QStringLiteral("Luas citra asli dan Luas citra hasil manipulasi tidak sama!"), close);
        EXPECT_TRUE(seen.answered) << name;
        EXPECT_FALSE(seen.leftOpen) << name << " did not close the box";
    }
}

TEST(ShowModalMessage, WrapsLongTextAtHalfTheScreenWidth) {
    QString text;
    for (int i = 0; i < 60; ++i) {
        text += QStringLiteral("kata%1 ").arg(i);
    }
    text += QStringLiteral("akhir");
    const ShownBox seen = ShowAndAnswer(text, [](QDialog* box) { QTest::keyClick(box, Qt::Key_Return); });
    ASSERT_TRUE(seen.answered);
    EXPECT_FALSE(seen.leftOpen);
    const int halfScreen = QGuiApplication::primaryScreen()->geometry().width() / 2;
    EXPECT_LE(seen.labelRect.width(), halfScreen);
    EXPECT_GE(seen.labelRect.width(), halfScreen * 3 / 4) << "wrapped far narrower than allowed";
    EXPECT_GE(seen.labelRect.height(), 3 * seen.lineHeight) << "a text several half-screens long needs several lines";
}

// Both boxes are dialogs of the main window (its transient children), so
// window managers keep them with it and give them no minimise button;
// with no window active they still find the main window.
TEST(MessageBoxes, AreDialogsOfTheMainWindow) {
    QWidget mainWindow;
    mainWindow.resize(300, 200);
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    struct Seen {
        QWidget* owner = nullptr;
        QWindow* transientParent = nullptr;
        Qt::WindowType type = Qt::Widget;
    };
    const auto look = [](QWidget* modal, Seen& seen) {
        seen.owner = modal->parentWidget();
        seen.transientParent = modal->windowHandle() ? modal->windowHandle()->transientParent() : nullptr;
        seen.type = modal->windowType();
        QTest::keyClick(modal, Qt::Key_Escape);
    };
    for (const bool active : {true, false}) {
        if (active) {
            mainWindow.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
        } else {
            QWidget other;  // takes the activation, then goes
            other.show();
            other.activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
            other.hide();
            ASSERT_TRUE(ui_fixtures::WaitUntil([] { return QApplication::activeWindow() == nullptr; }));
        }
        const char* state = active ? "active" : "not active";
        Seen modal;
        ModalAnswer answerModal([&](QWidget* box) { look(box, modal); });
        ShowModalMessage(QStringLiteral("Citra belum dibuka"));
        ASSERT_TRUE(answerModal.Answered()) << state;
        EXPECT_EQ(modal.owner, &mainWindow) << state;
        EXPECT_EQ(modal.transientParent, mainWindow.windowHandle()) << state;
        EXPECT_EQ(modal.type, Qt::Dialog) << state;

        Seen error;
        ModalAnswer answerError([&](QWidget* box) { look(box, error); });
        ReportUncaughtError(std::string("Bitmap image is not valid"));
        ASSERT_TRUE(answerError.Answered()) << state;
        EXPECT_EQ(error.owner, &mainWindow) << state;
        EXPECT_EQ(error.transientParent, mainWindow.windowHandle()) << state;
        EXPECT_EQ(error.type, Qt::Dialog) << state;
    }
}

TEST(ShowModalMessage, HookReceivesTheTextInsteadOfTheBox) {
    QStringList received;
    SetModalMessageHook([&](const QString& text) { received << text; });
    ShowModalMessage(QStringLiteral("satu"));
    ShowModalMessage(QStringLiteral("dua"));
    SetModalMessageHook({});
    EXPECT_EQ(received, (QStringList{QStringLiteral("satu"), QStringLiteral("dua")}));
}

// A widget whose custom events throw or count, to drive the event loop.
class Thrower : public QWidget {
public:
    static constexpr QEvent::Type kThrow = QEvent::Type(QEvent::User + 1);
    static constexpr QEvent::Type kCount = QEvent::Type(QEvent::User + 2);
    int counted = 0;

protected:
    bool event(QEvent* e) override {
        if (e->type() == kThrow) {
            throw CitraError("File not found");
        }
        if (e->type() == kCount) {
            ++counted;
            return true;
        }
        return QWidget::event(e);
    }
};

class UncaughtErrorTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetUncaughtErrorHook([this](const QString& text) { reported << text; });
    }
    void TearDown() override { SetUncaughtErrorHook({}); }
    QStringList reported;
};

TEST_F(UncaughtErrorTest, ErrorInAnEventHandlerIsReportedAndTheLoopGoesOn) {
    Thrower widget;
    QCoreApplication::postEvent(&widget, new QEvent(Thrower::kCount));
    QCoreApplication::postEvent(&widget, new QEvent(Thrower::kThrow));
    QCoreApplication::postEvent(&widget, new QEvent(Thrower::kCount));
    QCoreApplication::sendPostedEvents(&widget);
    EXPECT_EQ(reported, QStringList{QStringLiteral("File not found.")});
    EXPECT_EQ(widget.counted, 2) << "events after the error were not delivered";
}

TEST_F(UncaughtErrorTest, ErrorInAClickHandlerEndsItThereAndLaterClicksStillWork) {
    QWidget window;
    auto* button = new QPushButton(QStringLiteral("&Buka"), &window);
    int started = 0;
    int finished = 0;
    BindClick(button, [&] {
        ++started;
        if (started == 1) {
            throw std::runtime_error("Cannot open file \"x.bmp\". No such file or directory");
        }
        ++finished;
    });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(started, 2);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(reported, QStringList{QStringLiteral("Cannot open file \"x.bmp\". No such file or directory.")});
    EXPECT_FALSE(button->isDown());
}

TEST(ReportUncaughtError, ShowsAnApplicationModalStopBoxThenGivesTheFocusBack) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* first = new QLineEdit(&window);
    auto* second = new QLineEdit(&window);
    layout->addWidget(first);
    layout->addWidget(second);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    second->setFocus();
    ASSERT_TRUE(second->hasFocus());

    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QWidget* owner = &window;
    Qt::WindowModality modality = Qt::NonModal;
    ModalAnswer answer([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        icon = box->icon();
        title = box->windowTitle();
        text = box->text();
        buttons = box->standardButtons();
        owner = box->parentWidget();
        modality = box->windowModality();
        QTest::keyClick(box, Qt::Key_Return);
    });
    ReportUncaughtError(CitraError("Bitmap image is not valid"));
    ASSERT_TRUE(answer.Answered());
    EXPECT_FALSE(answer.LeftOpen());
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(title, ApplicationTitle());
    EXPECT_EQ(text, QStringLiteral("Bitmap image is not valid."));
    EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(owner, &window);
    EXPECT_EQ(modality, Qt::ApplicationModal);

    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(second->hasFocus());
}

}  // namespace
