#include "difference_maps.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "error.h"
#include "parallel_tasks.h"
#include "ssim.h"
#include "standard_metrics.h"
#include "viridis.h"

namespace {

int ColourChannels(ChannelLayout layout) {
    return layout == ChannelLayout::Rgb || layout == ChannelLayout::Rgba ? 3 : 1;
}

std::string Shortest(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}

// The loops below run over `pixels` pixels of c interleaved samples, of
// which the first cc are colour.
struct Span {
    size_t pixels, c, cc;
};

// The largest |difference| of a sample, when every sample is a colour
// sample: one flat loop the compiler vectorises.
template <class T>
uint32_t LargestSample(const T* x, const T* y, size_t samples) {
    uint32_t largest = 0;
    for (size_t i = 0; i < samples; ++i) {
        const int32_t d = static_cast<int32_t>(x[i]) - static_cast<int32_t>(y[i]);
        largest = std::max(largest, static_cast<uint32_t>(d < 0 ? -d : d));
    }
    return largest;
}

// Sums of a pixel's squared differences: 32 bits hold three 8-bit ones.
template <class T>
using SquareSum = std::conditional_t<sizeof(T) == 1, uint32_t, uint64_t>;

// The layouts' channel counts as constants, so the loops below vectorise.
template <class Body>
void WithChannels(Span s, const Body& body) {
    switch (s.c * 8 + s.cc) {
        case 1 * 8 + 1: return body(std::integral_constant<size_t, 1>{}, std::integral_constant<size_t, 1>{});
        case 2 * 8 + 1: return body(std::integral_constant<size_t, 2>{}, std::integral_constant<size_t, 1>{});
        case 3 * 8 + 3: return body(std::integral_constant<size_t, 3>{}, std::integral_constant<size_t, 3>{});
        default: return body(std::integral_constant<size_t, 4>{}, std::integral_constant<size_t, 3>{});
    }
}

template <class T>
void Largest(const T* x, const T* y, Span s, uint32_t& largestSample, uint64_t& largestSquares) {
    WithChannels(s, [&](auto c, auto cc) {
        uint32_t sample = largestSample;
        SquareSum<T> squares = 0;
        for (size_t p = 0; p < s.pixels; ++p) {
            SquareSum<T> sum = 0;
            for (size_t ch = 0; ch < cc; ++ch) {
                const int32_t d = static_cast<int32_t>(x[p * c + ch]) - static_cast<int32_t>(y[p * c + ch]);
                const uint32_t ad = static_cast<uint32_t>(d < 0 ? -d : d);
                sample = std::max(sample, ad);
                sum += static_cast<SquareSum<T>>(ad) * ad;
            }
            squares = std::max(squares, sum);
        }
        largestSample = sample;
        largestSquares = std::max<uint64_t>(largestSquares, squares);
    });
}

// abs: out = min(255, round(|d| * scale)), halves up.
template <class T>
void DrawAbs(const T* x, const T* y, Span s, double scale, uint8_t* o) {
    if constexpr (sizeof(T) == 1) {
        uint8_t table[256];
        for (int d = 0; d < 256; ++d) table[d] = static_cast<uint8_t>(std::min(255.0, std::floor(d * scale + 0.5)));
        for (size_t p = 0; p < s.pixels; ++p)
            for (size_t ch = 0; ch < s.cc; ++ch) {
                const int d = static_cast<int>(x[p * s.c + ch]) - static_cast<int>(y[p * s.c + ch]);
                o[p * s.cc + ch] = table[d < 0 ? -d : d];
            }
    } else {
        for (size_t p = 0; p < s.pixels; ++p)
            for (size_t ch = 0; ch < s.cc; ++ch) {
                const int d = static_cast<int>(x[p * s.c + ch]) - static_cast<int>(y[p * s.c + ch]);
                o[p * s.cc + ch] = static_cast<uint8_t>(std::min(255.0, std::floor((d < 0 ? -d : d) * scale + 0.5)));
            }
    }
}

// heat: colour index min(255, round(sqrt(sum of d^2) * scale)), halves up.
uint8_t HeatIndex(uint64_t sum, double scale) {
    return sum == 0 ? 0
                    : static_cast<uint8_t>(std::min(255.0, std::floor(std::sqrt(static_cast<double>(sum)) * scale + 0.5)));
}

// `table`, when given, holds HeatIndex of every sum the samples can make.
template <class T>
void DrawHeat(const T* x, const T* y, Span s, double scale, const std::vector<uint8_t>& table, uint8_t* o) {
    WithChannels(s, [&](auto c, auto cc) {
        for (size_t p = 0; p < s.pixels; ++p) {
            SquareSum<T> sum = 0;
            for (size_t ch = 0; ch < cc; ++ch) {
                const int32_t d = static_cast<int32_t>(x[p * c + ch]) - static_cast<int32_t>(y[p * c + ch]);
                sum += static_cast<SquareSum<T>>(static_cast<int64_t>(d) * d);
            }
            const uint8_t index = table.empty() ? HeatIndex(sum, scale) : table[sum];
            const auto& colour = kViridis[index];
            o[p * 3] = colour[0];
            o[p * 3 + 1] = colour[1];
            o[p * 3 + 2] = colour[2];
        }
    });
}

// lsb: three panels side by side, each sample's bit as 0 or 255.
template <class T>
void DrawPlanes(const T* x, const T* y, size_t width, size_t rows, size_t c, size_t cc, int plane, uint8_t* out) {
    const size_t outRow = 3 * width * cc;
    for (size_t r = 0; r < rows; ++r) {
        uint8_t* o = out + r * outRow;
        for (size_t px = 0; px < width; ++px)
            for (size_t ch = 0; ch < cc; ++ch) {
                const size_t i = (r * width + px) * c + ch;
                const unsigned bitA = (static_cast<unsigned>(x[i]) >> plane) & 1u;
                const unsigned bitB = (static_cast<unsigned>(y[i]) >> plane) & 1u;
                o[px * cc + ch] = bitA ? 255 : 0;
                o[(width + px) * cc + ch] = bitB ? 255 : 0;
                o[(2 * width + px) * cc + ch] = bitA != bitB ? 255 : 0;
            }
    }
}

Image OutputImage(int32_t width, int32_t height, ChannelLayout layout) {
    Image out;
    out.width = width;
    out.height = height;
    out.layout = layout;
    out.samples8.resize(out.SampleCount());
    return out;
}

DiffMap SsimPicture(const ImageView& a, const ImageView& b, const DiffOptions& options) {
    DiffDrawer drawer(a, options);
    drawer.Fix();
    DiffMap map = drawer.Map();
    const std::vector<float> ssim = SsimMap(a, b, options.threads);
    map.image = OutputImage(a.width, a.height, ChannelLayout::Grey);
    for (size_t i = 0; i < ssim.size(); ++i) map.image.samples8[i] = SsimByte(ssim[i]);
    return map;
}

}  // namespace

