#include "diff_command.h"

#include <new>

#include "decoded_pairs.h"
#include "difference_maps.h"
#include "error.h"
#include "exit_codes.h"
#include "interrupt.h"
#include "json.h"
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
        const auto [original, manipulated] = DecodeBoth(options.files[0], options.files[1], options.jobs);
        if (interrupt.Raised().load()) return kExitInterrupted;
        map = MakeDiffMap(original, manipulated, diff);
        if (interrupt.Raised().load()) return kExitInterrupted;
        png = EncodePng(map.image, map.description);
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
