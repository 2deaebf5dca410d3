#pragma once
// Turns the pixels of a core Bitmap into a QImage for drawing. Only the
// pixels asked for are read, so a huge bitmap costs only what is shown.
#include <QImage>
#include <QRect>
#include <QSize>

class Bitmap;

// The part `source` of the bitmap (row 0 at the top), clipped to the
// bitmap; a null image when nothing of it can be drawn.
QImage BitmapRegionImage(const Bitmap& bitmap, QRect source);

// The whole bitmap scaled to `size` by nearest-neighbour sampling.
QImage BitmapScaledImage(const Bitmap& bitmap, QSize size);
