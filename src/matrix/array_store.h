// The array store: array records in the table `arr_store`, the dense
// element store (one global table of quoly pointers, column by column) and
// the sparse records with their chains of colms. Every reader and writer of
// array entries (the interpreter, the matrix arithmetic, the determinant
// code) goes through the access routines here.
#pragma once

#include <cstdint>
#include <functional>

#include "quoly/quoly.h"

namespace tolmex {

constexpr int kArrBuckets = 151;
constexpr int kArrNameText = 12;
constexpr int32_t kMaxStoreEntries = 5119999;
constexpr int32_t kStoreBlock = 1024;
constexpr int32_t kSparseChunkRows = 2048;

struct SparseRec;

// One declared array or array parameter. `chain` comes first: it is also
// the free-list link of arr_garb.
struct ArrayRec {
    ArrayRec* chain;  // next array of the same bucket
    char name[kArrNameText];
    uint16_t hash;    // bucket in arr_store; 65535 when not computed
    int32_t base;     // dense: store index of entry [1,1]; sparse: 0
    int32_t end;      // dense: index of the last entry; sparse: -1
    int64_t size;     // rows * cols
    int32_t rows;
    SparseRec* sparse;  // first chunk of a sparse array, else null
    int32_t onedim;     // declared with one index
    ArrayRec* target;   // an array parameter: the array it stands for
    int32_t serial;     // creation number; minus the target's for a parameter

    int32_t cols() const { return static_cast<int32_t>(size / rows); }
    bool is_sparse() const { return sparse != nullptr; }
    bool is_parameter() const { return serial < 0; }
};

// A sparse entry; `next` first (the colm_garb link).
struct ColmRec {
    ColmRec* next;     // next entry of the row, columns increasing
    QuolyRec* entry;   // the value, never zero
    int32_t column;    // 1-based
};

// 2048 rows of a sparse array; `next_chunk` first (the spargarb link).
struct SparseRec {
    SparseRec* next_chunk;
    int32_t ring;   // modularmode when made
    int32_t spare;  // not interpreted
    ColmRec* heads[kSparseChunkRows];
};

extern ArrayRec* arr_store[kArrBuckets];
extern int32_t endarr;       // last element-store index in use
extern int32_t numblocks;    // blocks of 1024 entries allocated
extern int32_t array_time;   // the next serial
extern int new_array;        // set by every declaration

// Calls fn on every array record, parameters included (in table order).
template <class Fn>
void for_each_array(Fn fn) {
    for (ArrayRec* head : arr_store)
        for (ArrayRec* a = head; a; a = a->chain) fn(a);
}

// ---------------------------------------------------------------------------
// Records

// The array of that name (the newest one), or null.
ArrayRec* find_array(const char* name);
// The same; error 28 when absent.
ArrayRec* array_seek(const char* name);
// Creates a dense array: errors 27 (a dimension below 1), 43 (dimensions
// too large) and 26 (the element store would pass 5,119,999 entries).
ArrayRec* insertarr(const char* name, int64_t rows, int64_t cols, int onedim);
// Creates a sparse array (error 27 for a dimension below 1); with init its
// chunk chain is built at once.
ArrayRec* sparse_create(const char* name, int64_t rows, int64_t cols, int onedim, bool init);
// s := ceil(rows / 2048) chained, cleared chunks.
void sparse_init(SparseRec*& s, int32_t rows);
// The chunk chain and every colm of s are freed; s becomes null.
void sparse_free(SparseRec*& s) noexcept;
// Calls fn on every array record (bucket by bucket, newest first).
void for_each_array(const std::function<void(ArrayRec*)>& fn);

// ---------------------------------------------------------------------------
// Entries. Indices are 0-based here: row r in 0 .. rows - 1, column c in
// 0 .. cols - 1. The index rules of the language (the initial index, single
// indices in column order) are applied by `array_quoly_ptr`.

// The slot of dense entry (r, c).
QuolyRec*& dense_slot(const ArrayRec* a, int32_t r, int64_t c);
// The first colm of row r of a sparse array.
ColmRec*& sparse_row_head(const ArrayRec* a, int32_t r);
// The entry (r, c) of any array, or null when absent or never assigned.
const QuolyRec* array_entry(const ArrayRec* a, int32_t r, int64_t c);

// Indices as written (counting from `origin`): the address of the entry's
// quoly pointer, or null for an absent sparse entry. Error 27 when out of
// range. With two false only i was written.
QuolyRec** array_quoly_ptr(const ArrayRec* a, int64_t i, int64_t j, bool two, int origin);
// The 0-based row and column of the indices as written (error 27).
void array_position(const ArrayRec* a, int64_t i, int64_t j, bool two, int origin, int32_t& r,
                    int64_t& c);

// Stores v as entry (r, c): a dense slot's old value is freed; a sparse
// entry is created, replaced, or removed when v is zero (zero is never
// stored).
void array_store_entry(ArrayRec* a, int32_t r, int64_t c, Quoly&& v);
// Links a new colm for the absent sparse entry (r, c) with a copy of v;
// nothing for a zero value.
void sparse_insert(ArrayRec* a, int32_t r, int64_t c, const QuolyRec* v);
// The number of nonzero entries.
int64_t array_count_nonzero(const ArrayRec* a);
// Calls fn(r, c, v) for each stored entry: sparse arrays row by row, dense
// arrays column by column (v null for an unassigned dense entry).
void for_each_entry(const ArrayRec* a, const std::function<void(int32_t, int64_t, const QuolyRec*)>& fn);

// An array parameter of a function call: a record named `name` that
// stands for `a` (or for what `a` stands for), sharing its entries, pushed
// at the head of its bucket so that it hides arrays of the same name.
ArrayRec* make_array_parameter(const char* name, ArrayRec* a);
// Unlinks the parameter p (wherever it is in its bucket), copies its sparse
// rows back into the array it stands for when that array still exists, and
// recycles the record.
void remove_array_parameter(ArrayRec* p);
// True when a live parameter stands for a.
bool has_array_parameter(const ArrayRec* a);

// Hidden arrays: taken out of the table (no name finds them, no ring
// change converts them) and put back later, exactly as they were. Their
// dense entries keep their places in the element store.
void hide_arrays(const std::function<bool(const ArrayRec*)>& hide);
// Puts every hidden array back behind the arrays of its bucket; one that an
// array of the same name made meanwhile would hide is deleted instead.
void unhide_arrays();

// ---------------------------------------------------------------------------
// Deletion and conversion

// Unlinks a and frees its storage (see removearray in the interpreter for
// the messages); later dense arrays move down in the store.
void remove_array_storage(ArrayRec* a);
// Turns a dense array into a sparse one in place (its zero and unassigned
// entries are dropped); the later arrays move down in the store.
void make_sparse(ArrayRec* a);
// Empties every entry of a (dense slots null, sparse rows without colms).
void clear_array_entries(ArrayRec* a);

// Visits every stored entry's holder (the ring change converts them).
void for_each_array_value(const std::function<void(QuolyRec*&)>& visit);
// Removes sparse colms whose value became zero (after a ring change).
void drop_sparse_zeros();

}  // namespace tolmex
