// Determinants by expansion by minors with the minor stash: the matrix is
// held as row and column lists of its nonzero entries, each level expands
// along the row or column with fewest entries, and the minors of the sizes
// the stash keeps are looked up before and stored after they are expanded.
// Every level polls for interrupts; the stash is freed however the
// expansion ends.
#pragma once

#include <cstdint>
#include <vector>

#include "matrix/matrix.h"
#include "quoly/quoly.h"

namespace tolmex {

// det := the determinant of the n x n matrix e (column by column, null for
// 0), entries quolys.
void do_minors_det(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det);
// The determinant of the n x n residue matrix a (row by row; residues of
// the modulus in force, lint mode). Needs no inverse, so any modulus
// (composite ones, the small fields) will do.
int32_t int_do_minors_det(const std::vector<int32_t>& a, int32_t n);

// The same for a square matrix m, sparse or dense (m's lists are read as
// they stand; nothing is copied into dense form).
void sparse_minors_det(const Matrix& m, Quoly& det);
// m square, sparse or dense, every entry a number (a residue: lint mode).
int32_t int_sparse_minors_det(const Matrix& m);

// det := the determinant of the square matrix m by minors: the residue
// expansion in lint mode when every entry is a number and integer mode
// (integer_mode) is off, else the quoly expansion.
void minors_determinant(const Matrix& m, Quoly& det, bool integer_mode = false);

// The minors branch of the sparse method choice: with e = detcutoff (3
// when negative), an n x n matrix with 1 < n <= e goes to expansion by
// minors (det := its determinant, true); otherwise false and det is left
// alone.
bool sparse_minors_branch(const Matrix& m, Quoly& det, bool integer_mode = false);

}  // namespace tolmex
