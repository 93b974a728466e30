// The minor stash (minor_stash.h): chains of entries in linked blocks of
// chain heads. Entry records and chain blocks live on the heap and are
// counted in heap_array_bytes, so that the available memory the stash
// watches (memavail) sees them beside the pools that hold the values.
#include "matrix/minor_stash.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/errors.h"
#include "numbers/residue.h"
#include "storage/accounting.h"

namespace tolmex {

namespace {

constexpr int32_t kMinorPrimes[] = {641, 1277, 2473, 4967, 9901, 20011, kLargestMinorPrime};
constexpr int32_t kMinorPrimeBelow[] = {31, 45, 80, 110, 190, 300};
// The stash is purged once less than this share of the memory available
// at the start of the expansion is left, which keeps room for the
// arithmetic of the expansion itself.
constexpr uint64_t kReserveShare = 4;
// More entries a chain than this and the table grows.
constexpr int64_t kEntriesPerChain = 4;

MinorStats g_last_stats;

}  // namespace

struct MinorEntry {
    MinorEntry* link = nullptr;
    int32_t deleted = 0;  // rows deleted (as many columns)
    int32_t residue = 0;  // the value of a residue minor
    Quoly value;          // the value of a quoly minor
    std::unique_ptr<int32_t[]> key;  // the deleted rows, then the deleted columns

