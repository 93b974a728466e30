// Matrices as values: what an array expression computes before it is
// stored into its target array. A matrix is dense (entries column by
// column, a null entry standing for 0) or sparse (per row, the nonzero
// entries in increasing column order).
#pragma once

#include <cstdint>
#include <vector>

#include "matrix/array_store.h"
#include "quoly/quoly.h"

namespace tolmex {

struct SparseEntry {
    int32_t col;  // 0-based
    Quoly v;      // never zero
};

struct Matrix {
    int32_t rows = 0, cols = 0;
    bool onedim = false;
    bool sparse = false;
    std::vector<Quoly> e;                          // dense: rows * cols, column by column
    std::vector<std::vector<SparseEntry>> srows;   // sparse: one list per row

    // An empty (all zero) matrix of that shape.
    static Matrix zero(int32_t rows, int32_t cols, bool sparse);
    // The entry (r, c), null for 0.
    const QuolyRec* at(int32_t r, int32_t c) const;
    // Sets entry (r, c); a zero value of a sparse matrix is not stored.
    void set(int32_t r, int32_t c, Quoly&& v);
    bool square() const { return rows == cols; }
    int64_t count_nonzero() const;
};

// The entries of array a (unassigned dense entries become 0 and are
// counted in `unassigned`).
Matrix matrix_from_array(const ArrayRec* a, int64_t* unassigned = nullptr);
// Stores m into array a, whose shape must be m's (error 242); a's old
// entries are freed. A dense array takes every entry (null for 0 becomes
// the number 0); a sparse array only the nonzero ones.
void matrix_to_array(Matrix&& m, ArrayRec* a);
[[nodiscard]] Matrix matrix_copy(const Matrix& m);

// ---------------------------------------------------------------------------
// Arithmetic. Shapes that do not fit are error 242; a power of a matrix
// that is not square is error 313. Every routine leaves its operands
// intact and is exact over the ground ring in force.

[[nodiscard]] Matrix matrix_to_sparse(const Matrix& m);
[[nodiscard]] Matrix matrix_to_dense(const Matrix& m);
[[nodiscard]] Matrix matrix_add(const Matrix& a, const Matrix& b, bool subtract);
[[nodiscard]] Matrix matrix_mult(const Matrix& a, const Matrix& b);
// The same product computed entry by entry with the general arithmetic
// only (the fast paths are not taken): a check of the fast ones.
[[nodiscard]] Matrix matrix_mult_plain(const Matrix& a, const Matrix& b);
[[nodiscard]] Matrix matrix_transpose(const Matrix& m);
// s * m (s on the left) or m * s.
void matrix_scale(Matrix& m, const QuolyRec* s, bool left);
// Every entry e becomes op(e, s) for the operators "/" and "|".
void matrix_entrywise(Matrix& m, const QuolyRec* s, char op);
void matrix_negate(Matrix& m);
[[nodiscard]] Matrix matrix_identity(int32_t n, bool sparse);
// m^n for n >= 0 by repeated squaring; alt: by n - 1 multiplications.
// With modulus (not null) every product's entries are reduced modulo it.
[[nodiscard]] Matrix matrix_power(const Matrix& m, int64_t n, bool alt, const QuolyRec* modulus = nullptr);
// Columns of b after those of a (rows must agree); two vectors are joined
// end to end.
[[nodiscard]] Matrix matrix_join(const Matrix& a, const Matrix& b);
// A vector gives the diagonal matrix; a matrix gives its diagonal.
[[nodiscard]] Matrix matrix_diag(const Matrix& m);
// rows lo_r .. hi_r and columns lo_c .. hi_c (0-based, inclusive).
[[nodiscard]] Matrix matrix_part(const Matrix& m, int32_t lo_r, int32_t hi_r, int32_t lo_c, int32_t hi_c);
bool matrix_equal(const Matrix& a, const Matrix& b);
bool matrix_is_zero(const Matrix& m);
// The entries reduced modulo q ("|"), in place.
void matrix_reduce(Matrix& m, const QuolyRec* q);

}  // namespace tolmex
