// Images of integer polys modulo a temporary prime and their symmetric
// lifts; the modular state is put back afterwards, also when an error
// unwinds through the guard.
#include <gtest/gtest.h>

#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "numbers/modular_state.h"
#include "poly/poly_support.h"
#include "raised.h"

using namespace tolmex;
using namespace polytest;

namespace {

// 3x^2 - 5x + 10^11: modulo 7 the constant is 3^11 = 5.
Poly sample() {
    use_vars(1);
    Poly x = var_poly(1);
    Poly big = int_poly(100000000000);
    Poly p = sum(product(int_poly(3).get(), power(x.get(), 2).get()).get(),
                 product(int_poly(-5).get(), x.get()).get());
    return sum(p.get(), big.get());
}

TEST(TempModulus, ImageAndSymmetricLift) {
    Poly p = sample();
    Poly image;
    {
        TempModulus mod(7);
        EXPECT_EQ(modulus, 7);
        EXPECT_EQ(lintmode, 1);
        EXPECT_LT(lookupgcd, 0);
        image.reset(residue_image(p.get()));
    }
    EXPECT_EQ(lintmode, 0);
    EXPECT_EQ(modularmode, 0);
    Poly lifted(symmetric_lift(image.get(), 7));
    use_vars(1);
    Poly x = var_poly(1);
    Poly want = sum(product(int_poly(3).get(), power(x.get(), 2).get()).get(),
                    sum(product(int_poly(2).get(), x.get()).get(), int_poly(-2).get()).get());
    EXPECT_TRUE(poly_equal(lifted.get(), want.get())) << plain_form(lifted.get());
}

TEST(TempModulus, TermsThatVanishAreDropped) {
    use_vars(1);
    Poly p = sum(product(int_poly(14).get(), var_poly(1).get()).get(), int_poly(1).get());
    TempModulus mod(7);
    Poly image(residue_image(p.get()));
    EXPECT_TRUE(poly_eq_1(image.get()));
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
