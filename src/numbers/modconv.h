// Multi-modular convolutions of integer sequences: c[k] = sum over i + j =
// k of a[i] b[j], taken modulo word primes by number-theoretic transforms
// and recombined by the Chinese remainder theorem (Garner's mixed radix).
// The dense poly products use them on their Kronecker layout: the slots of
// the exponent box are the positions of the sequences.
//
// A product whose coefficients have B bits takes about B / 30 primes, one
// cyclic convolution of the sequences' length each; a product of the same
// slots through one big integer transforms B / 28 digits a slot with three
// primes. The primes are p = c 2^20 + 1 between 2^29 and 2^30, so that the
// transforms have at most 2^20 points and the primes together hold about
// 1650 bits.
#pragma once

#include <cstdint>
#include <vector>

#include "numbers/number.h"

namespace tolmex {

// Transforms have at most 2^kModConvMaxLog points.
constexpr int kModConvMaxLog = 20;

// The integers at the positions of a sequence, copied (magnitudes in
// base-2^28 digits, with their signs): an operand of a convolution, which
// keeps nothing of the numbers it came from.
class IntSequence {
public:
    // The integer x (not 0) at position `at`; positions may come in any
    // order, each at most once.
    void add(int64_t at, const Number& x);
    // One past the highest position (0 when empty).
    int64_t length() const { return length_; }
    int64_t count() const { return static_cast<int64_t>(at_.size()); }
    // Bits of the largest magnitude.
    int64_t max_bits() const { return max_bits_; }

private:
    friend struct IntSequenceReader;
    std::vector<int64_t> at_;
    std::vector<int64_t> begin_{0};  // entry e: digits_[begin_[e] .. begin_[e + 1])
    std::vector<uint32_t> digits_;
    std::vector<uint8_t> negative_;
    int64_t length_ = 0;
    int64_t max_bits_ = 0;
    int64_t max_digits_ = 0;
};

// Bits enough for 2 |c[k]| + 1, from the sizes and counts of the operands.
int64_t modconv_bound_bits(const IntSequence& a, const IntSequence& b);
// Whether modconv_product takes a convolution of `length` entries whose
// entries need `bits` bits (modconv_bound_bits).
bool modconv_fits(int64_t length, int64_t bits);

// The convolution of a and b (both non-empty; a and b may be the same
// sequence: a square takes one transform a prime): a.length() + b.length()
// - 1 entries, null where the entry is 0. modconv_fits must hold. `between`
// (may be null) is called between the primes and may unwind.
std::vector<Number> modconv_product(const IntSequence& a, const IntSequence& b, void (*between)());

}  // namespace tolmex
