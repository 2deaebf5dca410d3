// The five commands of the main window, run through their buttons and
// accelerator keys: opening the two images, the analysis, the reset.
// File dialogs and message boxes are answered through their test seams,
// except in the test that answers the real ones.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "MessageBoxes.h"
#include "OpenPictureDialog.h"
#include "UMain.h"
#include "UnitHist.h"
#include "picture.h"
#include "ui_fixtures.h"

namespace {

const QString kNot24Bit = QStringLiteral("Program ini hanya untuk citra dengan format pixel 24 bit");
const QString kSizeDiffers = QStringLiteral("Luas citra asli dan Luas citra hasil manipulasi tidak sama!");

using Colour = std::function<QRgb(int, int)>;

QRgb Pattern(int x, int y) {
    return qRgb(x % 256, y % 256, (x / 3 + y) % 256);
}

// An 8-bit bitmap file with a grey palette.
bool WriteBmp8(const QString& path, int width, int height) {
    bmp_builder::BmpSpec spec = bmp_builder::Grey8(width, height, [&](int32_t x, int32_t y) {
        return static_cast<uint8_t>((x + y * width) * 7);
    });
    spec.coloursUsedField = 256;
    return bmp_builder::WriteFile(path.toStdString(), bmp_builder::BuildBmp(spec));
}

// An icon file of one 16 x 16 image: loaded, then refused as no bitmap.
bool WriteIcon(const QString& path) {
    const char bytes[22] = {0, 0, 1, 0, 1, 0, 16, 16};
    QFile out(path);
    return out.open(QIODevice::WriteOnly) && out.write(bytes, sizeof bytes) == sizeof bytes;
}

// Counts of each channel's values, worked out from the colours.
struct Counts {
    std::array<int32_t, 256> red{}, green{}, blue{};
};

Counts CountsOf(int width, int height, const Colour& colour) {
    Counts counts;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb c = colour(x, y);
            ++counts.red[qRed(c)];
            ++counts.green[qGreen(c)];
            ++counts.blue[qBlue(c)];
        }
    }
    return counts;
}

// What a histogram window shows, for comparing before and after.
struct HistState {
    QPoint place;
    bool minimised;
    QString caption;
    const Picture* source;
    std::array<int32_t, 256> red;
    int32_t peak;
    bool operator==(const HistState&) const = default;
};

void PrintTo(const HistState& s, std::ostream* os) {
    *os << "at " << s.place.x() << "," << s.place.y() << (s.minimised ? " minimised" : "") << " \""
        << s.caption.toStdString() << "\" source " << s.source << " peak " << s.peak;
}

HistState StateOf(const TFormHist& window) {
    return {QPoint(window.Left(), window.Top()), window.isMinimized(), window.windowTitle(), window.SourcePicture,
            window.HistRed, window.HistPeak};
}

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_EQ(FormHist, nullptr);
        ASSERT_EQ(FormHist2, nullptr);
        TOpenPictureDialog::SetExecuteHook([this](TOpenPictureDialog& dialog) -> std::optional<QString> {
            dialogs_.push_back(&dialog);
            if (answers_.empty()) {
                ADD_FAILURE() << "a file dialog nobody expected";
                return std::nullopt;
            }
            const std::optional<QString> answer = answers_.front();
            answers_.pop_front();
            return answer;
        });
        SetModalMessageHook([this](const QString& text) { messages_.push_back(text); });
        SetUncaughtErrorHook([this](const QString& text) { errors_.push_back(text); });
        form_ = std::make_unique<TForm1>();
        form_->show();
        form_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        ASSERT_EQ(form_->LineHeight(), 13) << "the positions below hold at 96 dots per inch";
    }

    void TearDown() override {
        form_.reset();
        EXPECT_EQ(FormHist, nullptr) << "the histogram windows go with the main window";
        EXPECT_EQ(FormHist2, nullptr);
        TOpenPictureDialog::SetExecuteHook({});
        SetModalMessageHook({});
        SetUncaughtErrorHook({});
    }

    QString Bmp24(const QString& name, int width, int height, const Colour& colour = Pattern) {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(ui_fixtures::WriteBmp24(path, width, height, colour));
        return path;
    }
    QString Bmp8(const QString& name, int width, int height) {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(WriteBmp8(path, width, height));
        return path;
    }

    // Alt with the button's letter, as the user presses it; returns once
    // the command has run (the click follows the key a moment later).
    void Press(Qt::Key key) {
        QPushButton* button = ButtonFor(key);
        ASSERT_TRUE(button->isEnabled()) << button->objectName().toStdString();
        // Accelerator keys reach the active window only.
        ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
        QSignalSpy clicked(button, &QPushButton::clicked);
        QTest::keyClick(form_.get(), key, Qt::AltModifier);
        EXPECT_TRUE(clicked.count() == 1 || clicked.wait(3000)) << "no click from the accelerator key";
    }
    QPushButton* ButtonFor(Qt::Key key) const {
        switch (key) {
            case Qt::Key_B: return form_->Button1;
            case Qt::Key_U: return form_->Button2;
            case Qt::Key_A: return form_->Button3;
            case Qt::Key_R: return form_->Button4;
            default: return form_->Button5;
        }
    }
    void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    // The open commands with the answer their dialog gets (nullopt: cancelled).
    void OpenOriginal(std::optional<QString> answer) {
        answers_.push_back(std::move(answer));
        Click(form_->Button1);
    }
    void OpenManipulated(std::optional<QString> answer) {
        answers_.push_back(std::move(answer));
        Click(form_->Button2);
    }
    void OpenPair(const QString& original, const QString& manipulated) {
        OpenOriginal(original);
        OpenManipulated(manipulated);
    }

    QString Status() const { return form_->StatusBar1->text(); }
    QStringList Texts() const {
        return {form_->Edit1->text(), form_->Edit2->text(), form_->Label7->text(), form_->Label8->text(),
                form_->Edit3->text(), form_->Edit4->text(), form_->Label11->text(), form_->Label13->text(),
                Status()};
    }

    QTemporaryDir dir_;
    std::unique_ptr<TForm1> form_;
    std::deque<std::optional<QString>> answers_;
    std::vector<TOpenPictureDialog*> dialogs_;
    QStringList messages_;
    QStringList errors_;
};

