#include "X11IconName.h"

#ifdef CITRA_HAVE_XCB
#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

void SetX11IconName(QWidget* window, const QString& text) {
#ifdef CITRA_HAVE_XCB
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr || window->windowHandle() == nullptr) {
        return;
    }
    // WM_ICON_NAME is a STRING: Latin-1. Characters outside it become '?'.
    const QByteArray latin1 = text.toLatin1();
    xcb_change_property(x11->connection(), XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window->winId()),
                        XCB_ATOM_WM_ICON_NAME, XCB_ATOM_STRING, 8, static_cast<uint32_t>(latin1.size()),
                        latin1.constData());
    xcb_flush(x11->connection());
#else
    (void)window;
    (void)text;
#endif
}
