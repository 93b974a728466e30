// Helpers of the GCD tests: readable poly expressions, the auxiliary primes
// the coprimality test reads, and the properties every GCD must have.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

#include "gcd/gcd_driver.h"
#include "gcd/gcd_state.h"
#include "gcd/polygcd.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
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

// Verbose output captured while it lives.
class Verbose {
public:
    Verbose() : saved_(tolmex::verbose) {
        tolmex::verbose = 1;
        ::testing::internal::CaptureStdout();
    }
    ~Verbose() { tolmex::verbose = saved_; }
    std::string output() { return ::testing::internal::GetCapturedStdout(); }

private:
    int saved_;
};

// A random factor of the method tests: dense (every monomial up to a small
// total degree) or sparse, smaller in more variables.
Poly random_factor(std::mt19937_64& rng, int nvars, bool dense, int digits);

// The answer g of a method for a and b against the reference GCD, and a
// multiple of c (up to its content) with coprime cofactors.
void check_against_reference(const PolyNode* g, const PolyNode* a, const PolyNode* b,
                             const PolyNode* c, int nvars);

// g = gcd(a c, b c) has all the properties of the GCD: a multiple of c,
// dividing both, cofactors coprime, normalised.
::testing::AssertionResult is_gcd_of_multiples(const PolyNode* g, const PolyNode* ac,
                                               const PolyNode* bc, const PolyNode* c);

}  // namespace gcdtest
