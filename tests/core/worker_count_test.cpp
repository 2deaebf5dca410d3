// The default worker count: the arithmetic from the CPUs a process may use
// and its cgroup quota files, the reading of /proc/self/cgroup, and the count
// a real process works out under a narrowed affinity mask.
#include <gtest/gtest.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "worker_count.h"

extern char** environ;

namespace {

// ---- the arithmetic -------------------------------------------------------

struct CountCase {
    const char* label;
    unsigned affinity;
    std::vector<std::string> cpuMax;
    std::vector<CpuQuotaFiles::Cfs> cfs;
    unsigned want;
};

void PrintTo(const CountCase& c, std::ostream* os) { *os << c.label; }

class WorkerCountForCase : public testing::TestWithParam<CountCase> {};

TEST_P(WorkerCountForCase, FollowsTheMaskAndTheTightestQuota) {
    const CountCase& c = GetParam();
    EXPECT_EQ(WorkerCountFor(c.affinity, CpuQuotaFiles{c.cpuMax, c.cfs}), c.want);
}

INSTANTIATE_TEST_SUITE_P(
    Quotas, WorkerCountForCase,
    testing::Values(
        CountCase{"NoFiles", 8, {}, {}, 8},
        CountCase{"OneCpuMask", 1, {}, {}, 1},
        CountCase{"MaskUnknownIsOne", 0, {}, {}, 1},
        CountCase{"V2NoQuota", 8, {"max 100000\n"}, {}, 8},
        CountCase{"V2OneAndAHalfRoundsUp", 8, {"150000 100000\n"}, {}, 2},
        CountCase{"V2HalfIsOne", 8, {"50000 100000\n"}, {}, 1},
        CountCase{"V2TinyIsOne", 8, {"1000 100000\n"}, {}, 1},
        CountCase{"V2Exact", 8, {"300000 100000\n"}, {}, 3},
        CountCase{"V2OtherPeriod", 8, {"250000 50000\n"}, {}, 5},
        CountCase{"V2AboveMaskKeepsMask", 2, {"400000 100000\n"}, {}, 2},
        CountCase{"V2HugeQuotaKeepsMask", 8, {"999999999999999999 1\n"}, {}, 8},
        CountCase{"V2NoTrailingNewline", 8, {"150000 100000"}, {}, 2},
        CountCase{"V2TabBetween", 8, {"150000\t100000\n"}, {}, 2},
        CountCase{"V2TightestLevelWins", 8, {"max 100000\n", "300000 100000\n", "200000 100000\n"}, {}, 2},
        CountCase{"V2QuotaOnParentOnly", 8, {"max 100000\n", "100000 100000\n"}, {}, 1},
        CountCase{"V1NoQuota", 8, {}, {{"-1\n", "100000\n"}}, 8},
        CountCase{"V1OneAndAHalfRoundsUp", 8, {}, {{"150000\n", "100000\n"}}, 2},
        CountCase{"V1HalfIsOne", 8, {}, {{"50000\n", "100000\n"}}, 1},
        CountCase{"V1Exact", 8, {}, {{"400000\n", "100000\n"}}, 4},
        CountCase{"V1TightestLevelWins", 8, {}, {{"-1\n", "100000\n"}, {"250000\n", "100000\n"}}, 3},
        CountCase{"V1AndV2TightestWins", 8, {"300000 100000\n"}, {{"150000\n", "100000\n"}}, 2},
        CountCase{"QuotaWithUnknownMask", 0, {"300000 100000\n"}, {}, 1}),
    [](const testing::TestParamInfo<CountCase>& info) { return std::string(info.param.label); });

// Contents that are not a quota and a period leave the mask alone.
INSTANTIATE_TEST_SUITE_P(
    MalformedIgnored, WorkerCountForCase,
    testing::Values(
        CountCase{"V2Empty", 8, {""}, {}, 8},
        CountCase{"V2Blank", 8, {" \n"}, {}, 8},
        CountCase{"V2Words", 8, {"abc def\n"}, {}, 8},
        CountCase{"V2QuotaOnly", 8, {"150000\n"}, {}, 8},
        CountCase{"V2MaxOnly", 8, {"max\n"}, {}, 8},
        CountCase{"V2MaxBadPeriod", 8, {"max abc\n"}, {}, 8},
        CountCase{"V2ThreeFields", 8, {"150000 100000 7\n"}, {}, 8},
        CountCase{"V2ZeroQuota", 8, {"0 100000\n"}, {}, 8},
        CountCase{"V2NegativeQuota", 8, {"-1 100000\n"}, {}, 8},
        CountCase{"V2ZeroPeriod", 8, {"150000 0\n"}, {}, 8},
        CountCase{"V2Fraction", 8, {"1.5 100000\n"}, {}, 8},
        CountCase{"V2SignedQuota", 8, {"+150000 100000\n"}, {}, 8},
        CountCase{"V2TooManyDigits", 8, {"1000000000000000000000 100000\n"}, {}, 8},
        CountCase{"V2MalformedBesideValid", 8, {"garbage\n", "150000 100000\n"}, {}, 2},
        CountCase{"V1Words", 8, {}, {{"abc\n", "100000\n"}}, 8},
        CountCase{"V1EmptyPeriod", 8, {}, {{"150000\n", ""}}, 8},
        CountCase{"V1ZeroPeriod", 8, {}, {{"150000\n", "0\n"}}, 8},
        CountCase{"V1ZeroQuota", 8, {}, {{"0\n", "100000\n"}}, 8},
        CountCase{"V1TwoNumbers", 8, {}, {{"150000 1\n", "100000\n"}}, 8}),
    [](const testing::TestParamInfo<CountCase>& info) { return std::string(info.param.label); });

TEST(CpuQuotaLimit, NoneWithoutAQuota) {
    EXPECT_EQ(CpuQuotaLimit({}), std::nullopt);
    EXPECT_EQ(CpuQuotaLimit({{"max 100000\n"}, {{"-1\n", "100000\n"}}}), std::nullopt);
    EXPECT_EQ(CpuQuotaLimit({{"350000 100000\n"}, {}}), std::optional<unsigned>(4));
}

// ---- /proc/self/cgroup ----------------------------------------------------

struct PathCase {
    const char* label;
    const char* procSelfCgroup;
    const char* controller;
    std::optional<std::string> want;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.label; }

class CgroupPathCase : public testing::TestWithParam<PathCase> {};

TEST_P(CgroupPathCase, NamesTheLineOfTheHierarchy) {
    const PathCase& c = GetParam();
    EXPECT_EQ(CgroupPathOf(c.procSelfCgroup, c.controller), c.want);
}

constexpr const char* kHybrid =
    "9:name=systemd:/user.slice\n"
    "4:memory:/batch/job7\n"
    "3:cpuset:/elsewhere\n"
    "2:cpuacct,cpu:/batch/job7/step0\n"
    "0::/unified/path\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, CgroupPathCase,
    testing::Values(PathCase{"V2Only", "0::/user.slice/session-2.scope\n", "", "/user.slice/session-2.scope"},
                    PathCase{"V2Root", "0::/\n", "", "/"},
                    PathCase{"V2HasNoCpuLine", "0::/a\n", "cpu", std::nullopt},
                    PathCase{"HybridV2Line", kHybrid, "", "/unified/path"},
                    PathCase{"CpuInAListNotCpuset", kHybrid, "cpu", "/batch/job7/step0"},
                    PathCase{"CpuAlone", "3:cpuset:/x\n1:cpu:/y\n", "cpu", "/y"},
                    PathCase{"CpuFirstInList", "5:cpu,cpuacct:/docker/abc", "cpu", "/docker/abc"},
                    PathCase{"OnlyCpuset", "3:cpuset:/x\n", "cpu", std::nullopt},
                    PathCase{"V1OnlyHasNoV2Line", "1:cpu:/y\n", "", std::nullopt},
                    PathCase{"PathWithColon", "0::/a:b\n", "", "/a:b"},
                    PathCase{"Garbage", "nothing here\n\n:", "", std::nullopt},
                    PathCase{"Empty", "", "cpu", std::nullopt}),
    [](const testing::TestParamInfo<PathCase>& info) { return std::string(info.param.label); });

