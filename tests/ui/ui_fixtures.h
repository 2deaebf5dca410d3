#pragma once
// Helpers shared by the main-window tests: tiny bitmap files, and a way to
// answer a modal window from inside its own event loop.
#include <QApplication>
#include <QFile>
#include <QRgb>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

namespace ui_fixtures {

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

// Waits, inside the modal loop about to start, for a modal widget to be
// active and hands it to `answer`. Should the answer leave that window
// open, it is closed after a while and LeftOpen() tells, so a failing test
// ends instead of hanging.
class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(QWidget*)> answer) : answer_(std::move(answer)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start();
    }
    bool Answered() const { return answered_; }
    bool LeftOpen() const { return leftOpen_; }

private:
    void Tick() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!answered_) {
            if (modal != nullptr) {
                answered_ = true;
                answeredWidget_ = modal;
                answer_(modal);
            }
            return;
        }
        if (modal == nullptr || modal != answeredWidget_) {
            timer_.stop();
        } else if (++ticksOpen_ > 300) {
            leftOpen_ = true;
            timer_.stop();
            modal->close();
        }
    }

    std::function<void(QWidget*)> answer_;
    QTimer timer_;
    bool answered_ = false;
    bool leftOpen_ = false;
    int ticksOpen_ = 0;
    QWidget* answeredWidget_ = nullptr;
};

}  // namespace ui_fixtures

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}
