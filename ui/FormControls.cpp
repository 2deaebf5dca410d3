#include "FormControls.h"

#include <QEvent>
#include <QPainter>
#include <QScrollBar>
#include <qdrawutil.h>

TLabel::TLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFocusPolicy(Qt::NoFocus);
    setMargin(0);
    setIndent(0);
}

void TLabel::setText(const QString& text) {
    QLabel::setText(text);
    // A label named after the caption beside it tells its text to screen
    // readers as the description (a label's name stands for its text).
    if (!accessibleName().isEmpty()) setAccessibleDescription(text);
    AutoSize();
}

void TLabel::AutoSize() {
    const QFontMetrics metrics = fontMetrics();
    const int width = text().isEmpty() ? metrics.horizontalAdvance(QLatin1Char(' '))
                                       : metrics.horizontalAdvance(text());
    resize(width, height());
}

void TLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        AutoSize();
    }
}

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAutoFillBackground(true);
}

QString TStatusBar::text() const {
    return text_;
}

void TStatusBar::setText(const QString& text) {
    text_ = text;
    if (isVisible()) {
        repaint();
    }
}

void TStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // One sunken panel across the whole width.
    const QRect panel = rect().adjusted(0, 2, 0, 0);
    qDrawShadePanel(&painter, panel, palette(), true, 1);
    painter.setPen(palette().color(QPalette::ButtonText));
    const QRect textRect = panel.adjusted(3, 1, -3, -1);
    painter.setClipRect(textRect);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

TWorkspace::TWorkspace(QWidget* parent) : QMdiArea(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setBackground(palette().brush(QPalette::Button));  // the window's colour
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    horizontalScrollBar()->setFocusPolicy(Qt::NoFocus);
    verticalScrollBar()->setFocusPolicy(Qt::NoFocus);
    // One transparent layer the size of the viewport holds the background
    // controls: the scroll range then counts the viewport itself, not a
    // label that pokes out under the sunken edge.
    backdrop_ = new QWidget(viewport());
    backdrop_->setGeometry(viewport()->rect());
    backdrop_->lower();
}

void TWorkspace::PlaceOnBackground(QWidget* control, QPoint ownerPosition, QSize size) {
    // The viewport starts inside the sunken edge; the workspace lies at the
    // owner window's origin.
    control->setParent(backdrop_);
    control->setGeometry(QRect(ownerPosition - pos() - contentsRect().topLeft(), size));
    control->show();
}

bool TWorkspace::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize) backdrop_->setGeometry(viewport()->rect());
    // Every child window is watched for changes of its stacking order.
    if (event->type() == QEvent::ChildPolished) {
        QObject* child = static_cast<QChildEvent*>(event)->child();
        if (child != backdrop_ && child->isWidgetType()) child->installEventFilter(this);
    }
    return QMdiArea::viewportEvent(event);
}

bool TWorkspace::eventFilter(QObject* watched, QEvent* event) {
    // A child window that is minimised lowers itself to the bottom of the
    // viewport, under the background layer, which would then take its
    // clicks: the layer goes back under every window.
    if (watched != backdrop_ && (event->type() == QEvent::ZOrderChange || event->type() == QEvent::WindowStateChange))
        backdrop_->lower();
    return QMdiArea::eventFilter(watched, event);
}

void TWorkspace::scrollContentsBy(int dx, int dy) {
    QMdiArea::scrollContentsBy(dx, dy);
    // The viewport scroll moved every child; the background stays put.
    backdrop_->move(0, 0);
    backdrop_->lower();
    viewport()->update();
}
