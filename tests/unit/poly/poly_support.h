// Shared helpers of the polynomial tests: start-up, the ground ring and the
// variables a test works with, random polys, an independent expansion of
// polys into monomials (the oracle of the arithmetic tests), and a checker
// of the representation invariants.
#pragma once

#include "poly/poly_arith.h"

#include <gmp.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/errors.h"
#include "numbers/number.h"
#include "poly/poly.h"
#include "ring_scope.h"

namespace polytest {

using tolmex::Number;
using tolmex::Poly;
using tolmex::PolyNode;

// The seed of this run: TOLMEX_SEED from the environment, else a fixed one.
uint64_t seed();
#define POLYTEST_SEED_TRACE() SCOPED_TRACE("seed " + std::to_string(polytest::seed()))

// Exactly n polynomial variables x1 .. xn exist, x1 at level 1.
void use_vars(int n);

// The ground ring for a test (unit::RingScope), with every setting the poly
// code reads restored when the guard ends.
class Ring : unit::RingScope {
public:
    explicit Ring(int32_t m);
    ~Ring();

private:
    int cutoff_, fmc_, fgs_, spc_, dpc_, laurent_;
};

// Sets the cutoffs for a test and restores them afterwards.
class Cutoffs {
public:
    Cutoffs(int poly, int fast_mult, int gcd_size, int simplest, int div = -1);
    ~Cutoffs();
    Cutoffs(const Cutoffs&) = delete;
    Cutoffs& operator=(const Cutoffs&) = delete;

private:
    int poly_, fmc_, fgs_, spc_, div_;
};

// An exponent vector (index 0 is level 1) and the monomial expansion of a
// poly: coefficients as decimal-free GMP integers (rational mode) or as
// residues (modular mode, held in the low word of the mpz).
struct Mono {
    std::vector<int32_t> e;
    bool operator<(const Mono& o) const { return e < o.e; }
};
class Expansion {
public:
    Expansion() = default;
    ~Expansion();
    Expansion(const Expansion&);
    Expansion& operator=(const Expansion&);
    void add(const Mono& m, const mpz_t c);  // drops zeros
    const std::map<Mono, mpz_t*>& terms() const { return t_; }
    bool operator==(const Expansion& o) const;
    std::string str() const;

private:
    std::map<Mono, mpz_t*> t_;
};

// The expansion of p over nvars variables (respects the ring in force).
Expansion expand(const PolyNode* p, int nvars);
Expansion exp_mult(const Expansion& a, const Expansion& b);
Expansion exp_add(const Expansion& a, const Expansion& b, bool sub);
// The poly of an expansion (built independently, monomial by monomial).
Poly from_expansion(const Expansion& e, int nvars);

// A monomial c * x1^e1 ... xn^en built node by node.
Poly monomial_poly(const Number& c, const std::vector<int32_t>& e);
Number int_number(int64_t v);  // respects the ring (a residue in modular mode)
Poly int_poly(int64_t v);

struct Shape {
    int nvars = 1;
    int terms = 10;
    int max_deg = 8;          // per variable
    int digits = 1;           // decimal digits of the coefficients (rational)
    bool allow_negative_exponents = false;
};
// A random poly: `terms` random monomials summed (fewer after collisions).
Poly random_poly(std::mt19937_64& rng, const Shape& s);
// A dense random poly: every monomial of total degree <= deg in nvars.
Poly dense_poly(std::mt19937_64& rng, int nvars, int deg, int digits);

// The invariants of the representation (sorted exponents, no zero terms,
// number nodes last with exponent 0, no term of exponent 0 over a constant,
// residues in range).
::testing::AssertionResult well_formed(const PolyNode* p);
// The same value, with a readable failure message.
::testing::AssertionResult same_poly(const PolyNode* p, const PolyNode* q, int nvars);

// Plain text of a poly, monomial by monomial.
std::string text(const PolyNode* p, int nvars);
// The plain nested form of p, node by node, written independently of the
// display code: coefficients in parentheses, "+" between terms, "*xL^(e)"
// after a coefficient of exponent e != 0 at level L (p's top level is
// `level`). The poly reader takes it back.
std::string plain_form(const PolyNode* p, int level = 1);

// Small builders for readable tests.
inline tolmex::Poly var_poly(int level) {
    tolmex::Poly x;
    tolmex::base_poly(x, level);
    return x;
}

inline tolmex::Poly sum(const tolmex::PolyNode* a, const tolmex::PolyNode* b) {
    tolmex::Poly c;
    tolmex::poly_add(a, b, c);
    return c;
}

inline tolmex::Poly product(const tolmex::PolyNode* a, const tolmex::PolyNode* b) {
    tolmex::Poly c;
    tolmex::poly_mult(a, b, c, nullptr);
    return c;
}

inline tolmex::Poly power(const tolmex::PolyNode* a, int n) {
    tolmex::Poly c(tolmex::copy_poly(a));
    tolmex::compute_power(c, n, nullptr);
    return c;
}

}  // namespace polytest
