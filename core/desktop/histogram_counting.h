#pragma once
// The counting behind ComputeChannelHistogram, shared by the loaded and the
// streamed histogram: blue, green, red byte triples counted into totals,
// band by band, the bands on threads of their own.
#include <cstddef>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

#include "histogram.h"
#include "thread_start.h"

namespace histogram_detail {

// Four interleaved sets of counters (pixel index modulo 4), so that two
// neighbouring pixels of the same colour do not wait on each other's
// read-modify-write of one counter. Merged into the totals at the end.
struct SubCounts {
    uint32_t c[4][3][256];  // [lane][blue, green, red][value]
};

using Totals = uint64_t[3][256];

void FlushInto(SubCounts& sub, Totals& totals);
void CountRow(const uint8_t* p, size_t width, SubCounts& sub);

// The counts of one band: pixels counted in any number of pieces, then
// flushed into the totals.
class PixelCounter {
public:
    // `pixels` blue, green, red triples starting at p.
    void Count(const uint8_t* p, size_t pixels);
    void Flush();
    const Totals& Sums() const { return totals_; }

private:
    SubCounts sub_{};
    Totals totals_{};
    uint64_t sinceFlush_ = 0;
};

// The totals of all bands as counts, with the peak.
ChannelHistogram HistogramOfBands(const PixelCounter* counters, unsigned bands);

// Counting is bound by the counter updates, not by memory, so a large
// picture is split into row bands counted on separate cores and summed:
// how many for this many pixels.
unsigned BandsFor(uint64_t pixels, int32_t height);

// Runs band(0) .. band(bands - 1), each but the first on a thread of its
// own; when a thread cannot be had, the bands from there on run here.
// `band` must not throw.
template <typename Band>
void RunBands(unsigned bands, Band&& band) {
    std::vector<std::jthread> workers;  // joined when this returns
    workers.reserve(bands > 0 ? bands - 1 : 0);
    unsigned started = 1;
    try {
        for (; started < bands; ++started) workers.push_back(StartThread<std::jthread>([&band, b = started] { band(b); }));
    } catch (const std::system_error&) {
    }
    band(0);
    for (unsigned b = started; b < bands; ++b) band(b);
}

}  // namespace histogram_detail
