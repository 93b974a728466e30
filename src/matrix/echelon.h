// Echelon forms and rank of matrices over the ground ring in force: over
// integers and polynomial entries by fraction-free elimination (Bareiss),
// whose entries stay in the ring; over fields (rational or rational-
// function entries, Z/p, the fields of 256 and 65536 elements) by pivots
// with inverses. The rank is taken over the fraction field. A composite
// modulus has no rank: error 179, except for the row and column echelon
// forms of numeric matrices, which it reduces by remainder steps. In
// modular mode numeric matrices are eliminated on machine words
// (echelon_words.h). Every routine computes into a copy, so an error or
// an interrupt leaves its argument as it was.
#pragma once

#include <cstdint>
#include <vector>

#include "matrix/matrix.h"

namespace tolmex {

// Error 179 under a composite modulus (no field to eliminate over).
void require_field_ground(const char* name);

// Which elimination a numeric matrix in modular mode takes: on machine
// words (Auto), or forced either way (the tests compare the two). Words
// forced on other entries is error 367.
enum class EchelonPath { Auto, Quolys, Words };

// The rank of m.
int32_t matrix_rank(const Matrix& m, const char* name, EchelonPath path = EchelonPath::Auto);
// A row echelon form of m (same shape and storage) and its rank: fraction-
// free when every entry is an integer or a poly, else by field pivots.
// Modulo a composite (numeric entries only) rank is the number of nonzero
// rows of the form.
[[nodiscard]] Matrix row_echelon(const Matrix& m, int32_t& rank, const char* name,
                                 EchelonPath path = EchelonPath::Auto);
// The same on columns: the transpose of the row echelon form of m^T.
[[nodiscard]] Matrix column_echelon(const Matrix& m, int32_t& rank, const char* name,
                                    EchelonPath path = EchelonPath::Auto);
// The reduced row echelon form: each nonzero row leads with 1, the other
// entries of a pivot column are 0. Unique for the row space of m.
[[nodiscard]] Matrix reduced_row_echelon(const Matrix& m, int32_t& rank, const char* name,
                                         EchelonPath path = EchelonPath::Auto);

// Fraction-free LU: P m = l D^-1 u, where P puts row perm[i] of m
// (0-based) in row i, u is the fraction-free row echelon form (pivots
// p1, p2, ... leading its rows), l is lower triangular with the pivots on
// its diagonal (1 below the rank) and the entries each step eliminated
// below them, and D = diag(p1, p1 p2, ..., p(r-1) pr, ...) (the entries
// past the rank r multiply zero rows of u).
struct FractionFreeLU {
    Matrix l, u;
    std::vector<int32_t> perm;
    int32_t rank = 0;
};
[[nodiscard]] FractionFreeLU fraction_free_lu(const Matrix& m, const char* name);
// Both factors in one matrix of u's shape: u's entries (row i has none
// left of column i) with l's entries below the diagonal in the columns
// before the rank; l's diagonal is u's pivots.
[[nodiscard]] Matrix compact_lu(const FractionFreeLU& lu);

}  // namespace tolmex
