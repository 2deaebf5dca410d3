#pragma once
// Every text the citra tool shows but its help: messages, table headings,
// JSON keys and CSV columns. Loader and refusal messages come from the core.
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine_texts.h"
#include "formats.h"

namespace text {

// Usage errors. The usage synopsis and every help text come from the help
// table (help_table.cpp), rendered by help.cpp.
inline constexpr const char* kHelpCommand = "help";
inline constexpr const char* kHelpTakesOneCommand = "help takes at most one COMMAND";
inline constexpr const char* kMessagePrefix = "citra: ";
inline constexpr const char* kTryHelp = "Try 'citra --help' for more information.\n";
inline constexpr const char* kNoCommand = "no command given";
inline constexpr const char* kInfoNeedsFile = "info needs at least one FILE";
inline constexpr const char* kHistogramNeedsFile = "histogram needs exactly one FILE";
inline constexpr const char* kCompareNeedsTwo = "compare needs an ORIGINAL and at least one MANIPULATED file";
inline constexpr const char* kMeasureNeedsTwo =
    "measure needs an ORIGINAL and at least one MANIPULATED file, or --pairs FILE";
inline constexpr const char* kPairsTakeNoOperand = "measure --pairs FILE takes no other operand";
inline constexpr const char* kDetectNeedsFile = "detect needs at least one FILE or FOLDER, or --pairs FILE";
inline constexpr const char* kDetectPairsTakeNoOperand = "detect --pairs FILE takes no other operand";
inline constexpr const char* kPairsOnlyForMeasure = "--pairs is only for measure and detect";
inline constexpr const char* kDetectOnlyForMeasure = "--detect is only for measure and report";
inline constexpr const char* kNoSsimOnlyForMeasure = "--no-ssim is only for measure";
inline constexpr const char* kJsonAndCsv = "--json and --csv cannot be used together";
inline constexpr const char* kCsvOnlyForCompareAndHistogram = "--csv is only for compare, measure, detect and histogram";
inline constexpr const char* kCsvTakesOneFile = "histogram --csv takes one FILE";
inline constexpr const char* kPlotNeedsOneOrTwo = "histogram --plot needs one FILE, or two to overlay";
inline std::string OnlyForHistogram(const std::string& option) { return option + " is only for histogram"; }
inline constexpr const char* kBinsNeedCsvOrPlot = "--bins is only for histogram --csv or --plot";
// The file's extension (the one rule, FileExtension), in lower case.
inline std::string LowerExtension(const std::string& path) {
    std::string extension(FileExtension(path));
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension;
}
inline bool IsSvgFile(const std::string& path) { return LowerExtension(path) == "svg"; }
inline bool IsPlotFile(const std::string& path) { return IsSvgFile(path) || LowerExtension(path) == "png"; }
inline std::string BadPlotFile(const std::string& path) {
    return "--plot needs a file name ending in .svg or .png, not '" + path + "'";
}
inline std::string BadBins(const std::string& value) { return "invalid number of bins '" + value + "' (1 to 65536)"; }
inline std::string NeedsNumber(const std::string& option) { return "option '" + option + "' needs a number"; }
inline std::string NeedsValue(const std::string& option) { return "option '" + option + "' needs a value"; }
inline constexpr const char* kDiffNeedsTwo = "diff needs an ORIGINAL and a MANIPULATED file";
inline constexpr const char* kDiffNeedsOutput = "diff needs -o OUT.png";
inline constexpr const char* kReportNeedsTwo = "report needs an ORIGINAL (or COVERS folder) and MANIPULATED files";
inline constexpr const char* kReportNeedsOutput = "report needs -o REPORT.html";
inline constexpr const char* kReportIsHtml = "report writes HTML: --json and --csv do not apply";
inline std::string BadMode(const std::string& value) {
    return "invalid mode '" + value + "' (abs, heat, lsb or ssim)";
}
inline std::string BadGain(const std::string& value) {
    return "invalid gain '" + value + "' (a positive number)";
}
inline std::string BadPlane(const std::string& value) { return "invalid bit plane '" + value + "' (0 to 15)"; }
inline std::string OnlyForDiff(const std::string& option) { return option + " is only for diff"; }
inline std::string OnlyForDiffAndReport(const std::string& option) { return option + " is only for diff and report"; }
inline constexpr const char* kGainOnlyForAbsHeat = "--gain is only for the modes abs and heat";
inline constexpr const char* kPlaneOnlyForLsb = "--plane is only for the mode lsb";
inline std::string BadJobCount(const std::string& value, unsigned maxJobs) {
    return "invalid number of jobs '" + value + "' (1 to " + std::to_string(maxJobs) + ")";
}
inline std::string UnknownOption(const std::string& option) { return "unknown option '" + option + "'"; }
inline std::string UnknownCommand(const std::string& name) { return "unknown command '" + name + "'"; }
inline constexpr const char* kShardOnlyForCompare = "--shard is only for compare, measure and detect";
inline constexpr const char* kSummaryOnlyForCompare = "--summary is only for compare, measure and detect";
inline constexpr const char* kSummaryNeedsFile = "option '--summary=' needs a file name";
inline std::string NeedsShard(const std::string& option) { return "option '" + option + "' needs K/N"; }
inline std::string BadShard(const std::string& value) {
    return "invalid shard '" + value + "' (K/N with 1 <= K <= N <= 1000000)";
}

// Lost output: one line on standard error.
inline std::string CannotWriteOutput(int err) {
    return std::string(kMessagePrefix) + "cannot write the output: " + std::strerror(err) + "\n";
}

// A summary file that could not be written: one line on standard error.
inline std::string CannotWriteSummary(const std::string& path, const std::string& reason) {
    return std::string(kMessagePrefix) + "cannot write the summary to '" + path + "': " + reason + "\n";
}

// A picture file that could not be written: one line on standard error.
inline std::string CannotWriteFile(const std::string& path, const std::string& reason) {
    return std::string(kMessagePrefix) + "cannot write '" + path + "': " + reason + "\n";
}

// An output file that is one of the run's inputs, refused before any work
// (the input named too when the run names it otherwise: a link).
inline std::string OutputIsInput(const std::string& output, const std::string& input) {
    return std::string(kMessagePrefix) + output + ": is also an input" + (input == output ? "" : " ('" + input + "')") +
           "; choose another output file\n";
}

// diff: what was written.
inline std::string DiffWritten(const std::string& path, const char* mode, int32_t width, int32_t height) {
    return path + ": " + mode + ", " + std::to_string(width) + " x " + std::to_string(height);
}
inline std::string ShortNumber(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return ec == std::errc() ? std::string(buffer, end) : std::string("?");
}
inline std::string DiffScale(double scaleMax, double largest, double gain) {
    return "; full scale at " + ShortNumber(scaleMax) + " (largest difference " + ShortNumber(largest) +
           ", gain " + ShortNumber(gain) + ")";
}
inline std::string DiffPlane(int plane) { return "; bit plane " + std::to_string(plane); }
// report: what was written.
inline std::string ReportWritten(const std::string& path, size_t pairs, size_t failed) {
    return path + ": " + std::to_string(pairs) + " pairs, " + std::to_string(failed) + " failed";
}
// histogram --plot: what was written.
inline std::string PlotWritten(const std::string& path, const std::vector<std::string>& files) {
    return path + ": histogram of " + files[0] + (files.size() > 1 ? " and " + files[1] : "");
}


// Text tables.
inline constexpr const char* kErrorCell = "error: ";
inline constexpr const char* kWarningLine = "warning: ";
inline constexpr const char* kNoValue = "-";
inline constexpr const char* kPeak = "peak: ";
inline constexpr const char* kColumnPath = "path";
inline constexpr const char* kColumnKind = "kind";
inline constexpr const char* kColumnWidth = "width";
inline constexpr const char* kColumnHeight = "height";
inline constexpr const char* kColumnBpp = "bpp";
inline constexpr const char* kColumnBytes = "bytes";
inline constexpr const char* kColumnValue = "value";
inline constexpr const char* kColumnRed = "red";
inline constexpr const char* kColumnGreen = "green";
inline constexpr const char* kColumnBlue = "blue";
inline constexpr const char* kColumnOriginal = "original";
inline constexpr const char* kColumnManipulated = "manipulated";
inline constexpr const char* kColumnMse = "MSE";
inline constexpr const char* kColumnPsnr = "PSNR";
// Columns added when the pairs carry the field's metrics.
inline constexpr const char* kColumnStandardPsnr = "PSNR (per sample)";
inline constexpr const char* kColumnSsim = "SSIM";

// The summary after the text table.
inline std::string SummaryCounts(size_t pairs, size_t failed, size_t identical) {
    return "pairs: " + std::to_string(pairs) + "  failed: " + std::to_string(failed) +
           "  identical: " + std::to_string(identical) + "\n";
}
inline constexpr const char* kColumnMetric = "metric";
inline constexpr const char* kColumnCount = "count";
inline constexpr const char* kColumnMean = "mean";
inline constexpr const char* kColumnMedian = "median";
inline constexpr const char* kColumnMin = "min";
inline constexpr const char* kColumnMax = "max";
inline constexpr const char* kColumnSampleSd = "sample sd";
inline constexpr const char* kRowStandardMse = "MSE (per sample)";


// The CSV header line of compare.
inline constexpr const char* kCsvHeader = "original,manipulated,mse,psnr,mse_text,psnr_text,error";
// Columns after kCsvHeader's when the pairs carry the field's metrics; each
// channel R, G, B, A, Y then has <channel>_mse, <channel>_psnr, <channel>_ssim.
inline constexpr const char* kCsvStandardColumns =
    ",std_mse,std_psnr,std_ssim,std_identical,std_peak,std_changed_samples,std_max_abs_diff";
// The summary written as CSV: one row per metric.
// The last columns of the standard ones: why mse and psnr, or std_ssim, are empty.
inline constexpr const char* kCsvReasonColumns = ",mse_unavailable,ssim_unavailable,warning";
inline constexpr const char* kSsimOnlyForCompare = "--ssim is only for compare";
inline constexpr const char* kCsvSummaryHeader = "pairs,failed,identical,metric,count,mean,median,min,max,sample_stddev";

// The progress bar.
inline constexpr const char* kUnknownRate = "--";
inline constexpr const char* kPairsPerSecond = " pairs/s  ";
inline constexpr const char* kImagesPerSecond = " images/s  ";
inline constexpr const char* kNothingLeft = "0:00 left";
inline constexpr const char* kUnknownLeft = "--:-- left";
inline constexpr const char* kLeft = " left";

}  // namespace text
