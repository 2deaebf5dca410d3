#include "options.h"

namespace {

std::optional<Command> CommandNamed(const std::string& name) {
    if (name == "info") return Command::Info;
    if (name == "histogram") return Command::Histogram;
    if (name == "compare") return Command::Compare;
    return std::nullopt;
}

std::optional<std::string> CheckOperandCount(const Options& options) {
    const size_t count = options.files.size();
    switch (options.command) {
    case Command::None:
        return "no command given";
    case Command::Info:
        if (count < 1) return "info needs at least one FILE";
        break;
    case Command::Histogram:
        if (count != 1) return "histogram needs exactly one FILE";
        break;
    case Command::Compare:
        if (count < 2) return "compare needs an ORIGINAL and at least one MANIPULATED file";
        break;
    }
    return std::nullopt;
}

// A --jobs value: a decimal number from 1 to kMaxJobs.
std::optional<unsigned> JobCount(const std::string& text) {
    if (text.empty() || text.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value < 1 || value > kMaxJobs) return std::nullopt;
    return value;
}

std::string BadJobCount(const std::string& text) {
    return "invalid number of jobs '" + text + "' (1 to " + std::to_string(kMaxJobs) + ")";
}

}  // namespace

ParsedArguments ParseArguments(std::span<const std::string> args) {
    ParsedArguments result;
    Options& options = result.options;
    bool operandsOnly = false;
    bool commandSeen = false;
    bool jsonSeen = false;
    bool csvSeen = false;
    const auto fail = [&](std::string message) {
        if (!result.usageError) result.usageError = std::move(message);
    };

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool isOption = !operandsOnly && arg.size() > 1 && arg[0] == '-';
        if (isOption) {
            if (arg == "--") {
                operandsOnly = true;
            } else if (arg == "--help" || arg == "-h") {
                options.help = true;
            } else if (arg == "--json") {
                jsonSeen = true;
            } else if (arg == "--csv") {
                csvSeen = true;
            } else if (arg == "--progress") {
                options.progress = ProgressMode::On;
            } else if (arg == "--no-progress") {
                options.progress = ProgressMode::Off;
            } else if (arg == "-j" || arg == "--jobs") {
                if (i + 1 == args.size()) {
                    fail("option '" + arg + "' needs a number");
                } else if (const auto jobs = JobCount(args[++i])) {
                    options.jobs = *jobs;
                } else {
                    fail(BadJobCount(args[i]));
                }
            } else if (arg.starts_with("--jobs=") || (arg.size() > 2 && arg[1] == 'j' && arg[2] >= '0' && arg[2] <= '9')) {
                const std::string value = arg.substr(arg[1] == 'j' ? 2 : 7);
                if (const auto jobs = JobCount(value)) options.jobs = *jobs;
                else fail(BadJobCount(value));
            } else {
                fail("unknown option '" + arg + "'");
            }
            continue;
        }
        if (!commandSeen) {
            commandSeen = true;
            if (auto command = CommandNamed(arg)) {
                options.command = *command;
            } else {
                fail("unknown command '" + arg + "'");
            }
            continue;
        }
        options.files.push_back(arg);
    }

    if (jsonSeen && csvSeen) fail("--json and --csv cannot be used together");
    options.format = jsonSeen ? OutputFormat::Json : csvSeen ? OutputFormat::Csv : OutputFormat::Text;
    if (csvSeen && commandSeen && options.command != Command::Compare && options.command != Command::None)
        fail("--csv is only for compare");

    if (options.help) {
        result.usageError.reset();
    } else if (!result.usageError) {
        result.usageError = CheckOperandCount(options);
    }
    return result;
}

std::string UsageText() {
    return "usage: citra [--json] info FILE...\n"
           "       citra [--json] histogram FILE\n"
           "       citra [--json | --csv] [-j N] [--progress | --no-progress]\n"
           "             compare ORIGINAL MANIPULATED...\n"
           "       citra --help\n";
}

std::string HelpText() {
    return UsageText() +
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
           "                    The original is read into memory once; each\n"
           "                    manipulated .bmp file is read in bands through a\n"
           "                    small buffer, never whole (a single pair reads both\n"
           "                    files that way). Pairs are computed on several\n"
           "                    threads; the output keeps the order of the\n"
           "                    arguments. When the original fails, every pair\n"
           "                    fails with its message.\n"
           "\n"
           "Options (before or after the command's operands):\n"
           "  --json            One JSON object per line, one per file or pair, in\n"
           "                    argument order.\n"
           "  --csv             compare only: CSV with a header line, one row per pair\n"
           "                    in argument order (see below).\n"
           "  -j N, --jobs N    compare only: N worker threads (1 to 1024); 1 computes\n"
           "                    one pair after the other. Default: one per hardware\n"
           "                    thread.\n"
           "  --progress        compare only: draw a progress bar on standard error\n"
           "                    (pairs done of total, pairs per second, time left).\n"
           "                    Default: only when standard error is a terminal.\n"
           "  --no-progress     compare only: never draw the progress bar.\n"
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
           "  A failure: {\"path\",\"error\"} (compare: {\"original\",\"manipulated\",\"error\"}).\n"
           "  Bytes of a path that are not UTF-8 are written as \\udc80..\\udcff.\n"
           "\n"
           "CSV (compare): the header line\n"
           "  original,manipulated,mse,psnr,mse_text,psnr_text,error\n"
           "  then one line per pair; lines end in LF. mse, psnr, mse_text and\n"
           "  psnr_text are as in JSON (always a full stop, whatever the regional\n"
           "  settings, so a comma only ever separates fields); a failed pair leaves\n"
           "  them empty and has its message in error, which is otherwise empty. A\n"
           "  field holding a comma, a double quote, CR or LF is enclosed in double\n"
           "  quotes, its quotes doubled (RFC 4180). Paths are written byte for byte.\n"
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
}
