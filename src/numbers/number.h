// Big integers: the number record, its owning handle, assignment, comparison,
// negation, addition and subtraction, shifts and bit lengths.
//
// Digit and sign invariants (outside lintmode):
//  * A number is len >= 1 digits in base B = 2^28, stored contiguously and
//    least significant first: value = sum over i of d[i] * B^i.
//  * Every digit satisfies |d| <= B - 1 and carries the sign of the whole
//    number: the nonzero digits of a negative number are all negative, those
//    of a positive number all positive. The sign is the sign of the leading
//    digit d[len - 1]; zero digits inside a number carry no sign.
//  * Normal form: no leading zero digit. Zero is exactly one digit 0.
//  * len == 0 means the record holds no digits (a fresh record, or a number
//    whose digits were given up when it became a residue).
//  * The word `lint` is the value while lintmode is on (a machine integer, a
//    residue in modular mode, a field element in the fields of 2^8 and 2^16
//    elements). While lintmode is on the operations read only `lint`. Digits
//    a number holds beside its word are the integer the word was made from
//    (`kept`: a literal as typed, system data converted to a residue, whose
//    digits a return to rational mode finds again); writing the word in
//    lintmode drops them, since they would no longer stand for it.
//  * Inside an IntegerStretch (modular_state.h) lintmode is off and a
//    number without digits reads as its word, a signed machine integer:
//    size() and digits() present the word's one or two digits (written into
//    the record's unused digit room; len stays 0).
//  * Base-10^8 numbers (decimal conversion) keep the same invariants with
//    B = 10^8; they are made and used only by the decimal routines.
//
// Storage: the number record comes from the free list `imhead`, else the
// stash `imagstash`. One or two digits live inline in the record; longer
// numbers own a digit array of a power-of-two size class (4, 8, 16, ...
// digits). Arrays are recycled per class; the small classes are carved from
// slugs of `numstash`, larger ones come from the heap and are counted by the
// memory accounting, and those of a megabyte and more go back to the heap
// when freed. `numhead` reports the free digit slots. An allocation that
// cannot be served ends the command with error 375 before anything changes.
//
// Ownership: a Number owns its record (and the digits); its destructor
// returns both. Operations take operands by const reference and write a
// destination passed by reference; a destination may be an operand (the
// result is built first, then replaces the old value). A null handle
// (default-constructed or moved-from) may serve as a destination only.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "numbers/modular_state.h"

namespace tolmex {

// Positive inside an IntegerStretch: numbers without digits then read as
// their word while lintmode is off.
extern int residue_view;

using Digit = int32_t;
constexpr int kDigitBits = 28;
constexpr Digit kBase = Digit{1} << kDigitBits;  // 2^28
constexpr Digit kDigitMask = kBase - 1;
constexpr Digit kTensBase = 100000000;          // 10^8, the decimal digit base

// Largest digit count of a number; larger results end the command through
// the storage-exhausted path instead of overrunning memory.
constexpr int32_t kMaxDigits = int32_t{1} << 27;

// The pooled number record. The first word is the free-list link while the
// record is free.
struct NumRec {
    union Store {
        Digit* ptr;    // class >= 0: the digit array
        Digit in[2];   // class < 0: the inline digits
    } st;
    int32_t len;    // digits in use; 0: none
    int16_t cls;    // -1 inline, else the size class (capacity 4 << cls)
    int16_t kept;   // 1: the digits are the integer a residue was made from
    int32_t lint;   // the single-word value (lintmode)
};

// Sizes the pools are opened with (start-up's node_sizes()).
constexpr int32_t kNumberRecordBytes = static_cast<int32_t>(sizeof(NumRec));
constexpr int32_t kDigitSlugBytes = 64;  // one numstash slug: 16 digits

// A read-only run of digits, least significant first (what the algorithms
// call a raw chain). It need not be normalised.
using DigitSpan = std::span<const Digit>;

class Number {
public:
    Number() noexcept = default;
    ~Number() { reset(); }
    Number(Number&& o) noexcept : rec_(o.rec_) { o.rec_ = nullptr; }
    Number& operator=(Number&& o) noexcept {
        if (this != &o) {
            reset();
            rec_ = o.rec_;
            o.rec_ = nullptr;
        }
        return *this;
    }
    Number(const Number&) = delete;
    Number& operator=(const Number&) = delete;

