#include "worker_count.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <thread>

namespace {

constexpr std::string_view kSpaces = " \t\r\n";

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(kSpaces);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

// A positive decimal number of at most 18 digits (so that sums of two do
// not overflow); nullopt for anything else.
std::optional<uint64_t> PositiveNumber(std::string_view text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value == 0) return std::nullopt;
    return value;
}

// quota / period rounded up, as a CPU count.
unsigned CpusOf(uint64_t quota, uint64_t period) {
    const uint64_t cpus = (quota + period - 1) / period;
    return static_cast<unsigned>(std::min<uint64_t>(cpus, std::numeric_limits<unsigned>::max()));
}

// cpu.max: "QUOTA PERIOD" or "max PERIOD".
std::optional<unsigned> CpuMaxLimit(std::string_view text) {
    text = Trimmed(text);
    const size_t gap = text.find_first_of(kSpaces);
    if (gap == std::string_view::npos) return std::nullopt;
    const std::string_view quotaText = text.substr(0, gap);
    const std::string_view periodText = Trimmed(text.substr(gap));
    const auto period = PositiveNumber(periodText);
    if (!period) return std::nullopt;
    if (quotaText == "max") return std::nullopt;
    const auto quota = PositiveNumber(quotaText);
    if (!quota) return std::nullopt;
    return CpusOf(*quota, *period);
}

std::optional<unsigned> CfsLimit(const CpuQuotaFiles::Cfs& cfs) {
    const auto quota = PositiveNumber(Trimmed(cfs.quota));  // -1: no quota
    const auto period = PositiveNumber(Trimmed(cfs.period));
    if (!quota || !period) return std::nullopt;
    return CpusOf(*quota, *period);
}

void KeepSmaller(std::optional<unsigned>& limit, std::optional<unsigned> other) {
    if (other && (!limit || *other < *limit)) limit = other;
}

// The contents of a small file (a cgroup or proc file), at most 64 KiB;
// nullopt when it cannot be read.
std::optional<std::string> SmallFile(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buffer[4096];
    bool ok = true;
    while (text.size() < 65536) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ok = false;
        if (got <= 0) break;
        text.append(buffer, static_cast<size_t>(got));
    }
    close(fd);
    if (!ok) return std::nullopt;
    return text;
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// The folders of the cgroup at `path` and of every cgroup above it, up to
// `mount`, the top of the hierarchy this process sees. A path the mount does
// not show (a container that sees only its own cgroup, or a path that leads
// out of it) leaves the mount alone.
std::vector<std::string> CgroupLevels(const std::string& mount, const std::optional<std::string>& path) {
    std::vector<std::string> levels;
    std::string p = path.value_or("/");
    const bool leavesMount = p.empty() || p.front() != '/' || p.find("/..") != std::string::npos;
    if (leavesMount || !Exists(mount + p)) p.assign(1, '/');
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    while (true) {
        levels.push_back(p == "/" ? mount : mount + p);
        if (p == "/") break;
        const size_t slash = p.rfind('/');
        p = slash == 0 ? "/" : p.substr(0, slash);
    }
    return levels;
}

CpuQuotaFiles ReadCpuQuotaFiles() {
    CpuQuotaFiles files;
    const std::string cgroups = SmallFile("/proc/self/cgroup").value_or("");
    // cgroup v2, alone at /sys/fs/cgroup or beside v1 at .../unified.
    for (const std::string mount : {"/sys/fs/cgroup", "/sys/fs/cgroup/unified"}) {
        if (!Exists(mount + "/cgroup.controllers")) continue;
        for (const std::string& level : CgroupLevels(mount, CgroupPathOf(cgroups, "")))
            if (auto text = SmallFile(level + "/cpu.max")) files.cpuMax.push_back(std::move(*text));
        break;
    }
    // cgroup v1's cpu controller, under the names distributions mount it.
    for (const std::string mount : {"/sys/fs/cgroup/cpu,cpuacct", "/sys/fs/cgroup/cpuacct,cpu", "/sys/fs/cgroup/cpu"}) {
        if (!Exists(mount + "/cpu.cfs_quota_us")) continue;
        for (const std::string& level : CgroupLevels(mount, CgroupPathOf(cgroups, "cpu"))) {
            auto quota = SmallFile(level + "/cpu.cfs_quota_us");
            auto period = SmallFile(level + "/cpu.cfs_period_us");
            if (quota && period) files.cfs.push_back({std::move(*quota), std::move(*period)});
        }
        break;
    }
    return files;
}

