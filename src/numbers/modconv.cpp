// Multi-modular convolutions (modconv.h): the primes, the tables of roots
// made for each product, the transforms of the operands' residues, and
// Garner's recombination of the residues into numbers.
//
// Garner: with the primes p_0 .. p_{m-1} and P_i = p_0 ... p_{i-1}, the
// entry is x = sum t_i P_i with mixed-radix digits 0 <= t_i < p_i, found
// prime by prime: t_i = (r_i - t_0 - t_1 P_1 - ...) / P_i mod p_i, which
// is i products by the inverses of p_j modulo p_i. The entries are taken
// eight at a time in AVX2 registers. (M - 1) / 2, M = P_m, has the digits
// (p_i - 1) / 2, so x is negative (x - M) when its digits, from the top,
// exceed those; then M - x has the digits p_i - 1 - t_i, plus 1.
#include "numbers/modconv.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "numbers/ntt_arith.h"

namespace tolmex {

using kern::u32;
using kern::u64;

namespace {

// p = c 2^20 + 1: every prime of that form between 2^29 and 2^30, largest
// first (tests check them).
constexpr int kTwoAdic = 20;
constexpr int kPrimeCount = 56;
constexpr uint16_t kMultiplier[kPrimeCount] = {
    1005, 1003, 997, 966, 961, 958, 952, 940, 931, 930, 927, 918, 913, 906, 900, 897, 895, 892, 883,
    882,  877,  876, 871, 865, 858, 856, 843, 840, 823, 811, 795, 786, 781, 765, 763, 762, 750, 735,
    720,  711,  706, 685, 682, 678, 652, 636, 625, 618, 616, 610, 606, 577, 570, 568, 555, 550};
static_assert(kModConvMaxLog <= kTwoAdic, "every prime needs roots of the transform's order");

// The residues of one product take at most this many words (1 GB).
constexpr int64_t kMaxResidueWords = int64_t{1} << 28;

u32 prime(int i) { return (u32{kMultiplier[i]} << kTwoAdic) + 1; }

int ceil_log2(int64_t n) {
    int b = 0;
    while ((int64_t{1} << b) < n) ++b;
    return b;
}

// The fewest primes whose product is at least 2^bits; 0 when all of them
// fall short.
int primes_for(int64_t bits) {
    double sum = 0;
    for (int i = 0; i < kPrimeCount; ++i) {
        sum += std::log2(static_cast<double>(prime(i))) - 1e-9;
        if (sum >= static_cast<double>(bits)) return i + 1;
    }
    return 0;
}

int64_t transform_length(int64_t len) {
    int64_t n = 16;
    while (n < len) n *= 2;
    return n;
}

// The constants of the primes, made once: a root of unity of order 2^20
// of each, and the inverses of the primes modulo the later ones with their
// Shoup quotients (inv[i kPrimeCount + j] = p_j^-1 mod p_i for j < i).
struct PrimeTables {
    u32 omega[kPrimeCount];
    std::vector<u32> inv, invp;
    PrimeTables() : inv(kPrimeCount * kPrimeCount), invp(kPrimeCount * kPrimeCount) {
        for (int i = 0; i < kPrimeCount; ++i) {
            const u32 p = prime(i);
            for (u32 g = 2;; ++g) {
                const u32 om = kern::pow_mod32(g, (p - 1) >> kTwoAdic, p);
                if (kern::pow_mod32(om, u64{1} << (kTwoAdic - 1), p) == p - 1) {
                    omega[i] = om;
                    break;
                }
            }
            for (int j = 0; j < i; ++j) {
                const u32 v = kern::pow_mod32(prime(j), p - 2, p);
                inv[i * kPrimeCount + j] = v;
                invp[i * kPrimeCount + j] = kern::shoup_of(v, p);
            }
        }
    }
};

const PrimeTables& tables() {
    static const PrimeTables t;
    return t;
}

// A root of unity of order n (a power of two up to 2^20) modulo prime i.
u32 root_of_order(int i, int64_t n) {
    return kern::pow_mod32(tables().omega[i], (u64{1} << kTwoAdic) / static_cast<u64>(n), prime(i));
}

// floor(w 2^32 / p) for w < p: a floating-point estimate (off by at most
// one), corrected.
u32 shoup_quotient(u32 w, u32 p, double scale) {
    u64 q = static_cast<u64>(static_cast<double>(w) * scale);
    const int64_t r = static_cast<int64_t>((static_cast<u64>(w) << 32) - q * p);
    if (r < 0)
        --q;
    else if (r >= static_cast<int64_t>(p))
        ++q;
    return static_cast<u32>(q);
}

// top[8 .. h) := top[j - 8] r^8 (r8 with its quotient r8p) and q[0 .. h)
// := the Shoup quotients of top[0 .. h), eight at a time (h a multiple of
// 8). The estimates of the quotients, less 2^31, are computed in doubles
// (off by at most one); the remainder w 2^32 - q p, in [-p, 2p), is exact
// in 32 bits and corrects them.
TOLMEX_AVX2 inline __m128i quotient_estimate(__m128i w, __m256d scale, __m256d half) {
    const __m256d d = _mm256_sub_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(w), scale), half);
    return _mm256_cvtpd_epi32(_mm256_floor_pd(d));
}