    // Takes ownership of a record (from a poly node, the data reader ...).
    static Number adopt(NumRec* r) noexcept {
        Number n;
        n.rec_ = r;
        return n;
    }
    // Gives up ownership; the caller must adopt the record again later.
    [[nodiscard]] NumRec* release() noexcept {
        NumRec* r = rec_;
        rec_ = nullptr;
        return r;
    }
    // Returns the record and its digits to the free lists.
    void reset() noexcept;
    void swap(Number& o) noexcept {
        NumRec* t = rec_;
        rec_ = o.rec_;
        o.rec_ = t;
    }

    explicit operator bool() const noexcept { return rec_ != nullptr; }
    NumRec* get() const noexcept { return rec_; }

    // Digits, least significant first (empty for a null handle or len 0,
    // except inside an IntegerStretch, which presents the word).
    int32_t size() const noexcept {
        if (!rec_) return 0;
        const int32_t n = rec_->len;
        if (n == 0 && residue_view > 0 && !lintmode) [[unlikely]]
            return word_view();
        return n;
    }
    DigitSpan digits() const noexcept {
        if (!rec_) return {};
        const int32_t n = size();
        return {rec_->cls < 0 ? rec_->st.in : rec_->st.ptr, static_cast<size_t>(n)};
    }
    Digit top() const noexcept { return digits()[size() - 1]; }
    // -1, 0 or 1 from the digits (ignores lintmode).
    int sign() const noexcept {
        if (size() == 0) return 0;  // no digits: a value given up, or 0
        Digit t = top();
        return (t > 0) - (t < 0);
    }
    int32_t lint() const noexcept { return rec_->lint; }
    // The word. In lintmode it is the value: digits kept beside it are
    // dropped. Outside lintmode the digits are the value and stay.
    void set_lint(int32_t v) noexcept {
        rec_->lint = v;
        if (lintmode) {
            rec_->len = 0;
            rec_->kept = 0;
        }
    }
    // The digits kept beside the word (lintmode) are the integer it was
    // made from.
    bool keeps_integer() const noexcept { return rec_ && rec_->kept && rec_->len > 0; }

private:
    // Writes the word's digits into the unused digit room; their count.
    [[gnu::pure]] int32_t word_view() const noexcept;
    NumRec* rec_ = nullptr;
};

// Holds lintmode off for a stretch of code that needs true big integers
// while modular mode is on; restored also when an error unwinds.
class LintmodeOff {
public:
    LintmodeOff();
    ~LintmodeOff();
    LintmodeOff(const LintmodeOff&) = delete;
    LintmodeOff& operator=(const LintmodeOff&) = delete;

private:
    int saved_;
};

// ---------------------------------------------------------------------------
// Construction and access (ignore lintmode unless stated)

// v! modulo the modulus for a machine integer v >= 0 (modular mode): 0 from
// the modulus on, and in the fields, whose characteristic is 2, from 2 on.
int32_t residue_factorial(int64_t v);

// A number from a most-significant-first list of signed base-2^28 digits (all
// of one sign, each |d| < 2^28; leading zeros are dropped).
[[nodiscard]] Number number_from_digits(std::span<const int32_t> msf);
// The digits of x, most significant first.
std::vector<int32_t> digits_msf(const Number& x);
// x := v exactly (any 64-bit v); lint := v when it fits 32 bits.
void set_int64(int64_t v, Number& x);
[[nodiscard]] Number number_from_int64(int64_t v);
// v := the value of x when it fits 64 bits; false otherwise.
bool to_int64(const Number& x, int64_t& v);
// The value of x as a 32-bit integer, or `sentinel` when it does not fit; in
// lintmode the `lint` word.
int32_t convert_to_int(const Number& x, int32_t sentinel);
// x is exactly the single digit v, whatever lintmode says (is_longint reads
// the lint word in lintmode).
inline bool spec_is_longint(const Number& x, int32_t v) {
    return x.size() == 1 && x.digits()[0] == v;
}
// The value of x's two lowest digits: the value of a number of one or two
// digits (|x| < 2^56), whatever lintmode says. x must have digits.
inline int64_t low_digits_value(const Number& x) {
    const DigitSpan d = x.digits();
    return d.size() == 1 ? int64_t{d[0]} : int64_t{d[0]} + (int64_t{d[1]} << kDigitBits);
}
// Bits enough for the magnitude of any number of that many digits.
constexpr int64_t digits_bit_bound(int64_t digits) { return digits * kDigitBits; }

// Machine limbs: magnitudes in 64-bit words, least significant first, for
// the kernels that compute on machine words (the dense poly products).
//
// Limbs enough for |x|.
inline int limbs_bound(const Number& x) {
    return static_cast<int>((digits_bit_bound(x.size()) + 63) / 64);
}
// out[0 .. w) := |x| in limbs, the words above it 0 (|x| must fit w limbs);
// returns the count of limbs up to the highest nonzero one (0 for x = 0).
int number_to_limbs(const Number& x, uint64_t* out, int w);
// The number of magnitude m[0 .. n) and the sign `negative` (leading zero
// limbs allowed; n = 0 gives 0).
[[nodiscard]] Number number_from_limbs(const uint64_t* m, int n, bool negative);

// True when x has no digits (len 0) or is a null handle.
inline bool has_no_digits(const Number& x) { return !x || x.get()->len == 0; }
// Gives up x's digits (len 0), keeping the record and its lint word: a
// number that has become a residue for good.
void give_up_digits(Number& x);
// Refuses, with error 375 before any work, a result known to need at least
// `digits` digits: more than a number may have, or more than memory could
// ever hold. Callers pass a lower bound, so nothing that fits is refused.
void require_digits(double digits);
// The same for x^n (n >= 1), which has at least n * (bits(x) - 1) + 1 bits.
void require_power_digits(const Number& x, int64_t n);

// ---------------------------------------------------------------------------
// Assignment

// x := v: one digit when |v| < 2^28, else two. In lintmode only lint := v.
void setvalue(int32_t v, Number& x);
// x := the single digit v (|v| < 2^28), whatever lintmode says.
void special_set(int32_t v, Number& x);
// dst := a copy of src; in lintmode only the lint word is copied.
void num_assign(const Number& src, Number& dst);
// dst := a copy of src's digits (and its lint word), whatever lintmode says.
void spec_num_assign(const Number& src, Number& dst);
// dst := the raw chain (normalised: leading zero digits are dropped).
void fast_num_assign(DigitSpan chain, Number& dst);
// dst := |src| (digits; the sign is read before lintmode is consulted).
void abs_val_num(const Number& src, Number& dst);

// ---------------------------------------------------------------------------
// Negation. Modular mode: m - v with 0 staying 0; the fields of
// characteristic 2: v unchanged; plain lintmode: -v.

void makeneg(const Number& src, Number& dst);
void in_place_neg(Number& x);

// ---------------------------------------------------------------------------
// Comparison (lintmode compares the lint words)

bool equal(const Number& a, const Number& b);
bool spec_equal(const Number& a, const Number& b);  // digits, whatever lintmode says
// True when x is 1 or -1; m := 1 exactly when x = -1.
bool equal_to_pm1(const Number& x, int& m);
// x has one digit and that digit is v.
bool is_longint(const Number& x, int32_t v);
// Three-way comparison of the digits: -1, 0, 1 (ignores lintmode).
int compare(const Number& a, const Number& b);
int compare_abs(const Number& a, const Number& b);

// ---------------------------------------------------------------------------
// Addition and subtraction (lintmode: residues in modular mode, the XOR in
// the fields, wrapping machine arithmetic otherwise)

void fastsum(Number& a, const Number& b);   // a := a + b
void fastdiff(Number& a, const Number& b);  // a := a - b
void summ(const Number& a, const Number& b, Number& r);  // r := a + b
void diff(const Number& a, const Number& b, Number& r);  // r := a - b
// r := a + b in base 10^8, for decimal conversion (ignores lintmode).
void summ_base_10(const Number& a, const Number& b, Number& r);

// ---------------------------------------------------------------------------
// Shifts and bit lengths (non-negative arguments unless stated; ignore
// lintmode)

void shift_left(Number& x, int64_t k);   // x := x * 2^k
void shift_right(Number& x, int64_t k);  // x := floor(x / 2^k), k < 28 * len
// Index of the highest set bit of |v| (of the symmetric residue in modular
// mode); 0 for v = 0.
int logg2lint(int32_t v);

// ---------------------------------------------------------------------------
// Constants, built by init_numbers() at start-up (each has its lint word set
// to the same value).

extern Number number_0, number_1, number_2, number_m1, number_10, num_2_14;
extern Number tens_base;     // 10^8
extern Number two_tensbase;  // 10^16
extern int32_t ones[32];     // ones[k] = 2^k - 1

// Leaves at least `slots` more digit slots on the free lists of the digit
// store (numbers made and dropped again), so that later numbers find them.
void prefill_digit_slots(int64_t slots);

// Builds the constants, the `ones` table and disp_cons, and installs the
// digit free-list counter. Needs the node pools open.
void init_numbers();

}  // namespace tolmex
