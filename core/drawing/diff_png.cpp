#include "diff_png.h"

#include <new>

#include "error.h"

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
        DiffDrawer drawer(original, options);
        PngRows rows = AllocatePngRows(drawer.OutputWidth(), original.height, drawer.OutputLayout());
        drawer.DrawWhole(original, manipulated, options.threads, rows.Row(0), rows.RowBytes() + 1);
        map = drawer.Map();
        map.image.width = rows.width;
        map.image.height = rows.height;
        map.image.layout = rows.layout;
        return rows;
    } catch (const std::bad_alloc&) {
        throw CitraError("out of memory", ErrorKind::OutOfMemory);
    }
}
