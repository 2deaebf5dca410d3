// The desktop program's open path for a large picture, in process with
// Qt's offscreen platform: "&Buka"'s steps after the dialog (LoadPicture,
// the labels, the histogram computed and its window drawn) and the main
// window painted, against reading the file as cat does, in the same run.
//
//   citra_bench_open [--size=8000] [--runs=7]
// Prints the medians of each step and the ratios to cat (goal: 8x for the
// whole path, 2x for LoadPicture).
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "UMain.h"
#include "baselines.h"
#include "picture.h"
#include "test_images.h"

namespace {

using Clock = std::chrono::steady_clock;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// cat's loop: read() through one small buffer, nothing kept.
bool CatFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    static char buffer[128 << 10];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
    }
    close(fd);
    return n == 0;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <typename Step>
double Timed(Step&& step) {
    const Clock::time_point start = Clock::now();
    step();
    return Millis(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t side = std::atoi(TakeOption(argc, argv, "size").value_or("8000").c_str());
    const int runs = std::max(1, std::atoi(TakeOption(argc, argv, "runs").value_or("7").c_str()));
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::fprintf(stderr, "writing a %dx%d 24-bit pair...\n", side, side);
    const TestImagePair pair(side, side);
    const std::string& path = pair.Original();
    const QString name = QString::fromStdString(path);

    TForm1 form;
    form.show();
    QCoreApplication::processEvents();
    const auto open = [&] {
        if (!form.OpenOriginal(name)) {
            std::fprintf(stderr, "the picture was refused\n");
            std::exit(1);
        }
        form.ShowOriginalHistogram();
        form.repaint();  // the main window with the picture, and the histogram window
        QCoreApplication::processEvents();
    };
    // Warm: the file in the page cache, the window's first showing done.
    if (!CatFile(path)) return 1;
    open();

    std::vector<double> cat, load, whole;
    for (int i = 0; i < runs; ++i) {
        cat.push_back(Timed([&] { CatFile(path); }));
        {
            Picture picture;  // freed after the timing: freeing is not loading
            load.push_back(Timed([&] { LoadPicture(picture, path); }));
        }
        whole.push_back(Timed(open));
    }
    const double c = Median(cat), l = Median(load), w = Median(whole);
    std::printf("%dx%d 24-bit BMP, %lld bytes; medians of %d runs\n", side, side,
                static_cast<long long>(pair.FileSize()), runs);
    std::printf("cat of the file                %8.1f ms\n", c);
    std::printf("LoadPicture                    %8.1f ms  %5.2fx cat  (goal 2x: %s)\n", l, l / c,
                l / c <= 2 ? "met" : "MISSED");
    std::printf("open path, window painted      %8.1f ms  %5.2fx cat  (goal 8x: %s)\n", w, w / c,
                w / c <= 8 ? "met" : "MISSED");
    return 0;
}
