#include "DesignFont.h"

#include <QFontInfo>
#include <QFontMetrics>

#include <cmath>

#include "WindowPlacement.h"

namespace {

QFont BaseFont(int pixelSize) {
    QFont font(QString::fromLatin1(kDesignFontFamily));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

bool CaptionsFit(const QFont& font, const QList<FittedCaption>& captions) {
    const QFontMetrics metrics(font);
    for (const FittedCaption& caption : captions) {
        if (metrics.horizontalAdvance(caption.text) > caption.width) {
            return false;
        }
    }
    return true;
}

}  // namespace

QFont DesignFont(int pixelSize, const QList<FittedCaption>& captions) {
    QFont font = BaseFont(pixelSize);
    if (QFontInfo(font).family().compare(QString::fromLatin1(kDesignFontFamily), Qt::CaseInsensitive) == 0) {
        return font;
    }
    // A stand-in family is usually wider: condense it in steps of 1%
    // (down to 75%) until the captions fit.
    for (int stretch = 100; stretch >= 75; --stretch) {
        font.setStretch(stretch);
        if (CaptionsFit(font, captions)) {
            break;
        }
    }
    return font;
}

int WindowFontPixelSize(qreal dotsPerInch) {
    return static_cast<int>(std::lround(8.0 * dotsPerInch / 72.0));
}

int WindowFontLineHeight(qreal dotsPerInch) {
    const int designed = QFontMetrics(BaseFont(WindowFontPixelSize(96))).height();
    const int actual = QFontMetrics(BaseFont(WindowFontPixelSize(dotsPerInch))).height();
    return actual + (kDesignLineHeight - designed);
}
