// The schoolbook convolution of residue arrays: the leaf of every dense
// modular product (onevar_mult, the array Karatsuba, the two-variable rows
// and the array division).
//
// Every output is a dot product of one operand with the other reversed,
// summed without reduction and reduced once:
//  * modulus at most 2^15: residues fit signed 16-bit lanes, a product is
//    below 2^30 and a sum of four products below 2^32;
//  * modulus below 2^16 (or equal): a product is below 2^32 and a 64-bit
//    sum takes 2^32 of them;
//  * larger moduli: a product is below 2^62, and the sum is kept in two
//    64-bit lanes, one for the low and one for the high 32 bits of the
//    products (four at a time in the vector code), so that no 128-bit
//    addition is needed.
// The final reduction uses a precomputed inverse of the modulus (Barrett,
// or in the vector code a double-precision quotient corrected once).
//
// On x86-64 processors with AVX2 and FMA the sums are formed eight outputs
// at a time, with the shorter operand broadcast and the longer one read at
// shifted offsets from a zero-padded copy, so that no lane ever needs a
// horizontal sum; the portable code below is the reference and the path
// of every other processor. The fields of 2^8 and 2^16 elements multiply
// through their tables and add by exclusive or.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "poly/poly_dense.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define TOLMEX_DENSE_AVX2 1
#endif

