#pragma once
// Pairs of a study: a COVERS folder and one or more STEGO folders whose
// image files are matched by name without extension (covers/0001.pgm with
// stego/0001.png). Every file without a partner, and every name two files
// of one folder share, becomes a failed pair naming the files: nothing is
// left out silently.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "results.h"
#include "stream_compare.h"

struct StudyPair {
    std::string cover;  // a file, or the covers folder when it has none for the name
    std::string stego;  // a file, or the stego folder when it has none for the name
    std::optional<std::string> error;  // set for a pair that cannot be compared
};

// The image files directly inside a folder (IsImagePath of formats.h,
// any letter case). For each stego folder in argument order, one pair per
// name in byte order of the names. A folder that cannot be listed or holds
// no image file gives one failed pair (the covers folder: one per stego
// folder).
std::vector<StudyPair> PairStudyFolders(const std::string& coverFolder, std::span<const std::string> stegoFolders);

// The one place a study pair is compared: two .bmp files as the desktop
// program compares them (read side by side), any other pair of image files
// decoded by CompareDecodedPair with these options; a failed pair keeps
// its message.
PairResult CompareStudyPair(const StudyPair& pair, StreamBuffers& buffers, const StandardOptions& options = {});
