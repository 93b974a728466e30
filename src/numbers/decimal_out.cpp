// Conversion of big integers to base 10^8: repeated division for short
// numbers, divide and conquer for long ones.
//
// A chain of n digits splits at k, the largest power of two below n:
// value = H * (2^28)^k + L, each half converted recursively, the power taken
// from the two_28 table (k <= 128) or from a cache of squares.
#include "base/errors.h"
#include "numbers/decimal.h"
#include "numbers/kernels.h"
#include "numbers/mul_div.h"
#include "numbers/storage.h"
#include "numbers/tables.h"

namespace tolmex {

using namespace numstore;

namespace {

// (2^28)^(2^j) in base 10^8 for j beyond the table; built once and kept.
// Entries are assigned only when complete, so a nested command level that
// converts numbers while an outer conversion waits sees a consistent cache.
constexpr int kPowerSlots = 32;
Number power_cache[kPowerSlots];

const Number& power_of_base(int j) {
    if ((int64_t{1} << j) <= kTwo28Entries) {
        if (!two_28_loaded()) build_two_28();
        return two_28[(1 << j) - 1];
    }
    Number& slot = power_cache[j];
    if (!slot) {
        const Number& half = power_of_base(j - 1);
        Number sq;
        base_10_fast_mult(half, half, sq);
        if (!slot) slot = std::move(sq);
    }
    return slot;
}

// y := the magnitude a[0..n) in base 10^8, with the sign mask m.
void small_to_base_10(const Digit* a, int64_t n, Digit m, Number& y) {
    n = kern::strip(a, n);
    if (n == 0) {
        Digit z = 0;
        assign_digits(y, &z, 1);
        return;
    }
    // Each base-2^28 digit makes at most 1.05 base-10^8 digits.
    const int64_t groups = n + n / 8 + 2;
    DigitBuffer work(n);
    Digit* w = work.data();
    std::copy(a, a + n, w);
    ResultDigits out(y, groups, true);
    Digit* d = out.data();
    int64_t g = 0, len = n;
    while (len > 0) {
        d[g++] = kern::with_sign(static_cast<Digit>(kern::divrem_1(w, w, len, kTensBase)), m);
        len = kern::strip(w, len);
    }
    out.commit(g);
}

int floor_log2(int64_t n) { return 63 - __builtin_clzll(static_cast<uint64_t>(n)); }

// y := the magnitude a[0..n) in base 10^8 (non-negative digits).
void convert(const Digit* a, int64_t n, Number& y) {
    n = kern::strip(a, n);
    if (n < kDecimalCut) {
        small_to_base_10(a, n, 0, y);
        return;
    }
    poll_interrupt();
    const int j = floor_log2(n - 1);
    const int64_t k = int64_t{1} << j;
    Number high, low;
    convert(a + k, n - k, high);
    convert(a, k, low);
    base_10_fast_mult(high, power_of_base(j), y);
    summ_base_10(y, low, y);
}

}  // namespace

void make_base_10(const Number& x, Number& y) {
    Magnitude m(x.digits());
    Number r;
    small_to_base_10(m.data(), m.size(), x.sign() < 0 ? -1 : 0, r);
    y = std::move(r);
}

void verybig_base_10(DigitSpan chain, Number& y) {
    Magnitude m(chain);
    const bool negative = m.data() != chain.data();
    Number r;
    convert(m.data(), m.size(), r);
    if (negative) {
        Digit* d = digits_of(r.get());
        for (int32_t i = 0; i < r.size(); ++i) d[i] = -d[i];
    }
    y = std::move(r);
}

std::string number_to_decimal(const Number& x) {
    Number y;
    verybig_base_10(x.digits(), y);
    DigitSpan g = y.digits();
    std::string s;
    if (y.sign() < 0) s += '-';
    char buf[16];
    for (size_t i = g.size(); i-- > 0;) {
        const int v = kern::mag(g[i]);
        std::snprintf(buf, sizeof buf, i + 1 == g.size() ? "%d" : "%08d", v);
        s += buf;
    }
    return s;
}

}  // namespace tolmex