namespace tolmex::polyimpl {

bool dense_vector_kernels = true;

namespace {

// Scratch of the leaf (padded copies of the operands); the leaf never
// recurses, so one set serves every call.
std::vector<uint32_t> pad32;
std::vector<uint64_t> pad64;
std::vector<uint32_t> pairs;
std::vector<uint32_t> rev;

template <class T>
T* room(std::vector<T>& v, size_t n) {
    if (v.size() < n) v.resize(n + n / 2);
    return v.data();
}

void basecase_field(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z) {
    const int32_t nz = nx + ny - 1;
    for (int32_t k = 0; k < nz; ++k) {
        const int32_t i0 = k - (ny - 1) > 0 ? k - (ny - 1) : 0;
        const int32_t i1 = k < nx - 1 ? k : nx - 1;
        int32_t s = 0;
        for (int32_t i = i0; i <= i1; ++i) s ^= modmult(x[i], y[k - i]);
        z[k] = s;
    }
}

// The portable leaf: z[k] is the dot product of x[i0 .. i1] with the
// reversed y read forwards.
void basecase_portable(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z) {
    const int32_t nz = nx + ny - 1;
    const uint64_t m = static_cast<uint64_t>(modulus);
    const Barrett red(static_cast<uint32_t>(m));
    uint32_t* yr = room(rev, static_cast<size_t>(ny));
    for (int32_t j = 0; j < ny; ++j) yr[j] = static_cast<uint32_t>(y[ny - 1 - j]);
    const uint32_t* xu = reinterpret_cast<const uint32_t*>(x);
    for (int32_t k = 0; k < nz; ++k) {
        const int32_t i0 = k - (ny - 1) > 0 ? k - (ny - 1) : 0;
        const int32_t i1 = k < nx - 1 ? k : nx - 1;
        const int32_t len = i1 - i0 + 1;
        const uint32_t* xs = xu + i0;
        const uint32_t* ys = yr + (ny - 1 - k + i0);
        if (m <= 65536) {
            uint64_t s = 0;
            for (int32_t i = 0; i < len; ++i) s += uint64_t{xs[i] * ys[i]};
            z[k] = static_cast<int32_t>(red.reduce(s));
        } else {
            uint64_t lo = 0, hi = 0;
            for (int32_t i = 0; i < len; ++i) {
                const uint64_t p = uint64_t{xs[i]} * ys[i];
                lo += static_cast<uint32_t>(p);
                hi += p >> 32;
            }
            const uint64_t h = red.reduce(hi);
            z[k] = static_cast<int32_t>(red.reduce((h << 32) + lo));
        }
    }
}

#ifdef TOLMEX_DENSE_AVX2

constexpr int32_t kPad = 16;

bool have_avx2() {
    static const bool ok = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    return ok;
}

// Four sums below 2^52 reduced to residues: a double-precision quotient,
// off by at most one, corrected once either way.
[[gnu::target("avx2,fma")]] inline __m128i reduce4(__m256i s, __m256d md, __m256d inv) {
    const __m256i magic = _mm256_set1_epi64x(0x4330000000000000);
    const __m256d two52 = _mm256_set1_pd(4503599627370496.0);
    const __m256d d = _mm256_sub_pd(_mm256_castsi256_pd(_mm256_or_si256(s, magic)), two52);
    const __m256d q = _mm256_floor_pd(_mm256_mul_pd(d, inv));
    __m256d r = _mm256_fnmadd_pd(q, md, d);
    r = _mm256_add_pd(r, _mm256_and_pd(_mm256_cmp_pd(r, _mm256_setzero_pd(), _CMP_LT_OQ), md));
    r = _mm256_sub_pd(r, _mm256_and_pd(_mm256_cmp_pd(r, md, _CMP_GE_OQ), md));
    return _mm256_cvttpd_epi32(r);
}

// The residues of four sums hi 2^32 + lo (hi, lo below 2^52): with
// h = hi mod m = h1 2^16 + h0 the sum is congruent to
// h1 (2^48 mod m) + h0 (2^32 mod m) + lo, which is below 2^52 again.
[[gnu::target("avx2,fma")]] inline __m128i fold4(__m256i lo, __m256i hi, __m256d md, __m256d inv,
                                                 __m256i c32, __m256i c48) {
    const __m256i h = _mm256_cvtepu32_epi64(reduce4(hi, md, inv));
    const __m256i t =
        _mm256_add_epi64(_mm256_mul_epu32(_mm256_srli_epi64(h, 16), c48),
                         _mm256_mul_epu32(_mm256_and_si256(h, _mm256_set1_epi64x(0xffff)), c32));
    return reduce4(_mm256_add_epi64(t, lo), md, inv);
}

// Stores the eight outputs k0 .. k0 + 7 that exist (those below nz).
[[gnu::target("avx2,fma")]] inline void store8(int32_t* z, int32_t k0, int32_t nz, __m128i lo,
                                               __m128i hi) {
    if (k0 + 8 <= nz) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(z + k0), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(z + k0 + 4), hi);
        return;
    }
    alignas(16) int32_t t[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(t), lo);
    _mm_store_si128(reinterpret_cast<__m128i*>(t + 4), hi);
    for (int32_t i = 0; k0 + i < nz; ++i) z[k0 + i] = t[i];
}

