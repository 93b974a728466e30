// Factoring over an extension field built by modding variables out: the
// poly's variable sits just above the field (levels field_depth and deeper
// are modded out by irreducible moduli over Z/p or a field of the tables),
// so its coefficients are field elements, polys in the field variables.
// The stages are those of the prime field (square-free parts, distinct
// degrees, equal-degree splitting), on polys with the ring's own products:
// every product is reduced by the moduli, remainders are taken by monic
// divisors, GCDs are Euclid over the field. q, the number of elements of
// the coefficient field, is p^k (2^(8k), 2^(16k)) with k the product of the
// moduli degrees.
#include "gcd/factor_ext.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "gcd/factor_internal.h"
#include "gcd/field_gcd.h"
#include "gcd/polygcd.h"
#include "numbers/modular_state.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_eval.h"
#include "poly/poly_gcd_support.h"
#include "poly/poly_modout.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_residues.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"

namespace tolmex {

using gcdimpl::Exponent;

namespace {

// The field's shape: the records of its variables and the degrees of
// their moduli.
struct FieldShape {
    std::vector<PolyVar*> vars;
    std::vector<int32_t> degrees;
    int32_t degree = 1;  // over the prime field (times 8 or 16 in the tables' fields)
};

FieldShape field_shape(PolyVar* above) {
    FieldShape s;
    for (PolyVar* t = above->next; t; t = t->next) {
        const PolyNode* m = own_modulus(t);
        if (!m) internal_stop("factoring over a field whose variable has no modulus.");
        s.vars.push_back(t);
        s.degrees.push_back(poly_degree(m));
        s.degree *= s.degrees.back();
    }
    s.degree *= factorimpl::char2_degree() > 1 ? factorimpl::char2_degree() : 1;
    return s;
}

Exponent field_order(const FieldShape& s) {
    if (finf) return Exponent::power(Exponent(2), s.degree);
    return Exponent::power(Exponent(static_cast<uint64_t>(modulus)), s.degree);
}

std::mt19937_64& ext_rng() {
    static std::mt19937_64 g(0x657874666163ULL);  // fixed: the same input takes the same route
    return g;
}

// Arithmetic of polys in the variable above the field.
class ExtRing {
public:
    explicit ExtRing(PolyVar* vars) : vars_(vars), plain_(newdummy(vars)) {}

    Poly mul(const PolyNode* a, const PolyNode* b) const {
        Poly c;
        poly_mult(a, b, c, vars_);
        total_poly_modout(c, vars_);
        return c;
    }
    // a mod f for a monic f.
    Poly rem(const PolyNode* a, const PolyNode* f) const {
        if (poly_degree(a) < poly_degree(f)) return Poly(copy_poly(a));
        Poly r;
        pseudo_div_no_q(a, f, r, plain_);
        total_poly_modout(r, vars_);
        return r;
    }
    Poly mulmod(const PolyNode* a, const PolyNode* b, const PolyNode* f) const {
        Poly c = mul(a, b);
        return rem(c.get(), f);
    }
    Poly powmod(const PolyNode* a, const Exponent& e, const PolyNode* f) const {
        Poly r;
        poly_set(1, r);
        Poly base = rem(a, f);
        for (int32_t i = e.bits() - 1; i >= 0; --i) {
            r = mulmod(r.get(), r.get(), f);
            if (e.bit(i)) r = mulmod(r.get(), base.get(), f);
            poll_interrupt();
        }
        return r;
    }
    Poly monic(const PolyNode* p) const {
        Poly r;
        rat_monic_poly(p, r, vars_);
        return r;
    }
    Poly gcd(const PolyNode* a, const PolyNode* b) const {
        if (poly_iszero(a)) return monic(b);
        if (poly_iszero(b)) return monic(a);
        Poly g;
        field_coef_gcd(a, b, g, vars_);
        return monic(g.get());
    }
    Poly quotient(const PolyNode* a, const PolyNode* b, const char* failure) const {
        Poly q;
        Number c;
        if (!field_exact_quotient(a, b, q, c, vars_)) internal_stop(failure);
        return q;
    }
    Poly x() const {
        Poly r;
        variable_power(r, 1, 1);
        return r;
    }
    static Poly minus(const PolyNode* a, const PolyNode* b) {
        Poly c;
        poly_sub(a, b, c);
        return c;
    }

