// The stages of factoring over Z/p and the fields of 2^8 and 2^16 elements
// on dense residue arrays. Internal to src/gcd.
#pragma once

#include <cstdint>
#include <vector>

#include "gcd/powermod.h"
#include "gcd/residue_arrays.h"

namespace tolmex::factorimpl {

// A prime modulus or a field of characteristic 2 is in force.
bool can_factor();
// q, the number of elements of the coefficient field.
gcdimpl::Exponent field_size();
// The degree of the coefficient field over Z/2 (characteristic 2).
int32_t char2_degree();

// The monic GCD (the half-GCD for large degrees).
gcdimpl::Residues array_gcd(gcdimpl::Residues a, gcdimpl::Residues b);
// a / b, which must be exact: otherwise the command stops with `failure`.
gcdimpl::Residues exact_quotient(gcdimpl::Residues a, const gcdimpl::Residues& b,
                                 const char* failure);

// The product g of the irreducible factors of degree d of a square-free
// poly.
struct DegreePart {
    gcdimpl::Residues g;
    int32_t d;
};
// Distinct-degree factorisation of the monic square-free f: parts gets the
// products by increasing degree. test_only stops at the first one and
// leaves out the last, irreducible remainder.
void distinct_degree(gcdimpl::Residues f, std::vector<DegreePart>& parts, bool test_only, bool show);

// Splits f, a product of distinct monic irreducibles of degree d, into its
// factors (appended to out): odd_cantor_zass or even_cantor_zass by the
// characteristic.
void equal_degree(gcdimpl::Residues f, int32_t d, std::vector<gcdimpl::Residues>& out, bool show);
void odd_cantor_zass(gcdimpl::Residues f, int32_t d, std::vector<gcdimpl::Residues>& out);
void even_cantor_zass(gcdimpl::Residues f, int32_t d, std::vector<gcdimpl::Residues>& out);

// The same two stages modulo 2 on packed polys (gf2_poly.h).
void gf2_distinct_degree(gcdimpl::Residues f, std::vector<DegreePart>& parts, bool test_only);
void gf2_equal_degree(gcdimpl::Residues f, int32_t d, std::vector<gcdimpl::Residues>& out);

// A random poly of degree below n with random coefficients of the field.
gcdimpl::Residues random_poly(int32_t n);

}  // namespace tolmex::factorimpl
