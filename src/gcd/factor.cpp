// Factoring over finite fields (see the header): the square-free stage,
// distinct-degree factorisation and the driver. The equal-degree splitting
// is in cantor_zass.cpp, the arithmetic modulo a poly in powermod.cpp.
#include "gcd/factor.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "gcd/factor_ext.h"
#include "gcd/factor_internal.h"
#include "gcd/half_gcd.h"
#include "gcd/square_free.h"
#include "gcd/univariate_gcd.h"
#include "numbers/modular_state.h"
#include "poly/poly_residues.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"

namespace tolmex {

using gcdimpl::Exponent;
using gcdimpl::ModPoly;
using gcdimpl::Residues;

namespace factorimpl {

bool can_factor() { return modularmode && (mod_is_prime || finf); }

Exponent field_size() {
    if (finf) return Exponent(f256 ? 256 : 65536);
    return Exponent(static_cast<uint64_t>(modulus));
}

int32_t char2_degree() { return f256 ? 8 : f2t16 ? 16 : 1; }

Residues array_gcd(Residues a, Residues b) {
    Residues g;
    const int64_t size = static_cast<int64_t>(a.size() + b.size());
    if (size > (finf ? kHalfGcdFieldDegreeSum : kHalfGcdDegreeSum))
        fullhg(a, b, g);
    else
        euclid_total(a, b, g);
    return g;
}

Residues exact_quotient(Residues a, const Residues& b, const char* failure) {
    Residues q;
    gcdimpl::divide_in_place(a, b, q);
    if (!a.empty()) internal_stop(failure);
    return q;
}

namespace {

// Iterations of the distinct-degree loop whose differences h - x are
// multiplied together before one GCD with f: GCDs cost more than the few
// products of a power when q is small.
int32_t ddf_block(const Exponent& q, int32_t deg, bool matrix) {
    if (deg < 48) return 1;
    if (matrix) return 24;  // a step costs less than a tenth of a GCD
    return std::clamp(96 / q.bits(), 4, 32);
}

// The parts of one block's product that belong to each degree: G (a
// divisor of f) is split by gcd(h_i - x, G) for the block's i in order.
void split_block(const std::vector<Residues>& hs, int32_t first, Residues& G, Residues& f,
                 std::vector<DegreePart>& parts, bool test_only) {
    const Residues x{0, 1};
    std::unique_ptr<ModPoly> MG = std::make_unique<ModPoly>(G);
    for (size_t k = 0; k < hs.size() && gcdimpl::degree(G) > 0; ++k) {
        Residues t = MG->reduce_any(gcdimpl::difference(hs[k], x));
        Residues g = array_gcd(std::move(t), G);
        if (gcdimpl::degree(g) <= 0) continue;
        G = exact_quotient(std::move(G), g, "failure in distinct degree factoring.");
        if (gcdimpl::degree(G) > 0) MG = std::make_unique<ModPoly>(G);
        f = exact_quotient(std::move(f), g, "failure in distinct degree factoring.");
        parts.push_back({std::move(g), first + static_cast<int32_t>(k)});
        if (test_only) return;
    }
}

}  // namespace

namespace {

// The q-th power of h modulo the poly being split: by the matrix of the
// map, built once for the square-free part (h is then kept modulo that),
// or by powering modulo the current divisor.
class Frobenius {
public:
    Frobenius(const ModPoly& m, const Exponent& q) : q_(q) {
        if (!gcdimpl::FrobeniusMatrix::pays(m.deg())) return;
        const Residues xq = gcdimpl::powermod(Residues{0, 1}, m, q);
        matrix_ = std::make_unique<gcdimpl::FrobeniusMatrix>(m, xq);
    }
    bool fixed() const { return matrix_ != nullptr; }
    Residues next(const Residues& h, const ModPoly& current) const {
        return matrix_ ? matrix_->apply(h) : gcdimpl::powermod(h, current, q_);
    }

private:
    Exponent q_;
    std::unique_ptr<gcdimpl::FrobeniusMatrix> matrix_;
};

}  // namespace

void distinct_degree(Residues f, std::vector<DegreePart>& parts, bool test_only, bool show) {
    if (!finf && modulus == 2) return gf2_distinct_degree(std::move(f), parts, test_only);
    const Exponent q = field_size();
    const Residues x{0, 1};
    ModPoly M(f);
    const Frobenius frob(M, q);
    Residues h = M.reduce(x);
    int32_t i = 0;
    while (2 * (i + 1) <= gcdimpl::degree(f)) {
        const int32_t block = ddf_block(q, gcdimpl::degree(f), frob.fixed());
        std::vector<Residues> hs;
        Residues P{1};
        const int32_t first = i + 1;
        for (int32_t b = 0; b < block && 2 * (i + 1) <= gcdimpl::degree(f); ++b) {
            ++i;
            h = frob.next(h, M);
            Residues t = gcdimpl::difference(h, x);
            if (frob.fixed()) t = M.reduce(std::move(t));
            P = M.mulmod(P, t);
            hs.push_back(h);
        }
        if (show) std::printf(" distinct degree %d, degree left %d\n", i, gcdimpl::degree(f));
        poll_interrupt();
        Residues G = array_gcd(P, f);
        if (gcdimpl::degree(G) <= 0) continue;
        const size_t before = parts.size();
        split_block(hs, first, G, f, parts, test_only);
        if (test_only && parts.size() > before) return;
        if (gcdimpl::degree(f) <= 0) return;
        M = ModPoly(f);
        if (!frob.fixed()) h = M.reduce(std::move(h));
        poll_interrupt();
    }
    if (!test_only && gcdimpl::degree(f) > 0) {
        const int32_t d = gcdimpl::degree(f);
        parts.push_back({std::move(f), d});
    }
}

namespace {

// The display order of the factors: by degree, then by coefficients from
// x^(d-1) down to the constant, as residues.
bool factor_before(const Residues& a, const Residues& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    for (size_t i = a.size(); i-- > 0;)
        if (a[i] != b[i]) return a[i] < b[i];
    return false;
}

struct Found {
    Residues f;
    int32_t mult;
};

// The square-free parts of p with their multiplicities, as arrays.
std::vector<Found> square_free_parts(const PolyNode* p, PolyVar* vars) {
    Poly list;
    int32_t count = 0;
    square_free_factor(p, list, count, vars);
    std::vector<Found> parts;
    each_factor(list.get(), [&](int32_t mult, const PolyNode* g) {
        parts.push_back({gcdimpl::to_residues(g), mult});
    });
    return parts;
}

constexpr int kErrNegativeExponent = 198;
constexpr int kErrFieldDepth = 300;
constexpr int kErrCantFactor = 362;
constexpr int kErrNotOneVariable = 373;

bool has_negative_exponent(const PolyNode* p) {
    for (; p; p = p->next)
        if (p->expo < 0) return true;
    return false;
}

bool has_poly_coefficient(const PolyNode* p) {
    for (; p; p = p->next)
        if (!p->isnum && !poly_is_const(p->sub)) return true;
    return false;
}

// Factoring here is over Z/p or the fields of the tables, or over an
// extension built by modding out the variables just below p's variable
// (factor_ext.cpp). With p's own variable modded out outside the field, p
// is an element of a quotient ring; with unmodded variables between p's
// variable and the field, its coefficients are not field elements.
// A poly in a field variable is a field element: a unit, with no factors.
// (While a new modulus is being decided its variable's modulus is held
// aside: that variable is then the one being tested, not a field element.)
bool is_field_variable(const PolyVar* vars) {
    return vars && vars->mod_poly && field_depth > 0 && vars->level >= field_depth;
}

bool larger_ground(const PolyVar* vars) {
    if (!vars) return false;
    return vars->mod_poly != nullptr || (field_depth > 0 && vars->level < field_depth);
}

PolyNode* list_of(const std::vector<Found>& found) {
    Poly list;
    for (size_t k = found.size(); k-- > 0;)
        list.reset(factor_entry(found[k].mult, gcdimpl::to_poly(found[k].f), list.release()));
    return list.release();
}

}  // namespace

}  // namespace factorimpl

using namespace factorimpl;

void factor_poly(const PolyNode* p, Poly& list, int32_t& count, bool test_only, bool show, int level,
                 PolyVar* vars) {
    if (!can_factor()) fail(kErrCantFactor, "Factor");
    if (level >= 0 && level != field_depth) fail(kErrFieldDepth, "Factor");
    if (has_negative_exponent(p)) fail(kErrNegativeExponent, "Factor");
    list.reset();
    count = 0;
    // A constant in its variable (a field element) has no factors.
    if (poly_is_const(p) || main_degree(p) == 0 || is_field_variable(vars)) return;
    if (over_extension_field(vars)) return ext_factor_poly(p, list, count, test_only, show, vars);
    if (larger_ground(vars)) fail(kErrNotOneVariable, "Factor");
    if (has_poly_coefficient(p)) fail(kErrNotOneVariable, "Factor");
    std::vector<Found> sf = square_free_parts(p, vars);
    std::vector<Found> found;
    if (test_only && (sf.size() > 1 || sf[0].mult > 1)) {
        found.push_back(std::move(sf[0]));
    } else {
        for (Found& part : sf) {
            std::vector<DegreePart> parts;
            distinct_degree(std::move(part.f), parts, test_only, show);
            for (DegreePart& dp : parts) {
                if (test_only) {
                    found.push_back({std::move(dp.g), dp.d});
                    break;
                }
                std::vector<Residues> irr;
                equal_degree(std::move(dp.g), dp.d, irr, show);
                for (Residues& r : irr) found.push_back({std::move(r), part.mult});
            }
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return factor_before(a.f, b.f); });
    list.reset(list_of(found));
    count = static_cast<int32_t>(found.size());
}

int32_t irreducible_poly(const PolyNode* p, PolyVar* vars) {
    if (!can_factor()) return -1;
    if (has_negative_exponent(p)) fail(kErrNegativeExponent, "Irred");
    if (poly_is_const(p) || main_degree(p) == 0 || is_field_variable(vars)) return 0;
    if (over_extension_field(vars)) return ext_irreducible_poly(p, vars);
    if (has_poly_coefficient(p) || larger_ground(vars)) return -1;
    std::vector<Found> sf = square_free_parts(p, vars);
    int32_t smallest = main_degree(p);
    for (Found& part : sf) {
        std::vector<DegreePart> parts;
        const int32_t d = gcdimpl::degree(part.f);
        distinct_degree(std::move(part.f), parts, true, false);
        smallest = std::min(smallest, parts.empty() ? d : parts[0].d);
    }
    if (sf.size() == 1 && sf[0].mult == 1 && smallest == main_degree(p)) return 1;
    return -1 - smallest;
}

}  // namespace tolmex
