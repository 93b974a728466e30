// Sums of quotients of polys: a poly plus a quotient without GCD work, the
// Henrici addition of the consuming adders and the general addition of
// the plain adders (and of every sum while a field is modded out).
#include <utility>

#include "base/errors.h"
#include "gcd/polygcd.h"
#include "numbers/modular_state.h"
#include "poly/poly_arith.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "quoly/quoly_internal.h"

namespace tolmex {
namespace quoly_detail {

namespace {

Poly combine(Poly&& a, Poly&& b, bool add) {
    Poly r;
    add ? best_poly_add(std::move(a), std::move(b), r) : best_poly_sub(std::move(a), std::move(b), r);
    return r;
}

// The product of the factors that are present and not 1.
Poly product_of(Poly&& a, Poly&& b, Poly&& c) {
    Poly r;
    for (Poly* f : {&a, &b, &c}) {
        if (!*f || poly_eq_1(f->get())) continue;
        r = r ? mult(r.get(), f->get()) : std::move(*f);
    }
    return r ? std::move(r) : const_poly(1);
}

// p ± n/d, or n/d ± p when quot_first: (p d ± n) / d. With n/d in normal
// form the sum is already reduced.
Quoly no_denom(Frac&& plain, Frac&& quot, bool quot_first, bool add) {
    Poly pd = mult(plain.n.get(), quot.d.get());
    Frac r;
    r.n = quot_first ? combine(std::move(quot.n), std::move(pd), add)
                     : combine(std::move(pd), std::move(quot.n), add);
    r.d = std::move(quot.d);
    return finish(std::move(r));
}

// Cancels h = gcd(n, d) from the new numerator and the part d of the new
// denominator.
void cancel_with(Poly& n, Poly& d) {
    Poly h;
    Lpolygcd(n.get(), d.get(), h);
    divide_out(n, d, h, laurent != 0);
}

// The sum of two quotients over the same denominator d: (n1 ± n2) / d with
// the GCD of the new numerator and d cancelled.
Quoly equal_denominators(Frac&& a, Frac&& b, bool add) {
    Frac r;
    r.n = combine(std::move(a.n), std::move(b.n), add);
    if (poly_iszero(r.n.get())) return zero_quoly();
    r.d = std::move(a.d);
    cancel_with(r.n, r.d);
    return finish(std::move(r));
}

// A finished sum while a field is modded out may still have a field
// element as denominator, or one not yet monic over the field.
Quoly settle_in_field(Quoly&& q) {
    if (field_depth > 0 && !q->numflag && q->denp) ring_normal_form(q, 0);
    return std::move(q);
}

}  // namespace

Quoly fast_gen_quoly_add(Frac a, Frac b, bool add) {
    if (!lintmode && field_depth > 0) return general_quoly_add(std::move(a), std::move(b), add);
    if (poly_equal(a.d.get(), b.d.get())) return equal_denominators(std::move(a), std::move(b), add);
    // d1 = g d1', d2 = g d2'; a.d and b.d become d1' and d2'.
    Poly g;
    Lpolygcd(a.d.get(), b.d.get(), g);
    const bool coprime = poly_eq_1(g.get());
    if (!coprime) divide_out(a.d, b.d, g, false);
    Poly t = mult(b.n.get(), a.d.get());
    if (!poly_eq_1(b.d.get())) a.n = mult(a.n.get(), b.d.get());
    Frac r;
    r.n = combine(std::move(a.n), std::move(t), add);
    if (poly_iszero(r.n.get())) return zero_quoly();
    if (coprime) {
        r.d = mult(a.d.get(), b.d.get());
        return finish(std::move(r));
    }
    // Only g can share a factor with the new numerator.
    cancel_with(r.n, g);
    r.d = product_of(std::move(a.d), std::move(g), std::move(b.d));
    return finish(std::move(r));
}

Quoly general_quoly_add(Frac a, Frac b, bool add) {
    if (poly_equal(a.d.get(), b.d.get()))
        return settle_in_field(equal_denominators(std::move(a), std::move(b), add));
    Poly g;
    Lpolygcd(a.d.get(), b.d.get(), g);
    const bool coprime = poly_eq_1(g.get());
    Poly factor;
    if (poly_is_const(g.get())) {
        divide_out(a.d, b.d, g, false);
    } else {
        Poly d1, d2;
        field_reduce(a.d.get(), b.d.get(), g, &d1, &d2, factor, polynames);
        a.d = std::move(d1);
        b.d = std::move(d2);
    }
    Poly t = mult(b.n.get(), a.d.get());
    if (!poly_eq_1(b.d.get())) a.n = mult(a.n.get(), b.d.get());
    Frac r;
    r.n = combine(std::move(a.n), std::move(t), add);
    if (poly_iszero(r.n.get())) return zero_quoly();
    r.d = product_of(std::move(a.d), std::move(g), std::move(b.d));
    if (factor && !poly_eq_1(factor.get())) {
        // d1' = K d1 / g and d2' = K d2 / g: the sum over d1' g d2' is 1/K
        // of the true one.
        r.n = mult(r.n.get(), factor.get());
    }
    if (!coprime) cancel_with(r.n, r.d);
    if (!lintmode && field_depth >= 1) {
        Quoly q = give_frac(std::move(r));
        sanitize(q);
        r = take_frac(std::move(q));
    }
    return settle_in_field(finish(std::move(r)));
}

Quoly add_fracs(Frac a, Frac b, bool add, bool consuming) {
    if (!a.d && !b.d) {
        Frac r;
        r.n = combine(std::move(a.n), std::move(b.n), add);
        return finish(std::move(r));
    }
    if (!a.d) return no_denom(std::move(a), std::move(b), false, add);
    if (!b.d) return no_denom(std::move(b), std::move(a), true, add);
    return consuming ? fast_gen_quoly_add(std::move(a), std::move(b), add)
                     : general_quoly_add(std::move(a), std::move(b), add);
}

}  // namespace quoly_detail
}  // namespace tolmex
