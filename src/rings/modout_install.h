// Installing and removing modding polys ("&P"), the field they make, the
// auxiliary prime lists that keep GCDs over the field fast, and the
// suspension of the moduli outside the field around algorithms that cannot
// work in a quotient ring.
//
// A variable t is modded out by a monic poly m in t whose coefficients may
// involve the deeper variables (those made before t). The field is the
// longest run of deepest levels whose moduli made a field when they were
// installed: field_depth is the outermost level of that run (0: no field).
// A modulus made a field when its variable sat just above the field then
// in force and m was irreducible over that field. Every other modded-out
// variable lies outside the field (modout_above_field).
#pragma once

#include <cstdint>

#include "poly/poly.h"
#include "quoly/quoly.h"

namespace tolmex {

struct PolyVar;

// Whether a modulus makes a field over the field below it.
enum class FieldVerdict { Field, NotField };

// The marks a modded-out variable carries in its record (mod_state): its
// modulus made a field, or it lies outside the field. -1: not installed
// here (no modulus, or data that is no concern of the field rule).
constexpr int32_t kModFieldMark = 1;
constexpr int32_t kModOutsideMark = 0;

// "&P": installs the modding poly read as the value m on its top variable
// (the variable m's first term is in), replacing a former one, decides the
// field, builds the auxiliary prime lists, reduces every stored value and
// reports. The value that is the bare variable t removes t's modding.
// Invalid input is a numbered error (182, 186, 140, 141) and changes
// nothing.
void set_mod_out(const QuolyRec* m);
// Removes the modding of the variable (warning when there was none).
void remove_mod_out(PolyVar* t);

// Validation of a modding poly given as a value; returns the level of its
// variable and leaves inner := m rooted at that level.
int check_for_monic_poly(const QuolyRec* m, Poly& inner);

// Recomputes field_depth and modout_above_field from the variables' moduli
// and field marks.
void recompute_field();
// Whether the modulus m of t (level L, t's own modulus not in force) makes
// a field over the field now in force; `count_primes` builds the first
// auxiliary list in rational mode on the way.
FieldVerdict decide_field(PolyVar* t, const PolyNode* m, bool count_primes);

// The first auxiliary list for the field now in force, rational mode:
// primes p (from 17021 upward, the primes of the word-size tables in
// increasing order) modulo which every field modulus stays irreducible;
// at most aux_num_1factor candidates. `messages` prints the counting line
// and the few-primes warning.
void build_first_aux_list(bool messages);
// The secondary auxiliary primes, stored on the variable t (the outermost
// field variable): the next primes after the first list that keep the
// tower irreducible, at most aux_num_2factor candidates.
void build_second_aux_list(PolyVar* t, bool messages);
// Empties both lists.
void clear_aux_lists();

// After a change of ground ring: re-decides the field in the new ring,
// rebuilds or clears the auxiliary lists and reduces every stored value
// again (recheck). Nothing when no variable is modded out.
void modout_ring_changed(bool announce);

// A stored value reduced again by the moduli in force: a denominator that
// became 0 makes the value 1 (with two warning lines).
void recheck(Quoly& q);

// Whether some variable outside the field is modded out.
bool need_to_turn_off_mod_out();
// Set while those moduli are suspended.
extern int using_new_polynames;

// Suspends the moduli of the variables outside the field for its
// lifetime (adjust_polyname_ptrs / resume_old_polynames); an error or an
// abandoned interrupt on the way resumes them too. Messages with verbose.
class SuspendModout {
public:
    SuspendModout();
    ~SuspendModout();
    SuspendModout(const SuspendModout&) = delete;
    SuspendModout& operator=(const SuspendModout&) = delete;
    bool active() const { return active_; }

private:
    bool active_ = false;
};

// Whether a variable is modded out, or some modulus involves its level
// (the variable cannot then be removed); also true while moduli are held
// out of their records (a field decision or a suspension under way).
bool modout_involves_level(int k);

}  // namespace tolmex
