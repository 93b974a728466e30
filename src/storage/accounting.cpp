#include "storage/accounting.h"

#include <sys/resource.h>
#include <sys/sysinfo.h>

#include <algorithm>
#include <cstdio>

#include "storage/free_lists.h"
#include "storage/stash.h"
#include "storage/work_arrays.h"

namespace tolmex {

uint64_t totalavailablememory = 0;
uint64_t initial_memory = 0;
uint64_t virtual_cut = 0;
int64_t size_data_strucs = 0;
int64_t (*gcd_cache_mass)() = nullptr;
int diskstore = 0;

uint64_t heap_array_bytes = 0;

uint64_t memavail() {
    const Stash* pools[] = {polystash, quolystash, numstash, imagstash, colmstash};
    uint64_t used = heap_array_bytes;
    if (used >= totalavailablememory) return 0;
    for (const Stash* s : pools) {
        if (!s || s->slugs_used <= 0) continue;
        used += static_cast<uint64_t>(s->slug_size) * static_cast<uint64_t>(s->slugs_used);
        if (used >= totalavailablememory) return 0;
    }
    return totalavailablememory - used;
}

uint64_t memory_ceiling() {
    uint64_t ceiling = UINT64_MAX;
    for (int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        struct rlimit rl;
        if (getrlimit(resource, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY)
            ceiling = std::min<uint64_t>(ceiling, rl.rlim_cur);
    }
    struct sysinfo si;
    if (sysinfo(&si) == 0 && si.mem_unit > 0) {
        const uint64_t machine = (static_cast<uint64_t>(si.totalram) + si.totalswap) * si.mem_unit;
        if (machine > 0) ceiling = std::min(ceiling, machine);
    }
    return ceiling;
}

void require_memory(double bytes) {
    // Below a megabyte there is nothing to decide (and no system call).
    if (bytes < 1048576.0) return;
    if (bytes > static_cast<double>(memory_ceiling())) storage_exhausted();
}

// Bytes on the four hot lists.
int64_t garbsize() {
    return 8 * numhead.count() + 20 * imhead.count() + 16 * polygarb.count() +
           20 * quolygarb.count();
}

void garbage(int mode) {
    const bool details = mode == 'G';
    int64_t total = 0;
    auto line = [&](const FreeList& l, int weight, const char* fmt, bool always, bool with_w,
                    int shown_weight) {
        if (details) l.dump();
        int64_t n = l.count();
        total += n * weight;
        if (n == 0 && !always) return;
        if (with_w)
            std::printf(fmt, static_cast<int>(n), shown_weight);
        else
            std::printf(fmt, static_cast<int>(n));
    };
    line(numhead, 8, "num count: %5d, %d\n", true, true, 8);
    line(imhead, 20, "im count: %5d, %d\n", true, true, 20);
    std::fflush(stdout);
    line(var_garb, 28, "var count: %5d\n", false, false, 0);
    line(arr_garb, 68, "array count: %5d, %d\n", false, true, 68);
    line(name_garb, 40, "name count: %5d\n", false, false, 0);
    line(fixgarb, 16, "fix count: %5d\n", false, false, 0);
    line(polygarb, 16, "poly count: %5d, %d\n", true, true, 16);
    line(quolygarb, 20, "quoly count: %5d, %d\n", true, true, 20);
    line(spargarb, 8197, "sparse count: %5d, %d\n", false, true, 2048);
    line(colm_garb, 12, "colm count: %5d\n", false, false, 0);
    line(colgarb, 16, "matrix col count: %5d\n", false, false, 0);
    line(pt_garb, 64, "poly pointer count: %5d\n", false, false, 0);
    line(formhead, 12, "form node count: %5d\n", false, false, 0);
    line(condhead, 24, "cond expr count: %5d\n", false, false, 0);
    int works = 0;
    while (works < kWorkArrays && workhead[works]) ++works;
    if (works) std::printf("work arrays: %5d, %d\n", works, kWorkArrayBytes);
    total += static_cast<int64_t>(works) * kWorkArrayBytes;
    std::printf("total garbage: %9lld\n", static_cast<long long>(total));
    int64_t sys = size_data_strucs + (gcd_cache_mass ? gcd_cache_mass() : 0);
    std::printf("system data size: %9lld\n", static_cast<long long>(sys));
    std::printf("total size: %9lld\n", static_cast<long long>(sys + total));
    std::fflush(stdout);
}

}  // namespace tolmex
