#include "gcd_test_support.h"

namespace gcdtest {

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
