#include "storage/bitset.h"

namespace tolmex {

void PSet_Init(uint16_t* set, int16_t n) {
    for (int i = 0; i < n; ++i) set[i] = 0;
}

void PSet_Set(uint16_t* set, int16_t n, unsigned e) {
    unsigned w = e / 16;
    if (w >= static_cast<unsigned>(n)) return;  // beyond the capacity
    set[n - 1 - w] |= static_cast<uint16_t>(1u << (e % 16));
}

int PSet_Test(const uint16_t* set, int16_t n, unsigned e) {
    unsigned w = e / 16;
    if (w >= static_cast<unsigned>(n)) return 0;
    return (set[n - 1 - w] >> (e % 16)) & 1;
}

}  // namespace tolmex
