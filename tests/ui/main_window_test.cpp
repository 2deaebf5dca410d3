// The main window as laid out: every control's caption, parent, place,
// size, font and state; the workspace; focus order, accelerator keys,
// placement and the ways the program ends.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "DesignFont.h"
#include "MessageBoxes.h"
#include "StartShow.h"
#include "UMain.h"
#include "WindowPlacement.h"
#include "ui_fixtures.h"

namespace {

enum class Kind { Label, Edit, Button, GroupBox, Image, StatusBar };
enum class Parent { Window, GroupBox1, GroupBox2 };

struct ControlCase {
    const char* name;
    Kind kind;
    Parent parent;
    int left, top, width, height;
    const char* text;
    int fontPixels;  // 0: not checked
    bool enabled;
};

std::ostream& operator<<(std::ostream& os, const ControlCase& c) {
    return os << c.name;
}

const ControlCase kControls[] = {
    {"Label1", Kind::Label, Parent::Window, 184, 0, 411, 29, "APLIKASI ANALISIS KUALITAS CITRA", 24, true},
    {"Label2", Kind::Label, Parent::Window, 280, 32, 228, 20, "(PARAMETER MSE dan PSNR)", 16, true},
    {"Label3", Kind::Label, Parent::Window, 16, 72, 125, 13, "File Citra Asli                     :", 11, true},
    {"Label4", Kind::Label, Parent::Window, 16, 112, 125, 13, "File Citra Hasil Manipulasi :", 11, true},
    {"Image1", Kind::Image, Parent::Window, 504, 80, 217, 137, nullptr, 0, true},
    {"Image2", Kind::Image, Parent::Window, 504, 272, 217, 137, nullptr, 0, true},
    {"Label11", Kind::Label, Parent::Window, 504, 64, 3, 13, "", 11, true},
    {"Label13", Kind::Label, Parent::Window, 504, 256, 3, 13, "", 11, true},
    {"Edit1", Kind::Edit, Parent::Window, 144, 72, 265, 21, "", 11, true},
    {"Edit2", Kind::Edit, Parent::Window, 144, 112, 265, 21, "", 11, true},
    {"Button1", Kind::Button, Parent::Window, 424, 72, 65, 25, "&Buka", 11, true},
    {"Button2", Kind::Button, Parent::Window, 424, 112, 65, 25, "B&uka", 11, false},
    {"GroupBox1", Kind::GroupBox, Parent::Window, 144, 144, 265, 105, "Info", 11, true},
    {"Label5", Kind::Label, Parent::GroupBox1, 24, 32, 84, 13, "Ukuran File Citra :", 11, true},
    {"Label6", Kind::Label, Parent::GroupBox1, 24, 64, 84, 13, "Luas File Citra     :", 11, true},
    {"Label7", Kind::Label, Parent::GroupBox1, 120, 32, 3, 13, "", 11, true},
    {"Label8", Kind::Label, Parent::GroupBox1, 120, 64, 3, 13, "", 11, true},
    {"StatusBar1", Kind::StatusBar, Parent::Window, 0, 641, 749, 19, "", 0, true},
    {"Button3", Kind::Button, Parent::Window, 144, 264, 75, 25, "&Analisis", 11, false},
    {"Button4", Kind::Button, Parent::Window, 240, 264, 75, 25, "&Reset", 11, true},
    {"Button5", Kind::Button, Parent::Window, 336, 264, 75, 25, "&Keluar", 11, true},
    {"GroupBox2", Kind::GroupBox, Parent::Window, 16, 304, 393, 105, "Hasil Analisis", 11, true},
    {"Label9", Kind::Label, Parent::GroupBox2, 24, 32, 172, 13, "Mean Squre Error (MSE)                  :", 11, true},
    {"Label10", Kind::Label, Parent::GroupBox2, 24, 64, 172, 13, "Peak Signal to Noise Ratio (PSNR) :", 11, true},
    {"Label15", Kind::Label, Parent::GroupBox2, 352, 64, 13, 13, "dB", 11, true},
    {"Edit3", Kind::Edit, Parent::GroupBox2, 224, 32, 113, 21, "", 11, true},
    {"Edit4", Kind::Edit, Parent::GroupBox2, 224, 64, 113, 21, "", 11, true},
};

// One main window for the layout checks, made once: creating it is the
// expensive part and these tests only read it.
TForm1& SharedForm() {
    static TForm1* form = [] {
        auto* f = new TForm1;
        f->show();
        (void)QTest::qWaitForWindowExposed(f);
        return f;
    }();
    if (!form->isVisible()) {  // the quit tests close every window
        form->show();
        (void)QTest::qWaitForWindowExposed(form);
    }
    return *form;
}

QWidget* Control(TForm1& form, const char* name) {
    return form.findChild<QWidget*>(QString::fromLatin1(name));
}

class ControlTableTest : public ::testing::TestWithParam<ControlCase> {};

TEST_P(ControlTableTest, CaptionParentPlaceSizeFontAndState) {
    const ControlCase& c = GetParam();
    TForm1& form = SharedForm();
    ASSERT_EQ(form.LineHeight(), kDesignLineHeight) << "these figures hold at 96 dots per inch";
    QWidget* w = Control(form, c.name);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->isEnabled(), c.enabled);

