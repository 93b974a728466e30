#include "matrix/array_store.h"

#include <cstring>
#include <memory>
#include <vector>

#include "base/errors.h"
#include "numbers/modular_state.h"
#include "storage/free_lists.h"
#include "storage/stash.h"

namespace tolmex {

ArrayRec* arr_store[kArrBuckets];
int32_t endarr = 0;
int32_t numblocks = 0;
int32_t array_time = 1;
int new_array = 0;

namespace {

std::vector<ArrayRec*> hidden_arrays;

// arp[k] holds store indices k * 1024 .. k * 1024 + 1023 (index 0 unused).
std::vector<std::unique_ptr<QuolyRec*[]>> arp;

QuolyRec*& store_at(int64_t index) { return arp[index >> 10][index & (kStoreBlock - 1)]; }

void grow_store(int64_t last) {
    while (static_cast<int64_t>(numblocks) * kStoreBlock <= last) {
        arp.push_back(std::make_unique<QuolyRec*[]>(kStoreBlock));
        ++numblocks;
    }
}

int bucket_of(const char* name) {
    int32_t h = 0;
    for (const char* p = name; *p; ++p)
        h = static_cast<int32_t>((static_cast<int64_t>(h) * 123 + static_cast<unsigned char>(*p)) %
                                 kArrBuckets);
    return h;
}

ArrayRec* new_record(const char* name) {
    auto* a = heap_alloc<ArrayRec>(arr_garb);
    std::memset(a, 0, sizeof *a);
    std::strncpy(a->name, name, kArrNameText - 1);
    a->hash = static_cast<uint16_t>(bucket_of(a->name));
    return a;
}

void push_record(ArrayRec* a) {
    a->chain = arr_store[a->hash];
    arr_store[a->hash] = a;
}

void check_dimensions(int64_t rows, int64_t cols) {
    if (rows < 1 || cols < 1) error(27, "[");
    if (rows > INT32_MAX || cols > INT32_MAX) error(43, "[");
}

ColmRec* new_colm(int64_t column, QuolyRec* v, ColmRec* next) {
    auto* c = pool_alloc<ColmRec>(colm_garb, colmstash);
    c->column = static_cast<int32_t>(column);
    c->entry = v;
    c->next = next;
    return c;
}

void free_colm(ColmRec* c) noexcept {
    free_quoly(c->entry);
    colm_garb.push(c);
}

// Moves the dense entries above a's stretch down over it and lowers the
// base and end of every later dense array by a's size.
void close_gap(const ArrayRec* a) {
    const int64_t size = a->end - a->base + 1;
    for (int64_t k = a->end + 1; k <= endarr; ++k) store_at(k - size) = store_at(k);
    for (int64_t k = endarr - size + 1; k <= endarr; ++k) store_at(k) = nullptr;
    endarr -= static_cast<int32_t>(size);
    const int32_t serial = a->serial < 0 ? -a->serial : a->serial;
    auto shift = [&](ArrayRec* b) {
        if (b == a || b->is_sparse()) return;
        const int32_t s = b->serial < 0 ? -b->serial : b->serial;
        if (s > serial) {
            b->base -= static_cast<int32_t>(size);
            b->end -= static_cast<int32_t>(size);
        }
    };
    for_each_array(shift);
    for (ArrayRec* b : hidden_arrays) shift(b);
}

}  // namespace

ArrayRec* find_array(const char* name) {
    for (ArrayRec* a = arr_store[bucket_of(name)]; a; a = a->chain)
        if (!std::strncmp(a->name, name, kArrNameText - 1)) return a;
    return nullptr;
}

ArrayRec* array_seek(const char* name) {
    ArrayRec* a = find_array(name);
    if (!a) error(28, name);
    return a;
}

ArrayRec* insertarr(const char* name, int64_t rows, int64_t cols, int onedim) {
    check_dimensions(rows, cols);
    const int64_t size = rows * cols;
    if (endarr + size > kMaxStoreEntries) error(26, name);
    grow_store(endarr + size);
    ArrayRec* a = new_record(name);
    a->base = endarr + 1;
    a->end = static_cast<int32_t>(endarr + size);
    a->size = size;
    a->rows = static_cast<int32_t>(rows);
    a->onedim = onedim;
    a->serial = array_time++;
    endarr = a->end;
    push_record(a);
    return a;
}

void sparse_init(SparseRec*& s, int32_t rows) {
    s = nullptr;
    SparseRec** link = &s;
    for (int32_t done = 0; done < rows; done += kSparseChunkRows) {
        auto* chunk = heap_alloc<SparseRec>(spargarb);
        std::memset(chunk, 0, sizeof *chunk);
        chunk->ring = modularmode;
        *link = chunk;
        link = &chunk->next_chunk;
    }
}

void sparse_free(SparseRec*& s) noexcept {
    while (s) {
        SparseRec* chunk = s;
        s = chunk->next_chunk;
        for (ColmRec*& head : chunk->heads)
            while (head) {
                ColmRec* c = head;
                head = c->next;
                free_colm(c);
            }
        spargarb.push(chunk);
    }
}

ArrayRec* sparse_create(const char* name, int64_t rows, int64_t cols, int onedim, bool init) {
    check_dimensions(rows, cols);
    SparseRec* s = nullptr;
    if (init) sparse_init(s, static_cast<int32_t>(rows));
    ArrayRec* a = new_record(name);
    a->base = 0;
    a->end = -1;
    a->size = rows * cols;
    a->rows = static_cast<int32_t>(rows);
    a->onedim = onedim;
    a->sparse = s;
    a->serial = array_time++;
    push_record(a);
    return a;
}

void for_each_array(const std::function<void(ArrayRec*)>& fn) {
    for (ArrayRec* head : arr_store)
        for (ArrayRec* a = head; a;) {
            ArrayRec* next = a->chain;
            fn(a);
            a = next;
        }
}

// ---------------------------------------------------------------------------
// Entries

QuolyRec*& dense_slot(const ArrayRec* a, int32_t r, int64_t c) {
    return store_at(a->base + r + c * static_cast<int64_t>(a->rows));
}

ColmRec*& sparse_row_head(const ArrayRec* a, int32_t r) {
    SparseRec* s = a->sparse;
    for (int32_t k = r / kSparseChunkRows; k > 0; --k) s = s->next_chunk;
    return s->heads[r % kSparseChunkRows];
}

const QuolyRec* array_entry(const ArrayRec* a, int32_t r, int64_t c) {
    if (!a->is_sparse()) return dense_slot(a, r, c);
    for (ColmRec* p = sparse_row_head(a, r); p && p->column <= c + 1; p = p->next)
        if (p->column == c + 1) return p->entry;
    return nullptr;
}

void array_position(const ArrayRec* a, int64_t i, int64_t j, bool two, int origin, int32_t& r,
                    int64_t& c) {
    const int64_t ii = i - origin;
    const int64_t jj = two ? j - origin : 0;
    if (ii < 0 || jj < 0) error(27, a->name);
    if (two) {
        if (ii >= a->rows || jj >= a->cols()) error(27, a->name);
        r = static_cast<int32_t>(ii);
        c = jj;
        return;
    }
    if (ii >= a->size) error(27, a->name);
    r = static_cast<int32_t>(ii % a->rows);
    c = ii / a->rows;
}

QuolyRec** array_quoly_ptr(const ArrayRec* a, int64_t i, int64_t j, bool two, int origin) {
    int32_t r;
    int64_t c;
    array_position(a, i, j, two, origin, r, c);
    if (!a->is_sparse()) return &dense_slot(a, r, c);
    for (ColmRec* p = sparse_row_head(a, r); p && p->column <= c + 1; p = p->next)
        if (p->column == c + 1) return &p->entry;
    return nullptr;
}

void sparse_insert(ArrayRec* a, int32_t r, int64_t c, const QuolyRec* v) {
    if (!v || quoly_iszero(v)) return;
    ColmRec** link = &sparse_row_head(a, r);
    while (*link && (*link)->column < c + 1) link = &(*link)->next;
    Quoly copy = quoly_copy(v);
    *link = new_colm(c + 1, copy.release(), *link);
}

void array_store_entry(ArrayRec* a, int32_t r, int64_t c, Quoly&& v) {
    if (!a->is_sparse()) {
        QuolyRec*& slot = dense_slot(a, r, c);
        QuolyRec* old = slot;
        slot = v.release();
        free_quoly(old);
        return;
    }
    ColmRec** link = &sparse_row_head(a, r);
    while (*link && (*link)->column < c + 1) link = &(*link)->next;
    const bool present = *link && (*link)->column == c + 1;
    const bool zero = !v || quoly_iszero(v.get());
    if (present && zero) {
        ColmRec* gone = *link;
        *link = gone->next;
        free_colm(gone);
    } else if (present) {
        QuolyRec* old = (*link)->entry;
        (*link)->entry = v.release();
        free_quoly(old);
    } else if (!zero) {
        ColmRec* c2 = new_colm(c + 1, nullptr, *link);
        c2->entry = v.release();
        *link = c2;
    }
}

int64_t array_count_nonzero(const ArrayRec* a) {
    int64_t n = 0;
    for_each_entry(a, [&](int32_t, int64_t, const QuolyRec* v) {
        if (v && !quoly_iszero(v)) ++n;
    });
    return n;
}

void for_each_entry(const ArrayRec* a, const std::function<void(int32_t, int64_t, const QuolyRec*)>& fn) {
    if (a->is_sparse()) {
        for (int32_t r = 0; r < a->rows; ++r)
            for (ColmRec* p = sparse_row_head(a, r); p; p = p->next) fn(r, p->column - 1, p->entry);
        return;
    }
    const int64_t cols = a->cols();
    for (int64_t c = 0; c < cols; ++c)
        for (int32_t r = 0; r < a->rows; ++r) fn(r, c, dense_slot(a, r, c));
}

// ---------------------------------------------------------------------------
// Deletion and conversion

ArrayRec* make_array_parameter(const char* name, ArrayRec* a) {
    ArrayRec* target = a->is_parameter() ? a->target : a;
    ArrayRec* p = new_record(name);
    const uint16_t bucket = p->hash;
    *p = *a;
    std::memset(p->name, 0, sizeof p->name);
    std::strncpy(p->name, name, kArrNameText - 1);
    p->hash = bucket;
    p->target = target;
    p->serial = -target->serial;
    push_record(p);
    return p;
}

namespace {

bool array_exists(const ArrayRec* a, int32_t serial) {
    for (ArrayRec* b = arr_store[a->hash]; b; b = b->chain)
        if (b == a && b->serial == serial) return true;
    return false;
}

}  // namespace

void remove_array_parameter(ArrayRec* p) {
    ArrayRec** link = &arr_store[p->hash];
    while (*link && *link != p) link = &(*link)->chain;
    if (*link) *link = p->chain;
    if (p->target && array_exists(p->target, -p->serial)) {
        p->target->sparse = p->sparse;
        p->target->base = p->base;
        p->target->end = p->end;
    }
    arr_garb.push(p);
}

void hide_arrays(const std::function<bool(const ArrayRec*)>& hide) {
    for (ArrayRec*& head : arr_store) {
        ArrayRec** link = &head;
        while (*link) {
            ArrayRec* a = *link;
            if (!hide(a)) {
                link = &a->chain;
                continue;
            }
            *link = a->chain;
            a->chain = nullptr;
            hidden_arrays.push_back(a);
        }
    }
}

namespace {

bool superseded(const ArrayRec* a) {
    for (ArrayRec* b = arr_store[a->hash]; b; b = b->chain)
        if (b != a && !b->is_parameter() && !std::strncmp(b->name, a->name, kArrNameText - 1)) return true;
    return false;
}

}  // namespace

void unhide_arrays() {
    std::vector<ArrayRec*> back;
    back.swap(hidden_arrays);
    for (ArrayRec* a : back) {
        ArrayRec** link = &arr_store[a->hash];
        while (*link) link = &(*link)->chain;
        a->chain = nullptr;
        *link = a;
    }
    for (ArrayRec* a : back)
        if (superseded(a)) remove_array_storage(a);
}

bool has_array_parameter(const ArrayRec* a) {
    if (a->is_parameter()) return false;
    bool found = false;
    for_each_array([&](ArrayRec* b) { found = found || (b->is_parameter() && b->serial == -a->serial); });
    return found;
}

void remove_array_storage(ArrayRec* a) {
    ArrayRec** link = &arr_store[a->hash];
    while (*link && *link != a) link = &(*link)->chain;
    if (*link) *link = a->chain;
    if (a->is_parameter()) {
        arr_garb.push(a);
        return;
    }
    if (a->is_sparse()) {
        sparse_free(a->sparse);
    } else {
        for (int64_t k = a->base; k <= a->end; ++k) free_quoly(store_at(k));
        close_gap(a);
    }
    arr_garb.push(a);
}

void make_sparse(ArrayRec* a) {
    if (a->is_sparse()) return;
    SparseRec* s = nullptr;
    sparse_init(s, a->rows);
    // Entries move over (no copies): the colms are linked row by row from
    // the last column back, so each row's chain comes out in column order.
    std::vector<ColmRec*> heads(a->rows, nullptr);
    try {
        for (int64_t c = a->cols() - 1; c >= 0; --c)
            for (int32_t r = 0; r < a->rows; ++r) {
                QuolyRec* v = dense_slot(a, r, c);
                if (v && !quoly_iszero(v)) heads[r] = new_colm(c + 1, nullptr, heads[r]);
            }
    } catch (...) {
        for (ColmRec* h : heads)
            while (h) {
                ColmRec* n = h->next;
                colm_garb.push(h);
                h = n;
            }
        sparse_free(s);
        throw;
    }
    for (int32_t r = 0; r < a->rows; ++r) {
        for (ColmRec* p = heads[r]; p; p = p->next) {
            QuolyRec*& slot = dense_slot(a, r, p->column - 1);
            p->entry = slot;
            slot = nullptr;
        }
    }
    for (int32_t r = 0; r < a->rows; ++r) {
        SparseRec* chunk = s;
        for (int32_t k = r / kSparseChunkRows; k > 0; --k) chunk = chunk->next_chunk;
        chunk->heads[r % kSparseChunkRows] = heads[r];
    }
    for (int64_t k = a->base; k <= a->end; ++k) free_quoly(store_at(k));
    close_gap(a);
    a->base = 0;
    a->end = -1;
    a->sparse = s;
}

void clear_array_entries(ArrayRec* a) {
    if (a->is_sparse()) {
        SparseRec* s = a->sparse;
        for (; s; s = s->next_chunk)
            for (ColmRec*& head : s->heads)
                while (head) {
                    ColmRec* c = head;
                    head = c->next;
                    free_colm(c);
                }
        return;
    }
    for (int64_t k = a->base; k <= a->end; ++k) free_quoly(store_at(k));
}

void for_each_array_value(const std::function<void(QuolyRec*&)>& visit) {
    std::vector<char> skip;
    if (!hidden_arrays.empty()) {
        skip.assign(static_cast<size_t>(endarr) + 1, 0);
        for (const ArrayRec* a : hidden_arrays)
            if (!a->is_sparse())
                for (int64_t k = a->base; k <= a->end; ++k) skip[k] = 1;
    }
    for (int64_t k = 1; k <= endarr; ++k)
        if (store_at(k) && (skip.empty() || !skip[k])) visit(store_at(k));
    for_each_array([&](ArrayRec* a) {
        if (!a->is_sparse() || a->is_parameter()) return;
        for (int32_t r = 0; r < a->rows; ++r)
            for (ColmRec* p = sparse_row_head(a, r); p; p = p->next) visit(p->entry);
    });
}

void drop_sparse_zeros() {
    for_each_array([&](ArrayRec* a) {
        if (!a->is_sparse() || a->is_parameter()) return;
        for (int32_t r = 0; r < a->rows; ++r) {
            ColmRec** link = &sparse_row_head(a, r);
            while (*link) {
                if (!(*link)->entry || quoly_iszero((*link)->entry)) {
                    ColmRec* gone = *link;
                    *link = gone->next;
                    free_colm(gone);
                } else {
                    link = &(*link)->next;
                }
            }
        }
    });
}

}  // namespace tolmex
