// Products of long digit runs by number-theoretic transforms.
//
// The digits are the coefficients of two polynomials; their product is the
// cyclic convolution of length N (a power of two at least na + nb - 1),
// computed modulo three primes p = c 2^k + 1 below 2^30 and recombined by
// the Chinese remainder theorem. A coefficient of the product is below
// min(na, nb) (B - 1)^2 <= 2^(kNttMaxLog - 1) 2^56 = 2^76, well inside the
// product of the primes (about 2^89), so the recombination is exact.
//
// Transforms: decimation in frequency from natural order to bit-reversed
// order, the pointwise products there, then decimation in time back with
// the same roots, which gives N times the convolution in reversed order
// (index i at N - i). Residues stay in [0, 2p) between butterflies; the
// butterflies multiply by precomputed roots with Shoup's method (a root w
// comes with floor(w 2^32 / p)), the pointwise products use Montgomery's
// reduction: neither divides.
#include <algorithm>
#include <vector>

#include "numbers/kernels.h"
#include "numbers/ntt_arith.h"

namespace tolmex::kern {

namespace {

using u128 = unsigned __int128;

constexpr int kPrimes = 3;
// Increasing, so that a residue of the first is below the other two.
constexpr u32 kP[kPrimes] = {754974721u, 880803841u, 998244353u};  // 45 2^24, 105 2^23, 119 2^23
constexpr int kTwoAdic[kPrimes] = {24, 23, 23};
static_assert(kNttMaxLog <= 23, "every prime needs roots of unity of the transform's order");

// The roots of one prime: w[h + j] = (2h-th root)^j for j < h, h = 1, 2,
// 4, ..., N/2, each with its Shoup companion. Grown by whole levels; the
// levels of a shorter transform are a prefix.
struct Roots {
    std::vector<u32> w, wp;
    u32 omega = 0;   // a root of order 2^kTwoAdic
    u32 pinv = 0;    // -p^-1 mod 2^32
    u32 r_mod = 0;   // 2^32 mod p
};

Roots roots[kPrimes];
int roots_log = -1;  // tables hold transforms up to 2^roots_log

void init_prime(int i) {
    Roots& R = roots[i];
    const u32 p = kP[i];
    for (u32 g = 2;; ++g) {
        const u32 om = pow_mod32(g, (p - 1) >> kTwoAdic[i], p);
        if (pow_mod32(om, u64{1} << (kTwoAdic[i] - 1), p) == p - 1) {
            R.omega = om;
            break;
        }
    }
    R.pinv = mont_neg_inverse(p);
    R.r_mod = static_cast<u32>((u64{1} << 32) % p);
}

// Montgomery: a b 2^-32 mod p in [0, 2p), for a, b < 2p.
inline u32 mont_mul(u32 a, u32 b, u32 p, u32 pinv) {
    const u64 t = static_cast<u64>(a) * b;
    const u32 m = static_cast<u32>(t) * pinv;
    return static_cast<u32>((t + static_cast<u64>(m) * p) >> 32);
}

// Portable butterflies (and the transforms too short for vectors).
void dif_scalar(u32* a, int64_t n, const u32* w, const u32* wp, u32 p) {
    const u32 p2 = 2 * p;
    for (int64_t h = n / 2; h >= 1; h /= 2)
        for (int64_t s = 0; s < n; s += 2 * h)
            for (int64_t j = 0; j < h; ++j) {
                const u32 u = a[s + j], v = a[s + j + h];
                a[s + j] = reduce2(u + v, p2);
                a[s + j + h] = shoup_mul(u - v + p2, w[h + j], wp[h + j], p);
            }
}

void dit_scalar(u32* a, int64_t n, const u32* w, const u32* wp, u32 p) {
    const u32 p2 = 2 * p;
    for (int64_t h = 1; h < n; h *= 2)
        for (int64_t s = 0; s < n; s += 2 * h)
            for (int64_t j = 0; j < h; ++j) {
                const u32 u = a[s + j], v = shoup_mul(a[s + j + h], w[h + j], wp[h + j], p);
                a[s + j] = reduce2(u + v, p2);
                a[s + j + h] = reduce2(u - v + p2, p2);
            }
}

void pointwise_scalar(u32* a, const u32* b, int64_t n, u32 p, u32 pinv) {
    for (int64_t i = 0; i < n; ++i) a[i] = mont_mul(a[i], b[i], p, pinv);
}

// AVX2: eight residues per vector.
struct Vec {
    __m256i p, p2, pinv;
};

// The butterflies of both directions on vectors x, y with roots w, wp.
TOLMEX_AVX2 inline void vdif(__m256i& x, __m256i& y, __m256i w, __m256i wp, const Vec& c) {
    const __m256i u = x, v = y;
    x = vreduce2(_mm256_add_epi32(u, v), c.p2);
    y = vshoup(_mm256_add_epi32(_mm256_sub_epi32(u, v), c.p2), w, wp, c.p);
}

TOLMEX_AVX2 inline void vdit(__m256i& x, __m256i& y, __m256i w, __m256i wp, const Vec& c) {
    const __m256i u = x, v = vshoup(y, w, wp, c.p);
    x = vreduce2(_mm256_add_epi32(u, v), c.p2);
    y = vreduce2(_mm256_add_epi32(_mm256_sub_epi32(u, v), c.p2), c.p2);
}

// The levels h >= 8 on contiguous runs of roots.
template <bool kDif>
TOLMEX_AVX2 void wide_level(u32* a, int64_t n, int64_t h, const u32* w, const u32* wp,
                            const Vec& c) {
    for (int64_t s = 0; s < n; s += 2 * h)
        for (int64_t j = 0; j < h; j += 8) {
            __m256i x = load8(a + s + j), y = load8(a + s + j + h);
            const __m256i r = load8(w + h + j), rp = load8(wp + h + j);
            if constexpr (kDif)
                vdif(x, y, r, rp, c);
            else
                vdit(x, y, r, rp, c);
            store8(a + s + j, x);
            store8(a + s + j + h, y);
        }
}

// The levels h = 4, 2, 1 on blocks of 16 residues A, B, rearranged so that
// x and y hold the butterflies' two ends (each rearrangement is its own
// inverse up to the order of the operands).
template <bool kDif>
TOLMEX_AVX2 void narrow_level(u32* a, int64_t n, int h, const u32* w, const u32* wp,
                              const Vec& c) {
    // The roots of the level repeated across the vector.
    u32 rw[8], rwp[8];
    for (int i = 0; i < 8; ++i) {
        rw[i] = w[h + i % h];
        rwp[i] = wp[h + i % h];
    }
    const __m256i r = load8(rw), rp = load8(rwp);
    for (int64_t s = 0; s < n; s += 16) {
        const __m256i A = load8(a + s), B = load8(a + s + 8);
        __m256i x, y;
        if (h == 4) {
            x = _mm256_permute2x128_si256(A, B, 0x20);
            y = _mm256_permute2x128_si256(A, B, 0x31);
        } else if (h == 2) {
            x = _mm256_unpacklo_epi64(A, B);
            y = _mm256_unpackhi_epi64(A, B);
        } else {
            x = _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(A), _mm256_castsi256_ps(B), 0x88));
            y = _mm256_castps_si256(_mm256_shuffle_ps(_mm256_castsi256_ps(A), _mm256_castsi256_ps(B), 0xDD));
        }
        if constexpr (kDif)
            vdif(x, y, r, rp, c);
        else
            vdit(x, y, r, rp, c);
        __m256i X, Y;
        if (h == 4) {
            X = _mm256_permute2x128_si256(x, y, 0x20);
            Y = _mm256_permute2x128_si256(x, y, 0x31);
        } else if (h == 2) {
            X = _mm256_unpacklo_epi64(x, y);
            Y = _mm256_unpackhi_epi64(x, y);
        } else {
            X = _mm256_unpacklo_epi32(x, y);
            Y = _mm256_unpackhi_epi32(x, y);
        }
        store8(a + s, X);
        store8(a + s + 8, Y);
    }
}

