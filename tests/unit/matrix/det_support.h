// Helpers shared by the determinant tests.
#pragma once

#include <vector>

#include "matrix/determinant.h"
#include "matrix/matrix.h"

namespace dettest {

// The entries of a dense matrix, column by column (null for 0).
inline std::vector<const tolmex::QuolyRec*> entries(const tolmex::Matrix& m) {
    std::vector<const tolmex::QuolyRec*> e;
    for (const tolmex::Quoly& q : m.e) e.push_back(q.get());
    return e;
}

// The determinant of m by the dispatcher, with the method forced or not.
inline tolmex::Quoly det_of(const tolmex::Matrix& m, tolmex::DetMethod method = tolmex::DetMethod::Auto) {
    tolmex::Quoly d;
    tolmex::mat_invert(m, d, nullptr, "Det", method);
    return d;
}

}  // namespace dettest
