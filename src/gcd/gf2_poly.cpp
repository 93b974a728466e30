#include "gcd/gf2_poly.h"

#include <algorithm>
#include <utility>

#include "base/errors.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tolmex::gf2 {

void Poly2::trim() {
    while (!w.empty() && w.back() == 0) w.pop_back();
}

int32_t Poly2::degree() const {
    if (w.empty()) return -1;
    return static_cast<int32_t>(64 * (w.size() - 1)) + 63 - __builtin_clzll(w.back());
}

Poly2 from_residues(const gcdimpl::Residues& a) {
    Poly2 p;
    p.w.assign((a.size() + 63) / 64, 0);
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] & 1) p.w[i / 64] |= uint64_t{1} << (i % 64);
    p.trim();
    return p;
}

gcdimpl::Residues to_residues(const Poly2& a) {
    gcdimpl::Residues r(static_cast<size_t>(a.degree() + 1));
    for (size_t i = 0; i < r.size(); ++i) r[i] = static_cast<int32_t>(a.w[i / 64] >> (i % 64) & 1);
    return r;
}

Poly2 add(const Poly2& a, const Poly2& b) {
    Poly2 r = a.w.size() >= b.w.size() ? a : b;
    const Poly2& s = a.w.size() >= b.w.size() ? b : a;
    for (size_t i = 0; i < s.w.size(); ++i) r.w[i] ^= s.w[i];
    r.trim();
    return r;
}

namespace {

// The carry-less product of two words: the processor's instruction where
// it has one, else shifts and adds.
void clmul_soft(uint64_t a, uint64_t b, uint64_t& lo, uint64_t& hi) {
    lo = hi = 0;
    for (int i = 0; i < 64; ++i)
        if (b >> i & 1) {
            lo ^= a << i;
            if (i) hi ^= a >> (64 - i);
        }
}

void mul_words_soft(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* z) {
    for (size_t i = 0; i < na; ++i)
        for (size_t j = 0; j < nb; ++j) {
            uint64_t lo, hi;
            clmul_soft(a[i], b[j], lo, hi);
            z[i + j] ^= lo;
            z[i + j + 1] ^= hi;
        }
}

#if defined(__x86_64__)
__attribute__((target("pclmul,sse4.1"))) void mul_words_hw(const uint64_t* a, size_t na, const uint64_t* b,
                                                            size_t nb, uint64_t* z) {
    for (size_t i = 0; i < na; ++i) {
        const __m128i x = _mm_cvtsi64_si128(static_cast<long long>(a[i]));
        for (size_t j = 0; j < nb; ++j) {
            const __m128i r = _mm_clmulepi64_si128(x, _mm_cvtsi64_si128(static_cast<long long>(b[j])), 0);
            z[i + j] ^= static_cast<uint64_t>(_mm_cvtsi128_si64(r));
            z[i + j + 1] ^= static_cast<uint64_t>(_mm_extract_epi64(r, 1));
        }
    }
}
bool have_clmul() {
    static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return has;
}
#else
void mul_words_hw(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* z) {
    mul_words_soft(a, na, b, nb, z);
}
bool have_clmul() { return false; }
#endif

void mul_words(const uint64_t* a, size_t na, const uint64_t* b, size_t nb, uint64_t* z) {
    if (have_clmul())
        mul_words_hw(a, na, b, nb, z);
    else
        mul_words_soft(a, na, b, nb, z);
}

// Karatsuba above this many words in both operands.
constexpr size_t kKaratsubaWords = 24;

// z[0 .. 2n) ^= a b for n-word a and b (z zeroed by the caller).
void kara(const uint64_t* a, const uint64_t* b, size_t n, uint64_t* z) {
    if (n < kKaratsubaWords) return mul_words(a, n, b, n, z);
    const size_t h = n / 2, k = n - h;
    // a = a0 + a1 X, b = b0 + b1 X with X = x^(64 h); a1, b1 have k words.
    std::vector<uint64_t> sa(k, 0), sb(k, 0), mid(2 * k, 0), lo(2 * h, 0), hi(2 * k, 0);
    for (size_t i = 0; i < k; ++i) {
        sa[i] = (i < h ? a[i] : 0) ^ a[h + i];
        sb[i] = (i < h ? b[i] : 0) ^ b[h + i];
    }
    kara(a, b, h, lo.data());
    kara(a + h, b + h, k, hi.data());
    kara(sa.data(), sb.data(), k, mid.data());
    for (size_t i = 0; i < 2 * h; ++i) mid[i] ^= lo[i];
    for (size_t i = 0; i < 2 * k; ++i) mid[i] ^= hi[i];
    for (size_t i = 0; i < 2 * h; ++i) z[i] ^= lo[i];
    for (size_t i = 0; i < 2 * k; ++i) z[2 * h + i] ^= hi[i];
    for (size_t i = 0; i < 2 * k; ++i) z[h + i] ^= mid[i];
}

// The 8 bits of a byte spread to the even places of 16.
struct Spread {
    uint16_t t[256];
    Spread() {
        for (int v = 0; v < 256; ++v) {
            uint16_t s = 0;
            for (int i = 0; i < 8; ++i)
                if (v >> i & 1) s = static_cast<uint16_t>(s | 1u << (2 * i));
            t[v] = s;
        }
    }
};

uint64_t spread32(uint32_t v) {
    static const Spread sp;
    return uint64_t{sp.t[v & 255]} | uint64_t{sp.t[v >> 8 & 255]} << 16 | uint64_t{sp.t[v >> 16 & 255]} << 32 |
           uint64_t{sp.t[v >> 24]} << 48;
}

}  // namespace