// Return and the keypad's Enter press the focused button, once however long
// they are held; in an edit box they press nothing. The commands are
// unhooked: only the key's click is looked at here.
TEST_F(CommandsTest, ReturnAndEnterPressTheFocusedButton) {
    const std::vector<QPushButton*> buttons{form_->Button1, form_->Button2, form_->Button3, form_->Button4,
                                            form_->Button5};
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (QPushButton* button : buttons) {
        button->setEnabled(true);
        QObject::disconnect(button, &QPushButton::clicked, nullptr, nullptr);
        spies.push_back(std::make_unique<QSignalSpy>(button, &QPushButton::clicked));
    }
    const auto counts = [&] {
        std::vector<int> n;
        for (const auto& spy : spies) n.push_back(static_cast<int>(spy->count()));
        return n;
    };
    for (size_t i = 0; i < buttons.size(); ++i) {
        SCOPED_TRACE(buttons[i]->objectName().toStdString());
        buttons[i]->setFocus();
        ASSERT_EQ(QApplication::focusWidget(), buttons[i]);
        std::vector<int> want = counts();
        QTest::keyClick(buttons[i], Qt::Key_Return);
        ++want[i];
        EXPECT_EQ(counts(), want) << "Return";
        QTest::keyClick(buttons[i], Qt::Key_Enter, Qt::KeypadModifier);
        ++want[i];
        EXPECT_EQ(counts(), want) << "Enter";
        QKeyEvent repeated(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
        QApplication::sendEvent(buttons[i], &repeated);
        EXPECT_EQ(counts(), want) << "a held key presses once";
        QTest::keyClick(buttons[i], Qt::Key_Return, Qt::ShiftModifier);
        EXPECT_EQ(counts(), want) << "Shift+Return";
    }
    const std::vector<int> before = counts();
    form_->Edit1->setFocus();
    QTest::keyClick(form_->Edit1, Qt::Key_Return);
    EXPECT_EQ(counts(), before) << "Return in an edit box";
}

// Each edit box and Info value is named after the caption beside it; an
// Info value's text follows as its description.
TEST_F(CommandsTest, ScreenReadersHearTheCaptionBesideEachControl) {
    const std::pair<QWidget*, const char*> names[] = {
        {form_->Edit1, "File Citra Asli"},
        {form_->Edit2, "File Citra Hasil Manipulasi"},
        {form_->Edit3, "Mean Squre Error (MSE)"},
        {form_->Edit4, "Peak Signal to Noise Ratio (PSNR)"},
        {form_->Label7, "Ukuran File Citra"},
        {form_->Label8, "Luas File Citra"},
    };
    const auto accessible = [](QWidget* control, QAccessible::Text which) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(control);
        return face != nullptr ? face->text(which) : QStringLiteral("(no interface)");
    };
    for (const auto& [control, name] : names) {
        EXPECT_EQ(accessible(control, QAccessible::Name), QString::fromLatin1(name))
            << control->objectName().toStdString();
    }
    EXPECT_EQ(form_->Label3->text(), QStringLiteral("File Citra Asli                     :")) << "visible text kept";

    OpenOriginal(Bmp24(QStringLiteral("asli.bmp"), 640, 480));
    EXPECT_EQ(accessible(form_->Label7, QAccessible::Description), QStringLiteral("921654 bytes"));
    EXPECT_EQ(accessible(form_->Label8, QAccessible::Description), QStringLiteral("640 x 480 pixels"));
    EXPECT_EQ(accessible(form_->Label7, QAccessible::Name), QStringLiteral("Ukuran File Citra"));
    EXPECT_EQ(form_->Label7->text(), QStringLiteral("921654 bytes"));
}