TOLMEX_AVX2 void top_roots_avx2(u32* top, u32* q, int64_t h, u32 p, u32 r8, u32 r8p) {
    const __m256i P = kern::splat8(p), R = kern::splat8(r8), RP = kern::splat8(r8p);
    __m256i x = kern::load8(top);
    for (int64_t j = 8; j < h; j += 8) {
        x = kern::vreduce2(kern::vshoup(x, R, RP, P), P);
        kern::store8(top + j, x);
    }
    const __m256d scale = _mm256_set1_pd(4294967296.0 / p), half = _mm256_set1_pd(2147483648.0);
    const __m256i bias = kern::splat8(0x80000000u), below = kern::splat8(p - 1), zero = _mm256_setzero_si256();
    for (int64_t j = 0; j < h; j += 8) {
        const __m256i w = kern::load8(top + j);
        __m256i e = _mm256_set_m128i(quotient_estimate(_mm256_extracti128_si256(w, 1), scale, half),
                                     quotient_estimate(_mm256_castsi256_si128(w), scale, half));
        e = _mm256_add_epi32(e, bias);
        const __m256i r = _mm256_sub_epi32(zero, _mm256_mullo_epi32(e, P));
        e = _mm256_add_epi32(e, _mm256_cmpgt_epi32(zero, r));    // r < 0: one less
        e = _mm256_sub_epi32(e, _mm256_cmpgt_epi32(r, below));  // r >= p: one more
        kern::store8(q + j, e);
    }
}

// The roots of the transforms of n points modulo p, laid out as ntt_dif
// and ntt_dit read them. The top level is the powers of an n-th root (in
// eight interleaved runs); each lower level takes every other root of the
// level above.
void make_roots(int i, int64_t n, std::vector<u32>& w, std::vector<u32>& wp) {
    w.resize(static_cast<size_t>(n));
    wp.resize(static_cast<size_t>(n));
    const u32 p = prime(i);
    const int64_t h = n / 2;
    const u32 r = root_of_order(i, n);
    u32* top = w.data() + h;
    u64 x = 1;
    for (int64_t j = 0; j < 8 && j < h; ++j) {
        top[j] = static_cast<u32>(x);
        x = x * r % p;
    }
    const u32 r8 = kern::pow_mod32(r, 8, p), r8p = kern::shoup_of(r8, p);
    if (kern::kHaveAvx2) {
        top_roots_avx2(top, wp.data() + h, h, p, r8, r8p);
    } else {
        for (int64_t j = 8; j < h; ++j) top[j] = kern::full(kern::shoup_mul(top[j - 8], r8, r8p, p), p);
        const double scale = 4294967296.0 / p;
        for (int64_t j = 0; j < h; ++j) wp[h + j] = shoup_quotient(top[j], p, scale);
    }
    for (int64_t l = h / 2; l >= 1; l /= 2)
        for (int64_t j = 0; j < l; ++j) {
            w[l + j] = w[2 * l + 2 * j];
            wp[l + j] = wp[2 * l + 2 * j];
        }
}

