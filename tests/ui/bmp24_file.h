#pragma once
// A small bottom-up 24-bit bitmap file, written from a colour function: the
// fixture of the window tests and of the end-to-end screen checker.
#include <QFile>
#include <QRgb>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// Writes a bottom-up 24-bit bitmap file whose pixel (x, y), y from the top,
// is colour(x, y).
inline bool WriteBmp24(const QString& path, int width, int height, const std::function<QRgb(int, int)>& colour) {
    const int stride = (width * 3 + 3) / 4 * 4;
    const uint32_t pixelBytes = static_cast<uint32_t>(stride * height);
    std::vector<uint8_t> file(54 + pixelBytes, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    file[26] = 1;
    file[28] = 24;
    put32(34, pixelBytes);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = file.data() + 54 + static_cast<size_t>(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const QRgb c = colour(x, y);
            row[x * 3] = static_cast<uint8_t>(qBlue(c));
            row[x * 3 + 1] = static_cast<uint8_t>(qGreen(c));
            row[x * 3 + 2] = static_cast<uint8_t>(qRed(c));
        }
    }
    QFile out(path);
    return out.open(QIODevice::WriteOnly) &&
           out.write(reinterpret_cast<const char*>(file.data()), static_cast<qint64>(file.size())) ==
               static_cast<qint64>(file.size());
}
