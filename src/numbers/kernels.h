// Digit-span kernels of the big integers, for the code of src/numbers only.
//
// Kernels work on runs of digits, least significant first. They never
// allocate, never raise errors and never poll for keyboard interrupts by
// themselves; the caller provides room (and scratch) as each kernel states,
// and polls between kernel calls. The two kernels whose running time has
// no bound (mul_mag, divrem) take an optional `between`, a function they
// call between their sub-products or every few thousand limb steps, so that
// the caller can take a keyboard interrupt there too: `between` may unwind,
// and the kernels hold nothing that would need freeing (their scratch and
// result belong to the caller, who must not read the result then). The digit base is a policy: Base28 (2^28) for the
// numbers themselves, Base1e8 (10^8) for decimal conversion.
//
// Signed kernels (add_abs, sub_abs) read the magnitude of each digit, so they
// take numbers of either sign as they are stored, and write their result
// with the sign mask m (0 for positive, -1 for negative). The output may be
// the storage of an operand provided it starts at the same digit.
// Magnitude kernels (mul_*, div*) take non-negative digits and write
// non-negative digits.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "numbers/number.h"

namespace tolmex::kern {

struct Base28 {
    static constexpr uint32_t kB = uint32_t{1} << 28;
    static uint64_t hi(uint64_t x) { return x >> 28; }
    static uint32_t lo(uint64_t x) { return static_cast<uint32_t>(x & (kB - 1)); }
    // Rows of products that a 64-bit accumulator takes between carries.
    static constexpr int64_t kRows = 255;
};

struct Base1e8 {
    static constexpr uint32_t kB = 100000000;
    static uint64_t hi(uint64_t x) { return x / kB; }
    static uint32_t lo(uint64_t x) { return static_cast<uint32_t>(x % kB); }
    static constexpr int64_t kRows = 1500;
};

inline Digit mag(Digit d) { return __builtin_abs(d); }
inline Digit with_sign(Digit v, Digit m) { return (v ^ m) - m; }

// Length of a[0..n) without leading zeros (0 when every digit is 0).
inline int64_t strip(const Digit* a, int64_t n) {
    while (n > 0 && a[n - 1] == 0) --n;
    return n;
}

// Compares |a| and |b| (lengths need not be normalised): -1, 0, 1.
inline int cmp_abs(const Digit* a, int64_t na, const Digit* b, int64_t nb) {
    na = strip(a, na);
    nb = strip(b, nb);
    if (na != nb) return na > nb ? 1 : -1;
    for (int64_t i = na - 1; i >= 0; --i) {
        Digit x = mag(a[i]), y = mag(b[i]);
        if (x != y) return x > y ? 1 : -1;
    }
    return 0;
}

// Base 2^28 sums and differences without a carry chain: digit i of the
// result keeps the low 28 bits of its own digit sum and takes the carry (or
// borrow) of the digit sum below, both computed from the operands, so the
// loop vectorises. A carry that runs on (a sum of 2^28 - 1 receiving one) is
// rare and settled by a scalar pass. The loop runs downwards, so r may be the
// storage of a or b. Digits of a and b are read as magnitudes when kAbs;
// digits of r are written with the sign mask m. For na >= nb; returns the
// carry (or borrow) out of digit na - 1.
template <class B, bool kSub, bool kAbs>
[[gnu::always_inline]] inline int32_t combine(Digit* r, const Digit* a, int64_t na, const Digit* b,
                                               int64_t nb, Digit m) {
    constexpr Digit kB = static_cast<Digit>(B::kB);
    // The carry of a digit sum s in [-B, 2B), and its low part.
    auto carry = [](Digit x) -> Digit {
        if constexpr (std::is_same_v<B, Base28>)
            return x >> 28;
        else
            return (x >= kB) - (x < 0);
    };
    auto low = [](Digit x) -> Digit {
        if constexpr (std::is_same_v<B, Base28>)
            return x & (kB - 1);
        else
            return x - (x >= kB ? kB : 0) + (x < 0 ? kB : 0);
    };
    if (na <= 0) return 0;
    auto A = [a](int64_t i) { return kAbs ? mag(a[i]) : a[i]; };
    auto S = [a, b](int64_t i) {
        const Digit x = kAbs ? mag(a[i]) : a[i], y = kAbs ? mag(b[i]) : b[i];
        return kSub ? x - y : x + y;
    };
    int32_t top = carry(na - 1 < nb ? S(na - 1) : A(na - 1));
    Digit bad = 0;
    // Above b: a's digits as they are (a carry from below arrives by ripple).
    for (int64_t i = na - 1; i > nb; --i) r[i] = with_sign(A(i), m);
    if (nb >= 1 && nb < na) {
        const Digit t = low(A(nb)) + carry(S(nb - 1));
        bad |= carry(t);
        r[nb] = with_sign(t, m);
    }
    const int64_t lo = nb < na ? nb : na;
    for (int64_t i = lo - 1; i > 0; --i) {
        const Digit t = low(S(i)) + carry(S(i - 1));
        bad |= carry(t);
        r[i] = with_sign(t, m);
    }
    if (nb >= 1)
        r[0] = with_sign(low(S(0)), m);
    else
        r[0] = with_sign(A(0), m);
    if (bad) {
        int32_t c = 0;
        for (int64_t i = 0; i < na; ++i) {
            const int32_t t = with_sign(r[i], m) + c;
            c = carry(t);
            r[i] = with_sign(low(t), m);
        }
        top += c;
    }
    return top;
}

template <bool kSub, bool kAbs>
[[gnu::always_inline]] inline int32_t combine28(Digit* r, const Digit* a, int64_t na,
                                                 const Digit* b, int64_t nb, Digit m) {
    return combine<Base28, kSub, kAbs>(r, a, na, b, nb, m);
}

// The same for an output that overlaps neither operand: the loop runs
// upwards, which vectorises without reversing the digits.
template <bool kSub, bool kAbs>
[[gnu::always_inline]] inline int32_t combine28_up(Digit* __restrict r, const Digit* __restrict a,
                                                    int64_t na, const Digit* __restrict b,
                                                    int64_t nb, Digit m) {
    constexpr Digit kM = Base28::kB - 1;
    if (na <= 0) return 0;
    auto A = [a](int64_t i) { return kAbs ? mag(a[i]) : a[i]; };
    auto S = [a, b](int64_t i) {
        const Digit x = kAbs ? mag(a[i]) : a[i], y = kAbs ? mag(b[i]) : b[i];
        return kSub ? x - y : x + y;
    };
    int32_t top = (na - 1 < nb ? S(na - 1) : A(na - 1)) >> 28;
    Digit bad = 0;
    const int64_t lo = nb < na ? nb : na;
    if (lo >= 1) r[0] = with_sign(S(0) & kM, m);
    for (int64_t i = 1; i < lo; ++i) {
        const Digit t = (S(i) & kM) + (S(i - 1) >> 28);
        bad |= t >> 28;
        r[i] = with_sign(t, m);
    }
    if (nb >= 1 && nb < na) {
        const Digit t = (A(nb) & kM) + (S(nb - 1) >> 28);
        bad |= t >> 28;
        r[nb] = with_sign(t, m);
    }
    if (nb < 1) r[0] = with_sign(A(0), m);
    for (int64_t i = nb + 1; i < na; ++i) r[i] = with_sign(A(i), m);
    if (bad) {
        int32_t c = 0;
        for (int64_t i = 0; i < na; ++i) {
            const int32_t t = with_sign(r[i], m) + c;
            c = t >> 28;
            r[i] = with_sign(t & kM, m);
        }
        top += c;
    }
    return top;
}

// combine28 compiled for the processor at hand (AVX2 where present).
int32_t combine28_add_abs(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb,
                          Digit m);
int32_t combine28_sub_abs(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb,
                          Digit m);
int32_t combine28_add(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb);
int32_t combine28_add_abs_up(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb,
                             Digit m);
int32_t combine28_sub_abs_up(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb,
                             Digit m);
int32_t combine28_sub(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb);
int32_t combine1e8_add(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb);
int32_t combine1e8_sub(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb);

// r[0..na] := |a| + |b| with sign m, for na >= nb; returns the length
// written (na or na + 1).
template <class B>
int64_t add_abs(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit m) {
    if constexpr (std::is_same_v<B, Base28>) {
        if (na <= 16) {
            // Short: one carry chain costs less than setting up the vector loop.
            constexpr int32_t kM = static_cast<int32_t>(B::kB - 1);
            int32_t c = 0;
            int64_t i = 0;
            for (; i < nb; ++i) {
                const int32_t t = mag(a[i]) + mag(b[i]) + c;
                c = t >> 28;
                r[i] = with_sign(t & kM, m);
            }
            for (; i < na; ++i) {
                const int32_t t = mag(a[i]) + c;
                c = t >> 28;
                r[i] = with_sign(t & kM, m);
            }
            r[na] = with_sign(c, m);
            return na + c;
        }
        const int32_t c = (r + na + 1 <= a || a + na <= r) && (r + na + 1 <= b || b + nb <= r)
                              ? combine28_add_abs_up(r, a, na, b, nb, m)
                              : combine28_add_abs(r, a, na, b, nb, m);
        r[na] = with_sign(c, m);
        return na + (c != 0);
    }
    uint32_t c = 0;
    int64_t i = 0;
    for (; i < nb; ++i) {
        uint32_t s = static_cast<uint32_t>(mag(a[i])) + static_cast<uint32_t>(mag(b[i])) + c;
        c = s >= B::kB;
        if (c) s -= B::kB;
        r[i] = with_sign(static_cast<Digit>(s), m);
    }
    for (; i < na; ++i) {
        uint32_t s = static_cast<uint32_t>(mag(a[i])) + c;
        c = s >= B::kB;
        if (c) s -= B::kB;
        r[i] = with_sign(static_cast<Digit>(s), m);
    }
    if (c) {
        r[na] = with_sign(1, m);
        return na + 1;
    }
    return na;
}

// r[0..na) := |a| - |b| with sign m, for |a| >= |b| and na >= nb; returns
// the normalised length (at least 1).
template <class B>
int64_t sub_abs(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit m) {
    if constexpr (std::is_same_v<B, Base28>) {
        if ((r + na <= a || a + na <= r) && (r + na <= b || b + nb <= r))
            combine28_sub_abs_up(r, a, na, b, nb, m);
        else
            combine28_sub_abs(r, a, na, b, nb, m);
        const int64_t n = strip(r, na);
        return n == 0 ? 1 : n;
    }
    int32_t borrow = 0;
    int64_t i = 0;
    for (; i < nb; ++i) {
        int32_t s = mag(a[i]) - mag(b[i]) - borrow;
        borrow = s < 0;
        if (borrow) s += static_cast<int32_t>(B::kB);
        r[i] = with_sign(s, m);
    }
    for (; i < na; ++i) {
        int32_t s = mag(a[i]) - borrow;
        borrow = s < 0;
        if (borrow) s += static_cast<int32_t>(B::kB);
        r[i] = with_sign(s, m);
    }
    int64_t n = strip(r, na);
    return n ? n : 1;
}

// Unsigned magnitude helpers ------------------------------------------------

// r[0..n) := a + b (same length n) with carry out returned. r may be a or b.
template <class B>
uint32_t add_n(Digit* r, const Digit* a, const Digit* b, int64_t n) {
    if constexpr (std::is_same_v<B, Base28>) {
        return static_cast<uint32_t>(combine28_add(r, a, n, b, n));
    } else {
        if (n > 16) return static_cast<uint32_t>(combine1e8_add(r, a, n, b, n));
    }
    uint32_t c = 0;
    for (int64_t i = 0; i < n; ++i) {
        uint32_t s = static_cast<uint32_t>(a[i]) + static_cast<uint32_t>(b[i]) + c;
        c = s >= B::kB;
        r[i] = static_cast<Digit>(c ? s - B::kB : s);
    }
    return c;
}

// r[0..na) := a + b for na >= nb, carry returned. r may be a.
template <class B>
uint32_t add_mag(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb) {
    if constexpr (std::is_same_v<B, Base28>) {
        return static_cast<uint32_t>(combine28_add(r, a, na, b, nb));
    } else {
        if (na > 16) return static_cast<uint32_t>(combine1e8_add(r, a, na, b, nb));
    }
    uint32_t c = add_n<B>(r, a, b, nb);
    for (int64_t i = nb; i < na; ++i) {
        uint32_t s = static_cast<uint32_t>(a[i]) + c;
        c = s >= B::kB;
        r[i] = static_cast<Digit>(c ? s - B::kB : s);
    }
    return c;
}

// a[0..na) += b[0..nb) in place, propagating the carry up to na digits;
// returns the carry out of the top (0 when the caller left room).
template <class B>
uint32_t add_into(Digit* a, int64_t na, const Digit* b, int64_t nb) {
    uint32_t c = add_n<B>(a, a, b, nb);
    for (int64_t i = nb; c && i < na; ++i) {
        uint32_t s = static_cast<uint32_t>(a[i]) + 1;
        c = s >= B::kB;
        a[i] = static_cast<Digit>(c ? 0 : s);
    }
    return c;
}

// a[0..na) -= b[0..nb) in place, a >= b; returns the borrow out.
template <class B>
uint32_t sub_into(Digit* a, int64_t na, const Digit* b, int64_t nb) {
    int32_t c = std::is_same_v<B, Base28> ? combine28_sub(a, a, nb, b, nb)
                                          : combine1e8_sub(a, a, nb, b, nb);
    for (int64_t i = nb; c && i < na; ++i) {
        const int32_t t = a[i] + c;
        c = (t >= static_cast<int32_t>(B::kB)) - (t < 0);
        a[i] = t - c * static_cast<int32_t>(B::kB);
    }
    return c ? 1u : 0u;
}

// acc[i + j] += a[i] * b[j] for every i < na, j < nb (no carries).
void acc_products(uint64_t* acc, const Digit* a, int64_t na, const Digit* b, int64_t nb);

// r[0..na+nb) := a * b, schoolbook with delayed carries. r must not overlap
// a or b. The accumulator lives on the stack.
template <class B>
void mul_basecase(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb);

// Digits of scratch that mul_mag needs for operands of these lengths.
int64_t mul_scratch(int64_t na, int64_t nb, int64_t cut);

// Called by the long kernels between their steps (see the top of this file).
using Between = void (*)();

// The product methods. kAuto chooses by the operands' lengths; the others
// force the method for the top step (its sub-products choose for
// themselves), for the tests that compare every method on the same
// operands.
enum class Method { kAuto, kSchoolbook, kKaratsuba, kToom3, kNtt };

// r[0..na+nb) := a * b (magnitudes): schoolbook up to `cut` digits,
// Karatsuba above, Toom-3 above toom_cut<B>() and the transform product
// above ntt_cut<B>() (when its roots are prepared). r must not overlap a, b
// or the scratch w (mul_scratch digits).
template <class B>
void mul_mag(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit* w,
             int64_t cut, Between between = nullptr, Method method = Method::kAuto);

// Cut-offs of the automatic choice, in digits of the shorter operand.
template <class B>
int64_t toom_cut();
template <class B>
int64_t ntt_cut();

// Transform products (ntt.cpp) ---------------------------------------------

// Transforms have at most 2^kNttMaxLog points: products of at most
// kNttMaxDigits digits in one transform; a longer operand is multiplied
// piecewise, and operands both beyond half of it split by Toom-3 or
// Karatsuba first.
constexpr int kNttMaxLog = 21;
constexpr int64_t kNttMaxDigits = int64_t{1} << kNttMaxLog;
// Builds the tables of roots for products of up to `total` digits (kept
// for later products). Allocates: called by the product's caller, never
// inside a kernel.
void ntt_prepare(int64_t total);
// The tables serve transforms of n points.
bool ntt_ready(int64_t n);
// Length of the pieces of a (na >= nb) that one transform takes.
int64_t ntt_piece(int64_t na, int64_t nb);
// Digits of scratch (aligned for 32-bit words) that mul_ntt needs.
int64_t ntt_scratch(int64_t na, int64_t nb);
// r[0..na+nb) := a * b for na >= nb, 2 nb <= kNttMaxDigits, the tables
// prepared for na + nb digits.
template <class B>
void mul_ntt(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit* w,
             Between between);

// Division (base 2^28 magnitudes) -------------------------------------------

// q[0..n) := a / d, returns a mod d; q may be a; 0 < d < 2^28.
uint32_t divrem_1(Digit* q, const Digit* a, int64_t n, uint32_t d);
// The remainder only.
uint32_t mod_1(const Digit* a, int64_t n, uint32_t d);

// The division methods: kAuto chooses by the divisor's length
// (div_recursive_cut()); the others are forced by the tests that compare
// them on the same operands.
enum class DivMethod { kAuto, kSchoolbook, kRecursive, kNewton };

// Long division of a (na digits) by b (nb >= 2 digits, b's top digit
// nonzero, na >= nb): q[0..na-nb+1) := a div b (q may be null), r[0..nb) :=
// a mod b. w is scratch of divrem_scratch(na, nb) digits (enough for every
// method), aligned for 64-bit words. None of q, r, w may overlap a or b.
int64_t divrem_scratch(int64_t na, int64_t nb);
void divrem(Digit* q, Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit* w,
            Between between = nullptr, DivMethod method = DivMethod::kAuto);

// The methods themselves, with the same contract: schoolbook (kernels.cpp)
// and recursive, by halves or by a reciprocal (divide_recursive.cpp, which
// needs the transform's tables for products of 2 nb + 8 digits to use
// them).
inline int64_t divrem_schoolbook_scratch(int64_t na, int64_t nb) { return 2 * (na + nb) + 16; }
void divrem_schoolbook(Digit* q, Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb,
                       Digit* w, Between between);
int64_t divrem_recursive_scratch(int64_t na, int64_t nb);
void divrem_recursive(Digit* q, Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb,
                      Digit* w, Between between, bool newton);
// Divisors of at least this many digits take the recursive method, by a
// reciprocal when min(quotient digits, 4 nb) reaches div_newton_cut().
int64_t div_recursive_cut();
int64_t div_newton_cut();

}  // namespace tolmex::kern
