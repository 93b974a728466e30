// The GCD as the value code asks for it (Lpolygcd, reduce, field_reduce),
// the integer content of a poly, and the normal form of a GCD.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/errors.h"
#include "gcd/gcd_driver.h"
#include "gcd/gcd_state.h"
#include "gcd/polygcd.h"
#include "gcd/field_gcd.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"

namespace tolmex {

namespace {

// c := gcd(c, |x|), with 0 as the neutral start.
void gcd_into(Number& c, const Number& x) {
    if (num_is_zero(x)) return;
    if (c.size() == 0 || num_is_zero(c)) {
        abs_val_num(x, c);
        return;
    }
    if (is_longint(c, 1)) return;
    Number g;
    binary_gcd(c, x, g);
    c = std::move(g);
}

}  // namespace

void find_gcdcoefs(const PolyNode* p, Number& c) {
    if (lintmode) {
        setvalue(1, c);
        return;
    }
    Number acc;
    setvalue(0, acc);
    poly_each_number(p, [&acc](const Number& x) {
        gcd_into(acc, x);
        return !spec_is_longint(acc, 1);
    });
    c = std::move(acc);
}

void gcd_coefs(const PolyNode* p, Poly& r) {
    Number c;
    find_gcdcoefs(p, c);
    r.reset(number_node(std::move(c)));
}

int32_t make_monic_in_place(Poly& p) {
    if (!lintmode || !modularmode || poly_iszero(p.get())) return 1;
    if (!mod_is_prime && !finf) return 1;
    const Number& lc = leading_number(p.get());
    if (num_is_one(lc)) return 1;
    const int32_t factor = lc.lint();
    Number one, inv;
    setvalue(1, one);
    quot(one, lc, inv);
    Poly m;
    scalar_by_poly(inv, p.get(), m);
    p = std::move(m);
    return factor;
}

void correct_monic_form(const PolyNode* p, Poly& g) {
    Poly r(copy_poly(p));
    if (lintmode) {
        make_monic_in_place(r);
    } else if (leading_number(r.get()).sign() < 0) {
        poly_inplace(r.get());
    }
    g = std::move(r);
}

// ---------------------------------------------------------------------------
// Lpolygcd

namespace {

// The monomial factor of p taken out of a copy (all zeros when none).
std::vector<int32_t> take_monomial(const PolyNode* p, Poly& q) {
    poly_assign(p, q);
    std::vector<int32_t> e = poly_lowest_exponents(q.get());
    if (std::any_of(e.begin(), e.end(), [](int32_t x) { return x != 0; }))
        poly_divide_monomial(q.get(), e);
    return e;
}

// g := g * prod x^min(ea, eb) over the levels.
void restore_monomial(Poly& g, std::vector<int32_t> ea, std::vector<int32_t> eb) {
    const size_t n = std::max(ea.size(), eb.size());
    ea.resize(n, 0);
    eb.resize(n, 0);
    std::vector<int32_t> m(n);
    bool any = false;
    for (size_t k = 0; k < n; ++k) {
        m[k] = -std::min(ea[k], eb[k]);
        any = any || m[k] != 0;
    }
    if (!any) return;
    // p / x^-m = p * x^m; a constant first becomes a one-node poly.
    Poly r(copy_poly(g.get()));
    poly_divide_monomial(r.get(), m);
    g = std::move(r);
}

}  // namespace

void Lpolygcd(const PolyNode* a, const PolyNode* b, Poly& g, bool both, PolyVar* vars) {
    alg_c_count = 0;
    original_depth = 1;
    if (!vars) vars = polynames;
    if (!laurent) return polygcd(a, b, g, false, true, true, vars, 1, 1, true);
    Poly qa, qb;
    std::vector<int32_t> ea = take_monomial(a, qa), eb;
    if (both)
        eb = take_monomial(b, qb);
    else
        poly_assign(b, qb);
    polygcd(qa.get(), qb.get(), g, false, true, true, vars, 1, 1, true);
    restore_monomial(g, ea, eb);
}

// ---------------------------------------------------------------------------
// reduce

namespace {

// q := p / g exactly; false when g does not divide p.
bool exact_quotient(const PolyNode* p, const PolyNode* g, Poly& q, PolyVar* vars) {
    if (poly_is_const(g)) {
        if (poly_iszero(g)) error(kErrDivideByZero, "/");
        return poly_quot(p, g, q, 5);
    }
    int inexact = 0;
    gen_poly_divide(p, g, q, vars, inexact);
    return inexact == 0;
}

// Sends the GCDs of its lifetime to the remainder sequence, also when an
// error unwinds through it.
class ForcedAlgC {
public:
    ForcedAlgC() : saved_(gcd_force_alg_c) { gcd_force_alg_c = true; }
    ~ForcedAlgC() { gcd_force_alg_c = saved_; }
    ForcedAlgC(const ForcedAlgC&) = delete;
    ForcedAlgC& operator=(const ForcedAlgC&) = delete;

private:
    bool saved_;
};

// Over a poly-mod-out field the quotients may need denominators: with
// c_a a = q_a g and c_b b = q_b g (integers c), a / b = (q_a c_b) / (q_b c_a).
bool field_divide_pair(const PolyNode* a, const PolyNode* b, const PolyNode* g, Poly* a2,
                       Poly* b2, PolyVar* vars, int& failed) {
    Poly qa, qb;
    Number ca, cb;
    if (!field_exact_quotient(a, g, qa, ca, vars)) return failed = 5, false;
    if (!field_exact_quotient(b, g, qb, cb, vars)) return failed = 6, false;
    if (a2) scalar_by_poly(cb, qa.get(), *a2);
    if (b2) scalar_by_poly(ca, qb.get(), *b2);
    return true;
}

bool divide_pair(const PolyNode* a, const PolyNode* b, const PolyNode* g, Poly* a2, Poly* b2,
                 PolyVar* vars, int& failed) {
    if (field_depth > 0) return field_divide_pair(a, b, g, a2, b2, vars, failed);
    Poly qa, qb;
    if (!exact_quotient(a, g, qa, vars)) return failed = 5, false;
    if (!exact_quotient(b, g, qb, vars)) return failed = 6, false;
    if (a2) *a2 = std::move(qa);
    if (b2) *b2 = std::move(qb);
    return true;
}

}  // namespace

void reduce(const PolyNode* a, const PolyNode* b, Poly& g, Poly* a2, Poly* b2, bool laurent_on,
            PolyVar* vars) {
    if (!vars) vars = polynames;
    Poly la, lb, lg;
    if (laurent_on && laurent) {
        // Monomials are units among Laurent polys: divide them out first.
        take_monomial(a, la);
        take_monomial(b, lb);
        take_monomial(g.get(), lg);
        a = la.get();
        b = lb.get();
    } else {
        poly_assign(g.get(), lg);
    }
    int failed = 0;
    for (int attempt = 0; !divide_pair(a, b, lg.get(), a2, b2, vars, failed); ++attempt) {
        if (attempt > 0) internal_stop("exact division failed in reduce.");
        if (verbose)
            std::printf(" *** Warning %d. A  fast probabilistic gcd algorithm is being retried.\n",
                        failed);
        alg_c_count = 0;
        original_depth = 1;
        ForcedAlgC plain;  // no probabilistic shortcut this time
        Poly again;
        polygcd(a, b, again, false, false, true, vars, 1, 1, true);
        lg = std::move(again);
    }
    g = std::move(lg);
}

void field_reduce(const PolyNode* a, const PolyNode* b, Poly& g, Poly* a2, Poly* b2, Poly& factor,
                  PolyVar* vars) {
    poly_set(1, factor);
    if (field_depth > 0 && !lintmode && !poly_is_const(g.get())) {
        if (!vars) vars = polynames;
        Poly qa, qb;
        Number ca, cb;
        if (field_exact_quotient(a, g.get(), qa, ca, vars) &&
            field_exact_quotient(b, g.get(), qb, cb, vars)) {
            // ca a = qa g and cb b = qb g: with K = ca cb, K a = (qa cb) g
            // and K b = (qb ca) g.
            if (a2) scalar_by_poly(cb, qa.get(), *a2);
            if (b2) scalar_by_poly(ca, qb.get(), *b2);
            Number k;
            fast_mult(ca, cb, k);
            factor.reset(number_node(std::move(k)));
            return;
        }
    }
    reduce(a, b, g, a2, b2, false, vars);
}

}  // namespace tolmex
