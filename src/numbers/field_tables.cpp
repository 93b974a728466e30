// The tables of the fields of 2^8 and 2^16 elements.
#include "numbers/field_tables.h"

namespace tolmex {

uint16_t f256inv[256];
uint16_t f256prod[256][256];
uint16_t f256sqr[256];
uint16_t f2t16exp[65536];
uint16_t f2t16inv[65536];
uint16_t f2t16log[65536];
uint16_t f2t16sqr[65536];

uint32_t field_mult(uint32_t a, uint32_t b, uint32_t poly, int bits) {
    uint32_t r = 0;
    for (int i = 0; i < bits; ++i)
        if (b >> i & 1) r ^= a << i;
    for (int i = 2 * bits - 2; i >= bits; --i)
        if (r >> i & 1) r ^= poly << (i - bits);
    return r;
}

void compute_field_tables() {
    for (uint32_t a = 0; a < 256; ++a)
        for (uint32_t b = a; b < 256; ++b)
            f256prod[a][b] = f256prod[b][a] =
                static_cast<uint16_t>(field_mult(a, b, kF256Poly, 8));
    for (uint32_t a = 0; a < 256; ++a) {
        // a^254 is the inverse of a nonzero a; a^128 its square root.
        uint32_t p = 1, sq = a;
        for (int i = 0; i < 7; ++i) sq = f256prod[sq][sq];
        for (int i = 0; i < 254; ++i) p = f256prod[p][a];
        f256inv[a] = a ? static_cast<uint16_t>(p) : 0;
        f256sqr[a] = static_cast<uint16_t>(sq);
    }
    uint32_t v = 1;
    for (uint32_t s = 0; s < 65535; ++s) {
        f2t16exp[s] = static_cast<uint16_t>(v);
        f2t16log[v] = static_cast<uint16_t>(s);
        v = field_mult(v, 2, kF2t16Poly, 16);
    }
    f2t16exp[65535] = 1;
    f2t16log[0] = 0;
    f2t16inv[0] = 0;
    f2t16sqr[0] = 0;
    for (uint32_t a = 1; a < 65536; ++a) {
        const uint32_t l = f2t16log[a];
        f2t16inv[a] = f2t16exp[(65535 - l) % 65535];
        // The square root of x^l is x^(l / 2) for even l, x^((l + 65535) / 2)
        // for odd l.
        f2t16sqr[a] = f2t16exp[(l % 2 == 0 ? l / 2 : (l + 65535) / 2) % 65535];
    }
}

}  // namespace tolmex
