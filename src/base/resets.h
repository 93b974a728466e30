// Hooks by which the subsystems join the command driver's resets. Each hook
// runs with the error code (or 0 at the start of a statement).
#pragma once

namespace tolmex {

enum class ResetPoint {
    StatementStart,  // the start of every statement
    AnyError,        // every error, interrupts included
    Abandon,         // errors and panic stops that abandon the computation
    TopLevel,        // the return to the top level
    ContentWarning,  // warning 0: the loop counters of Content went negative
};
void on_reset(ResetPoint point, void (*fn)(int code));
void run_resets(ResetPoint point, int code);

}  // namespace tolmex
