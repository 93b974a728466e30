// Numbered errors, warnings, internal errors and keyboard interrupts.
//
// `error` either runs a nested command level right where it is called (and
// returns when that level is popped), or throws RestartTopLevel, which only
// the command driver's restart point catches. Quitting throws QuitProgram,
// caught in main. Every temporary is an RAII handle, so unwinding loses
// nothing; variables, arrays, functions and switches survive.
#pragma once

#include <csignal>

namespace tolmex {

// Thrown to abandon the current computation and return to command level 1.
// Deliberately not derived from std::exception: nothing but the restart
// point may catch it.
struct RestartTopLevel {};
// Thrown by the quit command; main writes " bye" and exits with status 0.
struct QuitProgram {};

// Reports error `code` with the offending name (code > 0), performs a panic
// stop (code 0) or pushes a command level without an error (code < 0).
void error(int code, const char* name);
// Abandons the current command silently: the recovery of an error that
// returns to the top level, without a report.
[[noreturn]] void abandon_command();
// Prints a warning and returns.
void warning(int code, const char* name);
// Prints the error table's text of `code` and a newline.
void out_err_mess(int code);
// Internal consistency failure: "*** Tolmex error. " and the text; with a
// nonzero push flag a command level is pushed as for an interrupt.
void tolmex_error(const char* text, int push);
void tolmexerror(const char* text);

// Keyboard interrupts: the handler only sets this flag. Long computations
// call poll_interrupt() at safe points, where no pool operation is under
// way; a pending interrupt then opens a nested command level there.
extern volatile std::sig_atomic_t interrupt_pending;
void install_interrupt_handler();
inline void poll_interrupt() {
    if (interrupt_pending) {
        interrupt_pending = 0;
        error(-1, " ");
    }
}

// Error code used when a pool cannot get memory from the heap.
constexpr int kErrOutOfMemory = 375;

}  // namespace tolmex
