// gcd, square roots, primes, the modular square root and the factorial.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "numbers/decimal.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "numbers/tables.h"
#include "numbers/modular_state.h"
#include "support.h"

using namespace tolmex;
using namespace numtest;

TEST(NumberGcd, AgainstGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 30);
    for (int na : sizes())
        for (int nb : sizes()) {
            if (na > 1000 && nb > 1000) continue;
            for (int sa : {-1, 1})
                for (int sb : {-1, 1}) {
                    // A common factor makes the gcd nontrivial.
                    Number f = random_number(rng, 1 + rng() % 4, 1);
                    Number a = random_number(rng, na, sa), b = random_number(rng, nb, sb);
                    if (rng() % 2) {
                        fast_mult(a, f, a);
                        fast_mult(b, f, b);
                    }
                    Mpz ma, mb, want;
                    to_mpz(a, ma);
                    to_mpz(b, mb);
                    mpz_gcd(want.z, ma.z, mb.z);
                    Number g;
                    binary_gcd(a, b, g);
                    ASSERT_TRUE(same(g, want)) << na << "," << nb;
                    Mpz ma2;
                    to_mpz(a, ma2);
                    ASSERT_EQ(mpz_cmp(ma.z, ma2.z), 0);  // operands unchanged
                }
        }
}

TEST(NumberGcd, NegativeOperandsWordsAndFibonacciNeighbours) {
    Number a = decimal_to_number("-1267650600228229401496703205376");  // -2^100
    Number b = decimal_to_number("-3458764513820540928");              // -3 * 2^60
    Number g;
    binary_gcd(a, b, g);
    EXPECT_EQ(number_to_decimal(g), "1152921504606846976");  // 2^60
    binary_gcd(number_from_int64(268435457), number_from_int64(268435455), g);
    EXPECT_EQ(number_to_decimal(g), "1");
    EXPECT_EQ(smallgcd(12, 18), 6);
    EXPECT_EQ(smallgcd(1 << 30, 3 << 20), 1 << 20);
    EXPECT_EQ(smallgcd(17, 1), 1);
    // Fibonacci neighbours: the longest quotient sequence.
    Mpz f1, f2, want;
    mpz_fib2_ui(f1.z, f2.z, 3000);
    Number x = from_mpz(f1), y = from_mpz(f2);
    binary_gcd(x, y, g);
    EXPECT_EQ(number_to_decimal(g), "1");
}

TEST(NumberSqrt, AgainstGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 31);
    for (int n : sizes()) {
        for (int rep = 0; rep < 3; ++rep) {
            Number x = random_number(rng, n, 1), r;
            Mpz mx, want;
            to_mpz(x, mx);
            mpz_sqrt(want.z, mx.z);
            int_sqrt(x, r);
            ASSERT_TRUE(same(r, want)) << n;
            // Perfect squares and their neighbours.
            Number sq, below;
            fast_mult(r, r, sq);
            int_sqrt(sq, r);
            ASSERT_TRUE(same(r, want));
            diff(sq, number_1, below);
            int_sqrt(below, r);
            Mpz w2;
            mpz_sub_ui(w2.z, want.z, 1);
            ASSERT_TRUE(same(r, w2)) << n;
        }
    }
    Number r;
    int_sqrt(decimal_to_number("72057594037927936"), r);  // 2^56
    EXPECT_EQ(number_to_decimal(r), "268435456");
    int_sqrt(decimal_to_number("72057594037927935"), r);
    EXPECT_EQ(number_to_decimal(r), "268435455");
    int_sqrt(number_from_int64(3), r);
    EXPECT_EQ(number_to_decimal(r), "1");
    Number x = number_from_int64(99);
    int_sqrt(x, x);
    EXPECT_EQ(number_to_decimal(x), "9");
}

