// Number theory for the built-ins against GMP: binomials, Jacobi symbols,
// modular powers and inverses, the extended gcd and valuations on operands
// of every size class; square roots, primitive roots and discrete
// logarithms modulo word-size primes against their defining properties.
#include <gtest/gtest.h>

#include "numbers/decimal.h"
#include "numbers/number_theory.h"
#include "support.h"

using namespace tolmex;
using namespace numtest;

TEST(NumberTheory, BinomialsAgainstGmp) {
    for (int64_t n : {0, 1, 5, 30, 100, 157}) {
        for (int64_t k : {int64_t{0}, int64_t{1}, n / 3, n / 2, n, n + 1}) {
            Number r;
            binomial(number_from_int64(n), k, r);
            Mpz want;
            mpz_bin_uiui(want.z, static_cast<unsigned long>(n), static_cast<unsigned long>(k));
            EXPECT_TRUE(same(r, want)) << n << " choose " << k;
        }
    }
    // Negative tops: C(-n, k) = (-1)^k C(n + k - 1, k).
    Number r;
    binomial(number_from_int64(-4), 3, r);
    EXPECT_EQ(number_to_decimal(r), "-20");
    // A top beyond a machine word.
    binomial(decimal_to_number("100000000000000000000"), 2, r);
    EXPECT_EQ(number_to_decimal(r), "4999999999999999999950000000000000000000");
}

TEST(NumberTheory, ModularArithmeticAgainstGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 90);
    for (int na : {1, 2, 5, 40})
        for (int nn : {1, 2, 7}) {
            Number a = random_number(rng, na, rng() % 2 ? 1 : -1), n = random_number(rng, nn, 1);
            Number e = random_number(rng, 2, 1), r, odd_n;
            Mpz ma(a), mn(n), me(e), want;
            mod_pow(a, e, n, r);
            mpz_powm(want.z, ma.z, me.z, mn.z);
            EXPECT_TRUE(same(r, want)) << "powm";
            const bool invertible = mpz_invert(want.z, ma.z, mn.z) != 0;
            EXPECT_EQ(mod_inverse(a, n, r), invertible);
            if (invertible) EXPECT_TRUE(same(r, want)) << "invert";
            mpz_setbit(mn.z, 0);  // an odd modulus for the Jacobi symbol
            odd_n = from_mpz(mn);
            EXPECT_EQ(jacobi(a, odd_n), mpz_jacobi(ma.z, mn.z));
            Number g, s, t;
            extended_gcd(a, odd_n, g, s, t);
            mpz_gcd(want.z, ma.z, mn.z);
            EXPECT_TRUE(same(g, want)) << "gcd";
            Mpz ms(s), mt(t), check;
            mpz_mul(check.z, ms.z, ma.z);
            mpz_addmul(check.z, mt.z, mn.z);
            EXPECT_EQ(mpz_cmp(check.z, want.z), 0) << "cofactors";
        }
}

TEST(NumberTheory, ValuationsAndPrimes) {
    Number n = decimal_to_number("-1267650600228229401496703205376");  // -2^100
    EXPECT_EQ(valuation(n, number_from_int64(2)), 100);
    EXPECT_EQ(valuation(n, number_from_int64(-4)), 50);
    EXPECT_EQ(valuation(number_from_int64(45), number_from_int64(3)), 2);
    EXPECT_EQ(valuation(number_from_int64(45), number_from_int64(7)), 0);
    EXPECT_EQ(next_prime_after(-5), 2);
    EXPECT_EQ(next_prime_after(1), 2);
    EXPECT_EQ(next_prime_after(2), 3);
    EXPECT_EQ(next_prime_after(2147483647), 2147483659);
    EXPECT_TRUE(is_prime64(2147483647));
    EXPECT_FALSE(is_prime64(2147483649));
}

TEST(NumberTheory, RootsAndLogarithmsModuloPrimes) {
    for (int64_t p : {3, 7, 17, 65537, 1000003, 2147483629}) {
        const int64_t g = primitive_root(p);
        for (int64_t a : {int64_t{1}, int64_t{2}, p / 3 + 1, p - 1}) {
            const int64_t r = prime_sqrt(a, p);
            if (r >= 0) {
                EXPECT_EQ(static_cast<__int128>(r) * r % p, a % p) << a << " mod " << p;
                EXPECT_LE(r, p - r);
            }
            const int64_t e = discrete_log(a, g, p);
            ASSERT_GE(e, 0);
            __int128 x = 1;
            for (int64_t k = e, b = g; k > 0; k >>= 1, b = static_cast<int64_t>(static_cast<__int128>(b) * b % p))
                if (k & 1) x = x * b % p;
            EXPECT_EQ(static_cast<int64_t>(x), a % p) << "log of " << a << " mod " << p;
        }
    }
    EXPECT_EQ(prime_sqrt(3, 7), -1);
    EXPECT_EQ(primitive_root(7), 3);
    EXPECT_EQ(primitive_root(17), 3);
}
