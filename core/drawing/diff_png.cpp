#include "diff_png.h"

#include <algorithm>
#include <new>
#include <vector>

#include "error.h"
#include "parallel_tasks.h"

namespace {

// Bands of about 4 MiB of one input, so that two threads share even a
// small picture's work and the last band is never long.
size_t BandRows(size_t inputRowBytes, size_t height) {
    const size_t rows = std::max<size_t>(1, (size_t{4} << 20) / std::max<size_t>(inputRowBytes, 1));
    return std::min(rows, std::max<size_t>(1, (height + 7) / 8));
}

}  // namespace

PngRows DrawDiffRows(const ImageView& original, const ImageView& manipulated, const DiffOptions& options,
                     DiffMap& map) {
    if (auto refusal = DiffRefusal(original, manipulated, options)) throw CitraError(*refusal);
    if (options.mode == DiffMode::Ssim) {
        map = MakeDiffMap(original, manipulated, options);
        PngRows rows = PngRowsOf(map.image);
        map.image.samples8 = {};
        return rows;
    }
    try {
        const size_t height = static_cast<size_t>(original.height);
        const size_t inputRowBytes = static_cast<size_t>(original.width) * static_cast<size_t>(original.Channels()) *
                                     (original.bitDepth > 8 ? 2u : 1u);
        const size_t bandRows = BandRows(inputRowBytes, height);
        const size_t bands = (height + bandRows - 1) / bandRows;
        const unsigned threads = ThreadsToUse(options.threads);
        const auto* a = static_cast<const uint8_t*>(original.samples);
        const auto* b = static_cast<const uint8_t*>(manipulated.samples);
        const auto eachBand = [&](const auto& use) {
            RunTasks(bands, threads, [&](unsigned worker, size_t band) {
                const size_t first = band * bandRows;
                use(worker, first, std::min(bandRows, height - first));
            });
        };

        DiffDrawer drawer(original, options);
        if (drawer.NeedsLargest()) {
            std::vector<DiffDrawer> workers(std::min<size_t>(threads, bands), drawer);
            eachBand([&](unsigned worker, size_t first, size_t count) {
                workers[worker].AddToLargest(a + first * inputRowBytes, b + first * inputRowBytes, count);
            });
            for (const DiffDrawer& worker : workers) drawer.TakeLargest(worker);
        }
        drawer.Fix();
        PngRows rows = AllocatePngRows(drawer.OutputWidth(), original.height, drawer.OutputLayout());
        eachBand([&](unsigned, size_t first, size_t count) {
            for (size_t y = first; y < first + count; ++y)
                drawer.DrawRows(a + y * inputRowBytes, b + y * inputRowBytes, 1, rows.Row(y));
        });
        map = drawer.Map();
        map.image.width = rows.width;
        map.image.height = rows.height;
        map.image.layout = rows.layout;
        return rows;
    } catch (const std::bad_alloc&) {
        throw CitraError("out of memory", ErrorKind::OutOfMemory);
    }
}
