// Representation, assignment, comparison, addition, subtraction and shifts.
#include <gtest/gtest.h>

#include "numbers/mul_div.h"
#include "numbers/number.h"
#include "ring_scope.h"
#include "storage/free_lists.h"
#include "support.h"

using namespace tolmex;
using namespace numtest;

namespace {

Number digits(std::vector<int32_t> msf) { return number_from_digits(msf); }

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

// Sums and differences against GMP for every pair of sizes and signs: into
// a fresh record or one with room (the short paths, one carry chain in
// place), in place, and with the destination an operand.
TEST(NumberCore, AdditionAndSubtractionAgainstGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 1);
    std::vector<int> ns = sizes();
    for (int n = 4; n <= 18; n += 2) ns.push_back(n);
    auto destination = [&] {
        return rng() % 2 ? number_from_digits(std::vector<int32_t>(40, 1)) : Number();
    };
    for (int na : ns)
        for (int nb : ns) {
            if ((na >= 1000 || nb >= 1000) && na != nb && rng() % 3) continue;
            for (int sa = -1; sa <= 1; ++sa)
                for (int sb = -1; sb <= 1; ++sb) {
                    Number a = random_number(rng, na, sa), b = random_number(rng, nb, sb);
                    Mpz ma(a), mb(b), sum, dif;
                    mpz_add(sum.z, ma.z, mb.z);
                    mpz_sub(dif.z, ma.z, mb.z);
                    Number r = destination();
                    summ(a, b, r);
                    ASSERT_TRUE(same(r, sum)) << na << "+" << nb;
                    diff(a, b, r);
                    ASSERT_TRUE(same(r, dif)) << na << "-" << nb;
                    Number c = destination();
                    num_assign(a, c);
                    fastsum(c, b);
                    ASSERT_TRUE(same(c, sum));
                    fastdiff(c, b);
                    fastdiff(c, b);
                    ASSERT_TRUE(same(c, dif));
                    diff(b, a, b);
                    mpz_neg(dif.z, dif.z);
                    ASSERT_TRUE(same(b, dif));
                    summ(a, a, a);
                    mpz_add(sum.z, ma.z, ma.z);
                    ASSERT_TRUE(same(a, sum));
                }
        }
    // Top digits cancelling: (5,7,9) - (5,7,8) = 1.
    Number f = digits({5, 7, 9}), g = digits({5, 7, 8}), r;
    diff(f, g, r);
    EXPECT_EQ(digits_msf(r), (std::vector<int32_t>{1}));
    diff(g, f, r);
    EXPECT_EQ(digits_msf(r), (std::vector<int32_t>{-1}));
}

TEST(NumberCore, SignsAndUnits) {
    Number a = digits({1, 0}), na, mone = digits({-1}), absv;
    makeneg(a, na);
    EXPECT_EQ(digits_msf(na), (std::vector<int32_t>{-1, 0}));
    in_place_neg(na);
    EXPECT_TRUE(equal(na, a));
    int m = -1;
    EXPECT_TRUE(equal_to_pm1(mone, m));
    EXPECT_EQ(m, 1);
    EXPECT_FALSE(equal_to_pm1(a, m));
    EXPECT_TRUE(is_longint(digits({268435455}), 268435455));
    abs_val_num(mone, absv);
    EXPECT_EQ(digits_msf(absv), (std::vector<int32_t>{1}));
}

TEST(NumberCore, LintmodeUsesTheWordWithItsModularMeaning) {
    Number a, b, r;
    {
        unit::RingScope s(13);
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
        unit::RingScope s(256);
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
            Mpz ma(a), want;
            shift_left(a, k);
            mpz_mul_2exp(want.z, ma.z, k);
            ASSERT_TRUE(same(a, want)) << n << " << " << k;
            shift_right(a, k + 3);
            mpz_fdiv_q_2exp(want.z, want.z, k + 3);
            ASSERT_TRUE(same(a, want)) << n << " >> " << k + 3;
        }
    }
    Number z = digits({0});
    shift_left(z, 100);
    EXPECT_EQ(digits_msf(z), (std::vector<int32_t>{0}));
}

TEST(NumberCore, BitLengths) {
    EXPECT_EQ(logg2lint(1), 0);
    EXPECT_EQ(logg2lint(-1024), 10);
    EXPECT_EQ(logg2lint(-2147483647 - 1), 31);
    unit::RingScope s(1000);
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
