// Dense residue arrays for the modular one- and two-variable methods
// (products and division). Internal to src/poly.
//
// An array holds the residues of a one-variable poly by exponent: index i
// is the coefficient of x^i (0 where absent). Entries are residues of the
// current modulus (field elements in the fields of 2^8 and 2^16 elements).
#pragma once

#include <cstdint>
#include <vector>

#include "poly/poly.h"

namespace tolmex::polyimpl {

// The scratch arrays of the dense products: xx and yy indexed by exponent
// 0 .. fast_gcd_size, zz by 0 .. 2 fast_gcd_size (grown when the setting
// grows).
extern std::vector<int32_t> xx, yy, zz;
void reserve_dense_arrays();

// Writes the one-variable poly p (exponents >= 0, at most deg) into
// x[0 .. deg], zeros where absent.
void poly_to_array(const PolyNode* p, int32_t* x, int32_t deg);
// The same, returning the last (lowest) exponent of p.
int32_t unpack_terms(const PolyNode* p, int32_t* x, int32_t deg);
// The poly of the residues z[lo .. hi] (zero entries skipped); null when
// every entry is 0.
PolyNode* array_to_poly(const int32_t* z, int32_t lo, int32_t hi);
// The poly of z[0 .. n - 1] with z[j] the coefficient of x^(j + shift).
PolyNode* shifted_array_to_poly(const int32_t* z, int32_t n, int32_t shift);

// z[lx + ly .. ux + uy] := the product of x[lx .. ux] and y[ly .. uy], with
// the internal-error checks of the product routines (nonzero leading
// entries, lower limits not above upper ones).
void onevar_mult(const int32_t* x, int32_t lx, int32_t ux, const int32_t* y, int32_t ly, int32_t uy,
                 int32_t* z);
// z[0 .. nx + ny - 2] := x[0 .. nx - 1] times y[0 .. ny - 1] by Karatsuba on
// the arrays, down to poly_cutoff entries. No checks; zeros allowed.
void fast_array_onevar_mult(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z);
// The same choosing between the schoolbook loop and Karatsuba by size.
void array_product(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z);
// The schoolbook convolution: z[0 .. nx + ny - 2] := x times y (no checks,
// zeros allowed; z must not overlap x or y). Vector code where the
// processor has it, unless dense_vector_kernels is off (a test compares the
// two).
void mul_basecase(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z);
extern bool dense_vector_kernels;

// Scratch words for the dense methods, taken and given back last in first
// out; blocks once made are kept, and a block never moves while in use.
class DenseScratch {
public:
    DenseScratch();
    ~DenseScratch();
    DenseScratch(const DenseScratch&) = delete;
    DenseScratch& operator=(const DenseScratch&) = delete;
    // n words, contents unspecified.
    int32_t* take(size_t n);

private:
    size_t block_, used_;
};

// Reduction by a precomputed inverse: for m >= 1 and any 64-bit r, with
// inv = floor((2^64 - 1) / m), the quotient estimate (r inv) / 2^64 is the
// true quotient or one less.
struct Barrett {
    uint64_t m, inv;
    explicit Barrett(uint32_t mod) : m(mod), inv(UINT64_MAX / mod) {}
    uint32_t reduce(uint64_t r) const {
        const uint64_t q = static_cast<uint64_t>((static_cast<unsigned __int128>(r) * inv) >> 64);
        uint64_t s = r - q * m;
        if (s >= m) s -= m;
        return static_cast<uint32_t>(s);
    }
};

// Residue helpers on arrays.
inline int32_t res_add(int32_t a, int32_t b, int32_t m, bool field) {
    if (field) return a ^ b;
    const uint32_t s = static_cast<uint32_t>(a) + static_cast<uint32_t>(b);
    return static_cast<int32_t>(s >= static_cast<uint32_t>(m) ? s - static_cast<uint32_t>(m) : s);
}
inline int32_t res_sub(int32_t a, int32_t b, int32_t m, bool field) {
    if (field) return a ^ b;
    const int32_t d = a - b;
    return d < 0 ? d + m : d;
}

}  // namespace tolmex::polyimpl
