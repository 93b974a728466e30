// Hermite and Smith normal forms over F[t] (see poly_normal_forms.h).
//
// Each entry is taken apart into its coefficients in t, field elements (the
// numbers of the ground ring); the forms are computed on these coefficient
// vectors with the field arithmetic of quolys, and the results are written
// back as polynomials in the same variable t.
//
// Over a finite field, a square matrix of full rank whose transforms are
// not asked for goes by the determinant modulus d: the rows of a span d
// times every unit vector, so every entry may be reduced modulo d as the
// columns are cleared and no entry reaches the degree of d
// (hermite_mod_det); Smith starts from that Hermite form. Over Q the
// remainders modulo d carry rational coefficients far larger than those
// of the general elimination (an 8 x 8 matrix of cubics took minutes
// instead of a second), so Q keeps the general elimination, as do the
// other shapes.
//
// There degrees are kept down in three ways. The pivot of each column (and, for
// Smith, of each step) is an entry of least degree. Entries are cleared by
// plain division when the pivot divides them and otherwise by the extended
// Euclid, whose cofactors have degrees below those of the two entries, so
// one elimination raises the degrees of a row by at most the pivot's
// degree. And the finished rows of Hermite are reduced modulo each new
// pivot at once, so they never hold entries of degree at or above the
// pivots below them, and neither does U grow from them. The determinant
// modulus is not used there: it needs full rank, and the transforms would
// have to be recovered by solving a polynomial system afterwards.
#include "matrix/poly_normal_forms.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "matrix/determinant.h"
#include "matrix/normal_forms.h"
#include "numbers/modular_state.h"
#include "poly/poly.h"
#include "poly/poly_coefs.h"
#include "poly/poly_terms.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

// ---------------------------------------------------------------------------
// Polynomials in t over the field: coefficients from t^0 up (numeric
// quolys, never null), no zero leading coefficient; empty for 0.

using UPoly = std::vector<Quoly>;

Quoly field_int(int32_t v) {
    Quoly q;
    quoly_set(v, q);
    return q;
}

Quoly fmul(const Quoly& a, const Quoly& b) {
    Quoly r;
    quoly_mult(a.get(), b.get(), r);
    return r;
}

Quoly finv(const Quoly& a) {
    Quoly r = quoly_copy(a.get());
    quoly_reciprocal(r);
    return r;
}

int32_t deg(const UPoly& p) { return static_cast<int32_t>(p.size()) - 1; }

void trim(UPoly& p) {
    while (!p.empty() && quoly_iszero(p.back().get())) p.pop_back();
}

UPoly pcopy(const UPoly& p) {
    UPoly r;
    r.reserve(p.size());
    for (const Quoly& c : p) r.push_back(quoly_copy(c.get()));
    return r;
}

// The constant 1 or -1 (or 0).
UPoly pconst(int32_t v) {
    UPoly r;
    if (v) r.push_back(field_int(1));
    if (v < 0) quoly_inplace(r[0].get());
    return r;
}

// a + b, or a - b when subtract.
UPoly padd(const UPoly& a, const UPoly& b, bool subtract) {
    UPoly r = pcopy(a);
    while (r.size() < b.size()) r.push_back(field_int(0));
    for (size_t k = 0; k < b.size(); ++k) {
        Quoly s;
        (subtract ? quoly_sub : quoly_add)(r[k].get(), b[k].get(), s);
        r[k] = std::move(s);
    }
    trim(r);
    return r;
}

UPoly pmul(const UPoly& a, const UPoly& b) {
    if (a.empty() || b.empty()) return {};
    UPoly r;
    for (size_t k = 0; k + 1 < a.size() + b.size(); ++k) r.push_back(field_int(0));
    for (size_t i = 0; i < a.size(); ++i) {
        if (quoly_iszero(a[i].get())) continue;
        for (size_t j = 0; j < b.size(); ++j) best_quoly_add(r[i + j], fmul(a[i], b[j]));
    }
    trim(r);
    return r;
}

UPoly pscale(const UPoly& a, const Quoly& c) {
    UPoly r;
    for (const Quoly& x : a) r.push_back(fmul(x, c));
    trim(r);
    return r;
}

