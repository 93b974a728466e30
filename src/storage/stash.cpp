#include "storage/stash.h"

#include <cstdio>
#include <cstring>

#include "base/alloc_faults.h"

namespace tolmex {

Stash primal_stash = {nullptr,      nullptr, &primal_stash, &primal_stash, "storage allocator",
                      sizeof(Stash), 0,       0,             0};
void* extra_blocks = nullptr;

Stash* polystash = nullptr;
Stash* quolystash = nullptr;
Stash* numstash = nullptr;
Stash* imagstash = nullptr;
Stash* colmstash = nullptr;

namespace {

constexpr size_t kHeaderBytes = 2 * sizeof(void*);

// Slugs of sizes that are not a multiple of the pointer size sit at
// addresses that are only 4-byte aligned: links are copied bytewise.
void* get_link(const void* p) {
    void* v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void set_link(void* p, void* v) { std::memcpy(p, &v, sizeof v); }

char* slug_space(void* block) { return static_cast<char*>(block) + kHeaderBytes; }

void* take_block() {
    if (extra_blocks) {
        void* b = extra_blocks;
        extra_blocks = get_link(b);
        return b;
    }
    return checked_malloc(kHeaderBytes + kBlockBytes);
}

// The out-of-memory report; nothing in it asks for memory.
void report_exhausted(const Stash* s) {
    std::printf("out of memory while trying to accesss stash %s\n", s->name);
    stash_stats();
    for (const Stash* t = primal_stash.next; t != &primal_stash; t = t->next)
        print_stash_stats(t);
    std::fflush(stdout);
}

// Carves a block onto the stash's free list; false when no block can be had
// (the stash is then unchanged).
bool refill(Stash* s) {
    void* block = take_block();
    if (!block) {
        report_exhausted(s);
        return false;
    }
    // Slug 0 sits at the start of the slug space and slug i links to slug
    // i - 1, so the free list starts with the highest slug carved.
    char* space = slug_space(block);
    void* prev = s->free_list;
    int32_t carved = 0;
    for (int32_t off = 0; off <= kBlockBytes - s->slug_size; off += s->slug_size) {
        void* slug = space + off;
        set_link(slug, prev);
        prev = slug;
        ++carved;
    }
    s->free_list = prev;
    set_link(block, s->block_list);
    s->block_list = block;
    s->num_blocks += 1;
    s->num_slugs += carved;
    return true;
}

}  // namespace

void* block_link(const void* block) { return get_link(block); }
char* block_slugs(void* block) { return slug_space(block); }

int32_t slug_size_for(int32_t requested) {
    int32_t sz = (requested + 3) / 4 * 4;
    return sz < 4 ? 4 : sz;
}

Stash* open_stash(int32_t size, const char* name) {
    Stash* s = static_cast<Stash*>(get_slug(&primal_stash));
    if (!s) return nullptr;
    s->free_list = nullptr;
    s->block_list = nullptr;
    s->num_blocks = s->num_slugs = s->slugs_used = 0;
    s->name = name;
    s->slug_size = slug_size_for(size);
    // Link directly behind primal_stash.
    s->prev = &primal_stash;
    s->next = primal_stash.next;
    primal_stash.next->prev = s;
    primal_stash.next = s;
    return s;
}

void* get_slug(Stash* stash) {
    if (!stash) return nullptr;
    if (allocation_refused()) {
        report_exhausted(stash);
        return nullptr;
    }
    if (!stash->free_list && !refill(stash)) return nullptr;
    void* slug = stash->free_list;
    stash->free_list = get_link(slug);
    stash->slugs_used += 1;
    return slug;
}

void free_slug(Stash* stash, void* slug) {
    set_link(slug, stash->free_list);
    stash->free_list = slug;
    stash->slugs_used -= 1;
}

void endof_stash(Stash* stash) {
    if (!stash || stash == &primal_stash) return;
    if (stash->block_list) {
        void* last = stash->block_list;
        while (get_link(last)) last = get_link(last);
        set_link(last, extra_blocks);
        extra_blocks = stash->block_list;
    }
    stash->block_list = nullptr;
    stash->free_list = nullptr;
    stash->prev->next = stash->next;
    stash->next->prev = stash->prev;
    free_slug(&primal_stash, stash);
}

void stash_stats() {
    std::printf("STASH NAME: number of blocks, number of slugs, slugs_used, slug_size\n");
    std::fflush(stdout);
}

void print_stash_stats(const Stash* stash) {
    if (!stash) return;
    std::printf("%s: \t%d, \t%d, \t%d, \t%d\n", stash->name, stash->num_blocks, stash->num_slugs,
                stash->slugs_used, stash->slug_size);
}

void open_node_pools(const NodeSizes& sizes) {
    polystash = open_stash(sizes.polynode, "stash of polynodes");
    quolystash = open_stash(sizes.quoly, "stash of quolynodes");
    numstash = open_stash(sizes.numnode, "stash of numnodes");
    imagstash = open_stash(sizes.number, "stash of numbers");
    colmstash = open_stash(sizes.colm, "stash of colms");
}

}  // namespace tolmex
