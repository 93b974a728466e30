// Multiplication and division kernels on digit spans.
#include "numbers/kernels.h"

#include <algorithm>
#include <type_traits>


namespace tolmex::kern {

namespace {

// Columns and rows of one block of the schoolbook product.
constexpr int64_t kBlockCols = 512;
constexpr int64_t kStackAcc = 1024;

template <class B>
void normalise_into(Digit* r, const uint64_t* acc, int64_t n) {
    uint64_t c = 0;
    for (int64_t k = 0; k < n; ++k) {
        uint64_t t = acc[k] + c;
        r[k] = static_cast<Digit>(B::lo(t));
        c = B::hi(t);
    }
}

// r[0..) += acc[0..n) with carries running on up the (large enough) r.
template <class B>
void add_acc_into(Digit* r, const uint64_t* acc, int64_t n) {
    uint64_t c = 0;
    int64_t k = 0;
    for (; k < n; ++k) {
        uint64_t t = acc[k] + static_cast<uint32_t>(r[k]) + c;
        r[k] = static_cast<Digit>(B::lo(t));
        c = B::hi(t);
    }
    for (; c; ++k) {
        uint64_t t = static_cast<uint32_t>(r[k]) + c;
        r[k] = static_cast<Digit>(B::lo(t));
        c = B::hi(t);
    }
}

int bit_length(int64_t n) {
    int b = 0;
    while (n) {
        ++b;
        n >>= 1;
    }
    return b;
}

}  // namespace

#define TOLMEX_CLONES __attribute__((target_clones("avx2", "default")))

TOLMEX_CLONES int32_t combine28_add_abs(Digit* r, const Digit* a, int64_t na, const Digit* b,
                                        int64_t nb, Digit m) {
    return combine28<false, true>(r, a, na, b, nb, m);
}

TOLMEX_CLONES int32_t combine28_sub_abs(Digit* r, const Digit* a, int64_t na, const Digit* b,
                                        int64_t nb, Digit m) {
    return combine28<true, true>(r, a, na, b, nb, m);
}

TOLMEX_CLONES int32_t combine28_add_abs_up(Digit* r, const Digit* a, int64_t na, const Digit* b,
                                           int64_t nb, Digit m) {
    return combine28_up<false, true>(r, a, na, b, nb, m);
}

TOLMEX_CLONES int32_t combine28_sub_abs_up(Digit* r, const Digit* a, int64_t na, const Digit* b,
                                           int64_t nb, Digit m) {
    return combine28_up<true, true>(r, a, na, b, nb, m);
}

TOLMEX_CLONES int32_t combine28_add(Digit* r, const Digit* a, int64_t na, const Digit* b,
                                    int64_t nb) {
    return combine28<false, false>(r, a, na, b, nb, 0);
}

TOLMEX_CLONES int32_t combine28_sub(Digit* r, const Digit* a, int64_t na, const Digit* b,
                                    int64_t nb) {
    return combine28<true, false>(r, a, na, b, nb, 0);
}

TOLMEX_CLONES int32_t combine1e8_add(Digit* r, const Digit* a, int64_t na, const Digit* b,
                                     int64_t nb) {
    return combine<Base1e8, false, false>(r, a, na, b, nb, 0);
}

TOLMEX_CLONES int32_t combine1e8_sub(Digit* r, const Digit* a, int64_t na, const Digit* b,
                                     int64_t nb) {
    return combine<Base1e8, true, false>(r, a, na, b, nb, 0);
}

// Four rows of b per pass over a: each accumulator is loaded and stored
// once for four digit products, and the pass vectorises (eight 64-bit lanes
// with AVX-512). a is read through a copy zero-extended to 64 bits with
// three zeros on either side, so that the four rows need no edge cases.
// Measured on balanced products against the 56-bit column kernel
// (mul_packed28, below) and GMP's basecase on the same bits: 12 digits
// 1.9x / 2.1x GMP, 32: 1.15x / 1.9x, 64: 1.0x / 1.9x, 120: 0.8x / 1.7x
// (AVX-512; with AVX2 alone the rows run at the column kernel's speed).
#define TOLMEX_ROW_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))

TOLMEX_ROW_CLONES void acc_products(uint64_t* acc, const Digit* a, int64_t na, const Digit* b,
                                    int64_t nb) {
    uint32_t A[kBlockCols + 6];
    std::fill(A, A + 3, 0u);
    for (int64_t i = 0; i < na; ++i) A[i + 3] = static_cast<uint32_t>(a[i]);
    std::fill(A + na + 3, A + na + 6, 0u);
    int64_t j = 0;
    for (; j + 3 < nb; j += 4) {
        const uint64_t b0 = static_cast<uint32_t>(b[j]), b1 = static_cast<uint32_t>(b[j + 1]),
                       b2 = static_cast<uint32_t>(b[j + 2]), b3 = static_cast<uint32_t>(b[j + 3]);
        uint64_t* p = acc + j;
        for (int64_t i = 0; i < na + 3; ++i)
            p[i] += A[i + 3] * b0 + A[i + 2] * b1 + A[i + 1] * b2 + A[i] * b3;
    }
    for (; j < nb; ++j) {
        const uint64_t bj = static_cast<uint32_t>(b[j]);
        uint64_t* p = acc + j;
        for (int64_t i = 0; i < na; ++i) p[i] += A[i + 3] * bj;
    }
}

// acc[0..2n) := a^2 without carries: the products above the diagonal once,
// four rows a pass as in acc_products (the copy of the four rows' own
// digits zeroed meanwhile, so that the pass skips them), then doubled, then
// the squares on the diagonal. Half the digit products of acc_products, but
// shorter passes: faster from kSquareDigits on.
// Measured against acc_products (ratio of times): 32 digits 1.3, 64 0.97,
// 120 0.73, 250 0.6.
constexpr int64_t kSquareDigits = 64;
// Squares stay with the basecase up to this many digits (the automatic
// choice; the Karatsuba cut applies to products). Squares through fast_mult
// against GMP's, Karatsuba from 48 / from 128 / from 255 digits: 119 digits
// (10^3 decimal) 2.06x / 1.33x / 1.30x, 237 digits 1.97x / 1.33x / 1.47x.
constexpr int64_t kSquareCut = 128;

TOLMEX_ROW_CLONES void acc_square(uint64_t* acc, const Digit* a, int64_t n) {
    uint32_t A[kBlockCols + 6];
    std::fill(A, A + 3, 0u);
    for (int64_t i = 0; i < n; ++i) A[i + 3] = static_cast<uint32_t>(a[i]);
    std::fill(A + n + 3, A + n + 6, 0u);
    std::fill(acc, acc + 2 * n, uint64_t{0});
    int64_t j = 0;
    for (; j + 3 < n; j += 4) {
        const uint64_t b0 = A[j + 3], b1 = A[j + 4], b2 = A[j + 5], b3 = A[j + 6];
        acc[2 * j + 1] += b0 * b1;
        acc[2 * j + 2] += b0 * b2;
        acc[2 * j + 3] += b0 * b3 + b1 * b2;
        acc[2 * j + 4] += b1 * b3;
        acc[2 * j + 5] += b2 * b3;
        std::fill(A + j + 3, A + j + 7, 0u);
        uint64_t* p = acc + j;
        for (int64_t i = j + 4; i < n + 3; ++i)
            p[i] += A[i + 3] * b0 + A[i + 2] * b1 + A[i + 1] * b2 + A[i] * b3;
        A[j + 3] = static_cast<uint32_t>(b0);
        A[j + 4] = static_cast<uint32_t>(b1);
        A[j + 5] = static_cast<uint32_t>(b2);
        A[j + 6] = static_cast<uint32_t>(b3);
    }
    for (; j < n; ++j)
        for (int64_t s = j + 1; s < n; ++s) acc[s + j] += uint64_t{A[s + 3]} * A[j + 3];
    for (int64_t k = 0; k < 2 * n; ++k) acc[k] *= 2;
    for (int64_t i = 0; i < n; ++i) acc[2 * i] += uint64_t{A[i + 3]} * A[i + 3];
}

// Base 2^28 products of short operands without AVX-512: pairs of digits are
// packed into 56-bit limbs and multiplied column by column with 128-bit
// sums, a quarter of the digit products. Faster than the rows (above) up
// to kPackedDigits; na, nb <= kPackedDigits.
constexpr int64_t kPackedDigits = 14;

// The columns of mul_packed28 for L limbs on both sides, the loops
// unrolled at compile time: no loop bounds to predict, and the 128-bit sums
// stay in registers. Measured on 12- and 13-digit products (100 decimal
// digits): 0.55 and 0.35 of the time of the general columns.
// A square (A == B) takes the products below the middle of each column
// once, doubled (a 116-bit column sum at most): 21 products instead of 36
// for 6 limbs.
template <int L>
[[gnu::always_inline]] inline void packed_columns(Digit* r, const uint64_t* A, const uint64_t* B,
                                                  int64_t total) {
    using u128 = unsigned __int128;
    constexpr uint64_t kM56 = (uint64_t{1} << 56) - 1;
    const bool square = A == B;
    u128 carry = 0;
#pragma GCC unroll 16
    for (int k = 0; k < 2 * L - 1; ++k) {
        u128 acc = 0;
        if (square) {
#pragma GCC unroll 16
            for (int i = 0; i < L; ++i)
                if (k - i > i && k - i < L) acc += static_cast<u128>(A[i]) * A[k - i];
            acc += acc;
            if (k % 2 == 0) acc += static_cast<u128>(A[k / 2]) * A[k / 2];
        } else {
#pragma GCC unroll 16
            for (int i = 0; i < L; ++i)
                if (k - i >= 0 && k - i < L) acc += static_cast<u128>(A[i]) * B[k - i];
        }
        acc += carry;
        const uint64_t limb = static_cast<uint64_t>(acc) & kM56;
        carry = acc >> 56;
        r[2 * k] = static_cast<Digit>(limb & (Base28::kB - 1));
        if (2 * k + 1 < total) r[2 * k + 1] = static_cast<Digit>(limb >> 28);
    }
    const uint64_t limb = static_cast<uint64_t>(carry);
    if (4 * L - 2 < total) r[4 * L - 2] = static_cast<Digit>(limb & (Base28::kB - 1));
    if (4 * L - 1 < total) r[4 * L - 1] = static_cast<Digit>(limb >> 28);
}

__attribute__((target_clones("arch=x86-64-v3", "default"))) void mul_packed28(
    Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb) {
    using u128 = unsigned __int128;
    constexpr uint64_t kM56 = (uint64_t{1} << 56) - 1;
    uint64_t A[kPackedDigits / 2], B[kPackedDigits / 2];
    const int64_t la = (na + 1) / 2, lb = (nb + 1) / 2;
    for (int64_t i = 0; i < na / 2; ++i)
        A[i] = static_cast<uint32_t>(a[2 * i]) |
               static_cast<uint64_t>(static_cast<uint32_t>(a[2 * i + 1])) << 28;
    if (na % 2) A[la - 1] = static_cast<uint32_t>(a[na - 1]);
    for (int64_t i = 0; i < nb / 2; ++i)
        B[i] = static_cast<uint32_t>(b[2 * i]) |
               static_cast<uint64_t>(static_cast<uint32_t>(b[2 * i + 1])) << 28;
    if (nb % 2) B[lb - 1] = static_cast<uint32_t>(b[nb - 1]);
    const int64_t total = na + nb;
    const uint64_t* Bp = a == b && na == nb ? A : B;
    if (la == lb) {
        static_assert(kPackedDigits <= 14, "fixed column kernels up to 7 limbs");
        switch (la) {
            case 2: return packed_columns<2>(r, A, Bp, total);
            case 3: return packed_columns<3>(r, A, Bp, total);
            case 4: return packed_columns<4>(r, A, Bp, total);
            case 5: return packed_columns<5>(r, A, Bp, total);
            case 6: return packed_columns<6>(r, A, Bp, total);
            case 7: return packed_columns<7>(r, A, Bp, total);
            default: break;
        }
    }
    u128 carry = 0;
    int64_t out = 0;
    for (int64_t k = 0; k < la + lb - 1; ++k) {
        u128 acc = carry;
        const int64_t lo = k - lb + 1 > 0 ? k - lb + 1 : 0;
        const int64_t hi = k < la - 1 ? k : la - 1;
        for (int64_t i = lo; i <= hi; ++i) acc += static_cast<u128>(A[i]) * B[k - i];
        const uint64_t limb = static_cast<uint64_t>(acc) & kM56;
        carry = acc >> 56;
        r[out++] = static_cast<Digit>(limb & (Base28::kB - 1));
        r[out++] = static_cast<Digit>(limb >> 28);
    }
    // The top limb: one digit or two, as the product's length allows.
    const uint64_t limb = static_cast<uint64_t>(carry);
    if (out < total) r[out++] = static_cast<Digit>(limb & (Base28::kB - 1));
    if (out < total) r[out++] = static_cast<Digit>(limb >> 28);
}

template <class B>
void mul_basecase(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb) {
    if (na < nb) {
        std::swap(a, b);
        std::swap(na, nb);
    }
    if constexpr (std::is_same_v<B, Base28>) {
        if (na <= kPackedDigits) {
            mul_packed28(r, a, na, b, nb);
            return;
        }
    }
    uint64_t acc[kStackAcc];
    if (a == b && na == nb && na >= kSquareDigits && na <= std::min(B::kRows, kBlockCols)) {
        acc_square(acc, a, na);
        normalise_into<B>(r, acc, 2 * na);
        return;
    }
    if (na <= kBlockCols && nb <= B::kRows) {
        std::fill(acc, acc + na + nb, uint64_t{0});
        acc_products(acc, a, na, b, nb);
        normalise_into<B>(r, acc, na + nb);
        return;
    }
    std::fill(r, r + na + nb, Digit{0});
    const int64_t rows = std::min<int64_t>(B::kRows, kStackAcc - kBlockCols);
    for (int64_t ia = 0; ia < na; ia += kBlockCols) {
        const int64_t ca = std::min(kBlockCols, na - ia);
        for (int64_t jb = 0; jb < nb; jb += rows) {
            const int64_t cb = std::min(rows, nb - jb);
            std::fill(acc, acc + ca + cb, uint64_t{0});
            acc_products(acc, a + ia, ca, b + jb, cb);
            add_acc_into<B>(r + ia + jb, acc, ca + cb);
        }
    }
}

int64_t mul_scratch(int64_t na, int64_t nb, int64_t cut) {
    const int64_t n = std::max(na, nb);
    if (std::min(na, nb) <= cut) return 0;
    // Karatsuba and Toom-3 levels, and the transform below them.
    int64_t t = 2;
    while (t < 2 * n && t < kNttMaxDigits) t *= 2;
    return 16 * n + 64 * (bit_length(n) + 1) + 8 * t + 64;
}

namespace {

// mul_mag calls `between` before sub-products of at least this many digits.
constexpr int64_t kBetweenDigits = 1024;
// divrem calls it after about this many limb products.
constexpr int64_t kBetweenLimbSteps = int64_t{1} << 20;

// Cut-offs in digits of the shorter operand, measured on balanced products
// (best of 7 runs, a loaded 2-core AMD EPYC, so to within about 30%):
// microseconds of Karatsuba / Toom-3 / transform for n digits,
//   base 10^8: n = 100: 8.2 / 10.4 / 11.5; 200: 29.1 / 24.2 / 20.2;
//              400: 77.5 / 59.4 / 41.7; 600: 134 / 152 / 47.7.
// Base 2^28, since the four-row basecase (ratios to GMP through fast_mult,
// each method forced above its cut, a heavily loaded machine, so to within
// about 40%): n = 356: Karatsuba 1.24, Toom-3 1.78, transform 2.1-2.35;
// n = 593: Karatsuba 1.49-1.64, Toom-3 1.9-2.31, transform 1.76; n = 1187: all
// three 1.5-2.0 (again, two runs side by side: transform 1.87-2.0,
// Toom-3 2.04-2.07; squares 2.06-2.11 and 2.65-2.79); n = 2374: transform
// 1.41-1.63, Toom-3 2.07. Toom-3 gains
// little below the transform's range; it carries the products beyond the
// largest transform (a few million digits).
constexpr int64_t kToomCut28 = 800;
constexpr int64_t kToomCut1e8 = 150;
constexpr int64_t kNttCut28 = 1000;
constexpr int64_t kNttCut1e8 = 250;

// r += (p2 - P0 - P1) B^k, with P0 = r[0, 2k) and P1 = r[2k, 2k + n1)
// (the high halves' product, n1 digits); p2 has np digits.
template <class B>
void karatsuba_finish(Digit* r, Digit* p2, int64_t np, int64_t k, int64_t n1, int64_t total) {
    // The difference a0 b1 + a1 b0 is non-negative.
    sub_into<B>(p2, np, r, 2 * k);
    sub_into<B>(p2, np, r + 2 * k, n1);
    np = strip(p2, np);
    add_into<B>(r + k, total - k, p2, np);
}

template <class B>
void karatsuba(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit* w,
               int64_t cut, Between between, Between step) {
    // a = a1 B^k + a0, b = b1 B^k + b0.
    const int64_t k = na / 2;
    const int64_t na1 = na - k, nb1 = nb - k;
    const int64_t total = na + nb;
    Digit* s1 = w;              // a0 + a1, k + 2 digits
    Digit* s2 = w + k + 2;      // b0 + b1
    Digit* p2 = w + 2 * k + 4;  // s1 * s2, 2k + 4 digits
    Digit* w2 = p2 + 2 * k + 4;
    if (step) step();
    mul_mag<B>(r, a, k, b, k, w2, cut, between);  // P0 into r[0, 2k)
    if (step) step();
    mul_mag<B>(r + 2 * k, a + k, na1, b + k, nb1, w2, cut, between);  // P1 into r[2k, na+nb)
    // s1 := a0 + a1 (na1 >= k), s2 := b0 + b1.
    int64_t n1 = na1;
    s1[n1] = static_cast<Digit>(add_mag<B>(s1, a + k, na1, a, k));
    ++n1;
    // A square's three sub-products are squares (found so by pointer).
    if (a == b && na == nb) {
        if (step) step();
        mul_mag<B>(p2, s1, n1, s1, n1, w2, cut, between);
        return karatsuba_finish<B>(r, p2, n1 + n1, k, na1 + nb1, total);
    }
    int64_t n2;
    if (nb1 >= k) {
        n2 = nb1;
        s2[n2] = static_cast<Digit>(add_mag<B>(s2, b + k, nb1, b, k));
    } else {
        n2 = k;
        s2[n2] = static_cast<Digit>(add_mag<B>(s2, b, k, b + k, nb1));
    }
    ++n2;
    if (step) step();
    mul_mag<B>(p2, s1, n1, s2, n2, w2, cut, between);
    karatsuba_finish<B>(r, p2, n1 + n2, k, na1 + nb1, total);
}

template <class B>
void unbalanced(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit* w,
                int64_t cut, Between between, Between step) {
    // The long operand in pieces of nb digits.
    const int64_t total = na + nb;
    Digit* t = w;
    Digit* w2 = w + 2 * nb;
    std::fill(r, r + total, Digit{0});
    for (int64_t off = 0; off < na; off += nb) {
        const int64_t len = std::min(nb, na - off);
        if (step) step();
        mul_mag<B>(t, a + off, len, b, nb, w2, cut, between);
        add_into<B>(r + off, total - off, t, len + nb);
    }
}

// Signed values of Toom-3's evaluation and interpolation: a magnitude of n
// digits (room for a few more) and a sign.
struct Signed {
    Digit* d;
    int64_t n;
    bool neg;
};

// x := y + s z (s = +1 or -1), x may be y; x has room for max(n) + 1 digits.
template <class B>
void signed_add(Signed& x, const Signed& y, const Signed& z, bool subtract) {
    const bool zneg = z.neg != subtract;
    int64_t ny = y.n, nz = z.n;
    if (y.neg == zneg) {
        if (ny >= nz) {
            const uint32_t c = add_mag<B>(x.d, y.d, ny, z.d, nz);
            x.d[ny] = static_cast<Digit>(c);
            x.n = strip(x.d, ny + 1);
        } else {
            const uint32_t c = add_mag<B>(x.d, z.d, nz, y.d, ny);
            x.d[nz] = static_cast<Digit>(c);
            x.n = strip(x.d, nz + 1);
        }
        x.neg = y.neg;
        return;
    }
    // Opposite signs: the larger magnitude less the smaller, digit by
    // digit (each digit read before it is written, so x may be y or z).
    const bool ybig = cmp_abs(y.d, ny, z.d, nz) >= 0;
    const Digit* big = ybig ? y.d : z.d;
    const Digit* small = ybig ? z.d : y.d;
    const int64_t nbig = ybig ? ny : nz, nsmall = ybig ? nz : ny;
    int32_t borrow = 0;
    for (int64_t i = 0; i < nbig; ++i) {
        int32_t t = big[i] - (i < nsmall ? small[i] : 0) - borrow;
        borrow = t < 0;
        x.d[i] = t + (borrow ? static_cast<int32_t>(B::kB) : 0);
    }
    x.n = strip(x.d, nbig);
    x.neg = x.n != 0 && (ybig ? y.neg : zneg);
}

// x := x / d for a small d that divides x exactly.
template <class B, uint32_t d>
void divide_small(Signed& x) {
    uint64_t rem = 0;
    for (int64_t i = x.n - 1; i >= 0; --i) {
        const uint64_t t = rem * B::kB + static_cast<uint32_t>(x.d[i]);
        x.d[i] = static_cast<Digit>(t / d);
        rem = t % d;
    }
    x.n = strip(x.d, x.n);
    if (x.n == 0) x.neg = false;
}

// x := 2 x (room for one more digit).
template <class B>
void twice(Signed& x) {
    x.d[x.n] = static_cast<Digit>(add_mag<B>(x.d, x.d, x.n, x.d, x.n));
    x.n = strip(x.d, x.n + 1);
}

// Toom-3 with the points 0, 1, -1, -2 and infinity: a = a2 X^2 + a1 X + a0
// with X = B^k, the same for b (nb > 2k), five products of about k digits,
// interpolated with exact divisions by 2 and 3 on magnitudes with signs.
template <class B>
void toom3(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit* w,
           int64_t cut, Between between, Between step) {
    const int64_t k = (na + 2) / 3;
    const int64_t na2 = na - 2 * k, nb2 = nb - 2 * k;
    const int64_t total = na + nb;
    const int64_t e = k + 4;  // room of an evaluation
    const int64_t pr = 2 * e + 4;  // room of a product or a combination
    Digit* base = w;
    auto take = [&base](int64_t n) {
        Digit* p = base;
        base += n;
        return p;
    };
    const Signed A0{const_cast<Digit*>(a), strip(a, k), false};
    const Signed A1{const_cast<Digit*>(a + k), strip(a + k, k), false};
    const Signed A2{const_cast<Digit*>(a + 2 * k), strip(a + 2 * k, na2), false};
    const Signed B0{const_cast<Digit*>(b), strip(b, k), false};
    const Signed B1{const_cast<Digit*>(b + k), strip(b + k, k), false};
    const Signed B2{const_cast<Digit*>(b + 2 * k), strip(b + 2 * k, nb2), false};
    // Evaluations at 1, -1, -2 of a and b.
    auto evaluate = [&](const Signed& x0, const Signed& x1, const Signed& x2, Signed& v1,
                        Signed& vm1, Signed& vm2) {
        Signed s{take(e), 0, false};
        signed_add<B>(s, x0, x2, false);                                  // x0 + x2
        v1 = Signed{take(e), 0, false};
        signed_add<B>(v1, s, x1, false);                                  // p(1)
        vm1 = Signed{take(e), 0, false};
        signed_add<B>(vm1, s, x1, true);                                  // p(-1)
        vm2 = Signed{take(e), 0, false};
        signed_add<B>(vm2, vm1, x2, false);
        twice<B>(vm2);
        signed_add<B>(vm2, vm2, x0, true);                                // p(-2)
    };
    Signed pa1, pam1, pam2, pb1, pbm1, pbm2;
    evaluate(A0, A1, A2, pa1, pam1, pam2);
    if (a == b && na == nb) {
        // A square: the products below are squares (found so by pointer).
        pb1 = pa1;
        pbm1 = pam1;
        pbm2 = pam2;
    } else {
        evaluate(B0, B1, B2, pb1, pbm1, pbm2);
    }
    auto product = [&](const Signed& x, const Signed& y) {
        Signed p{take(pr), x.n + y.n, x.neg != y.neg};
        if (x.n == 0 || y.n == 0) {
            p.n = 0;
            p.neg = false;
            return p;
        }
        if (step) step();
        if (x.n >= y.n)
            mul_mag<B>(p.d, x.d, x.n, y.d, y.n, base, cut, between);
        else
            mul_mag<B>(p.d, y.d, y.n, x.d, x.n, base, cut, between);
        p.n = strip(p.d, p.n);
        if (p.n == 0) p.neg = false;
        return p;
    };
    Signed r1 = product(pa1, pb1);
    Signed rm1 = product(pam1, pbm1);
    Signed rm2 = product(pam2, pbm2);
    // r0 and r-infinity straight into the result.
    std::fill(r, r + total, Digit{0});
    if (step) step();
    mul_mag<B>(r, a, k, b, k, base, cut, between);
    if (step) step();
    mul_mag<B>(r + 4 * k, a + 2 * k, na2, b + 2 * k, nb2, base, cut, between);
    const Signed r0{r, strip(r, 2 * k), false};
    const Signed rinf{r + 4 * k, strip(r + 4 * k, na2 + nb2), false};
    // Bodrato's interpolation sequence.
    Signed r3 = rm2;
    signed_add<B>(r3, rm2, r1, true);
    divide_small<B, 3>(r3);          // (r(-2) - r(1)) / 3
    Signed t1 = r1;
    signed_add<B>(t1, r1, rm1, true);
    divide_small<B, 2>(t1);          // (r(1) - r(-1)) / 2
    Signed t2 = rm1;
    signed_add<B>(t2, rm1, r0, true);  // r(-1) - r0
    signed_add<B>(r3, t2, r3, true);
    divide_small<B, 2>(r3);
    Signed inf2{take(pr), 0, false};
    std::copy(rinf.d, rinf.d + rinf.n, inf2.d);
    inf2.n = rinf.n;
    twice<B>(inf2);
    signed_add<B>(r3, r3, inf2, false);  // (t2 - r3) / 2 + 2 rinf
    signed_add<B>(t2, t2, t1, false);
    signed_add<B>(t2, t2, rinf, true);   // t2 + t1 - rinf
    signed_add<B>(t1, t1, r3, true);     // t1 - r3
    // r += t1 X + t2 X^2 + r3 X^3 (each non-negative).
    add_into<B>(r + k, total - k, t1.d, t1.n);
    add_into<B>(r + 2 * k, total - 2 * k, t2.d, t2.n);
    add_into<B>(r + 3 * k, total - 3 * k, r3.d, r3.n);
}

}  // namespace

template <>
int64_t toom_cut<Base28>() {
    return kToomCut28;
}
template <>
int64_t toom_cut<Base1e8>() {
    return kToomCut1e8;
}
template <>
int64_t ntt_cut<Base28>() {
    return kNttCut28;
}
template <>
int64_t ntt_cut<Base1e8>() {
    return kNttCut1e8;
}

template <class B>
void mul_mag(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit* w,
             int64_t cut, Between between, Method method) {
    if (na < nb) {
        std::swap(a, b);
        std::swap(na, nb);
    }
    const int64_t total = na + nb;
    // Leading zero digits (the low halves of a split) cost nothing.
    const int64_t sa = strip(a, na), sb = strip(b, nb);
    if (sa == 0 || sb == 0) {
        std::fill(r, r + total, Digit{0});
        return;
    }
    if (sa != na || sb != nb) {
        mul_mag<B>(r, a, sa, b, sb, w, cut, between, method);
        std::fill(r + sa + sb, r + total, Digit{0});
        return;
    }
    const Between step = nb >= kBetweenDigits ? between : nullptr;
    const bool ntt_fits = 2 * nb <= kNttMaxDigits && ntt_ready(std::min(kNttMaxDigits, total));
    if (method == Method::kAuto) {
        if (nb <= cut || (a == b && na == nb && nb <= kSquareCut))
            method = Method::kSchoolbook;
        else if (nb >= ntt_cut<B>() && ntt_fits)
            method = Method::kNtt;
        else if (2 * nb <= na)
            return unbalanced<B>(r, a, na, b, nb, w, cut, between, step);
        else if (nb >= toom_cut<B>() && 3 * nb > 2 * na + 6)
            method = Method::kToom3;
        else
            method = Method::kKaratsuba;
    }
    // A forced method that cannot split operands this short falls back to
    // the next simpler one.
    if (method == Method::kToom3 && nb > 2 * ((na + 2) / 3) && na >= 3)
        return toom3<B>(r, a, na, b, nb, w, cut, between, step);
    if (method == Method::kNtt) return mul_ntt<B>(r, a, na, b, nb, w, step);
    if (method == Method::kSchoolbook || nb < 2) return mul_basecase<B>(r, a, na, b, nb);
    if (2 * nb <= na) return unbalanced<B>(r, a, na, b, nb, w, cut, between, step);
    return karatsuba<B>(r, a, na, b, nb, w, cut, between, step);
}

uint32_t divrem_1(Digit* q, const Digit* a, int64_t n, uint32_t d) {
    uint64_t rem = 0;
    for (int64_t i = n - 1; i >= 0; --i) {
        uint64_t t = (rem << 28) | static_cast<uint32_t>(a[i]);
        q[i] = static_cast<Digit>(t / d);
        rem = t % d;
    }
    return static_cast<uint32_t>(rem);
}

uint32_t mod_1(const Digit* a, int64_t n, uint32_t d) {
    uint64_t rem = 0;
    for (int64_t i = n - 1; i >= 0; --i) rem = ((rem << 28) | static_cast<uint32_t>(a[i])) % d;
    return static_cast<uint32_t>(rem);
}

int64_t divrem_scratch(int64_t na, int64_t nb) {
    return std::max(divrem_schoolbook_scratch(na, nb), divrem_recursive_scratch(na, nb));
}

void divrem(Digit* q, Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit* w,
            Between between, DivMethod method) {
    if (method == DivMethod::kAuto) {
        const int64_t cut = div_recursive_cut();
        // The reciprocal pays once for all the windows of nb quotient
        // digits (up to about 4 of them).
        method = nb < cut || na - nb < cut                         ? DivMethod::kSchoolbook
                 : std::min(na - nb + 1, 4 * nb) < div_newton_cut() ? DivMethod::kRecursive
                                                                    : DivMethod::kNewton;
    }
    if (method == DivMethod::kSchoolbook)
        divrem_schoolbook(q, r, a, na, b, nb, w, between);
    else
        divrem_recursive(q, r, a, na, b, nb, w, between, method == DivMethod::kNewton);
}

// Knuth's long division on 56-bit limbs (pairs of digits): a quarter of the
// digit steps, each a 64 x 64 -> 128-bit product.
__attribute__((target_clones("arch=x86-64-v3", "default"))) void divrem_schoolbook(
    Digit* q, Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit* w,
    Between between) {
    using u128 = unsigned __int128;
    constexpr uint64_t kM56 = (uint64_t{1} << 56) - 1;
    const int64_t la = (na + 1) / 2, lb = (nb + 1) / 2;
    uint64_t* u = reinterpret_cast<uint64_t*>(w);  // la + 1 limbs
    uint64_t* v = u + la + 1;                       // lb limbs
    uint64_t* ql = v + lb;                          // la - lb + 1 limbs
    auto limb = [](const Digit* d, int64_t n, int64_t i) {
        const uint64_t lo = static_cast<uint32_t>(d[2 * i]);
        const uint64_t hi = 2 * i + 1 < n ? static_cast<uint32_t>(d[2 * i + 1]) : 0;
        return lo | hi << 28;
    };
    // Normalise: the divisor's top limb gets bit 55 set.
    const uint64_t btop = limb(b, nb, lb - 1);
    const int s = __builtin_clzll(btop) - 8;
    {
        uint64_t c = 0;
        for (int64_t i = 0; i < lb; ++i) {
            const uint64_t x = limb(b, nb, i);
            v[i] = ((x << s) & kM56) | c;
            c = s ? x >> (56 - s) : 0;
        }
        c = 0;
        for (int64_t i = 0; i < la; ++i) {
            const uint64_t x = limb(a, na, i);
            u[i] = ((x << s) & kM56) | c;
            c = s ? x >> (56 - s) : 0;
        }
        u[la] = c;
    }
    const uint64_t vtop = v[lb - 1];
    const uint64_t vnext = lb >= 2 ? v[lb - 2] : 0;
    // Quotient estimates divide by vtop: with d = vtop * 2^8 normalised to
    // 64 bits, by its reciprocal (two products instead of a 128-bit
    // division per step).
    const uint64_t dn = vtop << 8;
    const uint64_t dinv = static_cast<uint64_t>(~static_cast<u128>(0) / dn);  // 2^64 + dinv
    auto div_estimate = [dn, dinv](uint64_t n1, uint64_t n0, uint64_t& rem) {
        // (n1 2^64 + n0) / dn for n1 < dn.
        u128 qq = static_cast<u128>(dinv) * n1;
        qq += (static_cast<u128>(n1) << 64) | n0;
        uint64_t q1 = static_cast<uint64_t>(qq >> 64) + 1;
        const uint64_t q0 = static_cast<uint64_t>(qq);
        uint64_t r = n0 - q1 * dn;
        if (r > q0) {
            --q1;
            r += dn;
        }
        if (r >= dn) {
            ++q1;
            r -= dn;
        }
        rem = r;
        return q1;
    };
    const int64_t steps_between = std::max<int64_t>(1, kBetweenLimbSteps / lb);
    for (int64_t j = la - lb; j >= 0; --j) {
        if (between && j % steps_between == 0 && j < la - lb) between();
        uint64_t* uj = u + j;
        uint64_t rem8;
        uint64_t qhat = div_estimate(uj[lb], uj[lb - 1] << 8, rem8);
        u128 rhat = rem8 >> 8;
        const uint64_t u2 = lb >= 2 ? uj[lb - 2] : 0;
        while (qhat > kM56 || static_cast<u128>(qhat) * vnext > ((rhat << 56) | u2)) {
            --qhat;
            rhat += vtop;
            if (rhat > kM56) break;
        }
        // uj -= qhat * v without a borrow chain: limb i takes the low part
        // of qhat v[i], the high part of qhat v[i - 1] and the borrow of the
        // limb below, which depends only on that limb's own difference.
        uint64_t hprev = 0;
        int64_t carry_in = 0, bad = 0;
        for (int64_t i = 0; i < lb; ++i) {
            const u128 p = static_cast<u128>(qhat) * v[i];
            const int64_t d = static_cast<int64_t>(uj[i]) -
                              static_cast<int64_t>(static_cast<uint64_t>(p) & kM56) -
                              static_cast<int64_t>(hprev);
            hprev = static_cast<uint64_t>(p >> 56);
            const int64_t t = (d & static_cast<int64_t>(kM56)) + carry_in;
            carry_in = d >> 56;
            bad |= t;
            uj[i] = static_cast<uint64_t>(t);
        }
        int64_t top = static_cast<int64_t>(uj[lb]) - static_cast<int64_t>(hprev) + carry_in;
        if (bad < 0) {
            int64_t c = 0;
            for (int64_t i = 0; i < lb; ++i) {
                const int64_t x = static_cast<int64_t>(uj[i]) + c;
                uj[i] = static_cast<uint64_t>(x) & kM56;
                c = x >> 56;
            }
            top += c;
        }
        if (top < 0) {
            // qhat was one too large: add v back (the top limb returns to 0).
            --qhat;
            uint64_t c = 0;
            for (int64_t i = 0; i < lb; ++i) {
                const uint64_t t = uj[i] + v[i] + c;
                uj[i] = t & kM56;
                c = t >> 56;
            }
            uj[lb] = 0;
        } else {
            uj[lb] = static_cast<uint64_t>(top);
        }
        ql[j] = qhat;
    }
    // The quotient's and the remainder's digits (the limbs beyond are 0).
    if (q) {
        const int64_t nq = na - nb + 1;
        for (int64_t i = 0; i < nq; ++i) {
            const uint64_t x = ql[i / 2];
            q[i] = static_cast<Digit>(i % 2 ? x >> 28 : x & (Base28::kB - 1));
        }
    }
    for (int64_t i = 0; i < nb; ++i) {
        // Remainder limb k shifted back by s bits.
        const int64_t k = i / 2;
        const uint64_t x = (u[k] >> s) | (s && k + 1 < lb ? (u[k + 1] << (56 - s)) & kM56 : 0);
        r[i] = static_cast<Digit>(i % 2 ? x >> 28 : x & (Base28::kB - 1));
    }
}

template void mul_basecase<Base28>(Digit*, const Digit*, int64_t, const Digit*, int64_t);
template void mul_basecase<Base1e8>(Digit*, const Digit*, int64_t, const Digit*, int64_t);
template void mul_mag<Base28>(Digit*, const Digit*, int64_t, const Digit*, int64_t, Digit*,
                              int64_t, Between, Method);
template void mul_mag<Base1e8>(Digit*, const Digit*, int64_t, const Digit*, int64_t, Digit*,
                               int64_t, Between, Method);

}  // namespace tolmex::kern
