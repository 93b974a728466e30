#include "gcd/powermod.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <utility>

#include "base/errors.h"
#include "numbers/field_tables.h"
#include "numbers/modular_state.h"
#include "poly/poly_residues.h"

namespace tolmex::gcdimpl {

int32_t ntt_product_cut = 96;
int32_t newton_reduce_cut = 64;

namespace {

// ---------------------------------------------------------------------------
// Number-theoretic transforms modulo three primes c 2^k + 1 below 2^30, each
// with primitive root 3. A product of residues below 2^31 of length n has
// coefficients below n 2^62, which the three primes' product (about 2^86)
// recovers exactly; smaller moduli need fewer primes.

constexpr uint32_t kP1 = 998244353;  // 119 2^23 + 1
constexpr uint32_t kP2 = 167772161;  // 5 2^25 + 1
constexpr uint32_t kP3 = 469762049;  // 7 2^26 + 1
constexpr int kMaxLog = 23;          // the transform length the three share

template <uint32_t P>
uint32_t pw(uint64_t b, uint64_t e) {
    uint64_t r = 1;
    b %= P;
    for (; e; e >>= 1, b = b * b % P)
        if (e & 1) r = r * b % P;
    return static_cast<uint32_t>(r);
}

// The roots: rt[k + j] = w^j for the primitive 2k-th root w, k a power of 2.
template <uint32_t P>
const std::vector<uint32_t>& roots(size_t n) {
    static std::vector<uint32_t> rt{1, 1};
    // The table doubles: rt[k .. 2k) from the primitive 2k-th root.
    for (size_t k = rt.size(); k < n; k *= 2) {
        int s = 0;
        while ((size_t{1} << s) < 2 * k) ++s;
        const uint64_t z = pw<P>(3, (P - 1) >> s);
        rt.resize(2 * k);
        for (size_t i = k; i < 2 * k; ++i) rt[i] = static_cast<uint32_t>(i & 1 ? rt[i / 2] * z % P : rt[i / 2]);
    }
    return rt;
}

// The bit-reversal permutation that starts both transforms.
template <class T>
inline void bit_reverse(std::vector<T>& a) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
}

template <uint32_t P>
void ntt(std::vector<uint32_t>& a) {
    const size_t n = a.size();
    const std::vector<uint32_t>& rt = roots<P>(n);
    bit_reverse(a);
    for (size_t k = 1; k < n; k *= 2)
        for (size_t i = 0; i < n; i += 2 * k)
            for (size_t j = 0; j < k; ++j) {
                const uint32_t z = static_cast<uint32_t>(uint64_t{rt[j + k]} * a[i + j + k] % P);
                const uint32_t ai = a[i + j];
                a[i + j + k] = ai >= z ? ai - z : ai + P - z;
                const uint32_t s = ai + z;
                a[i + j] = s >= P ? s - P : s;
            }
}

// c := a * b modulo P (c has the transform length).
template <uint32_t P>
void convolve(const Residues& a, const Residues& b, size_t n, std::vector<uint32_t>& c) {
    std::vector<uint32_t> x(n, 0);
    for (size_t i = 0; i < a.size(); ++i) x[i] = static_cast<uint32_t>(a[i]) % P;
    ntt<P>(x);
    if (&a == &b) {
        for (size_t i = 0; i < n; ++i) x[i] = static_cast<uint32_t>(uint64_t{x[i]} * x[i] % P);
    } else {
        std::vector<uint32_t> y(n, 0);
        for (size_t i = 0; i < b.size(); ++i) y[i] = static_cast<uint32_t>(b[i]) % P;
        ntt<P>(y);
        for (size_t i = 0; i < n; ++i) x[i] = static_cast<uint32_t>(uint64_t{x[i]} * y[i] % P);
    }
    ntt<P>(x);
    // The inverse transform is the forward one read backwards, over n.
    std::reverse(x.begin() + 1, x.end());
    const uint64_t inv = pw<P>(n, P - 2);
    c.resize(n);
    for (size_t i = 0; i < n; ++i) c[i] = static_cast<uint32_t>(x[i] * inv % P);
}

// How many transform primes recover the exact coefficients of a product of
// length-m operands modulo p: (p - 1)^2 m must stay below their product.
int primes_needed(uint32_t p, size_t m) {
    const long double bound = static_cast<long double>(p - 1) * (p - 1) * static_cast<long double>(m);
    if (bound < kP1) return 1;
    if (bound < static_cast<long double>(kP1) * kP2) return 2;
    return 3;
}

// ---------------------------------------------------------------------------
// Products by a complex transform in double precision, for the small moduli:
// the residues taken between -p/2 and p/2 keep the coefficients of the
// product small enough that rounding recovers them exactly while
// (sum a_i^2 + sum b_i^2) log2 N stays below 9 10^14.

using Cd = std::complex<double>;

const std::vector<Cd>& fft_roots(size_t n) {
    static std::vector<Cd> rt(2, Cd(1, 0));
    static std::vector<std::complex<long double>> R(2, 1);
    for (size_t k = rt.size(); k < n; k *= 2) {
        rt.resize(2 * k);
        R.resize(2 * k);
        const std::complex<long double> x = std::polar(1.0L, std::acos(-1.0L) / static_cast<long double>(k));
        for (size_t i = k; i < 2 * k; ++i) {
            R[i] = i & 1 ? R[i / 2] * x : R[i / 2];
            rt[i] = Cd(static_cast<double>(R[i].real()), static_cast<double>(R[i].imag()));
        }
    }
    return rt;
}

#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void fft(std::vector<Cd>& a) {
    const size_t n = a.size();
    const std::vector<Cd>& rt = fft_roots(n);
    bit_reverse(a);
    for (size_t k = 1; k < n; k *= 2)
        for (size_t i = 0; i < n; i += 2 * k)
            for (size_t j = 0; j < k; ++j) {
                const Cd& r = rt[j + k];
                Cd& y = a[i + j + k];
                const Cd z(r.real() * y.real() - r.imag() * y.imag(), r.real() * y.imag() + r.imag() * y.real());
                y = a[i + j] - z;
                a[i + j] += z;
            }
}

