// Splitting a term list in place for the divide-and-conquer methods
// (Karatsuba products, divide-and-conquer division). Internal to src/poly.
//
// The list is cut into a high part (its leading terms) and a low part (the
// rest), and the exponents of the high part are shifted by s (s < 0 lowers
// them). While split, the high part is a normalised poly of its own:
//  * a term whose shifted exponent is 0 over a single number node is
//    represented by that number node (the term node is parked);
//  * a number node of the high part receives a fresh wrapper node carrying
//    the shifted exponent.
// The destructor undoes everything and joins the parts again, so the
// operand is restored also when an error unwinds through the algorithm.
// Only private copies are split (PrivateOperands), so the algorithms may
// poll for interrupts while a split is alive.
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex::polyimpl {

class ListSplit {
public:
    // High part: the first `count` terms of p (count >= 1).
    static ListSplit by_count(PolyNode* p, int32_t count, int32_t shift);
    // High part: the terms of exponent >= threshold (p's first term must
    // qualify); the low part may be empty.
    static ListSplit by_exponent(PolyNode* p, int32_t threshold, int32_t shift);

    ~ListSplit() { restore(); }
    ListSplit(const ListSplit&) = delete;
    ListSplit& operator=(const ListSplit&) = delete;
    // Returned only as prvalues (guaranteed elision): never moved.
    ListSplit(ListSplit&&) = delete;
    ListSplit& operator=(ListSplit&&) = delete;

    const PolyNode* high() const { return high_; }
    // The low part; null when empty.
    const PolyNode* low() const { return low_; }

private:
    ListSplit(PolyNode* p, PolyNode* cut, int32_t shift);
    void restore() noexcept;

    PolyNode* high_ = nullptr;
    PolyNode* low_ = nullptr;
    int32_t shift_ = 0;
    PolyNode* parked_ = nullptr;
    PolyNode* wrapper_ = nullptr;
    bool active_ = false;
};

}  // namespace tolmex::polyimpl
