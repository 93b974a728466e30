// The nested display (the poly_display_signs transcript shows where the
// sign of a term goes): where lines may end and where long values stop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "numbers/decimal.h"
#include "numbers/display_settings.h"
#include "poly/poly_arith.h"
#include "poly/poly_display.h"
#include "poly/poly_settings.h"
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

}  // namespace

// A line ends in the continuation mark only when more of the value
// follows (the poly_display_signs transcript shows a value whose last term
// ends at the cut-off column).
TEST(PolyDisplay, NoContinuationMarkAtTheEnd) {
    Ring ring(0);
    use_vars(2);
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

// At the terminal a value stops after 150 lines while suppression is on
// (the default); with it off every term is printed.
TEST(PolyDisplay, LongValuesStopAfterTheLineLimit) {
    Ring ring(0);
    use_vars(1);
    Poly p = int_poly(0);
    for (int32_t e = 0; e <= 2000; ++e)
        best_poly_add(std::move(p), monomial_poly(int_number(1), {e}), p);
    ASSERT_EQ(do_line_sup, 1);
    const std::string cut = shown(p.get(), false, true);
    const std::string mark = "   ... more output suppressed ... \n";
    ASSERT_GE(cut.size(), mark.size());
    EXPECT_EQ(cut.substr(cut.size() - mark.size()), mark);
    EXPECT_EQ(std::count(cut.begin(), cut.end(), '\n'), kMaxDisplayLines + 2);
    do_line_sup = 0;
    const std::string all = shown(p.get(), false, true);
    do_line_sup = 1;
    EXPECT_EQ(all.substr(0, cut.size() - mark.size()), cut.substr(0, cut.size() - mark.size()));
    EXPECT_EQ(all.find("suppressed"), std::string::npos);
    EXPECT_EQ(all.substr(all.size() - 9), " + x1 + 1");
}