double centered(int32_t v, int32_t p) { return static_cast<double>(v - (v > p / 2 ? p : 0)); }

// The bound is taken from the sizes: every centred residue is at most p/2.
bool fft_exact(const Residues& a, const Residues& b, size_t n) {
    const int32_t p = modulus;
    if (p > (1 << 22)) return false;
    int lg = 1;
    while ((size_t{1} << lg) < n) ++lg;
    const double half = p / 2 + 1;
    return static_cast<double>(a.size() + b.size()) * half * half * lg < 9e14;
}

// Both operands in one transform: a in the real parts, b in the imaginary
// ones; the square of the transform holds a b in its imaginary part.
// With n below the product's length the product wraps round: modulo
// x^n - 1.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
Residues fft_product(const Residues& a, const Residues& b, size_t n) {
    const int32_t p = modulus;
    const size_t len = std::min(a.size() + b.size() - 1, n);
    std::vector<Cd> in(n), out(n);
    for (size_t i = 0; i < a.size(); ++i) in[i].real(centered(a[i], p));
    for (size_t i = 0; i < b.size(); ++i) in[i].imag(centered(b[i], p));
    fft(in);
    for (Cd& x : in) {
        const double re = x.real(), im = x.imag();
        x = Cd(re * re - im * im, 2 * re * im);
    }
    for (size_t i = 0; i < n; ++i) out[i] = in[-i & (n - 1)] - std::conj(in[i]);
    fft(out);
    Residues z(len);
    const double scale = 1.0 / (4.0 * static_cast<double>(n));
    // The rounded coefficients are integers below 2^53 in size: their
    // residues come from a double quotient, corrected by one step.
    const double dp = p, inv = 1.0 / dp;
    for (size_t i = 0; i < len; ++i) {
        const double v = std::nearbyint(out[i].imag() * scale);
        double r = v - dp * std::floor(v * inv);
        if (r < 0) r += dp;
        if (r >= dp) r -= dp;
        z[i] = static_cast<int32_t>(r);
    }
    trim(z);
    return z;
}

