#include "FramedCentring.h"

#include <QEvent>

namespace {

// At most 200 checks, 50 ms apart: a slow window manager gets 10 s.
constexpr int kChecks = 200;
constexpr int kInterval = 50;

}  // namespace

TFramedCentring::TFramedCentring(QWidget* window, std::function<QPoint(QSize outer)> outerTopLeft)
    : QObject(window), window_(window), outerTopLeft_(std::move(outerTopLeft)) {
    timer_.setInterval(kInterval);
    connect(&timer_, &QTimer::timeout, this, &TFramedCentring::Check);
    window->installEventFilter(this);
}

void TFramedCentring::Start() {
    Place();
    checks_ = 0;
    timer_.start();
}

void TFramedCentring::Stop() {
    timer_.stop();
}

void TFramedCentring::Place() {
    placedOuterSize_ = window_->frameGeometry().size();
    window_->move(outerTopLeft_(placedOuterSize_));
}

void TFramedCentring::Check() {
    ++checks_;
    if (window_ == nullptr || checks_ >= kChecks || !window_->isVisible() ||
        (window_->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))) {
        timer_.stop();
        return;
    }
    const QRect frame = window_->frameGeometry();
    const QSize outer = frame.size();
    // A move made before the window manager framed the window may have been
    // taken for the client's corner: the frame then lies off by its extents.
    if (outer != placedOuterSize_ || (outer != window_->size() && frame.topLeft() != outerTopLeft_(outer))) {
        Place();
    } else if (outer != window_->size()) {
        timer_.stop();  // framed, and placed with the frame
    } else if (checks_ == 5 || checks_ == 20 || checks_ == 60) {
        // The toolkit learns the frame only from a configure notice; one
        // may have come before the window manager framed the window. A
        // move there and back asks for a fresh one.
        const QPoint at = window_->pos();
        window_->move(at + QPoint(1, 0));
        window_->move(at);
    }
}

bool TFramedCentring::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_) {
        switch (event->type()) {
            case QEvent::NonClientAreaMouseButtonPress:
            case QEvent::MouseButtonPress:
            case QEvent::KeyPress:
                timer_.stop();  // the user has taken over
                break;
            default:
                break;
        }
    }
    return QObject::eventFilter(watched, event);
}
