// Checks of the integer normal forms shared by their tests: the shape of a
// Hermite form and of a Smith form, and unimodularity.
#pragma once

#include <gtest/gtest.h>

#include "matrix/det_support.h"
#include "matrix/matrix.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "numbers/number.h"
#include "quoly/quoly_arith.h"

namespace nfcheck {

using namespace tolmex;

// The entry as a number (0 for a null entry).
inline Number value(const Matrix& m, int32_t r, int32_t c) {
    Number x;
    const QuolyRec* v = m.at(r, c);
    if (!v || quoly_iszero(v)) return number_from_int64(0);
    EXPECT_TRUE(quoly_is_number(v));
    num_assign(quoly_number(v), x);
    return x;
}

inline bool is_unit(const Matrix& u) {
    Quoly d = dettest::det_of(u);
    int pm = 0;
    return quoly_is_number(d.get()) && equal_to_pm1(quoly_number(d.get()), pm);
}

// Echelon shape with `rank` nonzero rows, positive pivots, entries above
// each pivot in 0 .. pivot - 1.
inline void expect_hermite_shape(const Matrix& h, int32_t rank) {
    int32_t last = -1;
    for (int32_t r = 0; r < h.rows; ++r) {
        int32_t p = 0;
        while (p < h.cols && value(h, r, p).sign() == 0) ++p;
        if (r >= rank) {
            EXPECT_EQ(p, h.cols) << "row " << r << " past the rank is not zero";
            continue;
        }
        ASSERT_LT(p, h.cols) << "row " << r << " within the rank is zero";
        EXPECT_GT(p, last) << "pivot columns must increase";
        last = p;
        Number piv = value(h, r, p);
        EXPECT_GT(piv.sign(), 0);
        for (int32_t i = 0; i < r; ++i) {
            Number x = value(h, i, p);
            EXPECT_GE(x.sign(), 0) << "above pivot (" << r << ", " << p << ")";
            EXPECT_LT(compare(x, piv), 0) << "above pivot (" << r << ", " << p << ")";
        }
    }
}

// Diagonal, non-negative, d_k | d_k+1, `rank` nonzero invariants first.
inline void expect_smith_shape(const Matrix& s, int32_t rank) {
    for (int32_t r = 0; r < s.rows; ++r)
        for (int32_t c = 0; c < s.cols; ++c) {
            Number x = value(s, r, c);
            if (r != c) {
                EXPECT_EQ(x.sign(), 0) << "off the diagonal at " << r << ", " << c;
                continue;
            }
            EXPECT_EQ(x.sign() != 0, r < rank) << "invariant " << r;
            EXPECT_GE(x.sign(), 0);
            if (r == 0 || x.sign() == 0) continue;
            Number q, rem;
            divide(x, value(s, r - 1, r - 1), q, rem);
            EXPECT_EQ(rem.sign(), 0) << "d" << r << " does not divide d" << r + 1;
        }
}

}  // namespace nfcheck
