// The modular GCD over Z: random operands in one to five variables against
// the reference remainder sequence, and operands built so that the first
// primes are unlucky (a spurious common factor modulo them, or a leading
// coefficient they divide).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "gcd/gcd_methods.h"
#include "reference_gcd.h"
#include "numbers/gcd.h"
#include "numbers/residue.h"
#include "poly/poly_coefs.h"
#include "poly/poly_divide.h"
#include "poly/poly_support.h"
#include "poly/polyvars.h"

using namespace tolmex;
using namespace polytest;
using gcdtest::ref_gcd;
using gcdtest::ref_primitive;

namespace {

// The primes the method tries first when the tables are not loaded.
std::vector<int64_t> first_primes(int n) {
    std::vector<int64_t> p;
    for (int32_t c = 65521; static_cast<int>(p.size()) < n; c -= 2)
        if (is_prime(c)) p.push_back(c);
    return p;
}

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

// a and b with deg a >= deg b in the top variable, as the driver hands them.
void order(Poly& a, Poly& b) {
    if (level_degree(a.get(), 1) < level_degree(b.get(), 1)) std::swap(a, b);
}

// The method's answer, checked against the reference and the defining
// properties: c divides it, it divides a and b, the cofactors are coprime.
void check_gcd(const PolyNode* a, const PolyNode* b, const PolyNode* c, int nvars) {
    Poly g;
    ASSERT_TRUE(basic_mod_method(a, b, g, polynames));
    Poly want = ref_gcd(a, b);
    EXPECT_TRUE(same_poly(g.get(), want.get(), nvars));
    Poly pc = ref_primitive(c);
    if (!poly_is_const(pc.get())) {
        EXPECT_TRUE(trial_poly_divide_noq(g.get(), pc.get(), nullptr));
    }
    Poly ca = gcdtest::exact_quotient(a, g.get()), cb = gcdtest::exact_quotient(b, g.get());
    Poly one = ref_gcd(ca.get(), cb.get());
    EXPECT_TRUE(poly_eq_1(one.get())) << text(one.get(), nvars);
}

// c times a cofactor, made primitive in the top variable.
Poly multiple(const PolyNode* c, const PolyNode* u) { return ref_primitive(product(c, u).get()); }

Poly random_factor(std::mt19937_64& rng, int nvars, bool dense, int digits) {
    if (dense) return dense_poly(rng, nvars, nvars <= 2 ? 3 : 2, digits);
    Shape s;
    s.nvars = nvars;
    s.terms = nvars <= 2 ? 5 : 3;
    s.max_deg = nvars <= 2 ? 4 : 2;
    s.digits = digits;
    return random_poly(rng, s);
}

TEST(ModMethod, RandomOperandsAgreeWithReference) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed());
    Ring ring(0);
    int tried = 0;
    for (int trial = 0; trial < 60; ++trial) {
        const int nvars = 1 + trial % 5;
        const bool dense = trial % 3 == 0;
        const int digits = trial % 2 ? 50 : 2;
        use_vars(nvars);
        Poly c = random_factor(rng, nvars, dense, digits);
        Poly u = random_factor(rng, nvars, dense && nvars < 4, digits);
        Poly v = random_factor(rng, nvars, false, digits);
        Poly a = multiple(c.get(), u.get()), b = multiple(c.get(), v.get());
        order(a, b);
        if (poly_iszero(b.get()) || level_degree(b.get(), 1) == 0) continue;
        SCOPED_TRACE("trial " + std::to_string(trial));
        check_gcd(a.get(), b.get(), c.get(), nvars);
        ++tried;
    }
    EXPECT_GT(tried, 30);
}

// x^3 c with 50-digit coefficients, so that many primes are needed.
Poly big_factor(int nvars) {
    std::mt19937_64 rng(seed() + 17);
    Poly c = random_factor(rng, nvars, false, 50);
    Poly x = var_poly(1);
    return ref_primitive(sum(c.get(), power(x.get(), 3).get()).get());
}

// x + 1 + k (in x1 .. xn: x1 + xn + 1 + k xn).
Poly shifted_linear(int nvars, int64_t k) {
    Poly x = var_poly(1), last = var_poly(nvars);
    Poly s = sum(x.get(), int_poly(1).get());
    if (nvars > 1) s = sum(s.get(), last.get());
    Poly kn;
    if (k != 0) {
        Number n;
        set_int64(k, n);
        scalar_by_poly(n, nvars > 1 ? last.get() : int_poly(1).get(), kn);
        s = sum(s.get(), kn.get());
    }
    return s;
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
        Poly a = multiple(c.get(), shifted_linear(nvars, 0).get());
        Poly b = multiple(c.get(), shifted_linear(nvars, p[0] * p[1]).get());
        order(a, b);
        Verbose v;
        check_gcd(a.get(), b.get(), c.get(), nvars);
        EXPECT_NE(v.output().find(" *** ALERT. spurious first factor in gcd. "), std::string::npos);
    }
}

TEST(ModMethod, LaterPrimeWithSpuriousFactorIsDropped) {
    POLYTEST_SEED_TRACE();
    Ring ring(0);
    use_vars(1);
    const std::vector<int64_t> p = first_primes(4);
    Poly c = big_factor(1);
    Poly a = multiple(c.get(), shifted_linear(1, 0).get());
    Poly b = multiple(c.get(), shifted_linear(1, p[3]).get());
    order(a, b);
    Verbose v;
    check_gcd(a.get(), b.get(), c.get(), 1);
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
    const std::vector<int64_t> p = first_primes(1);
    Poly x = var_poly(1), y = var_poly(2);
    Number n;
    set_int64(p[0], n);
    Poly px;
    scalar_by_poly(n, x.get(), px);
    // gcd = p0 x + y + 1: every image modulo p0 would lose its leading term.
    Poly c = sum(sum(px.get(), y.get()).get(), int_poly(1).get());
    Poly u = sum(power(x.get(), 2).get(), int_poly(2).get());
    Poly w = sum(product(x.get(), y.get()).get(), int_poly(3).get());
    Poly a = product(c.get(), u.get()), b = product(c.get(), w.get());
    order(a, b);
    check_gcd(a.get(), b.get(), c.get(), 2);
}

TEST(ModMethod, CoprimeOperandsGiveOne) {
    Ring ring(0);
    use_vars(3);
    std::mt19937_64 rng(seed() + 5);
    Poly a = ref_primitive(sum(random_factor(rng, 3, true, 20).get(), power(var_poly(1).get(), 4).get()).get());
    Poly b = ref_primitive(sum(random_factor(rng, 3, false, 20).get(), var_poly(1).get()).get());
    order(a, b);
    Poly g;
    ASSERT_TRUE(basic_mod_method(a.get(), b.get(), g, polynames));
    EXPECT_TRUE(poly_eq_1(g.get()));
    Poly want = ref_gcd(a.get(), b.get());
    EXPECT_TRUE(poly_eq_1(want.get()));
}

TEST(ModMethod, DeclinesInModularMode) {
    Ring ring(32003);
    use_vars(1);
    Poly x = var_poly(1), g;
    Poly a = power(x.get(), 2);
    EXPECT_FALSE(basic_mod_method(a.get(), x.get(), g, polynames));
}

}  // namespace