Residues ntt_product(const Residues& a, const Residues& b) {
    const size_t len = a.size() + b.size() - 1;
    size_t n = 1;
    while (n < len) n *= 2;
    if (fft_exact(a, b, n)) return fft_product(a, b, n);
    const uint32_t p = static_cast<uint32_t>(modulus);
    const int k = primes_needed(p, std::min(a.size(), b.size()));
    std::vector<uint32_t> c1, c2, c3;
    convolve<kP1>(a, b, n, c1);
    if (k >= 2) convolve<kP2>(a, b, n, c2);
    if (k >= 3) convolve<kP3>(a, b, n, c3);
    Residues z(len);
    // Garner's mixed radix: v = t1 + P1 t2 + P1 P2 t3.
    const uint64_t inv12 = pw<kP2>(kP1, kP2 - 2);
    const uint64_t inv123 = pw<kP3>(uint64_t{kP1} * kP2 % kP3, kP3 - 2);
    const uint64_t p1p = kP1 % p, p12p = uint64_t{kP1} * kP2 % p;
    for (size_t i = 0; i < len; ++i) {
        const uint64_t t1 = c1[i];
        if (k == 1) {
            z[i] = static_cast<int32_t>(t1 % p);
            continue;
        }
        const uint64_t t2 = (c2[i] + kP2 - t1 % kP2) % kP2 * inv12 % kP2;
        if (k == 2) {
            z[i] = static_cast<int32_t>((t1 + uint64_t{kP1} * t2) % p);
            continue;
        }
        const uint64_t low = (t1 + uint64_t{kP1} * t2) % kP3;
        const uint64_t t3 = (c3[i] + kP3 - low) % kP3 * inv123 % kP3;
        z[i] = static_cast<int32_t>((t1 % p + p1p * t2 % p + p12p * t3 % p) % p);
    }
    trim(z);
    return z;
}

int32_t field_square(int32_t v) {
    if (modulus == 2 || v == 0) return v;
    if (f256) return f256prod[v][v];
    const uint32_t s = 2u * f2t16log[v];
    return f2t16exp[s % 65535];
}

// The square in characteristic 2 spreads the squared coefficients.
Residues char2_square(const Residues& a) {
    Residues z(2 * a.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i) z[2 * i] = field_square(a[i]);
    return z;
}

Residues low_part(Residues a, int32_t n) {
    if (static_cast<int32_t>(a.size()) > n) a.resize(static_cast<size_t>(n));
    trim(a);
    return a;
}

Residues reversed(const Residues& a, int32_t len) {
    Residues r(static_cast<size_t>(len), 0);
    for (int32_t i = 0; i < len && i < static_cast<int32_t>(a.size()); ++i) r[len - 1 - i] = a[i];
    return r;
}

}  // namespace

// The transforms serve lengths up to 2^23 (beyond, Karatsuba).
bool transform_pays(const Residues& a, const Residues& b) {
    return !finf && static_cast<int32_t>(std::min(a.size(), b.size())) > ntt_product_cut &&
           a.size() + b.size() - 1 <= (size_t{1} << kMaxLog);
}

Residues fast_product(const Residues& a, const Residues& b) {
    if (a.empty() || b.empty()) return {};
    if (transform_pays(a, b)) return ntt_product(a, b);
    return product(a, b);
}

