// gcd, square roots, primes and the factorial.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "numbers/decimal.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "numbers/tables.h"
#include "numbers/modular_state.h"
#include "raised.h"
#include "ring_scope.h"
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
                    Mpz ma(a), mb(b), want;
                    mpz_gcd(want.z, ma.z, mb.z);
                    Number g;
                    binary_gcd(a, b, g);
                    ASSERT_TRUE(same(g, want)) << na << "," << nb;
                    ASSERT_TRUE(same(a, ma));  // operands unchanged
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
            Mpz mx(x), want;
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
    // Against a sieve.
    std::vector<bool> composite(20000, false);
    for (int i = 2; i < 20000; ++i)
        for (int j = 2 * i; j < 20000; j += i) composite[j] = true;
    for (int i = 2; i < 20000; ++i) ASSERT_EQ(is_prime(i), !composite[i]) << i;
    std::vector<uint32_t> odd;
    for (int i = 3; i < 20000; ++i)
        if (!composite[i]) odd.push_back(static_cast<uint32_t>(i));
    EXPECT_EQ(odd_primes_up_to(19999), odd);
    EXPECT_TRUE(odd_primes_up_to(2).empty());
    EXPECT_EQ(odd_primes_up_to(9), (std::vector<uint32_t>{3, 5, 7}));
    for (int i = 0; i < 100; ++i) EXPECT_LE(rand_integer2(), 16384);
}

TEST(NumberFactorial, AgainstGmp) {
    auto check = [](std::initializer_list<int> ns) {
        for (int n : ns) {
            Number r;
            factorial(number_from_int64(n), r);
            Mpz want;
            mpz_fac_ui(want.z, static_cast<unsigned long>(n));
            ASSERT_TRUE(same(r, want)) << n;
        }
    };
    check({0, 1, 2, 5, 12, 13, 19, 20, 21, 100, 209, 210, 211, 219, 220, 1000, 4999, 5000});
    // With the tables filled as the data files fill them.
    factnum[0] = 1;
    for (int k = 1; k < kFactEntries; ++k) factnum[k] = k <= 12 ? factnum[k - 1] * k : -1;
    for (int k = 0; k < kFactEntries; ++k) {
        Mpz f;
        mpz_fac_ui(f.z, static_cast<unsigned long>(10 * k));
        facts[k] = from_mpz(f);
    }
    check({0, 7, 12, 13, 57, 210, 211, 3000});
    for (auto& f : facts) f.reset();
    for (auto& f : factnum) f = 0;
    Number n, r;
    {
        unit::RingScope ring(1000003);  // the residue product
        setvalue(20, n);
        factorial(n, r);
        Mpz want;
        mpz_fac_ui(want.z, 20);
        EXPECT_EQ(r.lint(), static_cast<int32_t>(mpz_fdiv_ui(want.z, 1000003)));
    }
    EXPECT_EQ(unit::raised_code([&] { factorial(number_from_int64(-3), r); }), 130);
}

// Both methods against GMP: the edges of the odd-part base case (20, 21),
// primes and their squares, powers of two and their neighbours, the
// cut-off, and seeded random arguments.
TEST(NumberFactorial, MethodsAgree) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 31);
    std::vector<int64_t> ns = {0, 1, 2, 3, 12, 13, 20, 21, 22, 41, 42, 43, 127, 128, 129, 209, 210,
                               211, 289, 961, 1021, 1024, 4093, 4096, 4097, 16384};
    for (int64_t d = -2; d <= 2; ++d) ns.push_back(kFactorialSwingCut + d);
    for (int i = 0; i < 12; ++i) ns.push_back(static_cast<int64_t>(rng() % 4000));
    for (int64_t n : ns) {
        Mpz want;
        mpz_fac_ui(want.z, static_cast<unsigned long>(n));
        Number r;
        factorial_by_swing(n, r);
        ASSERT_TRUE(same(r, want)) << "swing " << n;
        if (n > 4100) continue;  // the ranges' product is the slow one
        factorial_by_ranges(n, r);
        ASSERT_TRUE(same(r, want)) << "ranges " << n;
    }
}
