// Big integers: construction, assignment, comparison, negation, constants.
#include "numbers/number.h"

#include <cstring>

#include "numbers/decimal.h"
#include "numbers/kernels.h"
#include "numbers/lint_ops.h"
#include "numbers/mul_div.h"
#include "numbers/storage.h"
#include "numbers/modular_state.h"
#include "storage/accounting.h"
#include "storage/free_lists.h"

namespace tolmex {

using namespace numstore;

Number number_0, number_1, number_2, number_m1, number_10, num_2_14, tens_base, two_tensbase;
int32_t ones[32];

namespace {

void copy_digits(const Number& src, Number& dst) {
    if (src.get() == dst.get()) return;
    assign_digits(dst, src.digits().data(), src.size());
}

// A number that holds value v both as digits and as its lint word.
Number make_constant(int64_t v) {
    Number x;
    set_int64(v, x);
    x.set_lint(static_cast<int32_t>(v));
    return x;
}

}  // namespace

LintmodeOff::LintmodeOff() : saved_(lintmode) { lintmode = 0; }
LintmodeOff::~LintmodeOff() { lintmode = saved_; }

// ---------------------------------------------------------------------------
// Construction and access

Number number_from_digits(std::span<const int32_t> msf) {
    Number x;
    const int64_t n = static_cast<int64_t>(msf.size());
    ResultDigits out(x, n < 1 ? 1 : n, true);
    Digit* d = out.data();
    for (int64_t i = 0; i < n; ++i) d[i] = msf[static_cast<size_t>(n - 1 - i)];
    if (n == 0) d[0] = 0;
    out.commit(n < 1 ? 1 : n);
    return x;
}

std::vector<int32_t> digits_msf(const Number& x) {
    DigitSpan d = x.digits();
    return std::vector<int32_t>(d.rbegin(), d.rend());
}

int number_to_limbs(const Number& x, uint64_t* out, int w) {
    std::memset(out, 0, sizeof(uint64_t) * static_cast<size_t>(w));
    unsigned __int128 acc = 0;
    int bits = 0, k = 0;
    for (Digit v : x.digits()) {
        acc |= static_cast<unsigned __int128>(static_cast<uint32_t>(kern::mag(v))) << bits;
        bits += kDigitBits;
        if (bits >= 64) {
            out[k++] = static_cast<uint64_t>(acc);
            acc >>= 64;
            bits -= 64;
        }
    }
    if (bits > 0 && k < w) out[k++] = static_cast<uint64_t>(acc);
    while (k > 0 && out[k - 1] == 0) --k;
    return k;
}

Number number_from_limbs(const uint64_t* m, int n, bool negative) {
    Number x;
    const int64_t room = (int64_t{n} * 64 + kDigitBits - 1) / kDigitBits + 1;
    ResultDigits out(x, room, true);
    Digit* d = out.data();
    const Digit sign = negative ? -1 : 0;
    int64_t count = 0;
    unsigned __int128 acc = 0;
    int bits = 0;
    for (int i = 0; i < n; ++i) {
        acc |= static_cast<unsigned __int128>(m[i]) << bits;
        bits += 64;
        while (bits >= kDigitBits) {
            d[count++] = kern::with_sign(static_cast<Digit>(acc & kDigitMask), sign);
            acc >>= kDigitBits;
            bits -= kDigitBits;
        }
    }
    if (bits > 0 || count == 0)
        d[count++] = kern::with_sign(static_cast<Digit>(acc & kDigitMask), sign);
    out.commit(count);
    return x;
}

void set_int64(int64_t v, Number& x) {
    Digit tmp[3];
    uint64_t m = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    const Digit sm = v < 0 ? -1 : 0;
    int n = 0;
    do {
        tmp[n++] = kern::with_sign(static_cast<Digit>(m & kDigitMask), sm);
        m >>= kDigitBits;
    } while (m);
    assign_digits(x, tmp, n);
    if (v >= INT32_MIN && v <= INT32_MAX) keep_word(x, static_cast<int32_t>(v));
}

Number number_from_int64(int64_t v) {
    Number x;
    set_int64(v, x);
    return x;
}

bool to_int64(const Number& x, int64_t& v) {
    DigitSpan d = x.digits();
    if (d.empty() || d.size() > 3) return false;
    if (d.size() == 3 && kern::mag(d[2]) > 128) return false;
    uint64_t m = 0;
    for (size_t i = d.size(); i-- > 0;) m = (m << kDigitBits) | static_cast<uint32_t>(kern::mag(d[i]));
    const bool negative = x.sign() < 0;
    if (m > (negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1)) return false;
    v = negative ? static_cast<int64_t>(0 - m) : static_cast<int64_t>(m);
    return true;
}

int32_t convert_to_int(const Number& x, int32_t sentinel) {
    if (lintmode) return x.lint();
    int64_t v;
    if (!to_int64(x, v) || v < INT32_MIN || v > INT32_MAX) return sentinel;
    return static_cast<int32_t>(v);
}

int32_t Number::word_view() const noexcept {
    const int32_t w = rec_->lint;
    const uint32_t m = w < 0 ? 0u - static_cast<uint32_t>(w) : static_cast<uint32_t>(w);
    const Digit sm = w < 0 ? -1 : 0;
    Digit* d = rec_->cls < 0 ? rec_->st.in : rec_->st.ptr;
    d[0] = kern::with_sign(static_cast<Digit>(m & kDigitMask), sm);
    const Digit hi = static_cast<Digit>(m >> kDigitBits);
    if (hi == 0) return 1;
    d[1] = kern::with_sign(hi, sm);
    return 2;
}

void give_up_digits(Number& x) {
    if (!x) return;
    NumRec* r = x.get();
    if (r->cls >= 0) free_array(r->st.ptr, r->cls);
    r->cls = -1;
    r->len = 0;
    r->kept = 0;
}

void require_digits(double digits) {
    if (digits > kMaxDigits) storage_exhausted();
    require_memory(digits * sizeof(Digit));
}

void require_power_digits(const Number& x, int64_t n) {
    if (x.size() == 0 || n <= 1 || x.top() == 0) return;
    const double bits = static_cast<double>(kDigitBits) * (x.size() - 1) +
                        (32 - __builtin_clz(static_cast<uint32_t>(kern::mag(x.top()))));
    require_digits((static_cast<double>(n) * (bits - 1) + 1) / kDigitBits);
}

// ---------------------------------------------------------------------------
// Assignment

void setvalue(int32_t v, Number& x) {
    if (lintmode) {
        put_word(x, v);
        return;
    }
    const int32_t lint = x ? x.lint() : 0;
    set_int64(v, x);
    keep_word(x, lint);
}

void special_set(int32_t v, Number& x) {
    Digit d = v;
    assign_digits(x, &d, 1);
}

void num_assign(const Number& src, Number& dst) {
    if (lintmode) {
        put_word(dst, src.lint());
        return;
    }
    if (residue_view > 0 && src.keeps_integer()) {
        // Inside an IntegerStretch a stored residue reads as its word, also
        // when it keeps the integer it was typed as.
        set_int64(src.lint(), dst);
        return;
    }
    spec_num_assign(src, dst);
}

void spec_num_assign(const Number& src, Number& dst) {
    if (src.get() == dst.get()) return;
    copy_digits(src, dst);
    keep_word(dst, src.lint());
}

void fast_num_assign(DigitSpan chain, Number& dst) {
    if (chain.empty()) {
        special_set(0, dst);
        return;
    }
    assign_digits(dst, chain.data(), static_cast<int64_t>(chain.size()));
}

void abs_val_num(const Number& src, Number& dst) {
    if (src.size() > 0 && src.sign() < 0)
        makeneg(src, dst);
    else
        num_assign(src, dst);
}

// ---------------------------------------------------------------------------
// Negation

void makeneg(const Number& src, Number& dst) {
    if (lintmode) {
        put_word(dst, lint_neg(src.lint()));
        return;
    }
    const int64_t n = src.size();
    ResultDigits out(dst, n, false);
    const Digit* s = src.digits().data();
    Digit* d = out.data();
    for (int64_t i = 0; i < n; ++i) d[i] = -s[i];
    out.commit(n);
    dst.set_lint(src.lint());
}

void in_place_neg(Number& x) {
    if (lintmode) {
        x.set_lint(lint_neg(x.lint()));
        return;
    }
    const int32_t n = x.size();
    x.get()->len = n;  // a word read as digits becomes those digits
    Digit* d = digits_of(x.get());
    for (int32_t i = 0; i < n; ++i) d[i] = -d[i];
}

// ---------------------------------------------------------------------------
// Comparison

int compare_abs(const Number& a, const Number& b) {
    DigitSpan x = a.digits(), y = b.digits();
    return kern::cmp_abs(x.data(), static_cast<int64_t>(x.size()), y.data(),
                         static_cast<int64_t>(y.size()));
}

int compare(const Number& a, const Number& b) {
    const int sa = a.sign(), sb = b.sign();
    if (sa != sb) return sa > sb ? 1 : -1;
    if (sa == 0) return 0;
    const int c = compare_abs(a, b);
    return sa > 0 ? c : -c;
}

bool spec_equal(const Number& a, const Number& b) {
    DigitSpan x = a.digits(), y = b.digits();
    return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof(Digit)) == 0;
}

