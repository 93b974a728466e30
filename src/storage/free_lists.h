// Per-type free lists.
//
// Every pooled or heap record type has one global list head. A record on a
// free list links to the next through its first word; every record type
// therefore keeps its link field first. Freeing a chain splices it onto the
// list in one step: the chain's last record links to the old head.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "storage/stash.h"

namespace tolmex {

struct FreeList {
    void* head = nullptr;
    // Lists whose entries are not one record each (the digit store counts
    // free digits, not blocks) supply their own counter.
    int64_t (*counter)(int64_t cap) = nullptr;
    // Prints one entry for the detailed storage report (mode 'G').
    void (*dumper)(const void* entry) = nullptr;

    static void*& link(void* rec) { return *static_cast<void**>(rec); }

    void push(void* rec) {
        link(rec) = head;
        head = rec;
    }
    void* pop() {
        void* rec = head;
        if (rec) head = link(rec);
        return rec;
    }
    // Splices the chain first..last (linked through first words) in front.
    void splice(void* first, void* last) {
        link(last) = head;
        head = first;
    }
    // Entries on the list, counting from 1 at the head and stopping at cap.
    int64_t count(int64_t cap = std::numeric_limits<int64_t>::max()) const;
    void dump() const;
};

// The fourteen lists of the storage report.
extern FreeList numhead;    // digits of big integers
extern FreeList imhead;     // number records
extern FreeList var_garb;   // scalar variable records
extern FreeList arr_garb;   // array records
extern FreeList name_garb;  // token nodes
extern FreeList fixgarb;    // undo records of ring changes
extern FreeList polygarb;   // polynodes
extern FreeList quolygarb;  // quoly records
extern FreeList spargarb;   // sparse matrix records
extern FreeList colm_garb;  // sparse matrix entry nodes
extern FreeList colgarb;    // matrix column records
extern FreeList pt_garb;    // polynomial variable records
extern FreeList formhead;   // compiled statement nodes
extern FreeList condhead;   // compiled condition nodes

// Ends the command with error 375 ("Out of memory."): a pool could not be
// refilled, the heap refused a record or an array, or a result is known to
// exceed memory. Every caller has changed nothing yet, so the pools are
// consistent while the error unwinds. The handler, when installed (the
// command driver supplies the offending symbol), raises the error itself;
// it must not return.
extern void (*storage_exhausted_handler)();
[[noreturn]] void storage_exhausted();

// Gives the records on `list` that are slugs of `stash` back to the stash
// (its slugs_used drops by their number) and returns how many went back.
// Records that came from the heap stay on the list.
int64_t give_back_to_stash(Stash* stash, FreeList& list);

// A record from the type's free list, else a slug of its stash.
template <class T>
T* pool_alloc(FreeList& list, Stash* stash) {
    if (void* p = list.pop()) return static_cast<T*>(p);
    void* s = get_slug(stash);
    if (!s) storage_exhausted();
    return static_cast<T*>(s);
}

// A record from the type's free list, else one heap allocation.
void* heap_record(FreeList& list, size_t bytes);
template <class T>
T* heap_alloc(FreeList& list) {
    return static_cast<T*>(heap_record(list, sizeof(T)));
}

}  // namespace tolmex
