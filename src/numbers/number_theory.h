// Number theory on big integers for the built-ins: binomials, Jacobi
// symbols, modular powers, inverses and square roots, valuations, primes
// beyond a machine word, discrete logarithms and random integers below a
// bound. Every routine here works on the digits: callers hold lintmode off
// (rational mode, or an IntegerStretch in modular mode).
#pragma once

#include <cstdint>

#include "numbers/number.h"

namespace tolmex {

// r := C(n, k) for any integer n and k >= 0 (the falling product
// n (n-1) ... (n-k+1) / k!); for n >= 0 the smaller of k and n - k is used.
void binomial(const Number& n, int64_t k, Number& r);
// The Jacobi symbol (a / n) for an odd n > 0: -1, 0 or 1.
int jacobi(const Number& a, const Number& n);
// r := a^e mod n in 0 .. n - 1, for e >= 0 and n > 0.
void mod_pow(const Number& a, const Number& e, const Number& n, Number& r);
// r := the inverse of a modulo n > 0 in 0 .. n - 1; false when a and n are
// not coprime.
bool mod_inverse(const Number& a, const Number& n, Number& r);
// g := gcd(a, b) >= 0 with s a + t b = g.
void extended_gcd(const Number& a, const Number& b, Number& g, Number& s, Number& t);
// The largest e with p^e dividing n, for n != 0 and |p| >= 2.
int64_t valuation(const Number& n, const Number& p);
// Whether n is prime (trial division; n below 2^62).
bool is_prime64(int64_t n);
// The smallest prime greater than n (n below 2^62).
int64_t next_prime_after(int64_t n);
// The smaller square root of a modulo the odd prime p (p < 2^31, 0 <= a <
// p), or -1 when a is no square.
int64_t prime_sqrt(int64_t a, int64_t p);
// The smallest primitive root of the prime p (p < 2^31).
int64_t primitive_root(int64_t p);
// The exponent e in 0 .. p - 2 with g^e = a mod p (baby steps and giant
// steps), for a primitive root g of the prime p and 0 < a < p.
int64_t discrete_log(int64_t a, int64_t g, int64_t p);
// r := a pseudo-random integer in 0 .. n - 1 for n > 0 (from the runtime's
// random(), 28 bits a digit).
void random_below(const Number& n, Number& r);

}  // namespace tolmex