    // Place: relative to the main window's client area, or to the group box.
    switch (c.parent) {
        case Parent::Window:
            EXPECT_EQ(w->window(), &form);
            EXPECT_EQ(qobject_cast<QGroupBox*>(w->parentWidget()), nullptr);
            EXPECT_EQ(w->mapTo(&form, QPoint(0, 0)), QPoint(c.left, c.top));
            break;
        case Parent::GroupBox1:
            EXPECT_EQ(w->parentWidget(), form.GroupBox1);
            EXPECT_EQ(w->pos(), QPoint(c.left, c.top));
            break;
        case Parent::GroupBox2:
            EXPECT_EQ(w->parentWidget(), form.GroupBox2);
            EXPECT_EQ(w->pos(), QPoint(c.left, c.top));
            break;
    }

    const QString text = c.text ? QString::fromLatin1(c.text) : QString();
    switch (c.kind) {
        case Kind::Label: {
            auto* label = qobject_cast<TLabel*>(w);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text(), text);
            EXPECT_EQ(label->height(), c.height);
            // The width follows the text, and the text keeps within the
            // designed width, so nothing runs under the next control.
            const QFontMetrics metrics = label->fontMetrics();
            const int expected = text.isEmpty() ? metrics.horizontalAdvance(QLatin1Char(' ')) : metrics.horizontalAdvance(text);
            EXPECT_EQ(label->width(), expected);
            EXPECT_LE(label->width(), c.width);
            EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
            EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
            break;
        }
        case Kind::Edit: {
            auto* edit = qobject_cast<QLineEdit*>(w);
            ASSERT_NE(edit, nullptr);
            EXPECT_EQ(edit->text(), text);
            EXPECT_EQ(edit->size(), QSize(c.width, c.height));
            EXPECT_FALSE(edit->isReadOnly());
            break;
        }
        case Kind::Button: {
            auto* button = qobject_cast<QPushButton*>(w);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text(), text);
            EXPECT_EQ(button->size(), QSize(c.width, c.height));
            break;
        }
        case Kind::GroupBox: {
            auto* box = qobject_cast<QGroupBox*>(w);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->title(), text);
            EXPECT_EQ(box->size(), QSize(c.width, c.height));
            EXPECT_EQ(box->focusPolicy(), Qt::NoFocus);
            break;
        }
        case Kind::Image:
            ASSERT_NE(qobject_cast<TImageArea*>(w), nullptr);
            EXPECT_EQ(w->size(), QSize(c.width, c.height));
            EXPECT_EQ(static_cast<TImageArea*>(w)->picture().Kind(), PictureKind::Empty);
            break;
        case Kind::StatusBar:
            ASSERT_NE(qobject_cast<TStatusBar*>(w), nullptr);
            EXPECT_EQ(static_cast<TStatusBar*>(w)->text(), text);
            EXPECT_EQ(w->size(), QSize(c.width, c.height));
            EXPECT_EQ(w->focusPolicy(), Qt::NoFocus);
            break;
    }
    if (c.fontPixels != 0) {
        EXPECT_EQ(w->font().pixelSize(), c.fontPixels);
        EXPECT_EQ(QFontInfo(w->font()).family(), QFontInfo(form.font()).family());
    }
}

