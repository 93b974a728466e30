#include "numbers/modular_state.h"

namespace tolmex {

int modularmode = 0;
int lintmode = 0;
int32_t modulus = -1;
double rmodulus = 0;
int32_t half_modulus = 0;
int smallmodulus = 0;
int mod_is_prime = 0;
int32_t two28_mod = 0;
int finf = 0;
int f256 = 0;
int f2t16 = 0;
int changed_in_modmode = 0;
int limit_char_arrays = 998;
int was_in_rat = 0;
int was_modulus = -1;
int mod_is_changed = 0;

// Numbers keep their one-word form (lintmode stays on): the suspended
// stretch computes with machine integers instead of residues.
ModularSuspend::ModularSuspend() : saved_modular_(modularmode) {
    if (modularmode) {
        mod_is_changed += 1;
        modularmode = 0;
    }
}

ModularSuspend::~ModularSuspend() {
    if (saved_modular_) {
        mod_is_changed -= 1;
        modularmode = saved_modular_;
    }
}

}  // namespace tolmex
