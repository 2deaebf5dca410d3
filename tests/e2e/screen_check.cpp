// Helper of the end-to-end test, run on the test's X display:
//   screen_check pair <original.bmp> <manipulated.bmp> <width> <height>
//       writes a photo-like 24-bit bitmap and a noisy, watermarked copy
//   screen_check hist <screenshot.png> <picture> <left> <top> <range>
//       finds, within <range> pixels right of and below (left, top), the
//       275 x 170 client area of a histogram window drawn for <picture>,
//       pixel for pixel; prints its position, or the closest match and fails
//   screen_check metrics <original> <manipulated>
//       prints MSE and PSNR as the analysis shows them with a full stop
//   screen_check clipboard
//       prints the clipboard's text
//   screen_check same <a.png> <ax> <ay> <b.png> <bx> <by> <width> <height>
//       compares a rectangle of one picture with one of another, pixel for
//       pixel; prints how many differ and fails if any do
// The expected drawing is built from the core's counts, scale and line
// pixels, independently of the window's painting code.
#include <QClipboard>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include "histogram.h"
#include "histogram_scale.h"
#include "line_pixels.h"
#include "metrics.h"
#include "picture.h"
#include "../ui/bmp24_file.h"

namespace {

constexpr int kClientWidth = 275;
constexpr int kClientHeight = 170;

bool WriteBmp24(const QImage& image, const QString& path) {
    return ::WriteBmp24(path, image.width(), image.height(), [&](int x, int y) { return image.pixel(x, y); });
}

// A landscape: sky, sun, hills, a lake, a house and trees, with film grain.
QImage Landscape(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width, h = height;
    QLinearGradient sky(0, 0, 0, h * 0.6);
    sky.setColorAt(0, QColor(40, 90, 170));
    sky.setColorAt(1, QColor(250, 190, 130));
    p.fillRect(image.rect(), sky);
    QRadialGradient sun(w * 0.72, h * 0.3, h * 0.22);
    sun.setColorAt(0, QColor(255, 250, 210));
    sun.setColorAt(0.35, QColor(255, 220, 120));
    sun.setColorAt(1, QColor(255, 200, 120, 0));
    p.fillRect(image.rect(), sun);
    auto hill = [&](qreal base, qreal amplitude, qreal phase, QColor near, QColor far) {
        QPainterPath path(QPointF(0, h));
        for (int x = 0; x <= width; x += 4) {
            const qreal y = base + amplitude * std::sin(x / w * 6.3 + phase) + amplitude * 0.4 * std::sin(x / w * 17 + phase);
            path.lineTo(x, y);
        }
        path.lineTo(w, h);
        path.closeSubpath();
        QLinearGradient fill(0, base - amplitude, 0, h);
        fill.setColorAt(0, far);
        fill.setColorAt(1, near);
        p.fillPath(path, fill);
    };
    hill(h * 0.55, h * 0.08, 0.7, QColor(70, 90, 110), QColor(120, 130, 150));
    hill(h * 0.68, h * 0.06, 2.1, QColor(40, 100, 40), QColor(90, 150, 70));
    QLinearGradient lake(0, h * 0.8, 0, h);
    lake.setColorAt(0, QColor(70, 120, 170));
    lake.setColorAt(1, QColor(20, 50, 90));
    p.fillRect(QRectF(0, h * 0.82, w * 0.55, h * 0.18), lake);
    // A house and a few trees.
    p.fillRect(QRectF(w * 0.62, h * 0.66, w * 0.12, h * 0.12), QColor(200, 180, 150));
    QPainterPath roof(QPointF(w * 0.6, h * 0.66));
    roof.lineTo(w * 0.68, h * 0.56);
    roof.lineTo(w * 0.76, h * 0.66);
    roof.closeSubpath();
    p.fillPath(roof, QColor(150, 50, 40));
    p.fillRect(QRectF(w * 0.665, h * 0.71, w * 0.03, h * 0.07), QColor(90, 60, 40));
    for (int i = 0; i < 5; ++i) {
        const qreal x = w * (0.08 + 0.1 * i);
        p.fillRect(QRectF(x - 1.5, h * 0.7, 3, h * 0.1), QColor(80, 50, 30));
        p.setBrush(QColor(30 + 10 * i, 90 + 8 * i, 40));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(x, h * 0.66), w * 0.035, h * 0.08);
    }
    p.end();
    std::mt19937 grain(7);
    std::normal_distribution<double> noise(0, 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb c = image.pixel(x, y);
            const double n = noise(grain);
            auto channel = [&](int v) { return std::clamp(static_cast<int>(v + n), 0, 255); };
            image.setPixel(x, y, qRgb(channel(qRed(c)), channel(qGreen(c)), channel(qBlue(c))));
        }
    }
    return image;
}

// The same picture with noise in every channel and a watermark.
QImage Manipulated(const QImage& original) {
    QImage image = original.copy();
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0, 6);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            auto channel = [&](int v) { return std::clamp(static_cast<int>(std::lround(v + noise(random))), 0, 255); };
            image.setPixel(x, y, qRgb(channel(qRed(c)), channel(qGreen(c)), channel(qBlue(c))));
        }
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QFont font = p.font();
    font.setPixelSize(std::max(10, image.height() / 7));
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(255, 255, 255, 110));
    p.drawText(image.rect().adjusted(0, 0, 0, -image.height() / 3), Qt::AlignCenter, QStringLiteral("WATERMARK"));
    p.end();
    return image;
}

