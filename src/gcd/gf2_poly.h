// Polys over Z/2 packed 64 coefficients to a word: the arithmetic of
// factoring modulo 2, where a product is a carry-less word product, a
// square spreads the bits and a reduction shifts and adds the modulus.
// Internal to src/gcd.
#pragma once

#include <cstdint>
#include <vector>

#include "gcd/residue_arrays.h"

namespace tolmex::gf2 {

// Bit i of word i / 64 is the coefficient of x^i; the last word is
// nonzero, and the zero poly has no words.
struct Poly2 {
    std::vector<uint64_t> w;
    int32_t degree() const;  // -1 for zero
    bool is_zero() const { return w.empty(); }
    void trim();
};

Poly2 from_residues(const gcdimpl::Residues& a);
gcdimpl::Residues to_residues(const Poly2& a);

Poly2 add(const Poly2& a, const Poly2& b);
Poly2 mul(const Poly2& a, const Poly2& b);
Poly2 sqr(const Poly2& a);
// a := a + b x^t.
void add_shifted(Poly2& a, const Poly2& b, int32_t t);
// q := a div b, a := a mod b (b nonzero).
void divide(Poly2& a, const Poly2& b, Poly2* q);
// gcd(a, b) (monic: every nonzero poly over Z/2 is).
Poly2 gcd(Poly2 a, Poly2 b);

// Reduction modulo a fixed f of degree >= 1, through its 64 shifts.
class Mod2 {
public:
    explicit Mod2(Poly2 f);
    const Poly2& poly() const { return f_; }
    int32_t deg() const { return n_; }
    Poly2 reduce(Poly2 a) const;
    Poly2 mulmod(const Poly2& a, const Poly2& b) const { return reduce(mul(a, b)); }
    Poly2 sqrmod(const Poly2& a) const { return reduce(sqr(a)); }

private:
    Poly2 f_;
    int32_t n_;
    std::vector<std::vector<uint64_t>> shifts_;  // f x^s, s < 64, untrimmed
};

}  // namespace tolmex::gf2