INSTANTIATE_TEST_SUITE_P(Layout, ControlTableTest, ::testing::ValuesIn(kControls),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MainWindow, CaptionClientAreaFontAndMembers) {
    TForm1& form = SharedForm();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Analisis Kualitas Citra"));
    EXPECT_EQ(form.size(), QSize(749, 660));
    // A window manager offers maximising only when the hints let the size
    // grow; the normal size is kept by the window itself (tested below).
    EXPECT_EQ(form.minimumSize(), QSize(749, 660));
    EXPECT_EQ(form.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_EQ(QFontMetrics(form.font()).height(), 13);
    // Every control the table names is a member, and the dialogs too.
    EXPECT_EQ(form.OpenPictureDialog1->parent(), &form);
    EXPECT_EQ(form.OpenPictureDialog2->parent(), &form);
    EXPECT_NE(form.OpenPictureDialog1, form.OpenPictureDialog2);
    EXPECT_EQ(Control(form, "Label3"), form.Label3);
    EXPECT_EQ(Control(form, "Edit4"), form.Edit4);
    EXPECT_EQ(FormHist2, nullptr) << "no histogram window at start";
}

TEST(MainWindow, WorkspaceFillsTheClientAreaAboveTheStatusBar) {
    TForm1& form = SharedForm();
    TWorkspace* workspace = form.Workspace();
    ASSERT_NE(workspace, nullptr);
    EXPECT_EQ(workspace->parentWidget(), &form);
    EXPECT_EQ(workspace->geometry(), QRect(0, 0, 749, 641));
    EXPECT_EQ(workspace->frameShadow(), QFrame::Sunken);
    EXPECT_GT(workspace->frameWidth(), 0);
    EXPECT_EQ(workspace->background().color(), form.palette().color(QPalette::Button));
    EXPECT_EQ(workspace->viewMode(), QMdiArea::SubWindowView);
    EXPECT_EQ(workspace->focusPolicy(), Qt::NoFocus);
    // Labels and image areas are drawn on the workspace; edit boxes,
    // buttons and group boxes stand in front of it.
    for (QWidget* w : {static_cast<QWidget*>(form.Label1), static_cast<QWidget*>(form.Label13),
                       static_cast<QWidget*>(form.Image1), static_cast<QWidget*>(form.Image2)}) {
        EXPECT_TRUE(workspace->viewport()->isAncestorOf(w)) << w->objectName().toStdString();
    }
    EXPECT_EQ(form.children().indexOf(workspace), 0) << "the workspace is the bottom-most child";
}

TEST(MainWindow, ChildWindowsCoverTheWorkspaceControlsButNotTheButtonsAndBoxes) {
    TForm1& form = SharedForm();
    TWorkspace* workspace = form.Workspace();
    auto* child = new QWidget;
    QMdiSubWindow* sub = workspace->addSubWindow(child);
    child->setMinimumSize(480, 420);
    sub->show();
    sub->move(0, 0);
    sub->resize(520, 460);
    QCoreApplication::processEvents();
    // A child wholly inside the workspace brings no scroll bar, although
    // Label1 reaches under the sunken edge at the top.
    EXPECT_FALSE(workspace->horizontalScrollBar()->isVisible());
    EXPECT_FALSE(workspace->verticalScrollBar()->isVisible());

    // Label3 lies under the child window: the child is on top there.
    const QPoint label3 = form.Label3->mapTo(workspace->viewport(), QPoint(2, 2));
    QWidget* atLabel = workspace->viewport()->childAt(label3);
    EXPECT_TRUE(atLabel == sub || sub->isAncestorOf(atLabel));
    // Over Edit1 and GroupBox1, the main window's controls stay in front.
    EXPECT_EQ(form.childAt(form.Edit1->mapTo(&form, QPoint(5, 5))), form.Edit1);
    QWidget* atBox = form.childAt(form.GroupBox1->mapTo(&form, QPoint(5, 50)));
    EXPECT_TRUE(atBox == form.GroupBox1 || form.GroupBox1->isAncestorOf(atBox));

    // A child beyond the visible workspace brings scroll bars.
    sub->move(600, 500);
    EXPECT_TRUE(ui_fixtures::WaitUntil([&] {
        return workspace->horizontalScrollBar()->isVisible() || workspace->verticalScrollBar()->isVisible();
    }));
    // Scrolling moves the child windows, not the controls on the workspace.
    const QPoint labelBefore = form.Label3->mapTo(&form, QPoint(0, 0));
    workspace->verticalScrollBar()->setValue(workspace->verticalScrollBar()->maximum());
    workspace->horizontalScrollBar()->setValue(workspace->horizontalScrollBar()->maximum());
    QCoreApplication::processEvents();
    EXPECT_EQ(form.Label3->mapTo(&form, QPoint(0, 0)), labelBefore);

    workspace->removeSubWindow(sub);
    delete sub;
    QCoreApplication::processEvents();
}

TEST(MainWindow, LabelsSizeThemselvesToTheirText) {
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.Label11->setText(QStringLiteral("Citra Asli"));
    EXPECT_EQ(form.Label11->width(), form.Label11->fontMetrics().horizontalAdvance(QStringLiteral("Citra Asli")));
    EXPECT_EQ(form.Label11->mapTo(&form, QPoint(0, 0)), QPoint(504, 64));
    EXPECT_EQ(form.Label11->height(), 13);
    form.Label7->setText(QStringLiteral("921654 bytes"));
    EXPECT_EQ(form.Label7->width(), form.Label7->fontMetrics().horizontalAdvance(QStringLiteral("921654 bytes")));
    EXPECT_EQ(form.Label7->pos(), QPoint(120, 32));
    form.Label11->setText(QString());
    EXPECT_EQ(form.Label11->width(), 3);
}

TEST(MainWindow, StatusTextSpansTheBar) {
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QString status = QStringLiteral("Citra True Color (640 x 480 pixels)");
    form.StatusBar1->setText(status);
    EXPECT_EQ(form.StatusBar1->text(), status);
    EXPECT_EQ(form.StatusBar1->geometry(), QRect(0, 641, 749, 19));
    // The text is drawn: the bar's left part now holds text-coloured pixels.
    const QImage bar = form.StatusBar1->grab().toImage();
    auto darkPixels = [&](int from, int to) {
        int count = 0;
        for (int x = from; x < to; ++x) {
            for (int y = 3; y < bar.height() - 1; ++y) {
                count += qGray(bar.pixel(x, y)) < 96 ? 1 : 0;
            }
        }
        return count;
    };
    EXPECT_GT(darkPixels(0, 200), 40);
    EXPECT_EQ(darkPixels(400, 740), 0) << "nothing drawn past the text";
}

TEST(MainWindow, MaximisedKeepsStatusBarAtTheBottomAndControlsInPlace) {
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.showMaximized();
    ASSERT_TRUE(ui_fixtures::WaitUntil([&] { return form.isMaximized(); }));
    ASSERT_TRUE(ui_fixtures::WaitUntil([&] { return form.size() != QSize(749, 660); }));
    const QSize size = form.size();
    EXPECT_EQ(form.Workspace()->geometry(), QRect(0, 0, size.width(), size.height() - 19));
    EXPECT_EQ(form.StatusBar1->geometry(), QRect(0, size.height() - 19, size.width(), 19));
    EXPECT_EQ(form.Edit1->geometry(), QRect(144, 72, 265, 21));
    EXPECT_EQ(form.Label3->mapTo(&form, QPoint(0, 0)), QPoint(16, 72));
    form.showNormal();
    ASSERT_TRUE(ui_fixtures::WaitUntil([&] { return form.size() == QSize(749, 660); })) << form.size().width() << 'x' << form.size().height();
    EXPECT_EQ(form.StatusBar1->geometry(), QRect(0, 641, 749, 19));
}

// Taskbars show the application title: X11's reads the icon name and
// the window class (from the application name), launchers the desktop
// entry, whose name follows the executable it starts.
TEST(MainWindow, TaskbarTextIsTheApplicationTitleCaptionUnchanged) {
    TForm1& form = SharedForm();
    EXPECT_EQ(form.windowIconText(), ApplicationTitle());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Analisis Kualitas Citra"));
    EXPECT_EQ(QCoreApplication::applicationName(), ApplicationTitle());

    QFile entry(QStringLiteral(DESKTOP_ENTRY));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text)) << DESKTOP_ENTRY;
    QMap<QString, QString> keys;
    for (const QString& line : QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'))) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0) keys.insert(line.left(equals), line.mid(equals + 1));
    }
    ASSERT_TRUE(keys.contains(QStringLiteral("Exec")));
    EXPECT_EQ(keys.value(QStringLiteral("Exec")), QStringLiteral("AnalisisCitra"));
    EXPECT_EQ(keys.value(QStringLiteral("Name")), ApplicationTitleFromPath(keys.value(QStringLiteral("Exec"))));
    EXPECT_EQ(keys.value(QStringLiteral("StartupWMClass")), keys.value(QStringLiteral("Name")));
    EXPECT_EQ(QGuiApplication::desktopFileName() + QStringLiteral(".desktop"), QFileInfo(entry).fileName());
}

