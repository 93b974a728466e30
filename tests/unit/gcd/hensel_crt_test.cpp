// The multivariate GCD over Z/p by evaluation and interpolation: random
// operands in two to five variables against the reference remainder
// sequence, unlucky evaluation points, contents in the last variable, and
// fields too small for the points the method needs.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "gcd/gcd_methods.h"
#include "reference_gcd.h"
#include "numbers/residue.h"
#include "poly/poly_divide.h"
#include "poly/poly_support.h"
#include "poly/polyvars.h"

using namespace tolmex;
using namespace polytest;
using gcdtest::ref_gcd;

namespace {

class Verbose {
public:
    Verbose() : saved_(verbose) {
        verbose = 1;
        ::testing::internal::CaptureStdout();
    }
    ~Verbose() { verbose = saved_; }
    std::string output() { return ::testing::internal::GetCapturedStdout(); }

private:
    int saved_;
};

Poly random_factor(std::mt19937_64& rng, int nvars, bool dense) {
    if (dense) return dense_poly(rng, nvars, nvars <= 3 ? 3 : 2, 1);
    Shape s;
    s.nvars = nvars;
    s.terms = nvars <= 3 ? 5 : 3;
    s.max_deg = nvars <= 3 ? 3 : 2;
    return random_poly(rng, s);
}

// The method's answer against the reference: monic, a multiple of c,
// dividing a and b with coprime cofactors. False when the method declined.
bool check_gcd(const PolyNode* a, const PolyNode* b, const PolyNode* c, int nvars) {
    Poly g;
    if (!mod_multivar_Chinese(a, b, g, polynames)) return false;
    Poly want = ref_gcd(a, b);
    EXPECT_TRUE(same_poly(g.get(), want.get(), nvars));
    if (!poly_is_const(c) && !poly_iszero(c)) {
        Poly mc = ref_gcd(c, c);  // c made monic
        EXPECT_TRUE(trial_poly_divide_noq(g.get(), mc.get(), nullptr));
    }
    if (poly_iszero(g.get())) return true;
    Poly ca = gcdtest::exact_quotient(a, g.get()), cb = gcdtest::exact_quotient(b, g.get());
    Poly one = ref_gcd(ca.get(), cb.get());
    EXPECT_TRUE(poly_eq_1(one.get())) << text(one.get(), nvars);
    return true;
}

// Random a = c u and b = c v over Z/m; the number the method answered.
int random_trials(int32_t m, int trials, std::mt19937_64& rng) {
    Ring ring(m);
    int answered = 0;
    for (int trial = 0; trial < trials; ++trial) {
        const int nvars = 2 + trial % 4;
        const bool dense = trial % 3 == 0 && nvars <= 3;
        use_vars(nvars);
        Poly c = random_factor(rng, nvars, dense);
        Poly u = random_factor(rng, nvars, dense), v = random_factor(rng, nvars, false);
        Poly a = product(c.get(), u.get()), b = product(c.get(), v.get());
        SCOPED_TRACE("modulus " + std::to_string(m) + ", trial " + std::to_string(trial));
        if (check_gcd(a.get(), b.get(), c.get(), nvars)) ++answered;
    }
    return answered;
}

TEST(ModMultivarChinese, RandomOperandsOverLargePrimes) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed());
    for (int32_t m : {32003, 2147483629, 65521}) EXPECT_EQ(random_trials(m, 24, rng), 24);
}

TEST(ModMultivarChinese, SmallFieldsAnswerRightOrDecline) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 1);
    for (int32_t m : {2, 3, 5, 256}) random_trials(m, 16, rng);
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
        Poly x = var_poly(1), y = var_poly(2), last = var_poly(nvars);
        Poly c = sum(sum(power(x.get(), 2).get(), product(x.get(), y.get()).get()).get(),
                     int_poly(3).get());
        Poly base = nvars == 3 ? sum(x.get(), y.get()) : Poly(copy_poly(x.get()));
        Poly u = sum(base.get(), power(last.get(), 2).get());
        Poly v = sum(base.get(), last.get());
        Poly a = product(c.get(), u.get()), b = product(c.get(), v.get());
        Verbose verbose;
        EXPECT_TRUE(check_gcd(a.get(), b.get(), c.get(), nvars));
        const std::string out = verbose.output();
        const char* note =
            nvars == 2 ? "sub_mod_multivar_Chinese retry, 1 B, " : "mod multivar poly_divide retry\n";
        EXPECT_NE(out.find(note), std::string::npos) << out;
    }
}

