#pragma once
// A file a run writes (-o, --plot, --summary=FILE) that is also one of the
// files it reads would be replaced by what was computed from it: such a run
// is refused before any work.
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "options.h"
#include "pair_list.h"

// The files the options say the run writes.
std::vector<std::string> OutputFiles(const Options& options);

// The files a run reads: its operands, every file of its pairs (those found
// in folders too) and the pairs file.
std::vector<std::string> InputFiles(const Options& options, const PairListing* listing);

struct OutputInput {
    std::string output;
    std::string input;  // as the run names it: the same file by another name (a link) too
};

// The first output that is one of the inputs: the same file (device and
// inode, so also through a symbolic or hard link) or, for an output that
// does not exist yet, the same name in the same folder.
std::optional<OutputInput> OutputAmongInputs(std::span<const std::string> outputs,
                                             std::span<const std::string> inputs);

// Says on `err` when an output of the run is one of its inputs; true then,
// and the run is to end with status 1 before doing anything. `listing`:
// the pairs of compare, measure and report (null for the other commands).
bool RefuseOutputAmongInputs(const Options& options, const PairListing* listing, std::ostream& err);
