// Shifts and bit lengths of big integers.
#include "numbers/kernels.h"
#include "numbers/number.h"
#include "numbers/storage.h"
#include "numbers/modular_state.h"

namespace tolmex {

using namespace numstore;

void shift_left(Number& x, int64_t k) {
    const int64_t n = x.size();
    if (k <= 0 || n == 0 || (n == 1 && x.digits()[0] == 0)) return;
    const int64_t whole = k / kDigitBits;
    const int bits = static_cast<int>(k % kDigitBits);
    const Digit m = x.sign() < 0 ? -1 : 0;
    const int64_t need = n + whole + 1;
    if (need > kMaxDigits) class_for(need);  // ends the command: too large
    const Digit* src = x.digits().data();
    ResultDigits out(x, need, false);
    Digit* d = out.data();
    // From the top down, so that the digits may move up in place.
    if (bits == 0) {
        d[n + whole] = 0;
        for (int64_t i = n - 1; i >= 0; --i) d[i + whole] = src[i];
    } else {
        uint32_t prev = 0;
        d[n + whole] = kern::with_sign(
            static_cast<Digit>(static_cast<uint32_t>(kern::mag(src[n - 1])) >> (kDigitBits - bits)),
            m);
        for (int64_t i = n - 1; i >= 0; --i) {
            const uint32_t cur = static_cast<uint32_t>(kern::mag(src[i]));
            const uint32_t lower = i > 0 ? static_cast<uint32_t>(kern::mag(src[i - 1])) : 0;
            prev = ((cur << bits) & kDigitMask) | (lower >> (kDigitBits - bits));
            d[i + whole] = kern::with_sign(static_cast<Digit>(prev), m);
        }
    }
    for (int64_t i = 0; i < whole; ++i) d[i] = 0;
    out.commit(need);
}

void shift_right(Number& x, int64_t k) {
    const int64_t n = x.size();
    if (k <= 0 || n == 0) return;
    const int64_t whole = k / kDigitBits;
    const int bits = static_cast<int>(k % kDigitBits);
    Digit* d = digits_of(x.get());
    if (whole >= n) {
        d[0] = 0;
        x.get()->len = 1;
        return;
    }
    const Digit m = x.sign() < 0 ? -1 : 0;
    const int64_t len = n - whole;
    if (bits == 0) {
        for (int64_t i = 0; i < len; ++i) d[i] = d[i + whole];
    } else {
        for (int64_t i = 0; i < len; ++i) {
            const uint32_t cur = static_cast<uint32_t>(kern::mag(d[i + whole]));
            const uint32_t upper =
                i + 1 < len ? static_cast<uint32_t>(kern::mag(d[i + whole + 1])) : 0;
            d[i] = kern::with_sign(
                static_cast<Digit>((cur >> bits) | ((upper << (kDigitBits - bits)) & kDigitMask)),
                m);
        }
    }
    x.get()->len = static_cast<int32_t>(normal_length(d, len));
    release_digits(x.get());
}

int logg2lint(int32_t v) {
    int64_t w = v;
    if (modularmode && !finf && w > 0 && modulus - w < w) w = modulus - w;
    if (w < 0) w = -w;
    if (w == 0) return 0;
    return 63 - __builtin_clzll(static_cast<uint64_t>(w));
}

}  // namespace tolmex
