// State of the polynomial GCD that the command driver resets: step
// counters, the recursion cutoff and the coprimality-test threshold.
#pragma once

#include <cstdint>
#include <vector>

namespace tolmex {

extern int32_t c_cntcount, a_cntcount, d_cntcount;  // loop counters of Content
extern int32_t g_cntcount, alg_c_count;
// The variable level at which Algorithm C last ran in this top-level GCD
// (0: not yet); operands of depth 2 at that level do not run it again.
extern int32_t alg_c_level;
extern int32_t g_cutoff;        // 10 at the start of each statement
extern int32_t original_depth;  // 1 at the start of each statement
extern int16_t tripval;         // node count above which the modular test runs
extern int32_t lookupgcd;       // GCD stash nesting level; stashing is on while positive
extern int chinhensel;          // Hensel lifting and CRT for multivariate GCD (1)
extern int hen_check;           // double-check Hensel GCD answers (1)
extern int32_t aux_num_1factor; // first auxiliary prime search factor (400)
extern int32_t aux_num_2factor; // second auxiliary prime search factor (100)
// The first auxiliary primes of a poly-mod-out: primes modulo which every
// modding poly stays irreducible, so that a GCD over the field can be
// tested modulo them (`aux_prime1_number` is auxptr.size()). Built when a
// modding poly is installed; empty otherwise.
extern std::vector<int32_t> auxptr;
// No secondary auxiliary primes exist (1); their number otherwise kept in
// second_aux_num. The secondary lists hang on the variable records.
extern int no_aux_primes2;
extern int32_t second_aux_num;
extern int32_t trial_cutoff;     // size above which b | a is tried before a full GCD (25)
extern int32_t mod_method_diff;  // degree gap that makes the modular method preferable (6)

// Set while a method over Z computes GCDs of images modulo a prime and
// checks its own result over Z (or only wants a degree): the evaluation
// method over Z/p then takes a reconstruction that a further point left
// unchanged without dividing the operands by it. A wrong image costs the
// method over Z its check, never a wrong answer.
extern bool gcd_trust_images;
class TrustImages {
public:
    explicit TrustImages(bool on = true) : saved_(gcd_trust_images) { gcd_trust_images = on; }
    ~TrustImages() { gcd_trust_images = saved_; }
    TrustImages(const TrustImages&) = delete;
    TrustImages& operator=(const TrustImages&) = delete;

private:
    bool saved_;
};

// Empties the GCD stash and switches stashing off (a ring change,
// stashing popped to 0, an error that abandons the computation).
void free_gcd_stash();
// Words (4 bytes) the GCD stash holds: the "table mass" of the status report.
int64_t gcd_stash_mass();

// Resets the loop counters of Content after they went negative.
void reset_content_counters();
// Joins the command driver's resets.
void register_gcd_resets();

}  // namespace tolmex
