// The echelon forms of a matrix of residues (modular mode, every entry a
// number) on machine words: the entries are converted once, eliminated
// in place with the residue row kernels, and converted back. Modulo a
// prime and in the fields of 256 and 65536 elements by pivots with
// inverses, taking the same pivots as the elimination on quolys (so both
// give the same forms); modulo a composite by remainder steps.
#pragma once

#include <cstdint>

#include "matrix/matrix.h"

namespace tolmex {

// Modular mode and every entry of m a number.
bool words_suit(const Matrix& m);

enum class WordForm {
    Echelon,  // rows below each pivot cleared, pivots kept
    Reduced,  // pivots made 1, their columns cleared above and below
};

// The form of m (same shape, storage and onedim) and, in rank, the number
// of its nonzero rows. Modulo a composite only WordForm::Echelon: each
// column is cleared below its pivot by row i -= q row r with q the
// quotient of the representatives (operations of determinant 1, so the
// rows span the same module), until one nonzero entry is left.
[[nodiscard]] Matrix word_echelon(const Matrix& m, WordForm form, int32_t& rank);

// Rational mode, every entry of m an integer: rank := the rank of m by
// word eliminations modulo the primes of det_primes(). A rank modulo p
// never exceeds the rank over Q, and falls short only when p divides a
// fixed nonzero minor of that size, whose size is at most the product of
// the lengths of the nonzero rows (Hadamard). So the largest rank found is
// the rank once it is full, or once the primes tried multiply past that
// bound. False (rank unset) for other entries or when the primes run out.
bool integer_rank(const Matrix& m, int32_t& rank);

// The same straight from the array store, without copying a's entries:
// when modular mode is on and every entry of a is a number (a dense a with
// every entry assigned), the form of a (with columns: the column form, the
// transpose of the row form of a's transpose) is stored into the array
// named target, which must have a's shape (error 242), or, with target
// null, only its rank is found; the value is true. Otherwise the value is
// false and nothing is stored. Error 179 modulo a composite for the
// reduced form and the rank. The target is looked up when the form is
// complete: a command level opened by an interrupt meanwhile may have
// deleted or declared arrays (error 28 when it is gone).
bool array_word_echelon(const ArrayRec* a, const char* target, WordForm form, bool columns, int32_t& rank,
                        const char* name);

}  // namespace tolmex
