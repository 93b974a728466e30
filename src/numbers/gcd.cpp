// Greatest common divisors of big integers and machine words.
//
// Words use the binary method. Big operands use Lehmer's method: the leading
// 62 bits of both operands run the Euclidean quotient sequence in machine
// arithmetic for as long as the quotients are certain (both bounds agree)
// and the cofactors stay below 2^31; one pass over the digits then applies
// the cofactor matrix, removing about 30 bits. Operands of very different
// lengths, or a step that made no progress, take one long division instead.
#include <algorithm>

#include "base/errors.h"
#include "numbers/gcd.h"
#include "numbers/kernels.h"
#include "numbers/mul_div.h"
#include "numbers/storage.h"

namespace tolmex {

using namespace numstore;

namespace {

uint64_t gcd_words(uint64_t u, uint64_t v) {
    if (u == 0) return v;
    if (v == 0) return u;
    const int t = __builtin_ctzll(u | v);
    u >>= __builtin_ctzll(u);
    do {
        v >>= __builtin_ctzll(v);
        if (u > v) std::swap(u, v);
        v -= u;
    } while (v);
    return u << t;
}

uint64_t value64(const Digit* d, int64_t n) {
    uint64_t v = 0;
    for (int64_t i = n - 1; i >= 0; --i) v = (v << kDigitBits) | static_cast<uint32_t>(d[i]);
    return v;
}

uint64_t mod64(const Digit* d, int64_t n, uint64_t m) {
    unsigned __int128 r = 0;
    for (int64_t i = n - 1; i >= 0; --i)
        r = ((r << kDigitBits) | static_cast<uint32_t>(d[i])) % m;
    return static_cast<uint64_t>(r);
}

int64_t bit_length(const Digit* d, int64_t n) {
    return kDigitBits * (n - 1) + (32 - __builtin_clz(static_cast<uint32_t>(d[n - 1])));
}

// Bits shift .. shift + 61 of the magnitude d[0..n).
int64_t bits62(const Digit* d, int64_t n, int64_t shift) {
    const int64_t i0 = shift / kDigitBits;
    const int off = static_cast<int>(shift % kDigitBits);
    unsigned __int128 v = 0;
    for (int64_t i = std::min<int64_t>(n, i0 + 4) - 1; i >= i0; --i)
        v = (v << kDigitBits) | static_cast<uint32_t>(d[i]);
    return static_cast<int64_t>((v >> off) & ((uint64_t{1} << 62) - 1));
}

constexpr int64_t kCofactorLimit = int64_t{1} << 31;

// The cofactors of the quotient sequence of (uh, vh) that are certain.
struct Cofactors {
    int64_t a = 1, b = 0, c = 0, d = 1;
};

Cofactors lehmer_cofactors(int64_t uh, int64_t vh) {
    Cofactors m;
    for (;;) {
        const int64_t den1 = vh + m.c, den2 = vh + m.d;
        if (den1 <= 0 || den2 <= 0) break;
        const int64_t q = (uh + m.a) / den1;
        if (q != (uh + m.b) / den2) break;
        const __int128 nc = static_cast<__int128>(m.a) - static_cast<__int128>(q) * m.c;
        const __int128 nd = static_cast<__int128>(m.b) - static_cast<__int128>(q) * m.d;
        if (nc >= kCofactorLimit || nc <= -kCofactorLimit || nd >= kCofactorLimit ||
            nd <= -kCofactorLimit)
            break;
        m.a = m.c;
        m.c = static_cast<int64_t>(nc);
        m.b = m.d;
        m.d = static_cast<int64_t>(nd);
        const int64_t nv = uh - q * vh;
        uh = vh;
        vh = nv;
    }
    return m;
}

// x := a * u + b * v over n digits (v zero-padded from nv); false when the
// result would be negative or longer than n digits.
bool combine(Digit* x, int64_t a, const Digit* u, int64_t b, const Digit* v, int64_t nv,
             int64_t n) {
    int64_t c = 0;
    for (int64_t i = 0; i < n; ++i) {
        const int64_t vi = i < nv ? v[i] : 0;
        const int64_t s = a * u[i] + b * vi + c;
        x[i] = static_cast<Digit>(s & kDigitMask);
        c = s >> kDigitBits;
    }
    return c == 0;
}

// The gcd of the magnitudes a and b (both nonzero), into g.
void gcd_magnitudes(const Digit* a, int64_t na, const Digit* b, int64_t nb, Number& g) {
    const int64_t n = std::max(na, nb) + 1;
    DigitBuffer bu(n), bv(n), br(n), bt(n), bw(kern::divrem_scratch(n, n));
    Digit *u = bu.data(), *v = bv.data(), *r = br.data(), *t = bt.data();
    std::copy(a, a + na, u);
    std::copy(b, b + nb, v);
    int64_t nu = na, nv = nb;
    if (kern::cmp_abs(u, nu, v, nv) < 0) {
        std::swap(u, v);
        std::swap(nu, nv);
    }
    int steps = 0;
    for (;;) {
        nu = kern::strip(u, nu);
        nv = kern::strip(v, nv);
        if (nv == 0) break;
        if (nu <= 2) {
            const uint64_t w = gcd_words(value64(u, nu), value64(v, nv));
            set_int64(static_cast<int64_t>(w), g);
            return;
        }
        if (nv <= 2) {
            const uint64_t vv = value64(v, nv);
            const uint64_t w = gcd_words(vv, mod64(u, nu, vv));
            set_int64(static_cast<int64_t>(w), g);
            return;
        }
        if ((++steps & 255) == 0) poll_interrupt();
        bool lehmer = false;
        if (nu - nv <= 1) {
            const int64_t shift = std::max<int64_t>(bit_length(u, nu) - 62, 0);
            const Cofactors m = lehmer_cofactors(bits62(u, nu, shift), bits62(v, nv, shift));
            if (m.b != 0 && combine(r, m.a, u, m.b, v, nv, nu) &&
                combine(t, m.c, u, m.d, v, nv, nu)) {
                std::swap(u, r);
                std::swap(v, t);
                lehmer = true;
            }
        }
        if (!lehmer) {
            // u, v := v, u mod v
            kern::divrem(nullptr, r, u, nu, v, nv, bw.data(), &poll_interrupt);
            std::swap(u, v);
            std::swap(v, r);
            nu = nv;
        }
    }
    assign_digits(g, u, nu);
}

}  // namespace

int64_t smallgcd64(int64_t u, int64_t v) {
    return static_cast<int64_t>(
        gcd_words(static_cast<uint64_t>(u < 0 ? -u : u), static_cast<uint64_t>(v < 0 ? -v : v)));
}

int32_t smallgcd(int32_t u, int32_t v) { return static_cast<int32_t>(smallgcd64(u, v)); }

void binary_gcd(const Number& a, const Number& b, Number& g) {
    if (a.size() == 1 && b.size() == 1) {
        Number r;
        set_int64(smallgcd64(a.digits()[0], b.digits()[0]), r);
        g = std::move(r);
        return;
    }
    Magnitude ma(a.digits()), mb(b.digits());
    Number r;
    gcd_magnitudes(ma.data(), ma.size(), mb.data(), mb.size(), r);
    g = std::move(r);
}

}  // namespace tolmex
