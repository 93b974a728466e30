// Residue arithmetic against GMP, the two small fields against carry-less
// multiplication, and the conversions between integers and residues.
#include <gmp.h>
#include <gtest/gtest.h>

#include <random>

#include "base/errors.h"
#include "numbers/decimal.h"
#include "numbers/display_settings.h"
#include "numbers/field_tables.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "numbers/support.h"

using namespace tolmex;

namespace {

// Modular state for one modulus, restored afterwards.
struct Ring {
    int saved_mode = modularmode, saved_lint = lintmode, saved_small = smallmodulus,
        saved_finf = finf, saved_f256 = f256, saved_f2t16 = f2t16;
    int32_t saved_mod = modulus, saved_two28 = two28_mod;
    explicit Ring(int32_t m) {
        modularmode = lintmode = 1;
        modulus = m;
        smallmodulus = m < 65535 || m == 256 || m == 65536;
        finf = m == 256 || m == 65536;
        f256 = m == 256;
        f2t16 = m == 65536;
        two28_mod = static_cast<int32_t>((int64_t{1} << 28) % m);
    }
    ~Ring() {
        modularmode = saved_mode;
        lintmode = saved_lint;
        smallmodulus = saved_small;
        finf = saved_finf;
        f256 = saved_f256;
        f2t16 = saved_f2t16;
        modulus = saved_mod;
        two28_mod = saved_two28;
    }
};

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
            if (m < 65536) {
                ASSERT_EQ(mod_mult(x, y, m), mpz_get_si(r));
            }
            const int32_t d = static_cast<int32_t>(rng());
            mpz_set_si(r, d);
            mpz_add(r, r, a);
            mpz_mod(r, r, mm);
            ASSERT_EQ(spec_mod_add(x, d, m), mpz_get_si(r));
            if (m > 2) {
                mpz_sub_ui(r, mm, 1);
                mpz_mul(b, a, b);
                mpz_mod(b, b, r);
                ASSERT_EQ(spec_modmult(x, y), mpz_get_si(b));
            }
            // Inverses of units.
            mpz_set_si(a, x);
            if (x != 0 && mpz_invert(r, a, mm)) {
                int32_t inv = -1;
                mod_inverse(x, inv);
                ASSERT_EQ(inv, mpz_get_si(r)) << "1/" << x << " mod " << m;
                emod_inverse(x, inv);
                ASSERT_EQ(inv, mpz_get_si(r));
                ASSERT_EQ(imod_inverse(x), mpz_get_si(r));
            }
            // Powers, with the exponent reduced for prime moduli.
            const int32_t e = 1 + static_cast<int32_t>(rng() % (i % 2 ? 15 : 2000000000));
            mpz_set_si(b, e);
            if (e <= 15 || mpz_probab_prime_p(mm, 20)) {
                int32_t p = -1;
                mod_number_power(x, e, p);
                mpz_powm(r, a, b, mm);
                if (e > 15 && x == 0 && e % (m - 1) == 0) mpz_set_ui(r, 1);
                ASSERT_EQ(p, mpz_get_si(r)) << x << "^" << e << " mod " << m;
            }
        }
    }
    mpz_clears(a, b, r, mm, nullptr);
}

TEST(Residue, CheckingInversesReportError85) {
    Ring ring(9);
    int32_t r = 0;
    testing::internal::CaptureStdout();
    bool thrown = false;
    try {
        emod_inverse(3, r);
    } catch (RestartTopLevel&) {
        thrown = true;
    }
    EXPECT_TRUE(thrown);
    thrown = false;
    try {
        imod_inverse(6);
    } catch (RestartTopLevel&) {
        thrown = true;
    }
    EXPECT_TRUE(thrown);
    mod_inverse(0, r);  // internal error, no unwinding
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("bad1:  3\n"), std::string::npos);
    EXPECT_NE(out.find("bad2:  6\n"), std::string::npos);
    EXPECT_NE(out.find("*** Tolmex error. bad seca."), std::string::npos);
}

TEST(Residue, FieldsAgreeWithCarrylessMultiplication) {
    compute_field_tables();
    // The check values of the field data files (2^8 elements).
    EXPECT_EQ(f256inv[255], 28);
    EXPECT_EQ(f256prod[255][255], 19);
    EXPECT_EQ(f256sqr[255], 78);
    // The field of 2^16 elements is ours (x^16 + x^12 + x^3 + x + 1, generator
    // x); only the wrap entry is fixed.
    EXPECT_EQ(f2t16exp[65535], 1);
    {
        Ring ring(256);
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b) {
                ASSERT_EQ(modmult(a, b), static_cast<int32_t>(field_mult(a, b, kF256Poly, 8)));
                ASSERT_EQ(f256prod[a][b], f256prod[b][a]);
            }
        for (int a = 1; a < 256; ++a) {
            int32_t inv;
            mod_inverse(a, inv);
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
            ASSERT_EQ(modmult(static_cast<int32_t>(v), imod_inverse(static_cast<int32_t>(v))), 1);
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
                numtest::Mpz mx;
                numtest::to_mpz(x, mx);
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
