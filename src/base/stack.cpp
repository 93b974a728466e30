#include "base/stack.h"

#include <algorithm>
#include <cstdint>

namespace tolmex {

namespace {

uintptr_t stack_start = 0;  // 0: not noted
size_t stack_limit = 0;
size_t stack_reserve = 0;

constexpr size_t kMinReserve = size_t{128} << 10;
constexpr size_t kMaxReserve = size_t{1} << 20;

uintptr_t current_frame() {
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
}

}  // namespace

void note_stack_start(size_t limit) {
    stack_start = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    stack_limit = limit;
    stack_reserve = std::clamp(limit / 4, kMinReserve, kMaxReserve);
}

size_t stack_room() {
    if (stack_start == 0) return SIZE_MAX;
    // The stack grows downward on every platform Tolmex runs on.
    const uintptr_t here = current_frame();
    const size_t used = here < stack_start ? stack_start - here : 0;
    return used >= stack_limit ? 0 : stack_limit - used;
}

bool stack_nearly_full() { return stack_room() < stack_reserve; }

}  // namespace tolmex