// Contents in the last variable: (x2^2 + 1) in both, (x2 + 2) in one.
TEST(ModMultivarChinese, ContentsInTheLastVariable) {
    Ring ring(32003);
    use_vars(2);
    Poly x = var_poly(1), y = var_poly(2);
    Poly k = sum(power(y.get(), 2).get(), int_poly(1).get());
    Poly c = sum(product(x.get(), y.get()).get(), int_poly(7).get());
    Poly a = product(product(k.get(), c.get()).get(), sum(y.get(), int_poly(2).get()).get());
    Poly b = product(product(k.get(), c.get()).get(), sum(x.get(), int_poly(5).get()).get());
    Poly g;
    ASSERT_TRUE(mod_multivar_Chinese(a.get(), b.get(), g, polynames));
    Poly want = product(k.get(), c.get());
    Poly monic = ref_gcd(want.get(), want.get());
    EXPECT_TRUE(same_poly(g.get(), monic.get(), 2));
    // Coprime primitive parts leave the content GCD alone.
    Poly a2 = product(k.get(), sum(x.get(), y.get()).get());
    Poly b2 = product(k.get(), sum(x.get(), int_poly(1).get()).get());
    ASSERT_TRUE(mod_multivar_Chinese(a2.get(), b2.get(), g, polynames));
    EXPECT_TRUE(same_poly(g.get(), k.get(), 2));
}

// Over Z/2 and Z/3 a GCD of degree 2 in the last of three variables needs
// more points than the field has room for: the method declines and says so.
TEST(ModMultivarChinese, TooFewPointsDecline) {
    for (int32_t m : {2, 3}) {
        Ring ring(m);
        use_vars(3);
        Poly x = var_poly(1), y = var_poly(2), z = var_poly(3);
        Poly c = sum(sum(x.get(), y.get()).get(), power(z.get(), 2).get());
        Poly a = product(c.get(), sum(x.get(), int_poly(1).get()).get());
        Poly b = product(c.get(), product(y.get(), z.get()).get());
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
TEST(ModMultivarChinese, HenselLiftAndItsFallback) {
    for (int32_t m : {3, 32003}) {
        Ring ring(m);
        use_vars(2);
        Poly x = var_poly(1), y = var_poly(2);
        Poly c = sum(product(power(y.get(), 2).get(), x.get()).get(), sum(x.get(), y.get()).get());
        Poly a = product(c.get(), sum(power(x.get(), 2).get(), y.get()).get());
        Poly b = product(c.get(), sum(product(x.get(), y.get()).get(), int_poly(1).get()).get());
        Verbose verbose;
        EXPECT_TRUE(check_gcd(a.get(), b.get(), c.get(), 2));
        EXPECT_EQ(verbose.output().find("retry"), std::string::npos);
    }
    Ring ring(32003);
    use_vars(2);
    Poly x = var_poly(1), y = var_poly(2);
    Poly c = sum(x.get(), power(y.get(), 2).get());
    Poly d = sum(product(x.get(), y.get()).get(), int_poly(2).get());
    Poly a = product(power(c.get(), 2).get(), d.get()), b = product(c.get(), power(d.get(), 2).get());
    Verbose verbose;
    Poly cd = product(c.get(), d.get());
    EXPECT_TRUE(check_gcd(a.get(), b.get(), cd.get(), 2));
    EXPECT_NE(verbose.output().find("sub_mod_multivar_Chinese retry, 2 H, "), std::string::npos);
}

TEST(ModMultivarChinese, DeclinesOutsideAPrimeField) {
    use_vars(2);
    Poly x = var_poly(1), y = var_poly(2), g;
    Poly a = product(x.get(), y.get());
    {
        Ring ring(0);
        EXPECT_FALSE(mod_multivar_Chinese(a.get(), x.get(), g, polynames));
    }
    Ring ring(9);
    Poly a9 = product(var_poly(1).get(), var_poly(2).get());
    EXPECT_FALSE(mod_multivar_Chinese(a9.get(), var_poly(1).get(), g, polynames));
}

}  // namespace
