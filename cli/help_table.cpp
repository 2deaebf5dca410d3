#include "help_table.h"

namespace help {

namespace {

constexpr Command kInfo = Command::Info;
constexpr Command kHistogram = Command::Histogram;
constexpr Command kCompare = Command::Compare;
constexpr Command kDiff = Command::Diff;
constexpr Command kReport = Command::Report;
constexpr Command kMeasure = Command::Measure;
constexpr Command kDetect = Command::Detect;

}  // namespace

std::string_view Tagline() { return "how far a manipulated image has drifted from its original"; }

std::string_view Description() {
    return "Reads image files and reports on them with the same numbers as the desktop program "
           "Analisis Kualitas Citra, and with the metrics of the field. Every command reads every "
           "format of the format table, chosen by the extension in any letter case: {extensions}.\n\n"
           "Options may stand before or after the operands; a file or pair that fails is reported "
           "in its place and the others are still processed.";
}

std::string_view ExitStatus() {
    return "0 when all succeeded, 1 when anything failed, 2 for a usage error, 130 when stopped by "
           "Ctrl+C (SIGINT), 143 by SIGTERM, 129 by SIGHUP.";
}

std::string_view Environment() {
    return "LC_ALL, LC_NUMERIC and LANG, in that order, give the decimal separator of the text "
           "output (LANG=id_ID.UTF-8 writes 0,000 and 108,131): from the installed locale when "
           "there is one, else from a table built out of the C library's locale sources. JSON and "
           "CSV always use a full stop.";
}

const std::vector<CommandHelp>& Commands() {
    static const std::vector<CommandHelp> commands{
        {kInfo,
         "info",
         {"[--json] info FILE..."},
         "format, size, channels, depth, peak and file size of each file",
         "Reads each FILE and prints its format, width, height, channels, bits per sample, "
         "peak (the largest value a sample can take) and file size in bytes. Every format of "
         "the table is read: {extensions}.\n\n"
         "Text: an aligned table, one line per file. --json: one object per file, in argument order.",
         {"OUTPUT"},
         {{"citra info original.bmp stego.png original.pgm", "one line per file"},
          {"citra --json info original.bmp photo.jpg", "one JSON object per file"},
          {"citra info original.bmp missing.bmp", "a file that cannot be read gets its message", 1}}},
        {kHistogram,
         "histogram",
         {"[--json] histogram FILE",
          "[--json | --csv] histogram FILE [FILE2] --plot OUT.svg|OUT.png [--bins N]",
          "--csv histogram FILE [--bins N]"},
         "counts of each channel's values: a table, JSON, CSV or a plot",
         "Counts the values of each channel of FILE (red, green, blue, grey, alpha), any format "
         "of the table: {extensions}. A 24-bit bitmap gets the desktop program's counts.\n\n"
         "Text: a table of one line per value and a column per channel; a 24-bit bitmap's ends "
         "with its peak, the largest count. --json: one object with the path and the counts of "
         "each channel.\n\n"
         "--csv: the header value,<channels> and one row per bin (value: the bin's first value). "
         "Bin i of N starts at floor(i (peak + 1) / N), where peak is the largest value a sample "
         "can take; by default one bin per value up to 256 values, else 256 bins.\n\n"
         "--plot: the counts as line plots against the value, with labelled axes, a legend and "
         "the file name, as SVG or PNG by the extension of OUT. With FILE2 both are overlaid "
         "(FILE2 dashed) and their difference, FILE2 minus FILE, is drawn below. The plot is "
         "written whole or not at all (see FILES WRITTEN); --json then gives one object "
         "{\"path\",\"second\" (with FILE2),\"plot\",\"bins\"}.",
         {"OUTPUT", "FILES WRITTEN"},
         {{"citra histogram original.bmp", "the counts of a 24-bit bitmap and their peak"},
          {"citra --json histogram stego.png", "the counts as one JSON object"},
          {"citra --csv histogram original.png > counts.csv", "value,red,green,blue"},
          {"citra --csv histogram original.pgm --bins 16", "16 bins of grey values"},
          {"citra histogram original.png stego.png --plot histogram.svg", "overlaid, difference below"},
          {"citra histogram original.bmp --plot histogram.png --bins 64", "a PNG plot of 64 bins"}}},
        {kCompare,
         "compare",
         {"[--json | --csv] [-j N] [--progress | --no-progress] [--shard K/N] [--summary[=FILE]] [--ssim] "
          "compare ORIGINAL MANIPULATED...",
          "[--json | --csv] [-j N] [--progress | --no-progress] [--shard K/N] [--summary[=FILE]] [--ssim] "
          "compare COVERS/ STEGO/..."},
         "MSE, PSNR and SSIM of an original against others, or of a study",
         "Compares pairs of images, reading every format of the table: {extensions}.\n\n"
         "- compare ORIGINAL MANIPULATED...: the ORIGINAL file against each MANIPULATED operand "
         "in turn. A MANIPULATED folder stands for every image file directly inside it (or link "
         "to one) with one of the extensions above, in any letter case, in byte order of the "
         "names; subfolders are not searched, and a folder without such files gives one failed "
         "line. The original is read once.\n\n"
         "- compare COVERS/ STEGO/...: a study. When the first operand is a folder every operand "
         "must be one (else: usage error). The image files directly inside COVERS are paired by "
         "name without extension with those of each STEGO folder in turn (covers/0001.pgm with "
         "stego/0001.png), one pair per name in byte order. A file without a partner gives a "
         "failed pair \"No partner for ...\", a name two files of one folder share one "
         "\"Several files named ...\", a folder without image files one \"No image file in "
         "folder ...\". Nothing is skipped silently.\n\n"
         "Two 24-bit .bmp files are compared exactly as the desktop program compares them, read "
         "band by band through a small buffer, never whole: MSE sums the squared differences of "
         "the three bytes of a pixel and averages over the pixels (0 to 195075); PSNR is "
         "10 log10(65025 / (MSE + 0.000001)), 4.77 dB below the usual PSNR per sample. Any other "
         "pair is decoded and compared with the field's metrics (see THE FIELD'S METRICS); the "
         "desktop program's MSE and PSNR are then given only for two 8-bit RGB images.\n\n"
         "Pairs are computed on several threads (-j); the output keeps the order of the "
         "operands. When the original fails, every pair fails with its message. Ctrl+C (SIGINT), "
         "SIGTERM (kill, timeout, a batch scheduler) and SIGHUP (a closed terminal) stop the "
         "taking of new pairs: the pairs already finished are still written, up to the first one "
         "that is not, every line complete (text: the table of those pairs), and the exit status "
         "is 130, 143 or 129 (128 + the signal's number). A second signal ends the program at "
         "once; no temporary file is left behind either way.",
         {"THE FIELD'S METRICS", "OUTPUT", "JSON OUTPUT", "CSV OUTPUT"},
         {{"citra compare original.bmp stego.bmp", "the desktop program's MSE and PSNR of one pair"},
          {"citra compare original.bmp stego1.bmp stego2.bmp stego.png", "one original, three pairs"},
          {"citra compare original.bmp stego/", "every image file directly inside stego/"},
          {"citra compare covers/ stego/", "a study: pairs covers/0001.pgm with stego/0001.png, ..."},
          {"citra compare covers/ stego-lsb/ stego-dct/", "one study, two stego folders"},
          {"citra --json --ssim compare original.png stego.png", "the field's metrics with SSIM"},
          {"citra --csv -j 2 compare original.bmp stego/ > scores.csv", "CSV, two threads"},
          {"citra --csv --shard 3/16 compare covers/ stego/ > part-03.csv", "one task of a job array"},
          {"citra --json --summary compare covers/ stego/", "last line: {\"summary\":{...}}"},
          {"citra --csv --summary=summary.csv compare covers/ stego/ > scores.csv", "the summary in a file"},
          {"citra compare original.bmp missing.bmp", "a pair that fails: its line says why", 1},
          {"citra compare covers/ original.bmp", "usage error: a folder first needs folders after it", 2}}},
        {kMeasure,
         "measure",
         {"[--json | --csv] [-j N] [--progress | --no-progress] [--shard K/N] [--summary[=FILE]] [--no-ssim] "
          "measure ORIGINAL MANIPULATED...",
          "[--json | --csv] [-j N] [--progress | --no-progress] [--shard K/N] [--summary[=FILE]] [--no-ssim] "
          "measure COVERS/ STEGO/...",
          "[--json | --csv] [-j N] [--progress | --no-progress] [--shard K/N] [--summary[=FILE]] [--no-ssim] "
          "measure --pairs FILE"},
         "the field's numbers of each pair, per channel, for papers",
         "Measures pairs of images the way scikit-image and numpy measure the decoded arrays, "
         "every pair decoded whole, each sample at its stored depth, any format of the table: "
         "{extensions}. Two 24-bit bitmaps are decoded like any other file: measure gives the "
         "field's numbers only, never the desktop program's (compare gives those).\n\n"
         "- measure ORIGINAL MANIPULATED... and measure COVERS/ STEGO/...: the pairs of compare, "
         "listed the same way, with the same usage errors; the group of a pair is its stego "
         "folder, or the folder beside one original that gave it.\n\n"
         "- measure --pairs FILE: the pairs of a CSV file of lines original,manipulated[,group] "
         "(RFC 4180 quoting; a first line original,manipulated[,group] is a header), for any "
         "naming scheme; paths as written. A line of another shape is a failed pair naming the "
         "file and the line. A FILE that cannot be read or holds no pair: \"citra: <message>\" "
         "on standard error and exit status 1. No other operand may be given.\n\n"
         "Each pair: MSE, PSNR (from the peak: 255, 65535 or the PNM maxval; infinite when "
         "identical), SSIM (see THE FIELD'S METRICS; over every channel, alpha included, as "
         "structural_similarity with channel_axis; --no-ssim leaves it out), the mean absolute "
         "difference, the normalised correlation sum(a b) / sqrt(sum(a^2) sum(b^2)) (none when "
         "either image is all zero), the bit error rate of two bilevel images (every sample 0 or "
         "the peak; none otherwise), the changed samples, their rate, the largest absolute "
         "difference and whether the images are identical; overall and per channel. Both images "
         "must agree in width, height, channels, depth and peak, else the pair fails naming what "
         "differs.\n\n"
         "Pairs run on several threads (-j; several pairs at once take one thread each), their "
         "output in the order of the listing; --shard, --progress, Ctrl+C and lost output behave "
         "as for compare. The summary (mean, sd, median, minimum and maximum of each figure per "
         "group, a group of several peaks split by peak) is written only with --summary.",
         {"THE FIELD'S METRICS", "MEASURE OUTPUT"},
         {{"citra measure original.png stego.png", "the field's numbers of one pair, as a table"},
          {"citra measure covers/ stego-lsb/ stego-dct/", "a study of two methods, one group each"},
          {"citra --csv measure covers/ stego/ > measures.csv", "every figure, per channel too"},
          {"citra --json --no-ssim measure original.pgm stego.pgm", "one flat JSON object, SSIM left out"},
          {"citra --csv --summary measure covers/ lsb/ pm1/ jpeg50/", "rows on standard output, "
           "mean and sd per method on standard error"},
          {"citra --json --summary=summary.json measure covers/ stego/", "the summary per group in a file"},
          {"citra measure --pairs pairs.csv", "the pairs a CSV file lists"},
          {"citra --csv --detect measure covers/ lsb/", "with the LSB estimates of both images (see detect)"},
          {"citra measure original.png missing.png", "a pair that fails: its row says why", 1},
          {"citra measure --pairs missing.csv", "a pairs file that cannot be read", 1}}},
        {kDetect,
         "detect",
         {"[--json | --csv] [-j N] detect FILE|FOLDER... | --pairs FILE"},
         "how much of each image carries LSB replacement (RS, SPA, WS, chi2)",
         "Estimates, for each colour channel of each 8-bit image (grey: one; alpha left out), the "
         "payload of LSB replacement, the fraction of samples carrying a message bit (0 to 1), "
         "with four estimators: RS analysis, Sample Pair Analysis, Weighted Stego (bias-corrected "
         "ws, and the papers' ws_plain) and the chi-square attack (the probability of embedding, "
         "over the whole channel and over its first 1%, 5%, 10%, ... 100% of samples in scan "
         "order). Any format of the table is read: {extensions}. An image that is not 8 bits is "
         "refused, naming the file.\n\n"
         "- detect FILE|FOLDER...: each FILE as given; a FOLDER stands for every image file "
         "directly inside it, in byte order of the names, as compare lists folders, and is the "
         "group of its images (a FILE has none). A folder without image files is one failed "
         "line.\n\n"
         "- detect --pairs FILE: every file of a pairs file (lines original,manipulated[,group], "
         "as for measure) once, in the order first named: an original with the group \"cover\", "
         "a manipulated file with its line's group. A file named twice keeps its first group.\n\n"
         "Each estimate comes raw (as computed; it may fall a little outside 0 to 1) and clamped "
         "to 0 to 1; where an estimator has nothing to go on there is none and the reason is "
         "given. The overall estimates of an image (rs, spa, ws, chi2_p) are the means over its "
         "colour channels of the clamped ones, none unless every channel has one.\n\n"
         "Images run on several threads (-j; several images at once take one thread each), "
         "their output in the order of the listing; --shard, --progress, Ctrl+C and lost output "
         "behave as for compare. --summary: per group, images, failed, and count, mean, sd, "
         "median, minimum and maximum of each overall estimate.",
         {"DETECT OUTPUT"},
         {{"citra detect stego.png", "the four estimates of each channel, as a table"},
          {"citra --json detect covers/ stego/", "one JSON object per image, group: the folder"},
          {"citra --csv detect stego/ > estimates.csv", "one row per image and channel"},
          {"citra --csv --summary detect covers/ lsb/ pm1/", "rows on standard output, the summary per folder "
           "on standard error"},
          {"citra --json detect --pairs pairs.csv", "every file of a pairs file once"},
          {"citra detect missing.png", "an image that cannot be read: its line says why", 1}}},
        {kDiff,
         "diff",
         {"[--json] [-j N] diff ORIGINAL MANIPULATED -o OUT.png [--mode abs|heat|lsb|ssim] [--gain K] "
          "[--plane N]"},
         "a picture of where and how two images differ",
         "Draws where and how the two images differ and writes the picture as an 8-bit PNG. "
         "Takes any two files of the table ({extensions}) of one width, height, channel layout "
         "and depth. Two 24-bit bitmaps are read band by band and the picture encoded row by "
         "row, so a picture of any size needs a few MiB.\n\n"
         "- --mode abs (default): each colour sample's absolute difference times the gain K, "
         "scaled to 0..255: round(|d| K 255 / peak), halves up, at most 255; grey or RGB (alpha "
         "left out).\n\n"
         "- --mode heat: the pixel's difference magnitude sqrt(sum of d^2 over its colour "
         "samples), times K, through the perceptually uniform viridis colour map (dark purple 0, "
         "yellow at peak / K and above).\n\n"
         "- --mode lsb: bit plane N (--plane N, default 0) of the original, of the manipulated "
         "image and where they differ, side by side, 0 black and 1 white.\n\n"
         "- --mode ssim: the local SSIM (see THE FIELD'S METRICS), 0 or less black, 1 white; the "
         "5-pixel border repeats its nearest pixel.\n\n"
         "Without --gain, K puts the largest difference at full scale. The scale is written into "
         "the PNG's text chunks (citra.gain, citra.scale_max, citra.largest) and, with --json, "
         "into the line {\"original\",\"manipulated\",\"output\",\"mode\",\"width\",\"height\"} and "
         "for abs and heat \"gain\",\"scale_max\",\"largest\"; for lsb \"plane\".",
         {"FILES WRITTEN"},
         {{"citra diff original.bmp stego.bmp -o difference.png", "|difference|, the largest white"},
          {"citra diff original.bmp stego.bmp -o heat.png --mode heat", "magnitude through viridis"},
          {"citra diff original.png stego.png -o lsb.png --mode lsb --plane 0", "bit plane 0 side by side"},
          {"citra diff original.png stego.png -o ssim.png --mode ssim", "local SSIM, 0 black, 1 white"},
          {"citra --json diff original.pgm stego.pgm -o difference.png --gain 4", "a fixed gain, scale in JSON"}}},
        {kReport,
         "report",
         {"[-j N] [--progress | --no-progress] report ORIGINAL MANIPULATED... -o REPORT.html",
          "[-j N] [--progress | --no-progress] report COVERS/ STEGO/... -o REPORT.html"},
         "a study as one self-contained HTML page",
         "The pairs of compare, from the same operands and with the same usage errors (one "
         "original against files and folders, or a study), each with SSIM, written as one "
         "self-contained HTML file that any browser opens (nothing fetched; the pictures inside "
         "it): the command line, the tool's version and the date (UTC), the summary per group "
         "and peak as measure gives it, a table of every pair under measure's names (mse, psnr, "
         "ssim, mae, nc, ber, change_rate; the desktop program's MSE and PSNR in columns of their "
         "own for 8-bit RGB pairs; the error in full) that sorts by any column (a click on its "
         "heading, or REPORT.html#sort=N), and per pair thumbnails of both pictures and of the "
         "heat map (at most 192 pixels, JPEG) and the overlaid histograms (SVG). A failed pair is "
         "a row with its message, and the exit status is then 1. --json and --csv do not apply.",
         {"FILES WRITTEN"},
         {{"citra report original.bmp stego/ -o report.html", "one original against a folder"},
          {"citra report covers/ stego/ -o report.html", "a study as one page"},
          {"citra -j 2 --no-progress report covers/ stego-lsb/ stego-dct/ -o report.html", "two stego folders"},
          {"citra --detect report covers/ stego/ -o report.html", "with the LSB estimates of both images"}}},
        {Command::None,
         "help",
         {"help [COMMAND]", "COMMAND --help", "--version"},
         "this text, or a command's forms, options and examples",
         "citra help (or citra --help) prints the commands and the common options; citra help "
         "COMMAND (or citra COMMAND --help) prints the command's forms, options and examples. "
         "man citra gives the whole manual. --version prints the version and, for a build from a "
         "git checkout, its revision.",
         {},
         {{"citra help compare", "compare's forms, options and examples"},
          {"citra diff --help", "the same as citra help diff"},
          {"citra --version", "citra and its version"}}},
    };
    return commands;
}

const std::vector<OptionHelp>& Options() {
    static const std::vector<OptionHelp> options{
        {"--json",
         "one JSON object per line, one per file or pair",
         "One JSON object per line, one per file or pair, in argument order (see JSON OUTPUT; "
         "measure: see MEASURE OUTPUT; detect: see DETECT OUTPUT).",
         {kInfo, kHistogram, kCompare, kDiff, kMeasure, kDetect},
         true},
        {"--csv",
         "compare: one CSV row per pair; histogram: one per bin",
         "compare: CSV with a header line, one row per pair in argument order (see CSV OUTPUT); "
         "measure: the same with its own columns (see MEASURE OUTPUT); detect: one row per image and "
         "channel (see DETECT OUTPUT); histogram: one row per bin.",
         {kCompare, kHistogram, kMeasure, kDetect},
         true},
        {"-j N, --jobs N",
         "worker threads (1 to 1024; default: one per usable CPU)",
         "compare, measure and detect: N pairs (images) at once; 1 computes one after the other. diff and report: the "
         "threads of SSIM and decoding of each pair. Default: one per CPU this process may run on (its affinity "
         "mask, fewer under a cgroup CPU quota). Also -jN and --jobs=N.",
         {kCompare, kDiff, kReport, kMeasure, kDetect},
         true},
        {"--progress",
         "draw a progress bar on standard error",
         "compare, measure, detect and report: draw a progress bar on standard error (pairs done of total, pairs "
         "per second, time left). Default: only when standard error is a terminal.",
         {kCompare, kReport, kMeasure, kDetect},
         true},
        {"--no-progress", "never draw the progress bar", "", {kCompare, kReport, kMeasure, kDetect}, true},
        {"--shard K/N",
         "only the K-th of N shares of the pairs, for a job array",
         "Computes only the K-th of N consecutive, nearly equal shares of the pairs (1 <= K <= N "
         "<= 1000000; their sizes differ by at most one), for a job array. In a Slurm array "
         "started with --array=0-15: --shard $((SLURM_ARRAY_TASK_ID + 1))/16. Every share writes "
         "its own CSV header; the shares' JSON lines one after the other are the whole run's, and "
         "so are their CSV rows with the header kept once (head -1 part-01.csv; tail -qn +2 "
         "part-*.csv). A share with no pair writes the CSV header only; a summary is per share. "
         "compare, measure and detect (its images). Also --shard=K/N.",
         {kCompare, kMeasure, kDetect}},
        {"--summary[=FILE]",
         "counts and statistics of MSE and PSNR over the pairs",
         "After the pairs: how many there were, failed and were identical (MSE 0), and for MSE "
         "and PSNR of the pairs that succeeded (and, for the field's metrics, std_mse, std_psnr "
         "of the finite values, std_ssim with --ssim) their count, mean, median, minimum, maximum "
         "and sample standard deviation (divided by count - 1; none for fewer than two). The "
         "text table always ends with it, after an empty line; JSON: a last line\n\n"
         "  {\"summary\":{\"pairs\",\"failed\",\"identical\",\"mse\":{\"count\",\"mean\",\"median\",\n"
         "  \"min\",\"max\",\"sample_stddev\"},\"psnr\":{...}}}\n\n"
         "with null where there is no value; CSV: on standard error, never among the rows, the "
         "header\n\n"
         "  pairs,failed,identical,metric,count,mean,median,min,max,sample_stddev\n\n"
         "and one row per metric. With FILE it goes to FILE instead, in the output's format, "
         "through a temporary file renamed over FILE: complete or not at all. A failure says "
         "\"citra: cannot write the summary to 'FILE': <reason>\" and the exit status is 1.\n\n"
         "measure: the summary only with --summary, one block per group (a group of several "
         "peaks split by peak): pairs, failed, identical, and for each figure count, mean, sample "
         "sd, median, minimum and maximum (an infinite PSNR counted apart). Text: after the table; "
         "JSON: a last line {\"summary\":[...]}; CSV: on standard error, or in FILE. FILE is "
         "checked before the first pair and written whole at the end.\n\n"
         "detect: the same, only with --summary, one block per group: images, failed, and for "
         "rs, spa, ws and chi2_p (the images' overall estimates) count, mean, sd, median, minimum "
         "and maximum; CSV header group,images,failed,metric,count,mean,sd,median,min,max; JSON "
         "a last line {\"summary\":[{\"group\",\"images\",\"failed\",\"rs\":{...},...}]}.",
         {kCompare, kMeasure, kDetect}},
        {"--ssim",
         "SSIM besides the other metrics",
         "Adds SSIM to the field's metrics of every pair (see THE FIELD'S METRICS). Several pairs "
         "at once compute SSIM on one thread each.",
         {kCompare}},
        {"--no-ssim",
         "measure: leave SSIM out",
         "measure: SSIM is computed by default; --no-ssim leaves it out (its columns none).",
         {kMeasure}},
        {"--detect",
         "measure, report: the LSB estimates of both images too",
         "measure: adds to every pair the overall LSB estimates (see detect) of the manipulated "
         "image and of the original, as the columns stego_rs, stego_spa, stego_ws, stego_chi2_p, "
         "cover_rs, cover_spa, cover_ws, cover_chi2_p after the others (none for an image that is "
         "not 8 bits), and to the summary their statistics. report: the same columns in the pairs "
         "table, before error, and their statistics in the summary.",
         {kMeasure, kReport}},
        {"--pairs FILE",
         "measure: the pairs a CSV file lists; detect: their files",
         "measure: the pairs of FILE, lines original,manipulated[,group], instead of operands "
         "(see measure); detect: every file of those pairs once (see detect). Also --pairs=FILE.",
         {kMeasure, kDetect}},
        {"-o OUT, --output OUT",
         "the file to write: diff's PNG, report's HTML",
         "diff: the PNG file to write; report: the HTML file. Also --output=OUT.",
         {kDiff, kReport}},
        {"--mode M", "abs, heat, lsb or ssim", "How diff draws the difference (see diff).", {kDiff}},
        {"--gain K",
         "abs and heat: a positive factor",
         "The modes abs and heat: multiply the difference by K (a positive number). Default: the "
         "largest difference at full scale.",
         {kDiff}},
        {"--plane N", "lsb: the bit plane, 0 to 15", "The mode lsb: the bit plane drawn, 0 (default) to 15.", {kDiff}},
        {"--plot OUT", "the plot file to write (.svg or .png)", "The plot file, SVG or PNG by its extension.", {kHistogram}},
        {"--bins N",
         "with --csv or --plot: N bins (1 to 65536)",
         "histogram --csv or --plot: N bins (1 to 65536, at most the values a sample can take).",
         {kHistogram}},
        {"-h, --help",
         "print the help (of the command, after one) and exit",
         "Prints the short help, or with a command the command's help, on standard output and "
         "exits with status 0, whatever else the command line holds.",
         {},
         true},
        {"--version", "print the version and exit", "Prints \"citra VERSION (git REVISION)\" and exits with status 0.",
         {}, true},
        {"--", "every later argument is a file name", "", {}, true},
    };
    return options;
}

const std::vector<Topic>& Topics() {
    static const std::vector<Topic> topics{
        {"THE FIELD'S METRICS",
         "Every pair of image files is also compared as scikit-image and MATLAB compare images, "
         "each sample at its stored depth: MSE per sample, PSNR from the peak (255, 65535 or the "
         "PNM maxval; infinite when identical), the samples that differ and the largest absolute "
         "difference, for the whole image and per channel, and with --ssim SSIM (Gaussian window "
         "of 11 x 11, sigma 1.5, K1 0.01, K2 0.03, no sample covariance). Borders: the SSIM map "
         "of a channel is cropped by 5 samples on every side and the rest averaged, as "
         "scikit-image does, so no padding enters the mean; an image below 11 x 11 gets no SSIM, "
         "and the reason is given. The overall SSIM is the mean over every channel, alpha "
         "included, as scikit-image gives it for the decoded array.\n\n"
         "Two 24-bit .bmp files are read band by band and both sets of numbers come from one "
         "pass (SSIM from a second one, holding only the window's rows). Any other pair (png, "
         "pnm, tiff, jpeg, or a bmp of another depth: 1, 4, 8 bits with a palette, 16 or 32 "
         "bits, run-length encoded) is decoded whole; both images must then have the same width, "
         "height, channels, depth and peak, else the pair fails naming what differs.\n\n"
         "The desktop program's MSE and PSNR are given for two 8-bit RGB images, from the exact "
         "integer sum: its MSE is 3 x the MSE per sample (the three samples of a pixel summed) "
         "and its PSNR therefore 4.7712 dB lower (10 log10 3) than the PSNR per sample, up to its "
         "0.000001 guard. For other images (grey, alpha, 16-bit, a PNM maxval other than 255) "
         "they are absent: JSON null with \"mse_unavailable\" giving the reason, CSV empty fields "
         "and the reason in the column mse_unavailable, text -.\n\n"
         "A .bmp file that lacks pixel data (cut short, or pixels said to start past its end) "
         "keeps the desktop program's MSE and PSNR, which count the missing bytes as 0 as its "
         "loader does, but gets no field's metrics; the line says so in \"warning\" (JSON "
         "key, CSV last column, a \"warning: \" line under the text table): \"<file>: file "
         "cut short: holds N of the M bytes of pixel data\". measure, diff, histogram and "
         "the decoded route refuse such a file with that message. A file that changes while "
         "it is read (its size, modification time or identity differ at the end of a pass) "
         "fails the pair: \"<file>: file changed while it was read\"."},
        {"OUTPUT",
         "Text output is an aligned table, written once every row is known; compare's table "
         "always ends with the summary (see --summary). MSE and PSNR are written with three "
         "decimals and the user's decimal separator (see ENVIRONMENT); a line break inside a "
         "message shows as a space. JSON and CSV lines are written as soon as they and all lines "
         "before them are done. Output that cannot be written (a full disk) gives status 1 and "
         "\"citra: cannot write the output: <reason>\" on standard error; a reader that closes "
         "the pipe early (| head -1) ends the run quietly."},
        {"JSON OUTPUT",
         "One object per line. compare, keys in this order:\n\n"
         "  {\"original\",\"manipulated\",\"mse\",\"psnr\",\"mse_text\",\"psnr_text\",\"standard\"}\n\n"
         "mse and psnr are the desktop program's exact values (shortest round-trip form), "
         "mse_text and psnr_text have three decimals and a full stop. \"standard\" holds the "
         "field's metrics:\n\n"
         "  {\"mse\",\"psnr\" (null when infinite, with \"identical\":true),\"ssim\",\"identical\",\n"
         "  \"peak\",\"changed_samples\",\"max_abs_diff\",\"channels\":{\"R\":{\"mse\",\"psnr\",\"ssim\"},...}}\n\n"
         "and, as its last key, \"ssim_unavailable\" with the reason when SSIM was asked for but "
         "none could be computed. After them, \"warning\" when a file lacks pixel data (see "
         "COMPARE). A failure: {\"path\",\"error\"}; compare and diff: "
         "{\"original\",\"manipulated\",\"error\"}. Bytes of a path that are not UTF-8 are written "
         "as \\udc80..\\udcff."},
        {"CSV OUTPUT",
         "compare writes the header line\n\n"
         "  original,manipulated,mse,psnr,mse_text,psnr_text,error,\n"
         "  std_mse,std_psnr,std_ssim,std_identical,std_peak,std_changed_samples,\n"
         "  std_max_abs_diff,<C>_mse,<C>_psnr,<C>_ssim (for C = R, G, B, A, Y),\n"
         "  mse_unavailable,ssim_unavailable,warning\n\n"
         "(on one line) and one line per pair; lines end in LF. mse, psnr, mse_text and psnr_text "
         "are as in JSON (always a full stop, whatever the regional settings, so a comma only "
         "ever separates fields); a failed pair leaves them empty and has its message in error, "
         "which is otherwise empty. A channel the images lack leaves its columns empty; an "
         "infinite PSNR is inf. A field holding a comma, a double quote, CR or LF is enclosed in "
         "double quotes, its quotes doubled (RFC 4180). Paths are written byte for byte."},
        {"MEASURE OUTPUT",
         "measure writes, for every pair, the same keys in the same order, in JSON (one flat "
         "object per line) and CSV (the header line, the same for every run):\n\n"
         "  original,manipulated,group,width,height,channels,bits,peak,\n"
         "  mse,psnr,ssim,mae,nc,ber,changed_samples,change_rate,max_abs_diff,identical,\n"
         "  <C>_mse,<C>_psnr,...,<C>_identical (for C = R, G, B, A, Y),\n"
         "  ssim_unavailable,error\n\n"
         "(CSV: on one line); with --detect then stego_rs, stego_spa, stego_ws, stego_chi2_p, "
         "cover_rs, cover_spa, cover_ws, cover_chi2_p (see detect; the text table shows them "
         "too). Numbers are in the shortest form that reads back as the same "
         "double. A value there is none of (a channel the images lack, SSIM left out or of an "
         "image below 11 x 11 with the reason in ssim_unavailable, nc of an all-zero image, ber "
         "of images that are not bilevel, every figure of a failed pair, whose message is in "
         "error) is JSON null and an empty CSV field; an infinite PSNR is null in JSON (identical "
         "is true beside it) and inf in CSV. The text table shows original, manipulated, group "
         "(when a pair has one), width x height, channels, bits, mse, psnr, ssim, mae, nc, ber "
         "and change_rate with six significant digits and the user's decimal separator (psnr "
         "inf when infinite, - for none), a failed pair's message in place of its figures."},
        {"DETECT OUTPUT",
         "detect writes, with --json, one object per image, every key always there, in this "
         "order:\n\n"
         "  {\"path\",\"group\",\"width\",\"height\",\"rs\",\"spa\",\"ws\",\"chi2_p\",\n"
         "  \"channels\":[{\"channel\",\"rs\",\"rs_clamped\",\"spa\",\"spa_clamped\",\"ws\",\n"
         "  \"ws_clamped\",\"ws_plain\",\"ws_plain_clamped\",\"chi2_p\",\"chi2_statistic\",\n"
         "  \"chi2_categories\",\"chi2_profile\":[{\"percent\",\"p\"},...],\"reasons\":{...}},...],\n"
         "  \"error\"}\n\n"
         "rs, spa, ws and chi2_p at the top are the image's overall estimates; in a channel, rs "
         "is the raw estimate and rs_clamped the clamped one; reasons holds, for each estimator "
         "without an estimate (rs, spa, ws, ws_plain, chi2), why. None is null; a failed image "
         "has its message in error, null otherwise, and an empty channels list.\n\n"
         "--csv writes the header line\n\n"
         "  path,group,width,height,channel,rs,rs_clamped,spa,spa_clamped,ws,ws_clamped,\n"
         "  ws_plain,ws_plain_clamped,chi2_p,chi2_statistic,chi2_categories,\n"
         "  chi2_p_1,chi2_p_5,chi2_p_10,...,chi2_p_95,chi2_p_100,\n"
         "  rs_reason,spa_reason,ws_reason,ws_plain_reason,chi2_reason,error\n\n"
         "(on one line) and one row per image and channel (an image's overall estimates, the "
         "means of its rows' rs_clamped, spa_clamped, ws_clamped and chi2_p, have no row of their "
         "own); a failed image is one row with its path, "
         "group and error. The text table shows path, group (when an image has one), channel "
         "and the clamped rs, spa, ws and the chi-square probability with four decimals and the "
         "user's decimal separator, - for none, each missing estimate's reason under the table."},
        {"FILES WRITTEN",
         "Every file citra writes (picture, plot, report, summary) goes under a temporary name "
         "beside the target and is renamed once complete: a failed or interrupted run leaves the "
         "target as it was, and a place that cannot be written fails before any work. A target "
         "that is a symbolic link has the file it leads to replaced, the link kept; a file keeps "
         "its permissions; a file with several hard links, or owned by another user, is written "
         "in place once the whole content is ready. A device, a FIFO or the standard output "
         "(-o /dev/stdout) is written as the content comes, with no temporary file. An output "
         "that is one of the run's inputs (the same file, by any name; the files of folders and "
         "of a pairs file count) is refused before any work with status 1: \"OUT: is also an "
         "input; choose another output file\"."},
    };
    return topics;
}

}  // namespace help
