// The determinant and inverse dispatcher: classifies the entries, chooses
// the method, and inverts by adjoint-CRT (integers) or Gaussian elimination.
#include "base/errors.h"
#include "matrix/det_settings.h"
#include "matrix/det_work.h"
#include "matrix/determinant.h"
#include "matrix/inverse.h"
#include "matrix/lagrange_det.h"
#include "matrix/minors_det.h"
#include "matrix/residue_work.h"
#include "matrix/sparse_determ.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "quoly/quoly_arith.h"
#include "rings/modout_install.h"
#include "storage/work_arrays.h"

namespace tolmex {

namespace {

// A work block held for the duration of a method (error 88 when all are
// in use), returned also when an error unwinds.
class WorkBlock {
public:
    explicit WorkBlock(const char* ctx) { new_worknode(k_, ctx); }
    ~WorkBlock() { free_work(); }
    WorkBlock(const WorkBlock&) = delete;
    WorkBlock& operator=(const WorkBlock&) = delete;

private:
    int k_ = 0;
};

struct Classes {
    bool numbers = true;  // every entry an integer (a residue in lint mode)
    bool polys = true;    // no entry with a denominator
};

Classes classify(const std::vector<const QuolyRec*>& e) {
    Classes k;
    for (const QuolyRec* q : e) {
        if (!q || quoly_is_number(q)) continue;
        k.numbers = false;
        if (!quoly_is_poly(q)) k.polys = false;
    }
    return k;
}

std::vector<const QuolyRec*> entries(const Matrix& m) {
    std::vector<const QuolyRec*> e(m.e.size());
    for (size_t k = 0; k < e.size(); ++k) e[k] = m.e[k].get();
    return e;
}

// Lint mode, residue entries: the residue elimination on the reusable
// residue array.
void residue_determinant(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det) {
    ResidueMatrix hold(n);
    std::vector<int32_t>& a = hold.rows();
    for (int32_t c = 0; c < n; ++c)
        for (int32_t r = 0; r < n; ++r)
            if (const QuolyRec* q = e[static_cast<size_t>(c) * n + r])
                a[static_cast<size_t>(r) * n + c] = quoly_number(q).lint();
    quoly_set(mod_determ(a, n), det);
}

// The method for a determinant. Numeric matrices stay in residue or integer
// arithmetic: in lint mode always, since modulo a composite modulus only the
// residue elimination gets by without inverses. Polynomial matrices for
// which Lagrange interpolation is asked for take it when they are large or
// massive enough, else Gauss-Bareiss; the rest go to Gaussian elimination
// finished by cofactor expansion.
DetMethod choose(const std::vector<const QuolyRec*>& e, const Classes& k, int32_t n) {
    if (k.numbers && lintmode) return DetMethod::ModElim;
    if (k.numbers && n > 3 && detcutoff < 0) return DetMethod::IntCrt;
    if (gauss_cutoff == 1 && k.polys) return DetMethod::Bareiss;
    if (k.polys && n >= 4 && detcutoff < 0 && rat_det_method_cut == 1)
        return lagrange_pays(e, n) ? DetMethod::Lagrange : DetMethod::Bareiss;
    return DetMethod::Elimination;
}

// Interpolation over Z or Z/p; false when it declines.
bool lagrange_determinant(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det) {
    return modularmode ? mod_poly_determ(e, n, det) : rat_poly_determ(e, n, det);
}

void determinant(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det, DetMethod method) {
    const Classes k = classify(e);
    if (method == DetMethod::Auto) method = choose(e, k, n);
    switch (method) {
        case DetMethod::Lagrange:
            if (!k.polys) fail(kErrUnsuitedMethod, "mod_poly_determ");
            if (lagrange_determinant(e, n, det)) return;
            // Declined: the elimination route.
            if (gauss_cutoff == 1) break;
            standard_matrix_invert(e, n, elimination_depth(n, k.numbers), det);
            return;
        case DetMethod::ModElim:
            // Modulo a composite modulus the residue elimination needs no
            // inverse; the quoly methods would fail on non-units.
            if (!k.numbers || !lintmode) fail(kErrUnsuitedMethod, "mod_determ");
            residue_determinant(e, n, det);
            return;
        case DetMethod::IntCrt: {
            if (!k.numbers || modularmode) fail(kErrUnsuitedMethod, "int_determ");
            Number d;
            if (int_determ(e, n, d)) {
                det = make_numeric(std::move(d));
                return;
            }
            break;  // too many primes: Gauss-Bareiss
        }
        case DetMethod::Elimination:
            standard_matrix_invert(e, n, elimination_depth(n, k.numbers), det);
            return;
        default: break;
    }
    gauss_Bareiss(e, n, det);
}

// Modulo a composite modulus a matrix is invertible exactly when its
// determinant is a unit, even when every pivot elimination could choose is
// not: inv := adj(m) / det with each cofactor from the residue elimination,
// which needs no inverse.
void composite_inverse(const Matrix& m, Quoly& det, Matrix& inv, const char* name) {
    const int32_t n = m.rows;
    residue_determinant(entries(m), n, det);
    int64_t g = 0;
    const int32_t dinv = static_cast<int32_t>(euclid_inverse(quoly_number(det.get()).lint(), modulus, g));
    if (g != 1) fail(44, name);
    Matrix out = Matrix::zero(n, n, false);
    std::vector<int32_t> a(static_cast<size_t>(n - 1) * (n - 1));
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j < n; ++j) {
            poll_interrupt();
            // The cofactor of entry (j, i): m without row j and column i.
            for (int32_t r = 0, k = 0; r < n; ++r)
                for (int32_t c = 0; c < n && r != j; ++c)
                    if (c != i) a[k++] = m.at(r, c) ? quoly_number(m.at(r, c)).lint() : 0;
            int32_t c = n == 1 ? 1 : mod_determ(a, n - 1);
            if ((i + j) % 2) c = mod_sub(0, c, modulus);
            Quoly q;
            quoly_set(modmult(c, dinv), q);
            out.set(i, j, std::move(q));
        }
    inv = std::move(out);
}

void inverse(const Matrix& m, Quoly& det, Matrix& inv, const char* name) {
    const int32_t n = m.rows;
    if (classify(entries(m)).numbers && !modularmode && n > 3 && mod_matrix_ok &&
        mod_matrix_inv(m, det, inv, name))
        return;
    if (lintmode && modulus > 2 && !mod_is_prime && !finf && classify(entries(m)).numbers)
        return composite_inverse(m, det, inv, name);
    standard_matrix_invert(m, det, inv, name);
}

// The determinant of m by the method asked for (the dispatcher's choice
// for Auto).
void any_determinant(const Matrix& m, Quoly& det, DetMethod method, int32_t degree, int32_t power) {
    if (method == DetMethod::Minors) return minors_determinant(m, det);
    if (is_sparse_method(method) || (m.sparse && method == DetMethod::Auto))
        return sparse_determinant(m, det, method, degree, power);
    const Matrix dense = m.sparse ? matrix_to_dense(m) : Matrix();
    const Matrix& a = m.sparse ? dense : m;
    determinant(entries(a), a.rows, det, method);
}

// The determinant methods work in no quotient ring: with a variable outside
// the field modded out, its modulus is suspended for the computation and
// the result reduced again afterwards (resumed also when an error or an
// abandoned interrupt ends the computation).
void suspended_determinant(const Matrix& m, Quoly& det, DetMethod method, int32_t degree,
                           int32_t power) {
    Quoly d;
    if (!need_to_turn_off_mod_out()) {
        any_determinant(m, d, method, degree, power);
    } else {
        {
            SuspendModout suspended;
            any_determinant(m, d, method, degree, power);
        }
        recheck(d);
    }
    det = std::move(d);
}

}  // namespace

