// Reading decimal integers: digits to base-10^8 groups, groups to a big
// integer (divide and conquer for long literals), residues in modular mode.
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "numbers/decimal.h"
#include "numbers/display_settings.h"
#include "numbers/kernels.h"
#include "numbers/mul_div.h"
#include "numbers/storage.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

using namespace numstore;

int readin_warnings = 0;

namespace {

constexpr int kReadinWarningCap = 30;

// (10^8)^(2^j) as big integers, built once by squaring and kept.
constexpr int kPowerSlots = 32;
Number ten_power_cache[kPowerSlots];

const Number& power_of_ten8(int j) {
    Number& slot = ten_power_cache[j];
    if (!slot) {
        Number p;
        if (j == 0) {
            set_int64(kTensBase, p);
        } else {
            const Number& half = power_of_ten8(j - 1);
            fast_mult(half, half, p);
        }
        if (!slot) slot = std::move(p);
    }
    return slot;
}

// x := the base-10^8 groups g[0..n) (least significant first, non-negative).
void convert(const Digit* g, int64_t n, Number& x) {
    n = kern::strip(g, n);
    if (n == 0) {
        special_set(0, x);
        return;
    }
    if (n < kDecimalCut) {
        // Horner's rule: acc := acc * 10^8 + group, from the top group.
        const int64_t room = n + 1;
        ResultDigits out(x, room, true);
        Digit* d = out.data();
        int64_t len = 0;
        for (int64_t i = n - 1; i >= 0; --i) {
            uint64_t c = static_cast<uint32_t>(g[i]);
            for (int64_t t = 0; t < len; ++t) {
                const uint64_t v = static_cast<uint64_t>(static_cast<uint32_t>(d[t])) * kTensBase + c;
                d[t] = static_cast<Digit>(v & kDigitMask);
                c = v >> kDigitBits;
            }
            while (c) {
                d[len++] = static_cast<Digit>(c & kDigitMask);
                c >>= kDigitBits;
            }
        }
        if (len == 0) d[len++] = 0;
        out.commit(len);
        return;
    }
    poll_interrupt();
    const int j = 63 - __builtin_clzll(static_cast<uint64_t>(n - 1));
    const int64_t k = int64_t{1} << j;
    Number high, low;
    convert(g + k, n - k, high);
    convert(g, k, low);
    fast_mult(high, power_of_ten8(j), x);
    fastsum(x, low);
}

// The digits as base-10^8 groups, least significant first.
std::vector<Digit> groups_of(std::string_view digits) {
    std::vector<Digit> g;
    g.reserve(digits.size() / 8 + 1);
    int64_t end = static_cast<int64_t>(digits.size());
    while (end > 0) {
        const int64_t start = end >= 8 ? end - 8 : 0;
        Digit v = 0;
        for (int64_t i = start; i < end; ++i) v = v * 10 + (digits[static_cast<size_t>(i)] - '0');
        g.push_back(v);
        end = start;
    }
    while (g.size() > 1 && g.back() == 0) g.pop_back();
    if (g.empty()) g.push_back(0);
    return g;
}

}  // namespace

void base_10_to_number(DigitSpan groups, Number& x) {
    Number r;
    Magnitude m(groups);
    const bool negative = m.data() != groups.data();
    {
        // The lint word stays as it was; only the digits are written.
        LintmodeOff guard;
        convert(m.data(), m.size(), r);
    }
    if (negative) {
        Digit* d = digits_of(r.get());
        for (int32_t i = 0; i < r.size(); ++i) d[i] = -d[i];
    }
    const int32_t lint = x ? x.lint() : 0;
    x = std::move(r);
    keep_word(x, lint);
}

void readin_digits(std::string_view digits, Number& x) {
    if (!modularmode && !lintmode && digits.size() <= 9) {
        // The common short literal: one machine word.
        int32_t v = 0;
        for (char c : digits) v = v * 10 + (c - '0');
        setvalue(v, x);
        return;
    }
    std::vector<Digit> g = groups_of(digits);
    if (modularmode) {
        const int64_t m = modulus;
        const int32_t tens_mod = static_cast<int32_t>(kTensBase % m);
        int32_t v = static_cast<int32_t>(g.back() % m);
        for (size_t i = g.size() - 1; i-- > 0;)
            v = mod_add(modmult(v, tens_mod), static_cast<int32_t>(g[i] % m), modulus);
        // The residue keeps the integer typed beside it (the factorial of a
        // literal is that of the integer typed).
        base_10_to_number(DigitSpan(g.data(), g.size()), x);
        keep_word(x, v);
        x.get()->kept = 1;
        return;
    }
    if (lintmode) {
        uint32_t v = 0;
        for (size_t i = g.size(); i-- > 0;) v = v * static_cast<uint32_t>(kTensBase) + g[i];
        if (g.size() >= 3 || static_cast<int32_t>(v) < 0) {
            if (readin_warnings < kReadinWarningCap) {
                std::printf(" *** Warning. overflow while reading constant.\n");
                ++readin_warnings;
            }
        }
        put_word(x, static_cast<int32_t>(v));
        return;
    }
    base_10_to_number(DigitSpan(g.data(), g.size()), x);
}

Number decimal_to_number(std::string_view text) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    std::vector<Digit> g = groups_of(text);
    Number x;
    base_10_to_number(DigitSpan(g.data(), g.size()), x);
    if (negative) {
        Digit* d = digits_of(x.get());
        for (int32_t i = 0; i < x.size(); ++i) d[i] = -d[i];
    }
    return x;
}

namespace {

Number disp_cons;
int disp_cons_size = -1;  // the disp_size disp_cons holds; -1: none

}  // namespace

void init_disp_cons() {
    disp_cons.reset();
    disp_cons_size = -1;
}

const Number& display_constant() {
    if (disp_cons_size == disp_size && disp_cons) return disp_cons;
    LintmodeOff guard;
    // (10^8)^disp_size by squaring: a few products of growing size.
    Number p, square;
    set_int64(1, p);
    spec_num_assign(tens_base, square);
    for (int e = disp_size > 0 ? disp_size : 0; e > 0; e >>= 1) {
        if (e & 1) fast_mult(p, square, p);
        if (e > 1) fast_mult(square, square, square);
    }
    disp_cons = std::move(p);
    disp_cons_size = disp_size;
    return disp_cons;
}

}  // namespace tolmex
