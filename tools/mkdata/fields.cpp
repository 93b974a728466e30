// Field tables: "f256d" (GF(2^8)) and "f2t16d" (GF(2^16)).
//
// Elements are bit patterns of polynomials over GF(2): bit i is the
// coefficient of x^i.
//   GF(2^8)  = GF(2)[x] / (x^8 + x^4 + x^3 + x + 1)         (fixed by Tolmex)
//   GF(2^16) = GF(2)[x] / (x^16 + x^12 + x^3 + x + 1), generator g = x (= 2);
// the 2^16 polynomial is primitive (checked below), so x generates the
// multiplicative group and the exp/log tables are built from powers of x.
#include "generators.hpp"

namespace mkdata {

namespace {

constexpr unsigned kPoly8 = 0x11B;     // x^8 + x^4 + x^3 + x + 1
constexpr unsigned kPoly16 = 0x1100B;  // x^16 + x^12 + x^3 + x + 1

// Product of a and b reduced by the field polynomial `poly` of degree `deg`.
unsigned gf_mult(unsigned a, unsigned b, unsigned poly, int deg) {
    unsigned r = 0;
    while (b != 0) {
        if (b & 1) r ^= a;
        b >>= 1;
        a <<= 1;
        if (a >> deg) a ^= poly;
    }
    return r;
}

unsigned gf_pow(unsigned a, unsigned e, unsigned poly, int deg) {
    unsigned r = 1;
    while (e != 0) {
        if (e & 1) r = gf_mult(r, a, poly, deg);
        a = gf_mult(a, a, poly, deg);
        e >>= 1;
    }
    return r;
}

}  // namespace

// "f256d": f256inv[1..255], the upper triangle of f256prod row by row
// (a = 0..255, b = a..255), f256sqr[0..255].
std::string gen_f256d() {
    std::vector<unsigned> inv(256, 0), sqr(256, 0);
    std::vector<std::vector<unsigned>> prod(256, std::vector<unsigned>(256));
    for (unsigned a = 0; a < 256; ++a)
        for (unsigned b = 0; b < 256; ++b) prod[a][b] = gf_mult(a, b, kPoly8, 8);
    for (unsigned a = 1; a < 256; ++a)
        for (unsigned b = 1; b < 256; ++b)
            if (prod[a][b] == 1) inv[a] = b;
    // Squaring is a bijection in characteristic 2, so every element has
    // exactly one square root.
    std::vector<bool> seen(256, false);
    for (unsigned b = 0; b < 256; ++b) {
        unsigned s = prod[b][b];
        require(!seen[s], "f256d: squaring is not injective");
        seen[s] = true;
        sqr[s] = b;
    }
    for (unsigned a = 1; a < 256; ++a) require(inv[a] != 0, "f256d: an element has no inverse");
    require(inv[255] == 28 && prod[255][255] == 19 && sqr[255] == 78,
            "f256d: check values 28, 19, 78 not met");

    std::string out;
    append_values(out, std::vector<unsigned>(inv.begin() + 1, inv.end()), 16);
    for (unsigned a = 0; a < 256; ++a)
        append_values(out, std::vector<unsigned>(prod[a].begin() + a, prod[a].end()), 16);
    append_values(out, sqr, 16);
    return out;
}

// "f2t16d": f2t16exp[0..65535] (exp[s] = x^s, exp[65535] = 1),
// f2t16inv[1..65535], f2t16log[1..65535], f2t16sqr[0..65535].
std::string gen_f2t16d(F2t16Checks* checks) {
    constexpr unsigned kOrder = 65535;  // 3 * 5 * 17 * 257
    for (unsigned p : {3u, 5u, 17u, 257u})
        require(gf_pow(2, kOrder / p, kPoly16, 16) != 1,
                "f2t16d: x^16 + x^12 + x^3 + x + 1 is not primitive");

    std::vector<unsigned> exp(65536), log(65536, 0), inv(65536, 0), sqr(65536, 0);
    std::vector<bool> seen(65536, false);
    unsigned v = 1;
    for (unsigned s = 0; s < kOrder; ++s) {
        require(!seen[v], "f2t16d: x is not a generator");
        seen[v] = true;
        exp[s] = v;
        log[v] = s;
        v = gf_mult(v, 2, kPoly16, 16);
    }
    require(v == 1, "f2t16d: x^65535 must be 1");
    exp[kOrder] = 1;
    for (unsigned a = 1; a <= kOrder; ++a) {
        inv[a] = exp[(kOrder - log[a]) % kOrder];
        // 2 * 32768 = 1 (mod 65535): the square root of x^s is x^(32768 s).
        sqr[a] = exp[static_cast<unsigned>((static_cast<unsigned long>(log[a]) * 32768u) % kOrder)];
        require(gf_mult(a, inv[a], kPoly16, 16) == 1, "f2t16d: inverse check failed");
        require(gf_mult(sqr[a], sqr[a], kPoly16, 16) == a, "f2t16d: square root check failed");
    }
    if (checks != nullptr) *checks = {exp[65535], exp[64507], inv[65535], log[65535], sqr[65535]};

    std::string out;
    out.reserve(1500000);
    append_values(out, exp, 16);
    append_values(out, std::vector<unsigned>(inv.begin() + 1, inv.end()), 16);
    append_values(out, std::vector<unsigned>(log.begin() + 1, log.end()), 16);
    append_values(out, sqr, 16);
    return out;
}

}  // namespace mkdata
