#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMdiArea>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "UnitHist.h"
#include "histogram.h"
#include "picture.h"
#include "ui_fixtures.h"

namespace {

constexpr int W = TFormHist::kClientWidth;   // 275
constexpr int H = TFormHist::kClientHeight;  // 170
constexpr int B = H - 10;                    // the horizontal axis, 160

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 128, 0);
const QRgb kBlue = qRgb(0, 0, 255);

// A picture holding a 24-bit bitmap whose pixel i has the colour f(i).
std::unique_ptr<Picture> MakePicture(int32_t width, int32_t height, const std::function<QRgb(int32_t)>& f) {
    auto bitmap = std::make_unique<Bitmap>();
    if (!bitmap->Allocate(width, height, 24, true)) return nullptr;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap->MutableData() + static_cast<size_t>(y) * bitmap->Stride();
        for (int32_t x = 0; x < width; ++x) {
            const QRgb c = f(y * width + x);
            row[3 * x] = static_cast<uint8_t>(qBlue(c));
            row[3 * x + 1] = static_cast<uint8_t>(qGreen(c));
            row[3 * x + 2] = static_cast<uint8_t>(qRed(c));
        }
    }
    auto picture = std::make_unique<Picture>();
    picture->ReplaceWithBitmap(std::move(bitmap));
    return picture;
}

QImage Rendered(const TFormHist& window) {
    return window.ClientArea()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// An image of the client area filled with one colour.
QImage Filled(QRgb colour) {
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

void Column(QImage& image, int x, int yFrom, int yTo, QRgb colour) {
    for (int y = std::min(yFrom, yTo); y <= std::max(yFrom, yTo); ++y) image.setPixel(x, y, colour);
}

void Row(QImage& image, int y, int xFrom, int xTo, QRgb colour) {
    for (int x = std::min(xFrom, xTo); x <= std::max(xFrom, xTo); ++x) image.setPixel(x, y, colour);
}

// White inside a black outline, with the two black axes: what any window
// with a picture shows before its curves.
QImage FrameAndAxes() {
    QImage image = Filled(kWhite);
    Row(image, 0, 0, W - 1, kBlack);
    Row(image, H - 1, 0, W - 1, kBlack);
    Column(image, 0, 0, H - 1, kBlack);
    Column(image, W - 1, 0, H - 1, kBlack);
    Column(image, 10, B, 11, kBlack);      // (10, B) up to (10, 10), end excluded
    Row(image, B, 10, W - 11, kBlack);     // (10, B) to (R, B), end excluded
    return image;
}

// Compares every pixel; reports the first few that differ.
::testing::AssertionResult SamePixels(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size())
        return ::testing::AssertionFailure() << "size " << actual.width() << "x" << actual.height();
    int differing = 0;
    ::testing::Message where;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y) | 0xFF000000u;
            const QRgb e = expected.pixel(x, y) | 0xFF000000u;
            if (a != e && ++differing <= 8)
                where << " (" << x << "," << y << ") is " << std::hex << a << " not " << e << std::dec;
        }
    }
    if (differing == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differing << " pixels differ:" << where;
}

class HistWindow : public ::testing::Test {
protected:
    void SetUp() override {
        area_ = std::make_unique<QMdiArea>();
        area_->resize(900, 700);
        area_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(area_.get()));
    }

    TFormHist* Create() {
        auto* window = new TFormHist(area_.get());
        QApplication::processEvents();
        return window;
    }

    // What the window system shows of the client area right now.
    QImage OnScreen(const TFormHist& window) {
        const QPoint at = window.ClientArea()->mapTo(area_.get(), QPoint(0, 0));
        return area_->screen()->grabWindow(area_->winId(), at.x(), at.y(), W, H).toImage().convertToFormat(
            QImage::Format_RGB32);
    }

    // The pure red 1 x 1 picture shown in a new window.
    TFormHist* RedWindow() {
        red_ = MakePicture(1, 1, [](int32_t) { return qRgb(255, 0, 0); });
        TFormHist* window = Create();
        window->SourcePicture = red_.get();
        window->MenghitungHistogram();
        window->Repaint();
        return window;
    }

    std::unique_ptr<QMdiArea> area_;
    std::unique_ptr<Picture> red_;
};

