// Helpers shared by the modular GCD methods (mod_method.cpp,
// hensel_crt.cpp): the stash kept out of inner GCDs, residues as numbers,
// images scaled to a chosen leading number, and the comparison of the
// leading monomials by which the methods recognise unlucky primes and
// points. Internal to src/gcd.
#pragma once

#include <cstdint>
#include <vector>

#include "gcd/gcd_state.h"
#include "poly/poly.h"

namespace tolmex::gcdimpl {

// The stash is neither consulted nor filled by the GCDs of images: their
// operands live in another ring (or are throw-away evaluations).
class StashOff {
public:
    StashOff() : saved_(lookupgcd) { lookupgcd = -16383; }
    ~StashOff() { lookupgcd = saved_; }
    StashOff(const StashOff&) = delete;
    StashOff& operator=(const StashOff&) = delete;

private:
    int32_t saved_;
};

// The run of word-size primes the modular methods over Z draw from,
// largest first (mod_method.cpp says which).
const std::vector<int32_t>& modular_prime_supply();
// Modular mode: the residue v as a number.
Number residue(int32_t v);
// Modular mode, prime modulus: p times target / (p's leading number), so
// that the result's leading number is target (zero p stays zero).
void scale_to_leading(Poly& p, int32_t target);
// The monic associate of p (modular mode, prime modulus).
void make_monic(Poly& p);
// A zero poly as the constant 0 (the evaluation leaves null for it).
void settle_zero(Poly& p);
// Whether every exponent of e is 0 (a constant leading term).
bool all_zero(const std::vector<int32_t>& e);
// Orders two leading-exponent vectors lexicographically, level 1 most
// significant: -1, 0 or 1.
int compare_exponents(const std::vector<int32_t>& x, const std::vector<int32_t>& y);

}  // namespace tolmex::gcdimpl
