#include "output_guard.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <memory>
#include <unordered_set>

#include "texts.h"

namespace {

// Where a name that does not exist would be made: its folder resolved, so
// that "out.png", "./out.png" and "dir/../out.png" agree.
std::string PlaceOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::unique_ptr<char, decltype(&free)> resolved(realpath(folder.c_str(), nullptr), &free);
    if (!resolved) return path;
    return std::string(resolved.get()) + "/" + name;
}

}  // namespace

std::vector<std::string> OutputFiles(const Options& options) {
    std::vector<std::string> outputs;
    for (const std::string* path : {&options.output, &options.plot, &options.summaryFile})
        if (!path->empty()) outputs.push_back(*path);
    return outputs;
}

std::vector<std::string> InputFiles(const Options& options, const PairListing* listing) {
    std::vector<std::string> inputs = options.files;
    if (!options.pairsFile.empty()) inputs.push_back(options.pairsFile);
    if (listing) {
        // One original against many files names it in every pair.
        std::unordered_set<std::string> seen(inputs.begin(), inputs.end());
        for (const ListedPair& pair : listing->pairs)
            for (const std::string* path : {&pair.original, &pair.manipulated})
                if (seen.insert(*path).second) inputs.push_back(*path);
    }
    return inputs;
}

std::optional<OutputInput> OutputAmongInputs(std::span<const std::string> outputs,
                                             std::span<const std::string> inputs) {
    for (const std::string& output : outputs) {
        struct stat written {};
        const bool exists = stat(output.c_str(), &written) == 0;
        const std::string place = exists ? std::string() : PlaceOf(output);
        for (const std::string& input : inputs) {
            struct stat read {};
            if (stat(input.c_str(), &read) == 0) {
                if (exists && read.st_dev == written.st_dev && read.st_ino == written.st_ino)
                    return OutputInput{output, input};
            } else if (!exists && (input == output || PlaceOf(input) == place)) {
                return OutputInput{output, input};
            }
        }
    }
    return std::nullopt;
}

bool RefuseOutputAmongInputs(const Options& options, const PairListing* listing, std::ostream& err) {
    const std::vector<std::string> outputs = OutputFiles(options);
    if (outputs.empty()) return false;
    const auto same = OutputAmongInputs(outputs, InputFiles(options, listing));
    if (!same) return false;
    err << text::OutputIsInput(same->output, same->input) << std::flush;
    return true;
}
