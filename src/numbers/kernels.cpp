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

TOLMEX_CLONES void acc_products(uint64_t* acc, const Digit* a, int64_t na, const Digit* b,
                                int64_t nb) {
    for (int64_t j = 0; j < nb; ++j) {
        const uint64_t bj = static_cast<uint32_t>(b[j]);
        uint64_t* p = acc + j;
        for (int64_t i = 0; i < na; ++i) p[i] += static_cast<uint32_t>(a[i]) * bj;
    }
}

// Base 2^28 products of short operands: pairs of digits are packed into
// 56-bit limbs and multiplied column by column with 128-bit sums, a quarter
// of the digit products. na, nb <= kPackedDigits.
constexpr int64_t kPackedDigits = 256;

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
    if (na + nb <= kStackAcc && nb <= B::kRows) {
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
    int64_t n = std::max(na, nb);
    if (std::min(na, nb) <= cut) return 0;
    return 6 * n + 32 * (bit_length(n) + 1);
}

namespace {

// mul_mag calls `between` before sub-products of at least this many digits.
constexpr int64_t kBetweenDigits = 1024;
// divrem calls it after about this many limb products.
constexpr int64_t kBetweenLimbSteps = int64_t{1} << 20;

}  // namespace

template <class B>
void mul_mag(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit* w,
             int64_t cut, Between between) {
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
        mul_mag<B>(r, a, sa, b, sb, w, cut, between);
        std::fill(r + sa + sb, r + total, Digit{0});
        return;
    }
    if (nb <= cut) {
        mul_basecase<B>(r, a, na, b, nb);
        return;
    }
    const Between step = nb >= kBetweenDigits ? between : nullptr;
    if (2 * nb <= na) {
        // Unbalanced: the long operand in pieces of nb digits.
        Digit* t = w;
        Digit* w2 = w + 2 * nb;
        std::fill(r, r + total, Digit{0});
        for (int64_t off = 0; off < na; off += nb) {
            const int64_t len = std::min(nb, na - off);
            if (step) step();
            mul_mag<B>(t, a + off, len, b, nb, w2, cut, between);
            add_into<B>(r + off, total - off, t, len + nb);
        }
        return;
    }
    // Karatsuba: a = a1 B^k + a0, b = b1 B^k + b0.
    const int64_t k = na / 2;
    const int64_t na1 = na - k, nb1 = nb - k;
    Digit* s1 = w;            // a0 + a1, k + 2 digits
    Digit* s2 = w + k + 2;    // b0 + b1
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
    int64_t np = n1 + n2;
    // p2 -= P0 + P1; the difference a0 b1 + a1 b0 is non-negative.
    sub_into<B>(p2, np, r, 2 * k);
    sub_into<B>(p2, np, r + 2 * k, na1 + nb1);
    np = strip(p2, np);
    add_into<B>(r + k, total - k, p2, np);
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

int64_t divrem_scratch(int64_t na, int64_t nb) { return 2 * (na + nb) + 16; }

// Knuth's long division on 56-bit limbs (pairs of digits): a quarter of the
// digit steps, each a 64 x 64 -> 128-bit product.
__attribute__((target_clones("arch=x86-64-v3", "default"))) void divrem(
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
                              int64_t, Between);
template void mul_mag<Base1e8>(Digit*, const Digit*, int64_t, const Digit*, int64_t, Digit*,
                               int64_t, Between);

}  // namespace tolmex::kern