TOLMEX_AVX2 Vec constants(u32 p, u32 pinv) {
    return Vec{_mm256_set1_epi32(static_cast<int>(p)), _mm256_set1_epi32(static_cast<int>(2 * p)),
               _mm256_set1_epi32(static_cast<int>(pinv))};
}

TOLMEX_AVX2 void dif_avx2(u32* a, int64_t n, const u32* w, const u32* wp, u32 p) {
    const Vec c = constants(p, 0);
    for (int64_t h = n / 2; h >= 8; h /= 2) wide_level<true>(a, n, h, w, wp, c);
    for (int h = 4; h >= 1; h /= 2) narrow_level<true>(a, n, h, w, wp, c);
}

TOLMEX_AVX2 void dit_avx2(u32* a, int64_t n, const u32* w, const u32* wp, u32 p) {
    const Vec c = constants(p, 0);
    for (int h = 1; h <= 4; h *= 2) narrow_level<false>(a, n, h, w, wp, c);
    for (int64_t h = 8; h < n; h *= 2) wide_level<false>(a, n, h, w, wp, c);
}

// Montgomery products of eight pairs (a, b < 2p): (a b + m p) / 2^32 with
// m = -a b p^-1 mod 2^32, in [0, 2p).
TOLMEX_AVX2 void pointwise_avx2(u32* a, const u32* b, int64_t n, u32 p, u32 pinv) {
    const Vec c = constants(p, pinv);
    for (int64_t i = 0; i < n; i += 8) {
        const __m256i x = load8(a + i), y = load8(b + i);
        const __m256i te = _mm256_mul_epu32(x, y);
        const __m256i to = _mm256_mul_epu32(_mm256_srli_epi64(x, 32), _mm256_srli_epi64(y, 32));
        const __m256i lo = _mm256_blend_epi32(te, _mm256_slli_epi64(to, 32), 0xAA);
        const __m256i m = _mm256_mullo_epi32(lo, c.pinv);
        const __m256i me = _mm256_add_epi64(te, _mm256_mul_epu32(m, c.p));
        const __m256i mo = _mm256_add_epi64(to, _mm256_mul_epu32(_mm256_srli_epi64(m, 32), c.p));
        store8(a + i, _mm256_blend_epi32(_mm256_srli_epi64(me, 32), mo, 0xAA));
    }
}

}  // namespace

