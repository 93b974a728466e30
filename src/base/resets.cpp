#include "base/resets.h"

#include <vector>

namespace tolmex {

namespace {

constexpr int kResetPoints = 5;

std::vector<void (*)(int)>& hooks(ResetPoint point) {
    static std::vector<void (*)(int)> table[kResetPoints];
    return table[static_cast<int>(point)];
}

}  // namespace

void on_reset(ResetPoint point, void (*fn)(int)) {
    auto& list = hooks(point);
    for (auto f : list)
        if (f == fn) return;
    list.push_back(fn);
}

void run_resets(ResetPoint point, int code) {
    for (auto fn : hooks(point)) fn(code);
}

}  // namespace tolmex
