// Saves a picture of the X screen as a PNG: grab <file.png> [x y w h],
// the whole screen or the given rectangle of it.
// Run with QT_QPA_PLATFORM=xcb and DISPLAY set.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    if (argc != 2 && argc != 6) {
        std::fprintf(stderr, "usage: grab <file.png> [x y w h]\n");
        return 2;
    }
    int area[4] = {0, 0, -1, -1};
    for (int i = 0; argc == 6 && i < 4; ++i) {
        area[i] = QString::fromLocal8Bit(argv[2 + i]).toInt();
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        std::fprintf(stderr, "grab: no screen\n");
        return 1;
    }
    const QPixmap picture = screen->grabWindow(0, area[0], area[1], area[2], area[3]);
    if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "grab: cannot save %s\n", argv[1]);
        return 1;
    }
    return 0;
}
