// Products, divisions, the integer operators and the word-sized helpers.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "numbers/decimal.h"
#include "numbers/mul_div.h"
#include "numbers/number.h"
#include "numbers/modular_state.h"
#include "ring_scope.h"
#include "raised.h"
#include "support.h"

using namespace tolmex;
using namespace numtest;

namespace {

struct CutScope {
    int32_t saved = multcut;
    explicit CutScope(int32_t c) { multcut = c; }
    ~CutScope() { multcut = saved; }
};

}  // namespace

// Products against GMP for every pair of sizes and signs, into fresh
// records and records with room (the short paths), and with the
// destination an operand.
TEST(NumberMul, ProductsAgainstGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 10);
    for (int na : sizes())
        for (int nb : sizes()) {
            if (na * static_cast<int64_t>(nb) > 1000000 && na != nb) continue;
            const int reps = na * nb <= 9 ? 10 : 1;
            for (int rep = 0; rep < reps; ++rep)
                for (int sa : {-1, 0, 1})
                    for (int sb : {-1, 0, 1}) {
                        Number a = random_number(rng, na, sa), b = random_number(rng, nb, sb);
                        Number r = rep % 2 ? number_from_digits(std::vector<int32_t>(9, 3)) : Number();
                        Mpz ma(a), mb(b), want;
                        mpz_mul(want.z, ma.z, mb.z);
                        fast_mult(a, b, r);
                        ASSERT_TRUE(same(r, want)) << na << "x" << nb;
                        fast_mult(a, b, a);
                        ASSERT_TRUE(same(a, want));
                    }
        }
}

TEST(NumberMul, KaratsubaAtEveryThresholdAndWithZeroLowParts) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 11);
    // 2^(28*20) + 1: the low half of a split is mostly zero digits.
    std::vector<int32_t> sparse(21, 0);
    sparse[0] = 1;
    sparse[20] = 1;
    Number s = number_from_digits(sparse), r;
    Mpz ms, want;
    to_mpz(s, ms);
    fast_mult(s, s, r);
    mpz_mul(want.z, ms.z, ms.z);
    EXPECT_TRUE(same(r, want));
    for (int32_t cut : {1, 2, 3, 5, 16}) {
        CutScope c(cut);
        for (int n : {2, 3, 4, 7, 17, 33, 64, 65, 200}) {
            for (int m : {n, n - 1, n / 2 + 1, n / 2, n / 3 + 1}) {
                if (m < 1) continue;
                Number a = random_number(rng, n, 1), b = random_number(rng, m, -1);
                Mpz ma(a), mb(b);
                mpz_mul(want.z, ma.z, mb.z);
                fast_mult(a, b, r);
                ASSERT_TRUE(same(r, want)) << "cut " << cut << " " << n << "x" << m;
            }
        }
    }
}

TEST(NumberDiv, SignedDivisionAgainstGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 13);
    for (int na : sizes())
        for (int nb : sizes()) {
            if (nb > na + 2) continue;
            for (int sa : {-1, 0, 1})
                for (int sb : {-1, 1}) {
                    Number a = random_number(rng, na, sa), b = random_number(rng, nb, sb), q, r;
                    Mpz ma(a), mb(b), wq, wr;
                    // Truncating division; the remainder takes the sign of q.
                    mpz_tdiv_qr(wq.z, wr.z, ma.z, mb.z);
                    if (mpz_sgn(mb.z) < 0) mpz_neg(wr.z, wr.z);
                    divide(a, b, q, r);
                    ASSERT_TRUE(same(q, wq)) << na << "/" << nb;
                    ASSERT_TRUE(same(r, wr)) << na << "%" << nb;
                    // Quotient and remainder written over the operands.
                    divide(a, b, a, b);
                    ASSERT_TRUE(same(a, wq));
                    ASSERT_TRUE(same(b, wr));
                }
        }
}

