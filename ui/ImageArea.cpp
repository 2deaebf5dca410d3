#include "ImageArea.h"

#include <QPaintEvent>
#include <QPainter>

#include "BitmapImage.h"

TImageArea::TImageArea(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    setFocusPolicy(Qt::NoFocus);
    picture_.SetChangeListener([this] {
        // Shown at once: the change is painted before the command goes on.
        if (isVisible()) {
            repaint();
        } else {
            update();
        }
    });
}

TImageArea::~TImageArea() {
    picture_.SetChangeListener({});
}

void TImageArea::paintEvent(QPaintEvent* event) {
    const Bitmap* bitmap = picture_.BitmapIfAny();
    if (bitmap == nullptr) {
        return;  // empty or another kind of picture: the background shows through
    }
    // Only the pixels both visible and asked for are converted.
    const QRect wanted = event->rect().intersected(rect());
    const QImage image = BitmapRegionImage(*bitmap, wanted);
    if (image.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(wanted.topLeft(), image);
}
