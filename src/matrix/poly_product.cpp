#include "matrix/poly_product.h"

#include "base/errors.h"
#include "poly/poly_monomials.h"

namespace tolmex {

namespace {

// Entries of higher degree are left to the general product.
constexpr int32_t kMaxDegree = 64;

struct WordPoly {
    std::vector<int64_t> c;  // c[k]: coefficient of x^k; empty for 0
};

bool entry_words(const QuolyRec* q, WordPoly& w) {
    w.c.clear();
    if (!q || quoly_iszero(q)) return true;
    if (quoly_is_number(q)) {
        int64_t v;
        if (!to_int64(quoly_number(q), v) || v > INT32_MAX || v < -INT32_MAX) return false;
        w.c.assign(1, v);
        return true;
    }
    if (!quoly_is_poly(q)) return false;
    return poly_first_var_words(quoly_numerator(q), kMaxDegree, w.c);
}

bool all_words(const Matrix& m, std::vector<WordPoly>& out, bool any_poly_needed, bool& saw_poly) {
    out.resize(m.e.size());
    for (size_t k = 0; k < m.e.size(); ++k) {
        if (!entry_words(m.e[k].get(), out[k])) return false;
        if (out[k].c.size() > 1) saw_poly = true;
    }
    (void)any_poly_needed;
    return true;
}

Quoly wide_value(const std::vector<__int128>& acc, int32_t n) {
    while (n > 1 && acc[n - 1] == 0) --n;
    Poly p = poly_from_wide(acc.data(), n);
    Quoly q;
    p_q_take(std::move(p), q);
    polynum_to_quoly(q);
    return q;
}

}  // namespace

bool poly_matrix_product(const Matrix& a, const Matrix& b, Matrix& r) {
    std::vector<WordPoly> x, y;
    bool saw_poly = false;
    if (!all_words(a, x, true, saw_poly) || !all_words(b, y, true, saw_poly)) return false;
    if (!saw_poly) return false;
    Matrix out = Matrix::zero(a.rows, b.cols, false);
    std::vector<__int128> acc(2 * kMaxDegree + 1);
    for (int32_t j = 0; j < b.cols; ++j) {
        poll_interrupt();
        for (int32_t i = 0; i < a.rows; ++i) {
            int32_t top = 0;
            std::fill(acc.begin(), acc.end(), 0);
            for (int32_t k = 0; k < a.cols; ++k) {
                const auto& u = x[static_cast<size_t>(k) * a.rows + i].c;
                const auto& v = y[static_cast<size_t>(j) * b.rows + k].c;
                if (u.empty() || v.empty()) continue;
                const int32_t nu = static_cast<int32_t>(u.size()), nv = static_cast<int32_t>(v.size());
                top = std::max(top, nu + nv - 1);
                for (int32_t s = 0; s < nu; ++s) {
                    const int64_t us = u[s];
                    if (!us) continue;
                    for (int32_t t = 0; t < nv; ++t) acc[s + t] += static_cast<__int128>(us * v[t]);
                }
            }
            out.e[static_cast<size_t>(j) * a.rows + i] = wide_value(acc, std::max(top, 1));
        }
    }
    r = std::move(out);
    return true;
}

}  // namespace tolmex
