#include "numbers/residue_rows.h"

namespace tolmex {

// The AVX2 clone is taken where the processor has it.
__attribute__((target_clones("avx2", "default"))) void residue_row_submul(int32_t* ri, const int32_t* rk,
                                                                          int32_t len, uint32_t f, uint32_t p) {
    const ShoupFactor m(f, p);
    for (int32_t c = 0; c < len; ++c)
        ri[c] = static_cast<int32_t>(residue_sub(static_cast<uint32_t>(ri[c]), m.times(static_cast<uint32_t>(rk[c])), p));
}

// The reduced products are below 2^31, so a 64-bit sum of them cannot
// overflow for any length an int32_t counts.
__attribute__((target_clones("avx2", "default"))) uint32_t residue_dot(const int32_t* x, const uint32_t* f,
                                                                       const uint32_t* fs, int32_t len, uint32_t p) {
    uint64_t acc = 0;
    for (int32_t k = 0; k < len; ++k) {
        const uint32_t v = static_cast<uint32_t>(x[k]);
        const uint32_t q = static_cast<uint32_t>((static_cast<uint64_t>(fs[k]) * v) >> 32);
        const uint32_t r = f[k] * v - q * p;
        acc += std::min(r, r - p);
    }
    return static_cast<uint32_t>(acc % p);
}

}  // namespace tolmex
