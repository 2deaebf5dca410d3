#pragma once
// Centres a top-level window with its window-manager frame. The frame's
// size is known only once the window manager has framed the window, some
// time after it is shown, so the placement is watched for a short while
// and made again whenever the outer size changes, until the window is
// framed, the user takes over, or the window is maximised or minimised.
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QSize>
#include <QTimer>
#include <QWidget>

#include <functional>

class TFramedCentring : public QObject {
public:
    // outerTopLeft gives the outer top-left corner for an outer size.
    TFramedCentring(QWidget* window, std::function<QPoint(QSize outer)> outerTopLeft);

    // Places the window now and keeps watching it.
    void Start();
    void Stop();
    bool Watching() const { return timer_.isActive(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Place();
    void Check();

    QPointer<QWidget> window_;
    std::function<QPoint(QSize)> outerTopLeft_;
    QTimer timer_;
    int checks_ = 0;
    QSize placedOuterSize_;
};
