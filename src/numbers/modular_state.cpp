#include "numbers/modular_state.h"

#include "base/resets.h"

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
int residue_view = 0;

// Numbers keep their one-word form (lintmode stays on): the suspended
// stretch computes with machine integers instead of residues. The count
// is restored rather than decreased: the return to the top level clears it
// before the guards unwind.
ModularSuspend::ModularSuspend() : saved_modular_(modularmode), saved_changed_(mod_is_changed) {
    if (modularmode) {
        mod_is_changed += 1;
        modularmode = 0;
    }
}

ModularSuspend::~ModularSuspend() {
    if (saved_modular_) {
        mod_is_changed = saved_changed_;
        modularmode = saved_modular_;
    }
}

IntegerStretch::IntegerStretch()
    : saved_modular_(modularmode),
      saved_lint_(lintmode),
      saved_changed_(mod_is_changed),
      active_(modularmode != 0) {
    if (!active_) return;
    if (modularmode) mod_is_changed += 1;
    modularmode = 0;
    lintmode = 0;
    residue_view += 1;
}

IntegerStretch::~IntegerStretch() {
    if (!active_) return;
    residue_view -= 1;
    modularmode = saved_modular_;
    lintmode = saved_lint_;
    mod_is_changed = saved_changed_;
}

namespace {

// A command level opened inside a stretch has modular arithmetic switched
// back on by the driver (mod_is_changed); its numbers are residues again.
void stretch_level(int) {
    if (residue_view > 0 && modularmode) lintmode = 1;
}

}  // namespace

void register_stretch_resets() { on_reset(ResetPoint::StatementStart, stretch_level); }

}  // namespace tolmex
