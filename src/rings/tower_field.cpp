// The field test of a tower of moduli modulo a prime (see the header).
#include "rings/tower_field.h"

#include <utility>

#include "poly/poly_coefs.h"
#include "poly/poly_terms.h"

namespace tolmex {

namespace {

using Vec = std::vector<int64_t>;

int64_t reduce(int64_t v, int64_t p) {
    v %= p;
    return v < 0 ? v + p : v;
}

int64_t power_mod(int64_t a, int64_t e, int64_t p) {
    int64_t r = 1;
    a = reduce(a, p);
    for (; e > 0; e >>= 1) {
        if (e & 1) r = r * a % p;
        a = a * a % p;
    }
    return r;
}

int64_t inverse_mod(int64_t a, int64_t p) { return power_mod(a, p - 2, p); }

// ---------------------------------------------------------------------------
// Polys over Z/p, coefficients low first, no trailing zeros (zero: empty).

void trim(Vec& a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
}

// a mod the monic h.
void mod_monic(Vec& a, const Vec& h, int64_t p) {
    const size_t n = h.size() - 1;
    for (size_t d = a.size(); d-- > n;) {
        const int64_t c = a[d];
        if (c == 0) continue;
        for (size_t i = 0; i <= n; ++i) a[d - n + i] = reduce(a[d - n + i] - c * h[i], p);
    }
    if (a.size() > n) a.resize(n);
    trim(a);
}

Vec mul_mod(const Vec& a, const Vec& b, const Vec& h, int64_t p) {
    if (a.empty() || b.empty()) return {};
    Vec c(a.size() + b.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j) c[i + j] = (c[i + j] + a[i] * b[j]) % p;
    mod_monic(c, h, p);
    return c;
}

Vec pow_mod(Vec base, int64_t e, const Vec& h, int64_t p) {
    Vec r{1};
    mod_monic(r, h, p);
    for (; e > 0; e >>= 1) {
        if (e & 1) r = mul_mod(r, base, h, p);
        base = mul_mod(base, base, h, p);
    }
    return r;
}

// a := a mod b over Z/p (b nonzero).
void mod_general(Vec& a, const Vec& b, int64_t p) {
    const size_t n = b.size() - 1;
    const int64_t inv = inverse_mod(b.back(), p);
    for (size_t d = a.size(); d-- > n;) {
        const int64_t c = a[d] * inv % p;
        if (c == 0) continue;
        for (size_t i = 0; i <= n; ++i) a[d - n + i] = reduce(a[d - n + i] - c * b[i], p);
    }
    if (a.size() > n) a.resize(n);
    trim(a);
}

// The degree of gcd(a, b) over Z/p.
int gcd_degree(Vec a, Vec b, int64_t p) {
    trim(a);
    trim(b);
    while (!b.empty()) {
        mod_general(a, b, p);
        std::swap(a, b);
    }
    return static_cast<int>(a.size()) - 1;
}

Vec minus_x(Vec a, int64_t p) {
    if (a.size() < 2) a.resize(2, 0);
    a[1] = reduce(a[1] - 1, p);
    trim(a);
    return a;
}

// ---------------------------------------------------------------------------
// The tower ring: an element of level k is n[k] coefficients of level
// k - 1 (level -1: one residue), the modulus of level k monic of degree
// n[k] with coefficients g[k][i] of level k - 1.

class Tower {
public:
    explicit Tower(int64_t p) : p_(p) {}

    size_t below(int k) const { return k == 0 ? 1 : dim_[static_cast<size_t>(k) - 1]; }
    size_t dim() const { return dim_.empty() ? 1 : dim_.back(); }
    int top() const { return static_cast<int>(n_.size()) - 1; }

    Vec mul(const Vec& a, const Vec& b, int k) const {
        if (k < 0) return {a[0] * b[0] % p_};
        const size_t s = below(k);
        const size_t nk = static_cast<size_t>(n_[static_cast<size_t>(k)]);
        std::vector<Vec> prod(2 * nk - 1, Vec(s, 0));
        for (size_t i = 0; i < nk; ++i) {
            Vec ai(a.begin() + static_cast<long>(i * s), a.begin() + static_cast<long>((i + 1) * s));
            if (is_zero(ai)) continue;
            for (size_t j = 0; j < nk; ++j) {
                Vec bj(b.begin() + static_cast<long>(j * s), b.begin() + static_cast<long>((j + 1) * s));
                if (is_zero(bj)) continue;
                add_to(prod[i + j], mul(ai, bj, k - 1));
            }
        }
        const auto& g = g_[static_cast<size_t>(k)];
        for (size_t d = prod.size(); d-- > nk;) {
            if (is_zero(prod[d])) continue;
            for (size_t i = 0; i < nk; ++i) sub_from(prod[d - nk + i], mul(prod[d], g[i], k - 1));
        }
        Vec r;
        r.reserve(nk * s);
        for (size_t i = 0; i < nk; ++i) r.insert(r.end(), prod[i].begin(), prod[i].end());
        return r;
    }

    // Adds the next (outer) level, its modulus rooted at its own level.
    void add_level(const PolyNode* m) {
        const int k = static_cast<int>(n_.size());
        const int32_t n = level_degree(m, 1);
        std::vector<Vec> g;
        for (int32_t i = 0; i < n; ++i) {
            Poly c;
            level_coefficient(m, 1, i, c);
            g.push_back(element(c.get(), 2, k - 1));
        }
        n_.push_back(n);
        dim_.push_back(below(k) * static_cast<size_t>(n));
        g_.push_back(std::move(g));
    }

