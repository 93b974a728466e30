#include "storage/free_lists.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/alloc_faults.h"
#include "base/errors.h"

namespace tolmex {

FreeList numhead, imhead, var_garb, arr_garb, name_garb, fixgarb, polygarb, quolygarb, spargarb,
    colm_garb, colgarb, pt_garb, formhead, condhead;

void (*storage_exhausted_handler)() = nullptr;

void storage_exhausted() {
    if (storage_exhausted_handler) storage_exhausted_handler();
    fail(kErrOutOfMemory, " ");
}

int64_t FreeList::count(int64_t cap) const {
    if (counter) return counter(cap);
    int64_t n = 0;
    for (void* p = head; p && n < cap; p = link(p)) ++n;
    return n;
}

void FreeList::dump() const {
    if (!dumper) return;
    for (void* p = head; p; p = link(p)) dumper(p);
}

void* heap_record(FreeList& list, size_t bytes) {
    if (void* p = list.pop()) return p;
    void* p = checked_malloc(bytes < sizeof(void*) ? sizeof(void*) : bytes);
    if (!p) storage_exhausted();
    return p;
}

int64_t give_back_to_stash(Stash* stash, FreeList& list) {
    if (!stash) return 0;
    // The slug space of every block, sorted, for a binary search per record.
    std::vector<std::pair<const char*, const char*>> spans;
    for (void* b = stash->block_list; b; b = block_link(b))
        spans.emplace_back(block_slugs(b), block_slugs(b) + kBlockBytes);
    std::sort(spans.begin(), spans.end());
    auto owned = [&](const void* rec) {
        const char* p = static_cast<const char*>(rec);
        auto it = std::upper_bound(spans.begin(), spans.end(), std::make_pair(p, p),
                                   [](const auto& a, const auto& b) { return a.first < b.first; });
        return it != spans.begin() && p < std::prev(it)->second;
    };
    // From here on nothing asks for memory: every record is either given
    // back or kept, and the kept ones become the list again.
    FreeList kept;
    int64_t given = 0;
    while (void* rec = list.pop()) {
        if (owned(rec)) {
            free_slug(stash, rec);
            ++given;
        } else {
            kept.push(rec);
        }
    }
    list.head = kept.head;
    return given;
}

}  // namespace tolmex
