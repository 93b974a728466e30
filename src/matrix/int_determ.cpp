// Determinants of integer matrices in rational mode: the determinant
// modulo enough word primes, recombined by Chinese remaindering.
#include <cmath>
#include <cstdio>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "matrix/det_crt.h"
#include "matrix/determinant.h"
#include "matrix/pseudo_det.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"
#include "numbers/tables.h"

namespace tolmex {

// ---------------------------------------------------------------------------
// Garner's method

Garner::Garner(std::vector<int32_t> primes) : p_(std::move(primes)), inv_(p_.size(), 1) {
    for (size_t j = 1; j < p_.size(); ++j) {
        int64_t prod = 1;
        for (size_t i = 0; i < j; ++i) prod = prod * p_[i] % p_[j];
        int64_t g = 0;
        inv_[j] = static_cast<int32_t>(euclid_inverse(prod, p_[j], g));
    }
    m_ = number_from_int64(1);
    for (int32_t p : p_) fast_mult(m_, number_from_int64(p), m_);
}

Number Garner::combine(const std::vector<int32_t>& r, bool symmetric) const {
    const size_t k = p_.size();
    std::vector<int64_t> a(k);
    for (size_t j = 0; j < k; ++j) {
        const int64_t pj = p_[j];
        int64_t s = 0;  // the mixed-radix value so far, mod p_j (Horner)
        for (size_t i = j; i-- > 0;) s = (s * p_[i] + a[i]) % pj;
        a[j] = ((r[j] - s) % pj + pj) % pj * inv_[j] % pj;
    }
    Number n = number_from_int64(k ? a[k - 1] : 0);
    for (size_t j = k - 1; j-- > 0;) {
        fast_mult(n, number_from_int64(p_[j]), n);
        fastsum(n, number_from_int64(a[j]));
    }
    if (symmetric) {
        Number twice;
        summ(n, n, twice);
        if (compare(twice, m_) > 0) fastdiff(n, m_);
    }
    return n;
}

double log2_abs(const Number& x) {
    const int32_t n = x.size();
    const DigitSpan d = x.digits();
    const double top = std::abs(static_cast<double>(d[n - 1]));
    const double next = n > 1 ? std::abs(static_cast<double>(d[n - 2])) : 0.0;
    if (top == 0) return -1e300;
    return 28.0 * (n - 1) + std::log2(top + next / static_cast<double>(kBase));
}

int32_t residue_of(const Number& x, int32_t p) {
    const int64_t r = digits_mod(x, p);
    return static_cast<int32_t>(x.sign() < 0 && r != 0 ? p - r : r);
}

// ---------------------------------------------------------------------------
// Primes and bounds

const std::vector<int32_t>& det_primes() {
    static std::vector<int32_t> table, computed;
    if (prime[kPrimeModuli - 1]) {
        if (table.empty())
            for (int j = 5; j < kPrimeModuli; ++j) table.push_back(prime[j].lint());
        return table;
    }
    // Without the data files (unit tests): as many primes, taken by trial.
    if (computed.empty())
        for (int32_t p = 30011; static_cast<int>(computed.size()) < kPrimeModuli - 5; p += 2)
            if (is_prime(p)) computed.push_back(p);
    return computed;
}

double hadamard_bits(const std::vector<const QuolyRec*>& e, int32_t n) {
    double bits = 0;
    for (int32_t r = 0; r < n; ++r) {
        std::vector<double> logs;
        double top = -1e300;
        for (int32_t c = 0; c < n; ++c) {
            const QuolyRec* q = e[static_cast<size_t>(c) * n + r];
            if (!q || quoly_iszero(q)) continue;
            logs.push_back(2 * log2_abs(quoly_number(q)));
            top = std::max(top, logs.back());
        }
        if (logs.empty()) return -1;
        double sum = 0;
        for (double l : logs) sum += std::exp2(l - top);
        bits += (top + std::log2(sum)) / 2;
    }
    return bits;
}

// ---------------------------------------------------------------------------
// The determinant modulo word primes

namespace {

// The entries' residues modulo p, row by row.
std::vector<int32_t> residue_rows(const std::vector<const QuolyRec*>& e, int32_t n, int32_t p) {
    std::vector<int32_t> a(static_cast<size_t>(n) * n, 0);
    for (int32_t c = 0; c < n; ++c)
        for (int32_t r = 0; r < n; ++r)
            if (const QuolyRec* q = e[static_cast<size_t>(c) * n + r])
                a[static_cast<size_t>(r) * n + c] = residue_of(quoly_number(q), p);
    return a;
}

int32_t determ_mod(const std::vector<const QuolyRec*>& e, int32_t n, int32_t p) {
    std::vector<int32_t> a = residue_rows(e, n, p);
    TempModulus in_p(p);
    return mod_determ(a, n);
}

}  // namespace

bool small_mod_determ(const std::vector<const QuolyRec*>& e, int32_t n, Number& det) {
    const double bits = hadamard_bits(e, n);
    if (bits < 0) {
        det = number_from_int64(0);
        return true;
    }
    const std::vector<int32_t> primes =
        primes_for_bits(bits + 1, det_primes(), [](int32_t) { return false; });
    if (primes.empty()) return false;
    if (verbose) std::printf("CRT. number of primes needed is %d\n", static_cast<int>(primes.size()));
    std::vector<int32_t> residues;
    for (int32_t p : primes) {
        poll_interrupt();
        residues.push_back(determ_mod(e, n, p));
    }
    const Garner crt(primes);
    Number d = crt.combine(residues, false);
    // d is det or det - M with M odd: the parity of det decides.
    const int32_t parity = determ_mod(e, n, 2);
    if ((d.digits()[0] & 1) != parity) fastdiff(d, crt.product());
    det = std::move(d);
    return true;
}

bool int_determ(const std::vector<const QuolyRec*>& e, int32_t n, Number& det) {
    // From kPseudoMinRows rows on a pseudo-determinant is found first, so
    // that the word primes need only cover det / pseudo.
    if (n >= kPseudoMinRows) {
        if (verbose) std::printf(" Precomputing pseudo-determinant, rows %2d:\n", n);
        Number pseudo;
        if (find_pseudo(e, n, pseudo) && pseudo_int_determ(e, n, pseudo, det)) return true;
    }
    return small_mod_determ(e, n, det);
}

}  // namespace tolmex