// Modulus at most 2^15. x (the shorter operand) is read in pairs
// x[2h] | x[2h + 1] << 16, y as the pairs y[j] | y[j - 1] << 16 at offset
// kPad; one multiply-add of 16-bit lanes gives, for eight outputs k0 + t,
// x[2h] y[k0 + t - 2h] + x[2h + 1] y[k0 + t - 2h - 1].
[[gnu::target("avx2,fma")]] void basecase_avx2_small(const int32_t* x, int32_t nx, const int32_t* y,
                                                     int32_t ny, int32_t* z) {
    const int32_t nz = nx + ny - 1;
    const int32_t nh = (nx + 1) / 2;
    uint32_t* xp = room(pairs, static_cast<size_t>(nh));
    for (int32_t h = 0; h < nh; ++h) {
        const uint32_t lo = static_cast<uint32_t>(x[2 * h]);
        const uint32_t hi = 2 * h + 1 < nx ? static_cast<uint32_t>(x[2 * h + 1]) : 0;
        xp[h] = lo | hi << 16;
    }
    uint32_t* yp = room(pad32, static_cast<size_t>(ny + 2 * kPad));
    auto yv = [&](int32_t j) { return j >= 0 && j < ny ? static_cast<uint32_t>(y[j]) : 0u; };
    for (int32_t j = -kPad; j < ny + kPad; ++j) yp[j + kPad] = yv(j) | yv(j - 1) << 16;
    const __m256d md = _mm256_set1_pd(static_cast<double>(modulus));
    const __m256d inv = _mm256_set1_pd(1.0 / static_cast<double>(modulus));
    const __m256i low32 = _mm256_set1_epi64x(0xffffffff);
    for (int32_t k0 = 0; k0 < nz; k0 += 8) {
        // Pairs that reach an output of the block with a nonzero entry.
        const int32_t h_lo = k0 - ny + 1 > 0 ? (k0 - ny + 1) / 2 : 0;
        const int32_t h_hi = std::min(nh - 1, (k0 + 7) / 2);
        const uint32_t* base = yp + kPad + k0;
        __m256i even = _mm256_setzero_si256(), odd = _mm256_setzero_si256();
        int32_t h = h_lo;
        for (; h + 1 <= h_hi; h += 2) {
            const __m256i a = _mm256_madd_epi16(
                _mm256_set1_epi32(static_cast<int32_t>(xp[h])),
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base - 2 * h)));
            const __m256i b = _mm256_madd_epi16(
                _mm256_set1_epi32(static_cast<int32_t>(xp[h + 1])),
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base - 2 * h - 2)));
            const __m256i s = _mm256_add_epi32(a, b);  // four products: below 2^32
            even = _mm256_add_epi64(even, _mm256_and_si256(s, low32));
            odd = _mm256_add_epi64(odd, _mm256_srli_epi64(s, 32));
        }
        if (h <= h_hi) {
            const __m256i s = _mm256_madd_epi16(
                _mm256_set1_epi32(static_cast<int32_t>(xp[h])),
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base - 2 * h)));
            even = _mm256_add_epi64(even, _mm256_and_si256(s, low32));
            odd = _mm256_add_epi64(odd, _mm256_srli_epi64(s, 32));
        }
        // even holds the outputs k0, k0 + 2, k0 + 4, k0 + 6; odd the others.
        const __m128i re = reduce4(even, md, inv), ro = reduce4(odd, md, inv);
        store8(z, k0, nz, _mm_unpacklo_epi32(re, ro), _mm_unpackhi_epi32(re, ro));
    }
}

