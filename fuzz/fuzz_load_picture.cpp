// libFuzzer target: the input is written to one temporary file and loaded
// under every registered extension. A load must succeed or fail with one of
// the loader's messages; a 24-bit result then goes through the histogram and
// the metrics, and every row of any bitmap is read.
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <string>

#include "error.h"
#include "histogram.h"
#include "metrics.h"
#include "picture.h"

namespace {

constexpr std::array<const char*, 5> kExtensions = {"bmp", "ico", "wmf", "emf", "jpg"};

// Rasters above this size are loaded but not walked, to keep runs fast.
constexpr size_t kMaxWalkedBytes = size_t{16} << 20;

// One folder per process: input.bin holds the input, input.<ext> are
// symbolic links to it.
class Workspace {
public:
    Workspace() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/citra-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        dir_ = pattern;
        data_ = dir_ + "/input.bin";
        for (size_t i = 0; i < kExtensions.size(); ++i) {
            paths_[i] = dir_ + "/input." + kExtensions[i];
            if (symlink("input.bin", paths_[i].c_str()) != 0) {
                std::perror("symlink");
                std::abort();
            }
        }
    }
    ~Workspace() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    void Write(const uint8_t* data, size_t size) const {
        const int fd = ::open(data_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0) {
            std::perror("open");
            std::abort();
        }
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd, data + done, size - done);
            if (n <= 0) {
                std::perror("write");
                std::abort();
            }
            done += static_cast<size_t>(n);
        }
        ::close(fd);
    }

    const std::array<std::string, kExtensions.size()>& Paths() const { return paths_; }

private:
    std::string dir_;
    std::string data_;
    std::array<std::string, kExtensions.size()> paths_;
};

bool IsLoaderMessage(const std::string& m) {
    return m == "Stream read error" || m == "Bitmap image is not valid" || m == "Icon image is not valid" ||
           m == "Metafile is not valid" || m.rfind("JPEG error #", 0) == 0 ||
           m.rfind("System Error.  Code: ", 0) == 0;
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_load_picture: %s\n", what.c_str());
    std::abort();
}

void CheckBitmap(Picture& picture) {
    const Bitmap& bitmap = *picture.BitmapIfAny();
    if (bitmap.DataSize() > kMaxWalkedBytes) {
        return;
    }
    unsigned sum = 0;
    for (int32_t row = 0; row < bitmap.Height(); ++row) {
        const auto bytes = bitmap.PixelRow(row);
        if (bytes.size() != bitmap.Stride()) {
            Fail("row of the wrong length");
        }
        for (uint8_t b : bytes) {
            sum += b;
        }
    }
    volatile unsigned sink = sum;
    (void)sink;

    if (bitmap.BitsPerPixel() != 24) {
        return;
    }
    const ChannelHistogram histogram = ComputeChannelHistogram(picture);
    const int64_t pixels = int64_t{bitmap.Width()} * bitmap.Height();
    if (std::accumulate(histogram.Red.begin(), histogram.Red.end(), int64_t{0}) != pixels ||
        std::accumulate(histogram.Blue.begin(), histogram.Blue.end(), int64_t{0}) != pixels) {
        Fail("histogram does not count every pixel");
    }
    try {
        const QualityMetrics metrics = ComputeQualityMetrics(bitmap, bitmap);
        if (metrics.MSE != 0) {
            Fail("a bitmap differs from itself");
        }
    } catch (const CitraError&) {
        // A refusal of the pair is a message, not a fault.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Workspace workspace;
    workspace.Write(data, size);
    for (const std::string& path : workspace.Paths()) {
        Picture picture;
        try {
            LoadPicture(picture, path);
        } catch (const CitraError& error) {
            if (!IsLoaderMessage(error.what())) {
                Fail(std::string("unexpected message: ") + error.what());
            }
            if (picture.Kind() != PictureKind::Empty) {
                Fail("a failed load changed the picture");
            }
            continue;
        }
        if (picture.Kind() == PictureKind::Bitmap) {
            CheckBitmap(picture);
        }
        if (AsBitmap(picture).Width() != picture.Width()) {
            Fail("AsBitmap and the picture disagree on the width");
        }
        ClearPicture(picture);
    }
    return 0;
}