TEST_F(CommandsTest, TypicalUseWithTheKeyboard) {
    const QString original = Bmp24(QStringLiteral("asli.bmp"), 640, 480);
    const QString copy = Bmp24(QStringLiteral("hasil.bmp"), 640, 480);
    ASSERT_EQ(QFile(original).size(), 921654);
    const QSize windowSize = form_->size();

    answers_.push_back(original);
    Press(Qt::Key_B);
    ASSERT_EQ(dialogs_, std::vector<TOpenPictureDialog*>{form_->OpenPictureDialog1});
    EXPECT_EQ(form_->Edit1->text(), original);
    EXPECT_EQ(form_->Label11->text(), QStringLiteral("Citra Asli"));
    EXPECT_EQ(Status(), QStringLiteral("Citra True Color (640 x 480 pixels)"));
    EXPECT_EQ(form_->Label7->text(), QStringLiteral("921654 bytes"));
    EXPECT_EQ(form_->Label8->text(), QStringLiteral("640 x 480 pixels"));
    EXPECT_EQ(form_->Image1->picture().Width(), 640);
    EXPECT_TRUE(form_->Button2->isEnabled());
    EXPECT_FALSE(form_->Button3->isEnabled());
    ASSERT_NE(FormHist, nullptr);
    EXPECT_EQ(FormHist->mdiArea(), form_->Workspace());
    EXPECT_EQ(FormHist->pos(), QPoint(16, 424));
    EXPECT_EQ(FormHist->windowTitle(), QStringLiteral("Histogram Citra Asli"));
    EXPECT_TRUE(FormHist->isVisible());
    EXPECT_EQ(FormHist->SourcePicture, &form_->Image1->picture());
    const Counts counts = CountsOf(640, 480, Pattern);
    EXPECT_EQ(FormHist->HistRed, counts.red);
    EXPECT_EQ(FormHist->HistGreen, counts.green);
    EXPECT_EQ(FormHist->HistBlue, counts.blue);
    int32_t peak = 0;
    for (const auto* channel : {&counts.red, &counts.green, &counts.blue}) {
        for (int32_t n : *channel) peak = std::max(peak, n);
    }
    EXPECT_EQ(FormHist->HistPeak, peak);
    EXPECT_EQ(FormHist2, nullptr);

    answers_.push_back(copy);
    Press(Qt::Key_U);
    EXPECT_EQ(dialogs_.back(), form_->OpenPictureDialog2);
    EXPECT_EQ(form_->Edit2->text(), copy);
    EXPECT_EQ(form_->Label13->text(), QStringLiteral("Citra Hasil Manipulasi"));
    EXPECT_EQ(Status(), QStringLiteral("Citra True Color (640 x 480 pixels)"));
    ASSERT_NE(FormHist2, nullptr);
    EXPECT_NE(FormHist2, FormHist);
    EXPECT_EQ(FormHist2->windowTitle(), QStringLiteral("Histogram Citra Hasil"));
    EXPECT_EQ(FormHist->windowTitle(), QStringLiteral("Histogram Citra Asli"));
    EXPECT_GT(FormHist->OuterWidth(), TFormHist::kClientWidth) << "the frame counts";
    EXPECT_EQ(FormHist2->pos(), QPoint(16 + FormHist->width() + 30, 424));
    EXPECT_EQ(FormHist2->SourcePicture, &form_->Image2->picture());
    EXPECT_EQ(FormHist2->HistBlue, counts.blue);
    EXPECT_TRUE(form_->Button3->isEnabled());

    // The analysis moves no focus and changes nothing but the two results.
    form_->Button4->setFocus();
    const QStringList before = Texts();
    Press(Qt::Key_A);
    EXPECT_EQ(form_->Edit3->text(), QStringLiteral("0.000"));
    EXPECT_EQ(form_->Edit4->text(), QStringLiteral("108.131"));
    EXPECT_EQ(QApplication::focusWidget(), form_->Button4);
    QStringList expected = before;
    expected[4] = QStringLiteral("0.000");
    expected[5] = QStringLiteral("108.131");
    EXPECT_EQ(Texts(), expected);
    EXPECT_EQ(form_->size(), windowSize);
    EXPECT_TRUE(form_->Button3->isEnabled());
    EXPECT_EQ(FormHist2->pos(), QPoint(16 + FormHist->width() + 30, 424));

    // Again: the same texts.
    form_->Edit3->setText(QString());
    Press(Qt::Key_A);
    EXPECT_EQ(form_->Edit3->text(), QStringLiteral("0.000"));
    EXPECT_EQ(form_->Edit4->text(), QStringLiteral("108.131"));
    EXPECT_TRUE(messages_.isEmpty()) << messages_.join('|').toStdString();
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('|').toStdString();
}

struct MetricCase {
    const char* name;
    int width, height;
    Colour original, manipulated;
    const char* mse;
    const char* psnr;
};

void PrintTo(const MetricCase& c, std::ostream* os) {
    *os << c.name;
}

const MetricCase kMetricCases[] = {
    {"Identical", 7, 5, Pattern, Pattern, "0.000", "108.131"},
    {"OneByOneDifferingByOne", 1, 1, [](int, int) { return qRgb(10, 20, 30); },
     [](int, int) { return qRgb(10, 20, 31); }, "1.000", "48.131"},
    {"EveryByteDiffersByOne", 3, 3, [](int, int) { return qRgb(100, 100, 100); },
     [](int, int) { return qRgb(101, 99, 101); }, "3.000", "43.360"},
    {"FourByFourOneByteDiffersByOne", 4, 4, Pattern,
     [](int x, int y) {
         const QRgb p = Pattern(x, y);
         return x == 2 && y == 3 ? qRgb(qRed(p) + 1, qGreen(p), qBlue(p)) : p;
     },
     "0.063", "60.172"},
    {"OneByOneDifferingBy255", 1, 1, [](int, int) { return qRgb(0, 7, 7); }, [](int, int) { return qRgb(255, 7, 7); },
     "65025.000", "0.000"},
    {"BlackAgainstWhite", 2, 3, [](int, int) { return qRgb(0, 0, 0); }, [](int, int) { return qRgb(255, 255, 255); },
     "195075.000", "-4.771"},
};