// ---- a real process under a narrowed mask ---------------------------------

// Set in the environment of this test program started by the tests below:
// before any test runs it writes "AFFINITY DEFAULT" (AffinityCpuCount and
// DefaultWorkerCount) to the file named here and ends.
constexpr const char* kProbeVariable = "CITRA_WORKER_COUNT_PROBE";

[[maybe_unused]] const bool kProbeRan = [] {
    const char* report = std::getenv(kProbeVariable);
    if (report == nullptr) return false;
    FILE* out = std::fopen(report, "w");
    bool ok = out != nullptr && std::fprintf(out, "%u %u\n", AffinityCpuCount(), DefaultWorkerCount()) > 0;
    if (out != nullptr) ok = std::fclose(out) == 0 && ok;
    std::_Exit(ok ? 0 : 1);
}();

struct CpuSetFree {
    void operator()(cpu_set_t* set) const { CPU_FREE(set); }
};

struct Mask {
    std::unique_ptr<cpu_set_t, CpuSetFree> set;
    size_t size = 0;
};

// This thread's affinity mask; an empty set when it cannot be had.
Mask ThreadMask() {
    for (int cpus = 1024; cpus <= (1 << 22); cpus *= 2) {
        Mask mask{std::unique_ptr<cpu_set_t, CpuSetFree>(CPU_ALLOC(cpus)), CPU_ALLOC_SIZE(cpus)};
        if (!mask.set) return {};
        CPU_ZERO_S(mask.size, mask.set.get());
        if (sched_getaffinity(0, mask.size, mask.set.get()) == 0) return mask;
        if (errno != EINVAL) return {};
    }
    return {};
}

