// Every product method forced in turn on the same operands, in both digit
// bases, against GMP: sizes on both sides of every cut-off, balanced and
// long-by-short, digits all maximal or in runs of zeros.
#include <gmp.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "numbers/kernels.h"
#include "numbers/mul_div.h"
#include "support.h"

using namespace tolmex;
using namespace numtest;
using kern::Method;

namespace {

constexpr Method kMethods[] = {Method::kSchoolbook, Method::kKaratsuba, Method::kToom3,
                               Method::kNtt, Method::kAuto};

const char* name_of(Method m) {
    switch (m) {
        case Method::kSchoolbook: return "schoolbook";
        case Method::kKaratsuba: return "Karatsuba";
        case Method::kToom3: return "Toom-3";
        case Method::kNtt: return "transform";
        default: return "automatic";
    }
}

// Digits below `base`: random, all maximal, or runs of zeros and maxima.
std::vector<Digit> operand(std::mt19937_64& rng, int64_t n, uint32_t base, int kind) {
    std::vector<Digit> d(static_cast<size_t>(n));
    for (auto& x : d) {
        const uint32_t r = static_cast<uint32_t>(rng() % base);
        x = static_cast<Digit>(kind == 1   ? base - 1
                               : kind == 2 ? (rng() % 4 == 0 ? r : rng() % 2 ? 0 : base - 1)
                                           : r);
    }
    d.back() = static_cast<Digit>(1 + rng() % (base - 1));
    return d;
}

// The value of digits in base 2^28 or 10^8, by halves (fast in GMP).
void value(const Digit* d, int64_t n, uint32_t base, mpz_t out) {
    if (base == kern::Base28::kB) {
        mpz_import(out, static_cast<size_t>(n), -1, 4, 0, 4, d);
        return;
    }
    if (n <= 32) {
        mpz_set_ui(out, 0);
        for (int64_t i = n - 1; i >= 0; --i) {
            mpz_mul_ui(out, out, base);
            mpz_add_ui(out, out, static_cast<uint32_t>(d[i]));
        }
        return;
    }
    const int64_t h = n / 2;
    mpz_t hi, scale;
    mpz_inits(hi, scale, nullptr);
    value(d + h, n - h, base, hi);
    value(d, h, base, out);
    mpz_ui_pow_ui(scale, base, static_cast<unsigned long>(h));
    mpz_addmul(out, hi, scale);
    mpz_clears(hi, scale, nullptr);
}

// a * b by `method` in base B, checked against mpz_mul; the result buffer
// and the scratch are guarded by canary digits.
template <class B>
::testing::AssertionResult product_matches(const std::vector<Digit>& a,
                                           const std::vector<Digit>& b, Method method,
                                           bool square = false) {
    constexpr Digit kCanary = 0x5A5A5A5;
    const int64_t na = static_cast<int64_t>(a.size()), nb = static_cast<int64_t>(b.size());
    kern::ntt_prepare(na + nb);
    const int64_t ws = std::max(kern::mul_scratch(na, nb, 1), kern::ntt_scratch(std::max(na, nb), std::min(na, nb)));
    std::vector<Digit> r(static_cast<size_t>(na + nb + 2), kCanary), w(static_cast<size_t>(ws + 2), kCanary);
    const Digit* bp = square ? a.data() : b.data();
    kern::mul_mag<B>(r.data() + 1, a.data(), na, bp, nb, w.data() + 1, multcut, nullptr, method);
    if (r.front() != kCanary || r.back() != kCanary || w.front() != kCanary || w.back() != kCanary)
        return ::testing::AssertionFailure() << name_of(method) << " wrote outside its buffers";
    mpz_t x, y, want, got;
    mpz_inits(x, y, want, got, nullptr);
    value(a.data(), na, B::kB, x);
    value(bp, nb, B::kB, y);
    mpz_mul(want, x, y);
    value(r.data() + 1, na + nb, B::kB, got);
    bool digits_ok = true;
    for (int64_t i = 1; i <= na + nb; ++i) digits_ok &= r[static_cast<size_t>(i)] >= 0 && static_cast<uint32_t>(r[static_cast<size_t>(i)]) < B::kB;
    const bool ok = mpz_cmp(want, got) == 0 && digits_ok;
    mpz_clears(x, y, want, got, nullptr);
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << name_of(method) << " " << na << " x " << nb << " wrong";
}

// Sizes around every cut-off of base B.
template <class B>
std::vector<int64_t> straddling() {
    const int64_t k = multcut, t = kern::toom_cut<B>(), n = kern::ntt_cut<B>();
    return {1, 2, 3, k - 1, k, k + 1, t - 1, t, t + 1, n - 1, n, n + 1, 3 * n + 7};
}

template <class B>
void every_method_balanced_and_long_by_short(uint64_t salt) {
    std::mt19937_64 rng(seed() + salt);
    for (int64_t n : straddling<B>()) {
        for (int64_t m : {n, n - n / 3, n / 5 + 1, int64_t{3}}) {
            if (m < 1) continue;
            const int kind = static_cast<int>(rng() % 3);
            auto a = operand(rng, n, B::kB, kind), b = operand(rng, m, B::kB, kind);
            for (Method method : kMethods) {
                ASSERT_TRUE(product_matches<B>(a, b, method)) << "kind " << kind;
                if (m == n) {
                    ASSERT_TRUE(product_matches<B>(a, a, method, true));
                }
            }
        }
    }
}

}  // namespace

