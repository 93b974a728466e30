// The global modular state: which ground ring is in force and the derived
// values that residue arithmetic reads.
//
// Rational mode: modularmode 0, lintmode 0, modulus -1. Modular mode:
// modularmode 1, lintmode 1, modulus n with 2 <= n <= 2147483646; 256 and
// 65536 select the fields of 2^8 and 2^16 elements (finf with f256 or
// f2t16). Algorithms may switch lintmode and modularmode on for a while
// without converting stored values; they restore both before returning.
#pragma once

#include <cstdint>

namespace tolmex {

extern int modularmode;   // residues are in use
extern int lintmode;      // numbers are one machine word each
extern int32_t modulus;   // -1 in rational mode
extern double rmodulus;   // the modulus as a double
extern int32_t half_modulus;
extern int smallmodulus;  // products of two residues fit in 32 bits
extern int mod_is_prime;
extern int32_t two28_mod;  // 2^28 mod modulus
extern int finf;           // a field of characteristic 2 is in use
extern int f256;           // the field of 2^8 elements
extern int f2t16;          // the field of 2^16 elements
extern int changed_in_modmode;
extern int limit_char_arrays;
// Rational-mode work running in temporary modular arithmetic, and the
// modulus a nested command level restores meanwhile (-1: none).
extern int was_in_rat;
extern int was_modulus;
// Positive while modular arithmetic is suspended (ModularSuspend); a nested
// command level opened meanwhile switches it back on.
extern int mod_is_changed;

// Suspends modular arithmetic for a stretch of code (the "_a" factor, the
// restricted expressions read by prompted settings, exponents); the mode is
// restored when the guard ends, also when an error unwinds through it.
class ModularSuspend {
public:
    ModularSuspend();
    ~ModularSuspend();
    ModularSuspend(const ModularSuspend&) = delete;
    ModularSuspend& operator=(const ModularSuspend&) = delete;

private:
    int saved_modular_, saved_changed_;
};

// Computes with true integers for a stretch of code (the "_" factor and
// the exponent of a power) in modular mode: modular arithmetic and
// lintmode are off, and a stored residue reads as its word (residue_view,
// number.h); the caller brings the result back into the ring. Outside
// modular mode the guard changes nothing. Both modes
// are restored when the guard ends, also when an error unwinds through it.
// A command level opened meanwhile runs in the ring (mod_is_changed, and
// the statement-start reset that turns lintmode back on there).
class IntegerStretch {
public:
    IntegerStretch();
    ~IntegerStretch();
    IntegerStretch(const IntegerStretch&) = delete;
    IntegerStretch& operator=(const IntegerStretch&) = delete;

private:
    int saved_modular_, saved_lint_, saved_changed_;
    bool active_;
};
// Joins the statement-start reset (a command level opened inside an
// IntegerStretch computes in the ring).
void register_stretch_resets();

}  // namespace tolmex
