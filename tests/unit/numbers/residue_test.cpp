// Residue arithmetic against GMP, the two small fields against carry-less
// multiplication, and the conversions between integers and residues.
#include <gmp.h>
#include <gtest/gtest.h>

#include <random>

#include "base/errors.h"
#include "base/resets.h"
#include "numbers/decimal.h"
#include "numbers/gcd.h"
#include "numbers/display_settings.h"
#include "numbers/field_tables.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"
#include "numbers/support.h"
#include "raised.h"
#include "ring_scope.h"

using namespace tolmex;

namespace {

using Ring = unit::RingScope;

std::vector<int32_t> moduli(std::mt19937_64& rng) {
    std::vector<int32_t> m{2, 3, 9, 65521, 65535, 65537, 2147483646, 2147483629, 1000000};
    mpz_t z;
    mpz_init(z);
    for (int i = 0; i < 4; ++i) {
        mpz_set_ui(z, rng() % 2147483000u + 1);
        mpz_nextprime(z, z);
        if (mpz_cmp_ui(z, 2147483646u) <= 0) m.push_back(static_cast<int32_t>(mpz_get_ui(z)));
        m.push_back(static_cast<int32_t>(rng() % 2147483000u + 2));  // mostly composite
    }
    mpz_clear(z);
    return m;
}

int32_t residue(std::mt19937_64& rng, int32_t m) {
    switch (rng() % 5) {
        case 0: return 0;
        case 1: return m - 1;
        default: return static_cast<int32_t>(rng() % static_cast<uint64_t>(m));
    }
}

}  // namespace

TEST(Residue, ArithmeticAgainstGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(numtest::seed() + 40);
    mpz_t a, b, r, mm;
    mpz_inits(a, b, r, mm, nullptr);
    for (int32_t m : moduli(rng)) {
        Ring ring(m);
        mpz_set_si(mm, m);
        for (int i = 0; i < 300; ++i) {
            const int32_t x = residue(rng, m), y = residue(rng, m);
            mpz_set_si(a, x);
            mpz_set_si(b, y);
            mpz_add(r, a, b);
            mpz_mod(r, r, mm);
            ASSERT_EQ(mod_add(x, y, m), mpz_get_si(r)) << x << "+" << y << " mod " << m;
            mpz_sub(r, a, b);
            mpz_mod(r, r, mm);
            ASSERT_EQ(mod_sub(x, y, m), mpz_get_si(r));
            mpz_mul(r, a, b);
            mpz_mod(r, r, mm);
            ASSERT_EQ(modmult(x, y), mpz_get_si(r)) << x << "*" << y << " mod " << m;
            const int32_t d = static_cast<int32_t>(rng());
            mpz_set_si(r, d);
            mpz_add(r, r, a);
            mpz_mod(r, r, mm);
            ASSERT_EQ(spec_mod_add(x, d, m), mpz_get_si(r));
            // Inverses of units.
            mpz_set_si(a, x);
            if (x != 0 && mpz_invert(r, a, mm)) {
                int32_t inv = -1;
                emod_inverse(x, inv);
                ASSERT_EQ(inv, mpz_get_si(r)) << "1/" << x << " mod " << m;
            }
            // Powers, the exponent reduced for prime moduli only.
            const int32_t e = 1 + static_cast<int32_t>(rng() % (i % 2 ? 15 : 2000000000));
            mpz_set_si(b, e);
            {
                int32_t p = -1;
                mod_number_power(x, e, p);
                mpz_powm(r, a, b, mm);
                ASSERT_EQ(p, mpz_get_si(r)) << x << "^" << e << " mod " << m;
            }
        }
    }
    mpz_clears(a, b, r, mm, nullptr);
}

// The inverse of a non-unit is error 85.
TEST(Residue, InversesOfNonUnitsAreError85) {
    Ring ring(9);
    int32_t r = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(unit::raised_code([&] { emod_inverse(3, r); }), 85);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "bad1:  3\n");
}

