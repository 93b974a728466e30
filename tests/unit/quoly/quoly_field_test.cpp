// Rational functions over an algebraic extension: with z^2 = 2 (z the
// deepest variable, the field Q(z)) every quoly stays reduced, a
// denominator in the field becomes a factor of the numerator, common
// factors over the field cancel, and the normal form is one form: results
// reached along different roads are equal. Stored quolys are reduced when a
// modulus arrives (mod_out_quoly).
#include <gtest/gtest.h>

#include <random>

#include "gcd/gcd_state.h"
#include "poly/poly_arith.h"
#include "poly/poly_modout.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "quoly/quoly.h"
#include "quoly/quoly_arith.h"
#include "ring_scope.h"

using namespace tolmex;

namespace {

Poly cst(int v) {
    Poly p;
    poly_set(v, p);
    return p;
}
Poly var(int k, int e = 1) {
    Poly p;
    variable_power(p, k, e);
    return p;
}
Poly add(const Poly& a, const Poly& b) {
    Poly c;
    poly_add(a.get(), b.get(), c);
    return c;
}
Poly sub(const Poly& a, const Poly& b) {
    Poly c;
    poly_sub(a.get(), b.get(), c);
    return c;
}
Poly mul(const Poly& a, const Poly& b) {
    Poly c;
    poly_mult(a.get(), b.get(), c, nullptr);
    return c;
}
Quoly q_of(const Poly& p) {
    Poly c(copy_poly(p.get()));
    Quoly q;
    p_q_take(std::move(c), q);
    return q;
}
Quoly quot(const Quoly& a, const Quoly& b) {
    Quoly r;
    quoly_quot(a.get(), b.get(), r);
    return r;
}
Quoly times(const Quoly& a, const Quoly& b) {
    Quoly r;
    quoly_mult(a.get(), b.get(), r);
    return r;
}
Quoly plus(const Quoly& a, const Quoly& b) {
    Quoly r;
    quoly_add(a.get(), b.get(), r);
    return r;
}
Quoly minus(const Quoly& a, const Quoly& b) {
    Quoly r;
    quoly_sub(a.get(), b.get(), r);
    return r;
}

PolyVar* record(int level) {
    PolyVar* t = polynames;
    for (int i = 1; i < level; ++i) t = t->next;
    return t;
}

// z (level 3) modded out by m; the field begins at level 3.
class FieldZ {
public:
    explicit FieldZ(const Poly& m) : depth_(field_depth) {
        field_depth = 3;
        record(3)->mod_poly = copy_poly(m.get());
    }
    ~FieldZ() {
        free_poly(record(3)->mod_poly);
        field_depth = depth_;
    }

private:
    int depth_;
};

Poly z2_minus_2() { return sub(var(3, 2), cst(2)); }

TEST(QuolyField, KnownValuesOverQ) {
    unit::RingScope r(0);
    FieldZ f(z2_minus_2());
    const Poly x = var(1), z = var(3);
    // (x^2 - 2) / (x - z) = x + z.
    Quoly q = quot(q_of(sub(mul(x, x), cst(2))), q_of(sub(x, z)));
    EXPECT_TRUE(quoly_equal(q.get(), q_of(add(x, z)).get()));
    // 1 / z = z / 2.
    Quoly one;
    quoly_set(1, one);
    q = quot(one, q_of(z));
    ASSERT_FALSE(q->numflag);
    EXPECT_TRUE(poly_equal(q->nump, z.get()));
    ASSERT_TRUE(q->denp && poly_is_const(q->denp));
    EXPECT_TRUE(is_longint(poly_constant(q->denp), 2));
    // z^3 = 2z; (2z)^2 = 8 is a number.
    q = q_of(z);
    quoly_compute_power(q, 3);
    EXPECT_TRUE(poly_equal(q->nump, mul(cst(2), z).get()));
    quoly_compute_power(q, 2);
    ASSERT_TRUE(q->numflag);
    EXPECT_TRUE(is_longint(q->num, 8));
    // 1/(x - z) + 1/(x + z) = 2x / (x^2 - 2).
    q = plus(quot(one, q_of(sub(x, z))), quot(one, q_of(add(x, z))));
    Quoly want = quot(q_of(mul(cst(2), x)), q_of(sub(mul(x, x), cst(2))));
    EXPECT_TRUE(quoly_equal(q.get(), want.get()));
    // The denominator z x + 1 is made monic over the field: (z/2)/(x + z/2)
    // is 1/(zx + 1) with numerator and denominator times z: z / (2x + z).
    q = quot(one, q_of(add(mul(z, x), cst(1))));
    EXPECT_TRUE(poly_equal(q->nump, z.get()));
    EXPECT_TRUE(poly_equal(q->denp, add(mul(cst(2), x), z).get()));
}

// Random p, q, r, s in x and y over Q(z): the normal form does not depend
// on the road.
Poly random_element_poly(std::mt19937_64& rng) {
    Poly p = cst(0);
    while (poly_iszero(p.get())) {
        for (int t = 0, n = 1 + static_cast<int>(rng() % 3); t < n; ++t) {
            Poly m = cst(static_cast<int>(rng() % 9) - 4);
            for (int k = 1; k <= 3; ++k) m = mul(m, var(k, static_cast<int>(rng() % 2)));
            p = add(p, m);
        }
        total_poly_modout(p, polynames);
    }
    return p;
}

TEST(QuolyField, OneNormalFormAlongEveryRoad) {
    const uint64_t seed = 20261207;
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937_64 rng(seed);
    // Over Q with and without auxiliary primes (modulo 17021 and 17027,
    // both 3 or 5 mod 8, z^2 - 2 stays irreducible: the coprimality test
    // of several variables runs there).
    for (int32_t ring : {0, 0, 7}) {
        unit::RingScope r(ring);
        static int round_of_q = 0;
        auxptr = ring == 0 && round_of_q++ == 1 ? std::vector<int32_t>{17021, 17027} : std::vector<int32_t>{};
        FieldZ f(ring ? add(var(3, 2), cst(1)) : z2_minus_2());  // z^2 = -1 mod 7
        for (int i = 0; i < 60; ++i) {
            Quoly a = quot(q_of(random_element_poly(rng)), q_of(random_element_poly(rng)));
            Quoly b = quot(q_of(random_element_poly(rng)), q_of(random_element_poly(rng)));
            Quoly c = q_of(random_element_poly(rng));
            // (a + b) c = a c + b c; (a + b) - b = a; a / a = 1.
            Quoly left = times(plus(a, b), c), right = plus(times(a, c), times(b, c));
            EXPECT_TRUE(quoly_equal(left.get(), right.get())) << "ring " << ring << " round " << i;
            Quoly back = minus(plus(a, b), b);
            EXPECT_TRUE(quoly_equal(back.get(), a.get())) << "ring " << ring << " round " << i;
            Quoly one = quot(a, a);
            EXPECT_TRUE(one->numflag && num_is_one(one->num));
        }
    }
    auxptr.clear();
}

TEST(QuolyField, StoredValuesReducedByANewModulus) {
    unit::RingScope r(0);
    const Poly x = var(1), z = var(3);
    // Built before the modulus: z^3 / x and x / (z^2 - 2).
    Quoly q = quot(q_of(mul(z, var(3, 2))), q_of(x));
    Quoly bad = quot(q_of(x), q_of(z2_minus_2()));
    Quoly n = q_of(mul(x, sub(var(3, 2), cst(2))));
    FieldZ f(z2_minus_2());
    EXPECT_TRUE(mod_out_quoly(q));
    EXPECT_TRUE(quoly_equal(q.get(), quot(q_of(mul(cst(2), z)), q_of(x)).get()));
    EXPECT_FALSE(mod_out_quoly(bad));  // its denominator became 0
    EXPECT_TRUE(mod_out_quoly(n));     // its numerator became 0
    EXPECT_TRUE(n->numflag && num_is_zero(n->num));
}

}  // namespace
