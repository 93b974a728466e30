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

namespace stack_detail {
uintptr_t start = 0;
uintptr_t floor = 0;
}  // namespace stack_detail

void note_stack_start(size_t limit) {
    stack_start = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    stack_limit = limit;
    stack_reserve = std::clamp(limit / 4, kMinReserve, kMaxReserve);
    // The frame address below which less than the reserve is left.
    if (stack_limit <= stack_reserve)
        stack_detail::floor = UINTPTR_MAX;  // no room beyond the reserve at all
    else
        stack_detail::floor = stack_start - std::min<uintptr_t>(stack_start, stack_limit - stack_reserve);
    stack_detail::start = stack_start;
}

size_t stack_room() {
    if (stack_start == 0) return SIZE_MAX;
    // The stack grows downward on every platform Tolmex runs on.
    const uintptr_t here = current_frame();
    const size_t used = here < stack_start ? stack_start - here : 0;
    return used >= stack_limit ? 0 : stack_limit - used;
}


}  // namespace tolmex
