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

// The .png files of the PNG suite kept in tests/data/pngsuite, sorted: those
// whose name starts with x are broken on purpose (broken == true), the rest
// are pictures every decoder must read.
inline std::vector<std::string> PngSuiteFiles(bool broken) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(CITRA_PNGSUITE_DIR, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file() && entry.path().extension() == ".png" && (name[0] == 'x') == broken)
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}
