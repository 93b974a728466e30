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
#include "raised.h"

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

// Forms the display never prints (the written forms it prints are read back
// below): signs, blanks, order, products of sums.
TEST(PolyReadin, HandWrittenForms) {
    use_vars(1);
    const Poly x = var_poly(1), want = sum(sum(product(int_poly(3).get(), power(x.get(), 2).get()).get(),
                                               product(int_poly(-1).get(), x.get()).get()).get(),
                                           int_poly(5).get());
    for (const char* s : {"+3 x1 ^ 2 - x1 + 5", "5 - x1 + 3x1^2", "x1*(3x1 - 1) + 5", "(x1 - 5 + 5)(3x1) - x1 + 5"})
        EXPECT_TRUE(same_poly(read_poly(s).get(), want.get(), 1)) << s;
    EXPECT_TRUE(poly_iszero(read_poly("0").get()));
    EXPECT_TRUE(poly_eq_1(read_poly("x1^0").get()));
}

TEST(PolyReadin, ErrorsAndLaurentExponents) {
    use_vars(1);
    EXPECT_EQ(unit::raised_code([] { read_poly("(x1 + 1"); }), 1);   // missing ")"
    EXPECT_EQ(unit::raised_code([] { read_poly("x1 + q"); }), 2);    // not a variable
    EXPECT_EQ(unit::raised_code([] { read_poly("x1^"); }), 116);     // no exponent
    EXPECT_EQ(unit::raised_code([] { read_poly("x1^-2"); }), 116);   // laurent is off
    EXPECT_EQ(unit::raised_code([] { read_poly("x1^3000000000"); }), kErrExponentTooLarge);
    Ring ring(0);
    laurent = 1;
    Poly p = read_poly("x1^-2 + x1^(-1)");
    ASSERT_TRUE(well_formed(p.get()));
    EXPECT_EQ(plain_form(p.get()), "((1))*x1^(-1)+((1))*x1^(-2)");
}

// What the nested display prints, in either style, and the plain nested
// form read back as the same poly: with three and four variables a negative
// term constant in the outer variables keeps its sign inside its bracket,
// with "+" before it.
TEST(PolyReadin, WrittenFormsReadBack) {
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
    for (int32_t m : {0, 7, 65521}) {
        Ring ring(m);
        for (int nv = 1; nv <= 4; ++nv) {
            use_vars(nv);
            for (int round = 0; round < 24; ++round) {
                Poly p = random_poly(rng, {nv, 1 + round % 12, round % 2 ? 6 : 3, round % 3 ? 2 : 60});
                for (const std::string& text : {plain_form(p.get()), shown(p.get(), false), shown(p.get(), true)}) {
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
