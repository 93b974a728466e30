// Stashes: pools of equal-sized records ("slugs") carved from 512 KiB blocks.
//
// Invariants:
//  - A stash never gives memory back to the heap; closing one moves its
//    blocks to the spare-block list `extra_blocks`.
//  - A block is a two-word header (its first word links to the block taken
//    before it) followed by kBlockBytes of slug space.
//  - Slugs are carved from the start of the slug space and handed out from
//    its high end downwards.
//  - Every free slug holds the address of the next free slug in its first
//    word.
#pragma once

#include <cstdint>

namespace tolmex {

constexpr int32_t kBlockBytes = 0x80000;  // 524,288 bytes of slug space

struct Stash {
    void* free_list = nullptr;   // carved slugs not yet handed out
    void* block_list = nullptr;  // most recent block
    Stash* prev = nullptr;       // ring of all open stashes
    Stash* next = nullptr;
    const char* name = "";
    int32_t slug_size = 0;   // requested size rounded up to a multiple of 4, at least 4
    int32_t num_blocks = 0;  // blocks taken so far
    int32_t num_slugs = 0;   // slugs carved so far
    int32_t slugs_used = 0;  // handed out minus given back with free_slug
};

// The stash that serves stash records themselves ("storage allocator").
extern Stash primal_stash;
// Chain of spare blocks linked through their first word.
extern void* extra_blocks;

// The five node pools, opened at start-up in this order.
extern Stash* polystash;
extern Stash* quolystash;
extern Stash* numstash;
extern Stash* imagstash;
extern Stash* colmstash;

// A block's link to the block taken before it, and the start of its slug
// space (kBlockBytes long).
void* block_link(const void* block);
char* block_slugs(void* block);

int32_t slug_size_for(int32_t requested);

Stash* open_stash(int32_t size, const char* name);
void* get_slug(Stash* stash);
void free_slug(Stash* stash, void* slug);
// Closes a stash: its blocks go to extra_blocks, its record back to
// primal_stash; every slug of it becomes invalid.
void endof_stash(Stash* stash);
void stash_stats();
void print_stash_stats(const Stash* stash);

// Record sizes of the five pooled node types, supplied by start-up, which
// knows the records of every subsystem.
struct NodeSizes {
    int32_t polynode, quoly, numnode, number, colm;
};

// Opens the five node pools, in the fixed order of the storage report.
void open_node_pools(const NodeSizes& sizes);

}  // namespace tolmex
