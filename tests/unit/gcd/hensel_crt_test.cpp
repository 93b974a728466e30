// The multivariate GCD over Z/p by evaluation and interpolation on built
// operands: unlucky evaluation points, contents in the last variable, the
// Hensel lift and its fallback, and fields too small for the points the
// method needs; random operands are in the driver's property test.
#include <gtest/gtest.h>

#include <string>

#include "gcd/gcd_driver.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "gcd_test_support.h"
#include "reference_gcd.h"

using namespace tolmex;
using namespace polytest;
using namespace gcdtest;

namespace {

// The method's answer for c u and c v, checked against the reference; the
// verbose notes it printed.
std::string check_method(const P& c, const P& u, const P& v, int nvars) {
    const P a = c * u, b = c * v;
    Verbose verbose;
    Poly g;
    const bool answered = mod_multivar_Chinese(a.get(), b.get(), g, polynames);
    const std::string out = verbose.output();
    EXPECT_TRUE(answered) << out;
    if (answered) {
        check_against_reference(g.get(), a.get(), b.get(), c.get(), nvars);
    }
    return out;
}

// (x1 + x2^2) and (x1 + x2) agree at x2 = 0 and x2 = 1, the first points.
// In two variables c involves x2, the degree bound is 2, and the third
// point shows a lower degree: the interpolation starts again. In three
// variables the bound in x3 is 1, reached by the two unlucky points: the
// check fails and the reconstruction is retried.
TEST(ModMultivarChinese, UnluckyFirstPointsAreDiscarded) {
    Ring ring(32003);
    for (int nvars : {2, 3}) {
        use_vars(nvars);
        const P x = var(1), y = var(2), last = var(nvars);
        const P base = nvars == 3 ? x + y : x;
        const std::string out = check_method((x ^ 2) + x * y + P(3), base + (last ^ 2), base + last, nvars);
        const char* note =
            nvars == 2 ? "sub_mod_multivar_Chinese retry, 1 B, " : "mod multivar poly_divide retry\n";
        EXPECT_NE(out.find(note), std::string::npos) << out;
    }
}

// Inside a method that checks its own result the stable reconstruction is
// taken without trial division; with the images checked by degrees (the
// dense arrays) or not at all it is the same GCD.
TEST(ModMultivarChinese, TrustedImagesAndDenseImagesAgree) {
    Ring ring(32003);
    use_vars(3);
    const P x = var(1), y = var(2), z = var(3);
    const P c = (x ^ 2) * y + z + P(3), u = x * z + (y ^ 2), v = (x ^ 3) + y * z + P(1);
    const P a = c * u, b = c * v;
    Poly plain, trusted, no_dense;
    ASSERT_TRUE(mod_multivar_Chinese(a.get(), b.get(), plain, polynames));
    {
        TrustImages trust;
        ASSERT_TRUE(mod_multivar_Chinese(a.get(), b.get(), trusted, polynames));
    }
    gcd_skip_dense_methods = true;
    ASSERT_TRUE(mod_multivar_Chinese(a.get(), b.get(), no_dense, polynames));
    gcd_skip_dense_methods = false;
    EXPECT_FALSE(gcd_trust_images);
    check_against_reference(plain.get(), a.get(), b.get(), c.get(), 3);
    EXPECT_TRUE(poly_equal(plain.get(), trusted.get()));
    EXPECT_TRUE(poly_equal(plain.get(), no_dense.get()));
}

// Contents in the last variable: (x2^2 + 1) in both, (x2 + 2) in one; with
// coprime primitive parts the content GCD alone.
TEST(ModMultivarChinese, ContentsInTheLastVariable) {
    Ring ring(32003);
    use_vars(2);
    const P x = var(1), y = var(2), k = (y ^ 2) + P(1);
    check_method(k * (x * y + P(7)), y + P(2), x + P(5), 2);
    check_method(k, x + y, x + P(1), 2);
}

// Over Z/2 and Z/3 a GCD of degree 2 in the last of three variables needs
// more points than the field has room for: the method declines and says so.
TEST(ModMultivarChinese, TooFewPointsDecline) {
    for (int32_t m : {2, 3}) {
        Ring ring(m);
        use_vars(3);
        const P x = var(1), y = var(2), z = var(3);
        const P c = x + y + (z ^ 2), a = c * (x + P(1)), b = c * y * z;
        Verbose verbose;
        Poly g;
        EXPECT_FALSE(mod_multivar_Chinese(a.get(), b.get(), g, polynames));
        const std::string out = verbose.output();
        EXPECT_NE(out.find(" *** Tolmex Warning. Early exit from mod_multivar_Chinese.\n"),
                  std::string::npos);
        EXPECT_NE(out.find("mod_multivar_Chinese gave up "), std::string::npos);
    }
}

// Two variables: the Hensel lift answers when one operand's image splits
// into coprime GCD and cofactor, also over Z/3 where interpolation would
// need more points than the field has; when neither cofactor is coprime to
// the GCD (a = c^2 d, b = c d^2) the interpolation takes over.
// The single check of the lifted answer (hen_check off) gives the same.
TEST(ModMultivarChinese, HenselLiftAndItsFallback) {
    for (int32_t m : {3, 32003})
        for (int check : {1, 0}) {
            Ring ring(m);
            use_vars(2);
            hen_check = check;
            const P x = var(1), y = var(2);
            const std::string out = check_method((y ^ 2) * x + x + y, (x ^ 2) + y, x * y + P(1), 2);
            EXPECT_EQ(out.find("retry"), std::string::npos) << out;
            hen_check = 1;
        }
    Ring ring(32003);
    use_vars(2);
    const P x = var(1), y = var(2), c = x + (y ^ 2), d = x * y + P(2);
    const std::string out = check_method(c * d, c, d, 2);
    EXPECT_NE(out.find("sub_mod_multivar_Chinese retry, 2 H, "), std::string::npos) << out;
}

TEST(ModMultivarChinese, DeclinesOutsideAPrimeField) {
    for (int32_t m : {0, 9}) {
        Ring ring(m);
        use_vars(2);
        Poly g;
        EXPECT_FALSE(mod_multivar_Chinese((var(1) * var(2)).get(), var(1).get(), g, polynames)) << m;
    }
}

}  // namespace
