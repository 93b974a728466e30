// The pseudo-determinant of an integer matrix: a large known divisor of
// its determinant, read off the denominators of the solution of A x = b
// for a random integer vector b. With it the determinant needs word
// primes only for det / pseudo.
#pragma once

#include <cstdint>
#include <vector>

#include "matrix/matrix.h"
#include "numbers/number.h"
#include "quoly/quoly.h"

namespace tolmex {

// int_determ computes a pseudo-determinant first from this many rows on:
// below it the determinant needs few primes, and the fixed costs of the
// pseudo-determinant (a modular inverse, the lifting steps and one
// big-integer reconstruction per row) are not won back.
constexpr int32_t kPseudoMinRows = 40;

// Rational mode, integer entries (column by column, null for 0), each
// below 2^31 in magnitude: pseudo := the positive least common multiple
// of the denominators of x, where A x = b is solved by p-adic lifting
// from the inverse of A modulo a word prime p and rational reconstruction
// under Cramer's bound; it divides det(A). False when the entries are too
// large, or when A is singular modulo every prime tried (then it is most
// likely singular).
bool find_pseudo(const std::vector<const QuolyRec*>& e, int32_t n, Number& pseudo);

// det := det(A) = pseudo * c, with c from its residues det_p * pseudo^-1
// mod word primes p that do not divide pseudo, enough for the bound of
// |det| / pseudo. False when the primes do not suffice.
bool pseudo_int_determ(const std::vector<const QuolyRec*>& e, int32_t n, const Number& pseudo, Number& det);

// The built-in Pseudet: " Precomputing pseudo-determinant, rows %2d:\n"
// when verbose, then a divisor of det(m) for an integer matrix m in
// rational mode: find_pseudo's, or the determinant itself when it
// declines (0 for a singular m). Error 313 with name when m is not
// square; error 367 for other entries or in modular mode.
[[nodiscard]] Quoly new_pseudo(const Matrix& m, const char* name);

}  // namespace tolmex
