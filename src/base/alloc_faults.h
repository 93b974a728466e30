// Allocation failures on demand, for the tests of out-of-memory recovery.
//
// Every place that asks for memory (the stashes, the heap records, the work
// arrays, the number records and digit arrays, and operator new in a test
// binary that replaces it) first asks allocation_refused(). While the
// countdown is off (0) that costs one test of a global. Armed with n, the
// n-th checked allocation is refused as if the heap were exhausted; after it
// the countdown is off again, or, when the failure is sticky, every later
// allocation is refused too until the countdown is disarmed.
#pragma once

#include <cstdint>
#include <cstdlib>

namespace tolmex {

extern int64_t alloc_fault_countdown;
extern bool alloc_fault_sticky;

inline bool allocation_refused() noexcept {
    if (alloc_fault_countdown <= 0) [[likely]]
        return false;
    if (--alloc_fault_countdown > 0) return false;
    if (alloc_fault_sticky) alloc_fault_countdown = 1;
    return true;
}

// malloc, unless the allocation is refused (null then, as from malloc).
inline void* checked_malloc(size_t bytes) noexcept {
    return allocation_refused() ? nullptr : std::malloc(bytes);
}

// Refuses the n-th checked allocation from now on (and, if sticky, every
// one after it); 0 disarms.
inline void refuse_allocation(int64_t n, bool sticky = false) noexcept {
    alloc_fault_countdown = n;
    alloc_fault_sticky = sticky;
}

}  // namespace tolmex
