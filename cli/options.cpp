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

}  // namespace

ParsedArguments ParseArguments(std::span<const std::string> args) {
    ParsedArguments result;
    Options& options = result.options;
    bool operandsOnly = false;
    bool commandSeen = false;

    for (const std::string& arg : args) {
        const bool isOption = !operandsOnly && arg.size() > 1 && arg[0] == '-';
        if (isOption) {
            if (arg == "--") {
                operandsOnly = true;
            } else if (arg == "--help" || arg == "-h") {
                options.help = true;
            } else if (arg == "--json") {
                options.format = OutputFormat::Json;
            } else if (!result.usageError) {
                result.usageError = "unknown option '" + arg + "'";
            }
            continue;
        }
        if (!commandSeen) {
            commandSeen = true;
            if (auto command = CommandNamed(arg)) {
                options.command = *command;
            } else if (!result.usageError) {
                result.usageError = "unknown command '" + arg + "'";
            }
            continue;
        }
        options.files.push_back(arg);
    }

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
           "       citra [--json] compare ORIGINAL MANIPULATED...\n"
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
           "                    manipulated image. The original is loaded once; the\n"
           "                    manipulated images are loaded one at a time. Both\n"
           "                    pictures of a pair must be 24-bit bitmaps of the same\n"
           "                    width and height. When the original fails, every pair\n"
           "                    fails with its message.\n"
           "\n"
           "Options (before or after the command's operands):\n"
           "  --json            One JSON object per line, one per file or pair, in\n"
           "                    argument order.\n"
           "  -h, --help        Prints this text and exits.\n"
           "  --                Every later argument is a file name.\n"
           "\n"
           "Text output is an aligned table (histogram: one line per value). MSE and\n"
           "PSNR are written with three decimals and the decimal separator of the\n"
           "user's regional settings (LC_ALL, LC_NUMERIC, LANG).\n"
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
           "A file or pair that fails is reported in its place in the output and the\n"
           "others are still processed.\n"
           "\n"
           "Exit status: 0 when every file or pair succeeded, 1 when any failed,\n"
           "2 for a usage error.\n";
}