const bool kHaveAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();

void ntt_dif(u32* a, int64_t n, const u32* w, const u32* wp, u32 p) {
    if (kHaveAvx2 && n >= 16)
        dif_avx2(a, n, w, wp, p);
    else
        dif_scalar(a, n, w, wp, p);
}

void ntt_dit(u32* a, int64_t n, const u32* w, const u32* wp, u32 p) {
    if (kHaveAvx2 && n >= 16)
        dit_avx2(a, n, w, wp, p);
    else
        dit_scalar(a, n, w, wp, p);
}

void ntt_pointwise(u32* a, const u32* b, int64_t n, u32 p, u32 pinv) {
    if (kHaveAvx2 && n >= 8)
        pointwise_avx2(a, b, n, p, pinv);
    else
        pointwise_scalar(a, b, n, p, pinv);
}

namespace {

// t[0..n) := the digits d[0..m) as residues, zeros above.
void load(u32* t, const Digit* d, int64_t m, int64_t n) {
    for (int64_t i = 0; i < m; ++i) t[i] = static_cast<u32>(d[i]);
    std::fill(t + m, t + n, u32{0});
}

int64_t transform_length(int64_t len) {
    int64_t n = 2;
    while (n < len) n *= 2;
    return n;
}

// The constants of the recombination, as Shoup pairs: the scale 2^32 / N
// of each prime (undoing the Montgomery factor and the transform's N), the
// inverses of p0 modulo p1 and p2 and of p1 modulo p2.
struct Crt {
    u32 scale[kPrimes], scale_p[kPrimes];
    u32 i01, i01p, i02, i02p, i12, i12p;
};

Crt crt_for(int64_t n) {
    Crt c{};
    for (int i = 0; i < kPrimes; ++i) {
        const u32 p = kP[i];
        const u32 inv_n = pow_mod32(static_cast<u64>(n), p - 2, p);
        c.scale[i] = static_cast<u32>(static_cast<u64>(roots[i].r_mod) * inv_n % p);
        c.scale_p[i] = shoup_of(c.scale[i], p);
    }
    c.i01 = pow_mod32(kP[0], kP[1] - 2, kP[1]);
    c.i01p = shoup_of(c.i01, kP[1]);
    c.i02 = pow_mod32(kP[0], kP[2] - 2, kP[2]);
    c.i02p = shoup_of(c.i02, kP[2]);
    c.i12 = pow_mod32(kP[1], kP[2] - 2, kP[2]);
    c.i12p = shoup_of(c.i12, kP[2]);
    return c;
}

// Garner's mixed-radix digits of the transformed residues at [from, to),
// in place: res[0] := v0, res[1] := t1, res[2] := t2, so that the
// coefficient there is v0 + p0 (t1 + p1 t2).
inline void garner_one(u32* const res[kPrimes], int64_t i, const Crt& c) {
    const u32 v0 = full(shoup_mul(res[0][i], c.scale[0], c.scale_p[0], kP[0]), kP[0]);
    const u32 v1 = full(shoup_mul(res[1][i], c.scale[1], c.scale_p[1], kP[1]), kP[1]);
    const u32 v2 = full(shoup_mul(res[2][i], c.scale[2], c.scale_p[2], kP[2]), kP[2]);
    const u32 t1 = full(shoup_mul(v1 + kP[1] - v0, c.i01, c.i01p, kP[1]), kP[1]);
    const u32 e = full(shoup_mul(v2 + kP[2] - v0, c.i02, c.i02p, kP[2]), kP[2]);
    res[0][i] = v0;
    res[1][i] = t1;
    res[2][i] = full(shoup_mul(e + kP[2] - t1, c.i12, c.i12p, kP[2]), kP[2]);
}

// The same eight residues at a time: the digits took a fifth of the time of
// a 10^4-decimal-digit product when done one by one.
TOLMEX_AVX2 inline __m256i vfull(__m256i x, __m256i p2, __m256i p) { return vreduce2(vreduce2(x, p2), p); }

TOLMEX_AVX2 void garner_avx2(u32* const res[kPrimes], int64_t from, int64_t to, const Crt& c) {
    __m256i p[kPrimes], p2[kPrimes], sc[kPrimes], scp[kPrimes];
    for (int j = 0; j < kPrimes; ++j) {
        p[j] = splat8(kP[j]);
        p2[j] = splat8(2 * kP[j]);
        sc[j] = splat8(c.scale[j]);
        scp[j] = splat8(c.scale_p[j]);
    }
    const __m256i i01 = splat8(c.i01), i01p = splat8(c.i01p), i02 = splat8(c.i02),
                  i02p = splat8(c.i02p), i12 = splat8(c.i12), i12p = splat8(c.i12p);
    int64_t i = from;
    for (; i + 8 <= to; i += 8) {
        const __m256i v0 = vfull(vshoup(load8(res[0] + i), sc[0], scp[0], p[0]), p2[0], p[0]);
        const __m256i v1 = vfull(vshoup(load8(res[1] + i), sc[1], scp[1], p[1]), p2[1], p[1]);
        const __m256i v2 = vfull(vshoup(load8(res[2] + i), sc[2], scp[2], p[2]), p2[2], p[2]);
        const __m256i t1 = vfull(vshoup(_mm256_sub_epi32(_mm256_add_epi32(v1, p[1]), v0), i01, i01p, p[1]), p2[1], p[1]);
        const __m256i e = vfull(vshoup(_mm256_sub_epi32(_mm256_add_epi32(v2, p[2]), v0), i02, i02p, p[2]), p2[2], p[2]);
        const __m256i t2 = vfull(vshoup(_mm256_sub_epi32(_mm256_add_epi32(e, p[2]), t1), i12, i12p, p[2]), p2[2], p[2]);
        store8(res[0] + i, v0);
        store8(res[1] + i, t1);
        store8(res[2] + i, t2);
    }
    for (; i < to; ++i) garner_one(res, i, c);
}

void garner_digits(u32* const res[kPrimes], int64_t from, int64_t to, const Crt& c) {
    if (kHaveAvx2) {
        garner_avx2(res, from, to, c);
        return;
    }
    for (int64_t i = from; i < to; ++i) garner_one(res, i, c);
}

// Coefficient k of the convolution from the Garner digits (read at index
// N - k).
inline u128 coefficient(u32* const res[kPrimes], int64_t n, int64_t k) {
    const int64_t at = (n - k) & (n - 1);
    constexpr u64 p01 = static_cast<u64>(kP[0]) * kP[1];
    return res[0][at] + static_cast<u128>(static_cast<u64>(kP[0]) * res[1][at]) +
           static_cast<u128>(p01) * res[2][at];
}

// r[0..len) := the coefficients 0 .. len - 1 with carries, in base B (the
// last digit takes the final carry).
template <class B>
void recombine(Digit* r, int64_t len, u32* const res[kPrimes], int64_t n) {
    const Crt c = crt_for(n);
    // Coefficients 0 .. len - 2 sit at index 0 and at N - len + 2 .. N - 1.
    garner_digits(res, 0, 1, c);
    garner_digits(res, n - len + 2, n, c);
    u128 acc = 0;
    for (int64_t k = 0; k + 1 < len; ++k) {
        acc += coefficient(res, n, k);
        if constexpr (std::is_same_v<B, Base28>) {
            r[k] = static_cast<Digit>(static_cast<u64>(acc) & (Base28::kB - 1));
            acc >>= 28;
        } else {
            // acc / 10^8 by 32-bit words (acc < 2^92): the compiler turns
            // each 64-bit division by the constant into products.
            constexpr u64 d = Base1e8::kB;
            const u64 w2 = static_cast<u64>(acc >> 64), w1 = static_cast<u64>(acc >> 32) & 0xFFFFFFFFu,
                      w0 = static_cast<u64>(acc) & 0xFFFFFFFFu;
            const u64 q2 = w2 / d, t1 = (w2 % d) << 32 | w1;
            const u64 q1 = t1 / d, t0 = (t1 % d) << 32 | w0;
            const u64 q0 = t0 / d;
            r[k] = static_cast<Digit>(t0 % d);
            acc = (static_cast<u128>(q2) << 64) | (static_cast<u128>(q1) << 32) | q0;
        }
    }
    r[len - 1] = static_cast<Digit>(static_cast<u64>(acc));
}

// The transforms of b for every prime, into tb[i] (each n residues).
void transform_all(u32* const t[kPrimes], const Digit* d, int64_t m, int64_t n) {
    for (int i = 0; i < kPrimes; ++i) {
        load(t[i], d, m, n);
        ntt_dif(t[i], n, roots[i].w.data(), roots[i].wp.data(), kP[i]);
    }
}

// x := the convolution of x (untransformed) with the transform tb, modulo
// prime i, still to be scaled and read in reversed order.
void convolve_one(int i, u32* x, const u32* tb, int64_t n) {
    const Roots& R = roots[i];
    ntt_dif(x, n, R.w.data(), R.wp.data(), kP[i]);
    ntt_pointwise(x, tb, n, kP[i], R.pinv);
    ntt_dit(x, n, R.w.data(), R.wp.data(), kP[i]);
}

}  // namespace

