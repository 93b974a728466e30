#include "matrix/lagrange_engine.h"

#include <algorithm>
#include <numeric>
#include <unordered_set>

#include "base/errors.h"
#include "matrix/determinant.h"
#include "matrix/matrix.h"
#include "numbers/modular_state.h"
#include "poly/poly_coefs.h"
#include "poly/poly_dense_view.h"

namespace tolmex::lagrange {

std::mt19937_64& random_source() {
    static std::mt19937_64 gen(0x9e3779b97f4a7c15ULL);
    return gen;
}

// ---------------------------------------------------------------------------
// Reading the entries

namespace {

// The key of the monomial at dense index idx of the view with extents full
// (poly level 1 slowest): the exponents weighted by weight (0 for the
// levels no entry involves).
uint64_t key_of(int64_t idx, const std::vector<int32_t>& full, const std::vector<uint64_t>& weight) {
    uint64_t k = 0;
    for (size_t l = full.size(); l-- > 0;) {
        k += static_cast<uint64_t>(idx % full[l]) * weight[l];
        idx /= full[l];
    }
    return k;
}

// Common extents of the poly entries over depth levels; false when one
// has a negative exponent.
bool common_extents(const std::vector<Entry>& entries, int depth, std::vector<int32_t>& full) {
    full.assign(static_cast<size_t>(std::max(depth, 1)), 1);
    std::vector<int32_t> ext;
    for (const Entry& x : entries) {
        if (quoly_is_number(x.q)) continue;
        if (!poly_dense_extents(quoly_numerator(x.q), depth, ext)) return false;
        for (size_t l = 0; l < ext.size(); ++l) full[l] = std::max(full[l], ext[l]);
    }
    return true;
}

}  // namespace

int32_t TermMatrix::exponent(int64_t i, int j) const {
    uint64_t k = key[static_cast<size_t>(i)];
    for (int l = 0; l < j; ++l) k /= static_cast<uint64_t>(extent[static_cast<size_t>(l)]);
    return static_cast<int32_t>(k % static_cast<uint64_t>(extent[static_cast<size_t>(j)]));
}

Reading read_terms(const std::vector<Entry>& entries, int32_t n, TermMatrix& t) {
    t = TermMatrix{};
    t.n = n;
    for (const Entry& x : entries) {
        if (quoly_is_number(x.q)) continue;
        if (!quoly_is_poly(x.q)) return Reading::NotPolys;
        t.depth = std::max(t.depth, deepest_level(quoly_numerator(x.q)));
    }
    std::vector<int32_t> full;
    if (!common_extents(entries, t.depth, full)) return Reading::Laurent;
    std::vector<uint64_t> weight(full.size(), 0);
    unsigned __int128 volume = 1;
    for (int l = 0; l < t.depth; ++l) {
        if (full[static_cast<size_t>(l)] <= 1) continue;
        weight[static_cast<size_t>(l)] = static_cast<uint64_t>(volume);
        t.level.push_back(l + 1);
        t.extent.push_back(full[static_cast<size_t>(l)]);
        volume *= static_cast<unsigned>(full[static_cast<size_t>(l)]);
        if (volume >= static_cast<unsigned __int128>(1) << 62) return Reading::TooLarge;
    }
    std::vector<std::pair<uint64_t, const Number*>> terms;
    for (const Entry& x : entries) {
        if (quoly_iszero(x.q)) continue;
        terms.clear();
        if (quoly_is_number(x.q))
            terms.emplace_back(0, &quoly_number(x.q));
        else
            poly_dense_walk(quoly_numerator(x.q), full,
                            [&](int64_t idx, const Number& c) { terms.emplace_back(key_of(idx, full, weight), &c); });
        std::sort(terms.begin(), terms.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        Cell c{x.row, x.col, static_cast<int64_t>(t.key.size()), 0};
        for (const auto& [k, num] : terms) {
            t.key.push_back(k);
            t.coef.push_back(num);
        }
        c.end = static_cast<int64_t>(t.key.size());
        t.cells.push_back(c);
    }
    return Reading::Ok;
}

// ---------------------------------------------------------------------------
// Degree bounds

bool make_plan(const TermMatrix& t, int32_t caller_degree, int32_t power, Plan& plan) {
    const int k = t.levels();
    const size_t n = static_cast<size_t>(t.n);
    std::vector<int32_t> rowmax(n * k, 0), colmax(n * k, 0);
    std::vector<char> row_used(n, 0), col_used(n, 0);
    for (const Cell& c : t.cells) {
        row_used[static_cast<size_t>(c.row)] = col_used[static_cast<size_t>(c.col)] = 1;
        for (int64_t i = c.begin; i < c.end; ++i) {
            uint64_t key = t.key[static_cast<size_t>(i)];
            for (int j = 0; j < k; ++j) {
                const uint64_t r = static_cast<uint64_t>(t.extent[static_cast<size_t>(j)]);
                const int32_t e = static_cast<int32_t>(key % r);
                key /= r;
                int32_t& rm = rowmax[static_cast<size_t>(c.row) * k + j];
                int32_t& cm = colmax[static_cast<size_t>(c.col) * k + j];
                rm = std::max(rm, e);
                cm = std::max(cm, e);
            }
        }
    }
    for (size_t r = 0; r < n; ++r)
        if (!row_used[r] || !col_used[r]) return false;
    plan.degree.assign(static_cast<size_t>(k), 0);
    plan.power = std::max(power, 1);
    for (int j = 0; j < k; ++j) {
        int64_t sr = 0, sc = 0;
        for (size_t r = 0; r < n; ++r) sr += rowmax[r * k + j], sc += colmax[r * k + j];
        plan.degree[static_cast<size_t>(j)] = static_cast<int32_t>(std::min<int64_t>({sr, sc, INT32_MAX - 1}));
    }
    if (k > 0) {
        if (caller_degree > 0) plan.degree[0] = std::min(plan.degree[0], caller_degree);
        plan.main_degree = plan.degree[0];
        plan.degree[0] /= plan.power;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Arithmetic and points

Arith::Arith()
    : field_(finf != 0), size_(modulus), zp_(finf ? 2u : static_cast<uint32_t>(modulus)) {}

uint32_t Arith::inv(uint32_t a) const {
    if (!field_) return zp_.inverse(a);
    int32_t r = 0;
    emod_inverse(static_cast<int32_t>(a), r);
    return static_cast<uint32_t>(r);
}

uint32_t Arith::pow(uint32_t a, int64_t e) const {
    uint32_t r = 1;
    for (; e > 0; e >>= 1) {
        if (e & 1) r = mul(r, a);
        a = mul(a, a);
    }
    return r;
}

int64_t Arith::distinct_powers(int32_t power) const {
    // The units form a cyclic group of order size - 1; 0 stays 0.
    return (size_ - 1) / std::gcd(static_cast<int64_t>(power), size_ - 1) + 1;
}

namespace {

// Distinct random evaluation points b with distinct y = b^power. Points
// are drawn at random; in a field small enough to keep a table of the
// points tried, a run of failed draws turns into a scan from a random
// place, so that every point is found before the field is declared too
// small (a shuffle of the whole field per level cost more than the
// determinants of small matrices).
class Points {
public:
    Points(const Arith& f, int32_t power) : f_(f), power_(power) {
        if (f.size() > kEnumerated) return;
        tried_.assign(static_cast<size_t>(f.size()), 0);
        seen_small_.assign(tried_.size(), 0);
    }
    // The next point; false when none is left (or too many draws failed).
    bool get_new_beta(uint32_t& b, uint32_t& y) {
        if (!tried_.empty()) return next_small(b, y);
        for (int tries = 0; tries < kTries; ++tries) {
            b = draw();
            y = power_ == 1 ? b : f_.pow(b, power_);
            if (seen_.insert(y).second) return true;
        }
        return false;
    }

private:
    uint32_t draw() const { return static_cast<uint32_t>(random_source()() % static_cast<uint64_t>(f_.size())); }
    // Takes b when it was not tried and its y is new.
    bool take(uint32_t b, uint32_t& y) {
        if (tried_[b]) return false;
        tried_[b] = 1;
        y = f_.pow(b, power_);
        if (seen_small_[y]) return false;
        seen_small_[y] = 1;
        return true;
    }
    bool next_small(uint32_t& b, uint32_t& y) {
        for (int tries = 0; tries < kDraws; ++tries)
            if (take(b = draw(), y)) return true;
        const uint32_t start = draw(), size = static_cast<uint32_t>(tried_.size());
        for (uint32_t i = 0; i < size; ++i)
            if (take(b = (start + i) % size, y)) return true;
        return false;
    }

    static constexpr int64_t kEnumerated = int64_t{1} << 17;
    static constexpr int kTries = 1 << 20;
    static constexpr int kDraws = 32;
    const Arith& f_;
    int32_t power_;
    std::vector<char> tried_, seen_small_;
    std::unordered_set<uint32_t> seen_;
};

// The matrix with the levels from some j on still symbolic.
struct Stage {
    std::vector<Cell> cells;
    std::vector<uint64_t> key;
    std::vector<uint32_t> coef;
};

// Interpolants of `cells` coefficients at once (Newton's form, converted
// term by term into the monomial basis): r[e][c] is the coefficient of y^e
// in interpolant c.
class Newton {
public:
    Newton(int32_t points, int64_t cells)
        : cells_(static_cast<size_t>(cells)), r_(static_cast<size_t>(points) * cells_, 0), m_{1}, d_(cells_) {}
    // Takes the values v (one per interpolant) at y.
    void add(const Arith& f, uint32_t y, const std::vector<uint32_t>& v) {
        const size_t t = m_.size() - 1;  // points taken so far
        uint32_t my = 0;
        for (size_t e = t + 1; e-- > 0;) my = f.add(f.mul(my, y), m_[e]);
        const uint32_t inv = f.inv(my);
        std::fill(d_.begin(), d_.end(), 0u);
        uint32_t pw = 1;
        for (size_t e = 0; e < t; ++e, pw = f.mul(pw, y)) {
            const uint32_t* row = &r_[e * cells_];
            for (size_t c = 0; c < cells_; ++c) d_[c] = f.add(d_[c], f.mul(row[c], pw));
        }
        bool any = false;
        for (size_t c = 0; c < cells_; ++c) {
            d_[c] = f.mul(f.sub(v[c], d_[c]), inv);
            any = any || d_[c] != 0;
        }
        if (any)
            for (size_t e = 0; e <= t; ++e) {
                if (m_[e] == 0) continue;
                uint32_t* row = &r_[e * cells_];
                for (size_t c = 0; c < cells_; ++c) row[c] = f.add(row[c], f.mul(d_[c], m_[e]));
            }
        // m := m (x - y)
        m_.push_back(0);
        for (size_t e = t + 1; e > 0; --e) m_[e] = f.sub(m_[e - 1], f.mul(m_[e], y));
        m_[0] = f.sub(0, f.mul(m_[0], y));
    }
    std::vector<uint32_t>& result() { return r_; }

private:
    size_t cells_;
    std::vector<uint32_t> r_;
    std::vector<uint32_t> m_;  // the product of x - y over the points so far
    std::vector<uint32_t> d_;
};

class Interpolator {
public:
    Interpolator(const TermMatrix& t, const Plan& plan, bool sparse)
        : t_(t), plan_(plan), sparse_(sparse), k_(t.levels()), b_(k_), y_(k_), stage_(k_ + 1), pw_(k_) {
        volume_.assign(static_cast<size_t>(k_) + 1, 1);
        for (int j = k_; j-- > 0;) volume_[j] = volume_[j + 1] * (plan.degree[j] + 1);
    }
    // The evaluation points of every level.
    bool points() {
        for (int j = 0; j < k_; ++j) {
            Points src(f_, j == 0 ? plan_.power : 1);
            for (int32_t i = 0; i <= plan_.degree[j]; ++i) {
                uint32_t b = 0, y = 0;
                if (!src.get_new_beta(b, y)) return false;
                b_[j].push_back(b);
                y_[j].push_back(y);
            }
        }
        return true;
    }
    // out := the determinant's coefficients in the levels from j on.
    void level(int j, const Stage& m, std::vector<uint32_t>& out) {
        if (j == k_) {
            out.assign(1, numeric(m));
            return;
        }
        Newton nw(plan_.degree[j] + 1, volume_[j + 1]);
        std::vector<uint32_t> v;
        for (size_t i = 0; i < b_[j].size(); ++i) {
            poll_interrupt();
            evaluate(j, m, b_[j][i], stage_[j + 1]);
            level(j + 1, stage_[j + 1], v);
            nw.add(f_, y_[j][i], v);
        }
        out = std::move(nw.result());
    }

private:
    // out := in with the variable of level j replaced by b.
    void evaluate(int j, const Stage& in, uint32_t b, Stage& out) {
        const uint64_t radix = static_cast<uint64_t>(t_.extent[j]);
        std::vector<uint32_t>& pw = pw_[j];
        pw.resize(radix);
        pw[0] = 1;
        for (size_t e = 1; e < radix; ++e) pw[e] = f_.mul(pw[e - 1], b);
        out.cells.clear();
        out.key.clear();
        out.coef.clear();
        const bool last = j + 1 == k_;  // every key lies below radix
        for (const Cell& c : in.cells) {
            Cell oc{c.row, c.col, static_cast<int64_t>(out.key.size()), 0};
            for (int64_t i = c.begin; i < c.end;) {
                const uint64_t hi = last ? 0 : in.key[i] / radix;
                uint32_t s = 0;
                for (; i < c.end; ++i) {
                    const uint64_t k = in.key[i];
                    if (!last && k / radix != hi) break;
                    s = f_.add(s, f_.mul(in.coef[i], pw[k - hi * radix]));
                }
                if (s) {
                    out.key.push_back(hi);
                    out.coef.push_back(s);
                }
            }
            oc.end = static_cast<int64_t>(out.key.size());
            if (oc.end > oc.begin) out.cells.push_back(oc);
        }
    }

    // The determinant of a matrix of numbers (one term of key 0 per cell).
    uint32_t numeric(const Stage& m) {
        const int32_t n = t_.n;
        if (!sparse_) {
            dense_.assign(static_cast<size_t>(n) * n, 0);
            for (const Cell& c : m.cells)
                dense_[static_cast<size_t>(c.row) * n + c.col] = static_cast<int32_t>(m.coef[c.begin]);
            return static_cast<uint32_t>(mod_determ(dense_, n));
        }
        Matrix s = Matrix::zero(n, n, true);
        for (const Cell& c : m.cells) {
            Number x;
            setvalue(static_cast<int32_t>(m.coef[c.begin]), x);
            s.set(c.row, c.col, make_numeric(std::move(x)));
        }
        Quoly d;
        mat_invert(s, d, nullptr, "Det");
        return static_cast<uint32_t>(quoly_number(d.get()).lint());
    }

    const TermMatrix& t_;
    const Plan& plan_;
    bool sparse_;
    int k_;
    Arith f_;
    std::vector<std::vector<uint32_t>> b_, y_;
    std::vector<Stage> stage_;
    std::vector<std::vector<uint32_t>> pw_;
    std::vector<int64_t> volume_;
    std::vector<int32_t> dense_;
};

}  // namespace

bool interpolate_det(const TermMatrix& t, const std::vector<uint32_t>& residues, const Plan& plan, bool sparse,
                     std::vector<uint32_t>& out) {
    Interpolator it(t, plan, sparse);
    if (!it.points()) return false;
    Stage top{t.cells, t.key, residues};
    it.level(0, top, out);
    return true;
}

}  // namespace tolmex::lagrange