    Vec random_element(uint64_t& state) const {
        Vec e(dim());
        for (int64_t& x : e) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            x = static_cast<int64_t>((state >> 33) % static_cast<uint64_t>(p_));
        }
        return e;
    }

    Vec one() const {
        Vec e(dim(), 0);
        e[0] = 1;
        return e;
    }

private:
    static bool is_zero(const Vec& a) {
        for (int64_t x : a)
            if (x != 0) return false;
        return true;
    }
    void add_to(Vec& a, const Vec& b) const {
        for (size_t i = 0; i < a.size(); ++i) a[i] = (a[i] + b[i]) % p_;
    }
    void sub_from(Vec& a, const Vec& b) const {
        for (size_t i = 0; i < a.size(); ++i) a[i] = reduce(a[i] - b[i], p_);
    }

    // The variable of level r as an element of level r.
    Vec variable(int r) const {
        const size_t s = below(r);
        const int32_t n = n_[static_cast<size_t>(r)];
        Vec x(s * static_cast<size_t>(n), 0);
        if (n >= 2) {
            x[s] = 1;
            return x;
        }
        // Degree 1: x = -g0.
        const Vec& g0 = g_[static_cast<size_t>(r)][0];
        for (size_t i = 0; i < s; ++i) x[i] = reduce(-g0[i], p_);
        return x;
    }

    // The element of level r that q stands for: q's relative level `rel`
    // is the variable of level r, the deeper ones follow.
    Vec element(const PolyNode* q, int rel, int r) const {
        if (r < 0) return {poly_is_const(q) ? reduce(poly_constant(q).lint(), p_) : 0};
        const size_t s = below(r);
        const size_t size = s * static_cast<size_t>(n_[static_cast<size_t>(r)]);
        Vec result(size, 0);
        const Vec x = variable(r);
        for (int32_t e = level_degree(q, rel); e >= 0; --e) {
            result = mul(result, x, r);
            Poly c;
            level_coefficient(q, rel, e, c);
            Vec low = element(c.get(), rel + 1, r - 1);
            for (size_t i = 0; i < s; ++i) result[i] = (result[i] + low[i]) % p_;
        }
        return result;
    }

    int64_t p_;
    std::vector<int32_t> n_;
    std::vector<size_t> dim_;
    std::vector<std::vector<Vec>> g_;
};

// The minimal polynomial of e over Z/p when it has the full dimension D
// (monic, low first); empty otherwise. Columns e^0 .. e^(D-1), solved for
// e^D by elimination.
Vec full_minimal_poly(const Tower& t, const Vec& e, int64_t p) {
    const size_t D = t.dim();
    std::vector<Vec> cols;
    Vec power = t.one();
    for (size_t k = 0; k <= D; ++k) {
        cols.push_back(power);
        if (k < D) power = t.mul(power, e, t.top());
    }
    // Rows of the augmented system [e^0 .. e^(D-1) | e^D].
    std::vector<Vec> a(D, Vec(D + 1));
    for (size_t r = 0; r < D; ++r)
        for (size_t c = 0; c <= D; ++c) a[r][c] = cols[c][r];
    for (size_t c = 0; c < D; ++c) {
        size_t piv = c;
        while (piv < D && a[piv][c] == 0) ++piv;
        if (piv == D) return {};
        std::swap(a[piv], a[c]);
        const int64_t inv = inverse_mod(a[c][c], p);
        for (int64_t& x : a[c]) x = x * inv % p;
        for (size_t r = 0; r < D; ++r) {
            if (r == c || a[r][c] == 0) continue;
            const int64_t f = a[r][c];
            for (size_t k = c; k <= D; ++k) a[r][k] = reduce(a[r][k] - f * a[c][k], p);
        }
    }
    Vec h(D + 1);
    for (size_t i = 0; i < D; ++i) h[i] = reduce(-a[i][D], p);
    h[D] = 1;
    return h;
}

constexpr int kTries = 30;

}  // namespace

bool dense_irreducible(const std::vector<int64_t>& h, int64_t p) {
    const int64_t n = static_cast<int64_t>(h.size()) - 1;
    if (n <= 1) return n == 1;
    // x^(p^i) mod h for i = 0 .. n.
    std::vector<Vec> frob{Vec{0, 1}};
    for (int64_t i = 1; i <= n; ++i) frob.push_back(pow_mod(frob.back(), p, h, p));
    if (!minus_x(frob[static_cast<size_t>(n)], p).empty()) return false;
    int64_t m = n;
    for (int64_t r = 2; r <= m; ++r) {
        if (m % r != 0) continue;
        while (m % r == 0) m /= r;
        if (gcd_degree(h, minus_x(frob[static_cast<size_t>(n / r)], p), p) != 0) return false;
    }
    return true;
}

bool tower_makes_field(const std::vector<const PolyNode*>& moduli, int64_t p, uint64_t seed) {
    Tower t(p);
    for (const PolyNode* m : moduli) t.add_level(m);
    uint64_t state = seed ^ static_cast<uint64_t>(p);
    for (int i = 0; i < kTries; ++i) {
        Vec h = full_minimal_poly(t, t.random_element(state), p);
        if (!h.empty() && dense_irreducible(h, p)) return true;
    }
    return false;
}

}  // namespace tolmex