bool ntt_ready(int64_t n) { return roots_log >= 0 && (int64_t{1} << roots_log) >= n; }

void ntt_prepare(int64_t total) {
    const int64_t n = transform_length(std::min<int64_t>(total, kNttMaxDigits));
    if (ntt_ready(n)) return;
    if (roots_log < 0)
        for (int i = 0; i < kPrimes; ++i) init_prime(i);
    const int lg = __builtin_ctzll(static_cast<u64>(n));
    for (int i = 0; i < kPrimes; ++i) {
        Roots& R = roots[i];
        const u32 p = kP[i];
        const int64_t old = R.w.empty() ? 1 : static_cast<int64_t>(R.w.size());
        std::vector<u32> w(R.w), wp(R.wp);
        w.resize(static_cast<size_t>(n));
        wp.resize(static_cast<size_t>(n));
        for (int64_t h = old; h < n; h *= 2) {
            // The (2h)-th root: omega^(2^k / 2h).
            const int lh = __builtin_ctzll(static_cast<u64>(h)) + 1;
            const u32 base = pow_mod32(R.omega, u64{1} << (kTwoAdic[i] - lh), p);
            u64 x = 1;
            for (int64_t j = 0; j < h; ++j) {
                w[static_cast<size_t>(h + j)] = static_cast<u32>(x);
                wp[static_cast<size_t>(h + j)] = shoup_of(static_cast<u32>(x), p);
                x = x * base % p;
            }
        }
        R.w.swap(w);
        R.wp.swap(wp);
    }
    roots_log = lg;
}

