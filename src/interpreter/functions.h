// User functions and control flow.
#pragma once

namespace tolmex {

// Removes the arguments of every function evaluation in progress and empties
// the evaluation stack (an error abandoned them).
void unwind_function_evaluations();

}  // namespace tolmex
