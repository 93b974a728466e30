// The interfaces other layers use instead of digits: machine limbs, the
// single-digit tests, the value of the low digits, the extended Euclidean
// algorithm.
#include <gtest/gtest.h>

#include <numeric>

#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "support.h"

using namespace tolmex;
using namespace numtest;

namespace {

// GMP's limbs of |m|, least significant first, zero-filled to w.
std::vector<uint64_t> gmp_limbs(const Mpz& m, int w) {
    std::vector<uint64_t> out(static_cast<size_t>(w), 0);
    size_t count = 0;
    mpz_export(out.data(), &count, -1, sizeof(uint64_t), 0, 0, m.z);
    return out;
}

}  // namespace

TEST(Limbs, RoundTripAgainstGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 11);
    for (int n : sizes()) {
        for (int sign : {-1, 0, 1}) {
            Number x = random_number(rng, n, sign);
            Mpz m(x);
            const int w = limbs_bound(x);
            ASSERT_GE(static_cast<size_t>(w) * 64, mpz_sizeinbase(m.z, 2));
            // Room beyond what is needed is zero-filled.
            std::vector<uint64_t> limbs(static_cast<size_t>(w + 2), ~uint64_t{0});
            const int used = number_to_limbs(x, limbs.data(), w + 2);
            EXPECT_EQ(limbs, gmp_limbs(m, w + 2)) << n << " digits, sign " << sign;
            EXPECT_EQ(used, static_cast<int>(mpz_size(m.z)));
            Number back = number_from_limbs(limbs.data(), w + 2, x.sign() < 0);
            EXPECT_TRUE(well_formed(back));
            EXPECT_TRUE(same(back, m)) << n << " digits, sign " << sign;
        }
    }
}

TEST(Limbs, EdgesOfTheLimbs) {
    // 2^64 - 1, 2^64 and -2^128: limbs full of ones, a carry into a new limb.
    const uint64_t ones[2] = {~uint64_t{0}, 0};
    EXPECT_TRUE(same(number_from_limbs(ones, 1, false), Mpz("18446744073709551615")));
    const uint64_t two64[2] = {0, 1};
    EXPECT_TRUE(same(number_from_limbs(two64, 2, false), Mpz("18446744073709551616")));
    const uint64_t two128[3] = {0, 0, 1};
    Number big = number_from_limbs(two128, 3, true);
    EXPECT_TRUE(same(big, Mpz("-340282366920938463463374607431768211456")));
    uint64_t out[3];
    EXPECT_EQ(number_to_limbs(big, out, 3), 3);
    EXPECT_EQ(out[2], 1u);
    // Zero: no limbs, and back again from none or from zero limbs.
    EXPECT_EQ(number_to_limbs(number_0, out, 3), 0);
    EXPECT_EQ(out[0] | out[1] | out[2], 0u);
    EXPECT_TRUE(same(number_from_limbs(out, 0, false), Mpz("0")));
    EXPECT_TRUE(same(number_from_limbs(out, 3, true), Mpz("0")));
}

TEST(Limbs, SingleDigitTestsAndLowDigits) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 12);
    for (int i = 0; i < 2000; ++i) {
        int64_t v = static_cast<int64_t>(rng() >> (8 + rng() % 56));
        if (i & 1) v = -v;
        Number x = number_from_int64(v);
        EXPECT_EQ(low_digits_value(x), v);
        const bool one_digit = v > -(int64_t{1} << 28) && v < (int64_t{1} << 28);
        EXPECT_EQ(spec_is_longint(x, static_cast<int32_t>(v)), one_digit) << v;
        EXPECT_FALSE(spec_is_longint(x, static_cast<int32_t>(v + 1)));
    }
    // Lintmode does not change what the digits say.
    Number x = number_from_int64(7);
    x.set_lint(3);
    lintmode = 1;
    EXPECT_TRUE(spec_is_longint(x, 7));
    EXPECT_TRUE(is_longint(x, 3));
    EXPECT_EQ(low_digits_value(x), 7);
    lintmode = 0;
    // A number of three digits: only the two lowest count.
    EXPECT_EQ(low_digits_value(number_from_digits(std::vector<int32_t>{5, 0, 9})), 9);
}

TEST(Euclid, InverseAndGcdOfEveryResidue) {
    for (int64_t m : {2, 3, 12, 97, 3001, 65536, 65521}) {
        for (int64_t a = 0; a < m; a += m > 4000 ? 7 : 1) {
            int64_t g = 0;
            const int64_t x = euclid_inverse(a, m, g);
            EXPECT_EQ(g, a == 0 ? m : std::gcd(a, m)) << a << " mod " << m;
            ASSERT_GE(x, 0);
            ASSERT_LT(x, m);
            EXPECT_EQ(a * x % m, g % m) << a << " mod " << m;
        }
    }
    int64_t g = 0;
    EXPECT_EQ(euclid_inverse(1234567, 2147483629, g) * 1234567 % 2147483629, 1);
    EXPECT_EQ(g, 1);
}