TEST(NumberPrimes, TrialDivisionNextPrimeAndRandomRanges) {
    for (int p : {2, 3, 5, 7, 11, 13, 65521, 2147483629, 2147483647}) EXPECT_TRUE(is_prime(p)) << p;
    for (int c : {1, 0, 4, 9, 25, 49, 121, 65535, 2147483646}) EXPECT_FALSE(is_prime(c)) << c;
    EXPECT_EQ(long_is_prime(91), 7);
    EXPECT_EQ(long_is_prime(65537), 1);
    EXPECT_EQ(long_is_prime(25), 5);
    EXPECT_EQ(nextprime(13), 17);
    EXPECT_EQ(nextprime(1), 3);
    EXPECT_EQ(nextprime(0), 2);
    EXPECT_EQ(nextprime(3), 5);
    EXPECT_EQ(nextprime(14), 17);  // even arguments end too
    EXPECT_EQ(nextprime(2147483629), 2147483647);
    EXPECT_EQ(nextprime(2147483647), 0);
    // Against a sieve.
    std::vector<bool> composite(20000, false);
    for (int i = 2; i < 20000; ++i)
        for (int j = 2 * i; j < 20000; j += i) composite[j] = true;
    for (int i = 2; i < 20000; ++i) ASSERT_EQ(is_prime(i), !composite[i]) << i;
    for (int i = 0; i < 100; ++i) {
        EXPECT_LE(rand_integer2(), 16384);
        EXPECT_LT(rand_integer3(), 48871);
    }
}

TEST(NumberPrimes, ModularSquareRoots) {
    const int32_t saved = modulus;
    modulus = 13;
    EXPECT_EQ(modular_sqrt(10), 6);
    EXPECT_EQ(modular_sqrt(5), 0);
    EXPECT_EQ(modular_sqrt(0), 0);
    EXPECT_TRUE(its_a_square(10));
    EXPECT_FALSE(its_a_square(5));
    // Every residue of several primes, with p = 1 mod 8 driving the
    // Tonelli-Shanks loop, and the cache switching between moduli.
    for (int32_t p : {3, 5, 7, 13, 17, 41, 97, 257, 65537, 7340033, 13}) {
        modulus = p;
        const int32_t step = p > 100000 ? 9973 : 1;
        for (int64_t v = 1; v < p; v += step) {
            const int32_t r = modular_sqrt(static_cast<int32_t>(v));
            Mpz mv, mp;
            mpz_set_si(mv.z, v);
            mpz_set_si(mp.z, p);
            const bool square = mpz_legendre(mv.z, mp.z) == 1;
            if (!square) {
                ASSERT_EQ(r, 0) << v << " mod " << p;
                continue;
            }
            ASSERT_EQ(static_cast<int64_t>(r) * r % p, v) << v << " mod " << p;
            ASSERT_LE(r, p - r);
        }
    }
    modulus = saved;
}

TEST(NumberFactorial, AgainstGmp) {
    for (int n : {0, 1, 2, 5, 12, 13, 19, 20, 21, 100, 209, 210, 211, 219, 220, 1000, 4999, 5000}) {
        Number r;
        factorial(number_from_int64(n), r);
        Mpz want;
        mpz_fac_ui(want.z, static_cast<unsigned long>(n));
        ASSERT_TRUE(same(r, want)) << n;
    }
    // With the tables filled as the data files fill them.
    factnum[0] = 1;
    for (int k = 1; k < kFactEntries; ++k) factnum[k] = k <= 12 ? factnum[k - 1] * k : -1;
    for (int k = 0; k < kFactEntries; ++k) {
        Mpz f;
        mpz_fac_ui(f.z, static_cast<unsigned long>(10 * k));
        facts[k] = from_mpz(f);
    }
    for (int n : {0, 7, 12, 13, 57, 210, 211, 3000}) {
        Number r;
        factorial(number_from_int64(n), r);
        Mpz want;
        mpz_fac_ui(want.z, static_cast<unsigned long>(n));
        ASSERT_TRUE(same(r, want)) << n;
    }
    for (auto& f : facts) f.reset();
    for (auto& f : factnum) f = 0;
    // Modular mode: the residue product.
    modularmode = lintmode = 1;
    const int32_t saved = modulus;
    modulus = 1000003;
    Number n, r;
    setvalue(20, n);
    factorial(n, r);
    Mpz want;
    mpz_fac_ui(want.z, 20);
    EXPECT_EQ(r.lint(), static_cast<int32_t>(mpz_fdiv_ui(want.z, 1000003)));
    modulus = saved;
    modularmode = lintmode = 0;
    // A negative argument is error 130.
    bool thrown = false;
    try {
        factorial(number_from_int64(-3), r);
    } catch (RestartTopLevel&) {
        thrown = true;
    }
    EXPECT_TRUE(thrown);
}
