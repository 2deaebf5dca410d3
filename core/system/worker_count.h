#pragma once
// How many worker threads to use when none were asked for: one per CPU this
// process may run on (its affinity mask, as taskset or a batch system sets
// it), fewer where a cgroup CPU quota gives it less time than that.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The text of the cgroup files that may cap this process's CPU time, each
// file as read, from the process's own cgroup up to the top of its
// hierarchy. A file that could not be read is simply not there.
struct CpuQuotaFiles {
    // cgroup v2 cpu.max: "QUOTA PERIOD", or "max PERIOD" for no quota.
    std::vector<std::string> cpuMax;
    // cgroup v1 cpu.cfs_quota_us (-1 for no quota) and cpu.cfs_period_us
    // of one cgroup.
    struct Cfs {
        std::string quota;
        std::string period;
    };
    std::vector<Cfs> cfs;
};

// The CPUs' worth of time the tightest quota among the files allows, rounded
// up and at least 1; nullopt where none sets a quota. Contents that are not
// a quota and a period, both positive decimal numbers (a v1 quota may be
// -1), are ignored.
std::optional<unsigned> CpuQuotaLimit(const CpuQuotaFiles& files);

// The default worker count for a process that may run on `affinityCpus`
// CPUs (0 taken as 1) under the quotas of `files`: the smaller of the two,
// at least 1.
unsigned WorkerCountFor(unsigned affinityCpus, const CpuQuotaFiles& files);

// The cgroup path of this process in the hierarchy of `controller`, from the
// text of /proc/self/cgroup: "" names the cgroup v2 hierarchy (the line
// "0::PATH"), "cpu" the v1 hierarchy whose controller list holds cpu.
// nullopt when no line names it.
std::optional<std::string> CgroupPathOf(std::string_view procSelfCgroup, std::string_view controller);

// The CPUs in this process's affinity mask (sched_getaffinity, with a set
// sized for machines of any size); 0 when it cannot be asked.
unsigned AffinityCpuCount();

// WorkerCountFor this process's affinity mask and cgroup quota. Worked out
// on the first call and kept for the life of the process: later calls cost
// nothing, from any thread.
unsigned DefaultWorkerCount();