// a = q b + r with deg r < deg b (b nonzero).
void pdivmod(const UPoly& a, const UPoly& b, UPoly& q, UPoly& r) {
    r = pcopy(a);
    q.clear();
    const int32_t db = deg(b);
    if (deg(a) < db) return;
    for (int32_t k = 0; k <= deg(a) - db; ++k) q.push_back(field_int(0));
    const Quoly inv = finv(b.back());
    for (int32_t k = deg(a); k >= db; --k) {
        if (quoly_iszero(r[k].get())) continue;
        Quoly f = fmul(r[k], inv);
        for (int32_t j = 0; j <= db; ++j) best_quoly_sub(r[k - db + j], fmul(f, b[j]));
        q[k - db] = std::move(f);
    }
    r.resize(db);
    trim(r);
    trim(q);
}

UPoly pquot(const UPoly& a, const UPoly& b) {
    UPoly q, r;
    pdivmod(a, b, q, r);
    return q;
}

// g = s a + t b, g the monic gcd of a and b (not both zero).
struct Bezout {
    UPoly g, s, t;
};

Bezout xgcd(const UPoly& a, const UPoly& b) {
    UPoly r0 = pcopy(a), r1 = pcopy(b), s0 = pconst(1), s1, t0, t1 = pconst(1);
    while (!r1.empty()) {
        UPoly q, r;
        pdivmod(r0, r1, q, r);
        UPoly s2 = padd(s0, pmul(q, s1), true), t2 = padd(t0, pmul(q, t1), true);
        r0 = std::exchange(r1, std::move(r));
        s0 = std::exchange(s1, std::move(s2));
        t0 = std::exchange(t1, std::move(t2));
    }
    const Quoly c = finv(r0.back());
    return {pscale(r0, c), pscale(s0, c), pscale(t0, c)};
}

// ---------------------------------------------------------------------------
// Matrices of such polynomials and the elementary operations on their
// lines: rows, or columns when by_col.

struct PMat {
    int32_t rows = 0, cols = 0;
    std::vector<UPoly> e;  // row by row
    UPoly& at(int32_t r, int32_t c) { return e[static_cast<size_t>(r) * cols + c]; }
    UPoly& line_at(bool by_col, int32_t line, int32_t k) { return by_col ? at(k, line) : at(line, k); }
    int32_t line_length(bool by_col) const { return by_col ? rows : cols; }
};

PMat pm_identity(int32_t n) {
    PMat m{n, n, std::vector<UPoly>(static_cast<size_t>(n) * n)};
    for (int32_t k = 0; k < n; ++k) m.at(k, k) = pconst(1);
    return m;
}

void swap_lines(PMat* m, bool by_col, int32_t i, int32_t j) {
    if (!m || i == j) return;
    for (int32_t k = 0; k < m->line_length(by_col); ++k) std::swap(m->line_at(by_col, i, k), m->line_at(by_col, j, k));
}

// Line i -= f * line j.
void sub_line(PMat* m, bool by_col, int32_t i, int32_t j, const UPoly& f) {
    if (!m) return;
    for (int32_t k = 0; k < m->line_length(by_col); ++k) {
        UPoly& x = m->line_at(by_col, j, k);
        if (!x.empty()) m->line_at(by_col, i, k) = padd(m->line_at(by_col, i, k), pmul(f, x), true);
    }
}

void scale_line(PMat* m, bool by_col, int32_t i, const Quoly& c) {
    if (!m) return;
    for (int32_t k = 0; k < m->line_length(by_col); ++k) {
        UPoly& x = m->line_at(by_col, i, k);
        x = pscale(x, c);
    }
}

// Lines (i, j) := (s i + t j, x i + y j); s y - t x is 1.
void combine_lines(PMat* m, bool by_col, int32_t i, int32_t j, const Bezout& b, const UPoly& x, const UPoly& y) {
    if (!m) return;
    for (int32_t k = 0; k < m->line_length(by_col); ++k) {
        UPoly& a = m->line_at(by_col, i, k);
        UPoly& c = m->line_at(by_col, j, k);
        UPoly na = padd(pmul(b.s, a), pmul(b.t, c), false);
        UPoly nc = padd(pmul(x, a), pmul(y, c), false);
        a = std::move(na);
        c = std::move(nc);
    }
}

