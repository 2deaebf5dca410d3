#pragma once
// WriteBmp24 for the window tests and the end-to-end screen checker: Qt's
// paths and colours, on bmp_builder's writer.
#include <QRgb>
#include <QString>

#include <functional>

#include "../core/bmp_builder.h"

// Writes a bottom-up 24-bit bitmap file whose pixel (x, y), y from the top,
// is colour(x, y).
inline bool WriteBmp24(const QString& path, int width, int height, const std::function<QRgb(int, int)>& colour) {
    const bmp_builder::BmpSpec spec = bmp_builder::Bitmap24(width, height, [&](int32_t x, int32_t y) {
        const QRgb c = colour(x, y);
        return bmp_builder::Bgr{static_cast<uint8_t>(qBlue(c)), static_cast<uint8_t>(qGreen(c)),
                                static_cast<uint8_t>(qRed(c))};
    });
    return bmp_builder::WriteFile(path.toStdString(), bmp_builder::BuildBmp(spec));
}
