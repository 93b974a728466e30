// Pieces the files of the GCD driver share (polygcd.cpp, alg_c.cpp,
// content.cpp, gcd_stash.cpp), and the hooks the tests use to steer it.
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// g := p up to a unit: a positive leading coefficient over Z, monic over
// Z/p (a composite modulus leaves the leading coefficient alone, since it
// need not be invertible).
void correct_monic_form(const PolyNode* p, Poly& g);
// p := p made monic in place (modular mode; nothing over Z); the leading
// residue that was divided out is returned (1 when nothing changed).
int32_t make_monic_in_place(Poly& p);

// The primitive remainder sequence: a, b primitive in their main variable,
// deg a >= deg b > 0; g := their primitive GCD. May hand the pair back to
// polygcd when the sequence grows too costly (see alg_c.cpp).
void alg_c(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars, bool use_tests);

// Contents (content.cpp). c := the GCD of the main coefficients of p, one
// level deeper (not padded).
void content_2(const PolyNode* p, Poly& c, PolyVar* vars);
// c := gcd(h, every main coefficient of p), h and c one level deeper.
void aux_content(const PolyNode* p, const PolyNode* h, Poly& c, PolyVar* vars);
// c := the GCD of the polys of list[0 .. n) (all at one level), from the
// smallest on; it stops as soon as the GCD is a unit.
void general_content(const PolyNode* const* list, int n, Poly& c, PolyVar* vars);
// q := p / c for the content c of p at p's level (exact).
void divide_by_content(const PolyNode* p, const PolyNode* c, Poly& q, PolyVar* vars);

// Test hooks: how often each way of answering ran since the counters were
// last cleared, and a switch that sends every GCD with two non-constant
// operands of positive degree straight to the content split and the
// remainder sequence (no shortcuts, no stash, no modular methods).
struct GcdTally {
    int64_t alg_c_runs = 0;        // remainder sequences started
    int64_t coprime_by_prime = 0;  // answered by the coprimality test mod p
    int64_t coprime_by_images = 0; // answered by the evaluation test
    int64_t stash_hits = 0;
};
extern GcdTally gcd_tally;
extern bool gcd_force_alg_c;
// Leaves the modular methods out of the method choice (the cheap tests
// still run): Algorithm C with its cost rule is what answers.
extern bool gcd_skip_modular_methods;
// Leaves the dense evaluation methods out, so that the other modular
// methods answer what they would have.
extern bool gcd_skip_dense_methods;

}  // namespace tolmex

namespace tolmex {

// One call of the driver: its switches and what the transformations of the
// operands leave for the finish.
struct GcdCall {
    PolyVar* vars = nullptr;
    bool degree_only = false;
    bool use_tests = true;
    bool allow_alg_c = true;
    int32_t bound = -1;  // an upper bound for the main degree of g (-1: none)
};

// The cheap tests and the method choice (gcd_choice.cpp). a and b are
// the operands after the monomial and exponent steps, deg a >= deg b > 0.
//
// b divides a (small b, rational contents permitting): the quick
// divisibility shortcut.
bool quick_divisibility(const PolyNode* a, const PolyNode* b);
// The coprimality test modulo one of the first ten primes of the prime
// table (rational mode): the main degree of gcd(a, b) mod p, or -1 when no
// prime served.
int32_t use_modular(const PolyNode* a, const PolyNode* b, PolyVar* vars);
// The evaluation test (modular mode, several variables): the smallest main
// degree of the GCD of one-variable images, or -1 when no substitution kept
// the degrees.
int32_t fast_test_2(const PolyNode* a, const PolyNode* b, PolyVar* vars);
// a and b are equal up to a constant factor.
bool essentially_equal(const PolyNode* a, const PolyNode* b);
// The size heuristic: may the modular methods be tried before the
// remainder sequence?
bool modular_first(const PolyNode* a, const PolyNode* b);
// The modular method over Z fits the pair (bound: see GcdCall).
bool do_mod_method_now(const PolyNode* a, const PolyNode* b, int32_t bound);
// Hensel lifting and Chinese remaindering over Z/p fit the pair.
bool mod_do_Chinese(const PolyNode* a, const PolyNode* b, int32_t bound);
// The trial division of the primitive a by the primitive b is worth trying.
bool worth_trial_division(const PolyNode* a, const PolyNode* b);

}  // namespace tolmex
