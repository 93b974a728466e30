// Chinese remaindering over word primes for the integer methods of the
// determinant code (Garner's mixed-radix form).
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

#include "numbers/number.h"
#include "quoly/quoly.h"

namespace tolmex {

class Garner {
public:
    explicit Garner(std::vector<int32_t> primes);
    // The integer with residues r (one per prime): in [0, M) or, with
    // symmetric, in (-M/2, M/2], M the product of the primes. Rational mode.
    [[nodiscard]] Number combine(const std::vector<int32_t>& r, bool symmetric) const;
    const Number& product() const { return m_; }
    const std::vector<int32_t>& primes() const { return p_; }

private:
    std::vector<int32_t> p_;
    std::vector<int32_t> inv_;  // inv_[j] = (p_0 ... p_{j-1})^-1 mod p_j
    Number m_;
};

// |x| rounded down to 28 digit-bits precision, as log2; -1e300 for 0.
double log2_abs(const Number& x);
// x mod p in 0 .. p - 1 for an integer x with digits.
int32_t residue_of(const Number& x, int32_t p);
// The first primes of det_primes(), skipping those for which skip(p) says
// so, until their product has more than bits bits; empty when the list
// runs out.
template <class Skip>
std::vector<int32_t> primes_for_bits(double bits, const std::vector<int32_t>& all, Skip skip) {
    std::vector<int32_t> out;
    double have = 0;
    for (int32_t p : all) {
        if (have > bits) return out;
        if (skip(p)) continue;
        out.push_back(p);
        have += std::log2(static_cast<double>(p));
    }
    if (have > bits) return out;
    return {};
}

}  // namespace tolmex
