// The route of a pair, from the names and the .bmp headers: one table of
// (file a, file b) -> route, and the files the plan hands on.
#include "pair_plan.h"

#include <gtest/gtest.h>

#include <map>

#include "../core/bmp_builder.h"
#include "../core/graphic_files.h"
#include "../core/image_encoders.h"
#include "../core/scratch_dir.h"

namespace {

using bmp_builder::BmpSpec;

// The files of the table, by name: bitmaps of several depths and sizes,
// a bitmap without pixels and one whose headers cannot be read, files of
// the other formats, and names no reader takes.
std::map<std::string, std::vector<uint8_t>> Files() {
    const auto bmp = [](int32_t width, uint16_t bits) {
        BmpSpec s{.width = width, .height = 4, .bitsPerPixel = bits};
        if (bits <= 8) for (uint32_t i = 0; i < (1u << bits); ++i) s.colourTable.push_back(i * 0x010101u);
        s.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(s));
        return bmp_builder::BuildBmp(s);
    };
    std::map<std::string, std::vector<uint8_t>> files;
    files["rgb24.bmp"] = bmp(5, 24);
    files["rgb24_wide.bmp"] = bmp(6, 24);
    files["grey8.bmp"] = bmp(5, 8);
    files["rgb32.bmp"] = bmp(5, 32);
    files["mono1.bmp"] = bmp(5, 1);
    files["empty.bmp"] = {};  // loads as a bitmap without pixels
    files["broken.bmp"] = {'B', 'M', 1, 2};
    files["rgb.png"] = image_encoders::Png(5, 4, 2, 8, image_encoders::Ramp(5 * 4 * 3));
    files["grey.pgm"] = image_encoders::Pnm("P5 5 4 255\n", image_encoders::Ramp(5 * 4));
    files["photo.jpg"] = graphic_files::JpegFile(5, 4);
    files["icon.ico"] = graphic_files::IconFile();
    files["notes.txt"] = {'x'};
    return files;
}

struct RouteCase {
    const char* original;
    const char* manipulated;
    Route route;
    bool opened;  // Desktop: both files handed on, opened with their headers read
};

void PrintTo(const RouteCase& c, std::ostream* os) { *os << c.original << " + " << c.manipulated; }

class PairRoutes : public testing::TestWithParam<RouteCase> {};

TEST_P(PairRoutes, FromTheNamesAndTheBitmapHeaders) {
    const RouteCase& c = GetParam();
    const ScratchDir dir;
    for (const auto& [name, bytes] : Files()) dir.Write(name, bytes);
    const PairPlan plan = PlanPair(dir.Path(c.original), dir.Path(c.manipulated));
    EXPECT_EQ(plan.route, c.route);
    EXPECT_EQ(plan.original != nullptr && plan.manipulated != nullptr, c.opened);
    if (c.route != Route::Desktop) {
        EXPECT_EQ(plan.original, nullptr);
    }
}

constexpr Route D = Route::Desktop, X = Route::Decoded;

INSTANTIATE_TEST_SUITE_P(
    Table, PairRoutes,
    testing::Values(
        // Two 24-bit bitmaps: the desktop program's way, sizes checked there.
        RouteCase{"rgb24.bmp", "rgb24.bmp", D, true}, RouteCase{"rgb24.bmp", "rgb24_wide.bmp", D, true},
        // A bitmap of another depth with pixels, on either side: decoded.
        RouteCase{"grey8.bmp", "rgb24.bmp", X, false}, RouteCase{"rgb24.bmp", "grey8.bmp", X, false},
        RouteCase{"rgb32.bmp", "rgb24_wide.bmp", X, false}, RouteCase{"mono1.bmp", "rgb32.bmp", X, false},
        // The original judged first: another depth decides alone, a file
        // whose headers fail keeps the desktop program's message.
        RouteCase{"grey8.bmp", "broken.bmp", X, false}, RouteCase{"broken.bmp", "grey8.bmp", D, false},
        RouteCase{"rgb24.bmp", "broken.bmp", D, false},
        // No pixels: the desktop program refuses it, unless the other file
        // has pixels of another depth.
        RouteCase{"empty.bmp", "grey8.bmp", X, false}, RouteCase{"empty.bmp", "rgb24.bmp", D, true},
        RouteCase{"rgb24.bmp", "empty.bmp", D, true},
        // Any other pair of formats the decoders read: decoded, by name.
        RouteCase{"rgb.png", "rgb24.bmp", X, false}, RouteCase{"rgb24.bmp", "photo.jpg", X, false},
        RouteCase{"grey.pgm", "rgb.png", X, false}, RouteCase{"photo.jpg", "photo.jpg", X, false},
        RouteCase{"rgb.png", "missing.png", X, false},
        // A format only the desktop loader takes, or none: its path and messages.
        RouteCase{"rgb24.bmp", "icon.ico", D, false}, RouteCase{"icon.ico", "rgb.png", D, false},
        RouteCase{"notes.txt", "rgb24.bmp", D, false}, RouteCase{"rgb.png", "notes.txt", D, false}));

struct FileCase {
    const char* name;
    Route route;
};

class FileRoutes : public testing::TestWithParam<FileCase> {};

TEST_P(FileRoutes, OneFileAsAPairWithItself) {
    const ScratchDir dir;
    for (const auto& [name, bytes] : Files()) dir.Write(name, bytes);
    const std::string path = dir.Path(GetParam().name);
    EXPECT_EQ(PlanFile(path), GetParam().route);
    EXPECT_EQ(PlanFile(path), PlanPair(path, path).route);
}

INSTANTIATE_TEST_SUITE_P(Table, FileRoutes,
                         testing::Values(FileCase{"rgb24.bmp", D}, FileCase{"grey8.bmp", X}, FileCase{"rgb32.bmp", X},
                                         FileCase{"empty.bmp", D}, FileCase{"broken.bmp", D},
                                         FileCase{"missing.bmp", D}, FileCase{"rgb.png", X},
                                         FileCase{"grey.pgm", X}, FileCase{"photo.jpg", X},
                                         FileCase{"icon.ico", D}, FileCase{"notes.txt", D}));

TEST(RouteByNames, ReadsNothing) {
    // Names of files that do not exist: the route the names give.
    EXPECT_EQ(RouteByNames("a.bmp", "b.BMP"), Route::Desktop);
    EXPECT_EQ(RouteByNames("a.bmp", "b.png"), Route::Decoded);
    EXPECT_EQ(RouteByNames("a.pbm", "b.pbm"), Route::Decoded);
    EXPECT_EQ(RouteByNames("a.ico", "b.png"), Route::Desktop);
}

}  // namespace
