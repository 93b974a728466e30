// Arithmetic modulo primes below 2^30 for the number-theoretic transforms,
// for the code of src/numbers only: the transforms of the big-integer
// products (ntt.cpp) and the multi-modular convolutions (modconv.cpp).
//
// Residues are kept in [0, 2p) between steps. Products by a fixed factor w
// use Shoup's method (w comes with floor(w 2^32 / p)); products of two
// variable residues use Montgomery's reduction (a b 2^-32). Neither divides.
// The vector forms take eight residues of 32 bits in an AVX2 register; the
// callers check for AVX2 at run time.
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace tolmex::kern {

using u32 = uint32_t;
using u64 = uint64_t;

inline u32 pow_mod32(u64 a, u64 e, u32 p) {
    u64 r = 1;
    a %= p;
    for (; e; e >>= 1) {
        if (e & 1) r = r * a % p;
        a = a * a % p;
    }
    return static_cast<u32>(r);
}

inline u32 shoup_of(u32 w, u32 p) { return static_cast<u32>((static_cast<u64>(w) << 32) / p); }

// x w mod p in [0, 2p) for any x < 2^32.
inline u32 shoup_mul(u32 x, u32 w, u32 wp, u32 p) {
    const u32 q = static_cast<u32>((static_cast<u64>(x) * wp) >> 32);
    return x * w - q * p;
}

inline u32 reduce2(u32 x, u32 p2) { return x >= p2 ? x - p2 : x; }

// x in [0, 4p) reduced to [0, p).
inline u32 full(u32 x, u32 p) {
    x = x >= 2 * p ? x - 2 * p : x;
    return x >= p ? x - p : x;
}

// -p^-1 mod 2^32 for an odd p (Newton's iteration).
inline u32 mont_neg_inverse(u32 p) {
    u32 inv = p;
    for (int k = 0; k < 5; ++k) inv *= 2 - p * inv;
    return static_cast<u32>(0u - inv);
}

// The portable butterflies of whole transforms and the pointwise
// Montgomery products (ntt.cpp), with the AVX2 forms chosen at run time.
// dif: decimation in frequency, natural order to bit-reversed; dit: back,
// giving n times the cyclic convolution in reversed order (index i at
// n - i) after the pointwise products. w[h + j], wp[h + j] (j < h, h = 1,
// 2, ..., n/2) are the powers of the 2h-th root with their Shoup quotients.
void ntt_dif(u32* a, int64_t n, const u32* w, const u32* wp, u32 p);
void ntt_dit(u32* a, int64_t n, const u32* w, const u32* wp, u32 p);
// a[i] := a[i] b[i] 2^-32 mod p, in [0, 2p) (a, b < 2p).
void ntt_pointwise(u32* a, const u32* b, int64_t n, u32 p, u32 pinv);

extern const bool kHaveAvx2;

#define TOLMEX_AVX2 __attribute__((target("avx2")))

// The high half of eight 32 x 32-bit products, from the even and the odd
// lanes' 64-bit products.
TOLMEX_AVX2 inline __m256i mulhi32(__m256i x, __m256i y) {
    const __m256i even = _mm256_srli_epi64(_mm256_mul_epu32(x, y), 32);
    const __m256i odd = _mm256_mul_epu32(_mm256_srli_epi64(x, 32), _mm256_srli_epi64(y, 32));
    return _mm256_blend_epi32(even, odd, 0xAA);
}

TOLMEX_AVX2 inline __m256i vshoup(__m256i x, __m256i w, __m256i wp, __m256i p) {
    const __m256i q = mulhi32(x, wp);
    return _mm256_sub_epi32(_mm256_mullo_epi32(x, w), _mm256_mullo_epi32(q, p));
}

TOLMEX_AVX2 inline __m256i vreduce2(__m256i x, __m256i p2) {
    return _mm256_min_epu32(x, _mm256_sub_epi32(x, p2));
}

TOLMEX_AVX2 inline __m256i load8(const u32* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
TOLMEX_AVX2 inline void store8(u32* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
TOLMEX_AVX2 inline __m256i splat8(u32 x) { return _mm256_set1_epi32(static_cast<int>(x)); }

}  // namespace tolmex::kern
