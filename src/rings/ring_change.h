// Changing the ground ring between rational and modular arithmetic, with
// the conversion of every stored value. System data (tables and the polys
// of poly-mod-out) is converted reversibly through the undo list
// `masterfix`, so that returning to rational mode restores it exactly.
#pragma once

#include <cstdint>

#include "poly/poly.h"
#include "quoly/quoly.h"

namespace tolmex {

// Visits every user value (variables, array entries); installed by the
// interpreter. The visitor may replace the record (null means 0).
using QuolyVisitor = void (*)(QuolyRec*& q);
extern void (*for_each_user_value)(QuolyVisitor visit);

// The table of the small integers 1 to 998 as quolys, and whether the
// characteristic-polynomial tables still need their set-up.
constexpr int kDenomSize = 999;
extern QuolyRec* denom[kDenomSize];
extern int need_to_set_char_poly;
// Blocks the conversion of those tables, which slows the characteristic
// polynomial in modular mode (1).
extern int chpoly_block;
// Fills `denom` with 1 .. 998 and marks the tables as needing set-up.
void Set_prods_for_char();

// Switches to rational arithmetic. Error 353 when polynomial variables
// were made in modular mode. `announce` writes the change messages.
void change_to_rational(bool announce);
// Switches to modular arithmetic with modulus n (2 .. 2147483646; 256 and
// 65536 select the fields of 2^8 and 2^16 elements). The caller has
// announced the change, checked that no algorithm holds single-word numbers
// (error 62) and obtained n; `announce` writes the report of the new ring.
void change_to_modular(int32_t n, bool announce);

// User values to residues (destructive) and back.
void quoly_change_num(QuolyRec*& q);
void poly_change_num(PolyNode*& p);
void quoly_change_from_mod(QuolyRec*& q);
void poly_change_from_mod(PolyNode* p);

// System data to residues, recording undo records; and the replay.
void poly_change_to_mod(PolyNode*& p);
void quoly_change_to_mod(QuolyRec* q);
void restore_from_mod();
// Undo records waiting to be replayed.
int64_t masterfix_length();

}  // namespace tolmex
