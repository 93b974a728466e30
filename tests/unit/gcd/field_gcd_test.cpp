// GCDs over poly-mod-out fields: over GF(p)[a]/(m) against a Euclid over
// the finite field written here on coefficient vectors; over Q(a) by the
// properties of a GCD and by its degree against that Euclid modulo a prime
// that keeps m irreducible; a tower of two extensions; the temporary
// modulus that puts the images of the modding polys in force.
#include <gtest/gtest.h>

#include <gmp.h>

#include <random>
#include <vector>

#include "gcd/field_gcd.h"
#include "gcd/gcd_driver.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "poly/modout_support.h"
#include "poly/poly_gcd_support.h"
#include "poly/poly_modout_hooks.h"
#include "gcd_test_support.h"
#include "raised.h"

using namespace tolmex;
using namespace polytest;

namespace {

// ---------------------------------------------------------------------------
// The finite field GF(p)[a]/(m) and polys over it, for reference.

using Elem = std::vector<int64_t>;  // coefficients of a^0 .. a^(d-1)
using RPoly = std::vector<Elem>;    // coefficients of x^0 .. x^n

struct Gf {
    int64_t p;
    std::vector<int64_t> m;  // low coefficients of the monic modulus, a^0 .. a^(d-1)
    int d() const { return static_cast<int>(m.size()); }
    Elem zero() const { return Elem(m.size(), 0); }
    bool is_zero(const Elem& u) const {
        for (int64_t c : u)
            if (c) return false;
        return true;
    }
    Elem mul(const Elem& u, const Elem& v) const {
        std::vector<int64_t> w(2 * m.size(), 0);
        for (size_t i = 0; i < u.size(); ++i)
            for (size_t j = 0; j < v.size(); ++j) w[i + j] = (w[i + j] + u[i] * v[j]) % p;
        for (size_t k = w.size(); k-- > m.size();) {
            const int64_t c = w[k];
            if (!c) continue;
            for (size_t i = 0; i < m.size(); ++i)
                w[k - m.size() + i] = ((w[k - m.size() + i] - c * m[i]) % p + p) % p;
        }
        return Elem(w.begin(), w.begin() + d());
    }
    Elem pow(Elem u, int64_t e) const {
        Elem r = zero();
        r[0] = 1;
        for (; e; e >>= 1, u = mul(u, u))
            if (e & 1) r = mul(r, u);
        return r;
    }
    Elem inv(const Elem& u) const {
        int64_t q = 1;
        for (int i = 0; i < d(); ++i) q *= p;
        return pow(u, q - 2);
    }
    Elem sub(const Elem& u, const Elem& v) const {
        Elem w(u);
        for (size_t i = 0; i < w.size(); ++i) w[i] = ((w[i] - v[i]) % p + p) % p;
        return w;
    }
    void trim(RPoly& f) const {
        while (!f.empty() && is_zero(f.back())) f.pop_back();
    }
    RPoly monic(RPoly f) const {
        trim(f);
        if (f.empty()) return f;
        const Elem l = inv(f.back());
        for (Elem& c : f) c = mul(c, l);
        return f;
    }
    RPoly rem(RPoly f, RPoly g) const {
        trim(f);
        g = monic(g);
        while (f.size() >= g.size()) {
            const Elem c = f.back();
            const size_t s = f.size() - g.size();
            for (size_t i = 0; i < g.size(); ++i) f[s + i] = sub(f[s + i], mul(c, g[i]));
            trim(f);
        }
        return f;
    }
    RPoly gcd(RPoly f, RPoly g) const {
        trim(f);
        trim(g);
        while (!g.empty()) {
            RPoly r = rem(f, g);
            f = std::move(g);
            g = std::move(r);
        }
        return monic(f);
    }
    // A poly in x (level 1) over a (level 2), through its expansion.
    RPoly from(const PolyNode* q) const {
        RPoly f;
        const Expansion x = expand(q, 2);
        for (const auto& [mono, c] : x.terms()) {
            const size_t e = static_cast<size_t>(mono.e[0]);
            if (f.size() <= e) f.resize(e + 1, zero());
            f[e][static_cast<size_t>(mono.e[1])] = ((mpz_fdiv_ui(*c, static_cast<unsigned long>(p))) % p);
        }
        trim(f);
        return f;
    }
};

Poly reduced_product(const PolyNode* a, const PolyNode* b) {
    Poly c;
    poly_mult(a, b, c, polynames);
    return c;
}

Poly modulus_poly(const std::vector<int64_t>& low) {
    // a^d + low[d-1] a^(d-1) + ... + low[0], a at level 2.
    gcdtest::P a = gcdtest::var(2);
    gcdtest::P m = a ^ static_cast<int>(low.size());
    for (size_t i = 0; i < low.size(); ++i) {
        gcdtest::P t(static_cast<int64_t>(low[i]));
        if (i > 0) t = t * (a ^ static_cast<int>(i));
        m = m + t;
    }
    return Poly(copy_poly(m.get()));
}

// A random poly in x of degree deg with coefficients in Z[a] of degree < d.
Poly random_over_field(std::mt19937_64& rng, int deg, int d, int span) {
    Shape s{2, 3 * (deg + 1), deg, 1, false};
    Poly p = random_poly(rng, s);
    // The leading term in x: a fixed monomial so that the degree is deg.
    int64_t c = static_cast<int64_t>(rng() % span) + 1;
    if (lintmode && c % modulus == 0) c = 1;  // a zero coefficient is no term
    Poly lead = monomial_poly(int_number(c), {deg, static_cast<int32_t>(rng() % d)});
    Poly r;
    poly_add(p.get(), lead.get(), r);
    total_poly_modout(r, polynames);
    return r;
}

Poly gcd_of(const PolyNode* a, const PolyNode* b) {
    Poly g;
    Lpolygcd(a, b, g);
    return g;
}

TEST(FieldGcd, OverFiniteFieldMatchesReferenceEuclid) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 11);
    struct Case {
        int32_t p;
        std::vector<int64_t> m;
    };
    // a^2 + 1 mod 7, a^3 + a + 1 mod 2, a^2 - 3 mod 10037 (3 is no square).
    for (const Case& c : std::vector<Case>{{7, {1, 0}}, {2, {1, 1, 0}}, {10037, {10034, 0}}}) {
        SCOPED_TRACE("p = " + std::to_string(c.p));
        use_vars(2);
        Ring r(c.p);
        ModScope ms(2);
        Poly m = modulus_poly(c.m);
        ms.mod(2, m.get());
        const Gf gf{c.p, c.m};
        for (int i = 0; i < 6; ++i) {
            Poly f = random_over_field(rng, 1 + static_cast<int>(rng() % 3), gf.d(), 5);
            Poly u = random_over_field(rng, static_cast<int>(rng() % 4), gf.d(), 5);
            Poly v = random_over_field(rng, static_cast<int>(rng() % 4), gf.d(), 5);
            Poly a = reduced_product(f.get(), u.get()), b = reduced_product(f.get(), v.get());
            Poly g = gcd_of(a.get(), b.get());
            EXPECT_TRUE(gf.from(g.get()) == gf.gcd(gf.from(a.get()), gf.from(b.get())))
                << text(a.get(), 2) << " and " << text(b.get(), 2) << " gave " << text(g.get(), 2);
        }
    }
}