DiffDrawer::DiffDrawer(const ImageView& shape, const DiffOptions& options) : options_(options) {
    shape_.width = shape.width;
    shape_.height = shape.height;
    shape_.layout = shape.layout;
    shape_.bitDepth = shape.bitDepth;
    shape_.peak = shape.peak;
    map_.description = {{"Software", "citra"}, {"Title", std::string("citra diff ") + DiffModeName(options.mode)}};
}

bool DiffDrawer::NeedsLargest() const {
    return options_.mode == DiffMode::Abs || options_.mode == DiffMode::Heat;
}

void DiffDrawer::AddToLargest(const void* original, const void* manipulated, size_t rows) {
    const Span s{rows * static_cast<size_t>(shape_.width), static_cast<size_t>(shape_.Channels()),
                 static_cast<size_t>(ColourChannels(shape_.layout))};
    // abs needs only the largest sample difference.
    if (options_.mode == DiffMode::Abs && s.c == s.cc) {
        const uint32_t largest =
            shape_.bitDepth == 16
                ? LargestSample(static_cast<const uint16_t*>(original), static_cast<const uint16_t*>(manipulated),
                                s.pixels * s.c)
                : LargestSample(static_cast<const uint8_t*>(original), static_cast<const uint8_t*>(manipulated),
                                s.pixels * s.c);
        largestSample_ = std::max(largestSample_, largest);
        return;
    }
    if (shape_.bitDepth == 16)
        Largest(static_cast<const uint16_t*>(original), static_cast<const uint16_t*>(manipulated), s, largestSample_,
                largestSquares_);
    else
        Largest(static_cast<const uint8_t*>(original), static_cast<const uint8_t*>(manipulated), s, largestSample_,
                largestSquares_);
}

void DiffDrawer::TakeLargest(const DiffDrawer& other) {
    largestSample_ = std::max(largestSample_, other.largestSample_);
    largestSquares_ = std::max(largestSquares_, other.largestSquares_);
}

