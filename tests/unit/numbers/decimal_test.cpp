// Decimal conversion both ways, reading literals, and the printed layout.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "numbers/decimal.h"
#include "numbers/display_settings.h"
#include "numbers/mul_div.h"
#include "numbers/tables.h"
#include "numbers/modular_state.h"
#include "ring_scope.h"
#include "support.h"

using namespace tolmex;
using namespace numtest;

namespace {

// What showint or display print, captured through a memory stream.
template <class F>
std::string printed(F f) {
    char* buf = nullptr;
    size_t len = 0;
    FILE* out = open_memstream(&buf, &len);
    f(out);
    std::fclose(out);
    std::string s(buf, len);
    std::free(buf);
    return s;
}

std::string show(const Number& x, int& col, bool breaks = true) {
    return printed([&](FILE* out) { showint(out, x, true, false, false, false, false, breaks, col); });
}

Number from_text(const char* s) { return decimal_to_number(s); }

}  // namespace

TEST(NumberDecimal, TwoPowersTableByComputation) {
    build_two_28();
    ASSERT_TRUE(two_28_loaded());
    for (int k : {1, 2, 17, 64, 128, 130}) {
        Mpz want;
        mpz_ui_pow_ui(want.z, 2, 28 * k);
        // Entry k - 1 is in base 10^8: read its groups back through GMP.
        auto g = two_28[k - 1].digits();
        Mpz got;
        for (size_t i = g.size(); i-- > 0;) {
            mpz_mul_ui(got.z, got.z, 100000000);
            mpz_add_ui(got.z, got.z, static_cast<unsigned long>(g[i]));
        }
        EXPECT_EQ(mpz_cmp(got.z, want.z), 0) << k;
    }
}

TEST(NumberDecimal, BothWaysAgainstGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 20);
    std::vector<int> ns = sizes();
    for (int n : {9, 10, 11, 14, 15, 16, 17, 63, 64, 65, 129, 130, 131, 257, 3000})
        ns.push_back(n);
    for (int n : ns)
        for (int s : {-1, 1}) {
            Number a = random_number(rng, n, s);
            Mpz ma(a);
            const std::string want = ma.str();
            ASSERT_EQ(number_to_decimal(a), want) << n;
            Number back = decimal_to_number(want);
            ASSERT_TRUE(same(back, ma)) << n;
        }
    // Literals of every length around the 8-digit groups and the cut.
    std::string digits;
    for (int len = 1; len <= 8 * 40; ++len) {
        digits += static_cast<char>('0' + (len * 7 + 3) % 10);
        if (digits[0] == '0') digits[0] = '9';
        Mpz want(digits.c_str());
        ASSERT_TRUE(same(decimal_to_number(digits), want)) << len;
        ASSERT_EQ(number_to_decimal(decimal_to_number(digits)), digits);
    }
}

TEST(NumberDecimal, GroupBoundaries) {
    for (const char* s : {"99999999", "100000000", "100000001", "9999999999999999",
                          "10000000000000000", "268435455", "268435456", "0", "-1",
                          "-100000000", "72057594037927935", "72057594037927936"}) {
        Number x = from_text(s);
        Mpz want(s);
        EXPECT_TRUE(same(x, want)) << s;
        EXPECT_EQ(number_to_decimal(x), std::string(s));
        Number y;
        make_base_10(x, y);
        Number z;
        verybig_base_10(x.digits(), z);
        EXPECT_TRUE(spec_equal(y, z)) << s;
    }
    // 10^8 in base 10^8 is the groups (1, 0); 10^8 - 1 is one group.
    Number y;
    make_base_10(from_text("100000000"), y);
    EXPECT_EQ(digits_msf(y), (std::vector<int32_t>{1, 0}));
    make_base_10(from_text("-99999999"), y);
    EXPECT_EQ(digits_msf(y), (std::vector<int32_t>{-99999999}));
}

TEST(NumberDecimal, ShowintLayout) {
    int col = 0;
    EXPECT_EQ(show(from_text("268435456"), col), "268435456");
    EXPECT_EQ(col, 9);
    col = 0;
    EXPECT_EQ(show(from_text("100000000"), col), "100000000");
    col = 0;
    EXPECT_EQ(show(from_text("-10000000000000000"), col), "-10000000000000000");
    EXPECT_EQ(col, 18);
    col = 0;
    EXPECT_EQ(printed([&](FILE* out) {
                  showint(out, from_text("-123"), true, false, false, false, true, true, col);
              }),
              "- 123");
    // Padded to disp_size groups.
    col = 0;
    EXPECT_EQ(printed([&](FILE* out) {
                  showint(out, from_text("7"), false, true, false, false, false, true, col);
              }),
              std::string(32, '0') + "00000007");
    EXPECT_EQ(col, 40);
}

