// The minor stash: a hash table of the minors an expansion by minors has
// computed, keyed by the rows and columns deleted from the matrix, so that
// a minor met again along another path of the expansion is not expanded a
// second time. One stash lives for one top-level expansion (an object on
// that expansion's stack frame): its destructor frees every entry, also
// when an error or an abandoned interrupt unwinds through the expansion,
// and a nested command level opened by an interrupt gets stashes of its
// own.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "quoly/quoly.h"

namespace tolmex {

// Minors are stashed from init_min_stash rows up to n - init_max_stash
// rows of an n-row matrix: smaller ones cost less to expand than to look
// up, the largest ones are met only once.
constexpr int32_t init_min_stash = 3;
constexpr int32_t init_max_stash = 2;
// The table is built of blocks of this many chains, linked to one another,
// so that no size needs a single large allocation.
constexpr int32_t kMinorChainsPerBlock = 2048;
// The largest number of chains; the table grows no further.
constexpr int32_t kLargestMinorPrime = 40087;

// The number of chains for an n-row matrix.
int32_t minorsize(int32_t n);
// The number of chains one size step above `prime` (the largest stays).
int32_t next_minor_prime(int32_t prime);

// The key of a minor: the deleted rows and the deleted columns, each in
// increasing order and 1-based, equally many.
struct MinorKey {
    std::vector<int32_t> rows, cols;
};

// The chain (1 .. prime) of a key: h = 0; for each i, h = |h + r_i 40093|
// mod prime + c_i 40099; then h = |h| mod prime, and the chain is h + 1.
int32_t minorshash(const MinorKey& key, int32_t prime);

// What an expansion by minors did: the memory available when it started,
// the number of chains, the minors expanded (total branches), the 1 x 1
// minors reached (leaf count), the entries stashed and the stash hits.
struct MinorStats {
    uint64_t minor_memory = 0;
    int32_t prime = 0;
    int64_t branches = 0, leaves = 0, nodes = 0, hits = 0;
};
// The statistics of the expansion that ended last (zero before any).
const MinorStats& last_minor_stats();

struct MinorEntry;
struct MinorChainBlock;

// The chain heads: `prime` chains in linked blocks of kMinorChainsPerBlock.
struct MinorChainTable {
    std::unique_ptr<MinorChainBlock> first;  // each block links the next
    std::vector<MinorChainBlock*> index;     // the blocks in order, for the lookup
    int32_t prime = 0;

    explicit MinorChainTable(int32_t prime);
    ~MinorChainTable();
    MinorChainTable(MinorChainTable&&) noexcept;
    MinorChainTable& operator=(MinorChainTable&&) noexcept;
    MinorEntry*& chain(int32_t bucket);
    int64_t bytes() const;
};

class MinorStash {
public:
    // Sized for an n-row matrix (minorsize), stashing sizes init_min_stash
    // to n - init_max_stash while memory allows.
    explicit MinorStash(int32_t n);
    ~MinorStash();
    MinorStash(const MinorStash&) = delete;
    MinorStash& operator=(const MinorStash&) = delete;

    // True when minors of `size` rows are stashed.
    bool wanted(int32_t size) const { return size >= min_stash_row_ && size <= max_stash_row_; }
    // The stashed value of the minor with that key, null when absent.
    const QuolyRec* minor_is_there(const MinorKey& key);
    // The same for residue values: false when absent.
    bool int_minor_is_there(const MinorKey& key, int32_t& value);
    // Stores a minor's value (a minor of `size` rows, wanted). Memory is
    // checked first: below the reserve the smallest stashed size is
    // purged (and then the value may no longer be wanted); with no memory
    // left at all and nothing left to purge, "*** Out of memory. Minors
    // method fails." and error 375. When the stash holds more than four
    // entries a chain it is rebuilt one size step larger.
    void stash_minor(const MinorKey& key, int32_t size, Quoly&& value);
    // The same, handing back where the stash holds the value: null (and
    // value untouched) when it was not stashed.
    const QuolyRec* stash_minor_held(const MinorKey& key, int32_t size, Quoly& value);
    void stash_minor(const MinorKey& key, int32_t size, int32_t value);
    // Frees the entries of the smallest stashed size and stops stashing
    // it; false when no size is stashed any longer.
    bool try_purge_minors();
    // Rebuilds the table with next_minor_prime chains, moving the entries.
    void reconfigure_stash();
    // Frees every entry (the table stays).
    void free_minor_stash();
    // The entries, counted along the chains.
    int64_t count_minor_stash() const;

    int32_t prime() const { return table_.prime; }
    int32_t min_stash_row() const { return min_stash_row_; }
    int32_t max_stash_row() const { return max_stash_row_; }
    int64_t minor_total() const { return minor_total_; }
    MinorStats& stats() { return stats_; }

private:
    MinorEntry* find(const MinorKey& key);
    void insert(const MinorKey& key, Quoly&& value, int32_t residue);
    void check_memory();
    void account(int64_t bytes);
    void free_entry(MinorEntry* e);
    template <class F>
    void each_chain(F&& f);

    int32_t n_;
    MinorChainTable table_;
    int32_t min_stash_row_ = init_min_stash;
    int32_t max_stash_row_ = 0;
    int64_t minor_total_ = 0;
    uint64_t reserve_ = 0;  // purge below this much available memory
    int64_t bytes_ = 0;     // entries and table, counted in heap_array_bytes
    MinorStats stats_;
};

}  // namespace tolmex
