// The GCD over Z/p on dense arrays, one variable at a time.
//
// With n variables, a and b are seen as polys in x_1 .. x_{n-1} whose
// coefficients ("cells") are polys of x_n. gamma, the GCD of the two
// leading cells, is the leading coefficient the GCD's images are scaled
// to: at a point x_n = t where neither leading cell vanishes, the monic
// GCD of a(t) and b(t) (computed recursively, with its cofactors) times
// gamma(t) is the value at t of H = gamma / lc(g) * g, and the cofactors
// are the values of a gamma / H and b gamma / H. The three are
// interpolated in x_n point by point (Newton's form). An image whose
// leading monomial is higher than another's comes from an unlucky point
// and is dropped; a lower one discards the points before it.
//
// The interpolation is complete when deg H + deg A = deg gamma + deg a and
// deg H + deg B = deg gamma + deg b (degrees in x_n): once every point was
// lucky an interpolant short of its true degree makes the sum fall short.
// A check of H A = gamma a and H B = gamma b at one random point of all n
// variables guards against a run of unlucky points. The GCD is then the
// GCD of the contents of a and b in x_n times the primitive part of H.
#include "gcd/dense_gcd.h"

#include <algorithm>

#include "base/errors.h"
#include "gcd/gcd_state.h"
#include "numbers/residue.h"

