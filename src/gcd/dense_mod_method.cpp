// The dense modular GCD: operands in several variables whose dense arrays
// are not much larger than their term counts go to the evaluation and
// interpolation GCD on arrays of residues (dense_gcd.cpp), over Z prime by
// prime and over Z/p directly.
//
// Over Z: modulo each prime p (not dividing either leading number) the
// monic GCD G_p and the cofactors A_p = a / G_p, B_p = b / G_p; with gamma
// the GCD of the leading numbers, H_p = gamma G_p is the image of
// H = gamma / lc(g) g, and H A_p = gamma a mod p. The images are combined
// entry by entry in mixed radix (the leading monomials sort out unlucky
// primes as in the other modular method). When a new prime changes none
// of H, A and B, and the product M of the primes exceeds twice
// |H|_1 |A|_inf (and the same for B) and twice |gamma a|_inf, |gamma b|_inf,
// then H A = gamma a and H B = gamma b hold over Z, not only modulo M: H
// divides gamma a and gamma b, and since no image has a lower leading
// monomial than g, the primitive part of H is g. No trial division is
// needed.
#include <cmath>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "gcd/dense_gcd.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "gcd/mod_images.h"
#include "gcd/polygcd.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"
#include "poly/poly_coefs.h"
#include "poly/poly_dense_view.h"
#include "poly/poly_divide.h"
#include "poly/poly_gcd_support.h"

