// RunPairs when threads cannot be started: the original's loader is loaded
// on the calling thread, the workers started share the pairs, and with no
// worker at all the calling thread computes them; the results are those of
// a run with every thread.
#include <gtest/gtest.h>

#include <bit>
#include <ostream>
#include <string>
#include <vector>

#include "../core/bmp_builder.h"
#include "../core/failing_thread_starts.h"
#include "../core/scratch_dir.h"
#include "pair_runner.h"

namespace {

struct FailCase {
    unsigned jobs;
    int failAt;  // the start that fails, from 1; start 1 is the original's loader
    bool andLater;
    // Starts tried: the loader's failure leaves the workers to be tried;
    // no worker is tried after one that failed.
    int starts;
};

void PrintTo(const FailCase& c, std::ostream* os) {
    *os << c.jobs << " jobs, start " << c.failAt << (c.andLater ? " and later" : " only") << " failing";
}

std::vector<PairResult> RunAllPairs(const std::string& original, const std::vector<std::string>& paths, unsigned jobs) {
    PairListing listing;
    for (const std::string& path : paths) listing.pairs.push_back({original, path, std::nullopt});
    PairRunSettings settings;
    settings.jobs = jobs;
    std::vector<PairResult> results;
    EXPECT_EQ(RunPairs(listing, settings, {[&](const PairResult& r) { results.push_back(r); }, nullptr}),
              PairRunEnd::Completed);
    return results;
}

class PairRunnerThreadFailure : public testing::TestWithParam<FailCase> {};

TEST_P(PairRunnerThreadFailure, GivesTheResultsOfARunWithEveryThread) {
    const FailCase c = GetParam();
    ScratchDir dir;
    auto file = [&](const std::string& name, uint8_t seed) {
        bmp_builder::BmpSpec spec{.width = 7, .height = 5};
        spec.pixels = bmp_builder::PatternBytes(bmp_builder::RasterBytes(spec), seed);
        return dir.Write(name, bmp_builder::BuildBmp(spec));
    };
    const std::string original = file("a.bmp", 1);
    std::vector<std::string> manipulated;
    for (uint8_t i = 0; i < 6; ++i) {
        std::string name = "m";
        name += std::to_string(i);
        name += ".bmp";
        manipulated.push_back(file(name, static_cast<uint8_t>(2 + i)));
    }
    manipulated.push_back(dir.Path("missing.bmp"));
    const std::vector<PairResult> want = RunAllPairs(original, manipulated, 1);

    FailingThreadStarts failing(c.failAt, c.andLater);
    const std::vector<PairResult> got = RunAllPairs(original, manipulated, c.jobs);
    EXPECT_EQ(failing.Starts(), c.starts);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(manipulated[i]);
        EXPECT_EQ(got[i].manipulated, want[i].manipulated);
        EXPECT_EQ(got[i].error, want[i].error);
        EXPECT_EQ(std::bit_cast<uint64_t>(got[i].metrics.MSE), std::bit_cast<uint64_t>(want[i].metrics.MSE));
        EXPECT_EQ(std::bit_cast<uint64_t>(got[i].metrics.PSNR), std::bit_cast<uint64_t>(want[i].metrics.PSNR));
    }
}

INSTANTIATE_TEST_SUITE_P(FailAtStart, PairRunnerThreadFailure,
                         testing::Values(FailCase{1, 1, true, 2}, FailCase{1, 2, true, 2}, FailCase{3, 1, false, 4},
                                         FailCase{3, 1, true, 2}, FailCase{3, 2, true, 2}, FailCase{3, 3, true, 3},
                                         FailCase{3, 4, true, 4}, FailCase{4, 3, false, 3}));

}  // namespace