// res[i len + k] := the digits t_i of the entries k0 <= k < k0 + cnt (the
// residues r_i there on entry) for m primes. Entries whose residues are all
// 0 (a product's slots outside its terms) are left as they are.
void digits_scalar(u32* res, int64_t len, int64_t k0, int64_t cnt, int m) {
    const PrimeTables& g = tables();
    for (int64_t k = k0; k < k0 + cnt; ++k) {
        u32 any = 0;
        for (int i = 0; i < m; ++i) any |= res[i * len + k];
        if (!any) continue;
        for (int i = 1; i < m; ++i) {
            const u32 p = prime(i), p2 = 2 * p;
            const u32* w = g.inv.data() + i * kPrimeCount;
            const u32* wp = g.invp.data() + i * kPrimeCount;
            u32 x = res[i * len + k];
            for (int j = 0; j < i; ++j) x = kern::shoup_mul(x + p2 - res[j * len + k], w[j], wp[j], p);
            res[i * len + k] = x >= p ? x - p : x;
        }
    }
}

// The same eight entries at a time (cnt a multiple of 8).
TOLMEX_AVX2 void digits_avx2(u32* res, int64_t len, int64_t k0, int64_t cnt, int m) {
    const PrimeTables& g = tables();
    for (int64_t k = k0; k < k0 + cnt; k += 8) {
        __m256i any = _mm256_setzero_si256();
        for (int i = 0; i < m; ++i) any = _mm256_or_si256(any, kern::load8(res + i * len + k));
        if (_mm256_testz_si256(any, any)) continue;
        for (int i = 1; i < m; ++i) {
            const u32 p = prime(i);
            const __m256i P = kern::splat8(p), P2 = kern::splat8(2 * p);
            const u32* w = g.inv.data() + i * kPrimeCount;
            const u32* wp = g.invp.data() + i * kPrimeCount;
            __m256i x = kern::load8(res + i * len + k);
            for (int j = 0; j < i; ++j) {
                const __m256i tj = kern::load8(res + j * len + k);
                x = kern::vshoup(_mm256_sub_epi32(_mm256_add_epi32(x, P2), tj), kern::splat8(w[j]),
                                 kern::splat8(wp[j]), P);
            }
            kern::store8(res + i * len + k, kern::vreduce2(x, P));
        }
    }
}

// The entry k from its digits; null for 0. limbs has room for m / 2 + 2
// words.
Number entry(const u32* res, int64_t len, int64_t k, int m, u64* limbs) {
    int top = m - 1;
    while (top >= 0 && res[top * len + k] == 0) --top;
    if (top < 0) return Number();
    bool negative = false;
    for (int i = m - 1; i >= 0; --i) {
        const u32 t = res[i * len + k], half = (prime(i) - 1) / 2;
        if (t != half) {
            negative = t > half;
            break;
        }
    }
    auto digit = [&](int i) {
        const u32 t = res[i * len + k];
        return negative ? prime(i) - 1 - t : t;
    };
    // Horner's rule from the top, two digits a step: value := value p_i
    // p_{i-1} + t_i p_{i-1} + t_{i-1} (both below 2^60).
    int i = negative ? m - 1 : top;
    int n = 1;
    limbs[0] = digit(i);
    for (--i; i >= 0; i -= 2) {
        u64 mul = prime(i), carry = digit(i);
        if (i > 0) {
            carry = carry * prime(i - 1) + digit(i - 1);
            mul *= prime(i - 1);
        }
        for (int l = 0; l < n; ++l) {
            const unsigned __int128 v = static_cast<unsigned __int128>(limbs[l]) * mul + carry;
            limbs[l] = static_cast<u64>(v);
            carry = static_cast<u64>(v >> 64);
        }
        if (carry) limbs[n++] = carry;
    }
    if (negative) {
        limbs[n] = 0;
        for (int l = 0; l <= n && ++limbs[l] == 0; ++l) {
        }
        if (limbs[n]) ++n;
    }
    return number_from_limbs(limbs, n, negative);
}

