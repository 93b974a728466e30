// The GCD of multivariate polys over Z/p on dense arrays of residues, by
// evaluation and interpolation one variable at a time, with the cofactors.
// It serves the dense modular method over Z (dense_mod_method.cpp) and the
// multivariate GCD over Z/p. Internal to src/gcd.
#pragma once

#include <cstdint>
#include <vector>

namespace tolmex::gcdimpl {

// Arithmetic modulo a prime p below 2^31: the product through a double
// estimate of the quotient (exact for these sizes), no division.
class Zp {
public:
    explicit Zp(uint32_t p) : p_(p), inv_(1.0 / p) {}
    uint32_t prime() const { return p_; }
    uint32_t add(uint32_t a, uint32_t b) const {
        const uint32_t s = a + b;
        return s >= p_ ? s - p_ : s;
    }
    uint32_t sub(uint32_t a, uint32_t b) const { return a >= b ? a - b : a + p_ - b; }
    uint32_t mul(uint32_t a, uint32_t b) const {
        const uint64_t q = static_cast<uint64_t>(static_cast<double>(a) * b * inv_);
        int64_t r = static_cast<int64_t>(uint64_t{a} * b - q * p_);
        if (r < 0) r += p_;
        if (r >= static_cast<int64_t>(p_)) r -= p_;
        return static_cast<uint32_t>(r);
    }
    // 1 / a for a nonzero a.
    uint32_t inverse(uint32_t a) const;

private:
    uint32_t p_;
    double inv_;
};

// A poly in n variables as the dense array of poly_dense_view.h: extent[i]
// is one more than the degree bound of level i + 1, level n varies fastest.
struct DenseMod {
    std::vector<int32_t> extent;
    std::vector<uint32_t> c;
    int64_t cells() const { return static_cast<int64_t>(c.size()); }
};

// g := the monic GCD of a and b (lexicographically leading coefficient 1),
// ca := a / g and cb := b / g, with g shaped by the smaller extent of each
// level and ca, cb shaped as a and b. Both a and b nonzero, of the same
// number of levels. False when the method runs out of evaluation points
// (a field too small for the degrees); nothing is then promised of g.
bool dense_gcd(const Zp& f, const DenseMod& a, const DenseMod& b, DenseMod& g, DenseMod& ca,
               DenseMod& cb);

// The index of the lexicographically leading term (the last nonzero
// entry), -1 for zero.
int64_t leading_index(const std::vector<uint32_t>& c);

}  // namespace tolmex::gcdimpl