// The request to show the window maximised or minimised, as the program
// takes it from its arguments.
TEST(StartShow, RequestFromArguments) {
    struct Case {
        QStringList arguments;
        TStartShow request;
    };
    const QString program = QStringLiteral("AnalisisCitra");
    const std::vector<Case> cases = {
        {{program}, TStartShow::Normal},
        {{program, QStringLiteral("--maximized")}, TStartShow::Maximised},
        {{program, QStringLiteral("--minimized")}, TStartShow::Minimised},
        {{program, QStringLiteral("-iconic")}, TStartShow::Minimised},
        {{program, QStringLiteral("--maximized"), QStringLiteral("-iconic")}, TStartShow::Minimised},
        {{program, QStringLiteral("gambar.bmp")}, TStartShow::Normal},
        {{QStringLiteral("--maximized")}, TStartShow::Normal},  // the program's own name is no request
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StartShowFromArguments(c.arguments), c.request) << c.arguments.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(StartShow, MaximisedStartFillsTheScreenMinimisedStartTakesNoFocus) {
    {
        TForm1 form;
        ShowAtStart(&form, TStartShow::Maximised);
        ASSERT_TRUE(ui_fixtures::WaitUntil([&] { return form.isMaximized(); }));
        const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
        ASSERT_TRUE(ui_fixtures::WaitUntil([&] { return form.frameGeometry().size() == screen; }))
            << form.frameGeometry().width() << 'x' << form.frameGeometry().height();
        EXPECT_EQ(form.StatusBar1->geometry().bottom(), form.height() - 1);
    }
    {
        TForm1 form;
        ShowAtStart(&form, TStartShow::Minimised);
        EXPECT_TRUE(form.isMinimized());
        EXPECT_TRUE(form.testAttribute(Qt::WA_ShowWithoutActivating));
        form.showNormal();
        ASSERT_TRUE(ui_fixtures::WaitUntil([&] { return form.size() == QSize(749, 660); })) << form.size().width() << 'x' << form.size().height();
    }
}

TEST(MainWindow, NormalWindowTakesBackASizeGivenByItsFrame) {
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // What a window manager does when the user drags the frame.
    for (const QSize given : {QSize(900, 700), QSize(1000, 660), QSize(749, 800)}) {
        form.windowHandle()->resize(given);
        ASSERT_TRUE(ui_fixtures::WaitUntil([&] { return form.size() == QSize(749, 660); })) << form.size().width() << 'x' << form.size().height();
        EXPECT_EQ(form.StatusBar1->geometry(), QRect(0, 641, 749, 19));
        EXPECT_EQ(form.Workspace()->geometry(), QRect(0, 0, 749, 641));
    }
}

// Focus order and accelerator keys need an active window.
class ActiveFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm1>();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    std::vector<std::string> TabWalk(QWidget* start, int steps, bool backwards = false) {
        start->setFocus(Qt::TabFocusReason);
        std::vector<std::string> names;
        for (int i = 0; i < steps; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
            names.push_back(QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : "");
        }
        return names;
    }
    std::unique_ptr<TForm1> form;
};