uint8_t SsimByte(float ssim) { return static_cast<uint8_t>(std::lround(std::clamp(ssim, 0.0f, 1.0f) * 255.0f)); }

void DiffDrawer::Fix() {
    if (options_.mode == DiffMode::Ssim) {
        map_.scaleMax = 1;
        map_.description.emplace_back("Description", "Local SSIM (Gaussian window, sigma 1.5): 0 or below black, "
                                                     "1 white; the 5-pixel border repeats its nearest pixel");
        return;
    }
    if (options_.mode == DiffMode::Lsb) {
        map_.description.emplace_back("Description", "Bit plane " + std::to_string(options_.plane) +
                                                         " of the original, of the manipulated image and where they "
                                                         "differ, side by side: bit 0 black, bit 1 white");
        return;
    }
    const bool heat = options_.mode == DiffMode::Heat;
    const double peak = static_cast<double>(shape_.peak);
    map_.largest = heat ? std::sqrt(static_cast<double>(largestSquares_)) : largestSample_;
    map_.gain = options_.gain ? *options_.gain : map_.largest > 0 ? peak / map_.largest : 1.0;
    map_.scaleMax = peak / map_.gain;
    scale_ = 255.0 / map_.scaleMax;
    if (heat && shape_.bitDepth == 8) {
        const uint64_t sums = static_cast<uint64_t>(ColourChannels(shape_.layout)) * 255 * 255 + 1;
        // HeatIndex never falls as the sum grows: each index's run of sums is
        // found by bisection and filled, rather than a square root per sum.
        heatIndex_.resize(sums);
        uint64_t from = 0;
        for (unsigned index = 0; from < sums; ++index) {
            uint64_t low = from, high = sums;  // the first sum past this index
            while (low < high) {
                const uint64_t middle = low + (high - low) / 2;
                if (HeatIndex(middle, scale_) > index) high = middle; else low = middle + 1;
            }
            std::fill(heatIndex_.begin() + static_cast<ptrdiff_t>(from), heatIndex_.begin() + static_cast<ptrdiff_t>(low),
                      static_cast<uint8_t>(index));
            from = low;
        }
    }
    if (heat)
        map_.description.emplace_back(
            "Description", "Difference magnitude sqrt(sum of squared colour-sample differences) through the viridis "
                           "colour map: 0 dark purple, " + Shortest(map_.scaleMax) + " and above yellow; largest " +
                               Shortest(map_.largest));
    else
        map_.description.emplace_back("Description", "Absolute difference of each colour sample: 0 black, " +
                                                         Shortest(map_.scaleMax) + " and above white; largest " +
                                                         Shortest(map_.largest));
    map_.description.emplace_back("citra.gain", Shortest(map_.gain));
    map_.description.emplace_back("citra.scale_max", Shortest(map_.scaleMax));
    map_.description.emplace_back("citra.largest", Shortest(map_.largest));
}

void DiffDrawer::DrawRows(const void* original, const void* manipulated, size_t rows, uint8_t* out) const {
    const size_t width = static_cast<size_t>(shape_.width);
    const size_t c = static_cast<size_t>(shape_.Channels());
    const size_t cc = static_cast<size_t>(ColourChannels(shape_.layout));
    const Span s{rows * width, c, cc};
    const bool wide = shape_.bitDepth == 16;
    const auto* a8 = static_cast<const uint8_t*>(original);
    const auto* b8 = static_cast<const uint8_t*>(manipulated);
    const auto* a16 = static_cast<const uint16_t*>(original);
    const auto* b16 = static_cast<const uint16_t*>(manipulated);
    switch (options_.mode) {
    case DiffMode::Abs:
        if (wide) DrawAbs(a16, b16, s, scale_, out);
        else DrawAbs(a8, b8, s, scale_, out);
        break;
    case DiffMode::Heat:
        if (wide) DrawHeat(a16, b16, s, scale_, heatIndex_, out);
        else DrawHeat(a8, b8, s, scale_, heatIndex_, out);
        break;
    case DiffMode::Lsb:
        if (wide) DrawPlanes(a16, b16, width, rows, c, cc, options_.plane, out);
        else DrawPlanes(a8, b8, width, rows, c, cc, options_.plane, out);
        break;
    case DiffMode::Ssim:
        break;  // drawn from the whole images by MakeDiffMap
    }
}