namespace tolmex::gcdimpl {

uint32_t Zp::inverse(uint32_t a) const {
    int64_t g = 0;
    return static_cast<uint32_t>(euclid_inverse(a, p_, g));
}

int64_t leading_index(const std::vector<uint32_t>& c) {
    for (int64_t k = static_cast<int64_t>(c.size()) - 1; k >= 0; --k)
        if (c[static_cast<size_t>(k)] != 0) return k;
    return -1;
}

namespace {

// A poly of one variable: index = exponent, no trailing zeros.
using Uni = std::vector<uint32_t>;

void trim(Uni& a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
}
int32_t degree(const Uni& a) { return static_cast<int32_t>(a.size()) - 1; }

// x[k] := x[k] - q y[k] for k < n, with q's quotient by p precomputed.
void sub_multiple(const Zp& f, uint32_t* x, const uint32_t* y, int32_t n, uint32_t q) {
    const uint32_t p = f.prime();
    const uint32_t qs = static_cast<uint32_t>((uint64_t{q} << 32) / p);
    for (int32_t k = 0; k < n; ++k) {
        const uint32_t hi = static_cast<uint32_t>((uint64_t{qs} * y[k]) >> 32);
        uint32_t t = q * y[k] - hi * p;  // q y[k] mod p, plus p at most
        if (t >= p) t -= p;
        x[k] = x[k] >= t ? x[k] - t : x[k] + p - t;
    }
}

void scale(const Zp& f, Uni& a, uint32_t c) {
    for (uint32_t& v : a) v = f.mul(v, c);
}

void make_monic(const Zp& f, Uni& a) {
    if (!a.empty() && a.back() != 1) scale(f, a, f.inverse(a.back()));
}

// x := x mod y (y nonzero); q := the quotient when wanted.
void divide(const Zp& f, Uni& x, const Uni& y, Uni* q) {
    const int32_t dy = degree(y), dx = degree(x);
    if (q) q->assign(static_cast<size_t>(std::max(dx - dy + 1, 0)), 0);
    if (dx < dy) return;
    const uint32_t inv = f.inverse(y.back());
    for (int32_t i = dx; i >= dy; --i) {
        const uint32_t c = x[static_cast<size_t>(i)];
        if (c == 0) continue;
        const uint32_t qi = f.mul(c, inv);
        if (q) (*q)[static_cast<size_t>(i - dy)] = qi;
        sub_multiple(f, x.data() + i - dy, y.data(), dy, qi);
        x[static_cast<size_t>(i)] = 0;
    }
    trim(x);
}

// x / y when y divides x.
bool divide_exact(const Zp& f, Uni x, const Uni& y, Uni& q) {
    divide(f, x, y, &q);
    trim(q);
    return x.empty();
}

// The monic GCD (zero for two zeros).
Uni gcd(const Zp& f, Uni a, Uni b) {
    trim(a);
    trim(b);
    while (!b.empty()) {
        divide(f, a, b, nullptr);
        std::swap(a, b);
    }
    make_monic(f, a);
    return a;
}

Uni product(const Zp& f, const Uni& a, const Uni& b) {
    if (a.empty() || b.empty()) return {};
    Uni r(a.size() + b.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != 0)
            for (size_t j = 0; j < b.size(); ++j) r[i + j] = f.add(r[i + j], f.mul(a[i], b[j]));
    return r;
}

uint32_t value_at(const Zp& f, const uint32_t* a, int32_t n, uint32_t t) {
    uint32_t v = 0;
    for (int32_t k = n - 1; k >= 0; --k) v = f.add(f.mul(v, t), a[k]);
    return v;
}

// 1, t, t^2, ..., t^(n-1).
std::vector<uint32_t> powers(const Zp& f, uint32_t t, int32_t n) {
    std::vector<uint32_t> pw(static_cast<size_t>(std::max(n, 1)));
    pw[0] = 1;
    for (size_t k = 1; k < pw.size(); ++k) pw[k] = f.mul(pw[k - 1], t);
    return pw;
}

// sum a[k] pw[k] for k < n: the products summed in 128 bits and reduced
// once, with no chain of dependent products as in Horner's rule.
uint32_t dot(const Zp& f, const uint32_t* a, const uint32_t* pw, int32_t n) {
    unsigned __int128 acc = 0;
    for (int32_t k = 0; k < n; ++k) acc += uint64_t{a[k]} * pw[k];
    const uint64_t p = f.prime(), hi = static_cast<uint64_t>(acc >> 64), lo = static_cast<uint64_t>(acc);
    const uint64_t two64 = (~uint64_t{0} % p + 1) % p;
    return static_cast<uint32_t>(((hi % p) * two64 % p + lo % p) % p);
}

// Cell k of a (the poly of x_n at the k-th monomial of the other levels).
Uni cell(const DenseMod& a, int64_t k) {
    const int64_t len = a.extent.back();
    Uni u(a.c.begin() + k * len, a.c.begin() + (k + 1) * len);
    trim(u);
    return u;
}

int64_t cell_count(const DenseMod& a) { return a.cells() / a.extent.back(); }

// The GCD of the cells (the content in x_n), monic.
Uni content(const Zp& f, const DenseMod& a) {
    Uni g;
    for (int64_t k = 0; k < cell_count(a); ++k) {
        Uni u = cell(a, k);
        if (u.empty()) continue;
        g = gcd(f, std::move(g), std::move(u));
        if (degree(g) == 0) break;
    }
    return g;
}

// The highest degree in x_n of a cell.
int32_t degree_last(const DenseMod& a) {
    const int64_t len = a.extent.back();
    int32_t d = -1;
    for (int64_t k = 0; k < cell_count(a); ++k) {
        const uint32_t* c = a.c.data() + k * len;
        for (int32_t j = static_cast<int32_t>(len) - 1; j > d; --j)
            if (c[j] != 0) {
                d = j;
                break;
            }
    }
    return d;
}

// a with x_n := t: the levels 1 .. n - 1.
DenseMod at_point(const Zp& f, const DenseMod& a, uint32_t t) {
    DenseMod r;
    r.extent.assign(a.extent.begin(), a.extent.end() - 1);
    const int64_t cells = cell_count(a), len = a.extent.back();
    r.c.resize(static_cast<size_t>(cells));
    const std::vector<uint32_t> pw = powers(f, t, static_cast<int32_t>(len));
    for (int64_t k = 0; k < cells; ++k)
        r.c[static_cast<size_t>(k)] = dot(f, a.c.data() + k * len, pw.data(), static_cast<int32_t>(len));
    return r;
}

// The value of a at the point x (one entry per level), one level at a
// time from the innermost.
uint32_t value_at_point(const Zp& f, const DenseMod& a, const std::vector<uint32_t>& x) {
    const uint32_t* src = a.c.data();
    int64_t size = a.cells();
    std::vector<uint32_t> v;
    for (size_t level = a.extent.size(); level-- > 0;) {
        const int32_t len = a.extent[level];
        const int64_t n = size / len;
        const std::vector<uint32_t> pw = powers(f, x[level], len);
        std::vector<uint32_t> next(static_cast<size_t>(n));
        for (int64_t k = 0; k < n; ++k) next[static_cast<size_t>(k)] = dot(f, src + k * len, pw.data(), len);
        v = std::move(next);
        src = v.data();
        size = n;
    }
    return v[0];
}

// The product of the extents.
int64_t volume(const std::vector<int32_t>& e) {
    int64_t v = 1;
    for (int32_t x : e) v *= x;
    return v;
}

// Writes u into cell k of a (u must fit).
void put_cell(DenseMod& a, int64_t k, const Uni& u) {
    std::copy(u.begin(), u.end(), a.c.begin() + k * a.extent.back());
}

// Points of evaluation: a fixed pseudo-random run, so that results repeat.
class Points {
public:
    uint32_t next(uint32_t p) {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>((state_ >> 33) % p);
    }

private:
    uint64_t state_ = 0x2545F4914F6CDD1DULL;
};

// Interpolants in x_n of `cells` values, each of degree below `cap`, in the
// layout of a DenseMod whose last extent is cap.
class Newton {
public:
    Newton(std::vector<int32_t> head, int32_t cap) {
        poly_.extent = std::move(head);
        poly_.extent.push_back(cap);
        poly_.c.assign(static_cast<size_t>(volume(poly_.extent)), 0);
    }
    // Takes the values v (one per cell) at t; m is the product of x - s over
    // the points s taken so far, m_t its value at t.
    // Takes the values v (one per cell) at t; m is the product of x - s over
    // the points s taken so far, m_t its value at t, pw the powers of t.
    // False when the interpolants already had the values v at t.
    bool add(const Zp& f, const Uni& m, const std::vector<uint32_t>& m_quot, uint32_t inv_m_t,
             const std::vector<uint32_t>& pw, const std::vector<uint32_t>& v) {
        const int32_t cap = poly_.extent.back(), n = static_cast<int32_t>(m.size()) - 1;
        const uint32_t p = f.prime();
        bool changed = false;
        for (size_t k = 0; k < v.size(); ++k) {
            uint32_t* c = poly_.c.data() + static_cast<int64_t>(k) * cap;
            const uint32_t d = f.mul(f.sub(v[k], dot(f, c, pw.data(), n)), inv_m_t);
            if (d == 0) continue;
            degree_ = n;  // d m is monic times d, of degree n above the cell's
            changed = true;
            // c[j] += d m[j], with m[j]'s quotient by p precomputed.
            for (int32_t j = 0; j <= n; ++j) {
                const uint32_t hi = static_cast<uint32_t>((uint64_t{d} * m_quot[static_cast<size_t>(j)]) >> 32);
                uint32_t t = d * m[static_cast<size_t>(j)] - hi * p;
                if (t >= p) t -= p;
                const uint32_t sum = c[j] + t;
                c[j] = sum >= p ? sum - p : sum;
            }
        }
        return changed;
    }
    void clear() {
        std::fill(poly_.c.begin(), poly_.c.end(), 0);
        degree_ = -1;
    }
    const DenseMod& poly() const { return poly_; }
    // The highest degree of a cell (-1 while all are zero).
    int32_t degree() const { return degree_; }

private:
    DenseMod poly_;
    int32_t degree_ = -1;
};

bool dense_gcd_rec(const Zp& f, const DenseMod& a, const DenseMod& b, DenseMod& g, DenseMod& ca,
                   DenseMod& cb);

// One variable: Euclid and the two exact divisions.
bool univariate(const Zp& f, const DenseMod& a, const DenseMod& b, DenseMod& g, DenseMod& ca,
                DenseMod& cb) {
    Uni ua = cell(a, 0), ub = cell(b, 0), ug = gcd(f, ua, ub), qa, qb;
    divide_exact(f, ua, ug, qa);
    divide_exact(f, ub, ug, qb);
    g.extent = {std::min(a.extent[0], b.extent[0])};
    g.c.assign(static_cast<size_t>(g.extent[0]), 0);
    ca.extent = a.extent;
    ca.c.assign(a.c.size(), 0);
    cb.extent = b.extent;
    cb.c.assign(b.c.size(), 0);
    put_cell(g, 0, ug);
    put_cell(ca, 0, qa);
    put_cell(cb, 0, qb);
    return true;
}

// The shapes and the univariate facts of one level.
struct Level {
    std::vector<int32_t> g_extent;
    Uni cont_a, cont_b, cont_g, gamma;
    int32_t target_a = 0, target_b = 0, cap = 0;
    int32_t bound_g = 0;  // deg gamma + the smaller degree in x_n: H's degree bound
};

Level survey(const Zp& f, const DenseMod& a, const DenseMod& b) {
    Level l;
    for (size_t i = 0; i < a.extent.size(); ++i) l.g_extent.push_back(std::min(a.extent[i], b.extent[i]));
    l.cont_a = content(f, a);
    l.cont_b = content(f, b);
    l.cont_g = gcd(f, l.cont_a, l.cont_b);
    l.gamma = gcd(f, cell(a, leading_index(a.c) / a.extent.back()), cell(b, leading_index(b.c) / b.extent.back()));
    l.target_a = degree(l.gamma) + degree_last(a);
    l.target_b = degree(l.gamma) + degree_last(b);
    l.cap = std::max(l.target_a, l.target_b) + 2;
    l.bound_g = std::min(l.target_a, l.target_b);
    return l;
}

// Every cell of x divided by d (exactly) and multiplied by s, written into
// out shaped by `extent`; false when some division leaves a remainder or a
// quotient does not fit.
bool cells_over(const Zp& f, const DenseMod& x, const Uni& d, uint32_t s, const std::vector<int32_t>& extent,
                DenseMod& out) {
    out.extent = extent;
    out.c.assign(static_cast<size_t>(volume(extent)), 0);
    for (int64_t k = 0; k < cell_count(x); ++k) {
        Uni u = cell(x, k), q;
        if (u.empty()) continue;
        if (!divide_exact(f, u, d, q) || degree(q) >= extent.back()) return false;
        scale(f, q, s);
        put_cell(out, k, q);
    }
    return true;
}

// a and b share only the content GCD cg.
bool coprime_finish(const Zp& f, const DenseMod& a, const DenseMod& b, const Level& l, DenseMod& g,
                    DenseMod& ca, DenseMod& cb) {
    g.extent = l.g_extent;
    g.c.assign(static_cast<size_t>(volume(g.extent)), 0);
    put_cell(g, 0, l.cont_g);
    return cells_over(f, a, l.cont_g, 1, a.extent, ca) && cells_over(f, b, l.cont_g, 1, b.extent, cb);
}

// From H (interpolated) and its cofactors: g = cg pp(H) made monic, and
// a / g = A lnum / (cg lc(pp H)), b / g likewise.
// g := cg pp(H) made monic; lnum its leading number before, lc_pp the
// leading cell of pp(H).
bool gcd_from(const Zp& f, const Level& l, const DenseMod& h, DenseMod& g, uint32_t& lnum, Uni& lc_pp) {
    const Uni ch = content(f, h);
    DenseMod pp;
    if (!cells_over(f, h, ch, 1, h.extent, pp)) return false;
    g.extent = l.g_extent;
    g.c.assign(static_cast<size_t>(volume(g.extent)), 0);
    for (int64_t k = 0; k < cell_count(pp); ++k) {
        const Uni u = cell(pp, k);
        if (u.empty()) continue;
        const Uni v = product(f, u, l.cont_g);
        if (degree(v) >= g.extent.back()) return false;
        put_cell(g, k, v);
    }
    lnum = g.c[static_cast<size_t>(leading_index(g.c))];
    const uint32_t inv = f.inverse(lnum);
    for (uint32_t& v : g.c) v = f.mul(v, inv);
    lc_pp = cell(pp, leading_index(pp.c) / pp.extent.back());
    return true;
}

bool finish(const Zp& f, const DenseMod& a, const DenseMod& b, const Level& l, const DenseMod& h,
            const DenseMod& ha, const DenseMod& hb, DenseMod& g, DenseMod& ca, DenseMod& cb) {
    uint32_t lnum = 0;
    Uni lc_pp;
    if (!gcd_from(f, l, h, g, lnum, lc_pp)) return false;
    const Uni d = product(f, l.cont_g, lc_pp);
    return cells_over(f, ha, d, lnum, a.extent, ca) && cells_over(f, hb, d, lnum, b.extent, cb);
}

// H A = gamma a and H B = gamma b at one random point.
bool spot_check(const Zp& f, Points& pts, const DenseMod& a, const DenseMod& b, const Uni& gamma,
                const DenseMod& h, const DenseMod& ha, const DenseMod& hb) {
    std::vector<uint32_t> x(a.extent.size());
    for (uint32_t& v : x) v = pts.next(f.prime());
    const uint32_t gx = value_at(f, gamma.data(), static_cast<int32_t>(gamma.size()), x.back());
    const uint32_t hx = value_at_point(f, h, x);
    return f.mul(hx, value_at_point(f, ha, x)) == f.mul(gx, value_at_point(f, a, x)) &&
           f.mul(hx, value_at_point(f, hb, x)) == f.mul(gx, value_at_point(f, b, x));
}

bool interpolate(const Zp& f, const DenseMod& a, const DenseMod& b, const Level& l, DenseMod& g,
                 DenseMod& ca, DenseMod& cb) {
    const std::vector<int32_t> head_g(l.g_extent.begin(), l.g_extent.end() - 1);
    const std::vector<int32_t> head_a(a.extent.begin(), a.extent.end() - 1);
    const std::vector<int32_t> head_b(b.extent.begin(), b.extent.end() - 1);
    // Images for a method that checks its own result need no cofactors:
    // H alone is interpolated until a point leaves it unchanged.
    const bool trusted = gcd_trust_images;
    const std::vector<int32_t> none{0};
    Newton h(head_g, l.cap), ha(trusted ? none : head_a, l.cap), hb(trusted ? none : head_b, l.cap);
    const Uni& lc_a = cell(a, leading_index(a.c) / a.extent.back());
    const Uni& lc_b = cell(b, leading_index(b.c) / b.extent.back());
    Points pts;
    Uni m{1};
    int64_t lead = -1;
    int32_t points = 0, misses = 0;
    const int32_t max_misses = 4 * l.cap + 64;
    while (misses < max_misses) {
        poll_interrupt();
        const uint32_t t = pts.next(f.prime());
        const uint32_t mt = value_at(f, m.data(), static_cast<int32_t>(m.size()), t);
        if (mt == 0 || value_at(f, lc_a.data(), static_cast<int32_t>(lc_a.size()), t) == 0 ||
            value_at(f, lc_b.data(), static_cast<int32_t>(lc_b.size()), t) == 0) {
            ++misses;
            continue;
        }
        DenseMod gt, cat, cbt;
        if (!dense_gcd_rec(f, at_point(f, a, t), at_point(f, b, t), gt, cat, cbt)) {
            ++misses;
            continue;
        }
        const int64_t lt = leading_index(gt.c);
        if (lt == 0) return coprime_finish(f, a, b, l, g, ca, cb);
        if (lead >= 0 && lt > lead) {
            ++misses;  // an unlucky point
            continue;
        }
        if (lead < 0 || lt < lead || points + 1 >= l.cap) {
            if (lead >= 0) ++misses;  // the points so far were unlucky
            h.clear(), ha.clear(), hb.clear();
            m = {1};
            points = 0;
            lead = lt;
        }
        const uint32_t gamma_t = value_at(f, l.gamma.data(), static_cast<int32_t>(l.gamma.size()), t);
        for (uint32_t& v : gt.c) v = f.mul(v, gamma_t);
        const uint32_t inv = f.inverse(value_at(f, m.data(), static_cast<int32_t>(m.size()), t));
        const Uni m_before = m;
        const std::vector<uint32_t> pw = powers(f, t, static_cast<int32_t>(m.size()));
        std::vector<uint32_t> m_quot(m.size());
        for (size_t j = 0; j < m.size(); ++j) m_quot[j] = static_cast<uint32_t>((uint64_t{m[j]} << 32) / f.prime());
        const bool changed = h.add(f, m, m_quot, inv, pw, gt.c);
        m = product(f, m, Uni{f.sub(0, t), 1});
        ++points;
        if (trusted) {
            if ((changed && points <= l.bound_g) || points < 2) continue;
            uint32_t lnum = 0;
            Uni lc_pp;
            if (gcd_from(f, l, h.poly(), g, lnum, lc_pp)) return true;
            ++misses;
            continue;
        }
        ha.add(f, m_before, m_quot, inv, pw, cat.c);
        hb.add(f, m_before, m_quot, inv, pw, cbt.c);
        const int32_t dh = h.degree();
        if (dh + ha.degree() != l.target_a || dh + hb.degree() != l.target_b) continue;
        if (spot_check(f, pts, a, b, l.gamma, h.poly(), ha.poly(), hb.poly()) &&
            finish(f, a, b, l, h.poly(), ha.poly(), hb.poly(), g, ca, cb))
            return true;
        ++misses;
    }
    return false;
}

bool dense_gcd_rec(const Zp& f, const DenseMod& a, const DenseMod& b, DenseMod& g, DenseMod& ca,
                   DenseMod& cb) {
    if (a.extent.size() == 1) return univariate(f, a, b, g, ca, cb);
    const Level l = survey(f, a, b);
    return interpolate(f, a, b, l, g, ca, cb);
}

}  // namespace

bool dense_gcd(const Zp& f, const DenseMod& a, const DenseMod& b, DenseMod& g, DenseMod& ca,
               DenseMod& cb) {
    return dense_gcd_rec(f, a, b, g, ca, cb);
}

}  // namespace tolmex::gcdimpl