TEST_F(HistWindow, CreationShowsAnActiveFixedChildWithOnlyItsBackground) {
    TFormHist* window = Create();
    EXPECT_EQ(window->mdiArea(), area_.get());
    EXPECT_EQ(area_->activeSubWindow(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(window->windowTitle(), QString("Histogram Citra Asli"));
    EXPECT_EQ(window->ClientArea()->size(), QSize(W, H));
    EXPECT_EQ(window->SourcePicture, nullptr);
    EXPECT_EQ(window->HistPeak, 0);
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);

    const QRgb face = window->ClientArea()->palette().color(QPalette::Button).rgb();
    ASSERT_NE(face, kWhite);
    EXPECT_TRUE(SamePixels(Rendered(*window), Filled(face)));
    EXPECT_TRUE(SamePixels(OnScreen(*window), Filled(face)));

    // The next child goes one cascade step further, not onto the first.
    TFormHist* second = Create();
    EXPECT_EQ(area_->activeSubWindow(), second);
    EXPECT_EQ(window->pos(), QPoint(0, 0));
    EXPECT_GT(second->x(), 0);
    EXPECT_EQ(second->x(), second->y());
}

TEST_F(HistWindow, HistogramOfNothingShowsFrameAndAxesOnly) {
    Picture empty;
    TFormHist* window = Create();
    window->SourcePicture = &empty;
    window->MenghitungHistogram();
    window->Repaint();
    EXPECT_EQ(window->HistPeak, 0);
    EXPECT_TRUE(SamePixels(Rendered(*window), FrameAndAxes()));
}

TEST_F(HistWindow, PureRedPictureDrawsEachCurveExactly) {
    TFormHist* window = RedWindow();
    EXPECT_EQ(window->HistRed[255], 1);
    EXPECT_EQ(window->HistGreen[0], 1);
    EXPECT_EQ(window->HistBlue[0], 1);
    EXPECT_EQ(window->HistPeak, 1);

    QImage expected = FrameAndAxes();
    // Red runs along the axis, then rises from (264, 160) toward (265, 10):
    // half the rise in the start column, the rest in the next.
    Row(expected, B, 10, 263, kRed);
    Column(expected, 264, B, 85, kRed);
    Column(expected, 265, 84, 11, kRed);
    // Green and blue drop from (10, 10) toward (11, 160), then follow the
    // axis to its end; blue, drawn last at every step, is what shows.
    Column(expected, 10, 10, 85, kBlue);
    Column(expected, 11, 86, B - 1, kBlue);
    Row(expected, B, 11, 264, kBlue);
    const QImage drawn = Rendered(*window);
    EXPECT_TRUE(SamePixels(drawn, expected));
    EXPECT_EQ(drawn.pixel(265, B) | 0xFF000000u, kWhite);  // end of the axis not drawn
    // Repaint draws on the window before it returns.
    EXPECT_TRUE(SamePixels(OnScreen(*window), expected));
}

TEST_F(HistWindow, CurvesAreDrawnInChannelOrderAtEachStep) {
    // Red and green equal everywhere: green, drawn after red, hides it.
    TFormHist* window = Create();
    Picture unused;
    window->SourcePicture = &unused;
    window->HistPeak = 10;
    for (int v = 0; v < 256; ++v) {
        window->HistRed[v] = v % 11;
        window->HistGreen[v] = v % 11;
        window->HistBlue[v] = 0;
    }
    window->Repaint();
    const QImage drawn = Rendered(*window);
    int green = 0;
    for (int y = 1; y < B; ++y) {
        for (int x = 1; x < W - 1; ++x) {
            EXPECT_NE(drawn.pixel(x, y) | 0xFF000000u, kRed) << x << "," << y;
            green += (drawn.pixel(x, y) | 0xFF000000u) == kGreen;
        }
    }
    EXPECT_GT(green, 1000);
}

struct RoundingCase {
    int32_t peak;
    int32_t count;
    int offset;  // pixels above the axis
};

void PrintTo(const RoundingCase& c, std::ostream* os) {
    *os << c.count << " of peak " << c.peak << " -> " << c.offset;
}

class HistRounding : public HistWindow, public ::testing::WithParamInterface<RoundingCase> {};

// Red is 0 except red[1] = count; green and blue sit at the peak, along the
// top. The red curve's highest point is the one for value 1, at x = 11.
TEST_P(HistRounding, CountIsDrawnAtItsRoundedHeight) {
    const RoundingCase& c = GetParam();
    TFormHist* window = Create();
    Picture unused;
    window->SourcePicture = &unused;
    window->HistPeak = c.peak;
    window->HistRed.fill(0);
    window->HistRed[1] = c.count;
    window->HistGreen.fill(c.peak);
    window->HistBlue.fill(c.peak);
    window->Repaint();
    const QImage drawn = Rendered(*window);
    int top = H;
    for (int y = 0; y < H && top == H; ++y)
        for (int x = 0; x < W; ++x)
            if ((drawn.pixel(x, y) | 0xFF000000u) == kRed) top = y;
    EXPECT_EQ(top, B - c.offset);
    EXPECT_EQ(drawn.pixel(11, B - c.offset) | 0xFF000000u, kRed);
}

INSTANTIATE_TEST_SUITE_P(Cases, HistRounding,
                         ::testing::Values(RoundingCase{4, 1, 38},    // 37.5 to even
                                           RoundingCase{4, 3, 112},   // 112.5 to even
                                           RoundingCase{300, 1, 0},   // 0.5 to even
                                           RoundingCase{60, 1, 3}),   // just above 2.5
                         [](const ::testing::TestParamInfo<RoundingCase>& info) {
                             return "Count" + std::to_string(info.param.count) + "OfPeak" +
                                    std::to_string(info.param.peak);
                         });

TEST_F(HistWindow, ComputesOnlyWhenAskedAndOnlyWithAPicture) {
    TFormHist* window = Create();
    window->HistRed[7] = 5;
    window->HistPeak = 5;
    window->MenghitungHistogram();  // no picture: nothing changes
    EXPECT_EQ(window->HistRed[7], 5);
    EXPECT_EQ(window->HistPeak, 5);

    auto picture = MakePicture(3, 2, [](int32_t i) { return qRgb(10 * i, 20, 30 + i % 2); });
    window->SourcePicture = picture.get();
    window->MenghitungHistogram();
    const ChannelHistogram expected = ComputeChannelHistogram(*picture);
    EXPECT_EQ(window->HistRed, expected.Red);
    EXPECT_EQ(window->HistGreen, expected.Green);
    EXPECT_EQ(window->HistBlue, expected.Blue);
    EXPECT_EQ(window->HistPeak, 6);

    // Emptying the picture leaves the counts until the next computation.
    ClearPicture(*picture);
    EXPECT_EQ(window->HistPeak, 6);
    EXPECT_EQ(window->HistGreen[20], 6);
    window->MenghitungHistogram();
    EXPECT_EQ(window->HistPeak, 0);
    EXPECT_EQ(window->HistGreen[20], 0);
}

QAction* SystemMenuAction(TFormHist& window, QKeySequence::StandardKey key) {
    for (QAction* action : window.systemMenu()->actions())
        if (!action->shortcuts().isEmpty() && action->shortcuts() == QKeySequence::keyBindings(key)) return action;
    return nullptr;
}

TEST_F(HistWindow, ClosingMinimisesAndRestoringDrawsTheSameAgain) {
    TFormHist* window = RedWindow();
    window->SetLeft(16);
    window->SetTop(424);
    const QImage before = Rendered(*window);
    const QRect normal = window->geometry();

    QAction* closeItem = SystemMenuAction(*window, QKeySequence::Close);
    ASSERT_NE(closeItem, nullptr);
    closeItem->trigger();  // the user closing it
    ASSERT_TRUE(ui_fixtures::WaitUntil([&] { return window->isMinimized(); }));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(area_->subWindowList().contains(window));
    EXPECT_EQ(window->SourcePicture, red_.get());
    EXPECT_EQ(window->HistPeak, 1);
    EXPECT_EQ(window->HistRed[255], 1);
    const QRect minimised = window->geometry();
    EXPECT_NE(minimised, normal);

    window->Close();  // already minimised: nothing changes
    QApplication::processEvents();
    EXPECT_TRUE(window->isMinimized());
    EXPECT_EQ(window->geometry(), minimised);

    // The picture emptied meanwhile: the last counts are still drawn.
    ClearPicture(*red_);
    window->SetWindowStateNormal();
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(window->geometry(), normal);
    EXPECT_TRUE(SamePixels(OnScreen(*window), before));  // painted during the restore
    QApplication::processEvents();
    EXPECT_TRUE(SamePixels(Rendered(*window), before));

    window->SetWindowStateNormal();  // already normal: nothing changes
    EXPECT_EQ(window->geometry(), normal);
}

TEST_F(HistWindow, PlacementSetWhileMinimisedAppliesOnRestore) {
    TFormHist* window = Create();
    window->SetTop(424);
    window->SetLeft(16);
    EXPECT_EQ(window->pos(), QPoint(16, 424));
    const int outerWidth = window->OuterWidth();
    EXPECT_EQ(outerWidth, window->width());
    EXPECT_GT(outerWidth, W);

    window->Close();
    ASSERT_TRUE(ui_fixtures::WaitUntil([&] { return window->isMinimized(); }));
    EXPECT_NE(window->pos(), QPoint(16, 424));
    EXPECT_EQ(window->Left(), 16);
    EXPECT_EQ(window->Top(), 424);
    EXPECT_EQ(window->OuterWidth(), outerWidth);

    window->SetTop(50);
    window->SetLeft(300);
    EXPECT_EQ(window->Left(), 300);
    EXPECT_EQ(window->Top(), 50);
    EXPECT_NE(window->pos(), QPoint(300, 50));  // still minimised where it was
    window->SetWindowStateNormal();
    EXPECT_TRUE(ui_fixtures::WaitUntil([&] { return window->pos() == QPoint(300, 50); })) << window->pos().x() << ","
                                                                                           << window->pos().y();
    EXPECT_EQ(window->Left(), 300);
    EXPECT_EQ(window->width(), outerWidth);
    EXPECT_EQ(window->ClientArea()->size(), QSize(W, H));
}

TEST_F(HistWindow, CannotBeResizedOrMaximised) {
    TFormHist* window = Create();
    window->SetLeft(100);
    window->SetTop(100);
    const QSize size = window->size();

    // Drag the bottom-right corner and the left edge of the frame.
    const QPoint corner(size.width() - 2, size.height() - 2);
    QTest::mousePress(window, Qt::LeftButton, {}, corner);
    QTest::mouseMove(window, corner + QPoint(60, 40));
    QTest::mouseRelease(window, Qt::LeftButton, {}, corner + QPoint(60, 40));
    const QPoint edge(1, size.height() / 2);
    QTest::mousePress(window, Qt::LeftButton, {}, edge);
    QTest::mouseMove(window, edge - QPoint(50, 0));
    QTest::mouseRelease(window, Qt::LeftButton, {}, edge - QPoint(50, 0));
    QApplication::processEvents();
    EXPECT_EQ(window->size(), size);

    // Double-clicking the title bar does not maximise it.
    QTest::mouseDClick(window, Qt::LeftButton, {}, QPoint(size.width() / 2, window->contentsMargins().top() / 2));
    QApplication::processEvents();
    EXPECT_FALSE(window->isMaximized());
    EXPECT_EQ(window->size(), size);

    // The system menu offers neither maximising nor sizing, and tiling
    // keeps the size.
    QAction* maximise = nullptr;
    QAction* resize = nullptr;
    for (QAction* action : window->systemMenu()->actions()) {
        if (action->text() == QStringLiteral("Ma&ximize")) maximise = action;
        if (action->text() == QStringLiteral("&Size")) resize = action;
    }
    ASSERT_NE(maximise, nullptr);
    ASSERT_NE(resize, nullptr);
    EXPECT_FALSE(maximise->isVisible());
    EXPECT_FALSE(resize->isVisible());
    area_->tileSubWindows();
    QApplication::processEvents();
    EXPECT_EQ(window->size(), size);
    EXPECT_EQ(window->ClientArea()->size(), QSize(W, H));
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

TEST_F(HistWindow, ActivationRepaintsBeforeItReturns) {
    TFormHist* first = RedWindow();
    TFormHist* second = Create();
    ASSERT_EQ(area_->activeSubWindow(), second);
    // New counts, not yet painted.
    first->HistRed.fill(0);
    first->HistGreen.fill(0);
    first->HistBlue.fill(0);
    first->HistPeak = 0;
    PaintCounter paints(first->ClientArea());
    area_->setActiveSubWindow(first);
    EXPECT_GE(paints.count, 1);
    EXPECT_TRUE(SamePixels(OnScreen(*first), FrameAndAxes()));
}

}  // namespace