bool equal(const Number& a, const Number& b) {
    if (lintmode) return a.lint() == b.lint();
    return spec_equal(a, b);
}

bool equal_to_pm1(const Number& x, int& m) {
    if (lintmode) {
        const int32_t v = x.lint();
        if (v == 1) {
            m = 0;
            return true;
        }
        const bool minus = modularmode ? (!finf && v == modulus - 1) : v == -1;
        if (minus) m = 1;
        return minus;
    }
    if (x.size() != 1) return false;
    const Digit d = x.digits()[0];
    if (d != 1 && d != -1) return false;
    m = d < 0;
    return true;
}

bool is_longint(const Number& x, int32_t v) {
    if (lintmode) return x.lint() == v;
    return x.size() == 1 && x.digits()[0] == v;
}

void prefill_digit_slots(int64_t slots) {
    // Four-digit numbers made and dropped again leave their digit arrays on
    // the free lists. Arrays already free are taken first and come back, so
    // numbers are made until the store has given `slots` new slots.
    constexpr int kPerNumber = 4;
    const int32_t digits[kPerNumber] = {1, 0, 0, 0};
    const int64_t target = numhead.count() + slots;
    std::vector<Number> held;
    held.reserve(static_cast<size_t>(slots / kPerNumber + 1));
    while (numhead.count() + kPerNumber * static_cast<int64_t>(held.size()) < target)
        held.push_back(number_from_digits(digits));
}

// ---------------------------------------------------------------------------
// Constants

void init_numbers() {
    numhead.counter = free_digit_slots;
    for (int k = 0; k < 32; ++k) ones[k] = static_cast<int32_t>((uint32_t{1} << k) - 1);
    number_0 = make_constant(0);
    number_1 = make_constant(1);
    number_2 = make_constant(2);
    number_m1 = make_constant(-1);
    number_10 = make_constant(10);
    num_2_14 = make_constant(16384);
    tens_base = make_constant(kTensBase);
    two_tensbase = make_constant(int64_t{kTensBase} * kTensBase);
    two_tensbase.set_lint(0);
    init_disp_cons();
}

}  // namespace tolmex