namespace tolmex {

using gcdimpl::DenseMod;
using gcdimpl::leading_index;
using gcdimpl::Zp;

namespace {

// The dense arrays may hold at most this many entries, and at most
// kDenseRatio entries per term of the operand.
constexpr int64_t kMaxDenseEntries = int64_t{1} << 23;
constexpr int64_t kDenseRatio = 100;
// Images whose interpolation fails before the method declines.
constexpr int kMaxFailures = 3;

int64_t volume(const std::vector<int32_t>& e) {
    int64_t v = 1;
    for (int32_t x : e) {
        v *= x;
        if (v > kMaxDenseEntries) return v;
    }
    return v;
}

// The terms of p by index, the leading one first.
using Terms = std::vector<std::pair<int64_t, const Number*>>;

// p's terms when its dense array is small enough.
bool dense_terms(const PolyNode* p, int n, std::vector<int32_t>& extent, Terms& t) {
    if (!poly_dense_extents(p, n, extent)) return false;
    const int64_t v = volume(extent);
    if (v > kMaxDenseEntries || v > kDenseRatio * poly_num_terms(p)) return false;
    poly_dense_walk(p, extent, [&t](int64_t k, const Number& c) { t.emplace_back(k, &c); });
    return true;
}

// Both operands as dense views over the same levels.
struct Operands {
    std::vector<int32_t> ea, eb;
    Terms ta, tb;
};

// The work of the interpolation grows with the product of the extents of
// the evaluated levels: about that many one-variable GCDs of the first
// level. Beyond kMaxWork (in products of residues) the evaluation method
// over Z/p, which hands its smaller images back here, wins: five variables
// of degree 10 and 20 ((x+y+z+t+u+1)^10 + xyztu times two cofactors,
// 21^4 * 20^2 = 78e6) took 2.0 s dense against 1.5 s that way, while two
// variables of degree 200 (201 * 200^2 = 8e6) took 0.45 s against 13 s.
constexpr double kMaxWork = 3.3e7;

bool affordable(const std::vector<int32_t>& ea, const std::vector<int32_t>& eb) {
    double work = static_cast<double>(ea[0]) * eb[0];
    for (size_t i = 1; i < ea.size(); ++i) work *= std::max(ea[i], eb[i]);
    return work <= kMaxWork;
}

bool dense_operands(const PolyNode* a, const PolyNode* b, Operands& o) {
    const int n = std::max(deepest_level(a), deepest_level(b));
    return n >= 2 && poly_dense_extents(a, n, o.ea) && poly_dense_extents(b, n, o.eb) &&
           affordable(o.ea, o.eb) && dense_terms(a, n, o.ea, o.ta) && dense_terms(b, n, o.eb, o.tb);
}

// The integer terms modulo p.
DenseMod reduce(const Terms& t, const std::vector<int32_t>& extent, uint32_t p) {
    DenseMod d;
    d.extent = extent;
    d.c.assign(static_cast<size_t>(volume(extent)), 0);
    for (const auto& [k, c] : t) {
        const auto r = static_cast<uint32_t>(digits_mod(*c, p));
        d.c[static_cast<size_t>(k)] = c->sign() < 0 && r != 0 ? p - r : r;
    }
    return d;
}

// The residues of modular mode.
DenseMod residues(const Terms& t, const std::vector<int32_t>& extent) {
    DenseMod d;
    d.extent = extent;
    d.c.assign(static_cast<size_t>(volume(extent)), 0);
    for (const auto& [k, c] : t) d.c[static_cast<size_t>(k)] = static_cast<uint32_t>(c->lint());
    return d;
}

double log2_of(const Number& x) {
    std::vector<uint64_t> limbs(static_cast<size_t>(limbs_bound(x)) + 1);
    const int n = number_to_limbs(x, limbs.data(), static_cast<int>(limbs.size()));
    if (n == 0) return 0;
    return 64.0 * (n - 1) + std::log2(static_cast<double>(limbs[static_cast<size_t>(n - 1)]) + 1);
}

double log2_norm(const Terms& t) {
    double m = 0;
    for (const auto& entry : t) m = std::max(m, log2_of(*entry.second));
    return m;
}

// Entries recovered from their residues modulo several primes: the digits
// of each value in the mixed radix of the primes, |t_j| <= p_j / 2, so that
// the value lies in the symmetric range of the product.
class MixedRadix {
public:
    explicit MixedRadix(size_t n) : n_(n) {}
    // Takes the residues r modulo p; true when every new digit is 0 (the
    // values did not change).
    bool add(const std::vector<uint32_t>& r, uint32_t p) {
        const Zp f(p);
        std::vector<uint32_t> radix;  // the earlier primes mod p
        uint32_t m = 1;               // their product mod p
        for (uint32_t q : primes_) {
            radix.push_back(q % p);
            m = f.mul(m, radix.back());
        }
        const uint32_t inv = f.inverse(m);
        std::vector<int32_t> plane(n_);
        bool same = true;
        if (nonzero_.empty()) nonzero_.assign(n_, 0);
        for (size_t e = 0; e < n_; ++e) {
            // Most entries of the arrays stay 0 for every prime.
            if (r[e] == 0 && !nonzero_[e]) continue;
            nonzero_[e] = 1;
            const uint32_t t = f.mul(f.sub(r[e], value_mod(e, f, radix)), inv);
            plane[e] = t > p / 2 ? static_cast<int32_t>(t) - static_cast<int32_t>(p) : static_cast<int32_t>(t);
            same = same && plane[e] == 0;
        }
        planes_.push_back(std::move(plane));
        primes_.push_back(p);
        return same && primes_.size() > 1;
    }
    // log2 of a bound for |value e| (0 for zero).
    double log2_bound(size_t e) const {
        if (!nonzero_[e]) return 0;
        for (size_t j = planes_.size(); j-- > 0;) {
            const int32_t t = planes_[j][e];
            if (t == 0) continue;
            double b = std::log2(std::abs(static_cast<double>(t)) + 1);
            for (size_t i = 0; i < j; ++i) b += std::log2(static_cast<double>(primes_[i]));
            return b;
        }
        return 0;
    }
    // log2 of a bound for the sum (l1) or the largest (l_inf) of |values|.
    double log2_l1() const {
        double top = 0, count = 0;
        for (size_t e = 0; e < n_; ++e) {
            const double b = log2_bound(e);
            if (b > 0 || digit_nonzero(e)) ++count, top = std::max(top, b);
        }
        return count ? top + std::log2(count) : 0;
    }
    double log2_inf() const {
        double top = 0;
        for (size_t e = 0; e < n_; ++e) top = std::max(top, log2_bound(e));
        return top;
    }
    double log2_product() const {
        double s = 0;
        for (uint32_t p : primes_) s += std::log2(static_cast<double>(p));
        return s;
    }
    // False for a zero value; else c := the value.
    bool value(size_t e, Number& c) const {
        if (!digit_nonzero(e)) return false;
        size_t j = planes_.size() - 1;
        setvalue(planes_[j][e], c);
        while (j-- > 0) {
            Number t, d;
            fast_mult(c, number_from_int64(primes_[j]), t);
            setvalue(planes_[j][e], d);
            fastsum(t, d);
            c = std::move(t);
        }
        return true;
    }

private:
    bool digit_nonzero(size_t e) const {
        if (!nonzero_[e]) return false;
        for (const auto& plane : planes_)
            if (plane[e] != 0) return true;
        return false;
    }
    // Value e mod p by Horner's rule over its digits (a digit reaches p
    // only when a smaller prime follows much larger ones).
    uint32_t value_mod(size_t e, const Zp& f, const std::vector<uint32_t>& radix) const {
        const uint32_t p = f.prime();
        uint32_t v = 0;
        for (size_t j = planes_.size(); j-- > 0;) {
            const int32_t t = planes_[j][e];
            uint32_t a = t < 0 ? static_cast<uint32_t>(-static_cast<int64_t>(t)) : static_cast<uint32_t>(t);
            if (a >= p) a %= p;
            v = f.add(f.mul(v, radix[j]), t < 0 && a != 0 ? p - a : a);
        }
        return v;
    }

