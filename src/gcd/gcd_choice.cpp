// The cheap tests of the GCD driver (divisibility, coprimality modulo a
// small prime, coprimality of one-variable images) and the size rules that
// choose among the full methods.
#include <cstdint>
#include <vector>

#include "gcd/gcd_driver.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "gcd/polygcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/number.h"
#include "numbers/tables.h"
#include "poly/poly_divide.h"
#include "poly/poly_eval.h"
#include "poly/poly_gcd_support.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"

namespace tolmex {

namespace {

// Quick divisibility: a small b, a not tiny.
constexpr int32_t kQuickDivisorNodes = 50;
constexpr int32_t kQuickDividendNodes = 20;
// Auxiliary primes of the coprimality test: the first entries of `prime`.
constexpr int kAuxPrimes = 10;
// Substitutions of the evaluation test.
constexpr int kImageTries = 3;
// Trial division only while a's coefficients stay below this many digits.
constexpr int32_t kTrialDigits = 35;

// The method choice (modular_first). The per-node average below which the
// modular methods may go first comes with the design. The small-operand
// rule above it was measured (Release build, rational mode, two variables,
// a = g c1 and b = g c2 with random factors, lower exponents up to 10, 60
// and 300 so that the per-node averages reached 1200, deg b from 2 to 8,
// 15 to 160 terms together; the remainder sequence alone against the
// driver with the modular methods first): the remainder sequence won 20 of
// the 22 pairs with deg b below 6 and at most 50 terms (by up to 1000x; the
// two others, at degree 2, within 3x), the modular path won from about 150
// terms, or from 50 terms at degree 8 (by 3x to 250x).
constexpr int64_t kNodeAverageLimit = 2300;
constexpr int32_t kSmallDegree = 6;
constexpr int32_t kSmallTerms = 60;
constexpr int32_t kBusyCalls = 100000;
constexpr int32_t kBusyNodes = 300;

// The modular method over Z and Hensel/CRT over Z/p: balance and size.
constexpr int32_t kBalance = 20;
constexpr int32_t kDegreeFactor = 6;
struct MassLimits {
    int32_t b_large, a_large, b_small;
};
constexpr MassLimits kModMethodMass{280, 350, 200};
constexpr MassLimits kChineseMass{250, 150, 250};

// The fixed table of small evaluation points of fast_test_2.
constexpr int32_t global_list[] = {3, 7, 2, 11, 5, 13, 4, 17, 6, 19, 8, 23, 9, 29, 10, 31,
                                   12, 37, 14, 41, 15, 43, 16, 47, 18, 53, 20, 59, 21, 61};
constexpr int kGlobalListSize = static_cast<int>(sizeof global_list / sizeof global_list[0]);
int global_cursor = 0;

int32_t nodes(const PolyNode* p) { return big_node_total(p); }

// The residue of the lexicographically leading number of p modulo q is 0.
bool lead_vanishes(const PolyNode* p, const Number& q) {
    Number r;
    mod_or_div(leading_number(p), q, r, '|', 1);
    return num_is_zero(r);
}

// Keeps the GCDs of its lifetime out of the stash.
class StashOff {
public:
    StashOff() : saved_(lookupgcd), depth_(original_depth) { lookupgcd = -1000; }
    ~StashOff() {
        lookupgcd = saved_;
        original_depth = depth_;
    }
    StashOff(const StashOff&) = delete;
    StashOff& operator=(const StashOff&) = delete;

private:
    int32_t saved_, depth_;
};

// The main degree of gcd(a, b) mod p (-1: a non-constant GCD free of the
// main variable, which proves nothing about coprimality but bounds the
// degree by 0).
int32_t degree_mod(const PolyNode* a, const PolyNode* b, int32_t p, PolyVar* vars) {
    TempModulus temp(p);
    StashOff off;
    TrustImages trust;  // only the degree is wanted; 1 is proved by an image
    Poly ra(residue_image(a)), rb(residue_image(b)), g;
    // Degree-only: the driver may answer with the degree its evaluation
    // test found, an upper bound like the one asked for.
    polygcd(ra.get(), rb.get(), g, true, true, true, vars, 1, 1, false);
    if (poly_is_const(g.get())) return 0;
    const int32_t d = poly_degree(g.get());
    return d > 0 ? d : -1;
}

}  // namespace

bool quick_divisibility(const PolyNode* a, const PolyNode* b) {
    if (nodes(b) >= kQuickDivisorNodes || nodes(a) <= kQuickDividendNodes) return false;
    if (field_depth != 0) return false;
    if (!lintmode) {
        // b's content must divide a's; a content 1 of b (the usual case)
        // spares reading a's numbers.
        Number ca, cb, q, r;
        find_gcdcoefs(b, cb);
        if (!num_is_one(cb)) {
            find_gcdcoefs(a, ca);
            divide(ca, cb, q, r);
            if (!num_is_zero(r)) return false;
        }
    }
    return trial_poly_divide_noq(a, b, nullptr);
}

int32_t use_modular(const PolyNode* a, const PolyNode* b, PolyVar* vars) {
    for (int i = 0; i < kAuxPrimes; ++i) {
        const Number& q = prime[i];
        if (!q || q.size() == 0) return -1;  // no prime table
        if (lead_vanishes(a, q) || lead_vanishes(b, q)) continue;
        const int32_t d = degree_mod(a, b, convert_to_int(q, 0), vars);
        return d < 0 ? 0x7fffffff : d;
    }
    return -1;
}

int32_t fast_test_2(const PolyNode* a, const PolyNode* b, PolyVar* vars) {
    const int levels = number_polys - (vars ? vars->level : 1) + 1;
    if (levels < 2) return -1;
    int32_t best = -1;
    for (int t = 0; t < kImageTries && best != 0; ++t) {
        std::vector<Poly> owned(static_cast<size_t>(levels));
        std::vector<const PolyNode*> values(static_cast<size_t>(levels), kKeepLevel);
        for (int j = 1; j < levels; ++j) {
            Number x;
            setvalue(0, x);
            x.set_lint(global_list[global_cursor] % modulus);
            global_cursor = (global_cursor + 1) % kGlobalListSize;
            owned[static_cast<size_t>(j)].reset(number_node(std::move(x)));
            values[static_cast<size_t>(j)] = owned[static_cast<size_t>(j)].get();
        }
        Poly ia, ib, g;
        all_poly_eval(a, values.data(), levels, ia, 1);
        all_poly_eval(b, values.data(), levels, ib, 1);
        if (!ia || !ib || poly_degree(ia.get()) != poly_degree(a) ||
            poly_degree(ib.get()) != poly_degree(b))
            continue;  // a degree dropped
        basic_poly_gcd(ia.get(), ib.get(), g);
        const int32_t d = poly_is_const(g.get()) ? 0 : poly_degree(g.get());
        if (best < 0 || d < best) best = d;
    }
    return best;
}

bool essentially_equal(const PolyNode* a, const PolyNode* b) {
    if (poly_degree(a) != poly_degree(b) || nodes(a) != nodes(b)) return false;
    Poly x, y;
    correct_monic_form(a, x);
    correct_monic_form(b, y);
    return poly_equal(x.get(), y.get());
}

bool modular_first(const PolyNode* a, const PolyNode* b) {
    if (alg_c_count >= 3) return true;
    const int32_t na = nodes(a), nb = nodes(b);
    if (c_cntcount > kBusyCalls && na + nb < kBusyNodes) return false;
    const int64_t avg_a = poly_mass(a, 1, 1) / na, avg_b = poly_mass(b, 1, 1) / nb;
    if (avg_a <= kNodeAverageLimit && avg_b <= kNodeAverageLimit) return true;
    return !(poly_degree(b) < kSmallDegree && poly_num_terms(a) + poly_num_terms(b) < kSmallTerms);
}

namespace {

bool modular_fits(const PolyNode* a, const PolyNode* b, int32_t bound, const MassLimits& m) {
    const int32_t na = nodes(a), nb = nodes(b);
    if (na + nb <= tripval) return false;
    if (na > kBalance * nb || nb > kBalance * na) return false;
    const int32_t db = poly_degree(b), d = bound >= 0 && bound <= db ? bound : db;
    const int32_t ma = poly_mass(a, 1, 1), mb = poly_mass(b, 1, 1);
    if (mb < m.b_small && db == 1) return false;
    return db - d > mod_method_diff || db < kDegreeFactor * (db - d) || mb > m.b_large ||
           ma > m.a_large;
}

}  // namespace

bool do_mod_method_now(const PolyNode* a, const PolyNode* b, int32_t bound) {
    return modular_fits(a, b, bound, kModMethodMass);
}

bool mod_do_Chinese(const PolyNode* a, const PolyNode* b, int32_t bound) {
    return modular_fits(a, b, bound, kChineseMass);
}

bool worth_trial_division(const PolyNode* a, const PolyNode* b) {
    if (poly_degree(b) != 1 && nodes(a) + nodes(b) <= trial_cutoff) return false;
    return lintmode || poly_max_digits(a) < kTrialDigits;
}

}  // namespace tolmex
