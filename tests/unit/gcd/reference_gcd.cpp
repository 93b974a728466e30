// The reference GCD of the method tests: a primitive remainder sequence,
// written apart from the library's own methods.
#include "reference_gcd.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "gcd/polygcd.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_coefs.h"
#include "poly/poly_divide.h"

using namespace tolmex;

namespace gcdtest {

namespace {

void normalise(Poly& g) {
    if (poly_iszero(g.get())) return;
    if (!lintmode) {
        if (leading_number(g.get()).sign() < 0) poly_inplace(g.get());
        return;
    }
    int32_t inv = 0;
    emod_inverse(leading_number(g.get()).lint(), inv);
    Number x;
    setvalue(inv, x);
    scalar_by_poly(x, g.get(), g);
}

Poly padded(Poly&& p) {
    if (!poly_is_const(p.get())) add_pad(p.raw());
    return std::move(p);
}

Poly constants_gcd(const PolyNode* a, const PolyNode* b) {
    Poly g;
    if (lintmode) {
        poly_set(1, g);
        return g;
    }
    Number n;
    binary_gcd(poly_constant(a), poly_constant(b), n);
    g.reset(number_node(std::move(n)));
    return g;
}

// Neither operand involves the top variable: the GCD one level down.
Poly gcd_below(const PolyNode* a, const PolyNode* b) {
    Poly x(copy_poly(a)), y(copy_poly(b));
    if (!poly_is_const(x.get())) poly_remove_level(x.raw(), 1);
    if (!poly_is_const(y.get())) poly_remove_level(y.raw(), 1);
    return padded(ref_gcd(x.get(), y.get()));
}

}  // namespace

Poly exact_quotient(const PolyNode* a, const PolyNode* b) {
    Poly q;
    if (poly_is_const(b)) {
        poly_quot(a, b, q, 0);
        return q;
    }
    int inexact = 0;
    gen_poly_divide(a, b, q, nullptr, inexact);
    if (inexact) ADD_FAILURE() << "inexact division";
    return q;
}

Poly ref_content(const PolyNode* p) {
    Poly c;
    poly_set(0, c);
    each_level_coef(p, 2, [&c](const PolyNode* coef) {
        c = ref_gcd(c.get(), coef);
        return true;
    });
    return padded(std::move(c));
}

Poly ref_primitive(const PolyNode* p) {
    Poly c = ref_content(p);
    return exact_quotient(p, c.get());
}

Poly ref_gcd(const PolyNode* a, const PolyNode* b) {
    Poly g;
    if (poly_iszero(a) || poly_iszero(b)) {
        poly_assign(poly_iszero(a) ? b : a, g);
        normalise(g);
        return g;
    }
    if (poly_is_const(a) && poly_is_const(b)) return constants_gcd(a, b);
    if (level_degree(a, 1) == 0 && level_degree(b, 1) == 0) return gcd_below(a, b);
    Poly ca = ref_content(a), cb = ref_content(b);
    Poly x = exact_quotient(a, ca.get()), y = exact_quotient(b, cb.get());
    Poly c = ref_gcd(ca.get(), cb.get());
    if (level_degree(x.get(), 1) < level_degree(y.get(), 1)) std::swap(x, y);
    while (level_degree(y.get(), 1) > 0) {
        Poly r;
        pseudo_div_no_q(x.get(), y.get(), r, nullptr);
        if (poly_iszero(r.get())) break;
        x = std::move(y);
        y = ref_primitive(r.get());
    }
    if (level_degree(y.get(), 1) == 0) poly_set(1, y);
    poly_mult(c.get(), y.get(), g, nullptr);
    normalise(g);
    return g;
}

}  // namespace gcdtest