class AnalysisTest : public CommandsTest, public ::testing::WithParamInterface<MetricCase> {};

TEST_P(AnalysisTest, ShowsThreeDecimals) {
    const MetricCase& c = GetParam();
    OpenPair(Bmp24(QStringLiteral("a.bmp"), c.width, c.height, c.original),
             Bmp24(QStringLiteral("b.bmp"), c.width, c.height, c.manipulated));
    ASSERT_TRUE(form_->Button3->isEnabled());
    Click(form_->Button3);
    EXPECT_EQ(form_->Edit3->text(), QString::fromLatin1(c.mse));
    EXPECT_EQ(form_->Edit4->text(), QString::fromLatin1(c.psnr));
    EXPECT_TRUE(messages_.isEmpty() && errors_.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Metrics, AnalysisTest, ::testing::ValuesIn(kMetricCases),
                         [](const auto& info) { return std::string(info.param.name); });

// "&Buka" refused or failing: what it changed before stays changed, the
// rest stays as it was, and the histogram half does not run.
struct OpenFailure {
    const char* name;
    enum { EightBit, Icon, Missing, UnknownExtension, SizeUnmeasurable } file;
    const char* message;  // through ShowModalMessage
    const char* error;    // through ReportUncaughtError; %1 stands for the path
    bool loaded;          // the new picture is in Image1, Edit1 and Label11 show it
};

void PrintTo(const OpenFailure& c, std::ostream* os) {
    *os << c.name;
}

const OpenFailure kOpenFailures[] = {
    {"EightBit", OpenFailure::EightBit, "Program ini hanya untuk citra dengan format pixel 24 bit", nullptr, true},
    {"Icon", OpenFailure::Icon, "Program ini hanya untuk citra dengan format pixel 24 bit", nullptr, true},
    {"Missing", OpenFailure::Missing, nullptr, "Cannot open file \"%1\". No such file or directory.", false},
    {"UnknownExtension", OpenFailure::UnknownExtension, nullptr, "Unknown picture file extension (.txt)", false},
    {"SizeUnmeasurable", OpenFailure::SizeUnmeasurable, nullptr, "File not found.", true},
};

class OpenOriginalFailureTest : public CommandsTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenOriginalFailureTest, KeepsWhatItDidNotReach) {
    const OpenFailure& c = GetParam();
    // An earlier picture and texts, to see what stays.
    LoadPicture(form_->Image1->picture(), Bmp24(QStringLiteral("earlier.bmp"), 4, 3).toStdString());
    form_->StatusBar1->setText(QStringLiteral("status"));
    form_->Label7->setText(QStringLiteral("size"));
    form_->Label8->setText(QStringLiteral("dimensions"));

    QString path;
    switch (c.file) {
        case OpenFailure::EightBit: path = Bmp8(QStringLiteral("grey.bmp"), 5, 2); break;
        case OpenFailure::Icon:
            path = dir_.filePath(QStringLiteral("icon.ico"));
            ASSERT_TRUE(WriteIcon(path));
            break;
        case OpenFailure::Missing: path = dir_.filePath(QStringLiteral("none.bmp")); break;
        case OpenFailure::UnknownExtension:
            path = Bmp24(QStringLiteral("picture.txt"), 2, 2);
            break;
        case OpenFailure::SizeUnmeasurable:
            // The file goes away once it is loaded, before its size is measured.
            path = Bmp24(QStringLiteral("gone.bmp"), 6, 2);
            form_->Image1->picture().SetChangeListener([path] { QFile::remove(path); });
            break;
    }
    OpenOriginal(path);

