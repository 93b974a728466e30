#include "interpreter/functions.h"

#include "interpreter/driver.h"

namespace tolmex {

void unwind_function_evaluations() { lastf.clear(); }

}  // namespace tolmex
