// Build-time tool: writes the program's icon as PNG files, one per size,
// into the folder given: <folder>/<n>x<n>/apps/analisiscitra.png.
#include <QDir>
#include <QString>

#include <cstdio>

#include "AppIcon.h"

int main(int argc, char** argv) {
    // QImage and QPainter alone: no display or platform plugin is needed.
    if (argc < 3) {
        std::fprintf(stderr, "usage: make_icon <folder> <size>...\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (size <= 0 || !QDir().mkpath(dir) || !DrawAppIcon(size).save(dir + QStringLiteral("/analisiscitra.png"))) {
            std::fprintf(stderr, "make_icon: cannot write size %s\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