struct CpuSetFree {
    void operator()(cpu_set_t* set) const { CPU_FREE(set); }
};

}  // namespace

std::optional<unsigned> CpuQuotaLimit(const CpuQuotaFiles& files) {
    std::optional<unsigned> limit;
    for (const std::string& text : files.cpuMax) KeepSmaller(limit, CpuMaxLimit(text));
    for (const CpuQuotaFiles::Cfs& cfs : files.cfs) KeepSmaller(limit, CfsLimit(cfs));
    return limit;
}

unsigned WorkerCountFor(unsigned affinityCpus, const CpuQuotaFiles& files) {
    unsigned count = std::max(affinityCpus, 1u);
    if (const auto limit = CpuQuotaLimit(files)) count = std::min(count, *limit);
    return std::max(count, 1u);
}

std::optional<std::string> CgroupPathOf(std::string_view procSelfCgroup, std::string_view controller) {
    while (!procSelfCgroup.empty()) {
        const size_t end = procSelfCgroup.find('\n');
        const std::string_view line = procSelfCgroup.substr(0, end);
        procSelfCgroup = end == std::string_view::npos ? std::string_view{} : procSelfCgroup.substr(end + 1);
        // hierarchy-ID:controller-list:path
        const size_t first = line.find(':');
        if (first == std::string_view::npos) continue;
        const size_t second = line.find(':', first + 1);
        if (second == std::string_view::npos) continue;
        const std::string_view id = line.substr(0, first);
        std::string_view controllers = line.substr(first + 1, second - first - 1);
        const std::string path(line.substr(second + 1));
        if (controller.empty()) {
            if (id == "0" && controllers.empty()) return path;
            continue;
        }
        while (!controllers.empty()) {
            const size_t comma = controllers.find(',');
            if (controllers.substr(0, comma) == controller) return path;
            controllers = comma == std::string_view::npos ? std::string_view{} : controllers.substr(comma + 1);
        }
    }
    return std::nullopt;
}

unsigned AffinityCpuCount() {
    // A set for at least every configured CPU, larger while the kernel says
    // it is too small (EINVAL): its mask may be wider than the CPUs present.
    const long configured = sysconf(_SC_NPROCESSORS_CONF);
    for (long cpus = std::max(configured, 1024L); cpus <= (1L << 22); cpus *= 2) {
        const std::unique_ptr<cpu_set_t, CpuSetFree> set(CPU_ALLOC(static_cast<int>(cpus)));
        if (!set) return 0;
        const size_t size = CPU_ALLOC_SIZE(static_cast<int>(cpus));
        CPU_ZERO_S(size, set.get());
        if (sched_getaffinity(0, size, set.get()) == 0) return static_cast<unsigned>(CPU_COUNT_S(size, set.get()));
        if (errno != EINVAL) return 0;
    }
    return 0;
}

unsigned DefaultWorkerCount() {
    static const unsigned count = [] {
        unsigned affinity = AffinityCpuCount();
        if (affinity == 0) affinity = std::thread::hardware_concurrency();
        CpuQuotaFiles files;
        try {
            files = ReadCpuQuotaFiles();
        } catch (const std::bad_alloc&) {
            files = {};  // no memory for a few short strings: the mask alone decides
        }
        return WorkerCountFor(affinity, files);
    }();
    return count;
}
