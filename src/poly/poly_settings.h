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

}  // namespace tolmex
