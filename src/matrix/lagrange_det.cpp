// Lagrange interpolation of polynomial determinants over Z/p, and over Z
// by Chinese remaindering of the images modulo word primes.
#include "matrix/lagrange_det.h"

#include <cmath>
#include <cstdio>
#include <functional>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "matrix/det_crt.h"
#include "matrix/det_settings.h"
#include "matrix/determinant.h"
#include "matrix/lagrange_engine.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"
#include "numbers/tables.h"
#include "poly/poly_dense_view.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_settings.h"

namespace tolmex {

int32_t lagrangecut = 10;
int neg_exponent_warning = 0;

namespace {

using lagrange::Entry;
using lagrange::Plan;
using lagrange::TermMatrix;

// Engine levels held by the interpolations under way (an evaluated matrix
// handed to the dispatcher may come back here).
int32_t lagrange_nesting = 0;

class Nesting {
public:
    explicit Nesting(int32_t levels) : levels_(levels) { lagrange_nesting += levels_; }
    ~Nesting() { lagrange_nesting -= levels_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

private:
    int32_t levels_;
};

void warn_negative_exponents() {
    if (neg_exponent_warning >= 3) return;
    ++neg_exponent_warning;
    std::printf(" Warning.  matrix contains negative exponents.  Fast\n");
    std::printf(" determinant method cannot be used.  It would be better\n");
    std::printf(" to remove the negative exponents and try again.\n");
    if (neg_exponent_warning == 3) std::printf(" *** This is the last warning message.\n");
}

// The nonzero entries row by row.
std::vector<Entry> dense_entries(const std::vector<const QuolyRec*>& e, int32_t n) {
    std::vector<Entry> out;
    for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < n; ++c)
            if (const QuolyRec* q = e[static_cast<size_t>(c) * n + r]; q && !quoly_iszero(q)) out.push_back({r, c, q});
    return out;
}

std::vector<Entry> sparse_entries(const Matrix& m) {
    std::vector<Entry> out;
    for (int32_t r = 0; r < m.rows; ++r)
        for (const SparseEntry& s : m.srows[static_cast<size_t>(r)])
            if (!quoly_iszero(s.v.get())) out.push_back({r, s.col, s.v.get()});
    return out;
}

enum class Setup { Go, Zero, Decline };

// Reads the entries and bounds the degrees.
Setup prepare(const std::vector<Entry>& entries, int32_t n, int32_t degree, int32_t power, TermMatrix& t,
              Plan& plan) {
    if (modout_in_force()) return Setup::Decline;
    switch (lagrange::read_terms(entries, n, t)) {
        case lagrange::Reading::Ok: break;
        case lagrange::Reading::Laurent:
            if (laurent) warn_negative_exponents();
            return Setup::Decline;
        default: return Setup::Decline;
    }
    if (!lagrange::make_plan(t, degree, power, plan)) return Setup::Zero;
    if (lagrange_nesting + t.levels() > lagrangecut) return Setup::Decline;
    int64_t volume = 1;
    for (int32_t d : plan.degree) {
        volume *= int64_t{d} + 1;
        if (volume > lagrange::kMaxCoefficients) return Setup::Decline;
    }
    return Setup::Go;
}

// Whether the field in force has points enough for the plan; says why not.
bool enough_points(const Plan& plan) {
    const lagrange::Arith f;
    for (size_t j = 0; j < plan.degree.size(); ++j) {
        const int64_t have = j == 0 ? f.distinct_powers(plan.power) : f.size();
        if (int64_t{plan.degree[j]} + 1 <= have) continue;
        const int32_t d = j == 0 ? plan.main_degree : plan.degree[j];
        if (finf)
            std::printf(" degree %d is too large for this field.\n", d);
        else
            std::printf(" degree %d is too large for this modulus. will try rational algorithm.\n", d);
        return false;
    }
    return true;
}

// The determinant as a quoly from its coefficients (dense as the
// interpolation leaves them): coef(i, c) writes coefficient i into c and
// says whether it is nonzero.
Quoly det_quoly(const TermMatrix& t, const Plan& plan, const std::function<bool(int64_t, Number&)>& coef) {
    const int k = t.levels();
    if (k == 0) {
        Number c;
        if (!coef(0, c)) setvalue(0, c);
        return make_numeric(std::move(c));
    }
    std::vector<int32_t> full(static_cast<size_t>(t.depth), 1);
    int64_t inner = 1;
    for (int j = 1; j < k; ++j) inner *= plan.degree[j] + 1;
    for (int j = 0; j < k; ++j)
        full[static_cast<size_t>(t.level[j] - 1)] = (j == 0 ? plan.degree[0] * plan.power : plan.degree[j]) + 1;
    // The levels no entry involves have extent 1: the index runs over the
    // engine levels alone, the main one slowest, in multiples of power.
    Poly p(poly_from_dense(full, [&](int64_t idx, Number& c) {
        const int64_t e0 = idx / inner;
        if (e0 % plan.power) return false;
        return coef(e0 / plan.power * inner + idx % inner, c);
    }));
    Quoly q;
    p_q_take(std::move(p), q);
    polynum_to_quoly(q);
    return q;
}

// Modular mode: the interpolation, or false when it declines.
bool mod_lagrange(const std::vector<Entry>& entries, int32_t n, Quoly& det, int32_t degree, int32_t power,
                  bool sparse) {
    if (!modularmode || !lintmode || !(mod_is_prime || finf)) return false;
    TermMatrix t;
    Plan plan;
    switch (prepare(entries, n, degree, power, t, plan)) {
        case Setup::Decline: return false;
        case Setup::Zero: quoly_set(0, det); return true;
        case Setup::Go: break;
    }
    if (verbose) std::printf("LaGrange interpolation, degree %d\n", plan.main_degree);
    if (!enough_points(plan)) return false;
    std::vector<uint32_t> residues(t.coef.size()), out;
    for (size_t i = 0; i < residues.size(); ++i) residues[i] = static_cast<uint32_t>(t.coef[i]->lint());
    const Nesting hold(t.levels());
    if (!lagrange::interpolate_det(t, residues, plan, sparse, out)) return false;
    det = det_quoly(t, plan, [&](int64_t i, Number& c) {
        const uint32_t v = out[static_cast<size_t>(i)];
        if (v) setvalue(static_cast<int32_t>(v), c);
        return v != 0;
    });
    return true;
}

// ---------------------------------------------------------------------------
// Over Z

// log2 of sum 2^l over l (-1e300 for none).
double log2_sum(const std::vector<double>& logs) {
    double top = -1e300;
    for (double l : logs) top = std::max(top, l);
    if (logs.empty()) return top;
    double s = 0;
    for (double l : logs) s += std::exp2(l - top);
    return top + std::log2(s);
}

// log2 of a bound of the determinant's coefficients: on the unit torus an
// entry is at most its coefficients' absolute sum, the determinant at most
// the product of the rows' (or columns') Euclidean norms (Hadamard), and a
// coefficient at most the determinant's largest value there.
double coefficient_bits(const TermMatrix& t) {
    std::vector<std::vector<double>> rows(static_cast<size_t>(t.n)), cols(static_cast<size_t>(t.n));
    std::vector<double> logs;
    for (const lagrange::Cell& c : t.cells) {
        logs.clear();
        for (int64_t i = c.begin; i < c.end; ++i) logs.push_back(log2_abs(*t.coef[static_cast<size_t>(i)]));
        const double norm = 2 * log2_sum(logs);
        rows[static_cast<size_t>(c.row)].push_back(norm);
        cols[static_cast<size_t>(c.col)].push_back(norm);
    }
    double br = 0, bc = 0;
    for (size_t r = 0; r < rows.size(); ++r) br += log2_sum(rows[r]) / 2, bc += log2_sum(cols[r]) / 2;
    return std::min(br, bc);
}

// Word primes for the images: the multi-modular moduli from a random one
// of their first four on, skipping a random 0 to 2 more at every tenth
// index; then the medium primes from a random one of 1285 to 1289 (in
// the tables' counting from 1) to the last.
class PrimeSchedule {
public:
    PrimeSchedule() : i_(draw(4)) {}
    // The next prime; 0 when both lists are used up.
    int32_t next() {
        const std::vector<int32_t>& first = det_primes();
        if (i_ < first.size()) {
            const int32_t p = first[i_++];
            // first[i] is the table's entry i + 6 counting from 1.
            if ((i_ + 6) % 10 == 0) i_ += draw(3);
            return p;
        }
        const std::vector<int32_t>& second = medium();
        if (j_ < 0) j_ = static_cast<int64_t>(draw(5));
        return static_cast<size_t>(j_) < second.size() ? second[static_cast<size_t>(j_++)] : 0;
    }

private:
    static size_t draw(uint64_t k) { return static_cast<size_t>(lagrange::random_source()() % k); }
    // med_prime from its entry 1285 on (counting from 1); without the
    // data files as many primes from 10007 on.
    static const std::vector<int32_t>& medium() {
        static std::vector<int32_t> list;
        if (!list.empty()) return list;
        constexpr int kFrom = 1284;
        if (med_prime[kMedPrimes - 1]) {
            list.assign(med_prime + kFrom, med_prime + kMedPrimes);
        } else {
            for (int32_t p = 10007; static_cast<int>(list.size()) < kMedPrimes - kFrom; p += 2)
                if (is_prime(p)) list.push_back(p);
        }
        return list;
    }
    size_t i_;
    int64_t j_ = -1;
};

// The images combined in mixed radix: coefficient i is d_0 + p_0 (d_1 +
// p_1 (d_2 + ...)) with the digits d_j in (-p_j/2, p_j/2].
class Images {
public:
    explicit Images(size_t count) : count_(count), nonzero_(count, 0) {}
    // Takes the image modulo p; true when it changed the combination.
    bool add(const std::vector<uint32_t>& r, int32_t p) {
        std::vector<int64_t> radix(primes_.size());
        int64_t m = 1;
        for (size_t j = 0; j < primes_.size(); ++j) {
            radix[j] = primes_[j] % p;
            m = m * radix[j] % p;
        }
        int64_t g = 0;
        const int64_t inv = euclid_inverse(m, p, g);
        std::vector<int32_t> digit(count_);
        bool changed = false;
        for (size_t i = 0; i < count_; ++i) {
            int64_t v = 0;
            if (nonzero_[i])
                for (size_t j = planes_.size(); j-- > 0;) v = ((v * radix[j] + planes_[j][i]) % p + p) % p;
            int64_t d = (static_cast<int64_t>(r[i]) - v + p) % p * inv % p;
            if (d > p / 2) d -= p;
            digit[i] = static_cast<int32_t>(d);
            if (d) changed = true, nonzero_[i] = 1;
        }
        planes_.push_back(std::move(digit));
        primes_.push_back(p);
        bits_ += std::log2(static_cast<double>(p));
        return changed;
    }
    double bits() const { return bits_; }
    // Rational mode: c := coefficient i; false when it is 0.
    bool value(size_t i, Number& c) const {
        if (!nonzero_[i]) return false;
        size_t j = planes_.size() - 1;
        c = number_from_int64(planes_[j][i]);
        while (j-- > 0) {
            fast_mult(c, number_from_int64(primes_[j]), c);
            fastsum(c, number_from_int64(planes_[j][i]));
        }
        return c.sign() != 0;
    }

private:
    size_t count_;
    std::vector<char> nonzero_;
    std::vector<std::vector<int32_t>> planes_;
    std::vector<int32_t> primes_;
    double bits_ = 0;
};

// One image: the interpolation modulo p of the residues of t's
// coefficients. False when it declines.
bool image_mod(const TermMatrix& t, const Plan& plan, int32_t p, bool sparse, std::vector<uint32_t>& out) {
    std::vector<uint32_t> residues(t.coef.size());
    for (size_t i = 0; i < residues.size(); ++i) residues[i] = static_cast<uint32_t>(residue_of(*t.coef[i], p));
    TempModulus in_p(p);
    if (verbose) {
        std::printf("Modular Determinant method. Now in modular mode, modulus %d\n", p);
        std::printf("LaGrange interpolation, degree %d\n", plan.main_degree);
    }
    return enough_points(plan) && lagrange::interpolate_det(t, residues, plan, sparse, out);
}

bool rat_lagrange(const std::vector<Entry>& entries, int32_t n, Quoly& det, int32_t degree, int32_t power,
                  bool sparse) {
    if (modularmode || lintmode) return false;
    TermMatrix t;
    Plan plan;
    switch (prepare(entries, n, degree, power, t, plan)) {
        case Setup::Decline: return false;
        case Setup::Zero: quoly_set(0, det); return true;
        case Setup::Go: break;
    }
    if (verbose) std::printf("LaGrange interpolation over Z, rows %d\n", n);
    const double bits = coefficient_bits(t);
    const Nesting hold(t.levels());
    int64_t count = 1;
    for (int32_t d : plan.degree) count *= d + 1;
    Images crt(static_cast<size_t>(count));
    PrimeSchedule primes;
    int used = 0, quiet = 0;
    std::vector<uint32_t> out;
    // Until the primes cover twice the bound, or two primes in a row add
    // nothing (one alone leaves a chance of about 1/p of a wrong result).
    // Interrupts are taken at every evaluation point, inside the modular
    // arithmetic of the image (a level opened there computes in rational
    // mode, and abandoning it restores rational mode through TempModulus).
    while (crt.bits() <= bits + 1.5 && quiet < 2) {
        const int32_t p = primes.next();
        if (p == 0) {
            std::printf("Modular determinant method abandoned. \n");
            return false;
        }
        if (!image_mod(t, plan, p, sparse, out)) return false;
        ++used;
        quiet = crt.add(out, p) ? 0 : quiet + 1;
    }
    det = det_quoly(t, plan, [&](int64_t i, Number& c) { return crt.value(static_cast<size_t>(i), c); });
    if (verbose) {
        std::printf("Number of primes used: %d\n", used);
        if (degree > 0) std::printf(" Degree estimate: %d\n", plan.main_degree);
    }
    return true;
}

}  // namespace

bool mod_poly_determ(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det, int32_t degree) {
    return mod_lagrange(dense_entries(e, n), n, det, degree, 1, false);
}

bool rat_poly_determ(const std::vector<const QuolyRec*>& e, int32_t n, Quoly& det, int32_t degree) {
    return rat_lagrange(dense_entries(e, n), n, det, degree, 1, false);
}

bool sparse_lagrange(const Matrix& m, Quoly& det, int32_t degree, int32_t power) {
    constexpr int32_t kMaxColumns = 65535;
    if (!m.sparse || !m.square() || m.cols > kMaxColumns) return false;
    const std::vector<Entry> entries = sparse_entries(m);
    if (modularmode) return mod_lagrange(entries, m.rows, det, degree, power, true);
    return rat_lagrange(entries, m.rows, det, degree, power, true);
}

bool lagrange_pays(const std::vector<const QuolyRec*>& e, int32_t n) {
    if (n >= 7) return true;
    int64_t mass = 0;
    for (const QuolyRec* q : e) {
        if (!q || quoly_iszero(q)) continue;
        if (!quoly_is_number(q))
            mass += poly_mass(quoly_numerator(q), 1, 1);
        else
            mass += lintmode ? 1 : quoly_number(q).size() / 2;
    }
    return mass > (lintmode ? mod_det_method_cut : 1);
}

}  // namespace tolmex