struct ProbeResult {
    bool ran = false;
    unsigned affinity = 0;
    unsigned workers = 0;
};

// Starts this program as the probe with its thread narrowed to `cpus` (a
// child inherits the mask of the thread that starts it), then puts the
// thread's mask back.
ProbeResult ProbeUnder(const Mask& whole, const std::vector<int>& cpus, const ScratchDir& dir) {
    Mask narrow{std::unique_ptr<cpu_set_t, CpuSetFree>(CPU_ALLOC(static_cast<int>(8 * whole.size))), whole.size};
    if (!narrow.set) return {};
    CPU_ZERO_S(narrow.size, narrow.set.get());
    for (const int cpu : cpus) CPU_SET_S(static_cast<size_t>(cpu), narrow.size, narrow.set.get());

    const std::string report = dir.Path("probe.txt");
    std::vector<std::string> envStrings{std::string(kProbeVariable) + "=" + report};
    for (char** e = environ; *e != nullptr; ++e)
        if (std::strncmp(*e, kProbeVariable, std::strlen(kProbeVariable)) != 0) envStrings.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = "/proc/self/exe";
    char* argv[] = {program.data(), nullptr};

    if (sched_setaffinity(0, narrow.size, narrow.set.get()) != 0) return {};
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data());
    const bool restored = sched_setaffinity(0, whole.size, whole.set.get()) == 0;
    EXPECT_TRUE(restored) << "this thread's mask could not be put back";
    if (spawned != 0) return {};
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ProbeResult result;
    std::ifstream in(report);
    const bool exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.ran = exited && static_cast<bool>(in >> result.affinity >> result.workers);
    return result;
}

class DefaultWorkerCountUnderMask : public testing::TestWithParam<int> {};

// A process allowed N of this machine's CPUs counts N of them, and uses N
// workers unless a quota allows fewer (the quota is the same for the child
// as for this process, which counts min(its mask, quota)).
TEST_P(DefaultWorkerCountUnderMask, FollowsTheCpusTheProcessMayUse) {
    const int wanted = GetParam();
    const Mask whole = ThreadMask();
    ASSERT_TRUE(whole.set) << "sched_getaffinity failed";
    std::vector<int> cpus;
    for (size_t cpu = 0; cpu < 8 * whole.size && static_cast<int>(cpus.size()) < wanted; ++cpu)
        if (CPU_ISSET_S(cpu, whole.size, whole.set.get())) cpus.push_back(static_cast<int>(cpu));
    const unsigned here = DefaultWorkerCount();
    if (static_cast<int>(cpus.size()) < wanted)
        GTEST_SKIP() << "this process may run on " << cpus.size() << " CPU(s); the test needs " << wanted;
    if (wanted == 1 && here < 2)
        GTEST_SKIP() << "this process counts one worker already (a quota of one CPU): one CPU cannot lower it";
    ScratchDir dir;
    const ProbeResult probe = ProbeUnder(whole, cpus, dir);
    ASSERT_TRUE(probe.ran) << "the probe process did not report";
    EXPECT_EQ(probe.affinity, static_cast<unsigned>(wanted));
    EXPECT_EQ(probe.workers, std::min(static_cast<unsigned>(wanted), here));
    EXPECT_GE(probe.workers, 1u);
}

INSTANTIATE_TEST_SUITE_P(Cpus, DefaultWorkerCountUnderMask, testing::Values(1, 2),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "Cpus"; });

// This process counts the CPUs of its own mask, and no more workers.
TEST(DefaultWorkerCount, IsTheMaskOrLessAndStable) {
    const Mask whole = ThreadMask();
    ASSERT_TRUE(whole.set);
    const auto inMask = static_cast<unsigned>(CPU_COUNT_S(whole.size, whole.set.get()));
    EXPECT_EQ(AffinityCpuCount(), inMask);
    const unsigned count = DefaultWorkerCount();
    EXPECT_GE(count, 1u);
    EXPECT_LE(count, inMask);
    EXPECT_EQ(DefaultWorkerCount(), count);
}

}  // namespace
