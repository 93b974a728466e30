// Memory accounting: the budget, the bytes committed to the pools, the bytes
// parked on free lists, and the storage report.
#pragma once

#include <cstdint>

namespace tolmex {

// Budget in bytes for the stashes. One megabyte of the startup file counts
// as 900,000 bytes (225,000 four-byte words).
extern uint64_t totalavailablememory;
extern uint64_t initial_memory;  // the budget in 4-byte words
extern uint64_t virtual_cut;
// Bytes of data the system itself holds (tables read at start-up, ...).
extern int64_t size_data_strucs;
// The user's choice of disk space as virtual memory (values are never
// written to disk; the switch is only recorded).
extern int diskstore;
// Mass of the GCD cache, added to the system data size by the report.
extern int64_t (*gcd_cache_mass)();

// Bytes of arrays the value types hold on the heap outside the stashes (the
// large digit arrays of numbers; the records of the minor stash), kept up
// to date by their allocation and release, so that the budget sees the
// memory they really use.
extern uint64_t heap_array_bytes;

// Bytes of the budget not yet committed to the five pools and the heap
// arrays; 0 when they already use the whole budget. Never wraps.
uint64_t memavail();

// The most memory the process could ever hold: the smallest of its
// address-space and data-size limits and the machine's memory and swap.
uint64_t memory_ceiling();
// Ends the command with error 375 when a result known to need at least
// `bytes` bytes could not fit in memory at all (more than the ceiling).
// Callers pass a lower bound of the size, so nothing that fits is refused.
void require_memory(double bytes);

// Bytes on the four hot free lists.
int64_t garbsize();

// The storage report; mode 'G' also lists every entry of some lists.
void garbage(int mode);

}  // namespace tolmex