TEST(Residue, FieldsAgreeWithCarrylessMultiplication) {
    compute_field_tables();
    {
        Ring ring(256);
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) {
                ASSERT_EQ(modmult(a, b), static_cast<int32_t>(field_mult(a, b, kF256Poly, 8)));
            }
        for (int a = 1; a < 256; ++a) {
            int32_t inv;
            emod_inverse(a, inv);
            ASSERT_EQ(modmult(a, inv), 1);
            ASSERT_EQ(modmult(f256sqr[a], f256sqr[a]), a);
        }
        EXPECT_EQ(mod_add(0x53, 0xCA, 256), 0x53 ^ 0xCA);
        EXPECT_EQ(mod_sub(0x53, 0xCA, 256), 0x53 ^ 0xCA);
    }
    {
        Ring ring(65536);
        NUMTEST_SEED_TRACE();
        std::mt19937_64 rng(numtest::seed() + 41);
        for (int i = 0; i < 20000; ++i) {
            const uint32_t a = rng() & 0xFFFF, b = rng() & 0xFFFF;
            ASSERT_EQ(modmult(static_cast<int32_t>(a), static_cast<int32_t>(b)),
                      static_cast<int32_t>(field_mult(a, b, kF2t16Poly, 16)));
        }
        // A log sum of exactly 65535 wraps to exp[0] = 1.
        const int32_t a = f2t16exp[1000], b = f2t16exp[64535];
        EXPECT_EQ(f2t16log[a] + f2t16log[b], 65535);
        EXPECT_EQ(modmult(a, b), 1);
        for (uint32_t v = 1; v < 65536; v += 97) {
            int32_t inv;
            emod_inverse(static_cast<int32_t>(v), inv);
            ASSERT_EQ(modmult(static_cast<int32_t>(v), inv), 1);
            ASSERT_EQ(modmult(f2t16sqr[v], f2t16sqr[v]), static_cast<int32_t>(v));
        }
        int32_t p;
        mod_number_power(3, 65535 + 7, p);
        int32_t q;
        mod_number_power(3, 7, q);
        EXPECT_EQ(p, q);
    }
}

TEST(Residue, BigIntegersToResiduesAndBack) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(numtest::seed() + 42);
    for (int32_t m : {2, 3, 65521, 65535, 2147483646, 2147483629}) {
        Ring ring(m);
        for (int n : {1, 2, 3, 17, 100}) {
            for (int s : {-1, 1}) {
                numtest::Number x = numtest::random_number(rng, n, s);
                numtest::Mpz mx(x);
                change_num(x, false, false);
                EXPECT_EQ(x.lint(), static_cast<int32_t>(mpz_fdiv_ui(mx.z, static_cast<unsigned long>(m))));
                EXPECT_EQ(x.size(), n);  // the digits stay
                change_num(x, true, false);
                EXPECT_EQ(x.size(), 0);
            }
        }
        // 2^60 + 5 through two28_mod.
        numtest::Number y = decimal_to_number("1152921504606846981");
        change_num(y, true, false);
        numtest::Mpz my("1152921504606846981");
        EXPECT_EQ(y.lint(), static_cast<int32_t>(mpz_fdiv_ui(my.z, static_cast<unsigned long>(m))));
        // Back to an integer, symmetric when alt_form_display is on.
        numtest::Number back;
        const int saved = alt_form_display;
        alt_form_display = 1;
        residue_to_number(m - 1, back);
        EXPECT_EQ(number_to_decimal(back), m == 2 ? "1" : "-1");
        alt_form_display = 0;
        residue_to_number(m - 1, back);
        EXPECT_EQ(number_to_decimal(back), std::to_string(m - 1));
        alt_form_display = saved;
    }
}

TEST(Residue, FieldConversionsWarnAtMostTwentyTimes) {
    Ring ring(256);
    compute_field_tables();
    verbose = 1;
    warn_cnt = 0;
    testing::internal::CaptureStdout();
    for (int i = 0; i < 25; ++i) {
        numtest::Number x = number_from_int64(-300);
        change_num(x, true, true);
        EXPECT_EQ(x.lint(), 300 % 256);
    }
    numtest::Number big = decimal_to_number("1000000000000000");
    change_num(big, true, false);
    EXPECT_GE(big.lint(), 0);
    EXPECT_LT(big.lint(), 256);
    const std::string out = testing::internal::GetCapturedStdout();
    verbose = 0;
    size_t count = 0;
    for (size_t p = out.find("outsized value encountered: -300"); p != std::string::npos;
         p = out.find("outsized value encountered: -300", p + 1))
        ++count;
    EXPECT_EQ(count, 20u);
    EXPECT_NE(out.find(" ....etc..."), std::string::npos);
}

// Powers with exponents of any size against GMP: reduced modulo p - 1 for
// a prime modulus, by the bits of the exponent otherwise; the exponent is
// read from its digits whatever lintmode says.
TEST(Residue, PowersWithBigExponents) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(numtest::seed() + 77);
    numtest::Mpz a, r, mm;
    for (int32_t m : {7, 4, 6, 9, 65521, 65536 - 1, 2147483629, 2147483646, 1000000}) {
        Ring ring(m);
        mpz_set_si(mm.z, m);
        for (int round = 0; round < 40; ++round) {
            const int digits = 1 + static_cast<int>(rng() % (round % 3 ? 4 : 200));
            Number e;
            {
                LintmodeOff off;
                e = numtest::random_number(rng, digits, round % 5 ? 1 : -1);
            }
            numtest::Mpz me(e);
            mpz_abs(me.z, me.z);
            const int32_t x = residue(rng, m);
            mpz_set_si(a.z, x);
            mpz_powm(r.z, a.z, me.z, mm.z);
            ASSERT_EQ(residue_power(x, e), mpz_get_si(r.z)) << x << "^" << me.str() << " mod " << m;
            numtest::Mpz rem;
            mpz_mod_ui(rem.z, me.z, static_cast<unsigned long>(m - 1));
            ASSERT_EQ(digits_mod(e, m - 1), static_cast<int64_t>(mpz_get_ui(rem.z)));
        }
        Number zero = number_from_int64(0);
        EXPECT_EQ(residue_power(0, zero), 1);
        EXPECT_EQ(residue_power(0, number_from_int64(5)), 0);
    }
    // The group of units of the field of 256 elements has 255 elements.
    Ring ring(256);
    EXPECT_EQ(residue_power(3, decimal_to_number("255000000000000000000001")), 3);
}

