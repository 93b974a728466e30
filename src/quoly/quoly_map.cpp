// Mapping the numbers of a quoly for a change of ground ring.
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "poly/poly_settings.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

// A denominator the new ring can divide by: not zero, and modulo a
// composite modulus a leading coefficient prime to the modulus.
bool usable_denominator(const PolyNode* d) {
    if (poly_iszero(d)) return false;
    if (!lintmode || finf || !modularmode) return true;
    return smallgcd(leading_number(d).lint(), modulus) == 1;
}

}  // namespace

bool quoly_map_coefficients(Quoly& q, CoefficientMap f) {
    if (q->numflag) {
        f(q->num);
        return true;
    }
    q->ratflag = 0;  // recomputed by the normal form below
    poly_map_coefficients(q->nump, f);
    if (q->denp) poly_map_coefficients(q->denp, f);
    if (poly_iszero(q->nump)) {
        quoly_set(0, q);
        return true;
    }
    if (q->denp && !usable_denominator(q->denp)) {
        quoly_set(0, q);
        return false;
    }
    if (lintmode) {
        check_quoly(q, laurent);
    } else {
        sanitize(q);
        normal_form(q, laurent);
    }
    return true;
}

}  // namespace tolmex