Residues fast_square(const Residues& a) {
    if (a.empty()) return {};
    if (finf || modulus == 2) return char2_square(a);
    if (transform_pays(a, a)) return ntt_product(a, a);
    return product(a, a);
}

// ---------------------------------------------------------------------------
// Exponents

Exponent::Exponent(uint64_t v) {
    for (; v; v >>= 32) limbs_.push_back(static_cast<uint32_t>(v));
}

void Exponent::trim() {
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

void Exponent::mul_small(uint32_t m) {
    uint64_t carry = 0;
    for (uint32_t& l : limbs_) {
        const uint64_t t = uint64_t{l} * m + carry;
        l = static_cast<uint32_t>(t);
        carry = t >> 32;
    }
    if (carry) limbs_.push_back(static_cast<uint32_t>(carry));
    trim();
}

void Exponent::mul(const Exponent& m) {
    std::vector<uint32_t> r(limbs_.size() + m.limbs_.size() + 1, 0);
    for (size_t i = 0; i < limbs_.size(); ++i) {
        uint64_t carry = 0;
        for (size_t j = 0; j < m.limbs_.size(); ++j) {
            const uint64_t t = uint64_t{limbs_[i]} * m.limbs_[j] + r[i + j] + carry;
            r[i + j] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        r[i + m.limbs_.size()] = static_cast<uint32_t>(carry);
    }
    limbs_ = std::move(r);
    trim();
}

Exponent Exponent::power(const Exponent& q, int32_t d) {
    Exponent r(1);
    for (int32_t i = 0; i < d; ++i) r.mul(q);
    return r;
}

void Exponent::sub_one() {
    for (uint32_t& l : limbs_)
        if (l-- != 0) break;
    trim();
}

void Exponent::halve() {
    for (size_t i = 0; i < limbs_.size(); ++i) {
        limbs_[i] >>= 1;
        if (i + 1 < limbs_.size()) limbs_[i] |= limbs_[i + 1] << 31;
    }
    trim();
}

int32_t Exponent::bits() const {
    if (limbs_.empty()) return 0;
    return static_cast<int32_t>(32 * (limbs_.size() - 1)) + 32 - __builtin_clz(limbs_.back());
}

bool Exponent::bit(int32_t i) const {
    const size_t w = static_cast<size_t>(i) / 32;
    return w < limbs_.size() && (limbs_[w] >> (i % 32) & 1);
}

uint64_t Exponent::low64() const {
    if (limbs_.size() > 2) return 0;
    uint64_t v = 0;
    for (size_t i = limbs_.size(); i-- > 0;) v = v << 32 | limbs_[i];
    return v;
}

// ---------------------------------------------------------------------------
// Reduction

Residues series_inverse(const Residues& a, int32_t n) {
    Residues g{r_inv(a[0])};
    for (int32_t m = 1; m < n;) {
        m = std::min(2 * m, n);
        // g := g (2 - a g) mod x^m, written as g - g (a g - 1).
        Residues e = low_part(fast_product(low_part(a, m), g), m);
        if (!e.empty()) e[0] = r_sub(e[0], 1);
        trim(e);
        const Residues c = low_part(fast_product(g, e), m);
        g = difference(g, c);
    }
    return g;
}

ModPoly::ModPoly(Residues f) : f_(std::move(f)) {
    make_monic(f_);
    const int32_t n = deg();
    if (n < 1) internal_stop("ModPoly: constant modulus.");
    if (n >= newton_reduce_cut) finv_ = series_inverse(reversed(f_, n + 1), n - 1);
}

namespace {

// a - q f below x^n from q (f - x^n) modulo x^N - 1 (N >= n): what wraps
// round, the product's coefficients from N on, is a's there less q x^n's,
// since a - q f has degree below n.
Residues wrapped_remainder(const Residues& a, const Residues& q, const Residues& fl, size_t n, size_t N) {
    const Residues c = fft_product(q, fl, N);
    auto at = [](const Residues& v, size_t k) { return k < v.size() ? v[k] : 0; };
    Residues r(n);
    for (size_t k = 0; k < n; ++k) {
        // r_k = a_k - (q fl)_k, with (q fl)_k = c_k - a_(k+N) + q_(k+N-n).
        const int32_t qfl = r_add(r_sub(at(c, k), at(a, k + N)), at(q, k + N - n));
        r[k] = r_sub(at(a, k), qfl);
    }
    trim(r);
    return r;
}

}  // namespace

Residues ModPoly::reduce(Residues a) const {
    const int32_t n = deg(), da = degree(a);
    if (da < n) return a;
    if (finv_.empty() || da > 2 * n - 2) {
        remainder_in_place(a, f_);
        return a;
    }
    // The quotient's reversal is rev(a) / rev(f) to m + 1 terms.
    const int32_t m = da - n;
    Residues top(a.begin() + n, a.end());  // the coefficients that fix q
    const Residues qrev = low_part(fast_product(reversed(top, m + 1), low_part(finv_, m + 1)), m + 1);
    const Residues q = reversed(qrev, m + 1);
    const Residues fl = low_part(f_, n);
    size_t N = 1;
    while (N < static_cast<size_t>(n)) N *= 2;
    if (!q.empty() && !fl.empty() && !finf && fft_exact(q, fl, N)) return wrapped_remainder(a, q, fl, static_cast<size_t>(n), N);
    const Residues qf = low_part(fast_product(q, fl), n);
    a.resize(static_cast<size_t>(n));
    trim(a);
    return difference(a, qf);
}

Residues ModPoly::reduce_any(Residues a) const {
    const int32_t n = deg();
    if (finv_.empty()) {
        remainder_in_place(a, f_);
        return a;
    }
    while (degree(a) > 2 * n - 2) {
        // a = hi x^s + lo with hi of degree 2n - 2: hi is replaced by its
        // remainder.
        const size_t s = a.size() - static_cast<size_t>(2 * n - 1);
        Residues hi = reduce(Residues(a.begin() + static_cast<std::ptrdiff_t>(s), a.end()));
        a.resize(s + hi.size());
        for (size_t i = 0; i < hi.size(); ++i) a[s + i] = hi[i];
        trim(a);
    }
    return reduce(std::move(a));
}

Residues ModPoly::mulmod(const Residues& a, const Residues& b) const { return reduce(fast_product(a, b)); }

namespace {

// The transform of a fixed real operand at length n.
struct Spectrum {
    size_t n = 0;
    std::vector<Cd> s;
};

Spectrum spectrum(const Residues& b, size_t n) {
    Spectrum sp;
    sp.n = n;
    sp.s.assign(n, Cd(0, 0));
    for (size_t i = 0; i < b.size(); ++i) sp.s[i] = Cd(centered(b[i], modulus), 0);
    fft(sp.s);
    return sp;
}

// c1 := a1 b and c2 := a2 b modulo x^n - 1 from one transform of a1 + i a2:
// b being real, the product's real part is a1 b and its imaginary part a2 b.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void pair_product(const Residues& a1, const Residues& a2, const Spectrum& B, Residues& c1, Residues& c2) {
    const size_t n = B.n;
    const int32_t p = modulus;
    std::vector<Cd> z(n, Cd(0, 0));
    for (size_t i = 0; i < a1.size(); ++i) z[i].real(centered(a1[i], p));
    for (size_t i = 0; i < a2.size(); ++i) z[i].imag(centered(a2[i], p));
    fft(z);
    // The inverse transform as the conjugate of the forward one of the
    // conjugate.
    for (size_t k = 0; k < n; ++k) z[k] = std::conj(z[k] * B.s[k]);
    fft(z);
    const double dp = p, inv = 1.0 / dp, scale = 1.0 / static_cast<double>(n);
    auto residue = [&](double x) {
        const double v = std::nearbyint(x * scale);
        double r = v - dp * std::floor(v * inv);
        if (r < 0) r += dp;
        if (r >= dp) r -= dp;
        return static_cast<int32_t>(r);
    };
    c1.resize(n);
    c2.resize(n);
    for (size_t i = 0; i < n; ++i) {
        c1[i] = residue(z[i].real());
        c2[i] = residue(-z[i].imag());
    }
    trim(c1);
    trim(c2);
}

size_t pow2_at_least(size_t v) {
    size_t n = 1;
    while (n < v) n *= 2;
    return n;
}

// The pair's reduction data: the transforms of rev(f)^-1 and of f - x^n.
struct PairReducer {
    int32_t n;
    Spectrum inv, low;
    // r1, r2 := a1, a2 mod f for a1, a2 of degree below 2n - 1.
    void reduce(const Residues& a1, const Residues& a2, Residues& r1, Residues& r2) const {
        const size_t un = static_cast<size_t>(n);
        // Both quotients as if a had degree 2n - 2: n - 1 terms.
        auto top_rev = [&](const Residues& a) {
            Residues t(un - 1, 0);
            for (size_t i = un; i < a.size(); ++i) t[2 * un - 2 - i] = a[i];
            return t;
        };
        Residues q1, q2;
        pair_product(top_rev(a1), top_rev(a2), inv, q1, q2);
        auto quotient = [&](Residues& q) {
            q.resize(un - 1, 0);
            std::reverse(q.begin(), q.end());
            trim(q);
        };
        quotient(q1);
        quotient(q2);
        Residues c1, c2;
        pair_product(q1, q2, low, c1, c2);
        r1 = unwrap(a1, q1, c1);
        r2 = unwrap(a2, q2, c2);
    }
    // a - q f below x^n from c = q (f - x^n) modulo x^N - 1.
    Residues unwrap(const Residues& a, const Residues& q, const Residues& c) const {
        const size_t un = static_cast<size_t>(n), N = low.n;
        auto at = [](const Residues& v, size_t k) { return k < v.size() ? v[k] : 0; };
        Residues r(un);
        for (size_t k = 0; k < un; ++k)
            r[k] = r_sub(at(a, k), r_add(r_sub(at(c, k), at(a, k + N)), at(q, k + N - un)));
        trim(r);
        return r;
    }
};

}  // namespace

bool ModPoly::paired_powers(const Residues& g, int32_t count, void (*sink)(void*, int32_t, const Residues&),
                           void* ctx) const {
    const size_t n = static_cast<size_t>(deg());
    if (finv_.empty() || finf || count < 4) return false;
    const size_t N = pow2_at_least(2 * n - 1);
    const Residues full(n, 1);
    if (!fft_exact(full, full, N)) return false;
    const Residues g2 = sqrmod(g);
    const Spectrum G2 = spectrum(g2, N);
    const PairReducer R{deg(), spectrum(low_part(finv_, static_cast<int32_t>(n) - 1), N),
                        spectrum(low_part(f_, static_cast<int32_t>(n)), pow2_at_least(n))};
    Residues even{1}, odd = g;
    for (int32_t i = 0; i < count; i += 2) {
        sink(ctx, i, even);
        if (i + 1 < count) sink(ctx, i + 1, odd);
        if (i + 2 >= count) break;
        Residues p1, p2;
        pair_product(even, odd, G2, p1, p2);
        R.reduce(p1, p2, even, odd);
    }
    return true;
}

Residues ModPoly::sqrmod(const Residues& a) const { return reduce(fast_square(a)); }

// Sliding windows of up to five bits: the odd powers a, a^3, ..., a^31 are
// made first.
Residues powermod(const Residues& a, const ModPoly& m, const Exponent& e, bool show) {
    const int32_t nbits = e.bits();
    if (nbits == 0) return Residues{1};
    const int32_t w = nbits > 256 ? 5 : nbits > 24 ? 4 : 1;
    std::vector<Residues> odd(size_t{1} << (w - 1));
    odd[0] = m.reduce(a);
    if (w > 1) {
        const Residues a2 = m.sqrmod(odd[0]);
        for (size_t k = 1; k < odd.size(); ++k) odd[k] = m.mulmod(odd[k - 1], a2);
    }
    Residues r;
    bool started = false;
    int32_t squarings = 0;
    for (int32_t i = nbits - 1; i >= 0;) {
        if (!e.bit(i)) {
            if (started) r = m.sqrmod(r);
            --i;
            if (++squarings % 64 == 0) {
                if (show) std::printf(".");
                poll_interrupt();
            }
            continue;
        }
        // The longest window of at most w bits ending in a 1.
        int32_t j = std::max(i - w + 1, 0);
        while (!e.bit(j)) ++j;
        uint32_t v = 0;
        for (int32_t k = i; k >= j; --k) {
            v = v << 1 | (e.bit(k) ? 1u : 0u);
            if (started) r = m.sqrmod(r);
        }
        r = started ? m.mulmod(r, odd[v >> 1]) : odd[v >> 1];
        started = true;
        i = j - 1;
    }
    if (show) std::printf("\n");
    return r;
}

bool FrobeniusMatrix::pays(int32_t n) {
    return !finf && modulus >= 16 && modulus < (1 << 20) && n >= 64 && n <= 4096;
}

FrobeniusMatrix::FrobeniusMatrix(const ModPoly& m, const Residues& xq) : n_(m.deg()) {
    const size_t n = static_cast<size_t>(n_);
    // Moduli below 2^16 keep the rows in half the memory: each step reads
    // the whole matrix.
    if (modulus < 65536)
        rows16_.assign(n * n, 0);
    else
        rows_.assign(n * n, 0);
    m.powers(xq, n_, [&](int32_t i, const Residues& r) {
        const size_t at = static_cast<size_t>(i) * n;
        for (size_t j = 0; j < r.size(); ++j) {
            if (rows16_.empty())
                rows_[at + j] = static_cast<uint32_t>(r[j]);
            else
                rows16_[at + j] = static_cast<uint16_t>(r[j]);
        }
        poll_interrupt();
    });
}

namespace {

// acc += sum h_i row_i over the rows of the matrix.
template <class T>
[[gnu::always_inline]] inline void row_sums_of(const Residues& h, const T* rows, size_t n, uint64_t* acc) {
    for (size_t i = 0; i < h.size(); ++i) {
        const uint32_t c = static_cast<uint32_t>(h[i]);
        if (c == 0) continue;
        const T* row = rows + i * n;
        for (size_t j = 0; j < n; ++j) acc[j] += uint64_t{c} * row[j];
    }
}

// One build per row width (multiversioned functions cannot be templates).
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void row_sums(const Residues& h, const uint32_t* rows, size_t n, uint64_t* acc) {
    row_sums_of(h, rows, n, acc);
}

#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void row_sums16(const Residues& h, const uint16_t* rows, size_t n, uint64_t* acc) {
    row_sums_of(h, rows, n, acc);
}

}  // namespace

// The row sums are the inner loop of factoring over the small primes: a
// build for processors with wider vectors is chosen at run time.
Residues FrobeniusMatrix::apply(const Residues& h) const {
    const size_t n = static_cast<size_t>(n_);
    std::vector<uint64_t> acc(n, 0);
    if (rows16_.empty())
        row_sums(h, rows_.data(), n, acc.data());
    else
        row_sums16(h, rows16_.data(), n, acc.data());
    Residues z(n);
    const uint64_t p = static_cast<uint64_t>(modulus);
    for (size_t j = 0; j < n; ++j) z[j] = static_cast<int32_t>(acc[j] % p);
    trim(z);
    return z;
}

}  // namespace tolmex::gcdimpl
