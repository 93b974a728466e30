// Raising numbered errors, warnings and internal stops; keyboard-interrupt
// polling. Every folder may use this layer; it uses nothing above it.
//
// `error` hands the report to the handler the command driver installs:
// that handler either runs a nested command level right where it is called
// (and returns when that level is popped), or throws RestartTopLevel, which
// only the driver's restart point catches. Without a driver (the unit tests
// of the lower layers) `error` throws RestartTopLevel with the code at once.
// Every temporary is an RAII handle, so unwinding loses nothing.
#pragma once

#include <csignal>

namespace tolmex {

// Thrown to abandon the current computation and return to command level 1.
// Deliberately not derived from std::exception: nothing but the restart
// point may catch it. `code` is the error that caused it (0: a panic stop).
struct RestartTopLevel {
    int code = 0;
};
// Thrown by the quit command and at the end of the input; main writes
// " bye" and exits with `status`.
struct QuitProgram {
    int status = 0;
};

// Reports error `code` with the offending name (code > 0), performs a panic
// stop (code 0) or pushes a command level without an error (code < 0).
// Returns only from a pushed level that ends by resuming (code < 0), or
// when error 19 or 22 is demoted to a warning at a nested command level:
// only callers of those two codes need code after the call. Any other error
// abandons the computation that raised it, also when it opens a command
// level first.
void error(int code, const char* name);
// The same for errors that are never demoted: never returns.
[[noreturn]] void fail(int code, const char* name);
// True for the codes a nested command level turns into warnings.
constexpr bool demotable(int code) { return code == 19 || code == 22; }
// Prints a warning and returns.
void warning(int code, const char* name);
// Prints the error table's text of `code` and a newline.
void out_err_mess(int code);
// Internal consistency failure: "*** Tolmex error. " and the text; with a
// nonzero push flag a command level is pushed as for an interrupt.
void tolmex_error(const char* text, int push);
void tolmexerror(const char* text);
// An internal failure that must abandon the computation: the report, then a
// panic stop.
[[noreturn]] void internal_stop(const char* text);

// The command driver's implementation of `error`. It returns only when
// may_return is set and either the code is negative (a resumed level) or a
// demotable error became a warning.
using ErrorHandler = void (*)(int code, const char* name, bool may_return);
void set_error_handler(ErrorHandler handler);

// The error table: texts of codes 1 .. kErrorCodes, filled at start-up.
constexpr int kErrorCodes = 376;
constexpr int kErrorSlot = 66;  // at most 65 characters and a terminator
// The text of `code`, or "*** Error N." when the table has none.
const char* error_text(int code);
// Stores the text of `code` (cut to 65 characters); null clears every text.
void set_error_text(int code, const char* text);

// Keyboard interrupts: the handler only sets this flag. Long computations
// call poll_interrupt() at safe points, where no pool operation is under
// way; a pending interrupt then opens a nested command level there.
extern volatile std::sig_atomic_t interrupt_pending;
void install_interrupt_handler();
// While positive, polls leave a pending interrupt waiting: a stretch whose
// half-done state no command level may see (values of one ground ring read
// under the other's arithmetic) holds interrupts, and the level opens at the
// first poll after it.
extern int interrupt_hold;
inline void poll_interrupt() {
    if (interrupt_pending && interrupt_hold == 0) {
        interrupt_pending = 0;
        error(-1, " ");
    }
}
// Holds interrupts for its lifetime.
class InterruptHold {
public:
    InterruptHold() noexcept { ++interrupt_hold; }
    ~InterruptHold() { --interrupt_hold; }
    InterruptHold(const InterruptHold&) = delete;
    InterruptHold& operator=(const InterruptHold&) = delete;
};

// Error codes that several layers raise.
constexpr int kErrDivideByZero = 22;
constexpr int kErrOutOfMemory = 375;
// A method forced by the caller that does not suit the entries or the ring.
constexpr int kErrUnsuitedMethod = 367;
// A built-in of the table whose computation Tolmex does not have yet.
constexpr int kErrNotBuilt = 359;
constexpr int kErrExponentTooLarge = 376;
// Input nested more deeply than the stack can follow.
constexpr int kErrTooDeep = 344;

}  // namespace tolmex
