// Division by a reciprocal (base 2^28 magnitudes, the divisor normalised).
//
// x ~ B^(2n) / b comes from Newton's iteration x' = x + x (1 - b x):
// the reciprocal of b's top h ~ n/2 digits, then one step that doubles its
// correct digits, at the cost of a product of n by n/2 digits (the
// residual B^(n+h) - b x, of about n digits whose top half matters) and
// one of n/2 by n/2 (the correction). Truncations leave x a few units off,
// which the windows absorb: a window's quotient is the top of (its top
// digits) times x, then corrected until the remainder lies in [0, b).
// Per window of n quotient digits this costs two products of n digits,
// against one product per level of the halving division.
#include "numbers/divide_newton.h"

#include <algorithm>

namespace tolmex::kern {

namespace {

// Reciprocals of at most this many digits are exact long divisions (the
// cut-off of the recursive division).
constexpr int64_t kReciprocalBase = 100;
// Schoolbook cut of the products (the default of the products' own cut).
constexpr int64_t kProductCut = 32;

int64_t even(int64_t n) {
    return n + (n & 1);
}

// Length of the top reciprocal of a step of n digits.
int64_t half_of(int64_t n) {
    return (n + 1) / 2 + 1;
}

// t[0..m) := B^m - t (t nonzero).
void negate(Digit* t, int64_t m) {
    int64_t i = 0;
    while (i < m && t[i] == 0) ++i;
    if (i == m) return;
    t[i] = static_cast<Digit>(Base28::kB) - t[i];
    for (++i; i < m; ++i) t[i] = static_cast<Digit>(Base28::kB - 1) - t[i];
}

void increment(Digit* q, int64_t k) {
    for (int64_t i = 0; i < k; ++i) {
        if (q[i] != static_cast<Digit>(Base28::kB - 1)) {
            ++q[i];
            return;
        }
        q[i] = 0;
    }
}

void decrement(Digit* q, int64_t k) {
    for (int64_t i = 0; i < k; ++i) {
        if (q[i] != 0) {
            --q[i];
            return;
        }
        q[i] = static_cast<Digit>(Base28::kB - 1);
    }
}

}  // namespace

int64_t reciprocal_scratch(int64_t n) {
    if (n <= kReciprocalBase) return even(2 * n) + even(n) + divrem_schoolbook_scratch(2 * n, n);
    const int64_t h = half_of(n);
    const int64_t own = even(n + h + 1) + even(n + 4) + mul_scratch(n, n, kProductCut);
    return std::max(own, reciprocal_scratch(h));
}

void reciprocal(Digit* x, const Digit* b, int64_t n, Digit* w, Between between) {
    if (n <= kReciprocalBase) {
        // x := (B^(2n) - 1) div b.
        Digit* a = w;
        Digit* r = a + even(2 * n);
        std::fill(a, a + 2 * n, static_cast<Digit>(Base28::kB - 1));
        divrem_schoolbook(x, r, a, 2 * n, b, n, r + even(n), between);
        return;
    }
    // x := xh B^(n-h) + xh E / B^(2h), with xh ~ B^(2h) / (b's top h digits)
    // and E = B^(n+h) - b xh, of which the digits from h - 1 up are kept.
    const int64_t h = half_of(n);
    Digit* xh = x + (n - h);
    reciprocal(xh, b + (n - h), h, w, between);
    std::fill(x, x + (n - h), Digit{0});
    Digit* t = w;
    Digit* p = t + even(n + h + 1);
    Digit* ws = p + even(n + 4);
    mul_mag<Base28>(t, b, n, xh, h + 1, ws, kProductCut, between);
    const bool above = t[n + h] != 0;  // b xh >= B^(n+h): E < 0
    if (above)
        t[n + h] -= 1;
    else
        negate(t, n + h);
    const int64_t ne = n - h + 3;
    mul_mag<Base28>(p, xh, h + 1, t + (h - 1), ne, ws, kProductCut, between);
    const Digit* corr = p + (h + 1);
    const int64_t nc = strip(corr, ne);
    if (above)
        sub_into<Base28>(x, n + 1, corr, nc);
    else
        add_into<Base28>(x, n + 1, corr, nc);
}

int64_t newton_window_scratch(int64_t n) {
    return even(2 * n + 3) + even(n + 2) + even(2 * n + 2) + mul_scratch(n + 2, n + 2, kProductCut);
}

uint32_t newton_window(Digit* q, Digit* a, const Digit* b, int64_t n, int64_t k, const Digit* x,
                       Digit* w, Between between) {
    // Quotient ~ (a's digits from n - 1) times (x's top m digits) / B^m.
    const int64_t m = std::min(n + 1, k + 2), nw = n + k, np = n + k + 2;
    Digit* pq = w;
    Digit* qt = pq + even(k + 1 + m);
    Digit* p = qt + even(k + 2);
    Digit* ws = p + even(np);
    mul_mag<Base28>(pq, a + (n - 1), k + 1, x + (n + 1 - m), m, ws, kProductCut, between);
    std::copy(pq + m, pq + m + k + 1, qt);
    qt[k + 1] = 0;
    // p := quotient times b; the remainder a - p brought into [0, b).
    mul_mag<Base28>(p, qt, k + 2, b, n, ws, kProductCut, between);
    if (cmp_abs(p, np, a, nw) <= 0) {
        sub_into<Base28>(a, nw, p, nw);
        while (cmp_abs(a, nw, b, n) >= 0) {
            sub_into<Base28>(a, nw, b, n);
            increment(qt, k + 2);
        }
    } else {
        sub_into<Base28>(p, np, a, nw);  // p - a > 0
        for (;;) {
            decrement(qt, k + 2);
            if (cmp_abs(p, np, b, n) <= 0) break;
            sub_into<Base28>(p, np, b, n);
        }
        // a = quotient b + (b - (p - a)).
        std::copy(b, b + n, a);
        sub_into<Base28>(a, n, p, n);
    }
    std::copy(qt, qt + k, q);
    return static_cast<uint32_t>(qt[k]);
}

}  // namespace tolmex::kern