void mat_invert(const Matrix& m, Quoly& det, Matrix* inv, const char* name, DetMethod method, int32_t degree,
                int32_t power) {
    if (!m.square()) fail(313, name);
    WorkBlock hold("mat_invert");
    if (!inv) return suspended_determinant(m, det, method, degree, power);
    Quoly d;
    check_sparse_inverse(m, name);
    // The inverse of a sparse matrix (and a dense method forced on one) is
    // worked dense.
    const Matrix dense = m.sparse ? matrix_to_dense(m) : Matrix();
    const Matrix& a = m.sparse ? dense : m;
    Matrix result;
    inverse(a, d, result, name);
    result.onedim = false;
    *inv = m.sparse ? matrix_to_sparse(result) : std::move(result);
    det = std::move(d);
}

namespace {

// m without row i and column j.
Matrix minor_matrix(const Matrix& m, int32_t i, int32_t j) {
    const int32_t n = m.rows;
    Matrix out = Matrix::zero(n - 1, n - 1, false);
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c)
            if (r != i && c != j && m.at(r, c)) out.set(r - (r > i), c - (c > j), quoly_copy(m.at(r, c)));
    return out;
}

}  // namespace

Matrix adjoint_matrix(const Matrix& m, const char* name) {
    if (!m.square()) fail(313, name);
    const Matrix dense = m.sparse ? matrix_to_dense(m) : Matrix();
    const Matrix& a = m.sparse ? dense : m;
    const int32_t n = a.rows;
    Matrix adj = Matrix::zero(n, n, false);
    if (n == 1) {
        quoly_set(1, adj.e[0]);
        return adj;
    }
    Quoly det;
    mat_invert(a, det, nullptr, name);
    if (!quoly_iszero(det.get())) {
        mat_invert(a, det, &adj, name);
        matrix_scale(adj, det.get(), true);
        return adj;
    }
    // Singular: the cofactors one by one.
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j < n; ++j) {
            Quoly c;
            mat_invert(minor_matrix(a, j, i), c, nullptr, name);
            if ((i + j) % 2) quoly_inplace(c.get());
            adj.set(i, j, std::move(c));
        }
    return adj;
}

}  // namespace tolmex
