// Settings of the polynomial arithmetic and display.
#pragma once

#include <cstdint>

namespace tolmex {

extern int poly_cutoff;           // Karatsuba threshold in terms (20; 40 after a ring change)
extern int simplest_poly_cutoff;  // Karatsuba cutoff of the modular one-variable products (140)
extern int fast_mult_cut;         // schoolbook below this many terms in modular products (10)
extern int fast_gcd_size;         // largest degree sum for the dense modular arrays (25000)
extern int div_poly_cutoff;       // divide-and-conquer division threshold (6; 25 modular)
extern int laurent;               // negative exponents allowed
extern int nomodpolyreadin;       // keep integers unreduced when reading polys modulo n
extern int monomial_list;         // display polys as lists of monomials
extern int do_line_sup;           // stop printing a value after 150 lines
extern int try_rat;               // fast evaluation pre-test of exact division
extern int rat_yes;               // second fast probabilistic test (GCD code)
extern int field_depth;           // leading levels that are modded out

// Fixed cut-offs of the product and division dispatchers (poly_mult.cpp,
// poly_divide_long.cpp and the dense and divide-and-conquer methods); unlike
// the settings above no command changes them.
//
// A top list is sparse when its span of exponents exceeds this many times
// its term count (exp_poly_length): sparse operands always take the
// schoolbook rows.
constexpr int32_t kSparseSpanFactor = 6;
// The one-variable dense arrays (fastest_standard, simplest_poly_divide)
// take a poly when this many times its term count exceeds its degree.
constexpr int32_t kDenseArrayFactor = 4;
// The dense two-variable product (fastest_poly2_mult) is chosen only when
// both leading main exponents are at least kDense2MinLead, each top list
// has at least kDense2MinTerms terms and is dense (kDense2DensityFactor
// times the term count exceeds the span of main exponents), the larger
// main degree is at most kDense2MaxRatio times the smaller, and the main
// degrees, and likewise the largest inner degrees, sum to at most
// kDense2MaxDegreeSum (its arrays have that many rows and columns plus
// one). Below these sizes, or less dense, Karatsuba on the term lists is
// faster.
constexpr int32_t kDense2MinLead = 31;
constexpr int32_t kDense2MinTerms = 26;
constexpr int32_t kDense2DensityFactor = 3;
constexpr int32_t kDense2MaxRatio = 9;
constexpr int32_t kDense2MaxDegreeSum = 700;
// The division of modular one-variable polys takes the fast methods (dense
// arrays, divide and conquer) for a divisor of degree above poly_cutoff,
// and for a shorter divisor of degree at least kFastDivisionMinDivisor when
// the dividend's degree exceeds kFastDivisionLengthRatio times the
// divisor's; other divisions run the long division on the term lists.
constexpr int32_t kFastDivisionMinDivisor = 3;
constexpr int32_t kFastDivisionLengthRatio = 20;
// The division on residue arrays takes dividends of degree at most
// kDenseDivisionMaxDegree (its arrays are indexed by exponent) whose two
// operands are dense in the sense of kDenseArrayFactor.
constexpr int32_t kDenseDivisionMaxDegree = int32_t{1} << 26;
// Divide and conquer splits a division only when the dividend's degree is
// at least kSplitRatioNum / kSplitRatioDen (4/3) of the divisor's: below
// that one schoolbook division costs less than the splits.
constexpr int32_t kSplitRatioNum = 4;
constexpr int32_t kSplitRatioDen = 3;
// A power p^n with n at least the prime modulus takes the p-th-power
// shortcut (poly_mod_prime); while pseudo variables of a modding are
// active only for moduli up to kPthPowerPseudoModulus.
constexpr int32_t kPthPowerPseudoModulus = 9;

}  // namespace tolmex
