// Multi-modular convolutions against the schoolbook convolution in GMP:
// every count of primes up to all of them (entries of growing size, the
// largest that fit), squares, entries of the largest magnitude with every
// sign pattern (coefficients at the bound, both signs) and sums that
// cancel to 0.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "numbers/modconv.h"
#include "support.h"

using namespace tolmex;
using namespace numtest;

namespace {

struct Seq {
    std::vector<int64_t> at;
    std::vector<Number> v;
    IntSequence s;
    void add(int64_t i, Number x) {
        s.add(i, x);
        at.push_back(i);
        v.push_back(std::move(x));
    }
};

// +-(2^bits - 1) or a random magnitude of at most `bits` bits.
Number entry(std::mt19937_64& rng, int bits, int sign, bool extreme) {
    Mpz m;
    if (extreme) {
        mpz_ui_pow_ui(m.z, 2, static_cast<unsigned long>(bits));
        mpz_sub_ui(m.z, m.z, 1);
    } else {
        for (int b = 0; b < bits; b += 32) {
            mpz_mul_2exp(m.z, m.z, 32);
            mpz_add_ui(m.z, m.z, static_cast<unsigned long>(rng() & 0xFFFFFFFFu));
        }
        mpz_fdiv_r_2exp(m.z, m.z, static_cast<unsigned long>(bits));
        if (mpz_sgn(m.z) == 0) mpz_set_ui(m.z, 1);
    }
    if (sign < 0) mpz_neg(m.z, m.z);
    return from_mpz(m);
}

// Checks the convolution of a and b (b may be a) against GMP.
void check(const Seq& a, const Seq& b, const char* what) {
    const bool square = &a == &b;
    const int64_t len = a.s.length() + b.s.length() - 1;
    ASSERT_TRUE(modconv_fits(len, modconv_bound_bits(a.s, b.s))) << what;
    std::vector<Number> c = modconv_product(a.s, square ? a.s : b.s, nullptr);
    ASSERT_EQ(static_cast<int64_t>(c.size()), len);
    std::vector<Mpz> want(static_cast<size_t>(len));
    for (size_t i = 0; i < a.at.size(); ++i)
        for (size_t j = 0; j < b.at.size(); ++j) {
            Mpz x(a.v[i]), y(b.v[j]);
            mpz_addmul(want[static_cast<size_t>(a.at[i] + b.at[j])].z, x.z, y.z);
        }
    for (int64_t k = 0; k < len; ++k) {
        const Mpz& w = want[static_cast<size_t>(k)];
        if (mpz_sgn(w.z) == 0)
            EXPECT_FALSE(c[static_cast<size_t>(k)]) << what << " entry " << k;
        else
            EXPECT_TRUE(c[static_cast<size_t>(k)] && same(c[static_cast<size_t>(k)], w))
                << what << " entry " << k;
    }
}

}  // namespace

TEST(ModConv, MatchesTheSchoolbookConvolution) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 40);
    // Entry sizes from one prime's worth of product to all 56 primes (815
    // bits: the bound needs the last of them).
    for (int bits : {1, 13, 29, 60, 200, 401, 600, 815}) {
        for (int pattern = 0; pattern < 4; ++pattern) {
            // Random signs and sizes; all + at the largest magnitude; all
            // - against all +; alternating signs at the largest magnitude.
            Seq a, b;
            const int64_t na = 1 + static_cast<int64_t>(rng() % 40), nb = 1 + static_cast<int64_t>(rng() % 40);
            for (int64_t i = 0; i < na; ++i) {
                if (pattern == 0 && rng() % 3 == 0) continue;
                const int sign = pattern == 0 ? (rng() % 2 ? 1 : -1) : pattern == 3 ? (i % 2 ? 1 : -1) : 1;
                a.add(i, entry(rng, bits, sign, pattern > 0));
            }
            for (int64_t j = 0; j < nb; ++j) {
                const int sign = pattern == 0 ? (rng() % 2 ? 1 : -1) : pattern == 2 ? -1 : pattern == 3 ? (j % 2 ? -1 : 1) : 1;
                b.add(j, entry(rng, bits, sign, pattern > 0));
            }
            if (a.at.empty()) a.add(0, entry(rng, bits, 1, false));
            SCOPED_TRACE("bits " + std::to_string(bits) + " pattern " + std::to_string(pattern));
            check(a, b, "product");
            check(a, a, "square");
        }
    }
}

TEST(ModConv, CancellationsAndLimits) {
    // (1 + t)(1 - t) = 1 - t^2: a zero entry between nonzero ones.
    Seq a, b;
    a.add(0, number_from_int64(1));
    a.add(1, number_from_int64(1));
    b.add(0, number_from_int64(1));
    b.add(1, number_from_int64(-1));
    check(a, b, "cancelling");
    // One entry alone, at a far position.
    Seq s;
    s.add(1000, number_from_int64(-7));
    check(s, s, "single");
    // The primes hold about 1650 bits: beyond them, or beyond the longest
    // transform, the convolution is refused.
    EXPECT_TRUE(modconv_fits(int64_t{1} << kModConvMaxLog, 1600));
    EXPECT_FALSE(modconv_fits(int64_t{1} << kModConvMaxLog, 1700));
    EXPECT_FALSE(modconv_fits((int64_t{1} << kModConvMaxLog) + 1, 100));
}
