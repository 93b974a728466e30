// Reading literal values: numbers, and polys and quolys from their
// written forms.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "interpreter/scanner.h"
#include "numbers/decimal.h"
#include "poly/poly_arith.h"
#include "interpreter/value_reader.h"
#include "numbers/display_settings.h"
#include "poly/poly_display.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "poly/poly_support.h"
#include "numbers/modular_state.h"

using namespace tolmex;
using namespace polytest;

namespace {

// Reads one poly (or quoly) from text; the token after it must be ";".
struct TextInput {
    std::string text;
    FILE* f;
    TokenNode* cursor = nullptr;
    int saved_tt;
    explicit TextInput(std::string t) : text(std::move(t) + ";\n"), saved_tt(tt_flag) {
        static bool sets = false;
        if (!sets) {
            init_scanner_sets();
            sets = true;
        }
        tt_flag = 0;
        leftover = 0;
        f = fmemopen(text.data(), text.size(), "r");
        scanner(f, token, cursor);
    }
    ~TextInput() {
        std::fclose(f);
        tt_flag = saved_tt;
        leftover = 0;
    }
};

Poly read_poly(const std::string& s) {
    TextInput in(s);
    Poly p;
    poly_readin(in.f, in.cursor, p);
    EXPECT_STREQ(token.text, ";") << s;
    return p;
}

TEST(PolyReadin, HandWrittenForms) {
    use_vars(2);
    Poly x, y;
    base_poly(x, 1);
    base_poly(y, 2);
    Poly x2(copy_poly(x.get()));
    compute_power(x2, 2, nullptr);
    // 3x^2 - x + 5, in the styles the display uses.
    Poly want;
    poly_mult(int_poly(3).get(), x2.get(), want, nullptr);
    poly_sub(want.get(), x.get(), want);
    poly_add(want.get(), int_poly(5).get(), want);
    for (const char* s : {"3x1^2 - x1 + 5", "3*x1^2-x1+5", "+3 x1 ^ 2 - x1 + 5", "5 - x1 + 3x1^2",
                          "x1*(3x1 - 1) + 5", "(x1 - 5 + 5)(3x1) - x1 + 5"}) {
        Poly p = read_poly(s);
        EXPECT_TRUE(same_poly(p.get(), want.get(), 2)) << s;
    }
    // (y + 1)x^2 + 2y, and the product of y and x printed as (y)x.
    Poly w2;
    poly_add(y.get(), int_poly(1).get(), w2);
    poly_mult(w2.get(), x2.get(), w2, nullptr);
    Poly two_y;
    poly_mult(int_poly(2).get(), y.get(), two_y, nullptr);
    poly_add(w2.get(), two_y.get(), w2);
    EXPECT_TRUE(same_poly(read_poly("(x2 + 1)x1^2 + 2x2").get(), w2.get(), 2));
    Poly xy;
    poly_mult(x.get(), y.get(), xy, nullptr);
    EXPECT_TRUE(same_poly(read_poly("(x2)x1").get(), xy.get(), 2));
    EXPECT_TRUE(poly_iszero(read_poly("0").get()));
    EXPECT_TRUE(poly_eq_1(read_poly("x1^0").get()));
    // A 40-digit coefficient.
    Poly big = read_poly("1234567890123456789012345678901234567890 x2");
    EXPECT_EQ(number_to_decimal(leading_number(big.get())), "1234567890123456789012345678901234567890");
}

TEST(PolyReadin, ErrorsAndLaurentExponents) {
    use_vars(1);
    EXPECT_TRUE(raises_error([] { read_poly("(x1 + 1"); }));
    EXPECT_TRUE(raises_error([] { read_poly("x1 + q"); }));       // not a variable
    EXPECT_TRUE(raises_error([] { read_poly("x1^"); }));          // no exponent
    EXPECT_TRUE(raises_error([] { read_poly("x1^-2"); }));        // laurent is off
    EXPECT_TRUE(raises_error([] { read_poly("x1^3000000000"); }));
    Ring ring(0);
    laurent = 1;
    Poly p = read_poly("x1^-2 + x1^(-1)");
    ASSERT_TRUE(well_formed(p.get()));
    EXPECT_EQ(plain_form(p.get()), "((1))*x1^(-1)+((1))*x1^(-2)");
}

TEST(PolyReadin, UglyFormsReadBack) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 60);
    for (int32_t m : {0, 65521}) {
        Ring ring(m);
        for (int nv = 1; nv <= 4; ++nv) {
            use_vars(nv);
            for (int round = 0; round < 8; ++round) {
                Poly p = random_poly(rng, {nv, 12, 6, round % 2 ? 60 : 3});
                const std::string s = plain_form(p.get());
                testing::internal::CaptureStdout();  // the modular warning
                Poly back = read_poly(s);
                testing::internal::GetCapturedStdout();
                EXPECT_TRUE(same_poly(back.get(), p.get(), nv)) << s;
            }
        }
    }
}