// Larger moduli: x broadcast, y zero-extended to 64-bit lanes at offset
// kPad; four 32 x 32-bit products per multiply. Below 2^16 one 64-bit sum
// per output; above, the low and high halves of the products apart.
template <bool kWide>
[[gnu::target("avx2,fma")]] void basecase_avx2_large(const int32_t* x, int32_t nx, const int32_t* y,
                                                     int32_t ny, int32_t* z) {
    const int32_t nz = nx + ny - 1;
    uint64_t* yp = room(pad64, static_cast<size_t>(ny + 2 * kPad));
    for (int32_t j = 0; j < kPad; ++j) yp[j] = yp[ny + kPad + j] = 0;
    for (int32_t j = 0; j < ny; ++j) yp[j + kPad] = static_cast<uint32_t>(y[j]);
    const uint64_t m = static_cast<uint64_t>(modulus);
    const __m256d md = _mm256_set1_pd(static_cast<double>(modulus));
    const __m256d inv = _mm256_set1_pd(1.0 / static_cast<double>(modulus));
    const __m256i low32 = _mm256_set1_epi64x(0xffffffff);
    // 2^32 and 2^48 modulo m, for folding the high halves back.
    const __m256i c32 = _mm256_set1_epi64x(static_cast<int64_t>((uint64_t{1} << 32) % m));
    const __m256i c48 = _mm256_set1_epi64x(static_cast<int64_t>((uint64_t{1} << 48) % m));
    for (int32_t k0 = 0; k0 < nz; k0 += 8) {
        const int32_t i_lo = k0 - ny + 1 > 0 ? k0 - ny + 1 : 0;
        const int32_t i_hi = std::min(nx - 1, k0 + 7);
        const uint64_t* base = yp + kPad + k0;
        __m256i lo_a = _mm256_setzero_si256(), lo_b = _mm256_setzero_si256();
        __m256i hi_a = _mm256_setzero_si256(), hi_b = _mm256_setzero_si256();
        int32_t i = i_lo;
        if constexpr (kWide) {
            // Four products (each below (2^31 - 1)^2) fit one 64-bit lane
            // before the split into halves.
            for (; i + 3 <= i_hi; i += 4) {
                __m256i sa = _mm256_setzero_si256(), sb = _mm256_setzero_si256();
                for (int32_t u = 0; u < 4; ++u) {
                    const __m256i xv = _mm256_set1_epi64x(static_cast<uint32_t>(x[i + u]));
                    const uint64_t* at = base - (i + u);
                    sa = _mm256_add_epi64(
                        sa, _mm256_mul_epu32(
                                xv, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at))));
                    sb = _mm256_add_epi64(
                        sb, _mm256_mul_epu32(
                                xv, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at + 4))));
                }
                lo_a = _mm256_add_epi64(lo_a, _mm256_and_si256(sa, low32));
                lo_b = _mm256_add_epi64(lo_b, _mm256_and_si256(sb, low32));
                hi_a = _mm256_add_epi64(hi_a, _mm256_srli_epi64(sa, 32));
                hi_b = _mm256_add_epi64(hi_b, _mm256_srli_epi64(sb, 32));
            }
        }
        for (; i <= i_hi; ++i) {
            const __m256i xv = _mm256_set1_epi64x(static_cast<uint32_t>(x[i]));
            const __m256i pa = _mm256_mul_epu32(
                xv, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base - i)));
            const __m256i pb = _mm256_mul_epu32(
                xv, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(base - i + 4)));
            if constexpr (kWide) {
                lo_a = _mm256_add_epi64(lo_a, _mm256_and_si256(pa, low32));
                lo_b = _mm256_add_epi64(lo_b, _mm256_and_si256(pb, low32));
                hi_a = _mm256_add_epi64(hi_a, _mm256_srli_epi64(pa, 32));
                hi_b = _mm256_add_epi64(hi_b, _mm256_srli_epi64(pb, 32));
            } else {
                lo_a = _mm256_add_epi64(lo_a, pa);
                lo_b = _mm256_add_epi64(lo_b, pb);
            }
        }
        if constexpr (kWide) {
            store8(z, k0, nz, fold4(lo_a, hi_a, md, inv, c32, c48),
                   fold4(lo_b, hi_b, md, inv, c32, c48));
        } else {
            store8(z, k0, nz, reduce4(lo_a, md, inv), reduce4(lo_b, md, inv));
        }
    }
}

#endif  // TOLMEX_DENSE_AVX2

}  // namespace

void mul_basecase(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z) {
    if (finf) {
        basecase_field(x, nx, y, ny, z);
        return;
    }
#ifdef TOLMEX_DENSE_AVX2
    // The vector sums stay below 2^52 for dot products of fewer than 2^19
    // terms.
    if (dense_vector_kernels && have_avx2() && std::min(nx, ny) < (int32_t{1} << 19)) {
        // The shorter operand is the one broadcast.
        if (nx > ny) {
            std::swap(x, y);
            std::swap(nx, ny);
        }
        if (modulus <= 32768)
            basecase_avx2_small(x, nx, y, ny, z);
        else if (modulus <= 65536)
            basecase_avx2_large<false>(x, nx, y, ny, z);
        else
            basecase_avx2_large<true>(x, nx, y, ny, z);
        return;
    }
#endif
    basecase_portable(x, nx, y, ny, z);
}

}  // namespace tolmex::polyimpl
