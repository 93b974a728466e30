// Division by a reciprocal found by Newton's iteration, for the longest
// divisors (divide_newton.cpp); divide_recursive.cpp chooses it and cuts
// the dividend into its windows. Base 2^28 magnitudes, the contract of the
// kernels (no allocation, scratch from the caller).
#pragma once

#include "numbers/kernels.h"

namespace tolmex::kern {

// x[0..n+1) := an approximation of B^(2n) / b within a few units, for b
// of n digits with its top digit at least 2^27. w holds reciprocal_scratch(n)
// digits, aligned for 64-bit words.
int64_t reciprocal_scratch(int64_t n);
void reciprocal(Digit* x, const Digit* b, int64_t n, Digit* w, Between between);

// The window a[0..n+k) (k <= n, its top n digits below 2b) by b, with x
// from reciprocal: q[0..k) and the returned top digit (0 or 1) make the
// quotient, a[0..n) the remainder. w holds newton_window_scratch(n) digits.
int64_t newton_window_scratch(int64_t n);
uint32_t newton_window(Digit* q, Digit* a, const Digit* b, int64_t n, int64_t k, const Digit* x,
                       Digit* w, Between between);

}  // namespace tolmex::kern
