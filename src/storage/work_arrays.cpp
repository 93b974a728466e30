#include "storage/work_arrays.h"

#include "base/alloc_faults.h"
#include "base/errors.h"
#include "base/resets.h"
#include "storage/free_lists.h"

namespace tolmex {

void* workhead[kWorkArrays] = {};
int first_available = 1;

void new_worknode(int& k, const char* ctx) {
    if (first_available > kWorkArrays) error(88, ctx);
    int s = first_available - 1;
    if (!workhead[s]) {
        workhead[s] = checked_malloc(kWorkArrayBytes);
        if (!workhead[s]) storage_exhausted();
    }
    first_available += 1;
    k = first_available - 1;
    if (k < 1 || k > kWorkArrays) tolmex_error("first available.", 0);
}

void enew_worknode(int& k, const char* ctx) { new_worknode(k, ctx); }

void free_work() {
    if (first_available > 1) first_available -= 1;
}

namespace {

void free_all_work(int) { first_available = 1; }

}  // namespace

void register_work_array_resets() { on_reset(ResetPoint::TopLevel, free_all_work); }

}  // namespace tolmex
