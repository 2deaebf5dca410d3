#include "diff_command.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

#include "bitmap_ssim.h"
#include "decoded_pairs.h"
#include "difference_maps.h"
#include "error.h"
#include "exit_codes.h"
#include "interrupt.h"
#include "json.h"
#include "picture.h"
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

// Two 24-bit bitmaps of one size, in any mode but ssim: read band by band
// as compare reads them (twice for abs and heat, the largest difference
// first) and the picture encoded row by row, so neither image nor the
// picture is ever held whole. nullopt for any other pair, which is then
// decoded whole (and refused there with the decoder's message if it must).
std::optional<std::string> StreamedPng(const std::string& originalPath, const std::string& manipulatedPath,
                                       const DiffOptions& diff, DiffMap& map) {
    if (diff.mode == DiffMode::Ssim || (diff.mode == DiffMode::Lsb && diff.plane >= 8) ||
        !IsBitmapFilePath(originalPath) || !IsBitmapFilePath(manipulatedPath))
        return std::nullopt;
    std::optional<BitmapFileStream> original, manipulated;
    try {
        original.emplace(originalPath);
        manipulated.emplace(manipulatedPath);
    } catch (const CitraError&) {
        return std::nullopt;
    }
    if (original->BitsPerPixel() != 24 || manipulated->BitsPerPixel() != 24 || original->Width() <= 0 ||
        original->Height() <= 0 || original->Width() != manipulated->Width() ||
        original->Height() != manipulated->Height())
        return std::nullopt;

    Image shape;
    shape.width = original->Width();
    shape.height = original->Height();
    DiffDrawer drawer(shape, diff);
    const size_t width = static_cast<size_t>(shape.width), height = static_cast<size_t>(shape.height);
    const size_t bandRows = std::max<size_t>(1, (size_t{1} << 20) / (width * 3));  // bands of about 1 MiB
    std::vector<uint8_t> rowsA(bandRows * width * 3), rowsB(bandRows * width * 3);
    std::vector<uint8_t> out(bandRows * drawer.OutputRowBytes());
    const auto eachBand = [&](const auto& use) {
        BitmapRgbRows readA(*original), readB(*manipulated);
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
    PngRowEncoder encoder;
    encoder.Start(drawer.OutputWidth(), shape.height, drawer.OutputLayout(), drawer.Map().description, kDifferencePng);
    eachBand([&](size_t count) {
        drawer.DrawRows(rowsA.data(), rowsB.data(), count, out.data());
        for (size_t i = 0; i < count; ++i) encoder.Row(out.data() + i * drawer.OutputRowBytes());
    });
    map = drawer.Map();
    map.image.width = drawer.OutputWidth();
    map.image.height = shape.height;
    return encoder.Finish();
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
    try {
        if (auto streamed = StreamedPng(options.files[0], options.files[1], diff, map)) {
            png = std::move(*streamed);
        } else {
            const auto [original, manipulated] = DecodeBoth(options.files[0], options.files[1], options.jobs);
            if (interrupt.Raised().load()) return kExitInterrupted;
            map = MakeDiffMap(original, manipulated, diff);
            if (interrupt.Raised().load()) return kExitInterrupted;
            png = EncodePng(map.image, map.description, kDifferencePng);
        }
    } catch (const CitraError& error) {
        WriteFailure(options, error.what(), out);
        return kExitFailure;
    } catch (const std::bad_alloc&) {
        WriteFailure(options, text::kOutOfMemory, out);
        return kExitFailure;
    }
    if (interrupt.Raised().load()) return kExitInterrupted;
    if (const auto reason = file.Commit(png)) {
        err << text::CannotWriteFile(options.output, *reason) << std::flush;
        return kExitFailure;
    }
    WriteDone(options, map, diff, out);
    return kExitSuccess;
}
