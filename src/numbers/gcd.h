// Integer gcd, square roots, trial-division prime utilities, pseudo-random
// integers and the factorial.
#pragma once

#include <cstdint>
#include <vector>

#include "numbers/number.h"

namespace tolmex {

// Digit count from which int_sqrt takes its first estimate recursively (16).
extern int32_t sqcut;
// The modular square-root cache: the modulus it holds for, the odd part m
// and exponent s of modulus - 1 = 2^s * m, and c = z^m for a non-residue z.
extern int32_t sqrt_mod, sqrt_m, sqrt_s, sqrt_c;

// g := gcd(|a|, |b|) > 0 for nonzero a and b (g may be a or b). The
// operands are not changed.
void binary_gcd(const Number& a, const Number& b, Number& g);
// gcd of two positive machine words.
int32_t smallgcd(int32_t u, int32_t v);
int64_t smallgcd64(int64_t u, int64_t v);

// r := floor(sqrt(x)) for x >= 0 (r may be x).
void int_sqrt(const Number& x, Number& r);

// Modular mode with a prime modulus: v^((modulus - 1) / 2) = 1 (0 for v = 0).
bool its_a_square(int32_t v);
// Modular mode with an odd prime modulus: the smaller square root of v, 0
// when v is 0 or not a square.
int32_t modular_sqrt(int32_t v);

// Trial-division primality of a machine integer (false below 2).
bool is_prime(int32_t n);
// 1 when n is prime, else the smallest prime factor found.
int32_t long_is_prime(int32_t n);
// The smallest prime greater than n; 0 when none fits 31 bits.
int32_t nextprime(int32_t n);
// The odd primes up to n, ascending (a sieve of Eratosthenes).
std::vector<uint32_t> odd_primes_up_to(uint32_t n);

// Pseudo-random integers from the runtime's random(): 0 .. 16384, and below
// 48871 mixed with the processor clock.
int32_t rand_integer2();
int32_t rand_integer3();

// r := n! for a number n >= 0 (the "!" operator). In modular mode the
// product of the residues 1 .. n; in lintmode outside modular mode the
// wrapped machine product. A negative n is error 130.
void factorial(const Number& n, Number& r);
// factorial chooses between these two for v > 12 outside lintmode; the tests
// cross-check them. By ranges: the largest tabulated (10 k)! times a
// balanced product of word packets of the factors above it. By the prime
// swing: v! = 2^(v - bits set in v) times the odd part, built from the odd
// parts of the swing numbers v! / (floor(v / 2)!)^2.
void factorial_by_ranges(int64_t v, Number& r);
void factorial_by_swing(int64_t v, Number& r);
// From this argument on factorial uses the prime swing. bench_numbers
// (fact_swing/ranges, the ranges starting from the tabulated 210!), time of
// the swing / time of the ranges, median of 3: 300 2.68, 400 1.48,
// 450 0.93, 500 0.99, 1000 0.73.
constexpr int64_t kFactorialSwingCut = 450;

}  // namespace tolmex
