// The pseudo-determinant (find_pseudo, new_pseudo) and the integer
// determinant that divides it out (pseudo_int_determ).
#include "matrix/pseudo_det.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "matrix/det_crt.h"
#include "matrix/determinant.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"

namespace tolmex {

namespace {

constexpr int64_t kEntryLimit = int64_t{1} << 31;
constexpr int kPrimeTries = 4;   // primes tried for an inverse of A
constexpr int32_t kRhsRange = 8192;  // entries of b in [-8192, 8192]

// The entries row by row as machine integers; false when one is too large.
bool small_rows(const std::vector<const QuolyRec*>& e, int32_t n, std::vector<int64_t>& a) {
    a.assign(static_cast<size_t>(n) * n, 0);
    for (int32_t c = 0; c < n; ++c)
        for (int32_t r = 0; r < n; ++r) {
            const QuolyRec* q = e[static_cast<size_t>(c) * n + r];
            if (!q) continue;
            int64_t v = 0;
            if (!to_int64(quoly_number(q), v) || v >= kEntryLimit || v <= -kEntryLimit) return false;
            a[static_cast<size_t>(r) * n + c] = v;
        }
    return true;
}

int32_t reduce(int64_t v, int32_t p) { return static_cast<int32_t>((v % p + p) % p); }

// A^-1 modulo one of a few primes of the table taken from a random start.
bool inverse_mod_some_prime(const std::vector<int64_t>& a, int32_t n, int32_t& p, std::vector<int32_t>& inv) {
    const std::vector<int32_t>& primes = det_primes();
    const size_t start = static_cast<size_t>(rand_integer2()) % (primes.size() - kPrimeTries);
    for (int t = 0; t < kPrimeTries; ++t) {
        p = primes[start + t];
        std::vector<int32_t> r(a.size());
        for (size_t k = 0; k < a.size(); ++k) r[k] = reduce(a[k], p);
        TempModulus in_p(p);
        if (mod_inverse_rows(r, n, inv)) return true;
    }
    return false;
}

// Bits of Cramer's bound: numerators and the denominator of the solution
// are determinants of columns of [A b], so at most the product of its
// rows' norms.
double cramer_bits(const std::vector<int64_t>& a, const std::vector<int64_t>& b, int32_t n) {
    double bits = 0;
    for (int32_t r = 0; r < n; ++r) {
        double s = static_cast<double>(b[r]) * static_cast<double>(b[r]);
        for (int32_t c = 0; c < n; ++c) {
            const double x = static_cast<double>(a[static_cast<size_t>(r) * n + c]);
            s += x * x;
        }
        if (s > 1) bits += std::log2(s) / 2;
    }
    return bits;
}

// The p-adic digits of x = A^-1 b: digit i is C r_i mod p (C = A^-1 mod
// p), and r_{i+1} = (r_i - A x_i) / p exactly. |r_i| stays below
// n max|a| + max|b|.
// One lifting step: x := A^-1 r mod p and r := (r - A x) / p, exact.
// Wide: every sum in 128 bits. Narrow (the caller has checked that every
// sum fits in 64 bits): plain 64-bit sums, which the compiler vectorises;
// with the word primes of the table this is the usual case.
template <typename Wide>
void lift_step(const std::vector<int64_t>& a, const std::vector<int32_t>& inv, std::vector<int64_t>& r,
               std::vector<int32_t>& rm, std::vector<int32_t>& x, int32_t n, int32_t p) {
    for (int32_t j = 0; j < n; ++j) rm[j] = reduce(r[j], p);
    for (int32_t j = 0; j < n; ++j) {
        const int32_t* row = &inv[static_cast<size_t>(j) * n];
        Wide s = 0;
        for (int32_t l = 0; l < n; ++l) s += static_cast<Wide>(static_cast<int64_t>(row[l]) * rm[l]);
        x[j] = static_cast<int32_t>(s % p);
    }
    for (int32_t j = 0; j < n; ++j) {
        const int64_t* row = &a[static_cast<size_t>(j) * n];
        Wide s = r[j];
        for (int32_t l = 0; l < n; ++l) s -= static_cast<Wide>(row[l]) * x[l];
        if (s % p != 0) internal_stop(" find_pseudo");
        r[j] = static_cast<int64_t>(s / p);
    }
}

std::vector<std::vector<int32_t>> lift(const std::vector<int64_t>& a, const std::vector<int32_t>& inv,
                                       std::vector<int64_t> r, int32_t n, int32_t p, int32_t steps) {
    // |r| stays below n max|a| + max|b| (each step divides by p), so the
    // sums stay below n p max(p, max|a|) plus that.
    int64_t top = kRhsRange;
    for (int64_t v : a) top = std::max(top, v < 0 ? -v : v);
    const bool narrow = std::log2(static_cast<double>(n)) + std::log2(static_cast<double>(p)) +
                            std::log2(static_cast<double>(std::max<int64_t>(top, p))) <
                        61;
    std::vector<std::vector<int32_t>> digits;
    std::vector<int32_t> rm(n);
    for (int32_t i = 0; i < steps; ++i) {
        poll_interrupt();
        std::vector<int32_t> x(n);
        if (narrow)
            lift_step<int64_t>(a, inv, r, rm, x, n, p);
        else
            lift_step<__int128>(a, inv, r, rm, x, n, p);
        digits.push_back(std::move(x));
    }
    return digits;
}

// The value sum_i digits[i][j] p^i by Horner's rule.
Number assemble(const std::vector<std::vector<int32_t>>& digits, int32_t j, int32_t p) {
    const Number base = number_from_int64(p);
    Number x = number_from_int64(0);
    for (size_t i = digits.size(); i-- > 0;) {
        fast_mult(x, base, x);
        fastsum(x, number_from_int64(digits[i][j]));
    }
    return x;
}

// The denominator d of y mod M with |numerator| <= S and 0 < d <= S, by
// the half-extended Euclidean algorithm; unique when M > 2 S^2. False
// when there is none.
bool denominator_of(const Number& y, const Number& m, const Number& s, Number& den) {
    Number r0, r1, t0 = number_from_int64(0), t1 = number_from_int64(1);
    num_assign(m, r0);
    num_assign(y, r1);
    while (compare(r1, s) > 0) {
        Number q, rem, qt;
        divide(r0, r1, q, rem);
        r0 = std::move(r1);
        r1 = std::move(rem);
        fast_mult(q, t1, qt);
        fastdiff(t0, qt);
        std::swap(t0, t1);
    }
    if (num_is_zero(t1) || compare_abs(t1, s) > 0) return false;
    if (t1.sign() < 0) in_place_neg(t1);
    den = std::move(t1);
    return true;
}

Number power_of_two(int64_t k) {
    Number x = number_from_int64(1);
    shift_left(x, k);
    return x;
}

}  // namespace

bool find_pseudo(const std::vector<const QuolyRec*>& e, int32_t n, Number& pseudo) {
    std::vector<int64_t> a;
    if (modularmode || !small_rows(e, n, a)) return false;
    int32_t p = 0;
    std::vector<int32_t> inv;
    if (!inverse_mod_some_prime(a, n, p, inv)) return false;
    std::vector<int64_t> b(n);
    for (int64_t& x : b) x = rand_integer2() % (2 * kRhsRange + 1) - kRhsRange;
    // S = 2^s bounds numerators and denominators; p^steps > 2 S^2.
    const int64_t s = static_cast<int64_t>(std::ceil(cramer_bits(a, b, n))) + 1;
    const int32_t steps = static_cast<int32_t>(std::ceil((2.0 * s + 2) / std::log2(static_cast<double>(p))));
    const std::vector<std::vector<int32_t>> digits = lift(a, inv, b, n, p, steps);
    Number m = number_from_int64(1);
    for (int32_t i = 0; i < steps; ++i) fast_mult(m, number_from_int64(p), m);
    const Number bound = power_of_two(s);
    // Each denominator is taken of L x_j, L the lcm so far: L divides det,
    // so L x_j keeps numerator and denominator under the bound, and most
    // are integers at once.
    Number l = number_from_int64(1);
    for (int32_t j = 0; j < n; ++j) {
        poll_interrupt();
        Number lx, q, y, d;
        fast_mult(l, assemble(digits, j, p), lx);
        divide(lx, m, q, y);
        if (!denominator_of(y, m, bound, d)) internal_stop(" find_pseudo");
        fast_mult(l, d, l);
    }
    pseudo = std::move(l);
    return true;
}

namespace {

// det(A) * pseudo^-1 mod p.
int32_t cofactor_mod(const std::vector<const QuolyRec*>& e, int32_t n, const Number& pseudo, int32_t p) {
    std::vector<int32_t> a(static_cast<size_t>(n) * n, 0);
    for (int32_t c = 0; c < n; ++c)
        for (int32_t r = 0; r < n; ++r)
            if (const QuolyRec* q = e[static_cast<size_t>(c) * n + r])
                a[static_cast<size_t>(r) * n + c] = residue_of(quoly_number(q), p);
    const int32_t ps = residue_of(pseudo, p);
    TempModulus in_p(p);
    int32_t inv = 0;
    emod_inverse(ps, inv);
    return modmult(mod_determ(a, n), inv);
}

}  // namespace

bool pseudo_int_determ(const std::vector<const QuolyRec*>& e, int32_t n, const Number& pseudo, Number& det) {
    const double bits = hadamard_bits(e, n);
    if (bits < 0) {
        det = number_from_int64(0);
        return true;
    }
    // Symmetric residues of c = det / pseudo need a product above 2 |c|.
    const double rest = std::max(bits - log2_abs(pseudo), 0.0) + 2;
    const std::vector<int32_t> primes =
        primes_for_bits(rest, det_primes(), [&](int32_t p) { return residue_of(pseudo, p) == 0; });
    if (primes.empty()) return false;
    if (verbose) std::printf("CRT. number of primes needed is %d\n", static_cast<int>(primes.size()));
    std::vector<int32_t> residues;
    for (int32_t p : primes) {
        poll_interrupt();
        residues.push_back(cofactor_mod(e, n, pseudo, p));
    }
    const Garner crt(primes);
    fast_mult(crt.combine(residues, true), pseudo, det);
    return true;
}

Quoly new_pseudo(const Matrix& m, const char* name) {
    if (!m.square()) fail(313, name);
    const Matrix dense = m.sparse ? matrix_to_dense(m) : Matrix();
    const Matrix& a = m.sparse ? dense : m;
    const int32_t n = a.rows;
    std::vector<const QuolyRec*> e(a.e.size());
    for (size_t k = 0; k < e.size(); ++k) {
        e[k] = a.e[k].get();
        if (modularmode || (e[k] && !quoly_is_number(e[k]))) fail(202, name);
    }
    if (verbose) std::printf(" Precomputing pseudo-determinant, rows %2d:\n", n);
    Number pseudo;
    if (find_pseudo(e, n, pseudo)) return make_numeric(std::move(pseudo));
    // Singular modulo every prime tried, or entries too large: the
    // determinant itself is a divisor of the determinant.
    Number det;
    if (!small_mod_determ(e, n, det)) {
        Quoly d;
        gauss_Bareiss(e, n, d);
        return d;
    }
    return make_numeric(std::move(det));
}

}  // namespace tolmex
