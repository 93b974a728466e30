// Arithmetic tables of the fields of 2^8 and 2^16 elements. Elements are the
// bit patterns of polynomials over Z/2 reduced by the defining polynomial:
// x^8 + x^4 + x^3 + x + 1 for 2^8 elements, x^16 + x^12 + x^3 + x + 1 with
// generator x for 2^16 elements. The start-up reader fills them from the
// data files; compute_field_tables() builds the same tables by computation.
#pragma once

#include <cstdint>

namespace tolmex {

extern uint16_t f256inv[256];        // inverse, entries 1 .. 255
extern uint16_t f256prod[256][256];  // product, symmetric
extern uint16_t f256sqr[256];        // square root
extern uint16_t f2t16exp[65536];     // x^s for s = 0 .. 65534; [65535] = 1
extern uint16_t f2t16inv[65536];     // inverse, entries 1 .. 65535
extern uint16_t f2t16log[65536];     // discrete logarithm, entries 1 .. 65535
extern uint16_t f2t16sqr[65536];     // square root

// The defining polynomials, as bit patterns.
constexpr uint32_t kF256Poly = 0x11B;
constexpr uint32_t kF2t16Poly = 0x1100B;

// Carry-less product of a and b reduced by the polynomial `poly` of degree
// `bits` (the reference arithmetic of both fields).
uint32_t field_mult(uint32_t a, uint32_t b, uint32_t poly, int bits);

// Fills every table from the defining polynomials.
void compute_field_tables();

}  // namespace tolmex