TEST(NumberDecimal, LongNumbersBreakAtTheCutoffWithTheContinuationMark) {
    // 200 digits: groups of 8 after a first group of 8.
    std::string s;
    for (int i = 0; i < 200; ++i) s += static_cast<char>('1' + i % 9);
    int col = 0;
    const std::string out = show(from_text(s.c_str()), col);
    // Groups are printed back to back until the column reaches 76 (80 after
    // the tenth group), then " `" ends the line and the next begins with a
    // space.
    const std::string line1 = s.substr(0, 80) + " `\n";
    ASSERT_GE(out.size(), line1.size());
    EXPECT_EQ(out.substr(0, line1.size()), line1);
    EXPECT_EQ(out[line1.size()], ' ');
    std::string joined;
    for (char c : out)
        if (c >= '0' && c <= '9') joined += c;
    EXPECT_EQ(joined, s);
    // Without breaks the groups past the cutoff are separated by spaces.
    col = 0;
    const std::string flat = show(from_text(s.c_str()), col, false);
    EXPECT_EQ(flat.find('\n'), std::string::npos);
    EXPECT_EQ(flat.substr(0, 81), s.substr(0, 80) + " ");
    // uglyprint: nothing between groups.
    uglyprint = 1;
    col = 0;
    EXPECT_EQ(show(from_text(s.c_str()), col), s);
    uglyprint = 0;
}

TEST(NumberDecimal, DisplayOfWordsAndResidues) {
    Number x = from_text("12");
    int col = 0;
    lintmode = 1;
    x.set_lint(1000);
    EXPECT_EQ(printed([&](FILE* out) { display(out, true, false, x, col, false); }), "1000");
    EXPECT_EQ(col, static_cast<int>(0.3 * 9 + 0.5) + 1);
    x.set_lint(0);
    col = 0;
    EXPECT_EQ(printed([&](FILE* out) { display(out, true, false, x, col, false); }), "0");
    EXPECT_EQ(col, 1);
    {
        unit::RingScope ring(13);
        x.set_lint(12);
        EXPECT_EQ(printed([&](FILE* out) { display(out, true, false, x, col, false); }), "-1");
        EXPECT_EQ(printed([&](FILE* out) { display(out, true, false, x, col, true); }), "- 1");
    }
    lintmode = 0;
    // The words written in lintmode dropped the digits 12.
    EXPECT_TRUE(has_no_digits(x));
    x = from_text("12");
    col = 0;
    EXPECT_EQ(printed([&](FILE* out) { display(out, true, false, x, col, false); }), "12");
}

TEST(NumberDecimal, ReadinInEachMode) {
    const std::string lit = "12345678901234567890";
    Number x;
    readin_digits(lit, x);
    EXPECT_EQ(number_to_decimal(x), lit);
    readin_digits("0000000000000000000042", x);
    EXPECT_EQ(number_to_decimal(x), "42");
    for (int32_t m : {97, 65521, 2147483629}) {
        unit::RingScope ring(m);  // the residue
        readin_digits(lit, x);
        Mpz ml(lit.c_str());
        EXPECT_EQ(x.lint(), static_cast<int32_t>(mpz_fdiv_ui(ml.z, static_cast<unsigned long>(m))));
    }
    lintmode = 1;
    // Word mode outside modular mode: the wrapped value and a warning.
    const int before = readin_warnings;
    readin_digits("2147483647", x);
    EXPECT_EQ(x.lint(), 2147483647);
    EXPECT_EQ(readin_warnings, before);
    readin_digits("2147483648", x);
    EXPECT_EQ(readin_warnings, before + 1);
    readin_digits(lit, x);
    EXPECT_EQ(readin_warnings, before + 2);
    lintmode = 0;
}

// Literals of up to nine digits are read as a machine word; they read as
// the general conversion reads them (one digit or two from 2^28 on), and
// keep the word beside them.
TEST(NumberDecimal, ShortLiteralsReadAsLongOnes) {
    for (const char* lit : {"0", "7", "00", "0042", "99999999", "12345678", "00000001", "100000000",
                            "268435455", "268435456", "999999999", "1000000000"}) {
        Number x;
        readin_digits(lit, x);
        const Number want = decimal_to_number(lit);
        EXPECT_EQ(number_to_decimal(x), number_to_decimal(want)) << lit;
        EXPECT_EQ(x.size(), want.size()) << lit;
    }
    Number x = decimal_to_number("9");
    x.set_lint(-5);
    readin_digits("321", x);
    EXPECT_EQ(number_to_decimal(x), "321");
    EXPECT_EQ(x.lint(), -5);
}

namespace {

// The decimal text of 10^k.
std::string ten_to(int k) {
    std::string s(static_cast<size_t>(k) + 1, '0');
    s[0] = '1';
    return s;
}

}  // namespace

TEST(NumberDecimal, DisplayConstantFollowsTheDisplaySize) {
    EXPECT_EQ(number_to_decimal(display_constant()), ten_to(40));
    const int saved = disp_size;
    // Every size up to 13 groups, so that each bit pattern of the squaring
    // loop is met; then 0 (no decimals).
    for (int size : {1, 2, 3, 6, 7, 8, 13, 0}) {
        disp_size = size;
        init_disp_cons();
        EXPECT_EQ(number_to_decimal(display_constant()), ten_to(8 * size))
            << "disp_size " << size;
    }
    // A very large size is only recorded until the constant is asked for.
    disp_size = 100000000;
    init_disp_cons();
    disp_size = saved;
    EXPECT_EQ(number_to_decimal(display_constant()), ten_to(8 * saved));
}

