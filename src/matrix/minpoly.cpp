// The minimal polynomial by Krylov sequences (see minpoly.h).
#include "matrix/minpoly.h"

#include <utility>

#include "base/errors.h"
#include "numbers/modular_state.h"
#include "poly/poly.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

// Vectors and polynomials of field elements; a null entry is 0.
using Vec = std::vector<Quoly>;

bool is0(const Quoly& q) { return !q || quoly_iszero(q.get()); }

Quoly copy(const Quoly& q) { return is0(q) ? Quoly() : quoly_copy(q.get()); }

Quoly one() {
    Quoly q;
    quoly_set(1, q);
    return q;
}

// a := a - f b (entrywise, b no longer than a).
void sub_scaled(Vec& a, const Quoly& f, const Vec& b) {
    for (size_t k = 0; k < b.size(); ++k) {
        if (is0(b[k])) continue;
        Quoly t;
        quoly_mult(f.get(), b[k].get(), t);
        if (is0(a[k]))
            a[k] = Quoly(), quoly_set(0, a[k]);
        best_quoly_sub(a[k], std::move(t));
    }
}

void scale(Vec& a, const Quoly& f) {
    for (Quoly& x : a)
        if (!is0(x)) fast_quoly_mult(x, quoly_copy(f.get()));
}

// m v.
Vec times_vector(const Matrix& m, const Vec& v) {
    Vec w(static_cast<size_t>(m.rows));
    for (int32_t r = 0; r < m.rows; ++r) {
        Quoly s;
        quoly_set(0, s);
        for (int32_t c = 0; c < m.cols; ++c) {
            const QuolyRec* a = m.at(r, c);
            if (!a || quoly_iszero(a) || is0(v[c])) continue;
            Quoly t;
            quoly_mult(a, v[c].get(), t);
            best_quoly_add(s, std::move(t));
        }
        w[r] = std::move(s);
    }
    return w;
}

// One vector of the Krylov basis: pivot entry 1, zero at the pivots of the
// vectors before it; combo its coefficients over v, A v, A^2 v, ...
struct KrylovRow {
    size_t piv;
    Vec vec, combo;
};

// The monic minimal polynomial of v with respect to m.
Vec vector_minpoly(const Matrix& m, Vec v) {
    std::vector<KrylovRow> basis;
    for (size_t k = 0;; ++k) {
        Vec r(v.size()), combo(k + 1);
        for (size_t i = 0; i < v.size(); ++i) r[i] = copy(v[i]);
        combo[k] = one();
        for (const KrylovRow& b : basis) {
            if (is0(r[b.piv])) continue;
            Quoly f = copy(r[b.piv]);
            sub_scaled(r, f, b.vec);
            sub_scaled(combo, f, b.combo);
        }
        size_t piv = 0;
        while (piv < r.size() && is0(r[piv])) ++piv;
        if (piv == r.size()) return combo;  // sum combo_i A^i v = 0
        Quoly inv = copy(r[piv]);
        quoly_reciprocal(inv);
        scale(r, inv);
        scale(combo, inv);
        basis.push_back({piv, std::move(r), std::move(combo)});
        v = times_vector(m, v);
    }
}

Vec poly_mult(const Vec& a, const Vec& b) {
    Vec c(a.size() + b.size() - 1);
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j) {
            if (is0(a[i]) || is0(b[j])) continue;
            Quoly t;
            quoly_mult(a[i].get(), b[j].get(), t);
            if (is0(c[i + j]))
                c[i + j] = std::move(t);
            else
                best_quoly_add(c[i + j], std::move(t));
        }
    return c;
}

// p(m) e_j by Horner's rule.
Vec poly_at_unit(const Matrix& m, const Vec& p, int32_t j) {
    Vec v(static_cast<size_t>(m.rows));
    for (size_t k = p.size(); k-- > 0;) {
        if (k + 1 < p.size()) v = times_vector(m, v);
        if (is0(p[k])) continue;
        if (is0(v[j])) quoly_set(0, v[j]);
        best_quoly_add(v[j], copy(p[k]));
    }
    return v;
}

// Whether the value involves x, the variable of level 1 the result is
// written in.
bool involves_x(const QuolyRec* a) {
    if (quoly_is_number(a)) return false;
    const PolyNode* den = quoly_denominator(a);
    return poly_involves_level(quoly_numerator(a), 1) || (den && poly_involves_level(den, 1));
}

// The entries must lie in a field: rational numbers or residues of a
// field, or polys and rational functions in the variables other than x
// (their fraction field). An entry in x would mix the matrix's ring with
// the variable of its minimal polynomial: error 367 as well.
void check_entries(const Matrix& m, const char* name) {
    if (modularmode && !(modulus == 2 || mod_is_prime || finf)) error(367, name);
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.cols; ++c) {
            const QuolyRec* a = m.at(r, c);
            if (a && !quoly_iszero(a) && involves_x(a)) error(367, name);
        }
}

}  // namespace

std::vector<Quoly> minimal_poly_coefs(const Matrix& m, const char* name) {
    if (!m.square()) error(313, name);
    check_entries(m, name);
    Vec p;
    p.push_back(one());
    for (int32_t j = 0; j < m.rows && static_cast<int32_t>(p.size()) <= m.rows; ++j)
        p = poly_mult(p, vector_minpoly(m, poly_at_unit(m, p, j)));
    return p;
}

void minimal_poly(const Matrix& m, Quoly& result, const char* name) {
    if (!polynames) error(182, name);
    Vec c = minimal_poly_coefs(m, name);
    Poly xp;
    base_poly(xp, 1);
    Quoly x;
    p_q_take(std::move(xp), x);
    Quoly r = one();  // the leading coefficient
    for (size_t k = c.size() - 1; k-- > 0;) {
        fast_quoly_mult(r, quoly_copy(x.get()));
        if (!is0(c[k])) best_quoly_add(r, std::move(c[k]));
    }
    result = std::move(r);
}

}  // namespace tolmex
