#pragma once
// Every text the citra tool shows: usage, help, messages, table headings,
// JSON keys and CSV columns. Loader and refusal messages come from the core.
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine_texts.h"

namespace text {

// Usage, help and usage errors.
inline constexpr const char* kUsage =
    "usage: citra [--json] info FILE...\n"
    "       citra [--json] histogram FILE\n"
    "       citra [--json | --csv] histogram FILE [FILE2] --plot OUT.svg|OUT.png\n"
    "             [--bins N]\n"
    "       citra --csv histogram FILE [--bins N]\n"
    "       citra [--json | --csv] [-j N] [--progress | --no-progress]\n"
    "             compare ORIGINAL MANIPULATED...\n"
    "       citra [--json] diff ORIGINAL MANIPULATED -o OUT.png\n"
    "             [--mode abs|heat|lsb|ssim] [--gain K] [--plane N]\n"
    "       citra [-j N] [--progress | --no-progress]\n"
    "             report ORIGINAL MANIPULATED... -o REPORT.html\n"
    "       citra report COVERS/ STEGO/... -o REPORT.html\n"
    "       citra --help\n";
inline constexpr const char* kHelpAfterUsage =
    "\n"
    "Reads picture files and reports on them with the same numbers as the\n"
    "desktop program Analisis Kualitas Citra.\n"
    "\n"
    "Commands:\n"
    "  info FILE...      Loads each file and prints its kind (bitmap, icon,\n"
    "                    metafile or jpeg), for a bitmap its width, height and\n"
    "                    bits per pixel, and the file size in bytes. The kind\n"
    "                    follows the extension: bmp, ico, wmf/emf, jpg/jpeg.\n"
    "                    An empty .bmp file is a bitmap of 0 x 0 with 0 bits.\n"
    "  histogram FILE    Counts the red, green and blue byte values 0..255 of a\n"
    "                    24-bit bitmap and prints the counts and their peak.\n"
    "  histogram FILE --csv | --plot OUT.svg|OUT.png\n"
    "                    The counts of any file compare reads, per channel\n"
    "                    (red, green, blue, grey, alpha) and in N bins (bin i\n"
    "                    starts at floor(i (peak + 1) / N); default one per\n"
    "                    value up to 256 values, else 256). A 24-bit bitmap the\n"
    "                    desktop program reads gets its counts. --csv: the\n"
    "                    header value,<channels> and one row per bin (value:\n"
    "                    the bin's first value). --plot: the counts as line\n"
    "                    plots against the value, with labelled axes, a legend\n"
    "                    and the file name, as SVG or PNG by the extension;\n"
    "                    with FILE2 both are overlaid (FILE2 dashed) and their\n"
    "                    difference, FILE2 minus FILE, is drawn below. The\n"
    "                    plot is written whole or not at all.\n"
    "  compare ORIGINAL MANIPULATED...\n"
    "                    Computes MSE and PSNR of the original against each\n"
    "                    manipulated image. Both pictures of a pair must be\n"
    "                    24-bit bitmaps of the same width and height. MSE sums\n"
    "                    the squared differences of the three bytes of a pixel\n"
    "                    and averages over the pixels (0 to 195075); PSNR is\n"
    "                    10 log10(65025 / (MSE + 0.000001)).\n"
    "                    A MANIPULATED folder stands for the files directly\n"
    "                    inside it (or links to files) whose names end in .bmp\n"
    "                    in any letter case, in byte order of their names;\n"
    "                    subfolders are not searched. A folder without such\n"
    "                    files gives one error line. The ORIGINAL must be a\n"
    "                    file: a folder there is a usage error.\n"
    "                    (A folder followed by folders is a study, below.)\n"
    "  compare COVERS/ STEGO/...\n"
    "                    A study: the image files directly inside COVERS\n"
    "                    (extension bmp, png, pgm, ppm, pnm, tif, tiff, jpg or\n"
    "                    jpeg, any letter case) are paired by name without\n"
    "                    extension with those of each STEGO folder in turn\n"
    "                    (covers/0001.pgm with stego/0001.png), in byte order of\n"
    "                    the names. A file without a partner gives a failed\n"
    "                    pair \"No partner for ...\", a name that two files of\n"
    "                    one folder share one \"Several files named ...\", a\n"
    "                    folder without image files one \"No image file in\n"
    "                    folder ...\". Every operand must be a folder. The pairs\n"
    "                    are compared as above (24-bit bitmaps); a file of\n"
    "                    another kind fails with the loader's message.\n"
    "                    The original is read into memory once; each\n"
    "                    manipulated .bmp file is read in bands through a\n"
    "                    small buffer, never whole (a single pair reads both\n"
    "                    files that way). Pairs are computed on several\n"
    "                    threads; the output keeps the order of the\n"
    "                    arguments. When the original fails, every pair\n"
    "                    fails with its message.\n"
    "\n"
    "  diff ORIGINAL MANIPULATED -o OUT.png\n"
    "                    Draws where and how the two images differ and writes\n"
    "                    the picture as an 8-bit PNG (any two files of one\n"
    "                    size, channel layout and depth that compare takes).\n"
    "                    --mode abs (default): each colour sample's absolute\n"
    "                    difference times the gain K, scaled to 0..255:\n"
    "                    round(|d| K 255 / peak), halves up, at most 255; grey\n"
    "                    or RGB (alpha left out). --mode heat: the pixel's\n"
    "                    difference magnitude sqrt(sum of d^2 over its colour\n"
    "                    samples), times K, through the viridis colour map\n"
    "                    (dark purple 0, yellow at peak / K and above). Without\n"
    "                    --gain, K puts the largest difference at full scale.\n"
    "                    --mode lsb: bit plane N (--plane N, default 0) of the\n"
    "                    original, of the manipulated image and where they\n"
    "                    differ, side by side, 0 black and 1 white. --mode\n"
    "                    ssim: the local SSIM (as below), 0 or less black, 1\n"
    "                    white; the 5-pixel border repeats its nearest pixel.\n"
    "                    The scale is written into the PNG's text chunks\n"
    "                    (citra.gain, citra.scale_max, citra.largest). OUT.png\n"
    "                    is written under a temporary name and renamed once\n"
    "                    complete: a failed or interrupted run leaves it as it\n"
    "                    was; a place that cannot be written fails first.\n"
    "  report ORIGINAL MANIPULATED... -o REPORT.html\n"
    "  report COVERS/ STEGO/... -o REPORT.html\n"
    "                    The pairs of compare (a file against files or\n"
    "                    folders, or a study), each with SSIM, written as one\n"
    "                    self-contained HTML file that any browser opens\n"
    "                    (nothing fetched; pictures inside it): the command\n"
    "                    line, the summary, a table of every pair (MSE, PSNR,\n"
    "                    PSNR per sample, SSIM, changed samples, the error in\n"
    "                    full) that sorts by any column (a click on its\n"
    "                    heading, or REPORT.html#sort=N), and per pair\n"
    "                    thumbnails of both pictures and of the heat map (at\n"
    "                    most 192 pixels, JPEG) and the overlaid histograms\n"
    "                    (SVG). A failed pair is a row with its message.\n"
    "                    Written whole or not at all; a place that cannot be\n"
    "                    written fails first. Exit 1 when a pair failed.\n"
    "\n"
    "Options (before or after the command's operands):\n"
    "  --json            One JSON object per line, one per file or pair, in\n"
    "                    argument order.\n"
    "  --csv             compare: CSV with a header line, one row per pair in\n"
    "                    argument order (see below); histogram: one row per bin.\n"
    "  -j N, --jobs N    compare: N worker threads (1 to 1024); 1 computes\n"
    "                    one pair after the other. diff and report: threads of\n"
    "                    SSIM and decoding. Default: one per hardware thread.\n"
    "  --progress        compare and report: draw a progress bar on standard\n"
    "                    error (pairs done of total, pairs per second, time\n"
    "                    left).\n"
    "                    Default: only when standard error is a terminal.\n"
    "  --no-progress     compare and report: never draw the progress bar.\n"
    "  --shard K/N       compare only: computes only the K-th of N consecutive,\n"
    "                    nearly equal shares of the pairs (1 <= K <= N <=\n"
    "                    1000000), for a job array. The shares' JSON lines one\n"
    "                    after the other are the whole run's, and so are their\n"
    "                    CSV rows with the header kept once.\n"
    "  --summary[=FILE]  compare only: after the pairs, how many there were,\n"
    "                    failed and were identical (MSE 0), and for MSE and\n"
    "                    PSNR of the pairs that succeeded their count, mean,\n"
    "                    median, minimum, maximum and sample standard deviation\n"
    "                    (divided by count - 1; none for fewer than two). Text\n"
    "                    output always ends with it, after an empty line; JSON:\n"
    "                    a last line {\"summary\":{\"pairs\",\"failed\",\"identical\",\n"
    "                    \"mse\":{\"count\",\"mean\",\"median\",\"min\",\"max\",\n"
    "                    \"sample_stddev\"},\"psnr\":{...}}}; CSV: on standard error,\n"
    "                    the header\n"
    "  pairs,failed,identical,metric,count,mean,median,min,max,sample_stddev\n"
    "                    and one row per metric. With FILE it goes to FILE\n"
    "                    instead, in the output's format, complete or not at all.\n"
    "  --ssim            compare only: adds SSIM to the field's metrics (below).\n"
    "  -o, --output OUT  diff: the PNG file to write; report: the HTML file.\n"
    "  --plot OUT        histogram only: the plot file to write (.svg, .png).\n"
    "  --bins N          histogram --csv or --plot: N bins (1 to 65536).\n"
    "  --mode M          diff only: abs, heat, lsb or ssim (above).\n"
    "  --gain K          diff only, abs and heat: a positive factor.\n"
    "  --plane N         diff only, lsb: the bit plane, 0 to 15.\n"
    "  -h, --help        Prints this text and exits.\n"
    "  --                Every later argument is a file name.\n"
    "\n"
    "Text output is an aligned table (histogram: one line per value), written\n"
    "once every row is known. MSE and PSNR are written with three decimals and\n"
    "the decimal separator of the user's regional settings (LC_ALL,\n"
    "LC_NUMERIC, LANG). JSON and CSV lines are written as soon as they and\n"
    "all lines before them are done.\n"
    "\n"
    "JSON objects, keys in this order:\n"
    "  info       {\"path\",\"kind\",\"width\",\"height\",\"bits_per_pixel\",\"file_size\"}\n"
    "             (width, height and bits_per_pixel only for a bitmap)\n"
    "  histogram  {\"path\",\"red\",\"green\",\"blue\",\"peak\"} (arrays of 256 counts)\n"
    "  compare    {\"original\",\"manipulated\",\"mse\",\"psnr\",\"mse_text\",\"psnr_text\"}\n"
    "             mse and psnr are the exact values (shortest round-trip form);\n"
    "             mse_text and psnr_text have three decimals and a full stop.\n"
    "  histogram --plot {\"path\",\"second\" (with FILE2),\"plot\",\"bins\"}\n"
    "  diff       {\"original\",\"manipulated\",\"output\",\"mode\",\"width\",\"height\"}\n"
    "             and for abs and heat \"gain\",\"scale_max\",\"largest\"; for lsb \"plane\".\n"
    "  A failure: {\"path\",\"error\"}; compare and diff:\n"
    "             {\"original\",\"manipulated\",\"error\"}.\n"
    "  Bytes of a path that are not UTF-8 are written as \\udc80..\\udcff.\n"
    "\n"
    "CSV (compare): the header line\n"
    "  original,manipulated,mse,psnr,mse_text,psnr_text,error,... (below)\n"
    "  then one line per pair; lines end in LF. mse, psnr, mse_text and\n"
    "  psnr_text are as in JSON (always a full stop, whatever the regional\n"
    "  settings, so a comma only ever separates fields); a failed pair leaves\n"
    "  them empty and has its message in error, which is otherwise empty. A\n"
    "  field holding a comma, a double quote, CR or LF is enclosed in double\n"
    "  quotes, its quotes doubled (RFC 4180). Paths are written byte for byte.\n"
    "\n"
    "The field's metrics: every pair of image files (bmp of any depth, png,\n"
    "pgm, ppm, pnm, tif, tiff, jpg, jpeg) is also compared as scikit-image\n"
    "and MATLAB compare images, each sample at its stored depth: MSE per\n"
    "sample, PSNR from the peak (255, 65535 or the PNM maxval; infinite when\n"
    "identical), the samples that differ and the largest difference, for the\n"
    "whole image and per channel, and with --ssim SSIM (Gaussian window of\n"
    "11 x 11, sigma 1.5, K1 0.01, K2 0.03, no sample covariance). Borders:\n"
    "the SSIM map of a channel is cropped by 5 samples on every side and the\n"
    "rest averaged, as scikit-image does, so no padding enters the mean; an\n"
    "image below 11 x 11 gets no SSIM, and the reason is given. The overall\n"
    "SSIM is the mean over the colour channels (alpha left out).\n"
    "Two 24-bit .bmp files are read band by band, as the desktop program\n"
    "compares them, and both sets of numbers come from one pass (SSIM from a\n"
    "second one, holding only the window's rows); any other pair is decoded\n"
    "whole. Both images must then have the same width,\n"
    "height, channels, depth and peak, else the pair fails naming what\n"
    "differs. The desktop program's MSE and PSNR are given for two 8-bit RGB\n"
    "images: its MSE is 3 x the MSE per sample (the three samples of a pixel\n"
    "summed) and its PSNR therefore 4.7712 dB lower (10 log10 3) than the\n"
    "PSNR per sample, up to its 0.000001 guard. For other images they are\n"
    "absent: JSON null with \"mse_unavailable\" giving the reason, CSV empty\n"
    "fields.\n"
    "  JSON: after \"psnr_text\" a \"standard\" object {\"mse\",\"psnr\" (null\n"
    "  when infinite),\"ssim\",\"identical\",\"peak\",\"changed_samples\",\n"
    "  \"max_abs_diff\",\"channels\":{\"R\":{\"mse\",\"psnr\",\"ssim\"},...}}, and\n"
    "  \"ssim_unavailable\" with the reason when SSIM was asked for but none\n"
    "  could be computed.\n"
    "  CSV: the header goes on after error with\n"
    "  std_mse,std_psnr,std_ssim,std_identical,std_peak,std_changed_samples,\n"
    "  std_max_abs_diff, <C>_mse,<C>_psnr,<C>_ssim for C = R, G, B, A, Y, and\n"
    "  mse_unavailable,ssim_unavailable. An infinite PSNR is inf.\n"
    "  Text: the column PSNR (per sample), and SSIM (six decimals) with\n"
    "  --ssim. Summary: std_mse, std_psnr (finite values) and std_ssim. A\n"
    "  MANIPULATED folder still stands for its .bmp files only.\n"
    "\n"
    "A file or pair that fails is reported in its place in the output and the\n"
    "others are still processed.\n"
    "\n"
    "Ctrl+C (SIGINT) during compare stops taking new pairs. The pairs already\n"
    "finished are still written, up to the first one that is not; every line\n"
    "is complete and nothing partial follows (text output: the table of those\n"
    "pairs). The exit status is then 130. A second Ctrl+C ends the program at\n"
    "once.\n"
    "\n"
    "Exit status: 0 when every file or pair succeeded, 1 when any failed,\n"
    "2 for a usage error, 130 when compare was interrupted.\n";
inline constexpr const char* kMessagePrefix = "citra: ";
inline constexpr const char* kTryHelp = "Try 'citra --help' for more information.\n";
inline constexpr const char* kNoCommand = "no command given";
inline constexpr const char* kInfoNeedsFile = "info needs at least one FILE";
inline constexpr const char* kHistogramNeedsFile = "histogram needs exactly one FILE";
inline constexpr const char* kCompareNeedsTwo = "compare needs an ORIGINAL and at least one MANIPULATED file";
inline constexpr const char* kJsonAndCsv = "--json and --csv cannot be used together";
inline constexpr const char* kCsvOnlyForCompareAndHistogram = "--csv is only for compare and histogram";
inline constexpr const char* kCsvTakesOneFile = "histogram --csv takes one FILE";
inline constexpr const char* kPlotNeedsOneOrTwo = "histogram --plot needs one FILE, or two to overlay";
inline std::string OnlyForHistogram(const std::string& option) { return option + " is only for histogram"; }
inline constexpr const char* kBinsNeedCsvOrPlot = "--bins is only for histogram --csv or --plot";
// The extension after the last dot of the file name, in lower case.
inline std::string LowerExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return "";
    std::string extension = path.substr(dot + 1);
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
inline std::string OriginalIsFolder(const std::string& path) {
    return "ORIGINAL '" + path + "' is a folder, not a file";
}
inline constexpr const char* kShardOnlyForCompare = "--shard is only for compare";
inline constexpr const char* kSummaryOnlyForCompare = "--summary is only for compare";
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
inline constexpr const char* kInfinity = "inf";

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
inline constexpr const char* kCsvReasonColumns = ",mse_unavailable,ssim_unavailable";
inline constexpr const char* kSsimOnlyForCompare = "--ssim is only for compare";
inline constexpr const char* kCsvSummaryHeader = "pairs,failed,identical,metric,count,mean,median,min,max,sample_stddev";

// The progress bar.
inline constexpr const char* kUnknownRate = "--";
inline constexpr const char* kPairsPerSecond = " pairs/s  ";
inline constexpr const char* kNothingLeft = "0:00 left";
inline constexpr const char* kUnknownLeft = "--:-- left";
inline constexpr const char* kLeft = " left";

}  // namespace text
