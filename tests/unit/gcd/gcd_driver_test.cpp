// The GCD driver: the cases it answers cheaply, its normal forms over Z and
// Z/p, its tests and shortcuts, Algorithm C and its abandonment, and seeded
// property tests against forced Algorithm C.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_stash.h"
#include "gcd_test_support.h"
#include "numbers/residue.h"
#include "poly/poly_settings.h"
#include "poly/poly_coefs.h"
#include "raised.h"
#include "reference_gcd.h"

using namespace tolmex;
using namespace polytest;
using namespace gcdtest;

namespace {

class GcdDriver : public ::testing::Test {
protected:
    void SetUp() override {
        load_aux_primes();
        gcd_tally = {};
    }
    void TearDown() override {
        gcd_force_alg_c = false;
        gcd_skip_modular_methods = false;
        gcd_skip_dense_methods = false;
        chinhensel = 1;
        verbose = 0;
        lookupgcd = 0;
        free_gcd_stash();
    }
};

// Expects g to equal e as polys.
void expect_poly(const Poly& g, const P& e, int nvars) {
    EXPECT_TRUE(same_poly(g.get(), e.get(), nvars));
}

TEST_F(GcdDriver, ConstantsAndZero) {
    Ring z(0);
    use_vars(2);
    const P x = var(1), y = var(2);
    expect_poly(gcd_of(P(12).get(), P(-18).get()), 6, 2);
    expect_poly(gcd_of(P(0).get(), P(0).get()), 0, 2);
    // A constant against a poly: its GCD with the integer content.
    expect_poly(gcd_of(P(10).get(), (P(4) * x + P(6) * y).get()), 2, 2);
    // Zero against a poly: the poly, sign made positive.
    expect_poly(gcd_of(P(0).get(), (P(0) - P(3) * x - y).get()), P(3) * x + y, 2);
    expect_poly(gcd_of((P(2) * x - P(2)).get(), (P(2) * x - P(2)).get()), P(2) * x - P(2), 2);
    EXPECT_EQ(unit::raised_code([&] {
                  Poly g;
                  polygcd(x.get(), y.get(), g, false, true, true, nullptr, 1, 1, true);
              }),
              0);  // "pt nil in polygcd."
}

TEST_F(GcdDriver, DesignEdgeCasesOverZ) {
    Ring z(0);
    use_vars(2);
    const P x = var(1), y = var(2);
    expect_poly(gcd_of((P(6) * x + P(6)).get(), (P(4) * x - P(4)).get()), 2, 2);
    expect_poly(gcd_of(((x ^ 6) - P(1)).get(), ((x ^ 4) - P(1)).get()), (x ^ 2) - P(1), 2);
    expect_poly(gcd_of(((x ^ 3) * y).get(), ((x ^ 2) * (y ^ 2)).get()), (x ^ 2) * y, 2);
    // Operands free of the main variable, alone and against one that is not.
    expect_poly(gcd_of((P(4) * (y ^ 2)).get(), (P(6) * y * x + P(2) * (y ^ 3)).get()), P(2) * y, 2);
    expect_poly(gcd_of(((y ^ 2) - P(1)).get(), ((y ^ 3) - P(1)).get()), y - P(1), 2);
    // A negative leading coefficient comes out positive.
    expect_poly(gcd_of((P(0) - (x + y) * (x - P(2))).get(), ((x + y) * (x + P(5))).get()), x + y, 2);
}

TEST_F(GcdDriver, DesignEdgeCasesOverZp) {
    Ring m(32003);
    use_vars(1);
    const P x = var(1);
    expect_poly(gcd_of(((x ^ 6) - P(1)).get(), ((x ^ 9) - P(1)).get()), (x ^ 3) - P(1), 1);
    use_vars(2);
    const P u = var(1), v = var(2);
    // Every exponent of u is a multiple of 3: computed compressed.
    const P c = (u ^ 3) - v;
    const P a = c * ((u ^ 3) + v + P(1)), b = c * ((u ^ 6) + P(2) * v);
    expect_poly(gcd_of(a.get(), b.get()), c, 2);
    // Monic over Z/p, also when both operands are scaled.
    expect_poly(gcd_of((P(5) * c * u).get(), (P(7) * c * (u + v)).get()), c, 2);
}

// A large coprime pair is answered by the coprimality test: modulo a prime
// over Z, by its images over Z/p; Algorithm C never runs.
TEST_F(GcdDriver, CoprimePairsAreAnsweredByTheCoprimalityTest) {
    std::mt19937_64 rng(seed());
    POLYTEST_SEED_TRACE();
    use_vars(3);
    for (int32_t m : {0, 32003}) {
        Ring r(m);
        gcd_tally = {};
        Poly a = dense_poly(rng, 3, m ? 4 : 5, m ? 1 : 12), b = dense_poly(rng, 3, m ? 4 : 5, m ? 1 : 12);
        Poly g = gcd_of(a.get(), b.get());
        EXPECT_TRUE(m ? poly_eq_1(g.get()) : poly_is_const(g.get()));
        EXPECT_EQ(m ? gcd_tally.coprime_by_images : gcd_tally.coprime_by_prime, 1);
        EXPECT_EQ(gcd_tally.alg_c_runs, 0);
    }
}

TEST_F(GcdDriver, UnluckyLeadingCoefficientsSkipTheFirstPrimes) {
    Ring z(0);
    use_vars(2);
    const P x = var(1), y = var(2);
    // Leading coefficients divisible by 3001 and 16087: the test must
    // move on to later primes and still be right.
    const P k = P(3001) * P(16087);
    const P a = k * (x ^ 3) * y + (x ^ 2) * (y ^ 2) + x * y + x + P(7);
    const P b = k * (x ^ 2) + x * (y ^ 3) + (y ^ 3) + y + P(1);
    EXPECT_TRUE(poly_eq_1(gcd_of(a.get(), b.get()).get()));
    EXPECT_EQ(gcd_tally.coprime_by_prime, 1);
    const P c = k * (x ^ 2) + y * x + P(3001);
    Poly g = gcd_of((a * c).get(), (b * c).get());
    EXPECT_TRUE(is_gcd_of_multiples(g.get(), (a * c).get(), (b * c).get(), c.get()));
}

// One seeded property over rings and shapes (dense and sparse in one to
// five variables, small and 50-digit coefficients over Z): the driver's GCD
// of c u and c v is normalised, equals the reference, is a multiple of c
// with coprime cofactors; on the same operands every method forced in turn
// gives the identical normal form: the modular method over Z (on the
// primitive parts), evaluation and Hensel over Z/p (which may only decline
// in small fields), the dense evaluation methods where they take the
// operands, the driver without them, Algorithm C, the stash on and off.
void forced_methods(const Poly& g, const Poly& a, const Poly& b, const Poly& c, int nvars) {
    Poly h;
    if (modulus == 0) {
        Poly pa = ref_primitive(a.get()), pb = ref_primitive(b.get());
        if (level_degree(pa.get(), 1) < level_degree(pb.get(), 1)) std::swap(pa, pb);
        if (level_degree(pb.get(), 1) > 0) {
            ASSERT_TRUE(basic_mod_method(pa.get(), pb.get(), h, polynames));
            check_against_reference(h.get(), pa.get(), pb.get(), c.get(), nvars);
        }
        if (dense_mod_method(pa.get(), pb.get(), h))
            check_against_reference(h.get(), pa.get(), pb.get(), c.get(), nvars);
    } else if (nvars >= 2) {
        const bool answered = mod_multivar_Chinese(a.get(), b.get(), h, polynames);
        EXPECT_TRUE(answered || modulus < 1000);
        EXPECT_TRUE(!answered || poly_equal(g.get(), h.get()));
        if (dense_modp_method(a.get(), b.get(), h)) {
            EXPECT_TRUE(poly_equal(g.get(), h.get()));
        }
    }
    // The driver without the dense methods.
    gcd_skip_dense_methods = true;
    Poly other = gcd_of(a.get(), b.get());
    gcd_skip_dense_methods = false;
    EXPECT_TRUE(poly_equal(g.get(), other.get()));
    // Algorithm C alone (its remainder sequence swells beyond test times
    // for some pairs in three or more variables).
    if (nvars <= 2) {
        gcd_force_alg_c = true;
        Poly forced = gcd_of(a.get(), b.get());
        gcd_force_alg_c = false;
        EXPECT_TRUE(poly_equal(g.get(), forced.get()));
    }
    lookupgcd = 1;
    Poly first = gcd_of(a.get(), b.get()), again = gcd_of(a.get(), b.get());
    lookupgcd = 0;
    free_gcd_stash();
    EXPECT_TRUE(poly_equal(g.get(), first.get()));
    EXPECT_TRUE(poly_equal(g.get(), again.get()));
}

void property_rounds(int32_t m, int digits) {
    Ring r(m);
    std::mt19937_64 rng(seed() + static_cast<uint64_t>(m) + static_cast<uint64_t>(digits));
    SCOPED_TRACE("seed " + std::to_string(seed()) + " modulus " + std::to_string(m));
    for (int nvars = 1; nvars <= 5; ++nvars)
        for (bool dense : {true, false})
            for (int round = 0; round < 3; ++round) {
                SCOPED_TRACE("vars " + std::to_string(nvars) + (dense ? " dense" : " sparse"));
                use_vars(nvars);
                Poly c = random_factor(rng, nvars, dense, digits);
                Poly u = random_factor(rng, nvars, dense && nvars < 4, digits);
                Poly v = random_factor(rng, nvars, false, digits);
                Poly a = product(c.get(), u.get()), b = product(c.get(), v.get());
                if (poly_iszero(a.get()) || poly_iszero(b.get())) continue;
                Poly g = gcd_of(a.get(), b.get());
                ASSERT_TRUE(normalised(g.get())) << text(a.get(), nvars) << " | " << text(b.get(), nvars);
                check_against_reference(g.get(), a.get(), b.get(), c.get(), nvars);
                forced_methods(g, a, b, c, nvars);
                if (::testing::Test::HasFailure()) return;
            }
}

class GcdProperties : public GcdDriver, public ::testing::WithParamInterface<std::pair<int32_t, int>> {};
TEST_P(GcdProperties, EveryMethodGivesTheReferenceGcd) { property_rounds(GetParam().first, GetParam().second); }
INSTANTIATE_TEST_SUITE_P(Rings, GcdProperties,
                         ::testing::Values(std::pair{0, 2}, std::pair{0, 50}, std::pair{2, 1},
                                           std::pair{3, 1}, std::pair{5, 1}, std::pair{256, 1},
                                           std::pair{32003, 1}, std::pair{65521, 1},
                                           std::pair{2147483629, 1}));

// A GCD large enough for the cost rule of Algorithm C (high exponents in
// the lower variables make the operands massive), small enough for the
// sequence to finish at once when it must.
struct LargeCase {
    P a, b, c;
};
LargeCase large_case() {
    use_vars(3);
    const P x = var(1), y = var(2), z = var(3);
    const P lead = (y ^ 40) * (z ^ 30) + P(2) * (y ^ 35) * (z ^ 31) + P(3) * (y ^ 33) * (z ^ 20) +
                   (y ^ 20) * (z ^ 41) + P(5) * (y ^ 10) + (z ^ 45) + P(7);
    const P c = lead * (x ^ 3) + x + P(1);
    return {c * ((x ^ 3) + y), c * ((x ^ 2) + z), c};
}

TEST_F(GcdDriver, ForcedAlgorithmCStopsOnALargeGcd) {
    Ring m(32003);
    LargeCase k = large_case();
    chinhensel = 0;
    ::testing::internal::CaptureStdout();
    const int code = unit::raised_code([&] { gcd_of(k.a.get(), k.b.get()); });
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(out.rfind("Warning. Abandon Algorithm C. 1, 6, 5, 2933340, 7\n", 0), 0u) << out;
    EXPECT_NE(out.find("\n\n!! ** Warning. You set &O to force Algorithm C!\n\n"
                       "*** Tolmex error. &O conflict with large GCD problem.\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(alg_c_count, 1);
}

TEST_F(GcdDriver, AbandonedAlgorithmCStillAnswers) {
    Ring m(32003);
    LargeCase k = large_case();
    gcd_skip_modular_methods = true;
    verbose = 1;
    ::testing::internal::CaptureStdout();
    Poly g = gcd_of(k.a.get(), k.b.get());
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(is_gcd_of_multiples(g.get(), k.a.get(), k.b.get(), k.c.get()));
    // Abandoned four times, then carried through.
    EXPECT_NE(out.find("Warning. Abandon Algorithm C. 4, 6, 5, 2933340, 7\n"), std::string::npos)
        << out;
    EXPECT_NE(out.find("Warning. Can't abandon Algorithm C. 6, 5, 2933340\n"), std::string::npos)
        << out;
}

TEST_F(GcdDriver, ReduceDividesAndRetriesAWrongGcd) {
    Ring z(0);
    use_vars(2);
    const P x = var(1), y = var(2);
    const P c = x + y, a = c * (x - P(1)), b = c * (x + P(2)) * y;
    Poly g(copy_poly(c.get())), a2, b2;
    reduce(a.get(), b.get(), g, &a2, &b2, false);
    expect_poly(a2, x - P(1), 2);
    expect_poly(b2, (x + P(2)) * y, 2);
    // A wrong GCD (as a probabilistic shortcut might give): recomputed.
    verbose = 1;
    Poly wrong(copy_poly((x - P(1)).get()));
    ::testing::internal::CaptureStdout();
    reduce(a.get(), b.get(), wrong, &a2, &b2, false);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              " *** Warning 6. A  fast probabilistic gcd algorithm is being retried.\n");
    expect_poly(wrong, c, 2);
    expect_poly(b2, (x + P(2)) * y, 2);
    Poly factor;
    field_reduce(a.get(), b.get(), g, &a2, nullptr, factor);
    EXPECT_TRUE(poly_eq_1(factor.get()));
}

TEST_F(GcdDriver, ContentsInTheMainVariable) {
    Ring z(0);
    use_vars(2);
    const P x = var(1), y = var(2);
    const P p = P(6) * y * (x ^ 2) - P(4) * (y ^ 2) * x, q = P(3) * (x ^ 3) + P(9) * x;
    Poly ca, cb, pa, pb;
    dual_content(p.get(), q.get(), ca, cb, pa, pb, polynames);
    // Contents sit at the operands' level: the poly 2y in the level below.
    expect_poly(ca, P(2) * y, 2);
    expect_poly(cb, 3, 2);
    expect_poly(pa, P(3) * (x ^ 2) - P(2) * y * x, 2);
    expect_poly(pb, (x ^ 3) + P(3) * x, 2);
    Number n;
    find_gcdcoefs(p.get(), n);
    EXPECT_TRUE(is_longint(n, 2));
}

TEST_F(GcdDriver, LaurentMonomialsAreUnits) {
    Ring z(0);
    use_vars(1);
    laurent = 1;
    const P x = var(1);
    Poly inv;
    variable_power(inv, 1, -2);
    const P m(std::move(inv));
    const P a = m * (x + P(1)), b = (x ^ 3) * (x + P(1)) * (x - P(3));
    // The common factor, with the lower of the two monomials put back.
    expect_poly(gcd_of(a.get(), b.get()), m * (x + P(1)), 1);
    expect_poly(gcd_of(((x ^ 2) * (x - P(1))).get(), ((x ^ 5) * (x + P(1))).get()), x ^ 2, 1);
    // Only a's monomial taken out: the driver lifts b's negative exponents
    // itself.
    Poly lone;
    Lpolygcd(a.get(), (m * (x + P(1)) * (x + P(2))).get(), lone, false);
    expect_poly(lone, m * (x + P(1)), 1);
    laurent = 0;
}

}  // namespace