TEST(NumberDiv, HardQuotientDigits) {
    // Dividends just below multiples of the divisor drive the add-back step.
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 14);
    for (int i = 0; i < 300; ++i) {
        const int nb = 2 + static_cast<int>(rng() % 6);
        Number b = random_number(rng, nb, 1), q0 = random_number(rng, 1 + rng() % 5, 1), a, q, r;
        fast_mult(b, q0, a);
        Number one = number_from_int64(1 + static_cast<int64_t>(rng() % 3));
        fastdiff(a, one);
        Mpz ma(a), mb(b), wq, wr;
        mpz_tdiv_qr(wq.z, wr.z, ma.z, mb.z);
        pos_divide(a, b, q, r);
        ASSERT_TRUE(same(q, wq));
        ASSERT_TRUE(same(r, wr));
    }
    // Leading digits equal but the dividend smaller: quotient 0.
    Number a = number_from_digits(std::vector<int32_t>{5, 1}),
           b = number_from_digits(std::vector<int32_t>{5, 2}), q, r;
    pos_divide(a, b, q, r);
    EXPECT_EQ(digits_msf(q), (std::vector<int32_t>{0}));
    EXPECT_EQ(digits_msf(r), (std::vector<int32_t>{5, 1}));
    // Division by 1 and -1, and by 0 (nothing written).
    Number x = number_from_int64(-123456789012345);
    divide(x, number_m1, q, r);
    EXPECT_TRUE(equal(q, number_from_int64(123456789012345)));
    EXPECT_TRUE(equal(r, number_0));
    Number keep = number_from_int64(77);
    divide(x, number_0, keep, keep);
    EXPECT_TRUE(equal(keep, number_from_int64(77)));
}

// "|" gives the remainder of the truncating division, made non-negative when
// pos_mod is on; "\" the truncating quotient either way. Division by 0 is
// error 22; at a nested command level it returns, and the result is 0 in
// both representations.
TEST(NumberDiv, IntegerOperatorsFollowPosMod) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 15);
    for (int i = 0; i < 200; ++i) {
        Number a = random_number(rng, 1 + rng() % 40, rng() % 2 ? 1 : -1);
        Number b = random_number(rng, 1 + rng() % 20, rng() % 2 ? 1 : -1), r;
        Mpz ma(a), mb(b), want;
        mod_or_div(a, b, r, '|', 1);
        mpz_mod(want.z, ma.z, mb.z);  // 0 .. |b| - 1
        ASSERT_TRUE(same(r, want));
        mod_or_div(a, b, r, '|', 0);
        mpz_tdiv_r(want.z, ma.z, mb.z);  // the sign of a
        ASSERT_TRUE(same(r, want));
        mpz_tdiv_q(want.z, ma.z, mb.z);
        for (int posmod : {0, 1}) {
            mod_or_div(a, b, r, '\\', posmod);
            ASSERT_TRUE(same(r, want));
        }
    }
    // Lintmode: machine division of the words.
    lintmode = 1;
    Number a, b, r;
    setvalue(-7, a);
    setvalue(2, b);
    mod_or_div(a, b, r, '|', 1);
    EXPECT_EQ(r.lint(), 1);
    mod_or_div(a, b, r, '\\', 1);
    EXPECT_EQ(r.lint(), -3);
    lintmode = 0;
    EXPECT_EQ(unit::raised_code([&] { mod_or_div(number_10, number_0, r, '|', 1); }),
              kErrDivideByZero);
    unit::NestedLevel nested;
    const Number big = decimal_to_number("-123456789012345678901234567890");
    for (int op : {'|', '\\'}) {
        r = number_from_int64(5);
        mod_or_div(big, number_0, r, op, 1);
        EXPECT_TRUE(well_formed(r));
        EXPECT_TRUE(r.size() == 1 && r.digits()[0] == 0) << static_cast<char>(op);
    }
    unit::RingScope ring(7);
    setvalue(1, a);
    setvalue(0, b);  // 7 read modulo 7
    r = number_from_int64(3);
    mod_or_div(a, b, r, '|', 1);
    EXPECT_EQ(r.lint(), 0);
    EXPECT_EQ(unit::NestedLevel::demoted, 3);
}
