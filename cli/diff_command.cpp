#include "diff_command.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "bitmap_ssim.h"
#include "decoded_pairs.h"
#include "diff_png.h"
#include "difference_maps.h"
#include "error.h"
#include "exit_codes.h"
#include "interrupt.h"
#include "json.h"
#include "pair_plan.h"
#include "ssim.h"
#include "png_writer.h"
#include "texts.h"
#include "whole_file.h"

namespace {

DiffOptions DiffOptionsOf(const Options& options) {
    DiffOptions diff;
    diff.mode = DiffModeFromName(options.mode).value_or(DiffMode::Abs);
    diff.gain = options.gain;
    diff.plane = options.plane.value_or(0);
    diff.threads = options.jobs;
    return diff;
}

// The abs, heat or lsb picture of two 24-bit bitmaps from bands of about
// 1 MiB: read twice for abs and heat (the largest difference first).
void DrawBands(BitmapFileStream& original, BitmapFileStream& manipulated, DiffDrawer& drawer,
               PngRowEncoder& encoder, const PngRowEncoder::Sink& sink) {
    const size_t width = static_cast<size_t>(original.Width()), height = static_cast<size_t>(original.Height());
    const size_t bandRows = std::max<size_t>(1, (size_t{1} << 20) / (width * 3));
    std::vector<uint8_t> rowsA(bandRows * width * 3), rowsB(bandRows * width * 3);
    std::vector<uint8_t> out(bandRows * drawer.OutputRowBytes());
    const auto eachBand = [&](const auto& use) {
        BitmapRgbRows readA(original), readB(manipulated);
        for (size_t first = 0; first < height; first += bandRows) {
            const size_t count = std::min(bandRows, height - first);
            readA.Read(first, count, rowsA.data());
            readB.Read(first, count, rowsB.data());
            use(count);
        }
    };
    if (drawer.NeedsLargest())
        eachBand([&](size_t count) { drawer.AddToLargest(rowsA.data(), rowsB.data(), count); });
    drawer.Fix();
    encoder.Start(drawer.OutputWidth(), original.Height(), drawer.OutputLayout(), drawer.Map().description,
                  kDifferencePng, sink);
    eachBand([&](size_t count) {
        drawer.DrawRows(rowsA.data(), rowsB.data(), count, out.data());
        for (size_t i = 0; i < count; ++i) encoder.Row(out.data() + i * drawer.OutputRowBytes());
    });
}

// The ssim picture of two 24-bit bitmaps: the local SSIM of each pixel from
// the rows as compare's SSIM reads them; only the map (4 bytes a pixel,
// never zero-filled first) is held.
void DrawSsim(BitmapFileStream& original, BitmapFileStream& manipulated, DiffDrawer& drawer, PngRowEncoder& encoder,
              unsigned threads, const PngRowEncoder::Sink& sink) {
    const size_t width = static_cast<size_t>(original.Width()), height = static_cast<size_t>(original.Height());
    const std::unique_ptr<float[]> ssim(new float[width * height]);
    BitmapRgbRows readA(original), readB(manipulated);
    ChannelSsimByRows(readA, readB, width, height, 3, 255, threads, 0, ssim.get(), 3);
    FillSsimMapBorder(ssim.get(), width, height);
    drawer.Fix();
    encoder.Start(original.Width(), original.Height(), ChannelLayout::Grey, drawer.Map().description, kDifferencePng,
                  sink);
    std::vector<uint8_t> row(width);
    for (size_t r = 0; r < height; ++r) {
        for (size_t x = 0; x < width; ++x) row[x] = SsimByte(ssim[r * width + x]);
        encoder.Row(row.data());
    }
}

// A pair of the desktop route that the desktop program takes (two 24-bit
// bitmaps of one size): read band by band as compare reads them and the
// picture encoded row by row straight into the file, so neither image nor
// the picture is ever held whole (ssim: its map). False for any other pair,
// which is decoded whole: a pair the desktop program refuses is refused
// there with the decoders' message, as for every other format. A failed
// write is kept in `writeError`.
bool StreamedPng(PairPlan& plan, const DiffOptions& diff, DiffMap& map, PendingFile& file,
                 std::optional<std::string>& writeError) {
    if ((diff.mode == DiffMode::Lsb && diff.plane >= 8) || plan.route != Route::Desktop || !plan.original ||
        !plan.manipulated || PairRefusal(ShapeOf(*plan.original), ShapeOf(*plan.manipulated)))
        return false;
    BitmapFileStream* original = plan.original.get();
    BitmapFileStream* manipulated = plan.manipulated.get();
    if (diff.mode == DiffMode::Ssim && SsimRefusal(original->Width(), original->Height())) return false;
    // A file that lacks pixels is refused by the decoder, naming what it lacks.
    if (MissingPixelData(original->Layout()) || MissingPixelData(manipulated->Layout())) return false;

    Image shape;
    shape.width = original->Width();
    shape.height = original->Height();
    DiffDrawer drawer(shape, diff);
    const PngRowEncoder::Sink sink = [&](const uint8_t* bytes, size_t count) {
        writeError = file.Append(bytes, count);
        return !writeError;
    };
    PngRowEncoder encoder;
    if (diff.mode == DiffMode::Ssim)
        DrawSsim(*original, *manipulated, drawer, encoder, diff.threads, sink);
    else
        DrawBands(*original, *manipulated, drawer, encoder, sink);
    original->ThrowIfChanged();
    manipulated->ThrowIfChanged();
    encoder.Finish();
    map = drawer.Map();
    map.image.width = drawer.OutputWidth();
    map.image.height = shape.height;
    return true;
}

void WriteDone(const Options& options, const DiffMap& map, const DiffOptions& diff, std::ostream& out) {
    const bool scaled = diff.mode == DiffMode::Abs || diff.mode == DiffMode::Heat;
    if (options.format == OutputFormat::Json) {
        JsonObject line;
        line.String(text::kKeyOriginal, options.files[0])
            .String(text::kKeyManipulated, options.files[1])
            .String(text::kKeyOutput, options.output)
            .String(text::kKeyMode, DiffModeName(diff.mode))
            .Integer(text::kKeyWidth, map.image.width)
            .Integer(text::kKeyHeight, map.image.height);
        if (scaled) {
            line.Number(text::kKeyGain, map.gain).Number(text::kKeyScaleMax, map.scaleMax).Number(text::kKeyLargest,
                                                                                                   map.largest);
        }
        if (diff.mode == DiffMode::Lsb) line.Integer(text::kKeyPlane, diff.plane);
        out << line.Close() << '\n';
        return;
    }
    out << text::DiffWritten(options.output, DiffModeName(diff.mode), map.image.width, map.image.height);
    if (scaled) out << text::DiffScale(map.scaleMax, map.largest, map.gain);
    if (diff.mode == DiffMode::Lsb) out << text::DiffPlane(diff.plane);
    out << '\n';
}

void WriteFailure(const Options& options, const std::string& message, std::ostream& out) {
    if (options.format == OutputFormat::Json) {
        JsonObject line;
        line.String(text::kKeyOriginal, options.files[0])
            .String(text::kKeyManipulated, options.files[1])
            .String(text::kKeyError, message);
        out << line.Close() << '\n';
        return;
    }
    out << text::kErrorCell << message << '\n';
}

}  // namespace

