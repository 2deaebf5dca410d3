#pragma once
// Which pairs a run compares, from its operands, the one way compare,
// report, the Python module and Dask list them:
// - ORIGINAL MANIPULATED...: one original against each manipulated file; a
//   folder stands for the image files directly inside it (every extension
//   the decoders read, any letter case), in byte order of their names;
// - COVERS/ STEGO/...: a study; the image files of the folders are matched
//   by name without extension (covers/0001.pgm with stego/0001.png).
// Every file without a partner, every name two files of one folder share,
// and every folder that cannot be listed or holds no image file becomes a
// failed pair naming it: nothing is left out silently.
#include <optional>
#include <span>
#include <string>
#include <vector>

struct ListedPair {
    std::string original;     // a file, or the folder that gave none for the pair
    std::string manipulated;  // a file, or the folder that gave none for the pair
    std::optional<std::string> error;  // set for a pair that cannot be compared
    // What the pair belongs to, for summaries per group: the stego folder of
    // a study, the folder beside one original that gave it, or a pairs
    // file's third column; empty otherwise.
    std::string group = {};
};

struct PairListing {
    std::vector<ListedPair> pairs;
    bool study = false;  // COVERS/ STEGO/... (each pair its own original)
    std::optional<std::string> usageError;  // the operands make no run
    std::optional<std::string> readError;   // a pairs file that cannot be read or holds no pair
};

// operands: the first names the original or the covers folder, at least
// one more follows.
PairListing ListPairs(std::span<const std::string> operands);

// The pairs of a CSV file of lines original,manipulated[,group] (a first
// line "original,manipulated[,group]" is a header), for any naming scheme;
// paths as written. A line of another shape is a failed pair naming the
// file and the line; a file that cannot be read, or holds no pair, sets
// readError.
PairListing ListPairsFromFile(const std::string& path);

// True when the path names a folder (following symbolic links).
bool IsFolder(const std::string& path);

// The MANIPULATED operands with folders expanded, each with the original.
std::vector<ListedPair> ExpandManipulated(const std::string& original, std::span<const std::string> operands);

// For each stego folder in argument order, one pair per name in byte order
// of the names. A folder that cannot be listed or holds no image file gives
// one failed pair (the covers folder: one per stego folder).
std::vector<ListedPair> PairStudyFolders(const std::string& coverFolder, std::span<const std::string> stegoFolders);
