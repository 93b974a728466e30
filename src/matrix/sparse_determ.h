// Determinants of sparse matrices (Matrix::sparse: per row, the nonzero
// entries in increasing column order). The methods work on the rows as
// they are, so that a matrix with few entries per row keeps few entries
// while it is eliminated. Each leaves m intact; a square m is assumed
// (mat_invert checks the shape).
#pragma once

#include <cstdint>

#include "matrix/determinant.h"
#include "matrix/matrix.h"
#include "quoly/quoly.h"

namespace tolmex {

// Fraction-free elimination on the sparse rows: each division by the
// previous pivot is exact; for integral entries an inexact one is an
// internal stop " Gauss-Bareiss".
void sparse_gauss_Bareiss(const Matrix& m, Quoly& det);

// Gaussian elimination over the quolys on the sparse rows: det := the
// product of the pivots with the sign of their permutation.
void sparse_gauss_elim(const Matrix& m, Quoly& det);

// Lint mode, every entry a residue: the determinant as a residue.
// Elimination with the pivots' inverses modulo a prime or in the fields of
// characteristic 2; modulo a composite modulus each column is cleared by
// Euclid's remainder steps, which need no inverse.
int32_t sparse_mod_int_determ(const Matrix& m);

// The dispatcher's branch for sparse matrices (or any matrix with a sparse
// method forced): chooses the method by the entries and the switches of
// det_settings.h. degree (-1: none) and power (0: none) are the optional
// arguments of the determinant built-in, meant for the Lagrange method.
void sparse_determinant(const Matrix& m, Quoly& det, DetMethod method, int32_t degree, int32_t power);

// The methods that work on the sparse rows.
bool is_sparse_method(DetMethod method);

// Error 36 (with name) when the sparse m cannot be inverted in lint mode:
// its size is at least the modulus.
void check_sparse_inverse(const Matrix& m, const char* name);

}  // namespace tolmex