TEST(Products, EveryMethodBase28) {
    NUMTEST_SEED_TRACE();
    every_method_balanced_and_long_by_short<kern::Base28>(70);
}

TEST(Products, EveryMethodBase1e8) {
    NUMTEST_SEED_TRACE();
    every_method_balanced_and_long_by_short<kern::Base1e8>(71);
}

// Every pair of short lengths (the column kernels, general and unrolled
// for equal limb counts), digits random, maximal or in runs of zeros.
TEST(Products, ShortOperandsEveryLength) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 75);
    for (int64_t n = 1; n <= 16; ++n)
        for (int64_t m = 1; m <= n; ++m) {
            const int kind = static_cast<int>((n + m) % 3);
            auto a = operand(rng, n, kern::Base28::kB, kind), b = operand(rng, m, kern::Base28::kB, kind);
            ASSERT_TRUE(product_matches<kern::Base28>(a, b, Method::kSchoolbook)) << "kind " << kind;
            if (m == n) {
                ASSERT_TRUE(product_matches<kern::Base28>(a, a, Method::kSchoolbook, true));
            }
        }
}

// Squares by every method on the sizes where the basecase squares (and
// where it stops), with all digits maximal (the largest column sums) and
// random, against GMP and against the general product of a copy.
TEST(Products, SquaresAgainstGeneralProducts) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 74);
    for (int64_t n : {63, 64, 67, 128, 130, 255, 256, 700}) {
        for (int kind = 0; kind < 2; ++kind) {
            auto a = operand(rng, n, kern::Base28::kB, kind);
            const auto copy = a;
            for (Method method : kMethods) {
                ASSERT_TRUE(product_matches<kern::Base28>(a, a, method, true)) << "kind " << kind;
                ASSERT_TRUE(product_matches<kern::Base28>(a, copy, method)) << "kind " << kind;
            }
            auto d = operand(rng, n, kern::Base1e8::kB, kind);
            ASSERT_TRUE(product_matches<kern::Base1e8>(d, d, Method::kSchoolbook, true));
        }
    }
}

// Operands of a million decimal digits (and more) by the fast methods, and
// a long operand by a short one, which the transform takes in pieces.
TEST(Products, HugeAndVeryUnbalanced) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 72);
    const int64_t million = 118700;  // base-2^28 digits of 10^6 decimal digits
    for (int kind = 0; kind < 2; ++kind) {
        auto a = operand(rng, million, kern::Base28::kB, kind);
        auto b = operand(rng, million - 1000, kern::Base28::kB, kind);
        for (Method m : {Method::kNtt, Method::kToom3, Method::kAuto})
            ASSERT_TRUE(product_matches<kern::Base28>(a, b, m)) << "kind " << kind;
        auto s = operand(rng, 3000, kern::Base28::kB, kind);
        for (Method m : {Method::kNtt, Method::kAuto})
            ASSERT_TRUE(product_matches<kern::Base28>(a, s, m)) << "kind " << kind;
        auto d = operand(rng, 125000, kern::Base1e8::kB, kind);
        auto e = operand(rng, 2500, kern::Base1e8::kB, kind);
        ASSERT_TRUE(product_matches<kern::Base1e8>(d, d, Method::kAuto, true));
        ASSERT_TRUE(product_matches<kern::Base1e8>(d, e, Method::kNtt));
    }
}

// The largest coefficients the transform meets: all digits maximal in the
// largest single transform, and a longer operand beyond it in pieces.
TEST(Products, TransformAtItsBound) {
    const int64_t half = kern::kNttMaxDigits / 2;
    std::vector<Digit> a(static_cast<size_t>(half), kBase - 1);
    ASSERT_TRUE(product_matches<kern::Base28>(a, a, Method::kNtt, true));
    std::vector<Digit> c(static_cast<size_t>(half + 5000), kBase - 1), b(static_cast<size_t>(half - 7), kBase - 1);
    ASSERT_TRUE(product_matches<kern::Base28>(c, b, Method::kAuto));
    // Base 10^8 digits are smaller: a shorter run suffices.
    std::vector<Digit> t(static_cast<size_t>(half / 16), kTensBase - 1);
    ASSERT_TRUE(product_matches<kern::Base1e8>(t, t, Method::kNtt, true));
}

// The signed product through fast_mult, the destination an operand or not.
TEST(Products, SignedOperandsThroughFastMult) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 73);
    for (int n : {40, 150, 2000, 9000}) {
        for (int m : {n, n / 2 + 3, 5}) {
            for (int sa : {1, -1}) {
                Number a = random_number(rng, n, sa), b = random_number(rng, m, -sa);
                Mpz want, za(a), zb(b);
                mpz_mul(want.z, za.z, zb.z);
                Number r;
                fast_mult(a, b, r);
                ASSERT_TRUE(same(r, want)) << n << " x " << m;
                fast_mult(a, b, a);
                ASSERT_TRUE(same(a, want)) << n << " x " << m << " in place";
                fast_mult(b, b, b);
                mpz_mul(want.z, zb.z, zb.z);
                ASSERT_TRUE(same(b, want)) << m << " squared in place";
            }
        }
    }
}
