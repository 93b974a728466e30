// Determinants and inverses of dense matrices. The dispatcher `mat_invert`
// chooses the method from the entries (integers, residues, polys, rational
// functions) and the switches of det_settings.h; the methods are reachable
// one by one so that they can be checked against each other.
#pragma once

#include <cstdint>
#include <vector>

#include "matrix/matrix.h"
#include "numbers/number.h"
#include "quoly/quoly.h"

namespace tolmex {

// The method mat_invert uses for a determinant; Auto lets it choose. The
// Sparse methods work on the rows of a sparse matrix (sparse_determ.h; a
// dense one forced to them is read as sparse).
enum class DetMethod {
    Auto, IntCrt, ModElim, Bareiss, Elimination, Lagrange, SparseBareiss, SparseElim, SparseModInt, Minors
};

// det := the determinant of the matrix m (null entries are 0), error 313
// with `name` when m is not square. A sparse m has its own choice of
// method (sparse_determinant), to which degree (-1: none) and power (0:
// none) are passed. With inverse not null it also receives m^-1: error 44
// when m is singular; a sparse m gets a sparse inverse, which is error 36
// in lint mode when its size is at least the modulus. m is left intact; an
// error or an interrupt leaves every stored value as it was. A forced
// method that does not suit the entries is error 367. DetMethod::Minors is
// expansion by minors with the minor stash (minors_det.h), which reads a
// sparse m in its sparse form.
void mat_invert(const Matrix& m, Quoly& det, Matrix* inverse = nullptr, const char* name = "^",
                DetMethod method = DetMethod::Auto, int32_t degree = -1, int32_t power = 0);

// The adjoint (the transposed matrix of cofactors) of the square matrix m:
// det(m) m^-1 when m is nonsingular, else each cofactor as a determinant.
// Error 313 with name when m is not square.
[[nodiscard]] Matrix adjoint_matrix(const Matrix& m, const char* name);

// The determinant of the n x n residue matrix a (row by row, residues of
// the modulus in force; a is destroyed). Gaussian elimination with the
// pivots' inverses modulo a prime or in the small fields; modulo a
// composite modulus the columns are cleared by Euclid's remainder steps,
// which need no inverse.
int32_t mod_determ(std::vector<int32_t>& a, int32_t n);

// Rational mode, entries integers (column by column, null for 0): det :=
// the determinant by small_mod_determ. False when more word primes would
// be needed than the prime table holds.
bool int_determ(const std::vector<const QuolyRec*>& e, int32_t n, Number& det);

// The determinant modulo enough word primes for a Hadamard-type bound,
// recombined by Garner's method; the sign is settled by the parity of the
// determinant. False when the primes do not suffice.
bool small_mod_determ(const std::vector<const QuolyRec*>& e, int32_t n, Number& det);

// Fraction-free elimination over the quolys: det := the determinant of the
// n x n matrix e (column by column, null for 0). Each division by the
// previous pivot is exact; for integral entries an inexact one is an
// internal stop.
void gauss_Bareiss(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det);

// The size of the block that expansion by minors finishes after Gaussian
// elimination: from detcutoff, or by the matrix size when it is negative.
// Values of detcutoff above kMaxMinorsBlock are used as kMaxMinorsBlock
// (larger ones are meant for sparse matrices).
constexpr int32_t kMaxMinorsBlock = 40;
int32_t elimination_depth(int32_t n, bool all_numbers);

// Blocks of up to this many rows are finished by plain cofactor expansion
// (small_determ); larger ones by expansion by minors with the minor stash.
constexpr int32_t kSmallDetermBlock = 3;

// Gaussian elimination over the quolys (pivots from find_good_spot, the
// pivot row divided into the rows below) until c rows remain (at least
// one), then det := the product of the pivots times the remaining block's
// determinant by expansion by minors (do_minors_det, minors_det.h).
void standard_matrix_invert(const std::vector<const QuolyRec*>& e, int32_t n, int32_t c, Quoly& det);

// Cofactor expansion along the first row (2 x 2 blocks as ad - bc).
void small_determ(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det);

// Rational mode, integer entries: inv := m^-1 from the determinant and the
// adjoint computed modulo word primes (error 44 when det is 0). False when
// the primes do not suffice: the caller takes the general route.
bool mod_matrix_inv(const Matrix& m, Quoly& det, Matrix& inv, const char* name);

// The word primes of the multi-modular methods (the prime table from its
// sixth entry on), as many as the table holds.
const std::vector<int32_t>& det_primes();

// Bits of a Hadamard-type bound of the determinant of integer entries
// (column by column, null for 0); -1 when a row is zero.
double hadamard_bits(const std::vector<const QuolyRec*>& e, int32_t n);

}  // namespace tolmex

namespace tolmex {

// Gauss-Jordan inversion of the n x n residue matrix a (row by row;
// destroyed) modulo the prime in force: inv := a^-1 row by row. False when
// a is singular.
bool mod_inverse_rows(std::vector<int32_t>& a, int32_t n, std::vector<int32_t>& inv);

}  // namespace tolmex
