// One pass of the command loop, shared by the top level and the nested
// command levels that errors and interrupts open.
#pragma once

namespace tolmex {

// Reads, runs and displays one statement from Input, then writes the next
// prompt. Returns true when the level-pop command asked a nested level to
// end (the prompt is then not written).
bool command_step(bool nested);

// Runs a nested command level inside `error` (steps 12 to 14 of the error
// routine); returns when the level is popped.
void run_nested_level();

// Set while the command loop waits for the first token of a statement, so
// that a level opened by an interrupt there can prompt again when it ends.
extern bool waiting_for_statement;

// True when standard input has no more statements.
bool input_exhausted();

}  // namespace tolmex
