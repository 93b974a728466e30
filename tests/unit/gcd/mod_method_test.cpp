// The modular GCD over Z on operands built so that the first primes are
// unlucky (a spurious common factor modulo them, or a leading coefficient
// they divide); random operands are in the driver's property test.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "gcd/gcd_methods.h"
#include "gcd_test_support.h"
#include "poly/poly_coefs.h"
#include "reference_gcd.h"

using namespace tolmex;
using namespace polytest;
using namespace gcdtest;

namespace {

// The primes the method tries first when the tables are not loaded.
std::vector<int64_t> first_primes(int n) {
    std::vector<int64_t> p;
    for (int32_t c = 65521; static_cast<int>(p.size()) < n; c -= 2)
        if (is_prime(c)) p.push_back(c);
    return p;
}

// The method on c u and c v made primitive and ordered as the driver hands
// them (deg a >= deg b), checked against the reference.
void check_method(const PolyNode* c, const PolyNode* u, const PolyNode* v, int nvars) {
    Poly a = ref_primitive(product(c, u).get()), b = ref_primitive(product(c, v).get()), g;
    if (level_degree(a.get(), 1) < level_degree(b.get(), 1)) std::swap(a, b);
    ASSERT_TRUE(basic_mod_method(a.get(), b.get(), g, polynames));
    check_against_reference(g.get(), a.get(), b.get(), c, nvars);
}

// x^3 + c with 50-digit coefficients, so that many primes are needed.
Poly big_factor(int nvars) {
    std::mt19937_64 rng(seed() + 17);
    Poly c = random_factor(rng, nvars, false, 50);
    return ref_primitive(sum(c.get(), power(var_poly(1).get(), 3).get()).get());
}

// x1 + xn + 1 + k xn (x + 1 + k in one variable).
Poly shifted_linear(int nvars, int64_t k) {
    Number n;
    set_int64(k, n);
    Poly last = nvars > 1 ? var_poly(nvars) : int_poly(1), kn;
    scalar_by_poly(n, last.get(), kn);
    Poly s = sum(var_poly(1).get(), int_poly(1).get());
    if (nvars > 1) s = sum(s.get(), last.get());
    return sum(s.get(), kn.get());
}

TEST(ModMethod, FirstPrimesWithSpuriousFactor) {
    POLYTEST_SEED_TRACE();
    Ring ring(0);
    const std::vector<int64_t> p = first_primes(2);
    for (int nvars : {1, 2}) {
        use_vars(nvars);
        Poly c = big_factor(nvars);
        // Modulo the first two primes the cofactors agree: the images have
        // one degree too many until the third prime shows the true one.
        Verbose v;
        check_method(c.get(), shifted_linear(nvars, 0).get(),
                     shifted_linear(nvars, p[0] * p[1]).get(), nvars);
        EXPECT_NE(v.output().find(" *** ALERT. spurious first factor in gcd. "), std::string::npos);
    }
}

TEST(ModMethod, LaterPrimeWithSpuriousFactorIsDropped) {
    POLYTEST_SEED_TRACE();
    Ring ring(0);
    use_vars(1);
    const std::vector<int64_t> p = first_primes(4);
    Poly c = big_factor(1);
    Verbose v;
    check_method(c.get(), shifted_linear(1, 0).get(), shifted_linear(1, p[3]).get(), 1);
    const std::string out = v.output();
    const int d = level_degree(c.get(), 1);
    EXPECT_NE(out.find(" *** Alert. spurious factor in gcd. " + std::to_string(d) + ", " +
                       std::to_string(d + 1) + ", " + std::to_string(p[3])),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("ALERT"), std::string::npos);
}

TEST(ModMethod, LeadingNumbersDivisibleByFirstPrime) {
    Ring ring(0);
    use_vars(2);
    const P x = var(1), y = var(2);
    // gcd = p0 x + y + 1: every image modulo p0 would lose its leading term.
    const P c = P(first_primes(1)[0]) * x + y + P(1);
    check_method(c.get(), ((x ^ 2) + P(2)).get(), (x * y + P(3)).get(), 2);
}

TEST(ModMethod, CoprimeOperandsGiveOneAndModularModeDeclines) {
    Ring ring(0);
    use_vars(2);
    std::mt19937_64 rng(seed() + 5);
    POLYTEST_SEED_TRACE();
    Poly a = sum(random_factor(rng, 2, true, 20).get(), power(var_poly(1).get(), 4).get());
    Poly b = sum(random_factor(rng, 2, false, 20).get(), var_poly(1).get());
    check_method(int_poly(1).get(), a.get(), b.get(), 2);
    Ring mod(32003);
    use_vars(1);
    Poly x = var_poly(1), g;
    EXPECT_FALSE(basic_mod_method(power(x.get(), 2).get(), x.get(), g, polynames));
}

}  // namespace
