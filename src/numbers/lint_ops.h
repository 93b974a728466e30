// Arithmetic on the single-word values of numbers (lintmode): residues in
// modular mode, field elements in the fields of characteristic 2, wrapping
// machine integers otherwise. For the code of src/numbers only.
#pragma once

#include <cstdint>

#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

inline int32_t lint_add(int32_t a, int32_t b) {
    if (modularmode) return mod_add(a, b, modulus);
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline int32_t lint_sub(int32_t a, int32_t b) {
    if (modularmode) return mod_sub(a, b, modulus);
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

inline int32_t lint_neg(int32_t a) {
    if (modularmode) {
        if (finf || a == 0) return a;
        return modulus - a;
    }
    return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
}

inline int32_t lint_mul(int32_t a, int32_t b) {
    if (modularmode) return modmult(a, b);
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace tolmex
