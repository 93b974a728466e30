#include "gcd/gcd_methods.h"

#include "gcd/gcd_state.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

// Every global that residue arithmetic reads, and the stash level: the
// GCDs computed modulo a temporary prime must never meet stashed results
// of the ring in force, nor leave theirs behind.
struct TempModulus::Saved {
    int modularmode, lintmode, smallmodulus, mod_is_prime, finf, f256, f2t16;
    int32_t modulus, half_modulus, two28_mod, lookupgcd;
    double rmodulus;
};

TempModulus::TempModulus(int32_t p)
    : saved_(new Saved{modularmode, lintmode, smallmodulus, mod_is_prime, finf, f256, f2t16,
                       modulus, half_modulus, two28_mod, lookupgcd, rmodulus}) {
    modularmode = lintmode = 1;
    finf = f256 = f2t16 = 0;
    modulus = p;
    rmodulus = p;
    half_modulus = p / 2;
    smallmodulus = p < 65535;
    mod_is_prime = 1;
    two28_mod = static_cast<int32_t>((int64_t{1} << 28) % p);
    lookupgcd = -16383;
}

TempModulus::~TempModulus() {
    const Saved& s = *saved_;
    modularmode = s.modularmode;
    lintmode = s.lintmode;
    smallmodulus = s.smallmodulus;
    mod_is_prime = s.mod_is_prime;
    finf = s.finf;
    f256 = s.f256;
    f2t16 = s.f2t16;
    modulus = s.modulus;
    half_modulus = s.half_modulus;
    two28_mod = s.two28_mod;
    lookupgcd = s.lookupgcd;
    rmodulus = s.rmodulus;
    delete saved_;
}

namespace {

void reduce_coefficient(Number& x) { change_num(x, true, false); }

int32_t lift_modulus = 0;

// Rational mode again: the residue word becomes the integer in
// (-p/2, p/2].
void lift_coefficient(Number& x) {
    int32_t r = x.lint();
    if (r > lift_modulus / 2) r -= lift_modulus;
    setvalue(r, x);
}

}  // namespace

PolyNode* residue_image(const PolyNode* p) {
    Poly c(copy_poly_exact(p));
    poly_map_coefficients(c.raw(), reduce_coefficient);
    return c.release();
}

PolyNode* symmetric_lift(const PolyNode* p, int32_t modulus_used) {
    Poly c(copy_poly_exact(p));
    lift_modulus = modulus_used;
    poly_map_coefficients(c.raw(), lift_coefficient);
    return c.release();
}

}  // namespace tolmex