// g divides a over the field: the pseudo-remainder vanishes.
bool divides_over_field(const PolyNode* g, const PolyNode* a) {
    if (poly_degree(g) <= 0) return true;
    Poly r;
    pseudo_field_coef_poly_div(a, g, nullptr, &r, newdummy(polynames));
    return poly_iszero(r.get());
}

TEST(FieldGcd, OverRationalExtension) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 12);
    use_vars(2);
    Ring r(0);
    gcdtest::load_aux_primes();
    ModScope ms(2);
    Poly m = modulus_poly({-2, 0});  // a^2 = 2
    ms.mod(2, m.get());
    // 1000003 = 3 mod 8: 2 is no square there.
    const Gf gf{1000003, {1000001, 0}};
    for (bool aux : {false, true}) {
        auxptr = aux ? std::vector<int32_t>{1000003, 1000099} : std::vector<int32_t>{};
        for (int i = 0; i < 8; ++i) {
            Poly f = random_over_field(rng, static_cast<int>(rng() % 3), 2, 9);
            Poly u = random_over_field(rng, 1 + static_cast<int>(rng() % 3), 2, 9);
            Poly v = random_over_field(rng, 1 + static_cast<int>(rng() % 3), 2, 9);
            Poly a = reduced_product(f.get(), u.get()), b = reduced_product(f.get(), v.get());
            if (poly_iszero(a.get()) || poly_iszero(b.get())) continue;
            Poly g = gcd_of(a.get(), b.get());
            EXPECT_TRUE(divides_over_field(g.get(), a.get()) && divides_over_field(g.get(), b.get()));
            EXPECT_TRUE(divides_over_field(f.get(), g.get())) << text(g.get(), 2);
            EXPECT_GT(leading_number(g.get()).sign(), 0);
            size_t want = 0;
            {
                TempModulus tm(gf.p);
                Poly am(residue_image(a.get())), bm(residue_image(b.get()));
                want = gf.gcd(gf.from(am.get()), gf.from(bm.get())).size();
            }
            EXPECT_EQ(static_cast<size_t>(poly_degree(g.get()) + 1), want)
                << text(a.get(), 2) << " and " << text(b.get(), 2);
        }
    }
    auxptr.clear();
}