    PolyVar* vars() const { return vars_; }

private:
    PolyVar* vars_;
    PolyVar* plain_;
};

int32_t deg(const Poly& p) { return poly_degree(p.get()); }

// A random field element: random residues on every monomial below the
// moduli degrees, as a poly rooted one level below the variable.
Poly random_element(const FieldShape& s) {
    const uint32_t range = finf ? (f256 ? 256u : 65536u) : static_cast<uint32_t>(modulus);
    Poly sum;
    poly_set(0, sum);
    std::vector<int32_t> e(s.degrees.size(), 0);
    for (;;) {
        Poly mono;
        poly_set(static_cast<int32_t>(ext_rng()() % range), mono);
        for (size_t k = 0; k < e.size(); ++k) {
            Poly v, t;
            variable_power(v, static_cast<int>(k) + 1, e[k]);
            poly_mult(mono.get(), v.get(), t, nullptr);
            mono = std::move(t);
        }
        Poly t;
        poly_add(sum.get(), mono.get(), t);
        sum = std::move(t);
        size_t k = 0;
        while (k < e.size() && ++e[k] == s.degrees[k]) e[k++] = 0;
        if (k == e.size()) break;
    }
    return sum;
}

// A random poly of degree below n over the field.
Poly random_ext_poly(const ExtRing& R, const FieldShape& s, int32_t n) {
    Poly sum;
    poly_set(0, sum);
    for (int32_t i = 0; i < n; ++i) {
        Poly c = random_element(s);
        PolyNode* padded = c.release();
        if (!poly_is_const(padded)) add_pad(padded);
        Poly cp(padded), xi, t, u;
        variable_power(xi, 1, i);
        poly_mult(xi.get(), cp.get(), t, R.vars());
        poly_add(sum.get(), t.get(), u);
        sum = std::move(u);
    }
    return sum;
}

// The p-th root of a field element c: c^(q/p).
Poly element_root(const PolyNode* c, const FieldShape& s) {
    if (poly_is_const(c) && !finf) return Poly(copy_poly(c));
    // q / p: q is a power of p, so dividing is dropping one factor.
    const Exponent qp = finf ? Exponent::power(Exponent(2), s.degree - 1)
                       : Exponent::power(Exponent(static_cast<uint64_t>(modulus)), s.degree - 1);
    PolyVar* top = s.vars.front();
    Poly r, base(copy_poly(c));
    poly_set(1, r);
    for (int32_t i = qp.bits() - 1; i >= 0; --i) {
        Poly t;
        poly_mult(r.get(), r.get(), t, top);
        total_poly_modout(t, top);
        r = std::move(t);
        if (qp.bit(i)) {
            Poly u;
            poly_mult(r.get(), base.get(), u, top);
            total_poly_modout(u, top);
            r = std::move(u);
        }
    }
    return r;
}

int32_t characteristic() { return finf ? 2 : modulus; }

// f = g(x^p) with every coefficient a p-th power: the poly whose p-th
// power f is.
Poly ext_pth_root(const PolyNode* f, const FieldShape& s) {
    const int32_t p = characteristic();
    Poly r;
    poly_set(0, r);
    for (const PolyNode* t = f; t; t = t->next) {
        Poly c;
        if (t->isnum) {
            Poly k;
            poly_set(t->num.lint(), k);
            c = element_root(k.get(), s);
        } else {
            c = element_root(t->sub, s);
        }
        PolyNode* padded = c.release();
        if (!poly_is_const(padded)) add_pad(padded);
        Poly cp(padded), xi, m, u;
        variable_power(xi, 1, t->expo / p);
        poly_mult(xi.get(), cp.get(), m, nullptr);
        poly_add(r.get(), m.get(), u);
        r = std::move(u);
    }
    return r;
}

Poly derivative(const PolyNode* f) {
    Poly d(copy_poly(f));
    poly_diff(d, 1);
    return d;
}

struct ExtFactor {
    Poly f;
    int32_t mult;
};

// Square-free decomposition over the field (monic f of positive degree).
void ext_square_free(const ExtRing& R, const FieldShape& s, Poly f, int32_t m,
                     std::vector<ExtFactor>& out) {
    const int32_t p = characteristic();
    while (deg(f) > 0) {
        Poly d = derivative(f.get());
        if (poly_iszero(d.get())) {
            f = ext_pth_root(f.get(), s);
            m *= p;
            continue;
        }
        Poly c = R.gcd(f.get(), d.get());
        Poly w = R.quotient(f.get(), c.get(), " failed in square free factor.");
        for (int32_t i = 1; deg(w) > 0; ++i) {
            if (i % p == 0) {
                c = R.quotient(c.get(), w.get(), " failed in square free factor.");
                continue;
            }
            Poly y = R.gcd(w.get(), c.get());
            Poly z = R.quotient(w.get(), y.get(), " failed in square free factor.");
            if (deg(z) >= 1) out.push_back({R.monic(z.get()), m * i});
            w = std::move(y);
            c = R.quotient(c.get(), w.get(), " failed in square free factor.");
        }
        if (deg(c) <= 0) return;
        f = ext_pth_root(c.get(), s);
        m *= p;
    }
}

struct ExtPart {
    Poly g;
    int32_t d;
};

// Distinct-degree factorisation of a monic square-free f.
void ext_distinct_degree(const ExtRing& R, const Exponent& q, Poly f, std::vector<ExtPart>& parts,
                         bool test_only, bool show) {
    const Poly x = R.x();
    Poly h = R.rem(x.get(), f.get());
    for (int32_t i = 1; 2 * i <= deg(f); ++i) {
        h = R.powmod(h.get(), q, f.get());
        if (show) std::printf(" distinct degree %d, degree left %d\n", i, deg(f));
        Poly t = ExtRing::minus(h.get(), x.get());
        Poly g = R.gcd(t.get(), f.get());
        if (deg(g) <= 0) continue;
        f = R.quotient(f.get(), g.get(), "failure in distinct degree factoring.");
        parts.push_back({std::move(g), i});
        if (test_only) return;
        h = R.rem(h.get(), f.get());
    }
    if (!test_only && deg(f) > 0) {
        const int32_t d = deg(f);
        parts.push_back({std::move(f), d});
    }
}

// Equal-degree splitting of f, a product of monic irreducibles of degree d.
void ext_equal_degree(const ExtRing& R, const FieldShape& s, const Exponent& q, Poly f, int32_t d,
                      std::vector<Poly>& out) {
    if (deg(f) == d) {
        out.push_back(std::move(f));
        return;
    }
    const bool even = characteristic() == 2;
    Exponent e = Exponent::power(q, d);
    e.sub_one();
    e.halve();
    for (;;) {
        poll_interrupt();
        Poly r = random_ext_poly(R, s, deg(f));
        if (deg(r) <= 0) continue;
        Poly t;
        if (even) {
            // The trace r + r^2 + r^4 + ... with k d terms.
            Poly sq(copy_poly(r.get()));
            t.reset(copy_poly(r.get()));
            for (int32_t j = 1; j < s.degree * d; ++j) {
                sq = R.mulmod(sq.get(), sq.get(), f.get());
                Poly u;
                poly_add(t.get(), sq.get(), u);
                t = std::move(u);
            }
        } else {
            Poly one;
            poly_set(1, one);
            Poly pw = R.powmod(r.get(), e, f.get());
            t = ExtRing::minus(pw.get(), one.get());
        }
        Poly g = R.gcd(t.get(), f.get());
        if (deg(g) <= 0 || deg(g) >= deg(f)) continue;
        Poly rest = R.quotient(f.get(), g.get(), even ? "failure in even_cantor_zass." : "failure in odd_cantor_zass.");
        ext_equal_degree(R, s, q, std::move(g), d, out);
        ext_equal_degree(R, s, q, std::move(rest), d, out);
        return;
    }
}

// A total order on polys for the display of the factors: by degree, then
// term by term from the top (exponents, then coefficients).
int compare_polys(const PolyNode* a, const PolyNode* b) {
    for (; a && b; a = a->next, b = b->next) {
        if (a->isnum != b->isnum) return a->isnum ? -1 : 1;
        if (a->expo != b->expo) return a->expo < b->expo ? -1 : 1;
        if (a->isnum) {
            const int32_t x = a->num.lint(), y = b->num.lint();
            if (x != y) return x < y ? -1 : 1;
        } else if (int c = compare_polys(a->sub, b->sub)) {
            return c;
        }
    }
    if (a || b) return a ? 1 : -1;
    return 0;
}

bool factor_before(const ExtFactor& a, const ExtFactor& b) {
    if (deg(a.f) != deg(b.f)) return deg(a.f) < deg(b.f);
    return compare_polys(a.f.get(), b.f.get()) < 0;
}

}  // namespace

bool over_extension_field(const PolyVar* vars) {
    if (!vars || vars->mod_poly || field_depth <= 0 || vars->level != field_depth - 1 || !lintmode) return false;
    // Every field variable carries its modulus (none is held aside).
    for (const PolyVar* t = vars->next; t; t = t->next)
        if (!own_modulus(t)) return false;
    return true;
}

void ext_factor_poly(const PolyNode* p, Poly& list, int32_t& count, bool test_only, bool show,
                     PolyVar* vars) {
    const ExtRing R(vars);
    const FieldShape s = field_shape(vars);
    const Exponent q = field_order(s);
    std::vector<ExtFactor> sf;
    ext_square_free(R, s, R.monic(p), 1, sf);
    std::vector<ExtFactor> found;
    if (test_only && (sf.size() > 1 || sf[0].mult > 1)) {
        found.push_back(std::move(sf[0]));
    } else {
        for (ExtFactor& part : sf) {
            std::vector<ExtPart> parts;
            ext_distinct_degree(R, q, std::move(part.f), parts, test_only, show);
            for (ExtPart& dp : parts) {
                if (test_only) {
                    found.push_back({std::move(dp.g), dp.d});
                    break;
                }
                if (show) std::printf(" splitting degree %d into factors of degree %d\n", deg(dp.g), dp.d);
                std::vector<Poly> irr;
                ext_equal_degree(R, s, q, std::move(dp.g), dp.d, irr);
                for (Poly& g : irr) found.push_back({std::move(g), part.mult});
            }
        }
    }
    std::sort(found.begin(), found.end(), factor_before);
    Poly out;
    for (size_t k = found.size(); k-- > 0;) out.reset(factor_entry(found[k].mult, found[k].f.release(), out.release()));
    list = std::move(out);
    count = static_cast<int32_t>(found.size());
}

int32_t ext_irreducible_poly(const PolyNode* p, PolyVar* vars) {
    const ExtRing R(vars);
    const FieldShape s = field_shape(vars);
    const Exponent q = field_order(s);
    const int32_t n = poly_degree(p);
    std::vector<ExtFactor> sf;
    ext_square_free(R, s, R.monic(p), 1, sf);
    int32_t smallest = n;
    for (ExtFactor& part : sf) {
        const int32_t d = deg(part.f);
        std::vector<ExtPart> parts;
        ext_distinct_degree(R, q, std::move(part.f), parts, true, false);
        smallest = std::min(smallest, parts.empty() ? d : parts[0].d);
    }
    if (sf.size() == 1 && sf[0].mult == 1 && smallest == n) return 1;
    return -1 - smallest;
}

}  // namespace tolmex
