#pragma once
// The program's icon, drawn in code: three channel curves on a white card.
#include <QIcon>
#include <QImage>

QImage DrawAppIcon(int size);
QIcon AppIcon();