// r[k] := x[(n - k) mod n] s mod p for k < len (s with its Shoup
// quotient sp): the entries of the convolution, in natural order.
void scale_scalar(const u32* x, int64_t n, u32* r, int64_t from, int64_t to, u32 s, u32 sp, u32 p) {
    for (int64_t k = from; k < to; ++k) {
        const u32 t = kern::shoup_mul(x[(n - k) & (n - 1)], s, sp, p);
        r[k] = t >= p ? t - p : t;
    }
}

TOLMEX_AVX2 int64_t scale_avx2(const u32* x, int64_t n, u32* r, int64_t len, u32 s, u32 sp, u32 p) {
    const __m256i S = kern::splat8(s), SP = kern::splat8(sp), P = kern::splat8(p);
    const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    int64_t k = 1;
    for (; k + 8 <= len; k += 8) {
        const __m256i v = _mm256_permutevar8x32_epi32(kern::load8(x + n - k - 7), reverse);
        kern::store8(r + k, kern::vreduce2(kern::vshoup(v, S, SP, P), P));
    }
    return k;
}

void scale_reversed(const u32* x, int64_t n, u32* r, int64_t len, u32 s, u32 sp, u32 p) {
    const int64_t done = kern::kHaveAvx2 && len <= n ? scale_avx2(x, n, r, len, s, sp, p) : 1;
    scale_scalar(x, n, r, 0, 1, s, sp, p);
    scale_scalar(x, n, r, done, len, s, sp, p);
}

// The numbers of the residues res (m rows of len entries).
std::vector<Number> recombine(u32* res, int64_t len, int m) {
    std::vector<Number> out(static_cast<size_t>(len));
    // Blocks of entries whose rows stay in the first-level cache.
    constexpr int64_t kBlock = 256;
    std::vector<u64> limbs(static_cast<size_t>(m / 2 + 3));
    for (int64_t k0 = 0; k0 < len; k0 += kBlock) {
        const int64_t cnt = std::min(kBlock, len - k0);
        const int64_t vec = kern::kHaveAvx2 ? cnt / 8 * 8 : 0;
        if (vec > 0) digits_avx2(res, len, k0, vec, m);
        if (vec < cnt) digits_scalar(res, len, k0 + vec, cnt - vec, m);
        for (int64_t k = k0; k < k0 + cnt; ++k) out[static_cast<size_t>(k)] = entry(res, len, k, m, limbs.data());
    }
    return out;
}

}  // namespace

// Reads the digits of the sequences for the transforms.
struct IntSequenceReader {
    // out[at] := each entry of s modulo p (the other words untouched); pw
    // holds 2^(28 d) mod p.
    static void residues(const IntSequence& s, u32 p, const std::vector<u32>& pw, u32* out) {
        // Barrett: x - floor(x m / 2^64) p is below 2p for m = floor(2^64 / p).
        const u64 m = ~u64{0} / p;
        auto reduce = [&](u64 x) {
            const u64 r = x - static_cast<u64>((static_cast<unsigned __int128>(x) * m) >> 64) * p;
            return r >= p ? r - p : r;
        };
        for (size_t e = 0; e < s.at_.size(); ++e) {
            const uint32_t* d = s.digits_.data() + s.begin_[e];
            const int64_t n = s.begin_[e + 1] - s.begin_[e];
            // Each product is below 2^58: 32 of them and a residue fit.
            u64 acc = 0;
            for (int64_t k0 = 0; k0 < n; k0 += 32) {
                const int64_t k1 = std::min(n, k0 + 32);
                for (int64_t k = k0; k < k1; ++k) acc += u64{d[k]} * pw[static_cast<size_t>(k)];
                acc = reduce(acc);
            }
            const u32 v = static_cast<u32>(acc);
            out[s.at_[e]] = s.negative_[e] && v ? p - v : v;
        }
    }
    static int64_t max_digits(const IntSequence& s) { return s.max_digits_; }
};

