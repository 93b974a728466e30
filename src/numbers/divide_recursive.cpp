// Recursive division of big integers (base 2^28 magnitudes): the divisor
// shifted until its top digit is at least 2^27, then the dividend divided
// in windows of at most twice the divisor's length, each window by halves.
//
// A window of n + k digits (k <= n) divided by the n-digit divisor b gives
// k quotient digits and a remainder of n digits. For k = n the window is
// divided in two such steps of k = n/2 (the remainder of the first is the
// top of the second). For k < n the top 2k digits of the window are
// divided by the top k digits of b, recursively, and the product of that
// quotient by the rest of b is subtracted; as b's top digit is at least
// half the base, the quotient is then at most 2 too large, corrected by
// adding b back. Each step costs two products of half its size, so the
// division costs about the product's time times the number of levels.
//
// A quotient is carried as k digits and a top digit qh (0 or 1) of weight
// B^k: the window's top n digits are below 2b, so the quotient of a window
// is below 2 B^k.
#include <algorithm>

#include "numbers/divide_newton.h"
#include "numbers/kernels.h"

namespace tolmex::kern {

namespace {

// Divisors (and quotients) of at least this many digits divide
// recursively. Microseconds of a 2n-by-n division, long / recursive (best
// of 5, a loaded 2-core AMD EPYC): n = 80: 3.13 / 3.39; 100: 4.69 / 4.75;
// 120: 6.68 / 6.04; 150: 10.1 / 8.95; 300: 39.0 / 26.2; 1000: 421 / 152;
// 3000: 3700 / 744.
constexpr int64_t kRecursiveCut = 100;
// Steps of fewer quotient digits are long divisions. The 2n-by-n division
// hardly moves from 24 to 50 (n = 300: 26.4 / 26.2 / 28.0 / 27.5 at 24 /
// 32 / 40 / 50; n = 1000: 149 / 152 / 159 / 155) and loses beyond (at 90:
// 31.7 and 167; at 180: 41.5 and 199).
constexpr int64_t kLeafDigits = 32;
// Divisions of at least this many quotient digits (counting at most 4
// times the divisor's length) go by the divisor's reciprocal, which costs
// about two windows of the halving division and then saves about half of
// each window. Microseconds of processor time, halving / reciprocal (best
// of 7): 2n by n, n = 1000: 155 / 199; 2000: 405 / 420; 2500: 649 / 649;
// 4000: 1017 / 887; 16000: 5812 / 4196; 118644: 66680 / 38773. 3n by n,
// n = 1000: 312 / 333; 1500: 692 / 620. 5n by n, n = 600: 313 / 347;
// 800: 484 / 412; 1000: 623 / 483.
constexpr int64_t kNewtonCut = 3000;
// Schoolbook cut of the products inside the division (the default of
// the products' own cut).
constexpr int64_t kProductCut = 32;
// Steps of at least this many digit products call `between` first.
constexpr int64_t kBetweenWork = int64_t{1} << 20;

int64_t even(int64_t n) {
    return n + (n & 1);
}

// Scratch of a long division of the window n + k by n, with its quotient
// and remainder (even sizes keep the long division's words aligned).
int64_t base_scratch(int64_t n, int64_t k) {
    return even(k + 1) + even(n) + divrem_schoolbook_scratch(n + k, n);
}

// Scratch of every step of a divisor of n digits.
int64_t step_scratch(int64_t n) {
    return std::max(base_scratch(n, std::min(n, kLeafDigits - 1)),
                    even(n) + mul_scratch(n, n, kProductCut));
}

// q[0..k) -= 1; returns the borrow out of the top.
uint32_t decrement(Digit* q, int64_t k) {
    for (int64_t i = 0; i < k; ++i) {
        if (q[i] != 0) {
            --q[i];
            return 0;
        }
        q[i] = static_cast<Digit>(Base28::kB - 1);
    }
    return 1;
}

// The window a[0..n+k) by b[0..n) as a long division: q[0..k) and the
// returned top digit, the remainder in a[0..n).
uint32_t base_step(Digit* q, Digit* a, const Digit* b, int64_t n, int64_t k, Digit* w,
                   Between between) {
    Digit* qt = w;
    Digit* rt = qt + even(k + 1);
    divrem_schoolbook(qt, rt, a, n + k, b, n, rt + even(n), between);
    std::copy(qt, qt + k, q);
    std::copy(rt, rt + n, a);
    return static_cast<uint32_t>(qt[k]);
}

// The window a[0..n+k) (k <= n) by the normalised b[0..n): the quotient
// qh B^k + q[0..k) (qh returned), the remainder in a[0..n). w holds
// step_scratch(n) digits.
uint32_t step(Digit* q, Digit* a, const Digit* b, int64_t n, int64_t k, Digit* w, Between between) {
    if (between && n * k >= kBetweenWork) between();
    if (k < kLeafDigits) return base_step(q, a, b, n, k, w, between);
    if (k == n) {
        const int64_t lo = n / 2, hi = n - lo;
        const uint32_t qh = step(q + lo, a + lo, b, n, hi, w, between);
        step(q, a, b, n, lo, w, between);  // its quotient is below B^lo
        return qh;
    }
    // The top 2k digits by b's top k digits, then the rest of b.
    uint32_t qh = step(q, a + n - k, b + n - k, k, k, w, between);
    Digit* p = w;
    mul_mag<Base28>(p, q, k, b, n - k, p + even(n), kProductCut, between);
    uint32_t borrow = sub_into<Base28>(a, n, p, n);
    if (qh) borrow += sub_into<Base28>(a + k, n - k, b, n - k);
    while (borrow) {
        qh -= decrement(q, k);
        borrow -= add_into<Base28>(a, n, b, n);
    }
    return qh;
}

}  // namespace

int64_t div_recursive_cut() {
    return kRecursiveCut;
}

int64_t div_newton_cut() {
    return kNewtonCut;
}

int64_t divrem_recursive_scratch(int64_t na, int64_t nb) {
    // Either method (the tests force the reciprocal on short divisors).
    const int64_t newton =
        even(nb + 1) + std::max(reciprocal_scratch(nb), newton_window_scratch(nb));
    return 2 * even(nb) + even(na + 1) + std::max(step_scratch(nb), newton);
}

void divrem_recursive(Digit* q, Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb,
                      Digit* w, Between between, bool newton) {
    constexpr Digit kM = Base28::kB - 1;
    // b and a shifted left by s bits: b's top digit at least 2^27.
    const int s = __builtin_clz(static_cast<uint32_t>(b[nb - 1])) - 4;
    Digit* bn = w;
    Digit* an = bn + even(nb);
    Digit* qs = an + even(na + 1);
    Digit* ws = qs + even(nb);
    auto shift_into = [s](Digit* to, const Digit* from, int64_t n) {
        uint32_t c = 0;
        for (int64_t i = 0; i < n; ++i) {
            const uint32_t x = static_cast<uint32_t>(from[i]);
            to[i] = static_cast<Digit>(((x << s) & kM) | c);
            c = x >> (28 - s);
        }
        return static_cast<Digit>(c);
    };
    shift_into(bn, b, nb);
    an[na] = shift_into(an, a, na);
    // Quotient digits qn (below B^qn as a < B^na), found in windows from the
    // top: first qn mod nb digits (or nb), then nb at a time.
    const int64_t len = na + 1, qn = len - nb;
    int64_t k = qn % nb == 0 ? nb : qn % nb;
    Digit* x = ws;  // the reciprocal, for newton
    if (newton) reciprocal(x, bn, nb, x + even(nb + 1), between);
    for (int64_t pos = qn - k; pos >= 0; pos -= nb, k = nb) {
        Digit* qw = q ? q + pos : qs;
        if (newton)
            newton_window(qw, an + pos, bn, nb, k, x, x + even(nb + 1), between);
        else
            step(qw, an + pos, bn, nb, k, ws, between);
    }
    // The remainder, shifted back (its low s bits are 0).
    for (int64_t i = 0; i < nb; ++i) {
        const uint32_t lo = static_cast<uint32_t>(an[i]) >> s;
        const uint32_t hi = i + 1 < nb && s ? static_cast<uint32_t>(an[i + 1]) << (28 - s) : 0;
        r[i] = static_cast<Digit>((lo | hi) & kM);
    }
}

}  // namespace tolmex::kern
