// Row kernels of eliminations modulo a word modulus p (not the field
// modes): the inner loops of determinants, echelon forms and
// characteristic polynomials over Z/p, which spend nearly all their time
// in "row i -= f row k".
//
// They use Shoup's precomputed quotient of the fixed factor f: no
// division in the loop and no branch (the conditional subtractions are
// minimums of unsigned values), so the compiler vectorises the row loop.
#pragma once

#include <algorithm>
#include <cstdint>

namespace tolmex {

// f x mod p for many x with the same f (0 <= f, x < p < 2^31).
struct ShoupFactor {
    uint32_t f, fs, p;
    ShoupFactor(uint32_t factor, uint32_t modulus)
        : f(factor), fs(static_cast<uint32_t>((static_cast<uint64_t>(factor) << 32) / modulus)), p(modulus) {}
    uint32_t times(uint32_t x) const {
        const uint32_t q = static_cast<uint32_t>((static_cast<uint64_t>(fs) * x) >> 32);
        const uint32_t r = f * x - q * p;  // f x mod p, in 0 .. 2p - 1
        return std::min(r, r - p);
    }
};

// a - b and a + b mod p for residues a, b.
inline uint32_t residue_sub(uint32_t a, uint32_t b, uint32_t p) {
    const uint32_t t = a - b;  // wraps when a < b
    return std::min(t, t + p);
}
inline uint32_t residue_add(uint32_t a, uint32_t b, uint32_t p) {
    const uint32_t t = a + b;
    return std::min(t, t - p);
}

// ri[c] := ri[c] - f rk[c] mod p for c < len.
void residue_row_submul(int32_t* ri, const int32_t* rk, int32_t len, uint32_t f, uint32_t p);

// The sum of f[k] x[k] mod p for k < len, each f with its Shoup quotient
// fs[k] (ShoupFactor::fs).
uint32_t residue_dot(const int32_t* x, const uint32_t* f, const uint32_t* fs, int32_t len, uint32_t p);

}  // namespace tolmex