int RunDiff(const Options& options, std::ostream& out, std::ostream& err) {
    // The output's place is tried before any work.
    PendingFile file(options.output);
    if (const auto reason = file.Open()) {
        err << text::CannotWriteFile(options.output, *reason) << std::flush;
        return kExitFailure;
    }
    const InterruptFlag interrupt;
    const DiffOptions diff = DiffOptionsOf(options);
    std::string png;
    DiffMap map;
    std::optional<std::string> writeError;
    try {
        PairPlan plan = PlanPair(options.files[0], options.files[1]);
        if (!StreamedPng(plan, diff, map, file, writeError)) {
            // Drawn straight into the rows to compress; the decoded images
            // go before the compression.
            static_assert(!kDifferencePng.filtered, "difference pictures are written unfiltered");
            PngRows rows;
            {
                const auto [original, manipulated] = DecodeBoth(options.files[0], options.files[1], options.jobs);
                if (interrupt.Raised().load()) return interrupt.ExitCode();
                rows = DrawDiffRows(original, manipulated, diff, map);
            }
            if (interrupt.Raised().load()) return interrupt.ExitCode();
            png = EncodePngRows(rows, map.description, kDifferencePng.level);
        }
    } catch (const CitraError& error) {
        if (writeError) {
            err << text::CannotWriteFile(options.output, *writeError) << std::flush;
            return kExitFailure;
        }
        WriteFailure(options, error.what(), out);
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        WriteFailure(options, text::kOutOfMemory, out);
        return kExitFailure;
    }
    if (interrupt.Raised().load()) return interrupt.ExitCode();
    if (const auto reason = file.Commit(png)) {
        err << text::CannotWriteFile(options.output, *reason) << std::flush;
        return kExitFailure;
    }
    WriteDone(options, map, diff, out);
    return kExitSuccess;
}
