// A poly seen over the ring of polys in its deeper levels: leading
// exponents, degrees per level, the coefficients below a level, walked and
// mapped.
#include <gtest/gtest.h>

#include <vector>

#include "poly/poly_coefs.h"
#include "poly_support.h"

using namespace tolmex;
using namespace polytest;

namespace {

// 3 x1^2 x2 x3^2 + 5 x1^2 x3 + x2^4 - 7 x3 + 2
Poly sample() {
    Poly x = var_poly(1), y = var_poly(2), z = var_poly(3);
    Poly t1 = product(product(int_poly(3).get(), power(x.get(), 2).get()).get(),
                      product(y.get(), power(z.get(), 2).get()).get());
    Poly t2 = product(product(int_poly(5).get(), power(x.get(), 2).get()).get(), z.get());
    Poly t3 = power(y.get(), 4);
    Poly t4 = product(int_poly(-7).get(), z.get());
    return sum(sum(sum(t1.get(), t2.get()).get(), sum(t3.get(), t4.get()).get()).get(),
               int_poly(2).get());
}

TEST(PolyCoefs, ExponentsDegreesAndLevels) {
    Ring ring(0);
    use_vars(3);
    Poly p = sample();
    EXPECT_EQ(leading_exponents(p.get(), 3), (std::vector<int32_t>{2, 1, 2}));
    EXPECT_EQ(leading_exponents(p.get(), 4), (std::vector<int32_t>{2, 1, 2, 0}));
    EXPECT_EQ(level_degree(p.get(), 1), 2);
    EXPECT_EQ(level_degree(p.get(), 2), 4);
    EXPECT_EQ(level_degree(p.get(), 3), 2);
    EXPECT_EQ(deepest_level(p.get()), 3);
    EXPECT_EQ(deepest_level(var_poly(2).get()), 2);
    EXPECT_EQ(deepest_level(int_poly(4).get()), 0);
}

TEST(PolyCoefs, CoefficientsBelowALevel) {
    Ring ring(0);
    use_vars(3);
    Poly p = sample();
    // As a poly in x1, x2 over Z[x3]: 3 x3^2, 5 x3, 1, -7 x3 + 2.
    std::vector<std::string> seen;
    each_level_coef(p.get(), 3, [&](const PolyNode* c) {
        seen.push_back(text(c, 1));
        return true;
    });
    ASSERT_EQ(seen.size(), 4u);
    Poly z = var_poly(1);
    EXPECT_EQ(seen[0], text(product(int_poly(3).get(), power(z.get(), 2).get()).get(), 1));
    EXPECT_EQ(seen[2], text(int_poly(1).get(), 1));
    Poly lead(copy_poly(leading_level_coef(p.get(), 3)));
    EXPECT_EQ(text(lead.get(), 1), seen[0]);
    // The walk stops when asked.
    int calls = 0;
    EXPECT_FALSE(each_level_coef(p.get(), 2, [&](const PolyNode*) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

TEST(PolyCoefs, MappingTheCoefficients) {
    Ring ring(32003);
    use_vars(3);
    Poly p = sample();
    // Multiplying every coefficient over Z/p[x3] by x3 + 1 multiplies p by it.
    Poly z1 = sum(var_poly(1).get(), int_poly(1).get());
    Poly mapped(map_level_coefs(p.get(), 3, [&](const PolyNode* c, Poly& out) {
        out = product(c, z1.get());
    }));
    Poly want = product(p.get(), sum(var_poly(3).get(), int_poly(1).get()).get());
    EXPECT_TRUE(same_poly(mapped.get(), want.get(), 3));
    // Dropping every coefficient leaves zero.
    Poly none(map_level_coefs(p.get(), 2, [](const PolyNode*, Poly& out) { poly_set(0, out); }));
    EXPECT_TRUE(poly_iszero(none.get()));
}

}  // namespace
