// The one-variable GCD over Z/p behind basic_poly_gcd (gcd_methods.h): the
// residue-array Euclid with cofactors, the Euclid on dense arrays, and the
// settings that choose between them and the half-GCD (half_gcd.h).
#pragma once

#include <cstdint>

#include "gcd/residue_arrays.h"
#include "poly/poly.h"

namespace tolmex {

// Smallest combined size of a one-variable GCD over Z/p worth stashing.
extern int32_t small_gcd_stash_cut;  // 100
// Kept with the half-GCD's settings; the method is chosen by degree sum
// (kHalfGcdDegreeSum, half_gcd.h, measured where the half-GCD starts to
// win).
extern int32_t hgcd_cut;  // 11000

// Which method basic_poly_gcd runs: Automatic chooses by modulus and size;
// the others force one method (the tests compare them).
enum class UniGcdMethod { Automatic, Emgcd, Euclid, HalfGcd };
extern UniGcdMethod unigcd_method;

// g := monic gcd(a, b), s and t := cofactors with s a + t b = g (either
// may be null when not wanted). Over Z/p for a modulus below 65534 (any
// prime modulus works).
void emgcd_full(const gcdimpl::Residues& a, const gcdimpl::Residues& b, gcdimpl::Residues& g,
                gcdimpl::Residues* s, gcdimpl::Residues* t);
// The same on polys: g := the monic GCD poly of the one-variable polys a
// and b; s and t := the cofactors when wanted.
void emgcd_poly(const PolyNode* a, const PolyNode* b, Poly& g, Poly* s = nullptr,
                Poly* t = nullptr);

// g := monic gcd(a, b) by the Euclidean algorithm on the arrays, which it
// uses up.
void euclid_total(gcdimpl::Residues& a, gcdimpl::Residues& b, gcdimpl::Residues& g);

// Characteristic 2: x := x mod y and y := y mod x by the field tables.
void f_divide_y_into_x(gcdimpl::Residues& x, const gcdimpl::Residues& y);
void f_divide_x_into_y(const gcdimpl::Residues& x, gcdimpl::Residues& y);

}  // namespace tolmex
