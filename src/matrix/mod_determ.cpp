// The determinant of a residue matrix by Gaussian elimination modulo the
// modulus in force.
#include <algorithm>
#include <utility>

#include "base/errors.h"
#include "matrix/determinant.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "numbers/residue_rows.h"

namespace tolmex {

namespace {

struct ResidueRows {
    std::vector<int32_t>& a;
    int32_t n;
    int32_t& at(int32_t r, int32_t c) { return a[static_cast<size_t>(r) * n + c]; }
    void swap_rows(int32_t r, int32_t s) {
        for (int32_t c = 0; c < n; ++c) std::swap(at(r, c), at(s, c));
    }
    void swap_cols(int32_t c, int32_t d) {
        for (int32_t r = 0; r < n; ++r) std::swap(at(r, c), at(r, d));
    }
    // row i -= f * row k, from column `from` on (column k by default).
    void subtract_row(int32_t i, int32_t k, int32_t f, int32_t from = -1) {
        const int32_t c0 = from < 0 ? k : from;
        if (!finf) {
            residue_row_submul(&at(i, c0), &at(k, c0), n - c0, static_cast<uint32_t>(f), static_cast<uint32_t>(modulus));
            return;
        }
        for (int32_t c = c0; c < n; ++c) at(i, c) = mod_sub(at(i, c), modmult(f, at(k, c)), modulus);
    }
};

int32_t negated(int32_t d) { return mod_sub(0, d, modulus); }

// The lazy elimination below needs n p^2 < 2^62.
constexpr int32_t kLazyPrime = 1 << 20;
constexpr int32_t kLazyRows = 1 << 21;

// Modulo a prime or in a field: the pivot is the first nonzero entry at or
// after (k, k) in row-major order; swaps move it to (k, k).
int32_t determ_field(ResidueRows& m) {
    int32_t det = 1;
    for (int32_t k = 0; k < m.n; ++k) {
        int32_t pr = -1, pc = -1;
        for (int32_t r = k; r < m.n && pr < 0; ++r)
            for (int32_t c = k; c < m.n; ++c)
                if (m.at(r, c) != 0) {
                    pr = r;
                    pc = c;
                    break;
                }
        if (pr < 0) return 0;
        if (pr != k) m.swap_rows(pr, k), det = negated(det);
        if (pc != k) m.swap_cols(pc, k), det = negated(det);
        det = modmult(det, m.at(k, k));
        int32_t inv = 0;
        emod_inverse(m.at(k, k), inv);
        for (int32_t i = k + 1; i < m.n; ++i)
            if (m.at(i, k) != 0) m.subtract_row(i, k, modmult(m.at(i, k), inv));
    }
    return det;
}

// row[c] -= f pivot[c] for c < len: products of two residues below 2^20,
// so one unsigned 32 x 32 bit product each, vectorised (AVX2 where the
// processor has it).
__attribute__((target_clones("avx2", "default"))) void multiply_subtract(int64_t* row, const uint32_t* pivot,
                                                                         int32_t len, uint32_t f) {
    for (int32_t c = 0; c < len; ++c) row[c] -= static_cast<int64_t>(static_cast<uint64_t>(f) * pivot[c]);
}

// The same elimination for a prime small enough that n p^2 < 2^62 (the
// word primes of the multi-modular methods): the entries are kept as
// 64-bit integers congruent to the residues and reduced only when read as
// a pivot candidate or a multiplier, so that the inner loop is a plain
// multiply-subtract. Each entry moves by less than p^2 a step.
int32_t determ_lazy(const std::vector<int32_t>& in, int32_t n) {
    const int64_t p = modulus;
    std::vector<int64_t> a(in.begin(), in.end());
    std::vector<uint32_t> pivot(static_cast<size_t>(n));
    auto at = [&](int32_t r, int32_t c) -> int64_t& { return a[static_cast<size_t>(r) * n + c]; };
    auto reduced = [&](int32_t r, int32_t c) -> int64_t {
        int64_t& v = at(r, c);
        v %= p;
        if (v < 0) v += p;
        return v;
    };
    int32_t det = 1;
    for (int32_t k = 0; k < n; ++k) {
        int32_t pr = -1, pc = -1;
        for (int32_t r = k; r < n && pr < 0; ++r)
            for (int32_t c = k; c < n; ++c)
                if (reduced(r, c) != 0) {
                    pr = r;
                    pc = c;
                    break;
                }
        if (pr < 0) return 0;
        if (pr != k) {
            for (int32_t c = 0; c < n; ++c) std::swap(at(pr, c), at(k, c));
            det = negated(det);
        }
        if (pc != k) {
            for (int32_t r = 0; r < n; ++r) std::swap(at(r, pc), at(r, k));
            det = negated(det);
        }
        for (int32_t c = k + 1; c < n; ++c) reduced(k, c);
        det = modmult(det, static_cast<int32_t>(at(k, k)));
        int32_t inv = 0;
        emod_inverse(static_cast<int32_t>(at(k, k)), inv);
        for (int32_t c = k + 1; c < n; ++c) pivot[c] = static_cast<uint32_t>(at(k, c));
        for (int32_t i = k + 1; i < n; ++i) {
            const int64_t f = reduced(i, k) * inv % p;
            if (f != 0) multiply_subtract(&at(i, k + 1), &pivot[k + 1], n - k - 1, static_cast<uint32_t>(f));
        }
    }
    return det;
}

// The row of least nonzero residue in column k at or below row k; -1 when
// the column is zero there.
int32_t least_in_column(ResidueRows& m, int32_t k) {
    int32_t best = -1;
    for (int32_t r = k; r < m.n; ++r)
        if (m.at(r, k) != 0 && (best < 0 || m.at(r, k) < m.at(best, k))) best = r;
    return best;
}

// Modulo a composite: a pivot need not be invertible, so column k is
// cleared by remainder steps (row i -= q row k with q the integer quotient
// of the representatives), each an operation of determinant 1.
int32_t determ_composite(ResidueRows& m) {
    int32_t det = 1;
    for (int32_t k = 0; k < m.n; ++k) {
        for (bool cleared = false; !cleared;) {
            const int32_t r = least_in_column(m, k);
            if (r < 0) return 0;
            if (r != k) m.swap_rows(r, k), det = negated(det);
            cleared = true;
            for (int32_t i = k + 1; i < m.n; ++i) {
                if (m.at(i, k) == 0) continue;
                m.subtract_row(i, k, m.at(i, k) / m.at(k, k));
                if (m.at(i, k) != 0) cleared = false;
            }
        }
        det = modmult(det, m.at(k, k));
    }
    return det;
}

}  // namespace

int32_t mod_determ(std::vector<int32_t>& a, int32_t n) {
    if (!lintmode || modulus < 2) internal_stop(" mod_determ");
    ResidueRows m{a, n};
    if (!finf && mod_is_prime && modulus < kLazyPrime && n < kLazyRows) return determ_lazy(a, n);
    if (modulus == 2 || mod_is_prime || finf) return determ_field(m);
    return determ_composite(m);
}

bool mod_inverse_rows(std::vector<int32_t>& a, int32_t n, std::vector<int32_t>& inv) {
    if (!lintmode || !(mod_is_prime || finf)) internal_stop(" mod_matrix_inv");
    ResidueRows m{a, n};
    inv.assign(static_cast<size_t>(n) * n, 0);
    ResidueRows v{inv, n};
    for (int32_t k = 0; k < n; ++k) v.at(k, k) = 1;
    for (int32_t k = 0; k < n; ++k) {
        int32_t pr = k;
        while (pr < n && m.at(pr, k) == 0) ++pr;
        if (pr == n) return false;
        m.swap_rows(pr, k);
        v.swap_rows(pr, k);
        int32_t piv = 0;
        emod_inverse(m.at(k, k), piv);
        for (int32_t c = 0; c < n; ++c) {
            m.at(k, c) = modmult(m.at(k, c), piv);
            v.at(k, c) = modmult(v.at(k, c), piv);
        }
        for (int32_t i = 0; i < n; ++i) {
            if (i == k || m.at(i, k) == 0) continue;
            const int32_t f = m.at(i, k);
            m.subtract_row(i, k, f, 0);
            v.subtract_row(i, k, f, 0);
        }
    }
    return true;
}

}  // namespace tolmex
