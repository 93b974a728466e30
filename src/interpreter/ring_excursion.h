// A change of ground ring made inside a running user function converts
// only what the function works with: its parameters (and the arrays passed
// to it), and the variables and arrays made since it was called. The
// session's other variables and arrays are set aside unconverted, so that no value of one ring meets a
// value of another, and come back exactly as they were when the function
// returns to the ring it started in. A function that returns in another
// ring leaves the session in that ring, with everything converted, as the
// same change typed at the terminal would; an abandoned call goes back to
// the ring it started in first.
#pragma once

namespace tolmex {

// Every call of a user function opens and closes a frame here.
void call_started();
void call_closed();
// Around every change of ground ring made by a command.
void ring_change_starting();
void ring_change_done();
// A call at this depth (1 for the outermost) is returning (normal) or
// being abandoned.
void call_ending(int depth, bool normal);
// True while variables are set aside.
bool ring_excursion_active();
// Joins the resets: an abandoned excursion is settled before the next
// statement runs.
void register_ring_excursion();

}  // namespace tolmex