// Makes entry k of line i zero using line p (entry k of line p nonzero), by
// a unimodular operation on the two lines of m and the same on side.
void clear_entry(PMat& m, PMat* side, bool by_col, int32_t p, int32_t i, int32_t k) {
    const UPoly& piv = m.line_at(by_col, p, k);
    const UPoly& x = m.line_at(by_col, i, k);
    UPoly q, r;
    pdivmod(x, piv, q, r);
    if (r.empty()) {
        sub_line(&m, by_col, i, p, q);
        sub_line(side, by_col, i, p, q);
        return;
    }
    Bezout b = xgcd(piv, x);
    // (s, t; -x/g, piv/g) has determinant (s piv + t x) / g = 1.
    UPoly lower = padd({}, pquot(x, b.g), true), upper = pquot(piv, b.g);
    combine_lines(&m, by_col, p, i, b, lower, upper);
    combine_lines(side, by_col, p, i, b, lower, upper);
}

void make_monic(PMat& m, PMat* side, bool by_col, int32_t i, const UPoly& lead_of) {
    const Quoly c = finv(lead_of.back());
    scale_line(&m, by_col, i, c);
    scale_line(side, by_col, i, c);
}

// ---------------------------------------------------------------------------
// The forms

// The first row >= r with an entry of least degree in column c; -1 if none.
int32_t least_in_column(PMat& a, int32_t r, int32_t c) {
    int32_t best = -1;
    for (int32_t i = r; i < a.rows; ++i)
        if (!a.at(i, c).empty() && (best < 0 || deg(a.at(i, c)) < deg(a.at(best, c)))) best = i;
    return best;
}

int32_t hermite_pm(PMat& a, PMat* u) {
    int32_t r = 0;
    for (int32_t c = 0; c < a.cols && r < a.rows; ++c) {
        const int32_t best = least_in_column(a, r, c);
        if (best < 0) continue;
        swap_lines(&a, false, r, best);
        swap_lines(u, false, r, best);
        for (int32_t i = r + 1; i < a.rows; ++i)
            if (!a.at(i, c).empty()) clear_entry(a, u, false, r, i, c);
        make_monic(a, u, false, r, UPoly(pcopy(a.at(r, c))));
        for (int32_t k = 0; k < r; ++k) {
            if (deg(a.at(k, c)) < deg(a.at(r, c))) continue;
            const UPoly f = pquot(a.at(k, c), a.at(r, c));
            sub_line(&a, false, k, r, f);
            sub_line(u, false, k, r, f);
        }
        ++r;
    }
    return r;
}

// The entry of least degree in rows and columns k and on; false if none.
bool least_in_corner(PMat& a, int32_t k, int32_t& bi, int32_t& bj) {
    bi = bj = -1;
    for (int32_t i = k; i < a.rows; ++i)
        for (int32_t j = k; j < a.cols; ++j)
            if (!a.at(i, j).empty() && (bi < 0 || deg(a.at(i, j)) < deg(a.at(bi, bj)))) bi = i, bj = j;
    return bi >= 0;
}

// Clears row k and column k outside (k, k), which ends as their gcd.
void clear_cross(PMat& a, PMat* u, PMat* v, int32_t k) {
    for (bool again = true; again;) {
        for (int32_t i = k + 1; i < a.rows; ++i)
            if (!a.at(i, k).empty()) clear_entry(a, u, false, k, i, k);
        for (int32_t j = k + 1; j < a.cols; ++j)
            if (!a.at(k, j).empty()) clear_entry(a, v, true, k, j, k);
        again = false;
        for (int32_t i = k + 1; i < a.rows; ++i) again = again || !a.at(i, k).empty();
    }
}

// A row below k holding an entry that (k, k) does not divide; -1 if none.
int32_t undivided_row(PMat& a, int32_t k) {
    for (int32_t i = k + 1; i < a.rows; ++i)
        for (int32_t j = k + 1; j < a.cols; ++j) {
            if (a.at(i, j).empty()) continue;
            UPoly q, r;
            pdivmod(a.at(i, j), a.at(k, k), q, r);
            if (!r.empty()) return i;
        }
    return -1;
}