TEST_F(ActiveFormTest, NoControlHasTheFocusAtStart) {
    QWidget* focused = QApplication::focusWidget();
    EXPECT_TRUE(focused == nullptr || focused == form.get()) << focused->objectName().toStdString();
    // Tab from the window itself goes into the controls.
    QTest::keyClick(form.get(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->Edit1);
}

TEST_F(ActiveFormTest, FocusingTheWindowReturnsToItsLastFocusedControl) {
    form->FocusWindow();
    EXPECT_EQ(QApplication::focusWidget(), form.get()) << "no control had the focus yet";

    auto* inner = new QLineEdit;
    QMdiSubWindow* child = form->Workspace()->addSubWindow(inner);
    child->show();
    form->Button4->setFocus();
    inner->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), inner);
    form->FocusWindow();
    EXPECT_EQ(QApplication::focusWidget(), form->Button4);
    delete child;
}

TEST_F(ActiveFormTest, TabSkipsTheDisabledButtons) {
    EXPECT_EQ(TabWalk(form->Edit1, 7),
              (std::vector<std::string>{"Edit2", "Button1", "Button4", "Button5", "Edit3", "Edit4", "Edit1"}));
    EXPECT_EQ(TabWalk(form->Edit1, 7, true),
              (std::vector<std::string>{"Edit4", "Edit3", "Button5", "Button4", "Button1", "Edit2", "Edit1"}));
}

