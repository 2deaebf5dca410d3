#include "difference_maps.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <new>

#include "error.h"
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

Image OutputImage(int32_t width, int32_t height, int colourChannels) {
    Image out;
    out.width = width;
    out.height = height;
    out.layout = colourChannels == 3 ? ChannelLayout::Rgb : ChannelLayout::Grey;
    out.samples8.resize(out.SampleCount());
    return out;
}

template <class T>
const T* Samples(const Image& image) {
    if constexpr (sizeof(T) == 1) {
        return image.samples8.data();
    } else {
        return image.samples16.data();
    }
}

// The largest |difference| of a colour sample, and of a pixel's magnitude
// squared.
template <class T>
void Largest(const Image& a, const Image& b, uint32_t& largestSample, uint64_t& largestSquares) {
    const T* x = Samples<T>(a);
    const T* y = Samples<T>(b);
    const size_t c = static_cast<size_t>(a.Channels());
    const size_t cc = static_cast<size_t>(ColourChannels(a.layout));
    const size_t pixels = static_cast<size_t>(a.width) * static_cast<size_t>(a.height);
    uint32_t sample = 0;
    uint64_t squares = 0;
    for (size_t p = 0; p < pixels; ++p) {
        uint64_t sum = 0;
        for (size_t ch = 0; ch < cc; ++ch) {
            const int64_t d = static_cast<int64_t>(x[p * c + ch]) - static_cast<int64_t>(y[p * c + ch]);
            const uint32_t ad = static_cast<uint32_t>(d < 0 ? -d : d);
            sample = std::max(sample, ad);
            sum += static_cast<uint64_t>(ad) * ad;
        }
        squares = std::max(squares, sum);
    }
    largestSample = sample;
    largestSquares = squares;
}

// abs: out = min(255, round(|d| * scale)).
template <class T>
void DrawAbs(const Image& a, const Image& b, double scale, Image& out) {
    const T* x = Samples<T>(a);
    const T* y = Samples<T>(b);
    const size_t c = static_cast<size_t>(a.Channels());
    const size_t cc = static_cast<size_t>(ColourChannels(a.layout));
    const size_t pixels = static_cast<size_t>(a.width) * static_cast<size_t>(a.height);
    uint8_t* o = out.samples8.data();
    if constexpr (sizeof(T) == 1) {
        uint8_t table[256];
        for (int d = 0; d < 256; ++d) table[d] = static_cast<uint8_t>(std::min(255.0, std::round(d * scale)));
        for (size_t p = 0; p < pixels; ++p)
            for (size_t ch = 0; ch < cc; ++ch) {
                const int d = static_cast<int>(x[p * c + ch]) - static_cast<int>(y[p * c + ch]);
                o[p * cc + ch] = table[d < 0 ? -d : d];
            }
    } else {
        for (size_t p = 0; p < pixels; ++p)
            for (size_t ch = 0; ch < cc; ++ch) {
                const int d = static_cast<int>(x[p * c + ch]) - static_cast<int>(y[p * c + ch]);
                o[p * cc + ch] = static_cast<uint8_t>(std::min(255.0, std::round((d < 0 ? -d : d) * scale)));
            }
    }
}

// heat: colour index min(255, round(sqrt(sum of d^2) * scale)).
template <class T>
void DrawHeat(const Image& a, const Image& b, double scale, Image& out) {
    const T* x = Samples<T>(a);
    const T* y = Samples<T>(b);
    const size_t c = static_cast<size_t>(a.Channels());
    const size_t cc = static_cast<size_t>(ColourChannels(a.layout));
    const size_t pixels = static_cast<size_t>(a.width) * static_cast<size_t>(a.height);
    uint8_t* o = out.samples8.data();
    for (size_t p = 0; p < pixels; ++p) {
        uint64_t sum = 0;
        for (size_t ch = 0; ch < cc; ++ch) {
            const int64_t d = static_cast<int64_t>(x[p * c + ch]) - static_cast<int64_t>(y[p * c + ch]);
            sum += static_cast<uint64_t>(d * d);
        }
        const double index = sum == 0 ? 0 : std::min(255.0, std::round(std::sqrt(static_cast<double>(sum)) * scale));
        const auto& colour = kViridis[static_cast<size_t>(index)];
        o[p * 3] = colour[0];
        o[p * 3 + 1] = colour[1];
        o[p * 3 + 2] = colour[2];
    }
}