// v! modulo the modulus: 0 from the modulus on, in the fields from 2 on.
TEST(Residue, FactorialsOfMachineIntegers) {
    {
        Ring ring(5);
        EXPECT_EQ(residue_factorial(0), 1);
        EXPECT_EQ(residue_factorial(4), 24 % 5);
        EXPECT_EQ(residue_factorial(5), 0);
        EXPECT_EQ(residue_factorial(INT64_MAX), 0);
    }
    {
        Ring ring(2147483629);
        EXPECT_EQ(residue_factorial(12), 479001600);
        EXPECT_EQ(residue_factorial(13), static_cast<int32_t>(6227020800 % 2147483629));
    }
    {
        Ring ring(256);
        EXPECT_EQ(residue_factorial(1), 1);
        EXPECT_EQ(residue_factorial(3), 0);
    }
}

// A residue has no digits; change_num then reduces its word. A literal read
// in modular mode keeps the integer typed beside its residue until the
// word is written.
TEST(Residue, WordsAndKeptIntegers) {
    Ring ring(7);
    Number w;
    setvalue(-12, w);
    EXPECT_TRUE(has_no_digits(w));
    change_num(w, true, false);
    EXPECT_EQ(w.lint(), 2);
    Number lit;
    readin_digits("123456789012", lit);
    EXPECT_EQ(lit.lint(), static_cast<int32_t>(123456789012 % 7));
    ASSERT_TRUE(lit.keeps_integer());
    EXPECT_EQ(number_to_decimal(lit), "123456789012");
    // A copy is the residue alone; a change of the word drops the digits.
    Number copy;
    num_assign(lit, copy);
    EXPECT_FALSE(copy.keeps_integer());
    EXPECT_EQ(copy.lint(), lit.lint());
    fastsum(lit, copy);
    EXPECT_FALSE(lit.keeps_integer());
    EXPECT_TRUE(has_no_digits(lit));
    EXPECT_EQ(lit.lint(), static_cast<int32_t>(2 * (123456789012 % 7) % 7));
}

// Inside an IntegerStretch the arithmetic is on true integers and a stored
// residue reads as its word; the modes come back when the guard ends, also
// through an error, and nested guards change nothing more.
TEST(Residue, IntegerStretchReadsResiduesAsIntegers) {
    Ring ring(7);
    Number r5, lit;
    setvalue(5, r5);
    readin_digits("12", lit);  // residue 5, typed as 12
    const int changed = mod_is_changed;
    {
        IntegerStretch integers;
        EXPECT_EQ(modularmode, 0);
        EXPECT_EQ(lintmode, 0);
        EXPECT_EQ(mod_is_changed, changed + 1);
        EXPECT_EQ(r5.size(), 1);
        EXPECT_EQ(number_to_decimal(r5), "5");
        Number big;
        fast_mult(r5, decimal_to_number("100000000000000000000"), big);
        EXPECT_EQ(number_to_decimal(big), "500000000000000000000");
        Number copy;
        num_assign(lit, copy);  // the stored residue, not the integer typed
        EXPECT_EQ(number_to_decimal(copy), "5");
        {
            IntegerStretch inner;
            EXPECT_EQ(mod_is_changed, changed + 1);
        }
        EXPECT_TRUE(has_no_digits(r5));  // the view left nothing behind
        // A command level opened here: the driver switches modular mode
        // back on, the statement-start reset lintmode; popping the level
        // restores the stretch.
        register_stretch_resets();
        modularmode = 1;
        run_resets(ResetPoint::StatementStart, 0);
        EXPECT_EQ(lintmode, 1);
        EXPECT_EQ(r5.size(), 0);
        modularmode = lintmode = 0;
    }
    EXPECT_EQ(modularmode, 1);
    EXPECT_EQ(lintmode, 1);
    EXPECT_EQ(mod_is_changed, changed);
    EXPECT_EQ(r5.size(), 0);
    try {
        IntegerStretch integers;
        throw RestartTopLevel{5};
    } catch (RestartTopLevel&) {
    }
    EXPECT_EQ(modularmode, 1);
    EXPECT_EQ(lintmode, 1);
    EXPECT_EQ(mod_is_changed, changed);
}
