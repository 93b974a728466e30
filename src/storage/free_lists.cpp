#include "storage/free_lists.h"

#include <cstdlib>
#include <new>

namespace tolmex {

FreeList numhead, imhead, var_garb, arr_garb, name_garb, fixgarb, polygarb, quolygarb, spargarb,
    colm_garb, colgarb, pt_garb, formhead, condhead;

void (*storage_exhausted_handler)() = nullptr;

void storage_exhausted() {
    if (storage_exhausted_handler) storage_exhausted_handler();
    throw std::bad_alloc();
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
    void* p = std::malloc(bytes < sizeof(void*) ? sizeof(void*) : bytes);
    if (!p) storage_exhausted();
    return p;
}

}  // namespace tolmex
