// The room left on the stack of the thread that runs the command loop.
//
// Readers of the language recurse once per level of nesting of what the
// user types, so deep enough input would overflow the stack. They check
// stack_nearly_full() at each level and raise a numbered error instead.
// The room is measured, not guessed: the start of the stack is the frame
// of the caller of note_stack_start, near the bottom of the stack, and the
// limit is the one in force for that stack.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tolmex {

// Records the current frame as the start of the stack and `limit` (bytes)
// as its size. Until this is called the stack is taken to be unlimited.
void note_stack_start(size_t limit);
// Bytes left between the current frame and the limit.
size_t stack_room();
namespace stack_detail {
extern uintptr_t start;  // 0: not noted
extern uintptr_t floor;  // the lowest frame address that still leaves the reserve
}  // namespace stack_detail

// True when less than the reserve kept for the error path is left: a
// quarter of the limit, at least 128 KB and at most 1 MB. Checked at every
// level of nesting, so it is inline.
inline bool stack_nearly_full() {
    return stack_detail::start != 0 &&
           reinterpret_cast<uintptr_t>(__builtin_frame_address(0)) < stack_detail::floor;
}

}  // namespace tolmex
