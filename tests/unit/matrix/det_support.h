// Helpers shared by the determinant, characteristic and minimal polynomial
// tests.
#pragma once

#include <vector>

#include "matrix/determinant.h"
#include "matrix/matrix.h"
#include "numbers/number.h"
#include "poly/poly_terms.h"
#include "quoly/quoly.h"
#include "quoly/quoly_arith.h"

namespace dettest {

// The entries of a dense matrix, column by column (null for 0).
inline std::vector<const tolmex::QuolyRec*> entries(const tolmex::Matrix& m) {
    std::vector<const tolmex::QuolyRec*> e;
    for (const tolmex::Quoly& q : m.e) e.push_back(q.get());
    return e;
}

// The determinant of m by the dispatcher, with the method forced or not.
inline tolmex::Quoly det_of(const tolmex::Matrix& m, tolmex::DetMethod method = tolmex::DetMethod::Auto) {
    tolmex::Quoly d;
    tolmex::mat_invert(m, d, nullptr, "Det", method);
    return d;
}

// The coefficient of x^e (x the level-1 variable) of p, a number for e = 0
// of a constant p; a poly with rational coefficients is held over a
// constant denominator.
inline tolmex::Quoly coefficient(const tolmex::QuolyRec* p, int32_t e) {
    using namespace tolmex;
    if (quoly_is_number(p)) {
        if (e == 0) return quoly_copy(p);
        Number zero;
        set_int64(0, zero);
        return make_numeric(std::move(zero));
    }
    Poly c;
    level_coefficient(quoly_numerator(p), 1, e, c);
    Quoly q;
    p_q_take(std::move(c), q);
    polynum_to_quoly(q);
    if (const PolyNode* d = quoly_denominator(p)) {
        Number den;
        num_assign(poly_constant(d), den);
        Quoly r;
        quoly_quot(q.get(), make_numeric(std::move(den)).get(), r);
        return r;
    }
    return q;
}

}  // namespace dettest