// Each step puts the gcd of what is left at (k, k): an entry of least
// degree is moved there and its row and column are cleared; when some
// entry further on is not a multiple of it, that entry's row is added to
// row k and the step repeats with a pivot of smaller degree.
int32_t smith_pm(PMat& a, PMat* u, PMat* v) {
    const int32_t n = std::min(a.rows, a.cols);
    for (int32_t k = 0; k < n; ++k) {
        for (;;) {
            int32_t bi = 0, bj = 0;
            if (!least_in_corner(a, k, bi, bj)) return k;
            swap_lines(&a, false, k, bi);
            swap_lines(u, false, k, bi);
            swap_lines(&a, true, k, bj);
            swap_lines(v, true, k, bj);
            clear_cross(a, u, v, k);
            const int32_t i = undivided_row(a, k);
            if (i < 0) break;
            const UPoly minus_one = pconst(-1);
            sub_line(&a, false, k, i, minus_one);
            sub_line(u, false, k, i, minus_one);
        }
        make_monic(a, u, false, k, UPoly(pcopy(a.at(k, k))));
    }
    return n;
}

// Entries k and on of line r reduced modulo d.
void reduce_line(PMat& a, int32_t r, int32_t from, const UPoly& d) {
    for (int32_t j = from; j < a.cols; ++j) {
        UPoly& x = a.at(r, j);
        if (deg(x) < deg(d)) continue;
        UPoly q, rem;
        pdivmod(x, d, q, rem);
        x = std::move(rem);
    }
}

// The Hermite form of the square nonsingular a whose determinant is d
// (monic), into w, by the determinant-modulus method: the rows of a span
// every multiple of d e_j, so every entry may be reduced modulo d while
// the columns are cleared, and no entry ever reaches deg d. Column c's
// pivot becomes gcd(a(c, c), R) for the running modulus R, which then
// drops to R / pivot for the columns after it.
PMat hermite_mod_det(PMat& a, UPoly d) {
    const int32_t n = a.rows;
    PMat w{n, n, std::vector<UPoly>(static_cast<size_t>(n) * n)};
    for (int32_t r = 0; r < n; ++r) reduce_line(a, r, 0, d);
    for (int32_t c = 0; c < n; ++c) {
        for (int32_t i = c + 1; i < n; ++i) {
            if (a.at(i, c).empty()) continue;
            if (a.at(c, c).empty()) {
                swap_lines(&a, false, c, i);
                continue;
            }
            clear_entry(a, nullptr, false, c, i, c);
            reduce_line(a, c, c, d);
            reduce_line(a, i, c, d);
        }
        Bezout b = xgcd(a.at(c, c), d);
        for (int32_t j = c + 1; j < n; ++j) w.at(c, j) = pmul(b.s, a.at(c, j));
        reduce_line(w, c, c + 1, d);
        w.at(c, c) = pcopy(b.g);
        for (int32_t k = 0; k < c; ++k) {
            if (deg(w.at(k, c)) < deg(b.g)) continue;
            const UPoly f = pquot(w.at(k, c), b.g);
            sub_line(&w, false, k, c, f);
        }
        d = pquot(d, b.g);
    }
    return w;
}

// ---------------------------------------------------------------------------
// Entries in and out

bool is_zero_entry(const QuolyRec* q) { return !q || quoly_iszero(q); }

bool numeric_entry(const QuolyRec* q) { return is_zero_entry(q) || quoly_is_number(q) || quoly_is_rational(q); }

// The level of the one variable of the polynomial numerator p (0 when
// p involves several levels or negative exponents).
int univariate_level(const PolyNode* p) {
    const int k = poly_level(p);
    if (k == 0 || deepest_level(p) != k) return 0;
    for (int32_t e : poly_lowest_exponents(p))
        if (e < 0) return 0;
    return k;
}

// Whether the variable of level k is modded out: its polys are then
// residues modulo a poly in it, a ring in which degrees mean nothing.
bool modded_out(int k) {
    const PolyVar* v = polynames;
    for (int j = 1; v && j < k; ++j) v = v->next;
    return v && v->mod_poly;
}

// The coefficients of entry q in t, t the variable of level `level`
// (which the first non-constant entry sets).
UPoly entry_coefficients(const QuolyRec* q, int& level, const char* name) {
    if (is_zero_entry(q)) return {};
    if (numeric_entry(q)) {
        UPoly c;
        c.push_back(quoly_copy(q));
        return c;
    }
    const PolyNode* den = quoly_denominator(q);
    const PolyNode* p = quoly_numerator(q);
    const int k = univariate_level(p);
    if ((den && !poly_is_const(den)) || k == 0 || (level && level != k) || modded_out(k))
        error(kErrUnsuitedMethod, name);
    level = k;
    UPoly r;
    for (int32_t e = 0; e <= level_degree(p, k); ++e) {
        Poly c;
        level_coefficient(p, k, e, c);
        Quoly cq;
        p_q_take(std::move(c), cq);
        polynum_to_quoly(cq);
        if (den) {
            Number d;
            num_assign(poly_constant(den), d);
            fast_quoly_quot(cq, make_numeric(std::move(d)));
        }
        r.push_back(std::move(cq));
    }
    trim(r);
    return r;
}

