#include "gcd/square_free.h"

#include <utility>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "gcd/polygcd.h"
#include "numbers/field_tables.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_eval.h"
#include "poly/poly_residues.h"

namespace tolmex {

namespace {

constexpr int kErrNoRootInField = 308;
constexpr int kErrNoRoot = 352;

int32_t characteristic() { return finf ? 2 : modulus; }

// In Z/p every residue is its own p-th power (a^p = a); in the fields the
// square root comes from the tables.
int32_t residue_root(int32_t a) { return a; }
int32_t f256_root(int32_t a) { return f256sqr[a]; }
int32_t f2t16_root(int32_t a) { return f2t16sqr[a]; }

// p made primitive with a positive leading coefficient (rational mode).
Poly primitive(const PolyNode* p) {
    Poly r(copy_poly(p));
    Number n;
    find_gcdcoefs(p, n);
    if (!num_is_zero(n) && !num_is_one(n)) divide_thru(r.get(), n);
    if (leading_number(r.get()).sign() < 0) poly_inplace(r.get());
    return r;
}

// g := the primitive GCD of a and b over Z with a positive leading
// coefficient. One-variable polys run the primitive remainder sequence
// here, which is exact; others go to the driver.
void rat_gcd(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars) {
    if (!height_is_1(a) || !height_is_1(b)) {
        alg_c_count = 0;
        original_depth = 1;
        return Lpolygcd(a, b, g, true, vars);
    }
    Poly x = primitive(a), y = primitive(b);
    if (main_degree(x.get()) < main_degree(y.get())) std::swap(x, y);
    for (;;) {
        if (poly_iszero(y.get())) {
            g = std::move(x);
            return;
        }
        if (poly_is_const(y.get())) return poly_set(1, g);
        Poly r;
        pseudo_div_no_q(x.get(), y.get(), r, vars);
        x = std::move(y);
        y = primitive(r.get());
        poll_interrupt();
    }
}

// g := the GCD the decomposition needs: the one-variable method for polys
// with number coefficients, the driver otherwise.
void sf_gcd(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars) {
    if (poly_is_const(b) && !poly_iszero(b)) return poly_set(1, g);
    if (!modularmode) return rat_gcd(a, b, g, vars);
    if (height_is_1(a) && height_is_1(b)) return basic_poly_gcd(a, b, g);
    alg_c_count = 0;
    original_depth = 1;
    Lpolygcd(a, b, g, true, vars);
}

// q := a / b, which must be exact.
void exact_quotient(const PolyNode* a, const PolyNode* b, Poly& q, PolyVar* vars) {
    if (poly_eq_1(b)) return poly_assign(a, q);
    int inexact = 0;
    gen_poly_divide(a, b, q, vars, inexact);
    if (inexact) internal_stop(" failed in square free factor.");
}

// f := f with its leading number 1.
void make_monic(Poly& f) {
    const int32_t lc = leading_number(f.get()).lint();
    if (lc == 1) return;
    int32_t inv = 0;
    emod_inverse(lc, inv);
    Number x;
    setvalue(inv, x);
    scalar_by_poly(x, f.get(), f);
}

struct Decomposition {
    Poly list;
    int32_t count = 0;
    // Puts (mult, z) in front of the list.
    void prepend(int64_t mult, Poly&& z) {
        list.raw() = factor_entry(static_cast<int32_t>(mult), z.release(), list.get());
        ++count;
    }
};

// The factors of f (whose derivative fp is not 0) of multiplicity i not a
// multiple of p (p = 0 over Z) go to the list with multiplicity m i; f :=
// what is left, a p-th power (a constant over Z).
void separable_round(Poly& f, const PolyNode* fp, int64_t m, int32_t p, Decomposition& d,
                     PolyVar* vars) {
    Poly c, w;
    sf_gcd(f.get(), fp, c, vars);
    exact_quotient(f.get(), c.get(), w, vars);
    for (int64_t i = 1; main_degree(w.get()) > 0; ++i) {
        Poly next_c;
        if (p > 0 && i % p == 0) {
            // Every factor left in w has a multiplicity above i: gcd(w, c)
            // would be w itself.
            exact_quotient(c.get(), w.get(), next_c, vars);
            c = std::move(next_c);
            continue;
        }
        Poly y, z;
        sf_gcd(w.get(), c.get(), y, vars);
        exact_quotient(w.get(), y.get(), z, vars);
        if (main_degree(z.get()) >= 1) d.prepend(m * i, std::move(z));
        exact_quotient(c.get(), y.get(), next_c, vars);
        c = std::move(next_c);
        w = std::move(y);
        poll_interrupt();
    }
    f = std::move(c);
}

Poly derivative(const PolyNode* f) {
    Poly fp(copy_poly(f));
    poly_diff(fp, 1);
    return fp;
}

}  // namespace

void pth_root(const PolyNode* p, Poly& r) {
    const bool field = finf != 0;
    if (!modularmode || !mod_is_prime) fail(kErrNoRoot, "pth_root");
    const NumberRoot root = !field ? residue_root : f256 ? f256_root : f2t16_root;
    if (!poly_pth_root(p, characteristic(), root, r)) fail(field ? kErrNoRootInField : kErrNoRoot, "pth_root");
}

void square_free_factor(const PolyNode* f, Poly& list, int32_t& count, PolyVar* vars) {
    if (!modularmode || !mod_is_prime) fail(kErrNoRoot, "square_free_factor");
    const int32_t p = characteristic();
    Poly g(copy_poly(f));
    make_monic(g);
    Decomposition d;
    int64_t m = 1;
    while (main_degree(g.get()) > 0) {
        Poly fp = derivative(g.get());
        if (poly_iszero(fp.get())) {
            Poly r;
            pth_root(g.get(), r);
            g = std::move(r);
            m *= p;
            continue;
        }
        separable_round(g, fp.get(), m, p, d, vars);
    }
    list = std::move(d.list);
    count = d.count;
}

void rat_sq_free_factor(const PolyNode* f, Poly& list, int32_t& count, PolyVar* vars) {
    Poly g(copy_poly(f));
    if (leading_number(g.get()).sign() < 0) poly_inplace(g.get());
    Decomposition d;
    if (main_degree(g.get()) > 0) {
        Poly fp = derivative(g.get());
        separable_round(g, fp.get(), 1, 0, d, vars);
    }
    list = std::move(d.list);
    count = d.count;
}

}  // namespace tolmex
