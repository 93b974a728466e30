#include "base/alloc_faults.h"

namespace tolmex {

int64_t alloc_fault_countdown = 0;
bool alloc_fault_sticky = false;

}  // namespace tolmex