    int64_t bytes() const { return static_cast<int64_t>(sizeof(MinorEntry)) + 8 * int64_t{deleted}; }
    bool matches(const MinorKey& k) const {
        const size_t d = k.rows.size();
        if (static_cast<size_t>(deleted) != d) return false;
        return std::equal(k.rows.begin(), k.rows.end(), key.get()) &&
               std::equal(k.cols.begin(), k.cols.end(), key.get() + d);
    }
};

struct MinorChainBlock {
    MinorEntry* heads[kMinorChainsPerBlock] = {};
    std::unique_ptr<MinorChainBlock> next;
};

int32_t minorsize(int32_t n) {
    for (size_t k = 0; k < std::size(kMinorPrimeBelow); ++k)
        if (n < kMinorPrimeBelow[k]) return kMinorPrimes[k];
    return kLargestMinorPrime;
}

int32_t next_minor_prime(int32_t prime) {
    for (int32_t p : kMinorPrimes)
        if (p > prime) return p;
    return kLargestMinorPrime;
}

int32_t minorshash(const MinorKey& key, int32_t prime) {
    // In 64 bits nothing wraps, so the absolute values change nothing.
    int64_t h = 0;
    for (size_t i = 0; i < key.rows.size(); ++i)
        h = std::llabs(h + int64_t{key.rows[i]} * 40093) % prime + int64_t{key.cols[i]} * 40099;
    h = std::llabs(h) % prime;
    return static_cast<int32_t>(h + 1);
}

const MinorStats& last_minor_stats() { return g_last_stats; }

MinorChainTable::MinorChainTable(int32_t p) : prime(p) {
    const int32_t count = (p + kMinorChainsPerBlock - 1) / kMinorChainsPerBlock;
    std::unique_ptr<MinorChainBlock>* link = &first;
    for (int32_t k = 0; k < count; ++k) {
        *link = std::make_unique<MinorChainBlock>();
        index.push_back(link->get());
        link = &(*link)->next;
    }
}

MinorChainTable::~MinorChainTable() {
    // Iteratively, block by block, rather than by the links' destructors.
    while (first) first = std::move(first->next);
}

MinorChainTable::MinorChainTable(MinorChainTable&&) noexcept = default;
MinorChainTable& MinorChainTable::operator=(MinorChainTable&&) noexcept = default;

MinorEntry*& MinorChainTable::chain(int32_t bucket) {
    const int32_t k = bucket - 1;
    return index[static_cast<size_t>(k / kMinorChainsPerBlock)]->heads[k % kMinorChainsPerBlock];
}

int64_t MinorChainTable::bytes() const { return static_cast<int64_t>(index.size() * sizeof(MinorChainBlock)); }

MinorStash::MinorStash(int32_t n) : n_(n), table_(minorsize(n)), max_stash_row_(n - init_max_stash) {
    stats_.minor_memory = memavail();
    stats_.prime = table_.prime;
    reserve_ = stats_.minor_memory / kReserveShare;
    account(table_.bytes());
}

MinorStash::~MinorStash() {
    g_last_stats = stats_;  // with the entries the stash held at the end
    free_minor_stash();
    heap_array_bytes -= static_cast<uint64_t>(bytes_);
}

void MinorStash::account(int64_t bytes) {
    bytes_ += bytes;
    heap_array_bytes += static_cast<uint64_t>(bytes);  // wraps back for negative bytes
}

template <class F>
void MinorStash::each_chain(F&& f) {
    for (MinorChainBlock* b : table_.index)
        for (MinorEntry*& head : b->heads) f(head);
}

MinorEntry* MinorStash::find(const MinorKey& key) {
    for (MinorEntry* e = table_.chain(minorshash(key, table_.prime)); e; e = e->link)
        if (e->matches(key)) {
            ++stats_.hits;
            return e;
        }
    return nullptr;
}

const QuolyRec* MinorStash::minor_is_there(const MinorKey& key) {
    const MinorEntry* e = find(key);
    return e ? e->value.get() : nullptr;
}

bool MinorStash::int_minor_is_there(const MinorKey& key, int32_t& value) {
    const MinorEntry* e = find(key);
    if (e) value = e->residue;
    return e != nullptr;
}

void MinorStash::stash_minor(const MinorKey& key, int32_t size, Quoly&& value) {
    check_memory();
    if (wanted(size)) insert(key, std::move(value), 0);
}

const QuolyRec* MinorStash::stash_minor_held(const MinorKey& key, int32_t size, Quoly& value) {
    check_memory();
    if (!wanted(size)) return nullptr;
    insert(key, std::move(value), 0);
    if (value) return nullptr;  // stashed already: value was not taken
    return minor_is_there(key);
}

void MinorStash::stash_minor(const MinorKey& key, int32_t size, int32_t value) {
    check_memory();
    if (wanted(size)) insert(key, Quoly(), value);
}

void MinorStash::insert(const MinorKey& key, Quoly&& value, int32_t residue) {
    MinorEntry*& head = table_.chain(minorshash(key, table_.prime));
    for (const MinorEntry* e = head; e; e = e->link)
        if (e->matches(key)) return;  // stashed already
    const size_t d = key.rows.size();
    auto e = std::make_unique<MinorEntry>();
    e->deleted = static_cast<int32_t>(d);
    e->residue = residue;
    e->key = std::make_unique<int32_t[]>(2 * d);
    std::copy(key.rows.begin(), key.rows.end(), e->key.get());
    std::copy(key.cols.begin(), key.cols.end(), e->key.get() + d);
    e->value = std::move(value);
    e->link = head;
    account(e->bytes());
    head = e.release();
    stats_.nodes = ++minor_total_;
    if (minor_total_ > kEntriesPerChain * table_.prime && table_.prime < kLargestMinorPrime) reconfigure_stash();
}

void MinorStash::free_entry(MinorEntry* e) {
    account(-e->bytes());
    delete e;
    stats_.nodes = --minor_total_;
}

void MinorStash::check_memory() {
    // Without a budget (no start-up file read) there is nothing to watch.
    if (totalavailablememory == 0) return;
    uint64_t avail = memavail();
    while ((avail < reserve_ || avail == 0) && try_purge_minors()) avail = memavail();
    if (avail == 0) {
        std::printf("*** Out of memory. Minors method fails.\n");
        std::fflush(stdout);
        fail(kErrOutOfMemory, "Minors");
    }
}

bool MinorStash::try_purge_minors() {
    if (min_stash_row_ > max_stash_row_) return false;
    const int32_t deleted = n_ - min_stash_row_;
    each_chain([&](MinorEntry*& head) {
        for (MinorEntry** p = &head; *p;) {
            MinorEntry* e = *p;
            if (e->deleted != deleted) {
                p = &e->link;
                continue;
            }
            *p = e->link;
            free_entry(e);
        }
    });
    std::printf("Running low on memory; purging minor stash. %u, %u, %d\n", static_cast<unsigned>(memavail()),
                static_cast<unsigned>(stats_.minor_memory), min_stash_row_);
    if (verbose)
        std::printf(" prime, total branches, leaf count, stash nodes, hits: %d, %d, %d, %d, %d\n", table_.prime,
                    static_cast<int>(stats_.branches), static_cast<int>(stats_.leaves),
                    static_cast<int>(minor_total_), static_cast<int>(stats_.hits));
    std::fflush(stdout);
    ++min_stash_row_;
    return true;
}

void MinorStash::reconfigure_stash() {
    std::printf("Minor stash has grown large; will reconfigure.\n");
    std::fflush(stdout);
    MinorChainTable bigger(next_minor_prime(table_.prime));  // nothing moves until it exists
    MinorKey key;
    key.rows.reserve(static_cast<size_t>(n_));  // no allocation while entries move
    key.cols.reserve(static_cast<size_t>(n_));
    each_chain([&](MinorEntry*& head) {
        while (MinorEntry* e = head) {
            head = e->link;
            const int32_t* k = e->key.get();
            key.rows.assign(k, k + e->deleted);
            key.cols.assign(k + e->deleted, k + 2 * e->deleted);
            MinorEntry*& to = bigger.chain(minorshash(key, bigger.prime));
            e->link = to;
            to = e;
        }
    });
    account(bigger.bytes() - table_.bytes());
    table_ = std::move(bigger);
    stats_.prime = table_.prime;
}

void MinorStash::free_minor_stash() {
    each_chain([&](MinorEntry*& head) {
        while (MinorEntry* e = head) {
            head = e->link;
            free_entry(e);
        }
    });
}

int64_t MinorStash::count_minor_stash() const {
    int64_t count = 0;
    for (const MinorChainBlock* b : table_.index)
        for (const MinorEntry* head : b->heads)
            for (const MinorEntry* e = head; e; e = e->link) ++count;
    return count;
}

}  // namespace tolmex
