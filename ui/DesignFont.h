#pragma once
// The fonts of the designed layout: "MS Sans Serif" at fixed pixel sizes.
// Where that family is missing the nearest sans-serif stands in, narrowed
// just enough that the designed captions keep their designed widths.
#include <QFont>
#include <QList>
#include <QString>

inline constexpr const char* kDesignFontFamily = "MS Sans Serif";

struct FittedCaption {
    QString text;
    int width = 0;  // designed width the caption must not exceed
};

QFont DesignFont(int pixelSize, const QList<FittedCaption>& captions = {});

// Pixel size of an 8-point font at the given dots per inch (11 at 96).
int WindowFontPixelSize(qreal dotsPerInch);

// Line height of the window font at the given dots per inch, counted as
// 13 at 96 whatever family stands in for "MS Sans Serif".
int WindowFontLineHeight(qreal dotsPerInch);
