// GCDs over a poly-mod-out field (see the header). The common case of the
// quoly arithmetic, coprime operands, is settled modulo one auxiliary
// prime: modulo such a prime every modding poly stays irreducible, so the
// images live in a finite field, and when their leading coefficients
// survive, a common factor over the field would survive too (the ring of
// the field's integers localised at the prime is a discrete valuation
// ring, where Gauss's lemma holds). Coprime images prove coprime operands.
#include "gcd/field_gcd.h"

#include <cstdint>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "gcd/polygcd.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_coefs.h"
#include "poly/poly_divide.h"
#include "poly/poly_eval.h"
#include "poly/poly_gcd_support.h"
#include "poly/poly_modout.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"

namespace tolmex {

namespace {

// Auxiliary primes tried by the coprimality test before it gives up.
constexpr int kAuxPrimesTried = 3;

int level_of(const PolyVar* vars) { return vars ? vars->level : 1; }

PolyVar* record_at(PolyVar* vars, int level) {
    while (vars && vars->level < level) vars = vars->next;
    return vars;
}

// p rooted k levels deeper, as a poly at this level (wrapper nodes).
Poly padded(const PolyNode* p, int k) {
    Poly r(copy_poly(p));
    for (int i = 0; i < k && !poly_is_const(r.get()); ++i) add_pad(r.raw());
    return r;
}

// Rational mode: p divided by its integer content, leading number made
// positive.
void primitive_positive(Poly& p) {
    if (lintmode || poly_iszero(p.get())) return;
    Number c;
    find_gcdcoefs(p.get(), c);
    if (!num_is_one(c) && !num_is_zero(c)) divide_thru(p.get(), c);
    if (leading_number(p.get()).sign() < 0) poly_inplace(p.get());
}

// g := the GCD of the integer contents (1 in lint mode).
void contents_gcd(const PolyNode* a, const PolyNode* b, Poly& g) {
    if (lintmode) return poly_set(1, g);
    Number ca, cb, n;
    find_gcdcoefs(a, ca);
    find_gcdcoefs(b, cb);
    binary_gcd(ca, cb, n);
    g.reset(number_node(std::move(n)));
}

// p and its image lead with the same power product of the variables
// above the field (so the image's leading coefficient in the field is the
// image of p's, and not 0).
bool same_leading_path(const PolyNode* p, const PolyNode* img, const PolyVar* vars) {
    for (int level = level_of(vars); level < field_depth; ++level) {
        if (p->isnum != img->isnum || (!p->isnum && p->expo != img->expo)) return false;
        if (p->isnum) return true;
        p = p->sub;
        img = img->sub;
    }
    return true;
}

// The image of p modulo the temporary prime (the moduli are images too),
// reduced; false when its leading power product changed.
bool image_of(const PolyNode* p, Poly& img, PolyVar* vars) {
    img.reset(residue_image(p));
    total_poly_modout(img, vars);
    return !poly_iszero(img.get()) && same_leading_path(p, img.get(), vars);
}

// Evaluation points tried for one variable before the test gives up.
constexpr int kPointsTried = 3;

// The next evaluation point in [1, p - 1]: a fixed pseudo-random sequence,
// so that sessions repeat exactly. The points decide only whether the test
// proves coprimality, never a GCD.
int32_t next_point(int32_t p) {
    static uint64_t state = 88172645463325252ULL;
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return 1 + static_cast<int32_t>(state % static_cast<uint64_t>(p - 1));
}

// Values for the levels 1 .. depth above the field but level k: random
// points modulo prime (owned holds them).
std::vector<const PolyNode*> random_point(int k, int depth, int32_t prime,
                                          std::vector<Poly>& owned) {
    owned.resize(static_cast<size_t>(depth));
    std::vector<const PolyNode*> values(static_cast<size_t>(depth), kKeepLevel);
    for (int j = 0; j < depth; ++j) {
        if (j == k - 1) continue;
        Number x;
        setvalue(0, x);
        x.set_lint(next_point(prime));
        owned[static_cast<size_t>(j)].reset(number_node(std::move(x)));
        values[static_cast<size_t>(j)] = owned[static_cast<size_t>(j)].get();
    }
    return values;
}

// h := the residue poly p at the point (every variable above the field but
// level k given a value) as a poly in that one variable; false when its
// degree there is not `degree` (a leading coefficient vanished).
bool image_in_one_level(const PolyNode* p, int k, const std::vector<const PolyNode*>& values,
                        int32_t degree, Poly& h) {
    const int depth = static_cast<int>(values.size());
    Poly e;
    all_poly_eval(p, values.data(), depth, e, 0);
    if (!e) return false;
    h.reset(poly_in_one_level(e.get(), k, depth));
    return poly_degree(h.get()) == degree;
}

// Whether the residue images ap and bp of a and b, at points where
// neither leading coefficient in the variable of level k vanishes, are
// coprime in it. A common image factor at one point may be bad luck (the
// point a root of the resultant), so a few points are tried.
bool coprime_in_level(const PolyNode* a, const PolyNode* b, const PolyNode* ap,
                      const PolyNode* bp, int k, PolyVar* vars, int32_t prime) {
    const int depth = field_depth - level_of(vars);
    const int32_t da = level_degree(a, k), db = level_degree(b, k);
    for (int t = 0; t < kPointsTried; ++t) {
        poll_interrupt();
        std::vector<Poly> owned;
        const std::vector<const PolyNode*> at = random_point(k, depth, prime, owned);
        Poly ia, ib, h;
        if (!image_in_one_level(ap, k, at, da, ia) || !image_in_one_level(bp, k, at, db, ib))
            continue;
        field_coef_gcd(ia.get(), ib.get(), h, record_at(vars, field_depth - 1));
        if (poly_degree(h.get()) <= 0) return true;
    }
    return false;
}

// Whether the residue images prove a and b (operands in several variables
// above the field) coprime. A common factor g over the field involves some
// variable that both operands involve; at a point where neither leading
// coefficient in that variable vanishes, the images keep g's degree in it
// (the field's integers localised at the prime form a discrete valuation
// ring, so g can be taken with integral coefficients and a nonzero image),
// so coprime images in every such variable rule g out.
bool images_coprime(const PolyNode* a, const PolyNode* b, const PolyNode* ap, const PolyNode* bp,
                    PolyVar* vars, int32_t prime) {
    const int depth = field_depth - level_of(vars);
    for (int k = 1; k <= depth; ++k) {
        if (level_degree(a, k) == 0 || level_degree(b, k) == 0) continue;  // in no common factor
        if (!coprime_in_level(a, b, ap, bp, k, vars, prime)) return false;
    }
    return true;
}

bool negative_exponents(const PolyNode* p) {
    for (int32_t e : poly_lowest_exponents(p))
        if (e < 0) return true;
    return false;
}

// True when the images modulo an auxiliary prime prove a and b coprime.
// Operands in one variable above the field take the Euclid over the finite
// field; operands in several are tested one variable at a time on images
// at points (images_coprime).
bool coprime_mod_aux_prime(const PolyNode* a, const PolyNode* b, PolyVar* vars) {
    if (lintmode || auxptr.empty() || negative_exponents(a) || negative_exponents(b)) return false;
    const bool one_variable = level_of(vars) == field_depth - 1;
    int tried = 0;
    for (int32_t p : auxptr) {
        if (tried++ == kAuxPrimesTried) return false;
        TempModulus tm(p);
        Poly ap, bp, h;
        if (!one_variable) {
            ap.reset(residue_image(a));
            bp.reset(residue_image(b));
            return images_coprime(a, b, ap.get(), bp.get(), vars, p);
        }
        if (!image_of(a, ap, vars) || !image_of(b, bp, vars)) continue;
        field_coef_gcd(ap.get(), bp.get(), h, vars);
        return poly_degree(h.get()) <= 0;
    }
    return false;
}

// The leading coefficient in the main variable, one level down.
const PolyNode* main_lead(const PolyNode* p) { return p->isnum ? p : p->sub; }

// Divides q, r and c by the GCD of all their integer coefficients.
void cancel_common_content(Poly& q, Poly& r, Number& c) {
    if (lintmode || is_longint(c, 1)) return;
    Number g, h, cq, cr;
    find_gcdcoefs(q.get(), cq);
    binary_gcd(c, cq, g);
    if (is_longint(g, 1)) return;
    find_gcdcoefs(r.get(), cr);
    if (!num_is_zero(cr)) {
        binary_gcd(g, cr, h);
        g = std::move(h);
    }
    if (is_longint(g, 1)) return;
    divide_thru(q.get(), g);
    if (!poly_iszero(r.get())) divide_thru(r.get(), g);
    Number quo, rem;
    divide(c, g, quo, rem);
    c = std::move(quo);
}

}  // namespace

bool field_exact_quotient(const PolyNode* p, const PolyNode* g, Poly& q, Number& c,
                          PolyVar* vars) {
    setvalue(1, c);
    if (poly_iszero(p)) return q.reset(copy_poly(p)), true;
    if (poly_iszero(g)) return false;
    if (is_field_element(g, vars)) {
        Poly n, d;
        poly_mod_invert(g, n, d, vars);
        poly_mult(p, n.get(), q, vars);
        if (d) num_assign(poly_constant(d.get()), c);
        Poly none;
        poly_set(0, none);
        cancel_common_content(q, none, c);
        return true;
    }
    if (is_field_element(p, vars)) return false;
    const int32_t dg = poly_degree(g);
    PolyVar* below = vars ? vars->next : nullptr;
    Poly r(copy_poly(p)), qq;
    poly_set(0, qq);
    while (!poly_iszero(r.get())) {
        poll_interrupt();
        const int32_t dr = poly_degree(r.get());
        if (dr < dg) return false;
        Poly t;
        Number ct;
        if (!field_exact_quotient(main_lead(r.get()), main_lead(g), t, ct, below)) return false;
        const int32_t e = dr - dg;
        Poly term(e == 0 && poly_is_const(t.get()) ? t.release() : term_node(e, t.release()));
        Poly scaled, tg;
        scalar_by_poly(ct, r.get(), scaled);
        poly_mult(term.get(), g, tg, vars);
        poly_sub(scaled.get(), tg.get(), r);
        scalar_by_poly(ct, qq.get(), scaled);
        poly_add(scaled.get(), term.get(), qq);
        Number cc;
        fast_mult(c, ct, cc);
        c = std::move(cc);
        cancel_common_content(qq, r, c);
    }
    q = std::move(qq);
    return true;
}

bool is_field_element(const PolyNode* p, const PolyVar* vars) {
    if (field_depth <= 0) return false;
    if (poly_is_const(p)) return true;
    return level_of(vars) - 1 + poly_depth(p) >= field_depth;
}

const PolyNode* field_leading_coef(const PolyNode* p, PolyVar* vars) {
    for (int level = level_of(vars); !p->isnum && level < field_depth; ++level) p = p->sub;
    return p;
}

bool invertible_coef(const PolyNode* p, PolyVar* vars) {
    if (field_depth <= 0) return false;
    const PolyNode* lc = field_leading_coef(p, vars);
    if (poly_iszero(lc)) return false;
    if (poly_is_const(lc)) return !lintmode || (modularmode && mod_is_prime) || finf;
    return true;
}

void rat_monic_poly(const PolyNode* p, Poly& r, PolyVar* vars) {
    const PolyNode* lc = field_leading_coef(p, vars);
    Poly out;
    if (poly_is_const(lc)) {
        if (lintmode) {
            Poly inv, den;
            poly_mod_invert(lc, inv, den, nullptr);
            scalar_by_poly(poly_constant(inv.get()), p, out);
        } else {
            poly_assign(p, out);
        }
    } else {
        const int level = level_of(vars);
        const int lc_level = field_depth;
        Poly inv, den;
        poly_mod_invert(lc, inv, den, record_at(vars, lc_level));
        poly_mult(p, padded(inv.get(), lc_level - level).get(), out, vars);
    }
    primitive_positive(out);
    r = std::move(out);
}

void field_coef_gcd(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars) {
    Poly x, y;
    rat_monic_poly(a, x, vars);
    rat_monic_poly(b, y, vars);
    if (poly_degree(x.get()) < poly_degree(y.get())) std::swap(x, y);
    PolyVar* plain = newdummy(vars);
    while (!poly_iszero(y.get())) {
        poll_interrupt();
        if (poly_degree(y.get()) <= 0) return poly_set(1, g);
        Poly r;
        pseudo_div_no_q(x.get(), y.get(), r, plain);
        x = std::move(y);
        if (poly_iszero(r.get())) break;
        rat_monic_poly(r.get(), y, vars);
    }
    g = std::move(x);
}

bool field_gcd_steps(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars) {
    if (field_depth <= 0) return false;
    if (poly_iszero(a)) std::swap(a, b);
    if (poly_iszero(b)) {
        // gcd(a, 0): a up to a unit of the field.
        if (poly_iszero(a)) return poly_set(0, g), true;
        if (is_field_element(a, vars)) return contents_gcd(a, a, g), true;
        Poly c, h;
        contents_gcd(a, a, c);
        rat_monic_poly(a, h, vars);
        poly_mult(c.get(), h.get(), g, vars);
        return true;
    }
    if (is_field_element(a, vars) || is_field_element(b, vars)) {
        contents_gcd(a, b, g);
        return true;
    }
    Poly c;
    contents_gcd(a, b, c);
    if (level_of(vars) != field_depth - 1) {
        // Several variables above the field: only the coprime case here.
        if (!coprime_mod_aux_prime(a, b, vars)) return false;
        g = std::move(c);
        return true;
    }
    if (coprime_mod_aux_prime(a, b, vars)) {
        g = std::move(c);
        return true;
    }
    Poly h;
    field_coef_gcd(a, b, h, vars);
    if (poly_eq_1(c.get()))
        g = std::move(h);
    else
        poly_mult(c.get(), h.get(), g, vars);
    return true;
}

}  // namespace tolmex
