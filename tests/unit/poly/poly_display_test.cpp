// The nested display: where the sign of a term goes with three and more
// variables, in both styles, and where lines may end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "numbers/decimal.h"
#include "numbers/display_settings.h"
#include "poly/poly_arith.h"
#include "poly/poly_display.h"
#include "poly/polyvars.h"
#include "poly_support.h"

using namespace tolmex;
using namespace polytest;

namespace {

// The nested form of p as printed from column 0; `breaks` asks for line
// breaking as at the terminal.
std::string shown(const PolyNode* p, bool ugly, bool breaks = false) {
    char* buf = nullptr;
    size_t len = 0;
    FILE* out = open_memstream(&buf, &len);
    const int saved = uglyprint;
    uglyprint = ugly;
    Printer pr(out, breaks, 0);
    poly_display(pr, true, p, polynames, false, true);
    uglyprint = saved;
    std::fclose(out);
    std::string s(buf, len);
    std::free(buf);
    return s;
}

Poly neg(const PolyNode* p) {
    Poly r(copy_poly(p));
    poly_inplace(r.get());
    return r;
}

}  // namespace

// With x1 outermost, x1 - x2 x3 is x1 plus a term constant in x1 whose
// display begins with a bracket: the sign stays inside it and "+" stands
// between the terms (the ugly form then reads back as the same value).
TEST(PolyDisplay, SignsBetweenTermsWithThreeAndFourVariables) {
    Ring ring(0);
    use_vars(4);
    Poly x1 = var_poly(1), x2 = var_poly(2), x3 = var_poly(3), x4 = var_poly(4);
    Poly p = sum(x1.get(), neg(product(x3.get(), x2.get()).get()).get());
    EXPECT_EQ(shown(p.get(), false), "x1 + (-x3)x2");
    EXPECT_EQ(shown(p.get(), true), "x1+(-x3)*x2");
    Poly q = sum(x1.get(), neg(product(sum(x3.get(), int_poly(1).get()).get(), x2.get()).get()).get());
    EXPECT_EQ(shown(q.get(), false), "x1 + (-x3 - 1)x2");
    // A constant-led coefficient brings its own sign between the terms.
    Poly r = sum(x1.get(), neg(x3.get()).get());
    EXPECT_EQ(shown(r.get(), false), "x1 - x3");
    EXPECT_EQ(shown(r.get(), true), "x1-x3");
    Poly s = sum(x1.get(), product(int_poly(-2).get(), x2.get()).get());
    EXPECT_EQ(shown(s.get(), false), "x1 - 2x2");
    EXPECT_EQ(shown(s.get(), true), "x1-2*x2");
    // Four variables: the bracket nests.
    Poly t = sum(x1.get(), neg(product(product(x4.get(), x3.get()).get(), x2.get()).get()).get());
    EXPECT_EQ(shown(t.get(), false), "x1 + ((-x4)x3)x2");
    EXPECT_EQ(shown(t.get(), true), "x1+((-x4)*x3)*x2");
    Poly u = sum(sum(product(x1.get(), x2.get()).get(), neg(product(x4.get(), x3.get()).get()).get()).get(),
                 int_poly(-5).get());
    EXPECT_EQ(shown(u.get(), false), "(x2)x1 + (-x4)x3 - 5");
    EXPECT_EQ(shown(u.get(), true), "(x2)*x1+(-x4)*x3-5");
}

// A line ends in the continuation mark only when more of the value
// follows: a value whose last term ends at the cut-off column ends there.
TEST(PolyDisplay, NoContinuationMarkAtTheEnd) {
    Ring ring(0);
    use_vars(2);
    Poly x1 = var_poly(1);
    // "x1 + " and 71 digits end at column 76.
    const std::string digits(71, '1');
    Poly p = sum(x1.get(), Poly(number_node(decimal_to_number(digits))).get());
    ASSERT_EQ(dispcutoff, 76);
    EXPECT_EQ(shown(p.get(), false, true), "x1 + " + digits);
    // A line that does end before more of the value keeps its mark.
    const std::string wide(80, '1');
    Poly w = sum(product(Poly(number_node(decimal_to_number(wide))).get(),
                         product(x1.get(), x1.get()).get()).get(), x1.get());
    EXPECT_EQ(shown(w.get(), false, true), wide + "x1^2 `\n + x1");
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 61);
    for (int round = 0; round < 300; ++round) {
        Poly r = random_poly(rng, {2, 1 + round % 40, 30, 1 + round % 12});
        for (bool ugly : {false, true}) {
            const std::string s = shown(r.get(), ugly, true);
            ASSERT_FALSE(s.empty());
            EXPECT_NE(s.back(), '\n') << s;
            EXPECT_NE(s.back(), '`') << s;
        }
    }
}
