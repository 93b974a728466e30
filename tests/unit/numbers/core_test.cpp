// Representation, assignment, comparison, addition, subtraction and shifts.
#include <gtest/gtest.h>

#include "numbers/mul_div.h"
#include "numbers/number.h"
#include "numbers/modular_state.h"
#include "storage/free_lists.h"
#include "support.h"

using namespace tolmex;
using namespace numtest;

namespace {

Number digits(std::vector<int32_t> msf) { return number_from_digits(msf); }

// Runs the body with modular mode switched on for the given modulus.
struct ModularScope {
    int saved[4] = {modularmode, lintmode, modulus, finf};
    explicit ModularScope(int32_t m, int field = 0) {
        modularmode = 1;
        lintmode = 1;
        modulus = m;
        finf = field;
    }
    ~ModularScope() {
        modularmode = saved[0];
        lintmode = saved[1];
        modulus = saved[2];
        finf = saved[3];
    }
};

}  // namespace

TEST(NumberCore, SetvalueOfTheWordExtremes) {
    Number x;
    setvalue(-2147483647 - 1, x);
    EXPECT_EQ(digits_msf(x), (std::vector<int32_t>{-8, 0}));
    setvalue(2147483647, x);
    EXPECT_EQ(digits_msf(x), (std::vector<int32_t>{7, 268435455}));
    setvalue(268435455, x);
    EXPECT_EQ(digits_msf(x), (std::vector<int32_t>{268435455}));
    setvalue(-268435456, x);
    EXPECT_EQ(digits_msf(x), (std::vector<int32_t>{-1, 0}));
    // In lintmode the word is the value: the digits, which no longer stand
    // for it, are dropped.
    lintmode = 1;
    setvalue(5, x);
    lintmode = 0;
    EXPECT_EQ(x.lint(), 5);
    EXPECT_TRUE(has_no_digits(x));
}

TEST(NumberCore, Int64RoundTripAndSentinel) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed());
    for (int i = 0; i < 2000; ++i) {
        int64_t v = static_cast<int64_t>(rng());
        if (i % 3 == 0) v >>= rng() % 63;
        if (i == 0) v = INT64_MIN;
        if (i == 1) v = INT64_MAX;
        Number x = number_from_int64(v);
        ASSERT_TRUE(well_formed(x));
        int64_t back = 0;
        ASSERT_TRUE(to_int64(x, back));
        EXPECT_EQ(back, v);
        const int32_t c = convert_to_int(x, -7);
        if (v >= INT32_MIN && v <= INT32_MAX) {
            EXPECT_EQ(c, v);
        } else {
            EXPECT_EQ(c, -7);
        }
    }
    Number big = digits({128, 0, 0});  // 2^63
    int64_t v;
    EXPECT_FALSE(to_int64(big, v));
}

TEST(NumberCore, DigitBoundaryCarriesAndBorrows) {
    Number a = digits({268435455}), one = digits({1});
    fastsum(a, one);
    EXPECT_EQ(digits_msf(a), (std::vector<int32_t>{1, 0}));
    Number b = digits({-268435455}), mone = digits({-1});
    fastsum(b, mone);
    EXPECT_EQ(digits_msf(b), (std::vector<int32_t>{-1, 0}));
    Number c = digits({1, 0, 0});
    fastdiff(c, one);
    EXPECT_EQ(digits_msf(c), (std::vector<int32_t>{268435455, 268435455}));
    Number d = digits({5, 7, 9}), e = digits({-5, -7, -9});
    fastsum(d, e);
    EXPECT_EQ(digits_msf(d), (std::vector<int32_t>{0}));
    // Cancelling the top digits: (5,7,9) - (5,7,8) = 1.
    Number f = digits({5, 7, 9}), g = digits({5, 7, 8}), r;
    diff(f, g, r);
    EXPECT_EQ(digits_msf(r), (std::vector<int32_t>{1}));
    diff(g, f, r);
    EXPECT_EQ(digits_msf(r), (std::vector<int32_t>{-1}));
}

TEST(NumberCore, AdditionAndSubtractionAgainstGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 1);
    for (int na : sizes())
        for (int nb : sizes()) {
            if ((na >= 1000 || nb >= 1000) && na != nb && rng() % 3) continue;
            for (int sa = -1; sa <= 1; ++sa)
                for (int sb = -1; sb <= 1; ++sb) {
                    Number a = random_number(rng, na, sa), b = random_number(rng, nb, sb);
                    Mpz ma, mb, want;
                    to_mpz(a, ma);
                    to_mpz(b, mb);
                    Number r;
                    summ(a, b, r);
                    mpz_add(want.z, ma.z, mb.z);
                    ASSERT_TRUE(same(r, want)) << na << "+" << nb;
                    diff(a, b, r);
                    mpz_sub(want.z, ma.z, mb.z);
                    ASSERT_TRUE(same(r, want)) << na << "-" << nb;
                    // In place, and with the destination an operand.
                    Number c;
                    num_assign(a, c);
                    fastsum(c, b);
                    mpz_add(want.z, ma.z, mb.z);
                    ASSERT_TRUE(same(c, want));
                    fastdiff(c, b);
                    ASSERT_TRUE(same(c, ma));
                    diff(b, a, b);
                    mpz_sub(want.z, mb.z, ma.z);
                    ASSERT_TRUE(same(b, want));
                    summ(a, a, a);
                    mpz_add(want.z, ma.z, ma.z);
                    ASSERT_TRUE(same(a, want));
                }
        }
}

