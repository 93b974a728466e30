// Helpers shared by the determinant, characteristic and minimal polynomial
// tests.
#pragma once

#include <vector>

#include "matrix/chpoly.h"
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

// Entry k of a coefficient vector from x^0 up, 0 beyond it or for null.
inline tolmex::Quoly coef_at(const std::vector<tolmex::Quoly>& p, size_t k) {
    using namespace tolmex;
    if (k < p.size() && p[k]) return quoly_copy(p[k].get());
    Number zero;
    set_int64(0, zero);
    return make_numeric(std::move(zero));
}

// p(a) by Horner's rule, p's coefficients from x^0 up.
inline tolmex::Matrix evaluate_at(const std::vector<tolmex::Quoly>& p, const tolmex::Matrix& a) {
    using namespace tolmex;
    Matrix r = Matrix::zero(a.rows, a.rows, false);
    for (size_t e = p.size(); e-- > 0;) {
        r = matrix_mult(r, a);
        Matrix c = matrix_identity(a.rows, false);
        matrix_scale(c, coef_at(p, e).get(), true);
        r = matrix_add(r, c, false);
    }
    return r;
}

// The remainder of det(a - x I) by the monic p is zero (long division).
inline bool divides_chpoly(const std::vector<tolmex::Quoly>& p, const tolmex::Matrix& a) {
    using namespace tolmex;
    Quoly ch;
    char_poly(a, ch, "Chpoly");
    std::vector<Quoly> rem;
    for (int32_t e = 0; e <= a.rows; ++e) rem.push_back(coefficient(ch.get(), e));
    const size_t d = p.size() - 1;
    for (size_t top = rem.size(); top-- > d;) {
        Quoly f = quoly_copy(rem[top].get());
        for (size_t k = 0; k <= d; ++k) {
            Quoly t;
            quoly_mult(f.get(), coef_at(p, k).get(), t);
            best_quoly_sub(rem[top - d + k], std::move(t));
        }
    }
    for (size_t k = 0; k < d; ++k)
        if (rem[k] && !quoly_iszero(rem[k].get())) return false;
    return true;
}

// diag(b, b): it shares b's minimal polynomial and is not of full degree.
inline tolmex::Matrix block_twice(const tolmex::Matrix& b) {
    using namespace tolmex;
    const int32_t k = b.rows;
    Matrix m = Matrix::zero(2 * k, 2 * k, false);
    for (int32_t r = 0; r < k; ++r)
        for (int32_t c = 0; c < k; ++c)
            if (const QuolyRec* v = b.at(r, c)) {
                m.set(r, c, quoly_copy(v));
                m.set(k + r, k + c, quoly_copy(v));
            }
    return m;
}

}  // namespace dettest