TEST_F(ActiveFormTest, TabCyclesThroughEveryEnabledControlInOrder) {
    form->Button2->setEnabled(true);
    form->Button3->setEnabled(true);
    EXPECT_EQ(TabWalk(form->Edit1, 9), (std::vector<std::string>{"Edit2", "Button1", "Button2", "Button3", "Button4",
                                                                 "Button5", "Edit3", "Edit4", "Edit1"}));
}

TEST_F(ActiveFormTest, AltWithTheUnderlinedLetterClicksAnEnabledButtonOnly) {
    // The commands run for real: their file dialogs are cancelled and
    // their messages taken without a box.
    struct QuietCommands {
        QuietCommands() {
            TOpenPictureDialog::SetExecuteHook([](TOpenPictureDialog&) { return std::optional<QString>(); });
            SetModalMessageHook([](const QString&) {});
        }
        ~QuietCommands() {
            TOpenPictureDialog::SetExecuteHook({});
            SetModalMessageHook({});
        }
    } quiet;
    struct Key {
        Qt::Key key;
        QPushButton* button;
    };
    const Key keys[] = {{Qt::Key_B, form->Button1}, {Qt::Key_U, form->Button2}, {Qt::Key_A, form->Button3},
                        {Qt::Key_R, form->Button4}, {Qt::Key_K, form->Button5}};
    // A mnemonic press shows the button going down and up: the click
    // follows a moment later. The clicks of every button are counted
    // throughout; each press of an enabled button waits for its click, and
    // a click a press of a disabled one set off would come before that.
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const Key& k : keys) spies.push_back(std::make_unique<QSignalSpy>(k.button, &QPushButton::clicked));
    std::vector<int> expected(std::size(keys), 0);
    auto press = [&](size_t i) {
        const bool enabled = keys[i].button->isEnabled();
        QTest::keyClick(form->Edit1, keys[i].key, Qt::AltModifier);
        if (!enabled) return;
        ++expected[i];
        EXPECT_TRUE(ui_fixtures::WaitUntil([&] { return spies[i]->count() >= expected[i]; }))
            << "no click from " << keys[i].button->objectName().toStdString();
    };
    auto expectClicks = [&] {
        for (size_t i = 0; i < std::size(keys); ++i)
            EXPECT_EQ(spies[i]->count(), expected[i]) << keys[i].button->objectName().toStdString();
    };
    form->Edit1->setFocus();
    ASSERT_FALSE(keys[1].button->isEnabled());
    ASSERT_FALSE(keys[2].button->isEnabled());
    for (size_t i = 0; i < std::size(keys); ++i) press(i);
    expectClicks();
    EXPECT_TRUE(form->Edit1->text().isEmpty()) << "an accelerator key is no text";
    form->Button2->setEnabled(true);
    form->Button3->setEnabled(true);
    press(1);
    press(2);
    expectClicks();
    // A plain letter typed into an edit box is text, not a command.
    QSignalSpy spy(form->Button1, &QPushButton::clicked);
    QTest::keyClick(form->Edit1, Qt::Key_B);
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(form->Edit1->text(), QStringLiteral("b"));
}

