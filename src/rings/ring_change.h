// Changing the ground ring between rational and modular arithmetic, with
// the conversion of every stored value. System data (tables and the polys
// of poly-mod-out) is converted reversibly through the undo list
// `masterfix`, so that returning to rational mode restores it exactly.
//
// A change is all or nothing: converted copies are made first and replace
// the stored values only when every one of them is ready. An error, an
// abandoned interrupt or exhausted memory on the way leaves every value,
// switch and table as it was.
#pragma once

#include <cstdint>
#include <functional>

#include "poly/poly.h"
#include "quoly/quoly.h"

namespace tolmex {

// Visits every user value (variables, array entries); installed by the
// interpreter. The visitor may replace the record (null means 0); the
// holders must stay where they are while no user statement runs.
using QuolyVisitor = std::function<void(QuolyRec*& q)>;
extern void (*for_each_user_value)(QuolyVisitor visit);
// Runs once every converted value is in place (null: nothing); it must not
// fail. The arrays drop the sparse entries that became zero.
extern void (*after_ring_change)();

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
// Interrupts wait until the change is over.
void change_to_rational(bool announce);
// Switches to modular arithmetic with modulus n (2 .. 2147483646; 256 and
// 65536 select the fields of 2^8 and 2^16 elements). The caller has
// announced the change, checked that no algorithm holds single-word numbers
// (error 62) and obtained n; `announce` writes the report of the new ring.
// An interrupt may open a command level on the way (the values are still
// the rational ones then); when the level resumes, the conversion starts
// over from the values as they are.
void change_to_modular(int32_t n, bool announce);
// From modular mode to modulus n as one change (through rational mode:
// values are lifted to integers and reduced again, system data comes from
// its originals). `announce` writes both change messages and the report;
// error 353 as for the return to rational arithmetic.
void change_modulus(int32_t n, bool announce);
// True while a change of ground ring is under way.
bool ring_change_in_progress();
// Called after each user value has been converted, before anything is
// committed (null: nothing); lets the tests make a change fail half-way.
extern void (*ring_change_step)();

// User values to residues and back, in place (the conversions of one
// value; a null result never occurs: zero is the numeric 0).
void quoly_change_num(QuolyRec*& q);
void poly_change_num(PolyNode*& p);
void quoly_change_from_mod(QuolyRec*& q);
void poly_change_from_mod(PolyNode*& p);

// System data to residues: the holder receives a converted copy and the
// original waits on the undo list; restore_from_mod puts every original
// back.
void poly_change_to_mod(PolyNode*& p);
void quoly_change_to_mod(QuolyRec*& q);
void restore_from_mod() noexcept;
// Frees the system data p (a modulus given up) together with the original
// the undo list keeps for its holder, so that no later return to rational
// mode puts it back.
void drop_system_data(PolyNode*& p) noexcept;
// Undo records waiting to be replayed.
int64_t masterfix_length();

// The rational form of the system poly kept at `holder` (a modulus), for
// writing it out in modular mode: a copy of the original the undo list
// keeps (exact := true), else the residues lifted to integers in 0 ..
// modulus - 1 (exact := false). Numbers of the result are full numbers:
// read them with modular arithmetic off.
Poly rational_form(PolyNode* const* holder, bool& exact);

}  // namespace tolmex
