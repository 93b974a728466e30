// The inverse of an integer matrix in rational mode: the determinant, then
// the adjoint modulo word primes recombined by Chinese remaindering, then
// adjoint / determinant.
#include <cstdio>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "matrix/det_crt.h"
#include "matrix/determinant.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"
#include "poly/poly.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

// The adjoint modulo p row by row: det mod p times the inverse mod p.
std::vector<int32_t> adjoint_mod(const Matrix& m, const Number& det, int32_t p) {
    const int32_t n = m.rows;
    std::vector<int32_t> a(static_cast<size_t>(n) * n, 0), inv;
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c)
            if (const QuolyRec* q = m.at(r, c)) a[static_cast<size_t>(r) * n + c] = residue_of(quoly_number(q), p);
    const int32_t d = residue_of(det, p);
    TempModulus in_p(p);
    if (!mod_inverse_rows(a, n, inv)) internal_stop(" mod_matrix_inv");
    for (int32_t& x : inv) x = modmult(x, d);
    return inv;
}

}  // namespace

bool mod_matrix_inv(const Matrix& m, Quoly& det, Matrix& inv, const char* name) {
    const int32_t n = m.rows;
    std::vector<const QuolyRec*> e(m.e.size());
    for (size_t k = 0; k < e.size(); ++k) e[k] = m.e[k].get();
    if (verbose) std::printf("All integers; adjoint-CRT Method; first compute det: \n");
    Number d;
    if (!int_determ(e, n, d)) return false;
    if (num_is_zero(d)) fail(44, name);
    // An entry of the adjoint is a minor of order n - 1, below the bound of
    // the whole matrix (every row of a nonsingular matrix has norm >= 1).
    const double bits = hadamard_bits(e, n) + 2;
    const std::vector<int32_t> primes =
        primes_for_bits(bits, det_primes(), [&](int32_t p) { return residue_of(d, p) == 0; });
    if (primes.empty()) {
        std::printf("Abandon adjoint-CRT method (too many primes). \n");
        return false;
    }
    std::vector<std::vector<int32_t>> images;
    for (int32_t p : primes) {
        poll_interrupt();
        images.push_back(adjoint_mod(m, d, p));
    }
    const Garner crt(primes);
    Matrix out = Matrix::zero(n, n, false);
    std::vector<int32_t> r(primes.size());
    for (int32_t i = 0; i < n; ++i)
        for (int32_t j = 0; j < n; ++j) {
            for (size_t k = 0; k < primes.size(); ++k) r[k] = images[k][static_cast<size_t>(i) * n + j];
            Quoly q;
            quot_numbers(crt.combine(r, true), d, q);
            out.set(i, j, std::move(q));
        }
    inv = std::move(out);
    det = make_numeric(std::move(d));
    return true;
}

}  // namespace tolmex
