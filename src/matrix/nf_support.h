// Shared pieces of the integer normal forms (normal_forms.cpp, hermite.cpp,
// smith.cpp): dense integer matrices stored row by row, the few integer
// operations they need as values, and the row and column operations.
#pragma once

#include <cstdint>
#include <vector>

#include "matrix/matrix.h"
#include "numbers/number.h"

namespace tolmex::nf {

// Dense integer rows, row by row.
struct IntMat {
    int32_t rows = 0, cols = 0;
    std::vector<Number> e;
    Number& at(int32_t r, int32_t c) { return e[static_cast<size_t>(r) * cols + c]; }
    const Number& at(int32_t r, int32_t c) const { return e[static_cast<size_t>(r) * cols + c]; }
};

Number num(int64_t v);
Number copy_of(const Number& x);
Number add(const Number& a, const Number& b);
Number sub(const Number& a, const Number& b);
Number mul(const Number& a, const Number& b);
Number neg(const Number& a);
// a / b rounded toward zero (b nonzero).
Number trunc_quot(const Number& a, const Number& b);
// floor(a / b) for b > 0.
Number floor_quot(const Number& a, const Number& b);
// a mod b in 0 .. b - 1 for b > 0.
Number floor_mod(const Number& a, const Number& b);
// g = s a + t b, g = gcd(a, b) >= 0.
void extended_gcd(const Number& a, const Number& b, Number& g, Number& s, Number& t);

IntMat zero_mat(int32_t rows, int32_t cols);
IntMat identity(int32_t n);
IntMat copy_mat(const IntMat& m);
IntMat transpose(const IntMat& m);
// The entries of a; error 367 with name for modular mode or an entry that
// is not an integer.
IntMat from_matrix(const Matrix& a, const char* name);
Matrix to_matrix(IntMat& m);
// A copy of a as a matrix (a is left as it is).
Matrix matrix_of(const IntMat& a);
// a's rows `rows` and columns `cols`, in that order.
IntMat submatrix(const IntMat& a, const std::vector<int32_t>& rows, const std::vector<int32_t>& cols);
bool is_zero(const IntMat& m);

// Rows i and j of m := (p, q; s, t) applied to them (p t - q s = +-1).
void combine_rows(IntMat& m, int32_t i, int32_t j, const Number& p, const Number& q, const Number& s,
                  const Number& t);
// Row i -= f * row j; column i -= f * column j.
void sub_row(IntMat& m, int32_t i, int32_t j, const Number& f);
void sub_col(IntMat& m, int32_t i, int32_t j, const Number& f);
void swap_rows(IntMat& m, int32_t i, int32_t j);
void swap_cols(IntMat& m, int32_t i, int32_t j);
void negate_row(IntMat& m, int32_t i);

// The exact methods (extended-gcd operations on exact integers, no
// modulus): the reference the modular ones are tested against and the
// route for the transforms.
int32_t hermite_exact(IntMat& a, IntMat* u);
int32_t smith_exact(IntMat& a, IntMat* u, IntMat* v);
// The same diagonalisation with every entry kept symmetric modulo d > 0
// (no transforms). When a's columns span a lattice that holds d Z^rows,
// the gcds of the diagonal entries with d are a's invariants (d for a
// diagonal entry 0). The value is the number of steps taken.
int32_t smith_mod_d(IntMat& a, const Number& d);

// A word prime chosen at random among the first hundred of the
// determinant's table, so that no fixed matrix meets an unlucky prime
// every time.
int32_t random_word_prime();
// The rank profile modulo the prime p: rows[i] and cols[i] the row and
// column of the i-th pivot of elimination with row exchanges; the columns
// increase, and a's minor on them is nonzero modulo p.
struct Profile {
    std::vector<int32_t> rows, cols;
};
Profile rank_profile(const IntMat& a, int32_t p);

// Rows in echelon form: row i is zero before column piv[i], the pivots
// positive, piv increasing; the Hermite form under construction.
struct Echelon {
    int32_t cols = 0;
    std::vector<std::vector<Number>> rows;
    std::vector<int32_t> piv;
};
// The rows of e and v span the lattice of e's rows and v, in echelon form
// again: v is reduced against the rows (extended gcds where a pivot does
// not divide it) and becomes a new row where it keeps a leading entry in
// a column without a pivot. With every column a pivot column, v's entries
// are reduced modulo the product of the pivots, which the lattice holds.
void add_row(Echelon& e, std::vector<Number> v);
// The entries above each pivot into 0 .. pivot - 1.
void reduce_all(Echelon& e);
// Row i's entries in the pivot columns after its own reduced by the rows
// below.
void reduce_row(Echelon& e, size_t i);

// The Hermite form of the square nonsingular b (integer entries of at
// most 61 bits, at least 3 rows) by the two-minor route; false when it
// does not apply (the gcd of the two minors zero or not a machine word).
bool hermite_two_minors(const IntMat& b, Echelon& e);
// The Hermite form of the lattice of ac's rows, ac of full column rank
// with its minor on block_rows nonzero; reduced. plain: modulo that minor
// only, without the two-minor route.
Echelon hermite_full_rank(const IntMat& ac, const std::vector<int32_t>& block_rows, bool plain);
// a := its Hermite form by the modular route (the exact one where the
// modular result cannot be proved); the value is the rank.
int32_t hermite_modular(IntMat& a, bool plain);
// The form of (a | I) has the rows (y a, y) for y running over a
// unimodular matrix: a := its left block, a's form, u := its right block,
// a transform; the value is the rank.
int32_t hermite_with_transform(IntMat& a, IntMat& u, bool plain);
// a := its Smith form, u, v := unimodular with u a v the form: from the
// Hermite form with its transform, the pivots 1 split off by column
// operations, the rest (the rows with other pivots) by the exact route.
int32_t smith_with_transforms(IntMat& a, IntMat& u, IntMat& v, bool plain);
// a := its Smith form (no transforms) modulo a determinant; the value is
// the rank.
int32_t smith_modular(IntMat& a, bool plain);

// The determinant of the square integer matrix a.
Number int_det(const IntMat& a);

}  // namespace tolmex::nf
