#include "sample_histogram.h"

#include <algorithm>

namespace {

std::vector<std::string> ChannelNames(ChannelLayout layout) {
    switch (layout) {
    case ChannelLayout::Grey: return {"grey"};
    case ChannelLayout::GreyAlpha: return {"grey", "alpha"};
    case ChannelLayout::Rgb: return {"red", "green", "blue"};
    case ChannelLayout::Rgba: return {"red", "green", "blue", "alpha"};
    }
    return {};
}

// Every value's count folded into the bins.
SampleHistogram Binned(uint32_t peak, std::vector<std::string> channels,
                       const std::vector<std::vector<uint64_t>>& perValue, uint32_t bins) {
    SampleHistogram h;
    h.peak = peak;
    h.channels = std::move(channels);
    const uint64_t values = uint64_t{peak} + 1;
    h.binStarts.resize(bins);
    for (uint32_t i = 0; i < bins; ++i) h.binStarts[i] = static_cast<uint32_t>(i * values / bins);
    h.counts.assign(h.channels.size(), std::vector<uint64_t>(bins, 0));
    for (size_t ch = 0; ch < h.channels.size(); ++ch) {
        uint32_t bin = 0;
        for (uint64_t v = 0; v < values; ++v) {
            while (bin + 1 < bins && h.binStarts[bin + 1] <= v) ++bin;
            h.counts[ch][bin] += perValue[ch][v];
        }
    }
    return h;
}

// Counts of pixels of N channels into one flat table (channel c's value v
// at c * values + v). Consecutive pixels go to two copies of the table, so
// that runs of one value (flat areas) do not wait on their own increments.
template <size_t N, class T>
void CountPixels(const T* samples, size_t pixels, size_t values, std::vector<uint64_t>& table) {
    std::vector<uint64_t> second(table.size(), 0);
    uint64_t* a = table.data();
    uint64_t* b = second.data();
    size_t p = 0;
    for (; p + 2 <= pixels; p += 2) {
        const T* first = samples + p * N;
        for (size_t c = 0; c < N; ++c) {
            ++a[c * values + first[c]];
            ++b[c * values + first[N + c]];
        }
    }
    for (; p < pixels; ++p)
        for (size_t c = 0; c < N; ++c) ++a[c * values + samples[p * N + c]];
    for (size_t i = 0; i < table.size(); ++i) a[i] += b[i];
}

template <class T>
std::vector<uint64_t> CountValues(const T* samples, size_t count, size_t channels, size_t values) {
    std::vector<uint64_t> table(channels * values, 0);
    const size_t pixels = count / channels;
    switch (channels) {
    case 1: CountPixels<1>(samples, pixels, values, table); break;
    case 2: CountPixels<2>(samples, pixels, values, table); break;
    case 3: CountPixels<3>(samples, pixels, values, table); break;
    default: CountPixels<4>(samples, pixels, values, table); break;
    }
    return table;
}

}  // namespace

uint32_t DefaultBins(uint32_t peak) { return std::min<uint32_t>(peak + 1, 256); }

std::optional<std::string> BinsRefusal(uint32_t bins, uint32_t peak) {
    if (bins < 1 || uint64_t{bins} > uint64_t{peak} + 1)
        return "cannot make " + std::to_string(bins) + " bins of the values 0 to " + std::to_string(peak) +
               " (1 to " + std::to_string(uint64_t{peak} + 1) + " bins)";
    return std::nullopt;
}

SampleHistogram CountSamples(const ImageView& image, uint32_t bins) {
    const size_t channels = static_cast<size_t>(image.Channels());
    // Values above the peak cannot occur in a decoded image; the table
    // covers the whole sample type so that none is ever out of range.
    const size_t values = image.bitDepth == 16 ? 65536 : 256;
    const std::vector<uint64_t> table = image.bitDepth == 16
                                            ? CountValues(image.Samples16(), image.held, channels, values)
                                            : CountValues(image.Samples8(), image.held, channels, values);
    std::vector<std::vector<uint64_t>> perValue(channels);
    for (size_t c = 0; c < channels; ++c)
        perValue[c].assign(table.begin() + static_cast<ptrdiff_t>(c * values),
                           table.begin() + static_cast<ptrdiff_t>(c * values + image.peak + 1));
    return Binned(image.peak, ChannelNames(image.layout), perValue, bins);
}

SampleHistogram FromChannelHistogram(const ChannelHistogram& counts, uint32_t bins) {
    std::vector<std::vector<uint64_t>> perValue(3, std::vector<uint64_t>(256));
    for (size_t v = 0; v < 256; ++v) {
        perValue[0][v] = static_cast<uint64_t>(counts.Red[v]);
        perValue[1][v] = static_cast<uint64_t>(counts.Green[v]);
        perValue[2][v] = static_cast<uint64_t>(counts.Blue[v]);
    }
    return Binned(255, {"red", "green", "blue"}, perValue, bins);
}
