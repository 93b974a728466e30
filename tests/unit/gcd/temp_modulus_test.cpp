// Images of integer polys modulo a temporary prime and their symmetric
// lifts; the modular state is put back afterwards, also when an error
// unwinds through the guard.
#include <gtest/gtest.h>

#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "numbers/modular_state.h"
#include "gcd_test_support.h"
#include "raised.h"

using namespace tolmex;
using namespace polytest;

namespace {

// 3x^2 - 5x + 10^11 + 14x^3: modulo 7 the constant is 3^11 = 5 and the
// cubic term vanishes; the symmetric lift is 3x^2 + 2x - 2.
TEST(TempModulus, ImageAndSymmetricLift) {
    Ring z(0);
    use_vars(1);
    const gcdtest::P x = gcdtest::var(1);
    const gcdtest::P p = gcdtest::P(14) * (x ^ 3) + gcdtest::P(3) * (x ^ 2) - gcdtest::P(5) * x +
                         gcdtest::P(100000000000);
    Poly image;
    {
        TempModulus mod(7);
        EXPECT_LT(lookupgcd, 0);
        image.reset(residue_image(p.get()));
    }
    EXPECT_EQ(lintmode, 0);
    EXPECT_EQ(modularmode, 0);
    Poly lifted(symmetric_lift(image.get(), 7));
    const gcdtest::P want = gcdtest::P(3) * (x ^ 2) + gcdtest::P(2) * x - gcdtest::P(2);
    EXPECT_TRUE(poly_equal(lifted.get(), want.get())) << plain_form(lifted.get());
}

TEST(TempModulus, StateRestoredWhenAnErrorUnwinds) {
    const int32_t before = modulus;
    EXPECT_EQ(unit::raised_code([] {
                  TempModulus mod(11);
                  error(22, "test");
              }),
              22);
    EXPECT_EQ(modulus, before);
    EXPECT_EQ(modularmode, 0);
}

}  // namespace