Poly2 mul(const Poly2& a, const Poly2& b) {
    Poly2 r;
    if (a.is_zero() || b.is_zero()) return r;
    const size_t na = a.w.size(), nb = b.w.size();
    r.w.assign(na + nb, 0);
    if (std::min(na, nb) >= kKaratsubaWords) {
        // Equal lengths for the recursion: the shorter one padded.
        const size_t n = std::max(na, nb);
        std::vector<uint64_t> x(a.w), y(b.w);
        x.resize(n, 0);
        y.resize(n, 0);
        r.w.assign(2 * n, 0);
        kara(x.data(), y.data(), n, r.w.data());
    } else {
        mul_words(a.w.data(), na, b.w.data(), nb, r.w.data());
    }
    r.trim();
    return r;
}

Poly2 sqr(const Poly2& a) {
    Poly2 r;
    r.w.resize(2 * a.w.size());
    for (size_t i = 0; i < a.w.size(); ++i) {
        r.w[2 * i] = spread32(static_cast<uint32_t>(a.w[i]));
        r.w[2 * i + 1] = spread32(static_cast<uint32_t>(a.w[i] >> 32));
    }
    r.trim();
    return r;
}

void add_shifted(Poly2& a, const Poly2& b, int32_t t) {
    if (b.is_zero()) return;
    const size_t off = static_cast<size_t>(t) / 64, s = static_cast<size_t>(t) % 64;
    const size_t need = off + b.w.size() + (s ? 1 : 0);
    if (a.w.size() < need) a.w.resize(need, 0);
    if (s == 0) {
        for (size_t i = 0; i < b.w.size(); ++i) a.w[off + i] ^= b.w[i];
    } else {
        uint64_t carry = 0;
        for (size_t i = 0; i < b.w.size(); ++i) {
            a.w[off + i] ^= b.w[i] << s | carry;
            carry = b.w[i] >> (64 - s);
        }
        a.w[off + b.w.size()] ^= carry;
    }
    a.trim();
}

void divide(Poly2& a, const Poly2& b, Poly2* q) {
    const int32_t db = b.degree();
    if (db < 0) internal_stop("gf2 divide by zero.");
    if (q) q->w.clear();
    for (int32_t da = a.degree(); da >= db; da = a.degree()) {
        if (q) {
            const size_t k = static_cast<size_t>(da - db);
            if (q->w.size() <= k / 64) q->w.resize(k / 64 + 1, 0);
            q->w[k / 64] |= uint64_t{1} << (k % 64);
        }
        add_shifted(a, b, da - db);
    }
}

Poly2 gcd(Poly2 a, Poly2 b) {
    while (!b.is_zero()) {
        divide(a, b, nullptr);
        std::swap(a, b);
    }
    return a;
}

Mod2::Mod2(Poly2 f) : f_(std::move(f)), n_(f_.degree()) {
    if (n_ < 1) internal_stop("Mod2: constant modulus.");
    shifts_.resize(64);
    for (int s = 0; s < 64; ++s) {
        Poly2 g;
        add_shifted(g, f_, s);
        g.w.resize(f_.w.size() + 1, 0);
        shifts_[static_cast<size_t>(s)] = std::move(g.w);
    }
}

namespace {

// Every set bit at n or above is cleared by f shifted into place, from the
// top down. A free function: a member declared without the clones (and
// used inline in the header) cannot be multiversioned under every compiler.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void clear_high_bits(std::vector<uint64_t>& w, int32_t top, int32_t n,
                     const std::vector<std::vector<uint64_t>>& shifts) {
    for (int32_t k = top; k >= n; --k) {
        const uint64_t word = w[static_cast<size_t>(k) / 64];
        if (!(word >> (k % 64) & 1)) continue;
        const int32_t t = k - n;
        const std::vector<uint64_t>& g = shifts[static_cast<size_t>(t % 64)];
        uint64_t* dst = w.data() + t / 64;
        const size_t len = std::min(g.size(), w.size() - static_cast<size_t>(t / 64));
        for (size_t i = 0; i < len; ++i) dst[i] ^= g[i];
    }
}

}  // namespace

Poly2 Mod2::reduce(Poly2 a) const {
    clear_high_bits(a.w, a.degree(), n_, shifts_);
    a.trim();
    return a;
}

}  // namespace tolmex::gf2