TEST(NumberCore, ComparisonsAndNegation) {
    Number a = digits({1, 0}), b = digits({268435455}), na;
    makeneg(a, na);
    int m = -1;
    Number mone = digits({-1});
    EXPECT_TRUE(equal_to_pm1(mone, m));
    EXPECT_EQ(m, 1);
    EXPECT_FALSE(equal_to_pm1(a, m));
    EXPECT_TRUE(is_longint(b, 268435455));
    in_place_neg(na);
    EXPECT_TRUE(equal(na, a));
    Number absv;
    abs_val_num(mone, absv);
    EXPECT_EQ(digits_msf(absv), (std::vector<int32_t>{1}));
}

TEST(NumberCore, LintmodeUsesTheWordWithItsModularMeaning) {
    Number a, b, r;
    {
        ModularScope s(13);
        setvalue(5, a);
        setvalue(8, b);
        makeneg(a, r);
        EXPECT_EQ(r.lint(), 8);
        summ(a, b, r);
        EXPECT_EQ(r.lint(), 0);
        diff(a, b, r);
        EXPECT_EQ(r.lint(), 10);
        fast_mult(a, b, r);
        EXPECT_EQ(r.lint(), 1);
        int m = 0;
        setvalue(12, a);
        EXPECT_TRUE(equal_to_pm1(a, m));
        EXPECT_EQ(m, 1);
    }
    {
        ModularScope s(256, 1);
        setvalue(7, a);
        makeneg(a, r);
        EXPECT_EQ(r.lint(), 7);
    }
}

TEST(NumberCore, ShiftsAgainstGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 3);
    for (int n : sizes()) {
        for (int k : {1, 2, 3, 27, 28, 29, 55, 56, 57, 1000}) {
            Number a = random_number(rng, n, 1);
            Mpz ma, want;
            to_mpz(a, ma);
            shift_left(a, k);
            mpz_mul_2exp(want.z, ma.z, k);
            ASSERT_TRUE(same(a, want)) << n << " << " << k;
            shift_right(a, k + 3);
            mpz_fdiv_q_2exp(want.z, want.z, k + 3);
            ASSERT_TRUE(same(a, want)) << n << " >> " << k + 3;
        }
    }
    Number x = digits({3, 5});
    shift_left(x, 28);
    EXPECT_EQ(digits_msf(x), (std::vector<int32_t>{3, 5, 0}));
    shift_right(x, 28);
    EXPECT_EQ(digits_msf(x), (std::vector<int32_t>{3, 5}));
    Number z = digits({0});
    shift_left(z, 100);
    EXPECT_EQ(digits_msf(z), (std::vector<int32_t>{0}));
}

TEST(NumberCore, BitLengths) {
    EXPECT_EQ(logg2lint(1), 0);
    EXPECT_EQ(logg2lint(-1024), 10);
    EXPECT_EQ(logg2lint(-2147483647 - 1), 31);
    ModularScope s(1000);
    EXPECT_EQ(logg2lint(999), 0);  // the symmetric residue -1
}

TEST(NumberCore, DigitSlotsAreCountedAndReused) {
    int64_t during;
    {
        Number a = number_from_digits(std::vector<int32_t>(100, 5));
        Number b = number_from_digits(std::vector<int32_t>(3, 7));
        during = numhead.count();
    }
    // The two arrays (128 and 4 slots) are parked on the lists.
    EXPECT_EQ(numhead.count(), during + 132);
    Number c = number_from_digits(std::vector<int32_t>(120, 1));
    EXPECT_EQ(numhead.count(), during + 4);
}

TEST(NumberCore, ShortSumsIntoRoomyDestinations) {
    // Destinations with room take the short paths (one carry chain in place).
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 4);
    for (int na = 1; na <= 18; ++na)
        for (int nb = 1; nb <= 18; nb += 3)
            for (int sa : {-1, 0, 1})
                for (int sb : {-1, 0, 1}) {
                    Number a = random_number(rng, na, sa), b = random_number(rng, nb, sb);
                    Mpz ma, mb, want;
                    to_mpz(a, ma);
                    to_mpz(b, mb);
                    Number r = number_from_digits(std::vector<int32_t>(40, 1));
                    summ(a, b, r);
                    mpz_add(want.z, ma.z, mb.z);
                    ASSERT_TRUE(same(r, want)) << na << "+" << nb;
                    diff(a, b, r);
                    mpz_sub(want.z, ma.z, mb.z);
                    ASSERT_TRUE(same(r, want)) << na << "-" << nb;
                    Number c = number_from_digits(std::vector<int32_t>(40, 1));
                    num_assign(a, c);
                    fastsum(c, b);
                    mpz_add(want.z, ma.z, mb.z);
                    ASSERT_TRUE(same(c, want));
                    fastdiff(c, b);
                    fastdiff(c, b);
                    mpz_sub(want.z, ma.z, mb.z);
                    ASSERT_TRUE(same(c, want));
                }
}