// The client area as the histogram window draws it for the picture's counts.
QImage ExpectedHistogram(const Picture& picture) {
    const ChannelHistogram counts = ComputeChannelHistogram(picture);
    QImage image(kClientWidth, kClientHeight, QImage::Format_RGB32);
    const QRgb black = qRgb(0, 0, 0);
    image.fill(qRgb(255, 255, 255));
    for (int x = 0; x < kClientWidth; ++x) {
        image.setPixel(x, 0, black);
        image.setPixel(x, kClientHeight - 1, black);
    }
    for (int y = 0; y < kClientHeight; ++y) {
        image.setPixel(0, y, black);
        image.setPixel(kClientWidth - 1, y, black);
    }
    const int right = kClientWidth - 10;
    const int bottom = kClientHeight - 10;
    auto line = [&](int x0, int y0, int x1, int y1, QRgb colour) {
        for (const LinePixel& pixel : LinePixels(x0, y0, x1, y1)) image.setPixel(pixel.x, pixel.y, colour);
    };
    line(10, bottom, 10, 10, black);
    line(10, bottom, right, bottom, black);
    if (counts.Peak < 1) return image;
    const struct {
        const std::array<int32_t, 256>& values;
        QRgb colour;
    } curves[] = {{counts.Red, qRgb(255, 0, 0)}, {counts.Green, qRgb(0, 128, 0)}, {counts.Blue, qRgb(0, 0, 255)}};
    for (int i = 0; i < 255; ++i) {
        for (const auto& curve : curves) {
            line(10 + i, bottom - ScaleHistogramCount(curve.values[i], counts.Peak), 11 + i,
                 bottom - ScaleHistogramCount(curve.values[i + 1], counts.Peak), curve.colour);
        }
    }
    return image;
}

int Differing(const QImage& screen, const QImage& expected, int left, int top) {
    int count = 0;
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const int sx = left + x, sy = top + y;
            const bool inside = sx >= 0 && sy >= 0 && sx < screen.width() && sy < screen.height();
            if (!inside || (screen.pixel(sx, sy) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF)) ++count;
        }
    }
    return count;
}

int FindHistogram(char** argv) {
    const QImage screen = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_RGB32);
    if (screen.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 1;
    }
    Picture picture;
    LoadPicture(picture, argv[3]);
    const QImage expected = ExpectedHistogram(picture);
    const int left = std::atoi(argv[4]), top = std::atoi(argv[5]), range = std::atoi(argv[6]);
    int best = kClientWidth * kClientHeight + 1, bestX = left, bestY = top;
    for (int y = top; y <= top + range; ++y) {
        for (int x = left; x <= left + range; ++x) {
            const int differing = Differing(screen, expected, x, y);
            if (differing < best) {
                best = differing;
                bestX = x;
                bestY = y;
            }
        }
    }
    if (best == 0) {
        std::printf("%d %d\n", bestX, bestY);
        return 0;
    }
    std::fprintf(stderr, "no exact histogram; closest at %d,%d with %d pixels differing\n", bestX, bestY, best);
    return 1;
}

int Metrics(char** argv) {
    Picture original, manipulated;
    LoadPicture(original, argv[2]);
    LoadPicture(manipulated, argv[3]);
    const QualityMetrics m = ComputeQualityMetrics(AsBitmap(original), AsBitmap(manipulated));
    std::printf("%s %s\n", FormatMetric(m.MSE).c_str(), FormatMetric(m.PSNR).c_str());
    return 0;
}

int SameArea(char** argv) {
    const QImage a = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_RGB32);
    const QImage b = QImage(QString::fromLocal8Bit(argv[5])).convertToFormat(QImage::Format_RGB32);
    const int ax = std::atoi(argv[3]), ay = std::atoi(argv[4]);
    const int bx = std::atoi(argv[6]), by = std::atoi(argv[7]);
    const int width = std::atoi(argv[8]), height = std::atoi(argv[9]);
    if (a.isNull() || b.isNull() || !a.rect().contains(QRect(ax, ay, width, height)) ||
        !b.rect().contains(QRect(bx, by, width, height))) {
        std::fprintf(stderr, "cannot read the pictures, or the rectangle lies outside one\n");
        return 1;
    }
    long differing = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            differing += a.pixel(ax + x, ay + y) != b.pixel(bx + x, by + y) ? 1 : 0;
        }
    }
    std::printf("%ld of %ld pixels differ\n", differing, static_cast<long>(width) * height);
    return differing == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    // Fonts and the clipboard need the application object.
    QGuiApplication application(argc, argv);
    try {
        if (command == "pair" && argc == 6) {
            const QImage original = Landscape(std::atoi(argv[4]), std::atoi(argv[5]));
            return WriteBmp24(original, QString::fromLocal8Bit(argv[2])) &&
                           WriteBmp24(Manipulated(original), QString::fromLocal8Bit(argv[3]))
                       ? 0
                       : 1;
        }
        if (command == "hist" && argc == 7) return FindHistogram(argv);
        if (command == "metrics" && argc == 4) return Metrics(argv);
        if (command == "same" && argc == 10) return SameArea(argv);
        if (command == "clipboard" && argc == 2) {
            std::printf("%s\n", QGuiApplication::clipboard()->text().toLocal8Bit().constData());
            return 0;
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    std::fprintf(stderr,
                 "usage: screen_check pair <original> <manipulated> <w> <h> | hist <png> <picture> <left> <top> <range>"
                 " | metrics <original> <manipulated> | clipboard | same <a> <ax> <ay> <b> <bx> <by> <w> <h>\n");
    return 2;
}
