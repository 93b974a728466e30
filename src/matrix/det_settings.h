// Settings of the determinant and matrix algorithms.
#pragma once

#include <cstdint>

namespace tolmex {

extern int mod_matrix_ok;       // invert integer matrices by adjoint-CRT (1)
extern int lagrange_stash;      // stash Lagrange coefficients in the save file (0)
extern int gauss_cutoff;        // 1: use Gauss-Bareiss (0)
extern int32_t rat_det_method_cut;  // Lagrange cutoff mass over Z (5000)
extern int32_t mod_det_method_cut;  // and over Z/p (150)
extern int32_t detcutoff;       // -1: use the defaults
extern int pseudet_heur;        // sparse pivot heuristic, 0 to 5

}  // namespace tolmex