PMat from_matrix(const Matrix& m, int& level, const char* name) {
    if (modularmode && !mod_is_prime && !finf) error(179, name);
    PMat a{m.rows, m.cols, std::vector<UPoly>(static_cast<size_t>(m.rows) * m.cols)};
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.cols; ++c) a.at(r, c) = entry_coefficients(m.at(r, c), level, name);
    return a;
}

// sum p_k t^k by Horner's rule.
Quoly to_quoly(const UPoly& p, const Quoly& t) {
    if (p.empty()) return field_int(0);
    Quoly r = quoly_copy(p.back().get());
    for (size_t k = p.size() - 1; k-- > 0;) {
        fast_quoly_mult(r, quoly_copy(t.get()));
        best_quoly_add(r, quoly_copy(p[k].get()));
    }
    return r;
}

Matrix to_matrix(PMat& a, int level) {
    Quoly t;
    if (level) {
        Poly tp;
        base_poly(tp, level);
        p_q_take(std::move(tp), t);
    }
    Matrix out = Matrix::zero(a.rows, a.cols, false);
    for (int32_t r = 0; r < a.rows; ++r)
        for (int32_t c = 0; c < a.cols; ++c) out.set(r, c, to_quoly(a.at(r, c), t));
    return out;
}

// The monic determinant of the square m (entries in t of that level, or
// numbers); empty when m is singular.
UPoly monic_determinant(const Matrix& m, int level, const char* name) {
    Quoly det;
    mat_invert(m, det, nullptr, name);
    int det_level = level;
    UPoly d = entry_coefficients(det.get(), det_level, name);
    if (d.empty()) return d;
    return pscale(d, finv(d.back()));
}

}  // namespace

bool has_poly_entries(const Matrix& a) {
    for (int32_t r = 0; r < a.rows; ++r)
        for (int32_t c = 0; c < a.cols; ++c)
            if (!numeric_entry(a.at(r, c))) return true;
    return false;
}

int32_t poly_hermite_form(const Matrix& a, Matrix& h, Matrix* u, const char* name, bool modular) {
    int level = 0;
    PMat m = from_matrix(a, level, name);
    if (modular && modularmode && !u && a.square() && a.rows > 1) {
        UPoly d = monic_determinant(a, level, name);
        if (!d.empty()) {
            PMat w = hermite_mod_det(m, std::move(d));
            h = to_matrix(w, level);
            return a.rows;
        }
    }
    PMat um = pm_identity(u ? a.rows : 0);
    const int32_t rank = hermite_pm(m, u ? &um : nullptr);
    h = to_matrix(m, level);
    if (u) *u = to_matrix(um, level);
    return rank;
}

int32_t poly_smith_form(const Matrix& a, Matrix& s, Matrix* u, Matrix* v, const char* name, bool modular) {
    int level = 0;
    PMat m = from_matrix(a, level, name);
    if (modular && modularmode && !u && !v && a.square() && a.rows > 1) {
        // The Smith form of the Hermite form is that of a; the Hermite
        // form by the determinant modulus starts it with bounded degrees.
        UPoly d = monic_determinant(a, level, name);
        if (!d.empty()) m = hermite_mod_det(m, std::move(d));
    }
    PMat um = pm_identity(u ? a.rows : 0), vm = pm_identity(v ? a.cols : 0);
    const int32_t rank = smith_pm(m, u ? &um : nullptr, v ? &vm : nullptr);
    s = to_matrix(m, level);
    if (u) *u = to_matrix(um, level);
    if (v) *v = to_matrix(vm, level);
    return rank;
}

int32_t hermite_any(const Matrix& a, Matrix& h, Matrix* u, const char* name) {
    return has_poly_entries(a) ? poly_hermite_form(a, h, u, name) : hermite_form(a, h, u, name);
}

int32_t smith_any(const Matrix& a, Matrix& s, Matrix* u, Matrix* v, const char* name) {
    return has_poly_entries(a) ? poly_smith_form(a, s, u, v, name) : smith_form(a, s, u, v, name);
}

}  // namespace tolmex
