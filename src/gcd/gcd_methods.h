// The methods the GCD driver chooses from, each in its own file, and the
// temporary modular arithmetic they share.
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {

struct PolyVar;

// ---------------------------------------------------------------------------
// One variable over Z/p (univariate_gcd.cpp, half_gcd.cpp)

// Modular mode with a prime modulus (or a field of characteristic 2); a and
// b polys whose top list has only number coefficients. g := their monic
// GCD (0 when both are 0). Consults the stash when it is on.
void basic_poly_gcd(const PolyNode* a, const PolyNode* b, Poly& g);

// ---------------------------------------------------------------------------
// Over Z by images modulo primes (mod_method.cpp)

// Rational mode; a and b primitive with respect to their main variable,
// deg a >= deg b > 0. g := their primitive GCD with a positive leading
// coefficient, from images modulo word-size primes combined by the
// Chinese remainder theorem and checked by trial division. Returns false
// when the method declines (the driver then goes on to its next method).
bool basic_mod_method(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars);

// ---------------------------------------------------------------------------
// Several variables whose dense arrays are small (dense_mod_method.cpp)

// Rational mode; a and b in two or more variables. g := their GCD up to its
// integer content, with a positive leading number, by evaluation and
// interpolation modulo word-size primes combined until a bound proves the
// result. False when the method declines (arrays too large or sparse for
// the terms, Laurent exponents, or the images keep failing).
bool dense_mod_method(const PolyNode* a, const PolyNode* b, Poly& g);
// Modular mode with a prime modulus large enough for the degrees: g := the
// monic GCD of a and b in two or more variables. False when it declines.
bool dense_modp_method(const PolyNode* a, const PolyNode* b, Poly& g);

// ---------------------------------------------------------------------------
// Several variables over Z/p (hensel_crt.cpp)

// Modular mode with a prime modulus, more than one variable: g := the monic
// GCD of a and b, reconstructed variable by variable from images at
// evaluation points (Chinese remaindering of polys, Hensel lifting where
// the images allow). Returns false when it gives up ("mod_multivar_Chinese
// gave up "), so that the driver falls back to the remainder sequence.
bool mod_multivar_Chinese(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars);

// ---------------------------------------------------------------------------
// Temporary modular arithmetic (temp_modulus.cpp)

// Computes modulo the prime p for a stretch of code in rational mode or
// under another modulus: every global of the modular state is set for p and
// put back when the guard ends, also when an error unwinds through it.
// Stored values are not converted; use residue_image for copies. The GCD
// stash is kept out of the way meanwhile. In rational mode every modded-out
// variable's modding poly is replaced by its image modulo p for the
// duration (put back exactly afterwards).
class TempModulus {
public:
    explicit TempModulus(int32_t p);
    ~TempModulus();
    TempModulus(const TempModulus&) = delete;
    TempModulus& operator=(const TempModulus&) = delete;

    struct Saved;

private:
    Saved* saved_;
};

// Inside a TempModulus: a copy of p (a rational-mode poly with integer
// coefficients, made outside) with every coefficient reduced mod the
// modulus in force; terms that vanish are dropped.
[[nodiscard]] PolyNode* residue_image(const PolyNode* p);
// Outside it again: a residue poly made inside turned into integers in
// the symmetric range (-p/2, p/2].
[[nodiscard]] PolyNode* symmetric_lift(const PolyNode* p, int32_t modulus);

}  // namespace tolmex