int64_t ntt_piece(int64_t na, int64_t nb) {
    if (na + nb <= kNttMaxDigits && na <= 4 * nb) return na;
    // Pieces of a in a transform of 4 times b's length (rounded up).
    const int64_t n = std::min(kNttMaxDigits, transform_length(4 * nb));
    return n - nb + 1;
}

int64_t ntt_scratch(int64_t na, int64_t nb) {
    const int64_t piece = std::min(na, ntt_piece(na, nb));
    const int64_t n = transform_length(piece + nb - 1);
    return (piece == na ? 4 * n : 7 * n + 1) + 16;
}

template <class B>
void mul_ntt(Digit* r, const Digit* a, int64_t na, const Digit* b, int64_t nb, Digit* w,
             Between between) {
    const bool square = a == b && na == nb;
    const int64_t piece = ntt_piece(na, nb);
    u32* s = reinterpret_cast<u32*>(w);
    if (piece >= na) {
        const int64_t n = transform_length(na + nb - 1);
        u32* const res[kPrimes] = {s, s + n, s + 2 * n};
        u32* tb = s + 3 * n;
        for (int i = 0; i < kPrimes; ++i) {
            if (between && i > 0) between();
            // One prime at a time, b's transform in tb.
            if (!square) {
                load(tb, b, nb, n);
                ntt_dif(tb, n, roots[i].w.data(), roots[i].wp.data(), kP[i]);
            }
            load(res[i], a, na, n);
            convolve_one(i, res[i], square ? res[i] : tb, n);
        }
        recombine<B>(r, na + nb, res, n);
        return;
    }
    // a in pieces, b transformed once.
    const int64_t n = transform_length(piece + nb - 1);
    u32* const tb[kPrimes] = {s, s + n, s + 2 * n};
    u32* const res[kPrimes] = {s + 3 * n, s + 4 * n, s + 5 * n};
    Digit* t = reinterpret_cast<Digit*>(s + 6 * n);
    transform_all(tb, b, nb, n);
    std::fill(r, r + na + nb, Digit{0});
    for (int64_t off = 0; off < na; off += piece) {
        if (between) between();
        const int64_t len = std::min(piece, na - off);
        for (int i = 0; i < kPrimes; ++i) {
            load(res[i], a + off, len, n);
            convolve_one(i, res[i], tb[i], n);
        }
        recombine<B>(t, len + nb, res, n);
        add_into<B>(r + off, na + nb - off, t, len + nb);
    }
}

template void mul_ntt<Base28>(Digit*, const Digit*, int64_t, const Digit*, int64_t, Digit*,
                              Between);
template void mul_ntt<Base1e8>(Digit*, const Digit*, int64_t, const Digit*, int64_t, Digit*,
                               Between);

}  // namespace tolmex::kern
