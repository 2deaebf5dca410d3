#pragma once
// The MANIPULATED operands of compare with folders expanded: a folder stands
// for the regular files directly inside it whose extension is "bmp" in any
// letter case, in byte order of their names.
#include <optional>
#include <span>
#include <string>
#include <vector>

struct PairInput {
    std::string path;                  // a file, or the folder that failed
    std::optional<std::string> error;  // set for a folder that gave no file
};

// True when the path names a folder (following symbolic links).
bool IsFolder(const std::string& path);

// Expands the operands in order. A name that is not a folder is kept as it
// is (the loader reports it if it cannot be read); a folder without a .bmp
// file, or one that cannot be listed, becomes one input with an error.
std::vector<PairInput> ExpandManipulated(std::span<const std::string> operands);
