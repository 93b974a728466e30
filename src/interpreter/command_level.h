// One pass of the command loop, shared by the top level and the nested
// command levels that errors and interrupts open.
#pragma once

namespace tolmex {

// Reads, runs and displays one statement from Input, then writes the next
// prompt. Returns true when the level-pop command asked a nested level to
// end (the prompt is then not written).
bool command_step(bool nested);

// Error 375 ("Out of memory.") with the current token: what a statement
// that ran out of memory ends in, whether a pool or the digit storage
// refused (the storage-exhausted handler) or a std::bad_alloc reached the
// place where the statement runs. The report asks for no memory.
[[noreturn]] void report_out_of_memory();

// Runs a nested command level inside `error`; returns when the level is
// popped. A statement of the level abandoned by an error ends here, and the
// level reads its next statement.
void run_nested_level();

// Set while the command loop waits for the first token of a statement, so
// that a level opened by an interrupt there can prompt again when it ends.
extern bool waiting_for_statement;
// Set from the opening of a command level until its first token has been
// read: command interrupts are suspended meanwhile.
extern bool level_just_opened;

// True when standard input has no more statements.
bool input_exhausted();

}  // namespace tolmex
