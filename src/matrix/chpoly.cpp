// The characteristic polynomial: the reference route through the
// determinant dispatcher and the fast routes for numeric matrices.
#include "matrix/chpoly.h"

#include <algorithm>
#include <cmath>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "matrix/det_crt.h"
#include "matrix/determinant.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"
#include "numbers/residue_rows.h"
#include "poly/poly.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "rings/ring_change.h"

namespace tolmex {

void add_to_diag(Matrix& m, const QuolyRec* v) {
    for (int32_t i = 0; i < m.rows && i < m.cols; ++i) {
        Quoly s;
        if (const QuolyRec* d = m.at(i, i))
            quoly_add(d, v, s);
        else
            s = quoly_copy(v);
        m.set(i, i, std::move(s));
    }
}

namespace {

// x, the polynomial variable of level 1.
Quoly variable_x(const char* name) {
    if (!polynames) fail(182, name);
    Poly x;
    base_poly(x, 1);
    Quoly q;
    p_q_take(std::move(x), q);
    return q;
}

Quoly minus_x(const char* name) {
    Quoly q = variable_x(name);
    quoly_inplace(q.get());
    return q;
}

// c[0] + c[1] x + ... + c[n] x^n by Horner's rule.
Quoly poly_in_x(std::vector<Quoly>& c, const char* name) {
    const Quoly x = variable_x(name);
    Quoly r = std::move(c.back());
    for (size_t k = c.size() - 1; k-- > 0;) {
        fast_quoly_mult(r, quoly_copy(x.get()));
        best_quoly_add(r, std::move(c[k]));
    }
    return r;
}

struct Entries {
    std::vector<const QuolyRec*> e;  // column by column, null for 0
    bool numbers = true;             // integers (residues in lint mode)
    bool rationals = true;           // integers or rational numbers
};

Entries entries_of(const Matrix& m) {
    Entries k;
    k.e.resize(m.e.size());
    for (size_t i = 0; i < k.e.size(); ++i) {
        k.e[i] = m.e[i].get();
        if (k.e[i] && !quoly_is_number(k.e[i])) k.numbers = false;
        if (k.e[i] && !quoly_is_rational(k.e[i])) k.rationals = false;
    }
    return k;
}

// The least common multiple of the entries' denominators.
Number common_denominator(const Entries& k) {
    Number d = number_from_int64(1);
    for (const QuolyRec* q : k.e) {
        if (!q || quoly_is_number(q) || !quoly_denominator(q)) continue;
        const Number& den = poly_constant(quoly_denominator(q));
        Number g, f, r;
        binary_gcd(d, den, g);
        divide(den, g, f, r);
        fast_mult(d, f, d);
    }
    return d;
}

// Rational mode, rational entries: with A = B / d, B integral, det(x I - A)
// = d^-n det(d x I - B), so its coefficient of x^k is c_k(B) d^(k - n).
// c := the coefficients of det(A - x I) from x^0 up; false when the word
// primes do not suffice for B.
bool rational_charpoly(const Entries& k, int32_t n, std::vector<Quoly>& c) {
    const Number d = common_denominator(k);
    std::vector<Quoly> b(k.e.size());
    std::vector<const QuolyRec*> be(k.e.size(), nullptr);
    for (size_t i = 0; i < b.size(); ++i) {
        if (!k.e[i]) continue;
        Number dd;
        num_assign(d, dd);
        quoly_mult(k.e[i], make_numeric(std::move(dd)).get(), b[i]);
        be[i] = b[i].get();
    }
    std::vector<Number> cb;
    if (!int_charpoly(be, n, cb)) return false;
    c.clear();
    c.resize(cb.size());
    Number power = number_from_int64(1);
    for (int32_t j = n; j >= 0; --j) {
        if (n % 2) in_place_neg(cb[j]);
        quot_numbers(cb[j], power, c[j]);
        fast_mult(power, d, power);
    }
    return true;
}

// Lint mode: the residues row by row.
std::vector<int32_t> residue_rows(const Entries& k, int32_t n) {
    std::vector<int32_t> a(static_cast<size_t>(n) * n, 0);
    for (int32_t c = 0; c < n; ++c)
        for (int32_t r = 0; r < n; ++r)
            if (const QuolyRec* q = k.e[static_cast<size_t>(c) * n + r])
                a[static_cast<size_t>(r) * n + c] = quoly_number(q).lint();
    return a;
}

bool field_modulus() { return modulus == 2 || mod_is_prime || finf; }

// det(m - x I) = (-1)^n det(x I - m): the monic residue coefficients with
// the sign of n.
Quoly from_residues(const std::vector<int32_t>& monic, int32_t n, const char* name) {
    std::vector<Quoly> c(monic.size());
    for (size_t k = 0; k < c.size(); ++k)
        quoly_set(n % 2 ? mod_sub(0, monic[k], modulus) : monic[k], c[k]);
    return poly_in_x(c, name);
}

void reference(const Matrix& m, Quoly& result, const char* name) {
    if (m.sparse) return sparse_chpoly(m, result, name);
    Matrix a = matrix_copy(m);
    const Quoly v = minus_x(name);
    add_to_diag(a, v.get());
    mat_invert(a, result, nullptr, name);
}

// The route for method Auto. Modulo a prime the reference route is kept
// while chpoly_block is on; modulo a composite it is not taken for numeric
// matrices, since its elimination would divide by non-units.
ChpolyMethod choose(const Matrix& m, const Entries& k) {
    if (m.sparse) return ChpolyMethod::Determinant;
    if (!lintmode) return k.rationals && m.rows > 1 ? ChpolyMethod::MultiModular : ChpolyMethod::Determinant;
    if (!k.numbers) return ChpolyMethod::Determinant;
    if (!field_modulus()) return ChpolyMethod::Berkowitz;
    return chpoly_block ? ChpolyMethod::Determinant : ChpolyMethod::Hessenberg;
}

}  // namespace

void sparse_chpoly(const Matrix& m, Quoly& result, const char* name) {
    Matrix a = m.sparse ? matrix_copy(m) : matrix_to_sparse(m);
    const Quoly v = minus_x(name);
    add_to_diag(a, v.get());
    mat_invert(a, result, nullptr, name);
}

void char_poly(const Matrix& m, Quoly& result, const char* name, ChpolyMethod method) {
    if (!m.square()) fail(313, name);
    if (!polynames) fail(182, name);
    const int32_t n = m.rows;
    const Matrix dense = m.sparse && method != ChpolyMethod::Auto && method != ChpolyMethod::Determinant
                             ? matrix_to_dense(m)
                             : Matrix();
    const Matrix& a = dense.rows ? dense : m;
    const Entries k = entries_of(a);
    if (method == ChpolyMethod::Auto) method = choose(a, k);
    switch (method) {
        case ChpolyMethod::Hessenberg: {
            if (!k.numbers || !lintmode || !field_modulus()) fail(kErrUnsuitedMethod, name);
            std::vector<int32_t> r = residue_rows(k, n);
            result = from_residues(hessenberg_charpoly(r, n), n, name);
            return;
        }
        case ChpolyMethod::Berkowitz:
            if (!k.numbers || !lintmode) fail(kErrUnsuitedMethod, name);
            result = from_residues(berkowitz_charpoly(residue_rows(k, n), n), n, name);
            return;
        case ChpolyMethod::MultiModular: {
            if (!k.rationals || lintmode) fail(kErrUnsuitedMethod, name);
            std::vector<Quoly> c;
            if (!rational_charpoly(k, n, c)) break;  // too many primes: the reference route
            result = poly_in_x(c, name);
            return;
        }
        default: break;
    }
    reference(m, result, name);
}

// ---------------------------------------------------------------------------
// Residue methods

namespace {

struct Square {
    std::vector<int32_t>& a;
    int32_t n;
    int32_t& at(int32_t r, int32_t c) { return a[static_cast<size_t>(r) * n + c]; }
};

// A nonzero entry of column m - 1 at or below row m moved to (m, m - 1) by
// swapping rows and the same columns (a similarity); inv := 1 / it. False
// when the column is already clear there.
bool bring_pivot(Square& h, int32_t m, int32_t& inv) {
    const int32_t n = h.n;
    int32_t i = m;
    while (i < n && h.at(i, m - 1) == 0) ++i;
    if (i == n) return false;
    if (i != m) {
        for (int32_t c = 0; c < n; ++c) std::swap(h.at(i, c), h.at(m, c));
        for (int32_t r = 0; r < n; ++r) std::swap(h.at(r, i), h.at(r, m));
    }
    emod_inverse(h.at(m, m - 1), inv);
    return true;
}

// Similarity transforms that clear column m - 1 below row m, for each m:
// row r -= u row m followed by column m += u column r keeps the
// characteristic polynomial.
void to_hessenberg(Square& h) {
    const int32_t n = h.n;
    for (int32_t m = 1; m + 1 < n; ++m) {
        poll_interrupt();
        int32_t inv = 0;
        if (!bring_pivot(h, m, inv)) continue;
        for (int32_t r = m + 1; r < n; ++r) {
            const int32_t u = modmult(h.at(r, m - 1), inv);
            if (u == 0) continue;
            for (int32_t c = 0; c < n; ++c) h.at(r, c) = mod_sub(h.at(r, c), modmult(u, h.at(m, c)), modulus);
            for (int32_t c = 0; c < n; ++c) h.at(c, m) = mod_add(h.at(c, m), modmult(u, h.at(c, r)), modulus);
        }
    }
}

// The same modulo a word prime (not the field modes), in the order that
// keeps memory access contiguous: the step's row operations first (E A
// with E = I - sum of u_r e_r e_m^T), then its column operations (times
// E^-1 = I + the same sum), which is the same product as interleaving
// them. Column m gains, in every row c, the dot product of u with row c.
void to_hessenberg_words(Square& h) {
    const int32_t n = h.n;
    const uint32_t p = static_cast<uint32_t>(modulus);
    std::vector<uint32_t> u, us;  // the step's factors and their Shoup quotients
    for (int32_t m = 1; m + 1 < n; ++m) {
        poll_interrupt();
        int32_t inv = 0;
        if (!bring_pivot(h, m, inv)) continue;
        const ShoupFactor by_inv(static_cast<uint32_t>(inv), p);
        u.clear();
        us.clear();
        for (int32_t r = m + 1; r < n; ++r) {
            const ShoupFactor f(by_inv.times(static_cast<uint32_t>(h.at(r, m - 1))), p);
            u.push_back(f.f);
            us.push_back(f.fs);
            if (f.f != 0) residue_row_submul(&h.at(r, m - 1), &h.at(m, m - 1), n - m + 1, f.f, p);
        }
        const int32_t len = n - m - 1;
        for (int32_t c = 0; c < n; ++c) {
            const uint32_t dot = residue_dot(&h.at(c, m + 1), u.data(), us.data(), len, p);
            h.at(c, m) = static_cast<int32_t>(residue_add(static_cast<uint32_t>(h.at(c, m)), dot, p));
        }
    }
}

// p_m = (x - h_mm) p_{m-1} - sum over i < m of h_im h_{i+1,i} ... h_{m,m-1}
// p_{i-1} (1-based), the characteristic polynomials of the leading blocks.
std::vector<int32_t> hessenberg_recurrence(Square& h) {
    const int32_t n = h.n;
    std::vector<std::vector<int32_t>> p(static_cast<size_t>(n) + 1);
    p[0] = {1};
    for (int32_t m = 1; m <= n; ++m) {
        const std::vector<int32_t>& prev = p[m - 1];
        std::vector<int32_t> q(static_cast<size_t>(m) + 1, 0);
        const int32_t d = h.at(m - 1, m - 1);
        for (int32_t k = 0; k < m; ++k) {
            q[k + 1] = mod_add(q[k + 1], prev[k], modulus);
            q[k] = mod_sub(q[k], modmult(d, prev[k]), modulus);
        }
        int32_t t = 1;
        for (int32_t i = m - 1; i >= 1 && t != 0; --i) {
            t = modmult(t, h.at(i, i - 1));
            const int32_t f = modmult(t, h.at(i - 1, m - 1));
            if (f == 0) continue;
            if (finf)
                for (int32_t k = 0; k < i; ++k) q[k] = mod_sub(q[k], modmult(f, p[i - 1][k]), modulus);
            else
                residue_row_submul(q.data(), p[i - 1].data(), i, static_cast<uint32_t>(f), static_cast<uint32_t>(modulus));
        }
        p[m] = std::move(q);
    }
    return p[n];
}

}  // namespace

std::vector<int32_t> hessenberg_charpoly(std::vector<int32_t>& a, int32_t n) {
    if (!lintmode || !field_modulus()) internal_stop(" hessenberg_charpoly");
    Square h{a, n};
    if (finf)
        to_hessenberg(h);
    else
        to_hessenberg_words(h);
    return hessenberg_recurrence(h);
}

// With a = [[a11, R], [C, M]], charpoly(a) is the lower triangular Toeplitz
// matrix of (1, -a11, -R C, -R M C, ..., -R M^(s-1) C) times charpoly(M);
// the trailing blocks are taken from the bottom right up.
std::vector<int32_t> berkowitz_charpoly(const std::vector<int32_t>& a, int32_t n) {
    auto at = [&](int32_t r, int32_t c) { return a[static_cast<size_t>(r) * n + c]; };
    auto neg = [](int32_t x) { return mod_sub(0, x, modulus); };
    std::vector<int32_t> v{1, neg(at(n - 1, n - 1))};  // highest power first
    for (int32_t k = n - 2; k >= 0; --k) {
        poll_interrupt();
        const int32_t s = n - 1 - k;
        std::vector<int32_t> q(static_cast<size_t>(s) + 2), w(s), next(s);
        q[0] = 1;
        q[1] = neg(at(k, k));
        for (int32_t i = 0; i < s; ++i) w[i] = at(k + 1 + i, k);
        for (int32_t j = 0; j < s; ++j) {
            int32_t sum = 0;
            for (int32_t i = 0; i < s; ++i) sum = mod_add(sum, modmult(at(k, k + 1 + i), w[i]), modulus);
            q[j + 2] = neg(sum);
            if (j + 1 == s) break;
            for (int32_t r = 0; r < s; ++r) {
                int32_t x = 0;
                for (int32_t c = 0; c < s; ++c) x = mod_add(x, modmult(at(k + 1 + r, k + 1 + c), w[c]), modulus);
                next[r] = x;
            }
            std::swap(w, next);
        }
        std::vector<int32_t> nv(static_cast<size_t>(s) + 2, 0);
        for (int32_t i = 0; i <= s + 1; ++i)
            for (int32_t j = 0; j <= std::min(i, s); ++j) nv[i] = mod_add(nv[i], modmult(q[i - j], v[j]), modulus);
        v = std::move(nv);
    }
    std::reverse(v.begin(), v.end());
    return v;
}

// ---------------------------------------------------------------------------
// Integer matrices modulo word primes

namespace {

// Bits of a bound of every coefficient of the characteristic polynomial:
// the coefficient of x^(n-k) is a sum of C(n, k) principal minors of order
// k, each at most the product of its rows' norms (Hadamard), so at most
// the product of the k largest row norms (taken at least 1).
double charpoly_bits(const std::vector<const QuolyRec*>& e, int32_t n) {
    std::vector<double> rows;
    for (int32_t r = 0; r < n; ++r) {
        double top = -1e300;
        std::vector<double> logs;
        for (int32_t c = 0; c < n; ++c) {
            const QuolyRec* q = e[static_cast<size_t>(c) * n + r];
            if (!q || quoly_iszero(q)) continue;
            logs.push_back(2 * log2_abs(quoly_number(q)));
            top = std::max(top, logs.back());
        }
        double sum = 0;
        for (double l : logs) sum += std::exp2(l - top);
        rows.push_back(logs.empty() ? 0.0 : std::max(0.0, (top + std::log2(sum)) / 2));
    }
    std::sort(rows.rbegin(), rows.rend());
    double best = 0, norms = 0, binom = 0;
    for (int32_t k = 1; k <= n; ++k) {
        norms += rows[k - 1];
        binom += std::log2(static_cast<double>(n - k + 1) / k);
        best = std::max(best, norms + binom);
    }
    return best;
}

std::vector<int32_t> charpoly_mod(const std::vector<const QuolyRec*>& e, int32_t n, int32_t p) {
    std::vector<int32_t> a(static_cast<size_t>(n) * n, 0);
    for (int32_t c = 0; c < n; ++c)
        for (int32_t r = 0; r < n; ++r)
            if (const QuolyRec* q = e[static_cast<size_t>(c) * n + r])
                a[static_cast<size_t>(r) * n + c] = residue_of(quoly_number(q), p);
    TempModulus in_p(p);
    return hessenberg_charpoly(a, n);
}

}  // namespace

bool int_charpoly(const std::vector<const QuolyRec*>& e, int32_t n, std::vector<Number>& coefs) {
    // Symmetric residues need the product of the primes above twice the
    // bound; the margin covers the rounding of the logarithms.
    const std::vector<int32_t> primes =
        primes_for_bits(charpoly_bits(e, n) + 2, det_primes(), [](int32_t) { return false; });
    if (primes.empty()) return false;
    std::vector<std::vector<int32_t>> images;
    for (int32_t p : primes) {
        poll_interrupt();
        images.push_back(charpoly_mod(e, n, p));
    }
    const Garner crt(primes);
    coefs.clear();
    std::vector<int32_t> r(primes.size());
    for (int32_t k = 0; k <= n; ++k) {
        for (size_t j = 0; j < primes.size(); ++j) r[j] = images[j][k];
        coefs.push_back(crt.combine(r, true));
    }
    return true;
}

}  // namespace tolmex
