#include "WindowPlacement.h"

#include <algorithm>
#include <cstdint>

QPoint CentredOffset(QSize desktop, QSize window) {
    const int left = (desktop.width() - window.width()) / 2;
    const int top = (desktop.height() - window.height()) / 2;
    return {std::max(left, 0), std::max(top, 0)};
}

int ScaleLength(int designed, int lineHeight) {
    if (lineHeight == kDesignLineHeight) {
        return designed;
    }
    const int64_t product = static_cast<int64_t>(designed) * lineHeight;
    const int64_t half = kDesignLineHeight / 2;
    const int64_t rounded = product >= 0 ? (product + half) / kDesignLineHeight
                                         : -((-product + half) / kDesignLineHeight);
    return static_cast<int>(rounded);
}
