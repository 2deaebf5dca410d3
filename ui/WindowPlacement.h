#pragma once
// Where the main window goes when first shown, and how the designed layout
// (made for 96 dots per inch) scales on other screens.
#include <QPoint>
#include <QSize>

// Offset of the window's outer top-left corner from the primary monitor's
// top-left: the window centred on the whole desktop, each coordinate the
// half difference truncated toward zero and at least 0.
QPoint CentredOffset(QSize desktop, QSize window);

// The designed window font's line height; layouts are drawn for it.
inline constexpr int kDesignLineHeight = 13;

// A designed length scaled by lineHeight / 13, rounded to nearest (halves
// away from zero); unchanged when lineHeight is 13.
int ScaleLength(int designed, int lineHeight);
