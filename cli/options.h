#pragma once
// Command-line parsing of the citra tool.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

enum class Command { None, Info, Histogram, Compare, Diff, Report };
enum class OutputFormat { Text, Json, Csv };
enum class ProgressMode { Auto, On, Off };

// --shard K/N: the K-th of N equal shares of the pairs.
struct Shard {
    unsigned index = 1;  // K, from 1
    unsigned count = 1;  // N
};

inline constexpr unsigned kMaxShards = 1000000;

struct Options {
    Command command = Command::None;
    OutputFormat format = OutputFormat::Text;
    bool help = false;
    // compare only: worker threads (0: one per hardware thread) and the
    // progress bar on standard error (Auto: when it is a terminal).
    unsigned jobs = 0;
    ProgressMode progress = ProgressMode::Auto;
    std::optional<Shard> shard;
    // --summary, or --summary=FILE to write it to FILE instead of beside
    // the results (CSV: standard error).
    bool summary = false;
    std::string summaryFile;
    // --ssim: compare only, SSIM with the field's metrics.
    bool ssim = false;
    // diff: the picture file written (-o; report: the HTML file), how it is drawn, the gain
    // (abs, heat) and the bit plane (lsb).
    std::string output;
    std::string mode = "abs";
    std::optional<double> gain;
    std::optional<int> plane;
    // histogram only: a plot file (.svg or .png) and the bins of the CSV
    // rows and the plot.
    std::string plot;
    std::optional<uint32_t> bins;
    std::vector<std::string> files;  // operands after the command name
};

struct ParsedArguments {
    Options options;
    std::optional<std::string> usageError;  // set when the arguments are unusable
};

// Parses the arguments after the program name. Options may stand anywhere;
// "--" makes every later argument an operand. --help wins over usage errors.
// -j/--jobs take a value: "-j 4", "-j4", "--jobs 4", "--jobs=4"; --shard
// "--shard 2/8" or "--shard=2/8"; --summary's file only "--summary=FILE".
ParsedArguments ParseArguments(std::span<const std::string> args);

// The short synopsis printed after a usage error.
std::string UsageText();
// The full description printed by --help.
std::string HelpText();

// Largest accepted --jobs value.
inline constexpr unsigned kMaxJobs = 1024;
