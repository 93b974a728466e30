// The GCD driver polygcd: cheap cases first (constants, identical
// operands, one variable over Z/p, operands free of the main variable),
// then the monomial factor, the exponent compression, the coprimality
// tests, the content split and the choice of a full method; the finish
// puts back what the transformations took out.
#include "gcd/polygcd.h"

#include <algorithm>
#include <vector>

#include "base/errors.h"
#include "gcd/field_gcd.h"
#include "gcd/gcd_driver.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_stash.h"
#include "gcd/gcd_state.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_gcd_support.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"

namespace tolmex {

GcdTally gcd_tally;
bool gcd_force_alg_c = false;
bool gcd_skip_modular_methods = false;
bool gcd_skip_dense_methods = false;

namespace {

// More counted calls than this switch the remainder sequence off.
constexpr int32_t kMaxCountedCalls = 200000;
// Over Z/p the remainder sequence is allowed for totals above this many
// nodes however the caller set it.
constexpr int32_t kAlgCAllowedNodes = 2000;
// Combined size from which a multivariate GCD is stashed.
constexpr int32_t kGcdStashCutoff = 200;

PolyVar* below(PolyVar* vars) { return vars ? vars->next : nullptr; }

bool one_variable_field() { return modularmode && (mod_is_prime || finf); }

// ---------------------------------------------------------------------------
// Constants

// n := gcd of two numbers (0 only for two zeros); 1 in lint mode.
void number_gcd(const Number& x, const Number& y, Number& n) {
    if (lintmode) return setvalue(num_is_zero(x) && num_is_zero(y) ? 0 : 1, n);
    if (num_is_zero(x)) return abs_val_num(y, n);
    if (num_is_zero(y)) return abs_val_num(x, n);
    binary_gcd(x, y, n);
}

// g := gcd(c, p) for a constant c: the GCD of c and p's integer content.
void constant_with_poly(const PolyNode* c, const PolyNode* p, Poly& g) {
    if (poly_iszero(c)) return correct_monic_form(p, g);
    Number content, n;
    find_gcdcoefs(p, content);
    number_gcd(poly_constant(c), content, n);
    g.reset(number_node(std::move(n)));
}

bool constant_operands(const PolyNode* a, const PolyNode* b, Poly& g) {
    if (poly_is_const(a) && poly_is_const(b)) {
        Number n;
        number_gcd(poly_constant(a), poly_constant(b), n);
        g.reset(number_node(std::move(n)));
        return true;
    }
    if (poly_is_const(a)) return constant_with_poly(a, b, g), true;
    if (poly_is_const(b)) return constant_with_poly(b, a, g), true;
    return false;
}

// ---------------------------------------------------------------------------
// Negative exponents

// p with its negative exponents lifted to 0 by a monomial (a unit among
// Laurent polys); false when p has none.
bool lift_negative(const PolyNode* p, Poly& q) {
    std::vector<int32_t> e = poly_lowest_exponents(p);
    bool any = false;
    for (int32_t& x : e) {
        x = std::min(x, 0);
        any = any || x < 0;
    }
    if (!any) return false;
    poly_assign(p, q);
    poly_divide_monomial(q.get(), e);
    return true;
}

// Laurent operands: the GCD of the lifted polys (the general path assumes
// exponents of at least 0).
bool laurent_operands(const PolyNode* a, const PolyNode* b, Poly& g, const GcdCall& call) {
    if (!laurent) return false;
    Poly qa, qb;
    const bool la = lift_negative(a, qa), lb = lift_negative(b, qb);
    if (!la && !lb) return false;
    polygcd(la ? qa.get() : a, lb ? qb.get() : b, g, call.degree_only, call.use_tests,
            call.allow_alg_c, call.vars, 1, 1, false);
    return true;
}

// ---------------------------------------------------------------------------
// Operands free of the main variable

// Both free of it: the GCD one level down, padded back. One free of it:
// its GCD with the content of the other (aux_content).
bool main_variable_absent(const PolyNode* a, const PolyNode* b, Poly& g, const GcdCall& call) {
    if (poly_degree(a) > 0 && poly_degree(b) > 0) return false;
    const PolyNode* ua = poly_unwrap(a);
    const PolyNode* ub = poly_unwrap(b);
    Poly h;
    if (ua && ub) {
        const int32_t saved = original_depth;
        polygcd(ua, ub, h, false, call.use_tests, call.allow_alg_c, below(call.vars), 1, 1, false);
        original_depth = saved;
    } else if (ua && poly_degree(b) > 0) {
        aux_content(b, ua, h, below(call.vars));
    } else if (ub && poly_degree(a) > 0) {
        aux_content(a, ub, h, below(call.vars));
    } else {
        return false;  // a negative exponent (Laurent list): the general path
    }
    add_pad(h.raw());
    g = std::move(h);
    return true;
}

// ---------------------------------------------------------------------------
// Level bookkeeping

void enter_level(const GcdCall& call, bool top) {
    const int level = call.vars ? call.vars->level : 1;
    if (!top && level >= original_depth) return;
    original_depth = level;
    c_cntcount = a_cntcount = d_cntcount = 0;
    alg_c_level = 0;
    if (top && call.allow_alg_c) {
        g_cntcount = 0;
        g_cutoff = 10;
    }
}

// ---------------------------------------------------------------------------
// The primitive stage: contents split off, then a full method

bool try_stash(const PolyNode* a, const PolyNode* b, Poly& h, GcdStashSlot& slot) {
    if (lookupgcd <= 0 || gcd_force_alg_c) return false;
    if (!gcd_stash_find(a, b, h, slot, kGcdStashCutoff)) return false;
    ++gcd_tally.stash_hits;
    return true;
}

bool several_variables(const PolyNode* a, const PolyNode* b) {
    return !height_is_1(a) || !height_is_1(b);
}

// Over Z/p the remainder sequence of operands in three or more variables
// computes contents of contents, whose degrees in the lower variables swell
// even for small operands (minutes for pairs of a few dozen terms in the
// seeded tests); the evaluation method does not, whatever the size.
bool alg_c_swells(const PolyNode* a, const PolyNode* b) {
    return poly_lowest_exponents(a).size() >= 3 || poly_lowest_exponents(b).size() >= 3;
}

// h := the primitive GCD of the primitive a and b (deg a >= deg b > 0).
void primitive_gcd(const PolyNode* a, const PolyNode* b, Poly& h, GcdCall& call) {
    // The modular and dense methods know nothing of modding polys: with
    // one in force the remainder sequence (its products reduced) serves.
    if (gcd_force_alg_c || modout_in_force()) return alg_c(a, b, h, call.vars, call.use_tests);
    GcdStashSlot slot;
    if (try_stash(a, b, h, slot)) return;
    Poly q;
    const bool first = (modular_first(a, b) || !call.allow_alg_c) && !gcd_skip_modular_methods;
    if (worth_trial_division(a, b) && trial_poly_divide(a, b, q, call.vars)) {
        poly_assign(b, h);
    } else if (!modularmode && first &&
               ((!gcd_skip_dense_methods && dense_mod_method(a, b, h)) ||
                (do_mod_method_now(a, b, call.bound) && basic_mod_method(a, b, h, call.vars)))) {
    } else if (modularmode && mod_is_prime && first && several_variables(a, b) &&
               ((!gcd_skip_dense_methods && dense_modp_method(a, b, h)) ||
                (chinhensel && (mod_do_Chinese(a, b, call.bound) || alg_c_swells(a, b)) &&
                 mod_multivar_Chinese(a, b, h, call.vars)))) {
    } else {
        alg_c(a, b, h, call.vars, call.use_tests);
    }
    Poly n;
    correct_monic_form(h.get(), n);
    h = std::move(n);
    gcd_stash_store(slot, h.get());
}

// g := gcd(a, b) from the contents and the primitive parts.
void content_split(const PolyNode* a, const PolyNode* b, Poly& g, GcdCall& call) {
    Poly ca, cb, pa, pb, gc;
    dual_content(a, b, ca, cb, pa, pb, call.vars);
    polygcd(ca.get(), cb.get(), gc, false, call.use_tests, call.allow_alg_c, call.vars, 1, 1, false);
    Poly h;
    if (essentially_equal(pa.get(), pb.get()))
        correct_monic_form(pa.get(), h);
    else
        primitive_gcd(pa.get(), pb.get(), h, call);
    poly_mult(gc.get(), h.get(), g, call.vars);
}

// g := the integer content GCD of a and b (the answer when they share no
// factor of positive degree).
void content_gcd_only(const PolyNode* a, const PolyNode* b, Poly& g) {
    Number ca, cb, n;
    find_gcdcoefs(a, ca);
    find_gcdcoefs(b, cb);
    number_gcd(ca, cb, n);
    g.reset(number_node(std::move(n)));
}

// The coprimality tests; true when they answered.
bool coprime_tests(const PolyNode* a, const PolyNode* b, Poly& g, GcdCall& call) {
    const int32_t t = big_node_total(a) + big_node_total(b);
    if (!modularmode && field_depth == 0 && t > tripval) {
        const int32_t d = use_modular(a, b, call.vars);
        if (d == 0) {
            ++gcd_tally.coprime_by_prime;
            content_gcd_only(a, b, g);
            return true;
        }
        if (d > 0) call.bound = d;
    }
    if (modularmode && mod_is_prime && call.use_tests && several_variables(a, b)) {
        const int32_t d = fast_test_2(a, b, call.vars);
        if (d == 0) {
            ++gcd_tally.coprime_by_images;
            Poly ca, cb, pa, pb;
            dual_content(a, b, ca, cb, pa, pb, call.vars);
            polygcd(ca.get(), cb.get(), g, false, call.use_tests, call.allow_alg_c, call.vars, 1, 1,
                    false);
            return true;
        }
        if (d > 0 && (call.bound < 0 || d < call.bound)) call.bound = d;
    }
    return false;
}

// Operands of depth 2 at a level where Algorithm C already ran: its
// sequence there is what swelled, so it is not started again.
bool depth_only_2(const PolyNode* a, const PolyNode* b, const GcdCall& call) {
    const int32_t level = call.vars ? call.vars->level : 1;
    return alg_c_level == level && poly_depth(a) == 2 && poly_depth(b) == 2;
}

// g := gcd(a, b) for deg a >= deg b > 0, free of monomial factors.
void solve(const PolyNode* a, const PolyNode* b, Poly& g, GcdCall& call) {
    if (!gcd_force_alg_c) {
        if (quick_divisibility(a, b)) return correct_monic_form(b, g);
        const int32_t t = big_node_total(a) + big_node_total(b);
        if (modularmode && t > kAlgCAllowedNodes && c_cntcount < kMaxCountedCalls)
            call.allow_alg_c = g_cntcount <= g_cutoff && !depth_only_2(a, b, call);
        if (!modout_in_force() && coprime_tests(a, b, g, call)) return;
        if (call.degree_only && call.bound >= 0) return variable_power(g, 1, call.bound);
    }
    content_split(a, b, g, call);
}

// ---------------------------------------------------------------------------
// Monomial factors and exponent compression

// The operand with its main-variable transformations (a private copy once
// anything changed).
struct Operand {
    const PolyNode* p;
    Poly own;
    PolyNode* edit() {
        if (!own) {
            own.reset(copy_poly(p));
            p = own.get();
        }
        return own.get();
    }
};

void strip_monomial(Operand& x, int32_t k) {
    if (k <= 0) return;
    x.edit();
    poly_shift_main(x.own.raw(), -k);
    x.p = x.own.get();
}

void compress(Operand& x, int32_t d) { poly_scale_main(x.edit(), d, false); }

// g := gcd(a, b) with x^mono put back and the exponents expanded by step.
void finish(Poly& g, int32_t mono, int32_t step) {
    if (step > 1 && !poly_is_const(g.get())) poly_scale_main(g.get(), step, true);
    if (mono > 0) poly_shift_main(g.raw(), mono);
    Poly n;
    correct_monic_form(g.get(), n);
    g = std::move(n);
}

void transformed_gcd(const PolyNode* a, const PolyNode* b, Poly& g, GcdCall& call) {
    Operand x{a, {}}, y{b, {}};
    const int32_t k1 = std::max(poly_low_degree(a), 0), k2 = std::max(poly_low_degree(b), 0);
    strip_monomial(x, k1);
    strip_monomial(y, k2);
    const int32_t mono = std::min(k1, k2);
    // Degree-only calls take the common monomial factor as their answer.
    if (call.degree_only && k1 > 0 && k2 > 0) return variable_power(g, 1, mono);
    Poly h;
    if (poly_degree(x.p) <= 0 || poly_degree(y.p) <= 0) {
        polygcd(x.p, y.p, h, false, call.use_tests, call.allow_alg_c, call.vars, 1, 1, false);
        g = std::move(h);
        return finish(g, mono, 1);
    }
    int32_t step = 1;
    if (modularmode) step = poly_exponent_step(x.p, poly_exponent_step(y.p, 0));
    if (step > 1) {
        compress(x, step);
        compress(y, step);
    }
    if (poly_degree(x.p) < poly_degree(y.p)) std::swap(x, y);
    solve(x.p, y.p, h, call);
    g = std::move(h);
    finish(g, mono, step);
}

}  // namespace

void polygcd(const PolyNode* a, const PolyNode* b, Poly& g, bool degree_only, bool use_tests,
             bool allow_alg_c, PolyVar* vars, int copy_a, int copy_b, bool top) {
    poll_interrupt();
    if (field_depth > 0 && vars && field_gcd_steps(a, b, g, vars)) return;
    if (constant_operands(a, b, g)) return;
    if (!vars) internal_stop("pt nil in polygcd.");
    GcdCall call{vars, degree_only, use_tests, allow_alg_c && c_cntcount <= kMaxCountedCalls, -1};
    if (poly_equal(a, b)) return correct_monic_form(a, g);
    if (laurent_operands(a, b, g, call)) return;
    if (one_variable_field() && number_polys == 1) return basic_poly_gcd(a, b, g);
    if (main_variable_absent(a, b, g, call)) return;
    if (one_variable_field() && height_is_1(a) && height_is_1(b)) return basic_poly_gcd(a, b, g);
    enter_level(call, top);
    transformed_gcd(a, b, g, call);
}

}  // namespace tolmex
