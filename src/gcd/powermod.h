// Arithmetic modulo a fixed one-variable poly over Z/p and the fields of
// 2^8 and 2^16 elements, on dense residue arrays: fast products (number-
// theoretic transforms over three word primes for large degrees), reduction
// through a precomputed inverse of the reversed modulus (two products per
// reduction), and powers with exponents of any size. Factoring spends most
// of its time here. Internal to src/gcd.
#pragma once

#include <cstdint>
#include <vector>

#include "gcd/residue_arrays.h"

namespace tolmex::gcdimpl {

// Below this many coefficients in the shorter operand the products of the
// ring in force (schoolbook, Karatsuba) are used; above it, with a prime
// modulus, the transforms.
extern int32_t ntt_product_cut;  // 96
// Moduli of degree below this reduce by long division.
extern int32_t newton_reduce_cut;  // 64

// a * b in the ring in force; the zero poly is the empty array.
Residues fast_product(const Residues& a, const Residues& b);
// a * a.
Residues fast_square(const Residues& a);

// A nonnegative integer of any size as an exponent: 32-bit limbs, least
// significant first.
class Exponent {
public:
    Exponent() = default;
    explicit Exponent(uint64_t v);
    // q^d.
    static Exponent power(const Exponent& q, int32_t d);
    void mul_small(uint32_t m);
    void mul(const Exponent& m);
    void sub_one();  // the value must be positive
    void halve();
    int32_t bits() const;
    bool bit(int32_t i) const;
    bool is_zero() const { return limbs_.empty(); }
    // The value when it fits in 64 bits, else 0.
    uint64_t low64() const;

private:
    void trim();
    std::vector<uint32_t> limbs_;
};

// The modulus of a run of reductions: a monic poly f of degree >= 1 and,
// for large degrees, the inverse of its reversal to the precision the
// reductions need.
class ModPoly {
public:
    explicit ModPoly(Residues f);
    const Residues& poly() const { return f_; }
    int32_t deg() const { return degree(f_); }
    // a mod f for any a of degree below 2 deg(f) - 1.
    Residues reduce(Residues a) const;
    // a mod f for a of any degree: the top 2 deg(f) - 1 terms at a time.
    Residues reduce_any(Residues a) const;
    Residues mulmod(const Residues& a, const Residues& b) const;
    Residues sqrmod(const Residues& a) const;
    // Calls sink(i, g^i mod f) for i = 0 .. count - 1 (g reduced). For the
    // small moduli the powers come two at a time, along the chains of even
    // and odd exponents, from transforms of the fixed operands made once.
    template <class Sink>
    void powers(const Residues& g, int32_t count, Sink&& sink) const;

private:
    // The paired route when the transforms are exact for it.
    bool paired_powers(const Residues& g, int32_t count, void (*sink)(void*, int32_t, const Residues&),
                       void* ctx) const;
    Residues f_;
    Residues finv_;  // rev(f)^-1 mod x^(deg f - 1); empty: long division
};

template <class Sink>
void ModPoly::powers(const Residues& g, int32_t count, Sink&& sink) const {
    auto call = [](void* ctx, int32_t i, const Residues& r) { (*static_cast<Sink*>(ctx))(i, r); };
    if (paired_powers(g, count, call, &sink)) return;
    Residues r{1};
    for (int32_t i = 0; i < count; ++i) {
        sink(i, r);
        if (i + 1 < count) r = mulmod(r, g);
    }
}

// a^e reduced modulo m (a reduced already). show prints the progress: a dot
// for every 64 squarings.
Residues powermod(const Residues& a, const ModPoly& m, const Exponent& e, bool show = false);

// The q-th power map modulo m as a matrix: row i holds x^(q i) mod m, so
// that h^q = h(x^q) = sum h_i row_i for h reduced (q the field size, the
// coefficients being fixed by the map). One application costs deg(m)^2
// word products instead of the 1.5 log2(q) products modulo m of a power;
// building it costs deg(m) products modulo m.
class FrobeniusMatrix {
public:
    // Whether the matrix pays for a modulus of degree n: a prime modulus
    // below 2^20 (whose sums of deg(m) products fit in 64 bits), q of 16
    // or more, n from 64 to 4096.
    static bool pays(int32_t n);
    FrobeniusMatrix(const ModPoly& m, const Residues& xq);
    Residues apply(const Residues& h) const;

private:
    int32_t n_;
    std::vector<uint32_t> rows_;    // n x n, row-major
    std::vector<uint16_t> rows16_;  // the same for moduli below 2^16
};

// The inverse of a mod x^n (a[0] nonzero) by Newton's iteration.
Residues series_inverse(const Residues& a, int32_t n);

}  // namespace tolmex::gcdimpl
