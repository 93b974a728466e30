// Products and quotients of quotients of polys: cross-cancellation, a
// number times a quotient, and division as a product with the divisor's
// numerator and denominator exchanged (no reciprocal is built).
#include <utility>

#include "base/errors.h"
#include "gcd/polygcd.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "quoly/quoly_internal.h"

namespace tolmex {
namespace quoly_detail {

namespace {

// A borrowed poly, or an owned one that replaced it.
struct Held {
    Poly own;
    const PolyNode* p = nullptr;
    void take(Poly&& q) {
        own = std::move(q);
        p = own.get();
    }
};

// a / g and b / g for g = gcd(a, b); nothing is copied when g is 1.
void cross_cancel(Held& a, Held& b) {
    Poly g;
    Lpolygcd(a.p, b.p, g);
    if (poly_eq_1(g.get()) || (lintmode && poly_is_const(g.get()))) return;
    if (poly_is_const(g.get())) {
        Poly a2 = copy_of(a.p), b2 = copy_of(b.p);
        cancel_number(a2, b2, poly_constant(g.get()));
        a.take(std::move(a2));
        b.take(std::move(b2));
        return;
    }
    Poly a2, b2;
    if (laurent) {
        a2 = copy_of(a.p);
        b2 = copy_of(b.p);
        divide_out(a2, b2, g, true);
    } else {
        reduce(a.p, b.p, g, &a2, &b2, false, polynames);
    }
    a.take(std::move(a2));
    b.take(std::move(b2));
}

Poly optional_copy(const PolyNode* p) { return p ? copy_of(p) : Poly(); }

// The product of the two denominators that are present (null for none).
Poly denominator_product(const Held& d1, const Held& d2) {
    if (d1.p && d2.p) return mult(d1.p, d2.p);
    return copy_of(d1.p ? d1.p : d2.p);
}

// n / q reduced by gcd(n, content of q) before the numerator is formed.
void cancel_number_with_content(Number& n, Poly& q) {
    if (lintmode) return;
    Number c, g;
    find_gcdcoefs(q.get(), c);
    binary_gcd(n, c, g);
    if (is_longint(g, 1)) return;
    Number n2, rem;
    divide(n, g, n2, rem);
    n = std::move(n2);
    divide_by_number(q, g);
}

}  // namespace

Quoly gen_quoly_mult(const PolyNode* n1, const PolyNode* d1, const PolyNode* n2,
                     const PolyNode* d2, int lflag) {
    if (d2 && poly_equal(n1, d2)) {
        if (d1 && poly_equal(n2, d1)) {
            Quoly one;
            quoly_set(1, one);
            return one;
        }
        Quoly q = make_quotient(copy_of(n2), optional_copy(d1), 0);
        check_quoly(q, 0);
        return q;
    }
    if (d1 && poly_equal(n2, d1)) {
        Quoly q = make_quotient(copy_of(n1), optional_copy(d2), 0);
        check_quoly(q, laurent);
        return q;
    }
    Frac r;
    if (d1 && d2 && poly_equal(d1, d2)) {
        // n1 and n2 are prime to d, so their product is prime to d^2.
        r.n = mult(n1, n2);
        r.d = mult(d1, d2);
        return from_frac_normal(std::move(r), lflag);
    }
    Held a{Poly(), n1}, da{Poly(), d1}, b{Poly(), n2}, db{Poly(), d2};
    if (d2) cross_cancel(a, db);
    if (d1) cross_cancel(b, da);
    r.n = mult(a.p, b.p);
    if (d1 || d2) r.d = denominator_product(da, db);
    if (r.d && poly_eq_1(r.d.get())) r.d.reset();
    return from_frac_normal(std::move(r), lflag);
}

// n * (p / q) for a number n: n / q loses the common factor of n and q's
// content first; then the numerator is n p.
Quoly number_times_quotient(const Number& n, Frac&& f) {
    if (num_is_zero(n)) return zero_quoly();
    Number m;
    num_assign(n, m);
    if (f.d) cancel_number_with_content(m, f.d);
    scalar_by_poly(m, f.n.get(), f.n);
    if (!f.d) return finish(std::move(f));
    return from_frac_normal(std::move(f), 0);
}

// The normalisation after a division: a denominator 1 is dropped, -1 is
// dropped with the numerator negated, then the normal form with the
// laurent flag.
Quoly quotient_result(Frac&& f) {
    if (poly_iszero(f.n.get())) return zero_quoly();
    if (f.d && poly_eq_m1(f.d.get()) && !lintmode) {
        poly_inplace(f.n.get());
        f.d.reset();
    }
    if (f.d && poly_eq_1(f.d.get())) f.d.reset();
    if (!f.d) return finish(std::move(f));
    return from_frac_normal(std::move(f), laurent);
}

// (p / q) / n = p / (n q); the contents of p and n cancel first. In lint
// mode p times the inverse of n.
Quoly quotient_by_number(Frac&& f, const Number& n) {
    if (lintmode) {
        Number inv;
        lint_inverse(n, inv);
        scalar_by_poly(inv, f.n.get(), f.n);
        return quotient_result(std::move(f));
    }
    Number m;
    num_assign(n, m);
    cancel_number_with_content(m, f.n);
    Poly nq;
    scalar_by_poly(m, f.d ? f.d.get() : const_poly(1).get(), nq);
    f.d = std::move(nq);
    return quotient_result(std::move(f));
}

// n / (p / q) = n q / p; the contents of n and p cancel first.
Quoly number_by_quotient(const Number& n, Frac&& f) {
    Number m;
    num_assign(n, m);
    cancel_number_with_content(m, f.n);
    Frac r;
    r.d = std::move(f.n);
    if (f.d)
        scalar_by_poly(m, f.d.get(), r.n);
    else
        r.n.reset(number_node(std::move(m)));
    return quotient_result(std::move(r));
}

}  // namespace quoly_detail
}  // namespace tolmex