void DiffDrawer::DrawWhole(const ImageView& original, const ImageView& manipulated, unsigned threads, uint8_t* out,
                           size_t stride) {
    const size_t height = static_cast<size_t>(original.height);
    const size_t inputRowBytes = static_cast<size_t>(original.width) * static_cast<size_t>(original.Channels()) *
                                 (original.bitDepth > 8 ? 2u : 1u);
    // Bands of about 4 MiB of one input, at least eight of them, so that two
    // threads share even a small picture and the last band is never long.
    const size_t bandRows = std::min(std::max<size_t>(1, (size_t{4} << 20) / std::max<size_t>(inputRowBytes, 1)),
                                     std::max<size_t>(1, (height + 7) / 8));
    const size_t bands = (height + bandRows - 1) / bandRows;
    const unsigned workers = ThreadsToUse(threads);
    const auto* a = static_cast<const uint8_t*>(original.samples);
    const auto* b = static_cast<const uint8_t*>(manipulated.samples);
    const auto eachBand = [&](const auto& use) {
        RunTasks(bands, workers, [&](unsigned worker, size_t band) {
            const size_t first = band * bandRows;
            use(worker, first, std::min(bandRows, height - first));
        });
    };
    if (NeedsLargest()) {
        // One drawer a thread, their largest differences taken together.
        std::vector<DiffDrawer> measured(std::min<size_t>(workers, bands), *this);
        eachBand([&](unsigned worker, size_t first, size_t count) {
            measured[worker].AddToLargest(a + first * inputRowBytes, b + first * inputRowBytes, count);
        });
        for (const DiffDrawer& drawer : measured) TakeLargest(drawer);
    }
    Fix();
    eachBand([&](unsigned, size_t first, size_t count) {
        for (size_t y = first; y < first + count; ++y)
            DrawRows(a + y * inputRowBytes, b + y * inputRowBytes, 1, out + y * stride);
    });
}

int32_t DiffDrawer::OutputWidth() const { return options_.mode == DiffMode::Lsb ? 3 * shape_.width : shape_.width; }

ChannelLayout DiffDrawer::OutputLayout() const {
    if (options_.mode == DiffMode::Heat) return ChannelLayout::Rgb;
    if (options_.mode == DiffMode::Ssim) return ChannelLayout::Grey;
    return ColourChannels(shape_.layout) == 3 ? ChannelLayout::Rgb : ChannelLayout::Grey;
}

size_t DiffDrawer::OutputRowBytes() const {
    return static_cast<size_t>(OutputWidth()) * static_cast<size_t>(ChannelCount(OutputLayout()));
}

const char* DiffModeName(DiffMode mode) {
    switch (mode) {
    case DiffMode::Abs: return "abs";
    case DiffMode::Heat: return "heat";
    case DiffMode::Lsb: return "lsb";
    case DiffMode::Ssim: return "ssim";
    }
    return "abs";
}

std::optional<DiffMode> DiffModeFromName(const std::string& name) {
    for (const DiffMode mode : {DiffMode::Abs, DiffMode::Heat, DiffMode::Lsb, DiffMode::Ssim})
        if (name == DiffModeName(mode)) return mode;
    return std::nullopt;
}

std::optional<std::string> DiffRefusal(const ImageView& original, const ImageView& manipulated, const DiffOptions& options) {
    if (auto refusal = StandardPairRefusal(original, manipulated)) return refusal;
    if (options.mode == DiffMode::Lsb && (options.plane < 0 || options.plane >= original.bitDepth))
        return "Bit plane " + std::to_string(options.plane) + " does not exist in " +
               std::to_string(original.bitDepth) + "-bit samples (planes 0 to " +
               std::to_string(original.bitDepth - 1) + ")";
    if (options.mode == DiffMode::Ssim) return SsimRefusal(original);
    return std::nullopt;
}

DiffMap MakeDiffMap(const ImageView& original, const ImageView& manipulated, const DiffOptions& options) {
    if (auto refusal = DiffRefusal(original, manipulated, options)) throw CitraError(*refusal);
    try {
        if (options.mode == DiffMode::Ssim) return SsimPicture(original, manipulated, options);
        DiffDrawer drawer(original, options);
        Image image = OutputImage(drawer.OutputWidth(), original.height, drawer.OutputLayout());
        drawer.DrawWhole(original, manipulated, options.threads, image.samples8.data(), drawer.OutputRowBytes());
        DiffMap map = drawer.Map();
        map.image = std::move(image);
        return map;
    } catch (const std::bad_alloc&) {
        throw CitraError("out of memory", ErrorKind::OutOfMemory);
    }
}
