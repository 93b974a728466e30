// Algorithm C: the primitive pseudo-remainder sequence, the method that
// always answers. Before each division its cost is estimated; a sequence
// that grows too costly is abandoned (at most four times per top-level
// GCD) and the pair handed back to the driver, whose modular methods then
// go first.
#include <cstdint>
#include <cstdio>

#include "base/errors.h"
#include "gcd/gcd_driver.h"
#include "gcd/gcd_state.h"
#include "gcd/polygcd.h"
#include "numbers/residue.h"
#include "poly/poly_divide.h"
#include "poly/poly_gcd_support.h"
#include "poly/polyvars.h"

namespace tolmex {

namespace {

// The cost rule: c = ((terms a + terms b) / 10) ((mass a + mass b) / 2) deg b.
constexpr int64_t kCostLimit = 120000;
constexpr int64_t kCostLimitManyVars = 40000;  // with more than kManyVars variables
constexpr int kManyVars = 9;
constexpr int64_t kCostHard = 200000;
constexpr int32_t kLeadTermsLarge = 400;
constexpr int32_t kLeadTermsSmall = 5;
constexpr int32_t kHugeTerms = 200000;
constexpr int32_t kMaxAbandons = 4;

int64_t cost_limit() { return number_polys > kManyVars ? kCostLimitManyVars : kCostLimit; }

int64_t estimate_cost(const PolyNode* a, const PolyNode* b) {
    const int64_t terms = (int64_t{poly_num_terms(a)} + poly_num_terms(b)) / 10;
    const int64_t mass = (int64_t{poly_mass(a, 1, 1)} + poly_mass(b, 1, 1)) / 2;
    const int64_t c = terms * mass * poly_degree(b);
    if (terms != 0 && (c / terms / (mass ? mass : 1) != poly_degree(b) || c > INT32_MAX))
        return cost_limit() + 1;  // overflow
    return c;
}

int32_t lead_terms(const PolyNode* b) {
    Poly lc(poly_main_lead(b));
    return poly_num_terms(lc.get());
}

// The pair costs too much for the sequence.
bool too_costly(const PolyNode* a, const PolyNode* b, int64_t& cost, int32_t& lc_terms) {
    const int32_t da = poly_degree(a), db = poly_degree(b);
    if (!(da > 2 && db > 1) && poly_num_terms(b) <= kHugeTerms) return false;
    cost = estimate_cost(a, b);
    if (cost <= cost_limit()) return false;
    lc_terms = lead_terms(b);
    return lc_terms > kLeadTermsLarge || (cost > kCostHard && lc_terms > kLeadTermsSmall);
}

// Gives the pair up (true) or reports that it cannot (false).
bool abandon(const PolyNode* a, const PolyNode* b, int64_t cost, int32_t lc_terms, bool& told) {
    const long da = poly_degree(a), db = poly_degree(b);
    if (alg_c_count >= kMaxAbandons) {
        if (verbose && !told)
            std::printf("Warning. Can't abandon Algorithm C. %li, %li, %li\n", da, db, long{cost});
        told = true;
        return false;
    }
    ++alg_c_count;
    if (verbose || !chinhensel) {
        std::printf("Warning. Abandon Algorithm C. %li, %li, %li, %li, ", long{alg_c_count}, da, db,
                    long{cost});
        std::printf("%li\n", long{lc_terms});
    }
    if (!chinhensel) {
        std::printf("\n!! ** Warning. You set &O to force Algorithm C!\n\n");
        internal_stop("&O conflict with large GCD problem.");
    }
    return true;
}

// q := the primitive part of p with respect to the main variable.
void primitive_part(const PolyNode* p, Poly& q, PolyVar* vars) {
    Poly c;
    content(p, c, vars);
    divide_by_content(p, c.get(), q, vars);
}

}  // namespace

void alg_c(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars, bool use_tests) {
    ++gcd_tally.alg_c_runs;
    ++g_cntcount;
    alg_c_level = vars ? vars->level : 1;
    Poly x(copy_poly(a)), y(copy_poly(b));
    bool told = false;
    for (;;) {
        poll_interrupt();
        int64_t cost = 0;
        int32_t lc_terms = 0;
        if (!gcd_force_alg_c && too_costly(x.get(), y.get(), cost, lc_terms) &&
            abandon(x.get(), y.get(), cost, lc_terms, told)) {
            // The driver again, on the current pair, modular methods first.
            return polygcd(x.get(), y.get(), g, false, use_tests, true, vars, 1, 1, false);
        }
        Poly r;
        pseudo_div_no_q(x.get(), y.get(), r, vars);
        if (poly_iszero(r.get())) return primitive_part(y.get(), g, vars);
        if (poly_degree(r.get()) <= 0) return poly_set(1, g);
        x = std::move(y);
        primitive_part(r.get(), y, vars);
    }
}

}  // namespace tolmex
