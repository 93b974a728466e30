// TEMPORARY: a stand-in for the one-variable GCD over Z/p that is being
// written in its own file (univariate_gcd.cpp), so that the driver links
// and runs meanwhile. A weak definition: the real method replaces it at
// link time, and this file goes away when it lands.
#include "gcd/gcd_methods.h"

#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"

namespace tolmex {

namespace {

// g := p / lc(p) (a residue poly in one variable).
void make_monic(Poly& g) {
    const Number& lc = leading_number(g.get());
    if (num_is_one(lc)) return;
    Number one, inv;
    setvalue(1, one);
    quot(one, lc, inv);
    Poly m;
    scalar_by_poly(inv, g.get(), m);
    g = std::move(m);
}

}  // namespace

// Plain Euclid on the term lists.
__attribute__((weak)) void basic_poly_gcd(const PolyNode* a, const PolyNode* b, Poly& g) {
    Poly x(copy_poly(a)), y(copy_poly(b));
    while (!poly_iszero(y.get())) {
        Poly q, r;
        basic_poly_divide(x.get(), y.get(), q, r);
        x = std::move(y);
        y = std::move(r);
    }
    g = std::move(x);
    if (!poly_iszero(g.get())) make_monic(g);
}

}  // namespace tolmex
