#include "UnitHist.h"

#include <QCloseEvent>
#include <QColor>
#include <QMdiArea>
#include <QMoveEvent>
#include <QPainter>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "Texts.h"
#include "histogram.h"
#include "histogram_scale.h"
#include "line_pixels.h"
#include "picture.h"

TFormHist* FormHist = nullptr;

namespace {

constexpr Qt::WindowFlags kFrameFlags = Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                        Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                                        Qt::MSWindowsFixedSizeDialogHint;

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 128, 0);
const QColor kBlue(0, 0, 255);

// Fills the pixels of a line, one rectangle per straight run of them.
void FillPixels(QPainter& painter, const std::vector<LinePixel>& pixels, const QColor& colour) {
    size_t i = 0;
    while (i < pixels.size()) {
        const LinePixel first = pixels[i];
        size_t j = i + 1;
        if (j < pixels.size() && pixels[j].x == first.x) {
            while (j < pixels.size() && pixels[j].x == first.x && std::abs(pixels[j].y - pixels[j - 1].y) == 1) ++j;
        } else if (j < pixels.size() && pixels[j].y == first.y) {
            while (j < pixels.size() && pixels[j].y == first.y && std::abs(pixels[j].x - pixels[j - 1].x) == 1) ++j;
        }
        const LinePixel last = pixels[j - 1];
        painter.fillRect(QRect(QPoint(std::min(first.x, last.x), std::min(first.y, last.y)),
                               QPoint(std::max(first.x, last.x), std::max(first.y, last.y))),
                         colour);
        i = j;
    }
}

// A 1-pixel line from its start point up to, not including, its end point.
void DrawLine(QPainter& painter, int x0, int y0, int x1, int y1, const QColor& colour) {
    FillPixels(painter, LinePixels(x0, y0, x1, y1), colour);
}

}  // namespace

// The client area: erased to the button-face colour, then painted by FormPaint.
class TFormHist::Client : public QWidget {
public:
    explicit Client(TFormHist* owner) : owner_(owner) {
        setFixedSize(kClientWidth, kClientHeight);
        setBackgroundRole(QPalette::Button);
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        owner_->FormPaint(painter, width(), height());
    }

private:
    TFormHist* owner_;
};

TFormHist::TFormHist(QMdiArea* workspace) {
    client_ = new Client(this);
    setWidget(client_);
    const int earlier = static_cast<int>(workspace->subWindowList().size());
    workspace->addSubWindow(this);
    setWindowFlags(kFrameFlags);
    setWindowTitle(text::kOriginalHistogramTitle);
    normalSize_ = sizeHint();
    setFixedSize(normalSize_);

    // Cascade: each new child one title bar lower and to the right of the
    // last, starting again at the corner when it would leave the workspace.
    const int step = std::max(1, contentsMargins().top());
    const QSize room = workspace->viewport()->size();
    const int fitX = std::max(1, (room.width() - width()) / step + 1);
    const int fitY = std::max(1, (room.height() - height()) / step + 1);
    const int slot = earlier % std::min(fitX, fitY);
    move(slot * step, slot * step);
    normalPos_ = pos();

    connect(workspace, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        if (window == this) FormActivate();
    });
    show();
    workspace->setActiveSubWindow(this);
}

void TFormHist::MenghitungHistogram() {
    if (SourcePicture == nullptr) return;
    const ChannelHistogram histogram = ComputeChannelHistogram(*SourcePicture);
    HistRed = histogram.Red;
    HistGreen = histogram.Green;
    HistBlue = histogram.Blue;
    HistPeak = histogram.Peak;
}

int TFormHist::Left() const { return isMinimized() ? normalPos_.x() : x(); }

int TFormHist::Top() const { return isMinimized() ? normalPos_.y() : y(); }

void TFormHist::SetLeft(int left) {
    if (isMinimized())
        normalPos_.setX(left);
    else
        move(left, y());
}

void TFormHist::SetTop(int top) {
    if (isMinimized())
        normalPos_.setY(top);
    else
        move(x(), top);
}

int TFormHist::OuterWidth() const { return isMinimized() ? normalSize_.width() : width(); }

void TFormHist::Repaint() { client_->repaint(); }

void TFormHist::SetWindowStateNormal() {
    if (isMinimized()) showNormal();
}

void TFormHist::Close() { close(); }

void TFormHist::closeEvent(QCloseEvent* event) {
    event->ignore();
    showMinimized();
}

void TFormHist::changeEvent(QEvent* event) {
    if (event->type() != QEvent::WindowStateChange) {
        QMdiSubWindow::changeEvent(event);
        return;
    }
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool wasMinimised = (change->oldState() & Qt::WindowMinimized) != 0;
    const bool nowMinimised = isMinimized();
    const bool restoring = !change->isOverride() && wasMinimised && !nowMinimised;
    if (!change->isOverride() && nowMinimised) minimised_ = true;
    QMdiSubWindow::changeEvent(event);
    if (restoring) {
        // The base class puts the window back where it was minimised; it
        // belongs where it was last placed.
        minimised_ = false;
        move(normalPos_);
        FormActivate();
    }
}

void TFormHist::moveEvent(QMoveEvent* event) {
    if (!minimised_ && !isMinimized()) normalPos_ = pos();
    QMdiSubWindow::moveEvent(event);
}

void TFormHist::FormActivate() { Repaint(); }

void TFormHist::FormPaint(QPainter& painter, int width, int height) const {
    if (SourcePicture == nullptr) return;
    const int right = width - 10;
    const int bottom = height - 10;

    painter.fillRect(QRect(0, 0, width, height), kWhite);
    painter.fillRect(QRect(0, 0, width, 1), kBlack);
    painter.fillRect(QRect(0, height - 1, width, 1), kBlack);
    painter.fillRect(QRect(0, 0, 1, height), kBlack);
    painter.fillRect(QRect(width - 1, 0, 1, height), kBlack);

    DrawLine(painter, 10, bottom, 10, 10, kBlack);
    DrawLine(painter, 10, bottom, right, bottom, kBlack);

    // With a peak of 0 every count is 0 and nothing can be scaled: no curves.
    if (HistPeak < 1) return;
    struct Curve {
        const std::array<int32_t, 256>& counts;
        const QColor& colour;
    };
    const Curve curves[] = {{HistRed, kRed}, {HistGreen, kGreen}, {HistBlue, kBlue}};
    for (int i = 0; i < 255; ++i) {
        for (const Curve& curve : curves) {
            DrawLine(painter, 10 + i, bottom - ScaleHistogramCount(curve.counts[i], HistPeak), 11 + i,
                     bottom - ScaleHistogramCount(curve.counts[i + 1], HistPeak), curve.colour);
        }
    }
}
