#include "fuzz_checks.h"

#include <algorithm>
#include <array>
#include <bit>
#include <numeric>
#include <span>
#include <vector>

#include "bitmap_ssim.h"
#include "error.h"
#include "formats.h"
#include "histogram.h"
#include "histogram_stream.h"
#include "image_reader.h"
#include "input_file.h"
#include "little_endian.h"
#include "metrics.h"
#include "picture.h"
#include "standard_metrics.h"
#include "stream_compare.h"

namespace fuzz_checks {
namespace {

constexpr std::array<const char*, 5> kExtensions = {"bmp", "ico", "wmf", "emf", "jpg"};

// Rows are walked up to this many bytes; the histogram and the metrics only
// run on bitmaps no larger. Larger rasters take the same code paths.
constexpr size_t kMaxWalkedBytes = size_t{64} << 10;

bool IsLoaderMessage(const std::string& m) {
    return m == "Stream read error" || m == "Bitmap image is not valid" || m == "Icon image is not valid" ||
           m == "Metafile is not valid" || m.rfind("JPEG error #", 0) == 0 ||
           m.rfind("System Error.  Code: ", 0) == 0;
}

std::optional<std::string> CheckBitmap(Picture& picture) {
    const Bitmap& bitmap = *picture.BitmapIfAny();
    size_t walked = 0;
    unsigned sum = 0;
    for (int32_t row = 0; row < bitmap.Height() && walked <= kMaxWalkedBytes; ++row) {
        const auto bytes = bitmap.PixelRow(row);
        if (bytes.size() != bitmap.Stride()) {
            return "row of the wrong length";
        }
        // Touch the first and last byte: ASan sees a row outside the raster.
        if (!bytes.empty()) {
            sum += bytes.front() + bytes.back();
        }
        walked += bytes.size();
    }
    volatile unsigned sink = sum;
    (void)sink;

    if (bitmap.BitsPerPixel() != 24 || bitmap.DataSize() > kMaxWalkedBytes) {
        return std::nullopt;
    }
    const ChannelHistogram histogram = ComputeChannelHistogram(picture);
    const int64_t pixels = int64_t{bitmap.Width()} * bitmap.Height();
    if (std::accumulate(histogram.Red.begin(), histogram.Red.end(), int64_t{0}) != pixels ||
        std::accumulate(histogram.Blue.begin(), histogram.Blue.end(), int64_t{0}) != pixels) {
        return "histogram does not count every pixel";
    }
    try {
        const QualityMetrics metrics = ComputeQualityMetrics(bitmap, bitmap);
        if (metrics.MSE != 0) {
            return "a bitmap differs from itself";
        }
    } catch (const CitraError&) {
        // A refusal of the pair is a message, not a fault.
    }
    return std::nullopt;
}

// What a comparison gave: its message, or its numbers.
struct Outcome {
    std::string error;
    QualityMetrics metrics;
    StandardMetrics standard;  // of a streamed comparison that succeeded
};

bool Same(const Outcome& a, const Outcome& b) {
    return a.error == b.error && std::bit_cast<uint64_t>(a.metrics.MSE) == std::bit_cast<uint64_t>(b.metrics.MSE) &&
           std::bit_cast<uint64_t>(a.metrics.PSNR) == std::bit_cast<uint64_t>(b.metrics.PSNR);
}

std::string Describe(const Outcome& o) {
    if (!o.error.empty()) {
        return "\"" + o.error + "\"";
    }
    return "MSE " + std::to_string(o.metrics.MSE) + " PSNR " + std::to_string(o.metrics.PSNR);
}

void LoadBitmapBytes(Picture& picture, std::span<const uint8_t> bytes) {
    InputFile input(bytes, kStreamMaxBlockBytes);
    LoadPicture(picture, input, "bmp");
}

Outcome Loaded(std::span<const uint8_t> original, std::span<const uint8_t> manipulated) {
    Outcome out;
    try {
        Picture a;
        Picture b;
        LoadBitmapBytes(a, original);
        LoadBitmapBytes(b, manipulated);
        out.metrics = ComputeQualityMetrics(*a.BitmapIfAny(), *b.BitmapIfAny());
    } catch (const CitraError& e) {
        out.error = e.what();
    }
    return out;
}

Outcome Streamed(std::span<const uint8_t> original, std::span<const uint8_t> manipulated, bool loadOriginal,
                 StreamBuffers& buffers) {
    Outcome out;
    try {
        if (loadOriginal) {
            Picture a;
            LoadBitmapBytes(a, original);
            BitmapFileStream b(manipulated, kStreamMaxBlockBytes);
            out.metrics = CompareWithStream(*a.BitmapIfAny(), b, buffers, &out.standard);
        } else {
            BitmapFileStream a(original, kStreamMaxBlockBytes);
            BitmapFileStream b(manipulated, kStreamMaxBlockBytes);
            out.metrics = CompareStreams(a, b, buffers, &out.standard);
        }
    } catch (const CitraError& e) {
        out.error = e.what();
    }
    return out;
}

bool SameBits(double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); }

// The field's metrics of a streamed pair against those of the two files
// decoded whole, and SSIM from rows read band by band against SSIM of the
// decoded images. Files ReadImage refuses (its limits are smaller) are left
// out.
std::optional<std::string> CheckStandard(std::span<const uint8_t> original, std::span<const uint8_t> manipulated,
                                         const StandardMetrics& streamed) {
    constexpr ImageLimits kLimits{.maxWidth = 1 << 12, .maxHeight = 1 << 12, .maxSampleBytes = kMaxWalkedBytes};
    Image a, b;
    try {
        a = ReadImage(original, "bmp", "fuzz", kLimits);
        b = ReadImage(manipulated, "bmp", "fuzz", kLimits);
    } catch (const CitraError&) {
        return std::nullopt;
    }
    const StandardMetrics whole = ComputeStandardMetrics(a, b, {.ssim = true, .threads = 1});
    if (!SameBits(whole.mse, streamed.mse) || !SameBits(whole.psnr, streamed.psnr) ||
        whole.changedSamples != streamed.changedSamples || whole.maxAbsDiff != streamed.maxAbsDiff ||
        whole.channels.size() != streamed.channels.size())
        return "the streamed field's metrics differ from those of the decoded pictures";
    for (size_t c = 0; c < whole.channels.size(); ++c)
        if (!SameBits(whole.channels[c].mse, streamed.channels[c].mse))
            return "the streamed MSE of channel " + whole.channels[c].name + " differs";
    if (!whole.ssim) return std::nullopt;
    BitmapFileStream first(original, kStreamMaxBlockBytes);
    BitmapFileStream second(manipulated, kStreamMaxBlockBytes);
    const std::vector<double> rows = BitmapPairSsim(first, second, 1);
    for (size_t c = 0; c < rows.size(); ++c)
        if (!SameBits(rows[c], *whole.channels[c].ssim))
            return "SSIM from rows differs in channel " + whole.channels[c].name;
    return std::nullopt;
}

// The histogram counted from the bytes band by band against the loaded
// picture's, for a picture that loads as a 24-bit bitmap.
std::optional<std::string> CheckStreamedHistogram(std::span<const uint8_t> bytes, size_t bandBytes) {
    ChannelHistogram loaded;
    try {
        Picture picture;
        LoadBitmapBytes(picture, bytes);
        if (PairRefusal(PairStep::Original, ShapeOf(picture), {})) return std::nullopt;
        loaded = ComputeChannelHistogram(picture);
    } catch (const CitraError&) {
        return std::nullopt;
    }
    try {
        BitmapFileStream stream(bytes, kStreamMaxBlockBytes);
        const ChannelHistogram streamed = ComputeChannelHistogramStreamed("fuzz", stream, bandBytes, 1);
        if (streamed.Red != loaded.Red || streamed.Green != loaded.Green || streamed.Blue != loaded.Blue ||
            streamed.Peak != loaded.Peak)
            return "the histogram counted band by band differs from the loaded picture's";
    } catch (const CitraError& e) {
        return std::string("the histogram counted band by band failed where the load did not: ") + e.what();
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> CheckLoad(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    for (const char* extension : kExtensions) {
        Picture picture;
        try {
            InputFile input(bytes, kLoadMaxBlockBytes);
            LoadPicture(picture, input, extension);
        } catch (const CitraError& error) {
            if (!IsLoaderMessage(error.what())) {
                return std::string("unexpected message as .") + extension + ": " + error.what();
            }
            if (picture.Kind() != PictureKind::Empty) {
                return std::string("a failed load as .") + extension + " changed the picture";
            }
            continue;
        }
        if (picture.Kind() == PictureKind::Bitmap) {
            if (auto fault = CheckBitmap(picture)) {
                return fault;
            }
        }
        if (AsBitmap(picture).Width() != picture.Width()) {
            return "AsBitmap and the picture disagree on the width";
        }
        ClearPicture(picture);
    }
    return std::nullopt;
}

std::optional<std::string> CheckStreamedCompare(const uint8_t* data, size_t size) {
    constexpr size_t kControlBytes = 6;
    if (size < kControlBytes) {
        return std::nullopt;
    }
    const uint16_t bandField = Le16(data);
    const uint8_t mode = data[2];
    const uint8_t key = data[3];
    const uint16_t cutField = Le16(data + 4);
    const std::span<const uint8_t> rest(data + kControlBytes, size - kControlBytes);

    // Bands from one byte up, or the program's default.
    const size_t bandBytes = (bandField & 0x8000) != 0 ? StreamBuffers::kDefaultBandBytes : 1 + (bandField & 0x0FFF);
    const bool swap = (mode & 1) != 0;
    const bool split = (mode & 2) != 0;
    const bool loadOriginal = (mode & 4) != 0;

    std::vector<uint8_t> derived;
    std::span<const uint8_t> first = rest;
    std::span<const uint8_t> second;
    if (split) {
        const size_t cut = std::min<size_t>(cutField, rest.size());
        first = rest.first(cut);
        second = rest.subspan(cut);
    } else {
        // A copy with pixel bytes changed (every step-th one from the stored
        // pixel offset on) and, on request, its last bytes cut off.
        derived.assign(rest.begin(), rest.end());
        const size_t from = derived.size() >= 14 ? std::max<size_t>(14, Le32(derived.data() + 10)) : derived.size();
        const size_t step = 1 + (mode >> 4);
        for (size_t i = from; i < derived.size(); i += step) {
            derived[i] ^= key;
        }
        if ((mode & 8) != 0) {
            derived.resize(derived.size() - std::min<size_t>(derived.size(), key & 31));
        }
        second = derived;
    }
    if (swap) {
        std::swap(first, second);
    }

    static StreamBuffers defaultBuffers;
    StreamBuffers smallBuffers(bandBytes);
    StreamBuffers& buffers = bandBytes == StreamBuffers::kDefaultBandBytes ? defaultBuffers : smallBuffers;

    const Outcome loaded = Loaded(first, second);
    const Outcome streamed = Streamed(first, second, loadOriginal, buffers);
    if (!Same(loaded, streamed)) {
        return "band " + std::to_string(bandBytes) + (loadOriginal ? ", original loaded" : ", both streamed") +
               ": loaded gives " + Describe(loaded) + ", streamed gives " + Describe(streamed);
    }
    if (auto fault = CheckStreamedHistogram(first, bandBytes)) return fault;
    if (streamed.error.empty()) return CheckStandard(first, second, streamed.standard);
    return std::nullopt;
}

}  // namespace fuzz_checks

namespace fuzz_checks {
namespace {

constexpr std::array<const char*, 5> kImageExtensions = {"bmp", "png", "pnm", "tif", "jpg"};
constexpr const char* kFuzzName = "fuzz";

template <typename Samples>
std::optional<std::string> CheckSamples(const Samples& samples, uint32_t peak) {
    for (size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] > peak) {
            return "sample " + std::to_string(i) + " is " + std::to_string(samples[i]) + ", above the peak " +
                   std::to_string(peak);
        }
    }
    return std::nullopt;
}

std::optional<std::string> CheckImage(const Image& image, const ImageLimits& limits) {
    if (image.width <= 0 || image.height <= 0 || image.width > limits.maxWidth || image.height > limits.maxHeight) {
        return "size " + std::to_string(image.width) + " x " + std::to_string(image.height) + " outside the limits";
    }
    if (image.Channels() < 1 || image.Channels() > 4) return "bad channel layout";
    const size_t count = image.SampleCount();
    if (image.bitDepth == 8) {
        if (image.samples8.size() != count || !image.samples16.empty()) return "8-bit samples of the wrong count";
        if (image.peak == 0 || image.peak > 255) return "8-bit peak " + std::to_string(image.peak);
        if (count > limits.maxSampleBytes) return "samples above the limit";
        return CheckSamples(image.samples8, image.peak);
    }
    if (image.bitDepth == 16) {
        if (image.samples16.size() != count || !image.samples8.empty()) return "16-bit samples of the wrong count";
        if (image.peak <= 255 || image.peak > 65535) return "16-bit peak " + std::to_string(image.peak);
        if (count * 2 > limits.maxSampleBytes) return "samples above the limit";
        return CheckSamples(image.samples16, image.peak);
    }
    return "bit depth " + std::to_string(image.bitDepth);
}

}  // namespace

namespace {

// A decoder that may rearrange bytes it owns (a file read whole) must give
// what it gives bytes it cannot touch: the same picture or the same words.
std::optional<std::string> CheckOwnedDecode(std::span<const uint8_t> bytes, const char* extension,
                                            const ImageLimits& limits, const Image& image,
                                            const std::string& message) {
    const Format* format = FormatOfExtension(extension);
    if (format == nullptr || format->decodeOwned == nullptr || bytes.empty()) return std::nullopt;
    std::vector<uint8_t> owned(bytes.begin(), bytes.end());
    Image again;
    std::string words;
    try {
        again = format->decodeOwned(owned, limits);
    } catch (const CitraError& error) {
        words = std::string(kFuzzName) + ": " + error.what();
    } catch (const std::exception& error) {
        return std::string("unexpected exception from the owned decoder: ") + error.what();
    }
    if (words != message) return "the owned decoder says '" + words + "', the other '" + message + "'";
    if (message.empty() && (again.width != image.width || again.height != image.height ||
                            again.layout != image.layout || again.bitDepth != image.bitDepth ||
                            again.samples8 != image.samples8 || again.samples16 != image.samples16))
        return std::string("the owned decoder gives another picture");
    return std::nullopt;
}

}  // namespace

std::optional<std::string> CheckReadImage(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    ImageLimits limits;
    limits.maxWidth = kReadMaxSide;
    limits.maxHeight = kReadMaxSide;
    limits.maxSampleBytes = kReadMaxSampleBytes;
    const std::string prefix = std::string(kFuzzName) + ": ";
    for (const char* extension : kImageExtensions) {
        Image image;
        std::string message;
        try {
            image = ReadImage(bytes, extension, kFuzzName, limits);
            if (auto fault = CheckImage(image, limits)) return std::string("as .") + extension + ": " + *fault;
        } catch (const CitraError& error) {
            message = error.what();
            if (message.rfind(prefix, 0) != 0 || message.size() == prefix.size()) {
                return std::string("message without the file's name as .") + extension + ": " + message;
            }
        } catch (const std::exception& error) {
            return std::string("unexpected exception as .") + extension + ": " + error.what();
        }
        if (auto fault = CheckOwnedDecode(bytes, extension, limits, image, message))
            return std::string("as .") + extension + ": " + *fault;
    }
    return std::nullopt;
}

}  // namespace fuzz_checks
