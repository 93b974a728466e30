#include "gcd/gcd_state.h"

#include "base/resets.h"
#include "gcd/gcd_stash.h"

namespace tolmex {

int32_t c_cntcount = 0, a_cntcount = 0, d_cntcount = 0;
int32_t g_cntcount = 0, alg_c_count = 0;
int32_t alg_c_level = 0;
bool gcd_trust_images = false;
int32_t g_cutoff = 10;
int32_t original_depth = 1;
int16_t tripval = 20;
int32_t lookupgcd = 0;
int chinhensel = 1;
int hen_check = 1;
int32_t aux_num_1factor = 400;
int32_t aux_num_2factor = 100;
std::vector<int32_t> auxptr;
int no_aux_primes2 = 1;
int32_t second_aux_num = 0;
int32_t trial_cutoff = 25;
int32_t mod_method_diff = 6;


void reset_content_counters() { c_cntcount = a_cntcount = d_cntcount = 200001; }

namespace {

void reset_step_counters(int) {
    c_cntcount = a_cntcount = d_cntcount = g_cntcount = alg_c_count = 0;
    alg_c_level = 0;
    gcd_trust_images = false;
    g_cutoff = 10;
    original_depth = 1;
}

void reset_on_error(int code) {
    tripval = 20;
    if (code < 0) return;  // an interrupt that may resume the GCD
    g_cutoff = 10;
    polygcd_stack_depth = 0;
}

void content_warning(int) { reset_content_counters(); }

}  // namespace

// The stash survives errors: an entry left without its GCD by an abandoned
// computation reads as a miss, and a stash emptied meanwhile is recognised
// by its generation.
void register_gcd_resets() {
    on_reset(ResetPoint::StatementStart, reset_step_counters);
    on_reset(ResetPoint::AnyError, reset_on_error);
    on_reset(ResetPoint::Abandon, reset_step_counters);
    on_reset(ResetPoint::ContentWarning, content_warning);
}

}  // namespace tolmex

