#pragma once
// Helpers shared by the main-window tests: tiny bitmap files, waiting for a
// condition, and a way to answer a modal window from inside its own event
// loop.
#include <QApplication>
#include <QFile>
#include <QRgb>
#include <QString>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <ostream>
#include <vector>

#include "bmp24_file.h"

namespace ui_fixtures {

using ::WriteBmp24;

// Runs the event loop until `done()` holds, at most `timeoutMs`; whether it
// holds. For ASSERT_TRUE / EXPECT_TRUE: a loaded machine gets the time it
// needs, an idle one none beyond the condition.
template <class Condition>
bool WaitUntil(Condition done, int timeoutMs = 5000) {
    return QTest::qWaitFor(done, timeoutMs);
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
