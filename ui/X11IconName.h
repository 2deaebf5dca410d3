#pragma once
// The ICCCM icon name (WM_ICON_NAME) of a top-level window on X11: what
// older taskbars show for it. The toolkit writes only the newer
// _NET_WM_ICON_NAME. Does nothing on other platforms or before the window
// exists on the display.
#include <QString>
#include <QWidget>

void SetX11IconName(QWidget* window, const QString& text);
