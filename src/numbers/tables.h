// Tables of numbers read at start-up from the initialization data: powers of
// 2^28 in base 10^8, factorials, binomial coefficients, primes and the
// products of the multi-modular moduli. Empty (null handles, zeros) until
// the data reader fills them; code that needs a table it finds empty builds
// what it needs by computation.
#pragma once

#include <cstdint>

#include "numbers/number.h"

namespace tolmex {

constexpr int kTwo28Entries = 130;
constexpr int kFactEntries = 22;
constexpr int kBinomEntries = 1900;
constexpr int kBinomLintEntries = 80;
constexpr int kSmallPrimes = 1229;
constexpr int kMedPrimes = 2466;
constexpr int kBigPrimes = 1516;
constexpr int kLargePrimes = 2000;
constexpr int kPrimeModuli = 604;
constexpr int kNumProds = 599;

// two_28[k - 1] = (2^28)^k in base 10^8, k = 1 .. 130.
extern Number two_28[kTwo28Entries];
// factnum[k] = k! for k = 0 .. 12, -1 for k = 13 .. 21.
extern int32_t factnum[kFactEntries];
// facts[k] = (10 k)! for k = 0 .. 21 (facts[0] and facts[1] also in lint).
extern Number facts[kFactEntries];
// C(n, k) for n = 3, 6, ..., 150 and k = 1 .. n / 2, n outer; the first 80
// also hold their value in lint.
extern Number binom[kBinomEntries];
extern int16_t small_prime[kSmallPrimes];  // the primes below 10,000
extern int32_t med_prime[kMedPrimes];      // ends with 42349
extern int32_t big_prime[kBigPrimes];      // ends with 65521
extern int32_t lrgpme[kLargePrimes];       // ends with 2147483629
// Moduli of the multi-modular methods (value also in lint): 3001, 16087,
// 16273, 16339, 19997, then 599 primes ending with 48869.
extern Number prime[kPrimeModuli];
// num_prod[j] = prime[5] * ... * prime[5 + j].
extern Number num_prod[kNumProds];
// invs_prod[j] = (prime[5] * ... * prime[4 + j])^-1 mod prime[5 + j]
// (invs_prod[0] = 1), for Garner's method.
extern int32_t invs_prod[kNumProds];

// Fills two_28 by computation (tests; the decimal conversion when the data
// file was missing).
void build_two_28();
// True when two_28 holds all its entries.
bool two_28_loaded();
// Computes invs_prod from prime[5 .. 603].
void compute_invs_prod();

}  // namespace tolmex