struct PlacementCase {
    QSize desktop;
    QSize window;
    QPoint offset;
};

class PlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTest, CentredOnTheDesktopTruncatedAndNeverNegative) {
    EXPECT_EQ(CentredOffset(GetParam().desktop, GetParam().window), GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, PlacementTest,
    ::testing::Values(PlacementCase{{1280, 1024}, {751, 681}, {264, 171}},
                      PlacementCase{{1920, 1080}, {757, 692}, {581, 194}},
                      PlacementCase{{1000, 700}, {749, 660}, {125, 20}},
                      PlacementCase{{3840, 1024}, {751, 681}, {1544, 171}},
                      PlacementCase{{749, 660}, {749, 660}, {0, 0}},
                      PlacementCase{{800, 600}, {751, 681}, {24, 0}},
                      PlacementCase{{748, 659}, {749, 660}, {0, 0}},
                      PlacementCase{{640, 480}, {751, 681}, {0, 0}}));

TEST(Placement, FirstShowingCentresTheWindowOnTheDesktop) {
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QSize desktop = primary->virtualGeometry().size();
    const QSize outer = form.frameGeometry().size();
    const QPoint expected(std::max(0, (desktop.width() - outer.width()) / 2),
                          std::max(0, (desktop.height() - outer.height()) / 2));
    EXPECT_EQ(form.frameGeometry().topLeft(), primary->geometry().topLeft() + expected);
    // Only the first showing: hidden, moved and shown again, it stays.
    form.hide();
    form.move(10, 12);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.pos(), QPoint(10, 12));
}

struct ScaleCase {
    int designed;
    int lineHeight;
    int scaled;
};

class LayoutScaleTest : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(LayoutScaleTest, ScalesByLineHeightOverThirteen) {
    EXPECT_EQ(ScaleLength(GetParam().designed, GetParam().lineHeight), GetParam().scaled);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, LayoutScaleTest,
                         ::testing::Values(ScaleCase{749, 13, 749}, ScaleCase{749, 16, 922}, ScaleCase{660, 16, 812},
                                           ScaleCase{19, 15, 22}, ScaleCase{3, 16, 4}, ScaleCase{749, 11, 634},
                                           ScaleCase{0, 16, 0}));

TEST(LayoutScale, WindowFontLineHeightIsThirteenAtNinetySixDotsPerInch) {
    EXPECT_EQ(WindowFontPixelSize(96), 11);
    EXPECT_EQ(WindowFontLineHeight(96), 13);
    EXPECT_GT(WindowFontLineHeight(144), 13);
    EXPECT_EQ(WindowFontPixelSize(120), 13);
}

TEST(DesignFont, AStandInFamilyIsNarrowedUntilTheCaptionsFit) {
    const QString caption = QStringLiteral("File Citra Asli                     :");
    const QFont wide = DesignFont(11);
    const int natural = QFontMetrics(wide).horizontalAdvance(caption);
    const QFont fitted = DesignFont(11, {{caption, natural - 10}});
    EXPECT_LE(QFontMetrics(fitted).horizontalAdvance(caption), natural - 10);
    EXPECT_EQ(fitted.pixelSize(), 11);
    EXPECT_EQ(QFontMetrics(fitted).height(), QFontMetrics(wide).height()) << "narrowing keeps the line height";
}

// The program ends through the event loop: run it and see it return 0.
int RunLoopUntilQuit(const std::function<void()>& trigger) {
    QTimer::singleShot(0, trigger);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    return QCoreApplication::exec();
}

TEST(Ending, KeluarQueuesTheQuitRequestAndTheLoopEndsWithZero) {
    TForm1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(RunLoopUntilQuit([&] { QTest::mouseClick(form.Button5, Qt::LeftButton); }), 0);
}

TEST(Ending, ClosingTheMainWindowEndsTheLoopWithZero) {
    TForm1 form;
    auto* child = new QWidget;
    child->setMinimumSize(275, 170);
    form.Workspace()->addSubWindow(child)->show();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(RunLoopUntilQuit([&] { form.close(); }), 0);
    EXPECT_FALSE(form.isVisible());
}

}  // namespace
