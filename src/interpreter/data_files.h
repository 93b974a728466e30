// The initialization data files read at start-up from the data directory.
//
// The reading order is fixed; "Qerrs" and "pow228" are read in two stretches
// each:
//
//   subinitialize(dir):
//     "chdat"      opened and kept open for read_late_data
//     "Qerrs"      the 376 error texts
//     "pow228"     two_28, factnum, facts, binom (kept open)
//     "Qerrs"      numbuiltins and the built-in table; closed
//     "pprods"     opened and kept open; "primelist", "bprimes", "f256d",
//                  "f2t16d", "lrgpmes" opened
//     "primelist"  small_prime, med_prime
//     "bprimes"    big_prime
//     "lrgpmes"    lrgpme
//     "f256d"      f256inv, f256prod (upper triangle, then mirrored), f256sqr
//     "f2t16d"     f2t16exp, f2t16inv, f2t16log, f2t16sqr
//   read_late_data():
//     "pprods"     prime[5 .. 603], then invs_prod, then num_prod
//     "pow228"     the single-word values of binom[0 .. 79]
//     "chdat"      the table pol
//
// Every problem is reported through tolmex_error without a command-level
// push: a file that cannot be opened ("can't find ...") is skipped and its
// tables stay empty; a failed check ("... file is damaged ...") keeps the
// values read. Nothing is ever read from a file that failed to open. A
// value that cannot be read (a truncated or garbled file) ends the reading
// of that file quietly; the file's own checks then usually report it.
//
// Tables filled here and declared elsewhere: numbers/tables.h (two_28,
// factnum, facts, binom, small_prime, med_prime, big_prime, lrgpme, prime,
// num_prod, invs_prod), rings/field_tables.h (the tables of the fields of
// 2^8 and 2^16 elements), interpreter/builtins.h (builtin, numbuiltins).
//
// invs_prod, the inverses of Garner's method over the moduli prime[5 ..]:
//   invs_prod[0] = 1,
//   invs_prod[j] = (prime[5] * prime[6] * ... * prime[5 + j - 1])^-1
//                  mod prime[5 + j]                     for j = 1 .. 598,
// the inverse taken in 0 .. prime[5 + j] - 1.
#pragma once

#include <cstdio>
#include <string>

#include "poly/poly.h"
#include "quoly/quoly.h"

namespace tolmex {

// The table of constant quolys read from "chdat": pol[0][0] is 1 and row i
// (1 <= i <= 11) holds pol[i][0 .. i - 1]; every other entry is empty.
// Row i holds the Lagrange basis of interpolation at 0, 1, ..., i - 1 in
// the level-1 variable x:
//   pol[i][j] = prod over k != j, 0 <= k < i, of (x - k) / (j - k).
constexpr int kPolSize = 38;
constexpr int kPolRowsUsed = 12;
extern Quoly pol[kPolSize][kPolSize];
// pol[i][j], or null when (i, j) is outside the table or the entry is empty.
const QuolyRec* pol_entry(int i, int j);

// Reads the data files of the first stretch (see the top of this file),
// after the tables have been emptied; dir ends with "/". Grows
// size_data_strucs by what the tables hold.
void subinitialize(const std::string& dir);

// The reading that start-up does after subinitialize: the rest of the files
// subinitialize left open ("pprods", the last part of "pow228", "chdat").
// The first call also fills the free lists of digits and polynodes.
void read_late_data();

// Empties every table this file fills, closes the files left open and takes
// back the accounting of the last reading (for a second reading in tests).
void reset_data_tables();

// The readers of "chdat" (any stream in the same layout). Each returns
// false, leaving its destination alone, when the stream does not hold a
// well-formed item. A number in digit-count form is a count m (1 <= m),
// then m base-2^28 digits, most significant first, each carrying the sign
// of the number.
//
// A poly in the level-1 variable: its degree d, then d + 1 coefficients for
// x^d .. x^0, each a number in digit-count form.
bool direct_poly_read(FILE* f, Poly& p);
// A quoly: its denominator (a number in digit-count form; the single digit 1
// means none), then its numerator (a poly as direct_poly_read takes it).
// Rational arithmetic is assumed (the start-up state).
bool direct_quoly_read(FILE* f, Quoly& q);

namespace data_detail {

// The binomial stream of "pow228" for n = 3, 6, ..., last_n (start-up uses
// 150, which gives exactly the 1900 entries of binom). Returns the entries
// stored; an entry beyond the table is reported and ends the stream.
int read_binomials(FILE* f, int last_n);

// Puts 5001 digit slots on numhead and 5001 heap-made polynodes on
// polygarb (read_late_data does this once).
void prefill_free_lists();

}  // namespace data_detail

}  // namespace tolmex
