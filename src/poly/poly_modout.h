// Reduction of polys by the modding polys of modded-out variables
// (quotient rings R[t]/(m) and algebraic extensions). A variable record's
// `mod_poly` is the monic modulus with integer (or residue) coefficients in
// the variable itself and the deeper levels, rooted at the variable's own
// level (wrapper nodes above it are tolerated and skipped). The field
// starts at level `field_depth` (0: no field): the variables at that level
// and deeper are all modded out by irreducible moduli. `modout_above_field`
// is set when a variable outside the field is modded out as well.
//
// A poly is reduced when, at every level whose variable is modded out by m
// of degree d, every exponent of that variable is below d (and, with
// negative exponents allowed, none is negative where the variable is a
// unit of the field). Sums of reduced polys are reduced; products come out
// reduced from poly_mult when it is given the variable record of their top
// level (polynames for the values of the evaluator).
#pragma once

#include "poly/poly.h"
#include "poly/poly_settings.h"

namespace tolmex {

struct PolyVar;

extern int modout_above_field;

// While positive, products are not reduced (mod_out_reduce and
// modout_context do nothing): a new modding poly is read as the plain poly
// it is typed as, even when its variable is modded out already. The field
// is out of force too, so that a quotient such as (t^201 - 1)/(t - 1) is
// cancelled as plain polys rather than kept over a denominator taken for a
// unit of the field.
extern int modout_suspended;
class ModOutSuspension {
public:
    ModOutSuspension() : depth_(field_depth), above_(modout_above_field) {
        ++modout_suspended;
        field_depth = 0;
        modout_above_field = 0;
    }
    ~ModOutSuspension() {
        --modout_suspended;
        field_depth = depth_;
        modout_above_field = above_;
    }
    ModOutSuspension(const ModOutSuspension&) = delete;
    ModOutSuspension& operator=(const ModOutSuspension&) = delete;

private:
    int depth_, above_;
};

// p := p reduced modulo m, the modding poly of the variable k levels below
// p's top variable (k = 1: p's top variable itself). vars is the variable
// record of p's top level.
void mod_out_poly(Poly& p, const PolyNode* m, int k, PolyVar* vars);
// p := p reduced by the modding polys of var (p's top level) and of every
// deeper variable; zero terms dropped, constant sub-polys collapsed.
void total_poly_modout(Poly& p, PolyVar* var);
// p := p reduced by every modded-out variable outside the field (every
// modded-out variable when there is no field). p is rooted at level 1.
void above_field_modout(Poly& p);

// The modulus of var as a poly rooted at var's level; null when var is not
// modded out.
const PolyNode* own_modulus(const PolyVar* var);
// Some variable from var downwards (var and the deeper ones) is modded out.
bool modded_from(const PolyVar* var);

// The reduction at the modded variable itself: p (rooted at var's level,
// its coefficients already reduced at the deeper levels) := its remainder
// by the monic m. fold_poly chooses among num_fold_poly (m and the top
// list of p have number coefficients: dense number window), fast_fold_poly
// (the same over Z/n: dense residue window) and the general window of
// coefficient polys; laurent_fold first takes care of negative exponents.
void fold_poly(Poly& p, const PolyNode* m, PolyVar* var);
void num_fold_poly(Poly& p, const PolyNode* m);
void fast_fold_poly(Poly& p, const PolyNode* m);
// The terms of negative exponent of p (Laurent polys): raised into the
// range of m by t^(e+1), reduced, and multiplied by (1/t)^(e+1), the field
// inverse of t. Where 1/t needs a denominator (rational mode, m(0) not
// +-1) the negative terms are kept as they are.
void laurent_fold(Poly& p, const PolyNode* m, PolyVar* var);

}  // namespace tolmex