TEST(FieldGcd, KnownAnswersAndTower) {
    use_vars(3);
    Ring r(0);
    ModScope ms(2);
    gcdtest::P x = gcdtest::var(1), b = gcdtest::var(2), a = gcdtest::var(3);
    Poly ma(copy_poly(((a ^ 2) - gcdtest::P(2)).get()));  // a^2 = 2
    Poly mb(copy_poly(((b ^ 2) - a).get()));               // b^2 = a
    ms.mod(3, ma.get());
    ms.mod(2, mb.get());
    // x^2 - a = (x - b)(x + b); x^4 - 2 = (x^2 - a)(x^2 + a).
    Poly g = gcd_of(((x ^ 2) - a).get(), (x - b).get());
    EXPECT_TRUE(poly_equal(g.get(), (x - b).get())) << text(g.get(), 3);
    g = gcd_of(((x ^ 4) - gcdtest::P(2)).get(), ((x ^ 2) - a).get());
    EXPECT_TRUE(poly_equal(g.get(), ((x ^ 2) - a).get())) << text(g.get(), 3);
    // A field element is a unit: only the integer contents remain.
    g = gcd_of((gcdtest::P(6) * x + gcdtest::P(6)).get(), (gcdtest::P(4) * b).get());
    EXPECT_TRUE(poly_equal(g.get(), gcdtest::P(2).get()));
    // Coprime over the field.
    g = gcd_of(((x ^ 2) - a).get(), (x - a).get());
    EXPECT_TRUE(poly_eq_1(g.get())) << text(g.get(), 3);
}

// A random reduced poly in x, y over Q(a)(b) (levels 1 to 4).
Poly random_over_tower(std::mt19937_64& rng, int terms) {
    Poly p = random_poly(rng, Shape{4, terms, 2, 1, false});
    total_poly_modout(p, polynames);
    return p;
}

// Operands in several variables over a tower: the coprimality test by
// images at points (auxiliary primes on) and the remainder sequence alone
// (none) give the same GCD, a multiple of the factor built in.
TEST(FieldGcd, SeveralVariablesOverTowerByImagesAndBySequence) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 13);
    use_vars(4);
    Ring r(0);
    ModScope ms(3);
    gcdtest::P b = gcdtest::var(3), a = gcdtest::var(4);
    Poly ma(copy_poly(((a ^ 2) - gcdtest::P(2)).get()));  // a^2 = 2
    Poly mb(copy_poly(((b ^ 2) - a).get()));               // b^2 = a
    ms.mod(4, ma.get());
    ms.mod(3, mb.get());
    // Primes where a^2 - 2 and then b^2 - a stay irreducible.
    const std::vector<int32_t> aux{17021, 17029, 17053};
    for (int i = 0; i < 8; ++i) {
        Poly f = i % 2 ? random_over_tower(rng, 3) : Poly(copy_poly(gcdtest::P(1).get()));
        Poly u = random_over_tower(rng, 4), v = random_over_tower(rng, 4);
        Poly x = reduced_product(f.get(), u.get()), y = reduced_product(f.get(), v.get());
        if (poly_is_const(x.get()) || poly_is_const(y.get())) continue;
        auxptr = aux;
        Poly g = gcd_of(x.get(), y.get());
        auxptr.clear();
        Poly h = gcd_of(x.get(), y.get());
        EXPECT_TRUE(poly_equal(g.get(), h.get())) << text(g.get(), 4) << " and " << text(h.get(), 4);
        Poly q;
        Number c;
        EXPECT_TRUE(field_exact_quotient(g.get(), f.get(), q, c, polynames)) << text(f.get(), 4);
    }
}

TEST(FieldGcd, TempModulusPutsModulusImagesInForce) {
    use_vars(2);
    Ring r(0);
    ModScope ms(2);
    Poly m = modulus_poly({100000000000, 3});  // a^2 + 3a + 10^11
    ms.mod(2, m.get());
    PolyVar* v = var_record(2);
    PolyNode* before = v->mod_poly;
    EXPECT_EQ(unit::raised_code([&] {
                  TempModulus tm(7);
                  // 10^11 = 3^11 = 5 mod 7.
                  EXPECT_TRUE(poly_equal(v->mod_poly, modulus_poly({5, 3}).get())) << plain_form(v->mod_poly);
                  {
                      TempModulus inner(5);  // from the rational poly, not from its image
                      EXPECT_TRUE(poly_equal(v->mod_poly, modulus_poly({0, 3}).get()));
                  }
                  EXPECT_TRUE(poly_equal(v->mod_poly, modulus_poly({5, 3}).get()));
                  fail(22, "/");
              }),
              22);
    EXPECT_EQ(v->mod_poly, before);
    EXPECT_TRUE(poly_equal(v->mod_poly, m.get()));
    EXPECT_EQ(lintmode, 0);
}

}  // namespace
