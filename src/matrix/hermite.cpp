// The Hermite normal form modulo a determinant (see normal_forms.h and
// mod_hermite.h). The rank profile comes from elimination modulo a word
// prime; the columns of the profile carry a lattice of full rank, whose
// form is found modulo a nonzero maximal minor, or, for its square block,
// modulo the gcd of two (n-1)-minors with the last rows added back. The
// other columns follow by one rational solve, checked before it is used.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numeric>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "matrix/det_crt.h"
#include "matrix/determinant.h"
#include "matrix/mod_hermite.h"
#include "matrix/nf_support.h"
#include "numbers/mul_div.h"
#include "quoly/quoly.h"

namespace tolmex::nf {

namespace {

// Moduli below this are handled in machine words (WordOps).
constexpr int64_t kWordModulus = int64_t{1} << 31;
// Entries of at most this many bits let the two-minor route keep its
// rows in machine words and its residuals in 128-bit words (a residual
// stays below n 2^92 / p).
constexpr double kWordEntryBits = 61;

int64_t inverse_mod(int64_t a, int64_t p) {
    int64_t g = 0, s = 0, t = 0;
    WordOps::xgcd(a, p, g, s, t);
    return s < 0 ? s + p : s;
}

// The residues of a's rows modulo p.
std::vector<std::vector<int64_t>> residue_rows(const IntMat& a, int64_t p) {
    std::vector<std::vector<int64_t>> w(a.rows, std::vector<int64_t>(a.cols));
    for (int32_t r = 0; r < a.rows; ++r)
        for (int32_t c = 0; c < a.cols; ++c) w[r][c] = residue_of(a.at(r, c), static_cast<int32_t>(p));
    return w;
}

}  // namespace

int32_t random_word_prime() {
    static uint64_t state = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const std::vector<int32_t>& all = det_primes();
    const size_t span = std::min<size_t>(all.size(), 100);
    return all[(state >> 33) % span];
}

Profile rank_profile(const IntMat& a, int32_t p) {
    std::vector<std::vector<int64_t>> w = residue_rows(a, p);
    std::vector<int32_t> order(a.rows);
    std::iota(order.begin(), order.end(), 0);
    Profile pr;
    int32_t k = 0;
    for (int32_t c = 0; c < a.cols && k < a.rows; ++c) {
        poll_interrupt();
        int32_t i = k;
        while (i < a.rows && w[i][c] == 0) ++i;
        if (i == a.rows) continue;
        std::swap(w[k], w[i]);
        std::swap(order[k], order[i]);
        const int64_t inv = inverse_mod(w[k][c], p);
        for (i = k + 1; i < a.rows; ++i) {
            if (w[i][c] == 0) continue;
            const int64_t f = w[i][c] * inv % p;
            for (int32_t cc = c; cc < a.cols; ++cc) w[i][cc] = ((w[i][cc] - f * w[k][cc]) % p + p) % p;
        }
        pr.rows.push_back(order[k++]);
        pr.cols.push_back(c);
    }
    return pr;
}

namespace {

// The form of the lattice of a's rows (full column rank) together with
// D Z^n, D a multiple of its determinant.
Echelon hermite_mod_d(const IntMat& a, const Number& d) {
    Echelon e;
    e.cols = a.cols;
    if (compare(d, num(kWordModulus)) < 0) {
        int64_t dw = 0;
        to_int64(d, dw);
        auto h = mod_hermite<WordOps>(residue_rows(a, dw), a.cols, dw);
        for (auto& row : h) {
            std::vector<Number> big;
            for (int64_t x : row) big.push_back(num(x));
            e.rows.push_back(std::move(big));
        }
    } else {
        std::vector<std::vector<Number>> rows(a.rows);
        for (int32_t r = 0; r < a.rows; ++r)
            for (int32_t c = 0; c < a.cols; ++c) rows[r].push_back(floor_mod(a.at(r, c), d));
        e.rows = mod_hermite<BigOps>(std::move(rows), a.cols, copy_of(d));
    }
    for (int32_t k = 0; k < a.cols; ++k) e.piv.push_back(k);
    return e;
}

Number from_i128(__int128 v) {
    const bool negative = v < 0;
    unsigned __int128 m = negative ? -static_cast<unsigned __int128>(v) : static_cast<unsigned __int128>(v);
    const uint64_t limbs[2] = {static_cast<uint64_t>(m), static_cast<uint64_t>(m >> 64)};
    return number_from_limbs(limbs, 2, negative);
}

double log2_norm(const std::vector<int64_t>& row) {
    double s = 1;
    for (int64_t x : row) s += static_cast<double>(x) * static_cast<double>(x);
    return std::log2(s) / 2;
}

// The square block b as machine words: rows w, the last two rows c and d
// combined as k c + l d into the row that gives W determinant g.
struct TwoMinors {
    std::vector<std::vector<int64_t>> w;
    int32_t n = 0;
    Number k, l, g;
};

// rows 0 .. n - 3 of W, then k c + l d, modulo p; column n - 1 is b'.
std::vector<std::vector<int64_t>> system_mod(const TwoMinors& t, int64_t p) {
    const int64_t kp = residue_of(t.k, static_cast<int32_t>(p)), lp = residue_of(t.l, static_cast<int32_t>(p));
    std::vector<std::vector<int64_t>> s(t.n - 1, std::vector<int64_t>(t.n));
    for (int32_t i = 0; i < t.n - 1; ++i)
        for (int32_t j = 0; j < t.n; ++j) {
            const int64_t x = ((t.w[i][j] % p) + p) % p;
            if (i < t.n - 2) s[i][j] = x;
            else s[i][j] = (kp * x % p + lp * (((t.w[i + 1][j] % p) + p) % p) % p) % p;
        }
    return s;
}

// W = P^-1 L U modulo p: L unit lower triangular below the diagonal, U
// on and above it, the inverses of U's pivots aside, perm the rows.
struct LuModP {
    int64_t p = 0;
    std::vector<std::vector<int64_t>> lu;
    std::vector<int64_t> pivinv;
    std::vector<size_t> perm;
};

// False when W is singular modulo p.
bool lu_mod_p(std::vector<std::vector<int64_t>> s, int64_t p, LuModP& f) {
    const size_t n = s.size();
    f.p = p;
    f.perm.resize(n);
    std::iota(f.perm.begin(), f.perm.end(), size_t{0});
    f.pivinv.assign(n, 0);
    for (size_t c = 0; c < n; ++c) {
        size_t r = c;
        while (r < n && s[r][c] == 0) ++r;
        if (r == n) return false;
        std::swap(s[r], s[c]);
        std::swap(f.perm[r], f.perm[c]);
        f.pivinv[c] = inverse_mod(s[c][c], p);
        for (size_t i = c + 1; i < n; ++i) {
            if (s[i][c] == 0) continue;
            const int64_t m = s[i][c] * f.pivinv[c] % p, q = p - m;
            s[i][c] = m;
            for (size_t j = c + 1; j < n; ++j) s[i][j] = (s[i][j] + q * s[c][j]) % p;
        }
    }
    f.lu = std::move(s);
    return true;
}

// x := W^-1 r modulo p (r in 0 .. p - 1).
std::vector<int64_t> lu_solve(const LuModP& f, const std::vector<int64_t>& r) {
    const size_t n = r.size();
    std::vector<int64_t> x(n);
    for (size_t i = 0; i < n; ++i) {
        unsigned __int128 acc = static_cast<unsigned __int128>(r[f.perm[i]]);
        for (size_t j = 0; j < i; ++j) acc += static_cast<unsigned __int128>(f.lu[i][j]) * (f.p - x[j]);
        x[i] = static_cast<int64_t>(acc % static_cast<unsigned __int128>(f.p));
    }
    for (size_t i = n; i-- > 0;) {
        unsigned __int128 acc = static_cast<unsigned __int128>(x[i]);
        for (size_t j = i + 1; j < n; ++j) acc += static_cast<unsigned __int128>(f.lu[i][j]) * (f.p - x[j]);
        x[i] = static_cast<int64_t>(acc % static_cast<unsigned __int128>(f.p)) * f.pivinv[i] % f.p;
    }
    return x;
}

// Bits enough for every Cramer numerator of W y = g b' (Hadamard).
double cramer_bits(const TwoMinors& t) {
    double bits = 2;
    for (int32_t i = 0; i < t.n - 2; ++i) bits += log2_norm(t.w[i]);
    const double kc = log2_abs(t.k) + log2_norm(t.w[t.n - 2]);
    const double ld = log2_abs(t.l) + log2_norm(t.w[t.n - 1]);
    return bits + std::max(kc, ld) + 1;
}

// One p-adic step: x := W^-1 r mod p, then r := (r - W x) / p, exact. The
// rows of W above the last are words (small residuals); the last row's
// residual is an integer.
std::vector<int64_t> dixon_step(const TwoMinors& t, const LuModP& lu, int64_t p,
                                std::vector<__int128>& small, Number& big) {
    const int32_t m = t.n - 1;
    std::vector<int64_t> r(m);
    for (int32_t i = 0; i < m - 1; ++i) r[i] = static_cast<int64_t>(((small[i] % p) + p) % p);
    r[m - 1] = residue_of(big, static_cast<int32_t>(p));
    const std::vector<int64_t> x = lu_solve(lu, r);
    auto dot = [&](const std::vector<int64_t>& row) {
        __int128 s = 0;
        for (int32_t j = 0; j < m; ++j) s += static_cast<__int128>(row[j]) * x[j];
        return s;
    };
    for (int32_t i = 0; i < m - 1; ++i) small[i] = (small[i] - dot(t.w[i])) / p;
    Number rest = sub(sub(big, mul(t.k, from_i128(dot(t.w[m - 1])))), mul(t.l, from_i128(dot(t.w[m]))));
    big = trunc_quot(rest, num(p));
    return x;
}

// y = g W^-1 b' (integral: det W = g) by p-adic lifting to p^K beyond the
// Cramer bound, then the symmetric residue. False when no prime of the
// table serves.
bool cramer_numerators(const TwoMinors& t, std::vector<Number>& y) {
    const std::vector<int32_t>& all = det_primes();
    LuModP lu;
    int64_t p = 0;
    for (size_t i = all.size(); i-- > 0 && p == 0;)
        if (residue_of(t.g, all[i]) != 0 && lu_mod_p(system_mod(t, all[i]), all[i], lu)) p = all[i];
    if (p == 0) return false;
    const int32_t m = t.n - 1;
    std::vector<__int128> small(m - 1);
    for (int32_t i = 0; i < m - 1; ++i) small[i] = t.w[i][t.n - 1];
    Number big = add(mul(t.k, num(t.w[m - 1][t.n - 1])), mul(t.l, num(t.w[m][t.n - 1])));
    const int64_t steps = static_cast<int64_t>(cramer_bits(t) / std::log2(static_cast<double>(p))) + 2;
    std::vector<std::vector<int64_t>> digits;
    for (int64_t s = 0; s < steps; ++s) {
        poll_interrupt();
        digits.push_back(dixon_step(t, lu, p, small, big));
    }
    Number pk = num(1);
    for (int64_t s = 0; s < steps; ++s) pk = mul(pk, num(p));
    Number half = trunc_quot(pk, num(2));
    y.clear();
    for (int32_t j = 0; j < m; ++j) {
        Number x = num(0);
        for (int64_t s = steps; s-- > 0;) x = add(mul(x, num(p)), num(digits[s][j]));
        Number v = floor_mod(mul(x, t.g), pk);
        if (compare(v, half) > 0) v = sub(v, pk);
        y.push_back(std::move(v));
    }
    return true;
}

bool word_entries(const IntMat& b, std::vector<std::vector<int64_t>>& w) {
    w.assign(b.rows, std::vector<int64_t>(b.cols));
    for (int32_t r = 0; r < b.rows; ++r)
        for (int32_t c = 0; c < b.cols; ++c) {
            const Number& x = b.at(r, c);
            if (x.sign() != 0 && log2_abs(x) > kWordEntryBits) return false;
            if (x.sign() != 0) to_int64(x, w[r][c]);
        }
    return true;
}

// d1, d2: the minors of the first n - 1 columns on rows 0 .. n - 2 and on
// rows 0 .. n - 3, n - 1; g = k d1 + l d2 their gcd.
void two_minors(const IntMat& b, TwoMinors& t) {
    std::vector<int32_t> rows(t.n - 1), cols(t.n - 1);
    std::iota(rows.begin(), rows.end(), 0);
    std::iota(cols.begin(), cols.end(), 0);
    Number d1 = int_det(submatrix(b, rows, cols));
    rows.back() = t.n - 1;
    Number d2 = int_det(submatrix(b, rows, cols));
    extended_gcd(d1, d2, t.g, t.k, t.l);
}

// The form of W (determinant g) modulo g, in machine words.
std::vector<std::vector<int64_t>> hermite_of_w(const TwoMinors& t, int64_t g) {
    std::vector<std::vector<int64_t>> s = system_mod(t, g);
    for (auto& row : s) row.pop_back();
    return mod_hermite<WordOps>(std::move(s), t.n - 1, g);
}

std::vector<Number> row_of(const IntMat& b, int32_t r) {
    std::vector<Number> v;
    for (int32_t c = 0; c < b.cols; ++c) v.push_back(copy_of(b.at(r, c)));
    return v;
}

}  // namespace

bool hermite_two_minors(const IntMat& b, Echelon& e) {
    TwoMinors t;
    t.n = b.rows;
    if (t.n < 3 || !word_entries(b, t.w)) return false;
    two_minors(b, t);
    if (t.g.sign() == 0 || compare(t.g, num(kWordModulus)) >= 0) return false;
    int64_t g = 0;
    to_int64(t.g, g);
    std::vector<Number> y;
    if (!cramer_numerators(t, y)) return false;
    const std::vector<std::vector<int64_t>> hw = hermite_of_w(t, g);
    // H_W W^-1 b' = H_W y / g, the last column of the form of (W | b').
    e = Echelon{};
    e.cols = t.n;
    for (int32_t i = 0; i < t.n - 1; ++i) {
        Number s = num(0);
        for (int32_t j = i; j < t.n - 1; ++j)
            if (hw[i][j] != 0) s = add(s, mul(num(hw[i][j]), y[j]));
        Number q, rem;
        divide(s, t.g, q, rem);
        if (rem.sign() != 0) return false;
        std::vector<Number> row;
        for (int32_t j = 0; j < t.n - 1; ++j) row.push_back(num(hw[i][j]));
        row.push_back(std::move(q));
        e.rows.push_back(std::move(row));
        e.piv.push_back(i);
    }
    add_row(e, row_of(b, t.n - 2));
    add_row(e, row_of(b, t.n - 1));
    return e.rows.size() == static_cast<size_t>(t.n);
}

Echelon hermite_full_rank(const IntMat& ac, const std::vector<int32_t>& block_rows, bool plain) {
    std::vector<int32_t> cols(ac.cols);
    std::iota(cols.begin(), cols.end(), 0);
    IntMat b = submatrix(ac, block_rows, cols);
    Echelon e;
    if (!plain && hermite_two_minors(b, e)) {
        std::vector<bool> used(ac.rows, false);
        for (int32_t r : block_rows) used[r] = true;
        for (int32_t r = 0; r < ac.rows; ++r)
            if (!used[r]) add_row(e, row_of(ac, r));
    } else {
        Number d;
        abs_val_num(int_det(b), d);
        e = hermite_mod_d(ac, d);
    }
    reduce_all(e);
    return e;
}

}  // namespace tolmex::nf
