#pragma once
// The .bmp files of the shared BMP corpus, sorted; empty when the corpus is
// not there (tests then skip, saying where they looked).
#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

inline std::vector<std::string> CorpusBmpFiles() {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(CITRA_BMPSUITE_DIR, ec))
        if (entry.is_regular_file() && entry.path().extension() == ".bmp") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}
