// Work arrays: up to 20 scratch areas of 4,000,000 bytes for the matrix
// algorithms, handed out and returned in stack order. Their memory is kept
// until the program ends; the error recovery makes all of them free again.
#pragma once

namespace tolmex {

constexpr int kWorkArrays = 20;
constexpr int kWorkArrayBytes = 4000000;

extern void* workhead[kWorkArrays];
// Number (1-based) of the next work array to hand out; 1 when none is in use.
extern int first_available;

// k := the number of the work array handed out; its memory is workhead[k-1].
// A 21st array at once is error 88 with ctx as the name.
void new_worknode(int& k, const char* ctx);
void enew_worknode(int& k, const char* ctx);
// Returns the most recently handed-out work array.
void free_work();
// Joins the driver's resets: the return to the top level frees them all.
void register_work_array_resets();

}  // namespace tolmex