    size_t n_;
    std::vector<uint8_t> nonzero_;  // some residue of the entry was not 0
    std::vector<std::vector<int32_t>> planes_;
    std::vector<uint32_t> primes_;
};

// The combination of the images so far.
struct Combination {
    int64_t lead = -1;
    std::vector<int32_t> extent;
    MixedRadix h{0}, ca{0}, cb{0};
};

// |H A|_inf and |H B|_inf, bounded by the norms, and |gamma a|_inf and
// |gamma b|_inf lie below M / 2 (a bit of room for rounding).
bool bounds_hold(const Combination& c, double log_gamma_a, double log_gamma_b) {
    const double m = c.h.log2_product() - 2;
    const double h1 = c.h.log2_l1(), hi = c.h.log2_inf();
    const double ra = std::min(h1 + c.ca.log2_inf(), hi + c.ca.log2_l1());
    const double rb = std::min(h1 + c.cb.log2_inf(), hi + c.cb.log2_l1());
    return ra < m && rb < m && log_gamma_a < m && log_gamma_b < m;
}

// g := the primitive part of H with a positive leading number.
void primitive_of(const Combination& c, Poly& g) {
    Poly h(poly_from_dense(c.extent, [&c](int64_t k, Number& v) { return c.h.value(static_cast<size_t>(k), v); }));
    Number content;
    find_gcdcoefs(h.get(), content);
    if (!num_is_one(content)) divide_thru(h.get(), content);
    if (leading_number(h.get()).sign() < 0) poly_inplace(h.get());
    g = std::move(h);
}

// One prime's images: false when the interpolation failed there.
bool image(const Operands& o, uint32_t p, DenseMod& g, DenseMod& ca, DenseMod& cb) {
    const Zp f(p);
    TrustImages off(false);  // the bound needs the cofactors
    return gcdimpl::dense_gcd(f, reduce(o.ta, o.ea, p), reduce(o.tb, o.eb, p), g, ca, cb);
}

}  // namespace

bool dense_mod_method(const PolyNode* a, const PolyNode* b, Poly& g) {
    if (modularmode || lintmode) return false;
    Operands o;
    if (!dense_operands(a, b, o)) return false;
    const Number& la = *o.ta.front().second;
    const Number& lb = *o.tb.front().second;
    Number gamma;
    binary_gcd(la, lb, gamma);
    const double log_gamma = log2_of(gamma);
    const double log_a = log_gamma + log2_norm(o.ta), log_b = log_gamma + log2_norm(o.tb);
    Combination c;
    int failures = 0;
    for (int32_t prime : gcdimpl::modular_prime_supply()) {
        poll_interrupt();
        const auto p = static_cast<uint32_t>(prime);
        if (digits_mod(la, p) == 0 || digits_mod(lb, p) == 0) continue;
        DenseMod gp, cap, cbp;
        if (!image(o, p, gp, cap, cbp)) {
            if (++failures > kMaxFailures) return false;
            continue;
        }
        const int64_t lead = leading_index(gp.c);
        if (lead == 0) {
            poly_set(1, g);
            return true;
        }
        if (c.lead >= 0 && lead > c.lead) continue;  // an unlucky prime
        if (c.lead < 0 || lead < c.lead) {
            c = Combination{lead, gp.extent, MixedRadix(gp.c.size()), MixedRadix(cap.c.size()),
                            MixedRadix(cbp.c.size())};
        }
        const Zp f(p);
        uint32_t gamma_p = static_cast<uint32_t>(digits_mod(gamma, p));
        if (gamma.sign() < 0 && gamma_p != 0) gamma_p = p - gamma_p;
        for (uint32_t& v : gp.c) v = f.mul(v, gamma_p);
        const bool same_h = c.h.add(gp.c, p);
        const bool same_a = c.ca.add(cap.c, p);
        const bool same_b = c.cb.add(cbp.c, p);
            if (same_h && same_a && same_b && bounds_hold(c, log_a, log_b)) {
            primitive_of(c, g);
            return true;
        }
    }
    return false;
}

bool dense_modp_method(const PolyNode* a, const PolyNode* b, Poly& g) {
    if (!modularmode || !mod_is_prime || finf) return false;
    Operands o;
    if (!dense_operands(a, b, o)) return false;
    int32_t widest = 0;
    for (size_t i = 0; i < o.ea.size(); ++i) widest = std::max(widest, o.ea[i] + o.eb[i]);
    // Room for the points of every level and for the unlucky ones.
    if (static_cast<int64_t>(modulus) < 4 * static_cast<int64_t>(widest) + 64) return false;
    const Zp f(static_cast<uint32_t>(modulus));
    DenseMod gp, cap, cbp;
    if (!gcdimpl::dense_gcd(f, residues(o.ta, o.ea), residues(o.tb, o.eb), gp, cap, cbp)) return false;
    g.reset(poly_from_dense(gp.extent, [&gp](int64_t k, Number& v) {
        const uint32_t r = gp.c[static_cast<size_t>(k)];
        if (r == 0) return false;
        v = gcdimpl::residue(static_cast<int32_t>(r));
        return true;
    }));
    return true;
}

}  // namespace tolmex
