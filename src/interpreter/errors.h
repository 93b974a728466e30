// The command driver's side of errors: the report of where an error
// happened, the command levels that errors and interrupts open, and the
// return to the top level. Lower layers raise errors through base/errors.h;
// the driver installs report_error as the handler.
#pragma once

#include <cstddef>

#include "base/errors.h"
#include "base/resets.h"

namespace tolmex {

// The handler behind `error`: reports error `code` with the offending name
// (code > 0), performs a panic stop (code 0) or pushes a command level
// without an error (code < 0). A level pushed by an error may be looked
// around in; popping it abandons the failing statement. Returns only when
// may_return is set, for a resumed interrupt or a demoted error.
void report_error(int code, const char* name, bool may_return);
// Installs report_error as the handler of `error`.
void install_error_handler();
// Abandons the current command silently: the statement being run at the
// current command level is dropped, without a report.
[[noreturn]] void abandon_command();

// Thrown to abandon the statement being run at command level `level`
// (above 1) and everything it started; the loop of that level catches it
// and reads the next statement. (At level 1 RestartTopLevel does this.)
struct AbandonStatement {
    int level;
};
// Abandons the statement of command level `level`: the return to the top
// level for level 1, AbandonStatement above it.
[[noreturn]] void abandon_to_level(int level, int code);

// What a statement starts from, to go back to when it is abandoned: the
// function evaluations in progress and the input held by lower levels.
struct StatementMark {
    int statcount;
    size_t evaluations;
    size_t held;
};
StatementMark mark_statement();
// The recovery of a command level whose statement was abandoned: the state
// of a fresh statement of that level, the rest of the line discarded, and
// the level's prompt.
void recover_at_level(const StatementMark& mark);
// The state of command level 1, as the return to the top level leaves it
// (the levels' timing, the token, the reset hooks); it does not unwind.
void reset_to_top_level();

}  // namespace tolmex
