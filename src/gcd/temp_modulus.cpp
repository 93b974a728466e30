#include "gcd/gcd_methods.h"

#include <utility>
#include <vector>

#include "gcd/gcd_state.h"
#include "poly/polyvars.h"
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
    // The modding polys in force before (each variable's own poly, put
    // back exactly), when their images replaced them.
    std::vector<std::pair<PolyVar*, PolyNode*>> moduli;
    bool images = false;
};

namespace {

// The rational modding polys while images of them are in force (the
// outermost temporary modulus of a rational-mode computation owns them).
const std::vector<std::pair<PolyVar*, PolyNode*>>* rational_moduli = nullptr;

// Every modded-out variable gets the image of its rational modding poly
// under the modulus now in force, so that GCDs, inverses and the
// irreducibility test modulo the temporary prime compute in the reduced
// ring. Under a modulus the user chose the moduli are residues already and
// stay as they are.
void install_images(TempModulus::Saved& s) {
    const auto* originals = rational_moduli;
    if (!s.lintmode) {
        for (PolyVar* v = polynames; v; v = v->next)
            if (v->mod_poly) s.moduli.emplace_back(v, v->mod_poly);
        if (s.moduli.empty()) return;
        originals = &s.moduli;
    } else if (originals) {
        for (const auto& [v, m] : *originals) s.moduli.emplace_back(v, v->mod_poly);
    } else {
        return;
    }
    for (const auto& [v, m] : *originals) v->mod_poly = residue_image(m);
    if (!s.lintmode) rational_moduli = &s.moduli;
    s.images = true;
}

void remove_images(TempModulus::Saved& s) {
    if (!s.images) return;
    for (auto& [v, m] : s.moduli) {
        free_poly(v->mod_poly);
        v->mod_poly = m;
    }
    if (!s.lintmode) rational_moduli = nullptr;
}

}  // namespace

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
    install_images(*saved_);
}

TempModulus::~TempModulus() {
    Saved& s = *saved_;
    remove_images(s);
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