// What the nested display prints, in either style, reads back as the same
// poly: with three and four variables a negative term constant in the
// outer variables keeps its sign inside its bracket, with "+" before it.
TEST(PolyReadin, DisplayedFormsReadBack) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 62);
    auto shown = [](const PolyNode* p, bool ugly_style) {
        char* buf = nullptr;
        size_t len = 0;
        FILE* out = open_memstream(&buf, &len);
        const int saved = uglyprint;
        uglyprint = ugly_style;
        Printer pr(out, false, 0);
        poly_display(pr, true, p, polynames, false, true);
        uglyprint = saved;
        std::fclose(out);
        std::string text(buf, len);
        std::free(buf);
        return text;
    };
    for (int32_t m : {0, 7}) {
        Ring ring(m);
        for (int nv = 3; nv <= 4; ++nv) {
            use_vars(nv);
            for (int round = 0; round < 40; ++round) {
                Poly p = random_poly(rng, {nv, 1 + round % 9, 3, 2});
                for (bool ugly_style : {false, true}) {
                    const std::string text = shown(p.get(), ugly_style);
                    testing::internal::CaptureStdout();  // the modular warning
                    Poly back = read_poly(text);
                    testing::internal::GetCapturedStdout();
                    EXPECT_TRUE(same_poly(back.get(), p.get(), nv)) << text;
                }
            }
        }
    }
}

TEST(PolyReadin, ModularMinusWarnsOnce) {
    use_vars(1);
    Ring ring(7);
    testing::internal::CaptureStdout();
    Poly p = read_poly("-x1 - 2");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "*** Warning. Negative value seen during poly readin in modular mode.\n"
              "    Check your data carefully.\n");
    EXPECT_EQ(plain_form(p.get()), "((6))*x1^(1)+(5)");
}

TEST(PolyReadin, QuolyForms) {
    use_vars(2);
    Quoly q;
    {
        TextInput in("(x1 + 1) / (x2 - 1)");
        quoly_readin(in.f, in.cursor, q);
        EXPECT_STREQ(token.text, ";");
    }
    ASSERT_FALSE(quoly_is_number(q.get()));
    ASSERT_NE(quoly_denominator(q.get()), nullptr);
    EXPECT_EQ(poly_length(quoly_numerator(q.get())), 2);
    {
        TextInput in("-x1 / 3");
        quoly_readin(in.f, in.cursor, q);
    }
    ASSERT_NE(quoly_denominator(q.get()), nullptr);
    EXPECT_TRUE(poly_equal(quoly_denominator(q.get()), int_poly(3).get()));
    {
        TextInput in("1 / 3");
        quoly_readin(in.f, in.cursor, q);
    }
    EXPECT_FALSE(quoly_is_number(q.get()));
    EXPECT_TRUE(quoly_is_rational(q.get()));
    {
        TextInput in("17");
        quoly_readin(in.f, in.cursor, q);
    }
    ASSERT_TRUE(quoly_is_number(q.get()));
    EXPECT_EQ(number_to_decimal(quoly_number(q.get())), "17");
    {
        TextInput in("x2 / 1");
        quoly_readin(in.f, in.cursor, q);
    }
    EXPECT_TRUE(quoly_is_poly(q.get()));
}


TEST(NumberReadin, TakesDigitTokensFromTheScanner) {
    init_scanner_sets();
    FILE* in = std::tmpfile();
    std::fputs("12345 67890123456789012;", in);
    std::rewind(in);
    const int saved_tt = tt_flag, saved_left = leftover;
    tt_flag = 0;
    leftover = 0;
    TokenNode* cursor = nullptr;
    scanner(in, token, cursor);
    ASSERT_STREQ(token.text, "1");
    Number x;
    new_readin(in, cursor, x);
    // Blanks between digits do not end the literal; ";" is left as the token.
    EXPECT_EQ(number_to_decimal(x), "1234567890123456789012");
    EXPECT_STREQ(token.text, ";");
    std::fclose(in);
    tt_flag = saved_tt;
    leftover = saved_left;
}

}  // namespace
