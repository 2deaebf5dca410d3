#pragma once
// Command-line parsing of the citra tool.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

enum class Command { None, Info, Histogram, Compare, Diff, Report, Measure, Detect };
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
    // The command whose help is asked for (citra help COMMAND, citra
    // COMMAND --help); empty for the short help.
    std::string helpTopic;
    bool version = false;  // --version
    // compare only: worker threads (0: one per CPU this process may use) and the
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
    // --no-ssim: measure only, leaves SSIM out.
    bool noSsim = false;
    // --detect: measure and report, the LSB estimates of both images of each pair.
    bool detect = false;
    // --pairs FILE: measure and detect, the pairs listed in a CSV file
    // instead of operands.
    std::string pairsFile;
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
// "--" makes every later argument an operand. --help and --version win over
// usage errors; "help [COMMAND]" as the command asks for help too.
// -j/--jobs take a value: "-j 4", "-j4", "--jobs 4", "--jobs=4"; --shard
// "--shard 2/8" or "--shard=2/8"; --pairs "--pairs FILE" or "--pairs=FILE";
// --summary's file only "--summary=FILE".
ParsedArguments ParseArguments(std::span<const std::string> args);

// The texts below come from the help table (help_table.h, help.cpp).
// The synopsis printed after a usage error.
std::string UsageText();
// What --help prints: the short help, or the help of options.helpTopic.
std::string HelpText(const Options& options);
// What --version prints: "citra 1.0 (git abc1234)".
std::string VersionText();

// Largest accepted --jobs value.
inline constexpr unsigned kMaxJobs = 1024;
