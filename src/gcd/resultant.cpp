// The subresultant remainder sequence: each pseudo-remainder is divided by
// a factor known to divide it exactly (g h^delta), which keeps the
// coefficients from swelling while the sequence stays within the ring.
#include "gcd/resultant.h"

#include <utility>

#include "base/errors.h"
#include "poly/poly_arith.h"
#include "poly/poly_coefs.h"
#include "poly/poly_divide.h"
#include "poly/poly_terms.h"

namespace tolmex {

namespace {

int32_t degree_in(const PolyNode* p, int k) {
    return poly_involves_level(p, k) ? level_degree(p, k) : 0;
}

Poly lead_in(const PolyNode* p, int k) {
    Poly c;
    level_coefficient(p, k, degree_in(p, k), c);
    return c;
}

// q := a / b for a b known to divide a.
void exact_quotient(const PolyNode* a, const PolyNode* b, Poly& q) {
    if (poly_is_const(b)) {
        if (!poly_quot(a, b, q, 0)) internal_stop("inexact division in resultant");
        return;
    }
    int inexact = 0;
    gen_poly_divide(a, b, q, nullptr, inexact);
    if (inexact) internal_stop("inexact division in resultant");
}

Poly power_of(const PolyNode* p, int32_t n) {
    Poly r;
    poly_power(p, n, r, nullptr);
    return r;
}

Poly product(const PolyNode* a, const PolyNode* b) {
    Poly r;
    poly_mult(a, b, r, nullptr);
    return r;
}

}  // namespace

void resultant(const PolyNode* a, const PolyNode* b, int k, Poly& r) {
    if (poly_iszero(a) || poly_iszero(b)) {
        poly_set(0, r);
        return;
    }
    int32_t da = degree_in(a, k), db = degree_in(b, k);
    if (da == 0 || db == 0) {
        r = da == 0 ? power_of(a, db) : power_of(b, da);
        return;
    }
    Poly A(copy_poly(a)), B(copy_poly(b));
    bool negate = false;
    if (da < db) {
        std::swap(A, B);
        std::swap(da, db);
        negate = (da & 1) && (db & 1);
    }
    Poly g, h;
    poly_set(1, g);
    poly_set(1, h);
    while (true) {
        poll_interrupt();
        const int32_t delta = da - db;
        if ((da & 1) && (db & 1)) negate = !negate;
        Poly R;
        level_remainder(A.get(), B.get(), k, R, true);
        A = std::move(B);
        Poly divisor = product(g.get(), power_of(h.get(), delta).get());
        exact_quotient(R.get(), divisor.get(), B);
        g = lead_in(A.get(), k);
        if (delta >= 2) {
            // h := g^delta / h^(delta - 1)
            Poly num = power_of(g.get(), delta), next;
            exact_quotient(num.get(), power_of(h.get(), delta - 1).get(), next);
            h = std::move(next);
        } else if (delta == 1) {
            poly_assign(g.get(), h);
        }
        da = degree_in(A.get(), k);
        if (poly_iszero(B.get())) {
            poly_set(0, r);
            return;
        }
        db = degree_in(B.get(), k);
        if (db == 0) break;
    }
    // h := lc(B)^da / h^(da - 1); B is free of x_k, so it is its own lead.
    Poly num = power_of(B.get(), da), res;
    exact_quotient(num.get(), power_of(h.get(), da - 1).get(), res);
    if (negate) poly_inplace(res.get());
    r = std::move(res);
}

}  // namespace tolmex
