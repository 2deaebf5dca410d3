// Every input kept in fuzz/regressions/ (once a crash or a disagreement)
// goes through the checks of the three fuzz targets and must pass them now.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_checks.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> RegressionFiles() {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(CITRA_FUZZ_REGRESSIONS_DIR)) {
        if (entry.is_regular_file() && entry.path().filename() != "README.md") {
            names.push_back(entry.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class FuzzRegressionTest : public testing::TestWithParam<std::string> {
protected:
    std::vector<uint8_t> Bytes() const {
        std::ifstream in(fs::path(CITRA_FUZZ_REGRESSIONS_DIR) / GetParam(), std::ios::binary);
        EXPECT_TRUE(in) << "cannot read " << GetParam();
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

TEST_P(FuzzRegressionTest, LoadFailsCleanlyOrSucceeds) {
    const std::vector<uint8_t> bytes = Bytes();
    const auto fault = fuzz_checks::CheckLoad(bytes.data(), bytes.size());
    EXPECT_FALSE(fault) << *fault;
}

TEST_P(FuzzRegressionTest, StreamedCompareAgreesWithTheLoader) {
    const std::vector<uint8_t> bytes = Bytes();
    const auto fault = fuzz_checks::CheckStreamedCompare(bytes.data(), bytes.size());
    EXPECT_FALSE(fault) << *fault;
}

TEST_P(FuzzRegressionTest, ReadImageDecodesOrFailsNamingTheInput) {
    const std::vector<uint8_t> bytes = Bytes();
    const auto fault = fuzz_checks::CheckReadImage(bytes.data(), bytes.size());
    EXPECT_FALSE(fault) << *fault;
}

// The folder may hold nothing yet: no input has failed since it was last emptied.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzRegressionTest);

INSTANTIATE_TEST_SUITE_P(Kept, FuzzRegressionTest, testing::ValuesIn(RegressionFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

}  // namespace