// lsb: three panels side by side, each sample's bit as 0 or 255.
template <class T>
void DrawPlanes(const Image& a, const Image& b, int plane, Image& out) {
    const T* x = Samples<T>(a);
    const T* y = Samples<T>(b);
    const size_t c = static_cast<size_t>(a.Channels());
    const size_t cc = static_cast<size_t>(ColourChannels(a.layout));
    const size_t width = static_cast<size_t>(a.width);
    const size_t height = static_cast<size_t>(a.height);
    const size_t outRow = 3 * width * cc;
    for (size_t r = 0; r < height; ++r) {
        uint8_t* o = out.samples8.data() + r * outRow;
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

DiffMap Draw(const Image& a, const Image& b, const DiffOptions& options) {
    DiffMap map;
    const int cc = ColourChannels(a.layout);
    const bool wide = a.bitDepth == 16;
    const double peak = static_cast<double>(a.peak);
    map.description.emplace_back("Software", "citra");
    map.description.emplace_back("Title", std::string("citra diff ") + DiffModeName(options.mode));
    switch (options.mode) {
    case DiffMode::Abs:
    case DiffMode::Heat: {
        uint32_t largestSample = 0;
        uint64_t largestSquares = 0;
        if (wide)
            Largest<uint16_t>(a, b, largestSample, largestSquares);
        else
            Largest<uint8_t>(a, b, largestSample, largestSquares);
        const bool heat = options.mode == DiffMode::Heat;
        map.largest = heat ? std::sqrt(static_cast<double>(largestSquares)) : largestSample;
        map.gain = options.gain ? *options.gain : map.largest > 0 ? peak / map.largest : 1.0;
        map.scaleMax = peak / map.gain;
        const double scale = 255.0 / map.scaleMax;
        if (heat) {
            map.image = OutputImage(a.width, a.height, 3);
            if (wide)
                DrawHeat<uint16_t>(a, b, scale, map.image);
            else
                DrawHeat<uint8_t>(a, b, scale, map.image);
            map.description.emplace_back(
                "Description", "Difference magnitude sqrt(sum of squared colour-sample differences) through the "
                               "viridis colour map: 0 dark purple, " + Shortest(map.scaleMax) +
                                   " and above yellow; largest " + Shortest(map.largest));
        } else {
            map.image = OutputImage(a.width, a.height, cc);
            if (wide)
                DrawAbs<uint16_t>(a, b, scale, map.image);
            else
                DrawAbs<uint8_t>(a, b, scale, map.image);
            map.description.emplace_back("Description", "Absolute difference of each colour sample: 0 black, " +
                                                            Shortest(map.scaleMax) + " and above white; largest " +
                                                            Shortest(map.largest));
        }
        map.description.emplace_back("citra.gain", Shortest(map.gain));
        map.description.emplace_back("citra.scale_max", Shortest(map.scaleMax));
        map.description.emplace_back("citra.largest", Shortest(map.largest));
        break;
    }
    case DiffMode::Lsb:
        map.image = OutputImage(3 * a.width, a.height, cc);
        if (wide)
            DrawPlanes<uint16_t>(a, b, options.plane, map.image);
        else
            DrawPlanes<uint8_t>(a, b, options.plane, map.image);
        map.description.emplace_back("Description", "Bit plane " + std::to_string(options.plane) +
                                                        " of the original, of the manipulated image and where they "
                                                        "differ, side by side: bit 0 black, bit 1 white");
        break;
    case DiffMode::Ssim: {
        const std::vector<float> ssim = SsimMap(a, b, options.threads);
        map.image = OutputImage(a.width, a.height, 1);
        for (size_t i = 0; i < ssim.size(); ++i)
            map.image.samples8[i] = static_cast<uint8_t>(std::lround(std::clamp(ssim[i], 0.0f, 1.0f) * 255.0f));
        map.scaleMax = 1;
        map.description.emplace_back("Description", "Local SSIM (Gaussian window, sigma 1.5): 0 or below black, "
                                                    "1 white; the 5-pixel border repeats its nearest pixel");
        break;
    }
    }
    return map;
}

}  // namespace

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

std::optional<std::string> DiffRefusal(const Image& original, const Image& manipulated, const DiffOptions& options) {
    if (auto refusal = StandardPairRefusal(original, manipulated)) return refusal;
    if (options.mode == DiffMode::Lsb && (options.plane < 0 || options.plane >= original.bitDepth))
        return "Bit plane " + std::to_string(options.plane) + " does not exist in " +
               std::to_string(original.bitDepth) + "-bit samples (planes 0 to " +
               std::to_string(original.bitDepth - 1) + ")";
    if (options.mode == DiffMode::Ssim) return SsimRefusal(original);
    return std::nullopt;
}

DiffMap MakeDiffMap(const Image& original, const Image& manipulated, const DiffOptions& options) {
    if (auto refusal = DiffRefusal(original, manipulated, options)) throw CitraError(*refusal);
    try {
        return Draw(original, manipulated, options);
    } catch (const std::bad_alloc&) {
        throw CitraError("out of memory");
    }
}
