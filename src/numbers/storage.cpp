// Number records and digit arrays: pooled and recycled; only arrays of a
// megabyte and more go back to the heap.
#include "numbers/storage.h"

#include <cstdlib>

#include "base/alloc_faults.h"
#include "storage/accounting.h"
#include "storage/free_lists.h"
#include "storage/stash.h"

namespace tolmex {

namespace numstore {

namespace {

// One free list per size class, linked through the first word of a free
// array, and the number of arrays parked on each.
void* class_head[kClasses];
int64_t class_free[kClasses];

// Classes carved from numstash slugs: arrays of 16, 32 and 64 bytes.
constexpr int kSlugClasses = 3;
static_assert(class_capacity(kSlugClasses - 1) * sizeof(Digit) == kDigitSlugBytes);
// Arrays of this class (1 MiB) and larger are given back to the heap when
// freed: parked, they would hold memory that only their own class can use.
constexpr int kReturnedClasses = 16;
static_assert(class_capacity(kReturnedClasses) * sizeof(Digit) == 1 << 20);

size_t class_bytes(int c) { return static_cast<size_t>(class_capacity(c)) * sizeof(Digit); }

void*& link_of(void* p) { return *static_cast<void**>(p); }

void push_array(void* p, int c) {
    link_of(p) = class_head[c];
    class_head[c] = p;
    class_free[c] += 1;
}

void* raw_slug(Stash* stash, size_t bytes) {
    // The pools are opened at start-up; code that runs before (or without)
    // them gets heap memory of the same size.
    void* p = stash ? get_slug(stash) : checked_malloc(bytes);
    if (!p) storage_exhausted();
    return p;
}

}  // namespace

int class_for(int64_t n) {
    if (n <= 2) return -1;
    if (n > kMaxDigits) storage_exhausted();
    int c = 0;
    while (class_capacity(c) < n) ++c;
    return c;
}

Digit* alloc_array(int c) {
    if (allocation_refused()) storage_exhausted();
    if (void* p = class_head[c]) {
        class_head[c] = link_of(p);
        class_free[c] -= 1;
        return static_cast<Digit*>(p);
    }
    const size_t bytes = class_bytes(c);
    if (c < kSlugClasses) {
        char* slug = static_cast<char*>(raw_slug(numstash, kDigitSlugBytes));
        // The rest of the slug goes onto the class list.
        for (size_t off = bytes; off + bytes <= kDigitSlugBytes; off += bytes)
            push_array(slug + off, c);
        return reinterpret_cast<Digit*>(slug);
    }
    void* p = checked_malloc(bytes);
    if (!p) storage_exhausted();
    heap_array_bytes += bytes;
    return static_cast<Digit*>(p);
}

void free_array(Digit* p, int c) noexcept {
    if (c < kReturnedClasses) {
        push_array(p, c);
        return;
    }
    heap_array_bytes -= class_bytes(c);
    std::free(p);
}

NumRec* new_record() {
    if (allocation_refused()) storage_exhausted();
    NumRec* r;
    if (void* p = imhead.pop())
        r = static_cast<NumRec*>(p);
    else
        r = static_cast<NumRec*>(raw_slug(imagstash, sizeof(NumRec)));
    r->len = 0;
    r->cls = -1;
    r->kept = 0;
    r->lint = 0;
    return r;
}

void free_record(NumRec* r) noexcept {
    if (r->cls >= 0) free_array(r->st.ptr, r->cls);
    imhead.push(r);
}

Digit* reserve_fresh(NumRec* r, int64_t n) {
    if (n <= capacity_of(r)) return digits_of(r);
    int c = class_for(n);
    Digit* p = alloc_array(c);
    if (r->cls >= 0) free_array(r->st.ptr, r->cls);
    r->st.ptr = p;
    r->cls = static_cast<int16_t>(c);
    return p;
}

void release_digits(NumRec* r) noexcept {
    if (r->cls < 0) return;
    if (r->len <= 2) {
        Digit d0 = r->len > 0 ? r->st.ptr[0] : 0, d1 = r->len > 1 ? r->st.ptr[1] : 0;
        free_array(r->st.ptr, r->cls);
        r->cls = -1;
        r->st.in[0] = d0;
        r->st.in[1] = d1;
    }
}

void assign_digits(Number& x, const Digit* src, int64_t n) {
    n = normal_length(src, n);
    NumRec* r = ensure(x);
    Digit* d = reserve_fresh(r, n);
    if (d != src) std::memmove(d, src, static_cast<size_t>(n) * sizeof(Digit));
    r->len = static_cast<int32_t>(n);
}

int64_t free_digit_slots(int64_t cap) {
    int64_t total = 0;
    for (int c = 0; c < kClasses && total < cap; ++c) total += class_free[c] * class_capacity(c);
    return total < cap ? total : cap;
}

}  // namespace numstore

void Number::reset() noexcept {
    if (rec_) {
        numstore::free_record(rec_);
        rec_ = nullptr;
    }
}

}  // namespace tolmex