void IntSequence::add(int64_t at, const Number& x) {
    const DigitSpan d = x.digits();
    int64_t n = static_cast<int64_t>(d.size());
    while (n > 1 && d[n - 1] == 0) --n;
    at_.push_back(at);
    negative_.push_back(d[n - 1] < 0);
    for (int64_t k = 0; k < n; ++k) digits_.push_back(static_cast<uint32_t>(d[k] < 0 ? -d[k] : d[k]));
    begin_.push_back(static_cast<int64_t>(digits_.size()));
    const uint32_t top = digits_.back();
    const int64_t bits = (n - 1) * kDigitBits + (top ? 32 - __builtin_clz(top) : 0);
    max_bits_ = std::max(max_bits_, bits);
    max_digits_ = std::max(max_digits_, n);
    length_ = std::max(length_, at + 1);
}

int64_t modconv_bound_bits(const IntSequence& a, const IntSequence& b) {
    return a.max_bits() + b.max_bits() + ceil_log2(std::min(a.count(), b.count())) + 1;
}

bool modconv_fits(int64_t length, int64_t bits) {
    if (length < 1 || length > (int64_t{1} << kModConvMaxLog)) return false;
    const int m = primes_for(bits);
    return m > 0 && m * length <= kMaxResidueWords;
}

std::vector<Number> modconv_product(const IntSequence& a, const IntSequence& b, void (*between)()) {
    const int64_t len = a.length() + b.length() - 1;
    const int m = primes_for(modconv_bound_bits(a, b));
    const int64_t n = transform_length(len);
    const bool square = &a == &b;
    // Every word is written (prime by prime) before it is read.
    const std::unique_ptr<u32[]> res(new u32[static_cast<size_t>(m * len)]);
    std::vector<u32> x(static_cast<size_t>(n)), y(square ? 0 : static_cast<size_t>(n));
    std::vector<u32> w, wp;
    std::vector<u32> pw(static_cast<size_t>(
        std::max(IntSequenceReader::max_digits(a), IntSequenceReader::max_digits(b))));
    for (int i = 0; i < m; ++i) {
        if (between) between();
        const u32 p = prime(i);
        make_roots(i, n, w, wp);
        u64 v = 1;
        for (u32& e : pw) {
            e = static_cast<u32>(v);
            v = (v << kDigitBits) % p;
        }
        std::fill(x.begin(), x.end(), 0);
        IntSequenceReader::residues(a, p, pw, x.data());
        kern::ntt_dif(x.data(), n, w.data(), wp.data(), p);
        if (!square) {
            std::fill(y.begin(), y.end(), 0);
            IntSequenceReader::residues(b, p, pw, y.data());
            kern::ntt_dif(y.data(), n, w.data(), wp.data(), p);
        }
        kern::ntt_pointwise(x.data(), square ? x.data() : y.data(), n, p, kern::mont_neg_inverse(p));
        kern::ntt_dit(x.data(), n, w.data(), wp.data(), p);
        // n c[k] 2^-32 sits at n - k: scale by 2^32 / n.
        const u32 inv_n = kern::pow_mod32(static_cast<u64>(n), p - 2, p);
        const u32 scale = static_cast<u32>((u64{1} << 32) % p * inv_n % p), scale_p = kern::shoup_of(scale, p);
        scale_reversed(x.data(), n, res.get() + i * len, len, scale, scale_p, p);
    }
    if (between) between();
    return recombine(res.get(), len, m);
}

}  // namespace tolmex
