// basic_poly_gcd: the GCD of one-variable polys over Z/p and the fields of
// characteristic 2, on residue arrays.
#include "gcd/univariate_gcd.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_stash.h"
#include "gcd/gcd_state.h"
#include "gcd/half_gcd.h"
#include "numbers/field_tables.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_residues.h"
#include "poly/poly_settings.h"

namespace tolmex {

using gcdimpl::degree;
using gcdimpl::Residues;

int32_t small_gcd_stash_cut = 100;
int32_t hgcd_cut = 11000;
UniGcdMethod unigcd_method = UniGcdMethod::Automatic;

namespace {
// The longest residue array made (2^24 entries, 64 MB): a longer operand
// is reduced modulo the shorter one term by term.
constexpr int32_t kLongestArray = int32_t{1} << 24;
}  // namespace

// ---------------------------------------------------------------------------
// Euclid with cofactors

namespace {

// (r0, r1) := (r1, r0 - q r1).
void rotate(Residues& r0, Residues& r1, const Residues& q) {
    Residues next = gcdimpl::difference(r0, gcdimpl::product(q, r1));
    r0 = std::move(r1);
    r1 = std::move(next);
}

}  // namespace

void emgcd_full(const Residues& a, const Residues& b, Residues& g, Residues* s, Residues* t) {
    Residues r0 = a, r1 = b, s0{1}, s1, t0, t1{1}, q;
    while (!r1.empty()) {
        gcdimpl::divide_in_place(r0, r1, q);  // r0 := r0 mod r1
        std::swap(r0, r1);
        if (s) rotate(s0, s1, q);
        if (t) rotate(t0, t1, q);
        poll_interrupt();
    }
    if (r0.empty()) {  // both zero
        s0.clear();
        t0.clear();
    }
    const int32_t f = gcdimpl::make_monic(r0);
    g = std::move(r0);
    if (s) {
        gcdimpl::scale(s0, f);
        *s = std::move(s0);
    }
    if (t) {
        gcdimpl::scale(t0, f);
        *t = std::move(t0);
    }
}

void emgcd_poly(const PolyNode* a, const PolyNode* b, Poly& g, Poly* s, Poly* t) {
    Residues ga, sa, ta;
    emgcd_full(gcdimpl::to_residues(a), gcdimpl::to_residues(b), ga, s ? &sa : nullptr,
               t ? &ta : nullptr);
    if (s) s->reset(gcdimpl::to_poly(sa));
    if (t) t->reset(gcdimpl::to_poly(ta));
    g.reset(gcdimpl::to_poly(ga));
}

// ---------------------------------------------------------------------------
// Euclid on the dense arrays

namespace {

// x := x mod y for deg x = deg y + 1 and a modulus of at most 46339, whose
// residue products stay below 2^31: both quotient terms are found first and
// every entry takes one pass with one reduction.
void single_step(Residues& x, const Residues& y) {
    const int32_t dy = degree(y);
    const int32_t inv = gcdimpl::r_inv(y.back());
    const int32_t q1 = gcdimpl::r_mul(x[dy + 1], inv);
    const int32_t r = gcdimpl::r_sub(x[dy], gcdimpl::r_mul(q1, dy > 0 ? y[dy - 1] : 0));
    const int32_t q0 = gcdimpl::r_mul(r, inv);
    const uint32_t m = static_cast<uint32_t>(modulus);
    const uint32_t n1 = m - static_cast<uint32_t>(q1), n0 = m - static_cast<uint32_t>(q0);
    // x[k] - q1 y[k-1] - q0 y[k]: the sum of two products and a residue
    // stays below 2^32.
    for (int32_t k = dy - 1; k >= 1; --k) {
        const uint32_t s = n1 * static_cast<uint32_t>(y[k - 1]) + n0 * static_cast<uint32_t>(y[k]);
        x[k] = static_cast<int32_t>((s % m + static_cast<uint32_t>(x[k])) % m);
    }
    if (dy >= 1) x[0] = gcdimpl::r_sub(x[0], gcdimpl::r_mul(q0, y[0]));
    x.resize(static_cast<size_t>(dy));
    gcdimpl::trim(x);
}

// x := x mod y (deg x >= deg y).
void divide_y_into_x(Residues& x, const Residues& y) {
    if (finf) return f_divide_y_into_x(x, y);
    if (modulus <= 46339 && degree(x) == degree(y) + 1)
        single_step(x, y);
    else
        gcdimpl::remainder_in_place(x, y);
}

}  // namespace

void f_divide_y_into_x(Residues& x, const Residues& y) {
    // sub_multiple takes the field's product tables for the row updates.
    gcdimpl::remainder_in_place(x, y);
}

void f_divide_x_into_y(const Residues& x, Residues& y) { gcdimpl::remainder_in_place(y, x); }

void euclid_total(Residues& a, Residues& b, Residues& g) {
    if (degree(a) < degree(b)) std::swap(a, b);
    // The two arrays take turns as dividend, so nothing is copied.
    Residues& x = a;
    Residues& y = b;
    for (;;) {
        if (y.empty()) {
            g = std::move(x);
            break;
        }
        divide_y_into_x(x, y);
        if (x.empty()) {
            g = std::move(y);
            break;
        }
        if (finf)
            f_divide_x_into_y(x, y);
        else
            divide_y_into_x(y, x);
        poll_interrupt();
    }
    gcdimpl::make_monic(g);
}

// ---------------------------------------------------------------------------
// The entry point

namespace {

UniGcdMethod choose_method(int32_t size) {
    if (unigcd_method != UniGcdMethod::Automatic) return unigcd_method;
    if (size > (finf ? kHalfGcdFieldDegreeSum : kHalfGcdDegreeSum)) return UniGcdMethod::HalfGcd;
    if (modulus < 65534 && size < fast_gcd_size) return UniGcdMethod::Emgcd;
    return UniGcdMethod::Euclid;
}

// g := monic gcd(a, b) of the arrays by the chosen method.
void array_gcd(Residues& a, Residues& b, Residues& g) {
    const int32_t size = degree(a) + degree(b);
    switch (choose_method(size)) {
    case UniGcdMethod::Emgcd:
        return emgcd_full(a, b, g, nullptr, nullptr);
    case UniGcdMethod::HalfGcd:
        return fullhg(a, b, g);
    default:
        return euclid_total(a, b, g);
    }
}

// Residues x^e mod m, for deg m >= 1, by repeated squaring.
Residues power_of_x_mod(int64_t e, const Residues& m) {
    Residues r{1}, base{0, 1};
    gcdimpl::remainder_in_place(base, m);
    for (; e > 0; e >>= 1) {
        if (e & 1) {
            r = gcdimpl::product(r, base);
            gcdimpl::remainder_in_place(r, m);
        }
        if (e > 1) {
            base = gcdimpl::product(base, base);
            gcdimpl::remainder_in_place(base, m);
        }
        poll_interrupt();
    }
    return r;
}

// a mod m for a poly a too long for an array (exponents divided by
// stride): the terms are reduced one by one, so only arrays of the degree
// of m are made.
Residues sparse_remainder(const PolyNode* a, const Residues& m, int32_t stride) {
    Residues r;
    const bool numbers = each_residue_term(a, [&](int32_t e, int32_t c) {
        Residues t = power_of_x_mod(e / stride, m);
        gcdimpl::scale(t, c);
        r = gcdimpl::sum(r, t);
    });
    if (!numbers) internal_stop(" number in basic_poly_gcd ");
    return r;
}

// The GCD of the exponents of both operands: when both are polys in x^d
// their GCD is one too, computed on arrays d times shorter.
int32_t common_stride(const PolyNode* a, const PolyNode* b) {
    const int32_t d = std::gcd(top_exponent_gcd(a), top_exponent_gcd(b));
    return d > 0 ? d : 1;
}

// g := p made monic (0 stays 0), without arrays: p may be long.
void monic_copy(const PolyNode* p, Poly& g) {
    if (poly_iszero(p)) return poly_assign(p, g);
    int32_t inv = 0;
    emod_inverse(leading_number(p).lint(), inv);
    Number c;
    setvalue(inv, c);
    scalar_by_poly(c, p, g);
}

// The arrays of nonzero a and b (x of the larger degree); an operand too long for
// an array is first reduced modulo the other. Both too long is error 375.
void unpack(const PolyNode* a, const PolyNode* b, int32_t stride, Residues& x, Residues& y) {
    if (main_degree(a) < main_degree(b)) std::swap(a, b);
    y = gcdimpl::to_residues(b, stride);
    if (main_degree(a) / stride <= kLongestArray) {
        x = gcdimpl::to_residues(a, stride);
    } else if (main_degree(b) / stride > kLongestArray) {
        fail(kErrOutOfMemory, "GCD");
    } else if (degree(y) == 0) {
        x = Residues{1};  // b is a unit
    } else {
        x = sparse_remainder(a, y, stride);
    }
}

}  // namespace

void basic_poly_gcd(const PolyNode* a, const PolyNode* b, Poly& g) {
    if (!height_is_1(a) || !height_is_1(b)) internal_stop(" number in basic_poly_gcd ");
    if (poly_iszero(b) || poly_iszero(a)) return monic_copy(poly_iszero(b) ? a : b, g);
    const int32_t stride = common_stride(a, b);
    GcdStashSlot slot;
    const bool stash = lookupgcd > 0 && std::min(main_degree(a), main_degree(b)) > 1;
    if (stash && gcd_stash_find(a, b, g, slot, small_gcd_stash_cut)) return;
    Residues x, y, r;
    unpack(a, b, stride, x, y);
    array_gcd(x, y, r);
    g.reset(gcdimpl::to_poly(r, stride));
    if (stash) gcd_stash_store(slot, g.get());
}

}  // namespace tolmex
