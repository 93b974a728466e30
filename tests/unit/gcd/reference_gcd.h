// Support of the tests of the modular GCD methods: a reference GCD (a
// primitive pseudo-remainder sequence, recursive over the variables) and
// the contents it is built from.
#pragma once

#include "poly/poly.h"

namespace gcdtest {

// gcd(a, b) by the primitive remainder sequence: positive leading number
// over Z, monic over Z/p (the ring in force).
tolmex::Poly ref_gcd(const tolmex::PolyNode* a, const tolmex::PolyNode* b);
// The content of p with respect to its top variable (a poly of the deeper
// variables, at p's level) and p divided by it.
tolmex::Poly ref_content(const tolmex::PolyNode* p);
tolmex::Poly ref_primitive(const tolmex::PolyNode* p);
// a / b for a b known to divide a.
tolmex::Poly exact_quotient(const tolmex::PolyNode* a, const tolmex::PolyNode* b);

}  // namespace gcdtest
