// A square matrix of quolys row by row, the working copy of the
// elimination methods (its destructor frees every entry, also when an
// error unwinds through the method).
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "quoly/quoly.h"

namespace tolmex {

struct QuolyRows {
    int32_t n = 0;
    std::vector<Quoly> a;

    // A copy of the n x n entries e (column by column, null for 0).
    QuolyRows(const std::vector<const QuolyRec*>& e, int32_t size);
    Quoly& at(int32_t r, int32_t c) { return a[static_cast<size_t>(r) * n + c]; }
    void swap_rows(int32_t r, int32_t s) {
        for (int32_t c = 0; c < n; ++c) std::swap(at(r, c), at(s, c));
    }
    void swap_cols(int32_t c, int32_t d) {
        for (int32_t r = 0; r < n; ++r) std::swap(at(r, c), at(r, d));
    }
};

// The pivot of the elimination at step k (0-based): numeric entries first
// (1 or -1 at once, else the least), then the non-numeric entry of least
// mass; ties keep the earlier entry, columns are scanned from k on. False
// when column k is zero from row k down, or the whole window is zero.
bool find_good_spot(QuolyRows& m, int32_t k, int32_t& pr, int32_t& pc);

}  // namespace tolmex
