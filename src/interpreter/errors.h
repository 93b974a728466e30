// The command driver's side of errors: the report of where an error
// happened, the command levels that errors and interrupts open, and the
// return to the top level. Lower layers raise errors through base/errors.h;
// the driver installs report_error as the handler.
#pragma once

#include "base/errors.h"
#include "base/resets.h"

namespace tolmex {

// The handler behind `error`: reports error `code` with the offending name
// (code > 0), performs a panic stop (code 0) or pushes a command level
// without an error (code < 0).
void report_error(int code, const char* name);
// Installs report_error as the handler of `error`.
void install_error_handler();
// Abandons the current command silently: the recovery of an error that
// returns to the top level, without a report.
[[noreturn]] void abandon_command();
// The state of command level 1, as the return to the top level leaves it
// (the levels' timing, the token, the reset hooks); it does not unwind.
void reset_to_top_level();

}  // namespace tolmex
