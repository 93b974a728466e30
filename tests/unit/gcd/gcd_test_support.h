// Helpers of the GCD tests: readable poly expressions, the auxiliary primes
// the coprimality test reads, and the properties every GCD must have.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "gcd/gcd_driver.h"
#include "gcd/gcd_state.h"
#include "gcd/polygcd.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/tables.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_support.h"
#include "poly/polyvars.h"

namespace gcdtest {

using tolmex::Number;
using tolmex::Poly;
using tolmex::PolyNode;

// The start-up reads the prime table from a data file; the tests put the
// first ten moduli in place themselves.
inline void load_aux_primes() {
    if (tolmex::prime[0] && tolmex::prime[0].size() > 0) return;
    const int32_t first[] = {3001, 16087, 16273, 16339, 19997};
    int32_t p = 20000;
    for (int i = 0; i < 10; ++i) {
        const int32_t v = i < 5 ? first[i] : (p = tolmex::nextprime(p));
        tolmex::setvalue(v, tolmex::prime[i]);
    }
}

// A poly value with arithmetic operators, for writing test polys.
struct P {
    Poly p;
    P(int64_t v) : p(polytest::int_poly(v)) {}  // NOLINT: constants read naturally
    explicit P(Poly&& q) : p(std::move(q)) {}
    P(const P& o) : p(tolmex::copy_poly(o.p.get())) {}
    P& operator=(P&& o) noexcept = default;
    P& operator=(const P& o) {
        p.reset(tolmex::copy_poly(o.p.get()));
        return *this;
    }
    const PolyNode* get() const { return p.get(); }
};
inline P var(int level) { return P(polytest::var_poly(level)); }
inline P operator+(const P& a, const P& b) { return P(polytest::sum(a.get(), b.get())); }
inline P operator*(const P& a, const P& b) { return P(polytest::product(a.get(), b.get())); }
inline P operator-(const P& a, const P& b) {
    Poly c;
    tolmex::poly_sub(a.get(), b.get(), c);
    return P(std::move(c));
}
inline P operator^(const P& a, int n) { return P(polytest::power(a.get(), n)); }

// The GCD as the value code asks for it.
inline Poly gcd_of(const PolyNode* a, const PolyNode* b) {
    Poly g;
    tolmex::Lpolygcd(a, b, g);
    return g;
}

// b divides a; q := the quotient.
inline bool divides(const PolyNode* b, const PolyNode* a, Poly& q) {
    return tolmex::trial_poly_divide(a, b, q, nullptr);
}

// Positive leading coefficient over Z, monic over Z/p.
inline bool normalised(const PolyNode* g) {
    const Number& lc = tolmex::leading_number(g);
    if (!tolmex::lintmode) return lc.sign() > 0;
    return tolmex::num_is_one(lc);
}

// g = gcd(a c, b c) has all the properties of the GCD: a multiple of c,
// dividing both, cofactors coprime, normalised.
::testing::AssertionResult is_gcd_of_multiples(const PolyNode* g, const PolyNode* ac,
                                               const PolyNode* bc, const PolyNode* c);

}  // namespace gcdtest