    EXPECT_EQ(messages_, c.message ? QStringList{QString::fromLatin1(c.message)} : QStringList{});
    EXPECT_EQ(errors_, c.error ? QStringList{QString::fromLatin1(c.error).replace(QStringLiteral("%1"), path)} : QStringList{});
    const Picture& picture = form_->Image1->picture();
    EXPECT_EQ(form_->Edit1->text(), c.loaded ? path : QString());
    EXPECT_EQ(form_->Label11->text(), c.loaded ? QStringLiteral("Citra Asli") : QString());
    ASSERT_EQ(picture.Kind(), PictureKind::Bitmap);
    switch (c.file) {
        case OpenFailure::EightBit:
            EXPECT_EQ(picture.BitmapIfAny()->BitsPerPixel(), 8);
            EXPECT_EQ(picture.Width(), 5);
            break;
        case OpenFailure::Icon:
            EXPECT_TRUE(picture.BitmapIfAny()->Empty()) << "replaced by an empty bitmap";
            break;
        case OpenFailure::SizeUnmeasurable: EXPECT_EQ(picture.Width(), 6); break;
        default: EXPECT_EQ(picture.Width(), 4) << "the earlier picture stays"; break;
    }
    EXPECT_EQ(Status(), QStringLiteral("status"));
    EXPECT_EQ(form_->Label7->text(), QStringLiteral("size"));
    EXPECT_EQ(form_->Label8->text(), QStringLiteral("dimensions"));
    EXPECT_FALSE(form_->Button2->isEnabled());
    EXPECT_EQ(FormHist, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Opening, OpenOriginalFailureTest, ::testing::ValuesIn(kOpenFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// "B&uka" refused or failing after a good pair: the status text, FormHist2
// and "&Analisis" stay as they were.
struct ManipulatedFailure {
    const char* name;
    int width, height;
    bool eightBit;
    bool missing;
};

void PrintTo(const ManipulatedFailure& c, std::ostream* os) {
    *os << c.name;
}

class OpenManipulatedFailureTest : public CommandsTest, public ::testing::WithParamInterface<ManipulatedFailure> {};

TEST_P(OpenManipulatedFailureTest, LeavesStatusHistogramAndAnalysisAlone) {
    const ManipulatedFailure& c = GetParam();
    const QString first = Bmp24(QStringLiteral("b.bmp"), 4, 3, [](int x, int) { return qRgb(x * 50, 9, 9); });
    OpenPair(Bmp24(QStringLiteral("a.bmp"), 4, 3), first);
    ASSERT_NE(FormHist2, nullptr);
    FormHist2->move(300, 40);  // moved by the user
    form_->Edit1->setFocus();
    const HistState hist2 = StateOf(*FormHist2);
    const HistState hist1 = StateOf(*FormHist);

    QString path;
    if (c.missing) {
        path = dir_.filePath(QStringLiteral("none.bmp"));
    } else if (c.eightBit) {
        path = Bmp8(QStringLiteral("grey.bmp"), c.width, c.height);
    } else {
        path = Bmp24(QStringLiteral("other.bmp"), c.width, c.height);
    }
    OpenManipulated(path);

    const Picture& picture = form_->Image2->picture();
    if (c.missing) {
        EXPECT_EQ(errors_, QStringList{QStringLiteral("Cannot open file \"%1\". No such file or directory.").arg(path)});
        EXPECT_TRUE(messages_.isEmpty());
        EXPECT_EQ(form_->Edit2->text(), first);
        EXPECT_EQ(form_->Label13->text(), QStringLiteral("Citra Hasil Manipulasi"));
        EXPECT_EQ(picture.Width(), 4) << "the earlier picture stays";
    } else if (c.eightBit) {
        EXPECT_EQ(messages_, QStringList{kNot24Bit});
        EXPECT_EQ(form_->Edit2->text(), path);
        EXPECT_EQ(form_->Label13->text(), QStringLiteral("Citra Hasil Manipulasi"));
        ASSERT_NE(picture.BitmapIfAny(), nullptr);
        EXPECT_EQ(picture.BitmapIfAny()->BitsPerPixel(), 8) << "the refused picture stays";
    } else {
        EXPECT_EQ(messages_, QStringList{kSizeDiffers});
        EXPECT_EQ(picture.Kind(), PictureKind::Empty);
        EXPECT_EQ(form_->Edit2->text(), QString());
        EXPECT_EQ(form_->Label13->text(), QString());
        EXPECT_EQ(QApplication::focusWidget(), form_->Edit2);
    }
    EXPECT_EQ(Status(), QStringLiteral("Citra True Color (4 x 3 pixels)"));
    EXPECT_EQ(StateOf(*FormHist2), hist2) << "not moved, recomputed or recaptioned";
    EXPECT_EQ(StateOf(*FormHist), hist1);
    EXPECT_TRUE(form_->Button3->isEnabled());
    EXPECT_EQ(form_->Label7->text(), QStringLiteral("90 bytes"));  // 54 + 3 rows of 12
}

INSTANTIATE_TEST_SUITE_P(Opening, OpenManipulatedFailureTest,
                         ::testing::Values(ManipulatedFailure{"TallerByOne", 4, 4, false, false},
                                           ManipulatedFailure{"NarrowerByOne", 3, 3, false, false},
                                           ManipulatedFailure{"EightBit", 4, 3, true, false},
                                           ManipulatedFailure{"Missing", 0, 0, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandsTest, TheFirstManipulatedImageAgainstNoOriginalIsASizeRefusal) {
    OpenOriginal(std::nullopt);
    OpenManipulated(Bmp24(QStringLiteral("b.bmp"), 2, 2));
    EXPECT_EQ(messages_, QStringList{kSizeDiffers});
    EXPECT_EQ(FormHist2, nullptr) << "a refusal ends the command before its histogram half";
    EXPECT_FALSE(form_->Button3->isEnabled());
    EXPECT_EQ(form_->Image2->picture().Kind(), PictureKind::Empty);
    EXPECT_EQ(QApplication::focusWidget(), form_->Edit2);
    EXPECT_EQ(Status(), QString());
}

TEST_F(CommandsTest, CancelledDialogsStillRunTheHistogramHalves) {
    OpenOriginal(std::nullopt);
    EXPECT_TRUE(form_->Button2->isEnabled());
    ASSERT_NE(FormHist, nullptr);
    EXPECT_EQ(FormHist->pos(), QPoint(16, 424));
    EXPECT_EQ(FormHist->SourcePicture, &form_->Image1->picture());
    EXPECT_EQ(FormHist->HistPeak, 0);
    EXPECT_EQ(Texts(), QStringList(9, QString())) << "the opening did not run";
    EXPECT_EQ(QApplication::focusWidget(), form_->Button1) << "focus back to the main window's last control";

    OpenManipulated(std::nullopt);
    ASSERT_NE(FormHist2, nullptr);
    EXPECT_EQ(FormHist2->windowTitle(), QStringLiteral("Histogram Citra Hasil"));
    EXPECT_EQ(FormHist2->pos(), QPoint(16 + FormHist->width() + 30, 424));
    EXPECT_EQ(FormHist2->SourcePicture, &form_->Image2->picture());
    EXPECT_TRUE(form_->Button3->isEnabled());
    EXPECT_TRUE(messages_.isEmpty() && errors_.isEmpty());

    // A cancelled dialog recomputes from what the picture now holds.
    LoadPicture(form_->Image1->picture(), Bmp24(QStringLiteral("a.bmp"), 3, 2).toStdString());
    OpenOriginal(std::nullopt);
    EXPECT_EQ(FormHist->HistRed, CountsOf(3, 2, Pattern).red);
    EXPECT_EQ(Texts(), QStringList(9, QString()));
}

TEST_F(CommandsTest, PlacementFollowsGroupBoxAndFirstWindowAndCaptionIsSetEachTime) {
    OpenPair(Bmp24(QStringLiteral("a.bmp"), 3, 2), Bmp24(QStringLiteral("b.bmp"), 3, 2));
    // The user moves both windows and retitles the second.
    FormHist->move(120, 300);
    FormHist2->move(5, 5);
    FormHist2->setWindowTitle(QStringLiteral("x"));

    OpenManipulated(std::nullopt);
    EXPECT_EQ(FormHist2->pos(), QPoint(120 + FormHist->width() + 30, 300)) << "beside where the first now is";
    EXPECT_EQ(FormHist2->windowTitle(), QStringLiteral("Histogram Citra Hasil"));
    EXPECT_EQ(FormHist->pos(), QPoint(120, 300));

    OpenOriginal(std::nullopt);
    EXPECT_EQ(FormHist->pos(), QPoint(16, 424)) << "moved back below the results group";
    EXPECT_EQ(FormHist->windowTitle(), QStringLiteral("Histogram Citra Asli"));
    EXPECT_EQ(FormHist2->pos(), QPoint(120 + FormHist->width() + 30, 300));
}

TEST_F(CommandsTest, ResetBeforeAnythingWasOpened) {
    form_->Button2->setFocus();  // disabled: stays where it is
    Click(form_->Button4);
    EXPECT_EQ(Texts(), QStringList(9, QString()));
    EXPECT_EQ(FormHist, nullptr) << "a reset never creates a histogram window";
    EXPECT_EQ(FormHist2, nullptr);
    EXPECT_FALSE(form_->Button2->isEnabled());
    EXPECT_FALSE(form_->Button3->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), form_->Edit1);
}

TEST_F(CommandsTest, ResetEmptiesEverythingAndMinimisesBothWindowsKeepingTheirCounts) {
    OpenPair(Bmp24(QStringLiteral("a.bmp"), 5, 4), Bmp24(QStringLiteral("b.bmp"), 5, 4, [](int x, int y) {
                 return qRgb(200, x, y);
             }));
    Click(form_->Button3);
    for (const QString& text : Texts()) {
        ASSERT_FALSE(text.isEmpty()) << "every text is set before the reset";
    }
    const HistState hist1 = StateOf(*FormHist);
    const HistState hist2 = StateOf(*FormHist2);

    Press(Qt::Key_R);
    EXPECT_EQ(Texts(), QStringList(9, QString()));
    EXPECT_EQ(form_->Image1->picture().Kind(), PictureKind::Empty);
    EXPECT_EQ(form_->Image2->picture().Kind(), PictureKind::Empty);
    EXPECT_TRUE(FormHist->isMinimized());
    EXPECT_TRUE(FormHist2->isMinimized());
    EXPECT_TRUE(FormHist->isVisible()) << "minimised, not hidden";
    HistState minimised1 = hist1, minimised2 = hist2;
    minimised1.minimised = minimised2.minimised = true;
    EXPECT_EQ(StateOf(*FormHist), minimised1) << "counts, source and normal place kept";
    EXPECT_EQ(StateOf(*FormHist2), minimised2);
    EXPECT_FALSE(form_->Button2->isEnabled());
    EXPECT_FALSE(form_->Button3->isEnabled());
    for (QPushButton* button : {form_->Button1, form_->Button4, form_->Button5}) {
        EXPECT_TRUE(button->isEnabled());
    }
    EXPECT_EQ(QApplication::focusWidget(), form_->Edit1);

    Press(Qt::Key_R);
    EXPECT_TRUE(FormHist->isMinimized());
    EXPECT_TRUE(FormHist2->isMinimized());
    EXPECT_EQ(StateOf(*FormHist), minimised1);

    // The open commands restore their windows where they place them.
    FormHist->SetLeft(200);  // moved while minimised: reappears below the results group all the same
    OpenOriginal(std::nullopt);
    EXPECT_FALSE(FormHist->isMinimized());
    EXPECT_EQ(FormHist->pos(), QPoint(16, 424));
    EXPECT_EQ(FormHist->HistPeak, 0) << "recomputed from the emptied picture";
    EXPECT_TRUE(FormHist2->isMinimized());
    OpenManipulated(std::nullopt);
    EXPECT_FALSE(FormHist2->isMinimized());
    EXPECT_EQ(FormHist2->pos(), QPoint(16 + FormHist->width() + 30, 424));
    EXPECT_TRUE(messages_.isEmpty() && errors_.isEmpty());
}

// Pairs the analysis cannot compare: refused with a message, results as they were.
class AnalysisRefusalTest;

struct PairCase {
    const char* name;
    std::function<void(AnalysisRefusalTest&)> arrange;
    const char* message;
};

void PrintTo(const PairCase& c, std::ostream* os) {
    *os << c.name;
}

class AnalysisRefusalTest : public CommandsTest, public ::testing::WithParamInterface<PairCase> {
public:
    // The arrangements reach the fixture's helpers through these.
    void Pair(int width, int height) {
        OpenPair(Bmp24(QStringLiteral("a.bmp"), width, height), Bmp24(QStringLiteral("b.bmp"), width, height));
        Click(form_->Button3);
        ASSERT_EQ(form_->Edit3->text(), QStringLiteral("0.000"));
    }
    void Original(std::optional<QString> answer) { OpenOriginal(std::move(answer)); }
    void Manipulated(std::optional<QString> answer) { OpenManipulated(std::move(answer)); }
    QString File24(const char* name, int width, int height) { return Bmp24(QString::fromLatin1(name), width, height); }
    QString File8(const char* name, int width, int height) { return Bmp8(QString::fromLatin1(name), width, height); }
    QString IconFile() {
        const QString path = dir_.filePath(QStringLiteral("icon.ico"));
        EXPECT_TRUE(WriteIcon(path));
        return path;
    }
    void Reset() { Click(form_->Button4); }
};

const PairCase kPairCases[] = {
    {"NewOriginalOfAnotherSize",
     [](AnalysisRefusalTest& f) {
         f.Pair(4, 3);
         f.Original(f.File24("c.bmp", 9, 9));
     },
     "Luas citra asli dan Luas citra hasil manipulasi tidak sama!"},
    {"BothDialogsCancelled",
     [](AnalysisRefusalTest& f) {
         f.Original(std::nullopt);
         f.Manipulated(std::nullopt);
     },
     "Program ini hanya untuk citra dengan format pixel 24 bit"},
    {"CancelledAfterAReset",
     [](AnalysisRefusalTest& f) {
         f.Pair(4, 3);
         f.Reset();
         f.Original(std::nullopt);
         f.Manipulated(std::nullopt);
     },
     "Program ini hanya untuk citra dengan format pixel 24 bit"},
    {"RefusedEightBitOriginalLeftInPlace",
     [](AnalysisRefusalTest& f) {
         f.Pair(4, 3);
         f.Original(f.File8("c.bmp", 4, 3));
     },
     "Program ini hanya untuk citra dengan format pixel 24 bit"},
    {"RefusedEightBitManipulatedThenCancelled",
     [](AnalysisRefusalTest& f) {
         f.Original(f.File24("a.bmp", 40, 3));
         f.Manipulated(f.File8("c.bmp", 40, 3));
         f.Manipulated(std::nullopt);
     },
     "Program ini hanya untuk citra dengan format pixel 24 bit"},
    {"IconOriginalBecomesEmpty",
     [](AnalysisRefusalTest& f) {
         f.Pair(4, 3);
         f.Original(f.IconFile());
     },
     "Luas citra asli dan Luas citra hasil manipulasi tidak sama!"},
};

TEST_P(AnalysisRefusalTest, SaysWhyAndKeepsTheResults) {
    GetParam().arrange(*this);
    ASSERT_TRUE(form_->Button3->isEnabled());
    messages_.clear();
    const QString mse = form_->Edit3->text();
    const QString psnr = form_->Edit4->text();
    Press(Qt::Key_A);
    EXPECT_EQ(messages_, QStringList{QString::fromLatin1(GetParam().message)});
    EXPECT_TRUE(errors_.isEmpty()) << errors_.join('|').toStdString();
    EXPECT_EQ(form_->Edit3->text(), mse);
    EXPECT_EQ(form_->Edit4->text(), psnr);
    EXPECT_TRUE(form_->Button3->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Analysis, AnalysisRefusalTest, ::testing::ValuesIn(kPairCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The real file dialog and message box, answered while they are open: a
// path typed into the dialog's name box, the refusal closed with OK.
class RealModals {
public:
    explicit RealModals(QString path) : path_(std::move(path)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start();
    }
    QStringList shown;  // what was answered, in order: "dialog", then the message texts

private:
    void Tick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == last_) return;
        last_ = modal;
        if (auto* dialog = qobject_cast<TPictureFileDialog*>(modal)) {
            shown << QStringLiteral("dialog");
            dialog->FileNameBox()->setText(path_);
            QTest::keyClick(dialog->FileNameBox(), Qt::Key_Return);
        } else if (modal->objectName() == QLatin1String("ModalMessage")) {
            auto* text = modal->findChild<QLabel*>(QStringLiteral("MessageText"));
            shown << (text ? text->text() : QStringLiteral("?"));
            for (QPushButton* button : modal->findChildren<QPushButton*>()) {
                if (button->text() == QLatin1String("OK")) QTest::mouseClick(button, Qt::LeftButton);
            }
        } else {
            shown << QStringLiteral("unexpected ") + modal->metaObject()->className();
            modal->close();
        }
    }
    QString path_;
    QTimer timer_;
    QWidget* last_ = nullptr;
};

TEST_F(CommandsTest, TheRealDialogAndMessageBox) {
    TOpenPictureDialog::SetExecuteHook({});
    SetModalMessageHook({});
    const QString good = Bmp24(QStringLiteral("a.bmp"), 6, 4);
    {
        RealModals modals(good);
        Press(Qt::Key_B);
        EXPECT_EQ(modals.shown, QStringList{QStringLiteral("dialog")});
    }
    EXPECT_EQ(form_->Edit1->text(), good);
    EXPECT_EQ(Status(), QStringLiteral("Citra True Color (6 x 4 pixels)"));
    const QString grey = Bmp8(QStringLiteral("grey.bmp"), 6, 4);
    {
        RealModals modals(grey);
        Press(Qt::Key_U);
        EXPECT_EQ(modals.shown, (QStringList{QStringLiteral("dialog"), kNot24Bit}));
    }
    EXPECT_EQ(form_->Edit2->text(), grey);
    EXPECT_FALSE(form_->Button3->isEnabled());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

// With a comma as the user's decimal symbol. The system locale is read
// once per process, so this runs in a child with LANG set.
TEST_F(CommandsTest, CommaSeparatorInChild) {
    OpenPair(Bmp24(QStringLiteral("a.bmp"), 3, 3), Bmp24(QStringLiteral("b.bmp"), 3, 3));
    Click(form_->Button3);
    EXPECT_EQ(form_->Edit3->text(), QStringLiteral("0,000"));
    EXPECT_EQ(form_->Edit4->text(), QStringLiteral("108,131"));
}

TEST(Commands, CommaSeparator) {
    QProcessEnvironment env;
    env.insert(QStringLiteral("LANG"), QStringLiteral("id_ID.UTF-8"));
    EXPECT_TRUE(ui_fixtures::PassesInChild(QStringLiteral("CommandsTest.CommaSeparatorInChild"), env,
                                           {QStringLiteral("LC_ALL"), QStringLiteral("LC_NUMERIC")}));
}

}  // namespace

// Minimised histogram windows in the main window's workspace: the point of
// each one's title bar belongs to it (nothing of the workspace lies over it,
// so the click reaches it), and restored it shows the drawing it had, pixel
// for pixel.
enum class Minimising { Reset, OriginalThenManipulated, ManipulatedThenOriginal, ResetThenOpenOriginal,
                        ResetThenOpenManipulated };

class MinimisedWindowTest : public CommandsTest, public ::testing::WithParamInterface<Minimising> {};

TEST_P(MinimisedWindowTest, TitleBarTakesTheClickAndRestoresTheDrawing) {
    OpenOriginal(Bmp24(QStringLiteral("asli.bmp"), 40, 30));
    OpenManipulated(Bmp24(QStringLiteral("hasil.bmp"), 40, 30, [](int x, int y) { return Pattern(y, x); }));
    ASSERT_NE(FormHist, nullptr);
    ASSERT_NE(FormHist2, nullptr);
    const QImage drawn1 = FormHist->grab().toImage();
    const QImage drawn2 = FormHist2->grab().toImage();
    switch (GetParam()) {
    case Minimising::Reset: Click(form_->Button4); break;
    case Minimising::OriginalThenManipulated:
        FormHist->showMinimized();
        FormHist2->showMinimized();
        break;
    case Minimising::ManipulatedThenOriginal:
        FormHist2->showMinimized();
        FormHist->showMinimized();
        break;
    case Minimising::ResetThenOpenOriginal:
        Click(form_->Button4);
        OpenOriginal(std::nullopt);
        break;
    case Minimising::ResetThenOpenManipulated:
        Click(form_->Button4);
        form_->Button2->setEnabled(true);  // reset leaves it off until an original is opened
        OpenManipulated(std::nullopt);
        break;
    }
    QApplication::processEvents();
    for (TFormHist* window : {FormHist, FormHist2}) {
        if (!window->isMinimized()) continue;
        SCOPED_TRACE(window->windowTitle().toStdString());
        const QPoint title = window->mapToGlobal(QPoint(window->width() / 3, window->height() / 2));
        QWidget* hit = QApplication::widgetAt(title);
        ASSERT_TRUE(hit == window || window->isAncestorOf(hit))
            << "the title bar's point belongs to " << (hit ? hit->metaObject()->className() : "nothing");
        // What the title bar's restore box does.
        window->showNormal();
        ASSERT_FALSE(window->isMinimized());
    }
    if (GetParam() != Minimising::ResetThenOpenOriginal && GetParam() != Minimising::ResetThenOpenManipulated) {
        EXPECT_EQ(FormHist->grab().toImage(), drawn1);
        EXPECT_EQ(FormHist2->grab().toImage(), drawn2);
    }
}

std::string MinimisingName(const ::testing::TestParamInfo<Minimising>& info) {
    const char* const names[] = {"Reset", "OriginalThenManipulated", "ManipulatedThenOriginal",
                                 "ResetThenOpenOriginal", "ResetThenOpenManipulated"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Sequences, MinimisedWindowTest,
                         ::testing::Values(Minimising::Reset, Minimising::OriginalThenManipulated,
                                           Minimising::ManipulatedThenOriginal, Minimising::ResetThenOpenOriginal,
                                           Minimising::ResetThenOpenManipulated),
                         MinimisingName);
