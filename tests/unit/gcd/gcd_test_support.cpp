#include "gcd_test_support.h"

#include "reference_gcd.h"

namespace gcdtest {

Poly random_factor(std::mt19937_64& rng, int nvars, bool dense, int digits) {
    if (dense) return polytest::dense_poly(rng, nvars, nvars <= 2 ? 3 : 2, digits);
    polytest::Shape s;
    s.nvars = nvars;
    s.terms = nvars <= 2 ? 5 : 3;
    s.max_deg = nvars <= 2 ? 4 : 2;
    s.digits = digits;
    return polytest::random_poly(rng, s);
}

void check_against_reference(const PolyNode* g, const PolyNode* a, const PolyNode* b,
                             const PolyNode* c, int nvars) {
    Poly want = ref_gcd(a, b);
    EXPECT_TRUE(polytest::same_poly(g, want.get(), nvars));
    if (tolmex::poly_iszero(g)) return;
    Poly pc = tolmex::poly_is_const(c) ? Poly() : ref_primitive(c);
    if (pc && !tolmex::poly_is_const(pc.get())) {
        EXPECT_TRUE(tolmex::trial_poly_divide_noq(g, pc.get(), nullptr)) << "c does not divide g";
    }
    Poly ca = exact_quotient(a, g), cb = exact_quotient(b, g);
    Poly one = ref_gcd(ca.get(), cb.get());
    EXPECT_TRUE(tolmex::poly_eq_1(one.get())) << polytest::text(one.get(), nvars);
}

::testing::AssertionResult is_gcd_of_multiples(const PolyNode* g, const PolyNode* ac,
                                               const PolyNode* bc, const PolyNode* c) {
    Poly qa, qb, qc;
    if (!normalised(g)) return ::testing::AssertionFailure() << "not normalised";
    if (!divides(c, g, qc)) return ::testing::AssertionFailure() << "c does not divide g";
    if (!divides(g, ac, qa)) return ::testing::AssertionFailure() << "g does not divide a c";
    if (!divides(g, bc, qb)) return ::testing::AssertionFailure() << "g does not divide b c";
    Poly h = gcd_of(qa.get(), qb.get());
    if (!tolmex::poly_is_const(h.get()) || (!tolmex::lintmode && !tolmex::poly_eq_1(h.get())))
        return ::testing::AssertionFailure() << "cofactors share a factor";
    return ::testing::AssertionSuccess();
}

}  // namespace gcdtest
