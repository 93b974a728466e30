// The arithmetic of quotients of polys on random rational functions in one
// to three variables, over Z and over Z/p: identities that every correct
// arithmetic keeps, and the normal form of every result.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "base/errors.h"
#include "gcd/polygcd.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/number.h"
#include "poly/poly_arith.h"
#include "poly/polyvars.h"
#include "quoly/quoly.h"
#include "quoly/quoly_arith.h"
#include "raised.h"
#include "ring_scope.h"
#include "storage/stash.h"

using namespace tolmex;

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        if (number_polys >= 3) return;
        for (const char* name : {"x", "y", "z"}) adjoin_poly_var(name, true);
    }
};
const auto* env = ::testing::AddGlobalTestEnvironment(new Env);

Poly constant(int v) {
    Poly p;
    poly_set(v, p);
    return p;
}

// A random nonzero poly in the first nv variables: up to four terms with
// coefficients -9 .. 9 and exponents 0 .. 2.
Poly nonzero_poly(std::mt19937_64& rng, int nv) {
    Poly p = constant(0);
    while (poly_iszero(p.get())) {
        for (int t = 0, terms = 1 + static_cast<int>(rng() % 4); t < terms; ++t) {
            Poly m = constant(static_cast<int>(rng() % 19) - 9), v, mv, s;
            for (int k = 1; k <= nv; ++k) {
                variable_power(v, k, static_cast<int32_t>(rng() % 3));
                poly_mult(m.get(), v.get(), mv, nullptr);
                m = std::move(mv);
            }
            poly_add(p.get(), m.get(), s);
            p = std::move(s);
        }
    }
    return p;
}
// Zero now and then.
Poly random_poly(std::mt19937_64& rng, int nv) {
    return rng() % 8 ? nonzero_poly(rng, nv) : constant(0);
}

Quoly as_quoly(const Poly& p) {
    Poly c;
    poly_assign(p.get(), c);
    Quoly q;
    p_q_take(std::move(c), q);
    return q;
}

// n / d brought to normal form.
Quoly fraction(const Poly& n, const Poly& d) {
    Quoly q;
    quoly_quot(as_quoly(n).get(), as_quoly(d).get(), q);
    return q;
}

// The conditions of the normal form, the coprimality by the GCD itself.
void expect_normal(const QuolyRec* q) {
    if (q->numflag) return;
    ASSERT_FALSE(poly_iszero(q->nump));
    if (!q->denp) {
        EXPECT_FALSE(poly_is_const(q->nump)) << "a constant numerator is numeric";
        return;
    }
    EXPECT_FALSE(poly_eq_1(q->denp));
    if (lintmode) {
        EXPECT_TRUE(num_is_one(leading_number(q->denp))) << "denominator not monic";
        EXPECT_FALSE(poly_is_const(q->denp));
        EXPECT_EQ(q->ratflag, 0);
    } else {
        EXPECT_GT(leading_number(q->denp).sign(), 0) << "negative leading coefficient";
        Number cn, cd, g;
        find_gcdcoefs(q->nump, cn);
        find_gcdcoefs(q->denp, cd);
        binary_gcd(cn, cd, g);
        EXPECT_TRUE(is_longint(g, 1)) << "contents share a factor";
        EXPECT_EQ(q->ratflag, poly_is_const(q->nump) && poly_is_const(q->denp));
    }
    Poly g;
    Lpolygcd(q->nump, q->denp, g);
    EXPECT_TRUE(poly_is_const(g.get())) << "numerator and denominator share a factor";
}

bool is_number(const QuolyRec* q, int v) {
    Quoly c;
    quoly_set(v, c);
    return quoly_equal(q, c.get());
}

constexpr int kVars = 3;
// The rings every identity runs over: Z and Z/32003.
const int32_t kRings[] = {0, 32003};

}  // namespace

// One seeded loop over Z and Z/p and one to three variables: identities
// that every correct arithmetic keeps, on random q1 = a/b, q2 = c/d and a
// number n, with every result in normal form.
void sum_identities(const Poly& a, const Poly& b, const Poly& c, const Poly& d) {
    Quoly q1 = fraction(a, b), q2 = fraction(c, d);
    expect_normal(q1.get());
    // The plain adder and the consuming (Henrici) one agree.
    Quoly plain, fast = quoly_copy(q1.get());
    quoly_add(q1.get(), q2.get(), plain);
    best_quoly_add(fast, quoly_copy(q2.get()));
    expect_normal(plain.get());
    expect_normal(fast.get());
    EXPECT_TRUE(quoly_equal(plain.get(), fast.get()));
    // (a/b + c/d) (b d) = a d + c b.
    Poly bd, ad, cb, want;
    poly_mult(b.get(), d.get(), bd, nullptr);
    poly_mult(a.get(), d.get(), ad, nullptr);
    poly_mult(c.get(), b.get(), cb, nullptr);
    poly_add(ad.get(), cb.get(), want);
    fast_quoly_mult(fast, as_quoly(bd));
    expect_normal(fast.get());
    Quoly expected = as_quoly(want);
    if (poly_iszero(want.get())) quoly_set(0, expected);
    EXPECT_TRUE(quoly_equal(fast.get(), expected.get()));
}

// q^k q^-k = 1, (q / r) r = q, q / q = 1, q - q = 0 by both subtractions,
// 1/q normal; (q / n) (n / q) = 1 and 1 (n q) = n q.
void cancellations(const Quoly& q, const Quoly& r, int k, int n) {
    Number e, minus_e;
    setvalue(k, e);
    setvalue(-k, minus_e);
    Quoly up = quoly_copy(q.get()), down = quoly_copy(q.get());
    raise_to_power(up, e);
    raise_to_power(down, minus_e);
    expect_normal(up.get());
    expect_normal(down.get());
    fast_quoly_mult(up, std::move(down));
    EXPECT_TRUE(is_number(up.get(), 1));
    Quoly ratio, back, one, diff, self = quoly_copy(q.get()), inv = quoly_copy(q.get());
    quoly_quot(q.get(), r.get(), ratio);
    expect_normal(ratio.get());
    quoly_mult(ratio.get(), r.get(), back);
    EXPECT_TRUE(quoly_equal(back.get(), q.get()));
    quoly_quot(q.get(), q.get(), one);
    EXPECT_TRUE(is_number(one.get(), 1));
    quoly_sub(q.get(), q.get(), diff);
    EXPECT_TRUE(is_number(diff.get(), 0));
    best_quoly_sub(self, quoly_copy(q.get()));
    EXPECT_TRUE(is_number(self.get(), 0));
    quoly_reciprocal(inv);
    expect_normal(inv.get());
    Quoly num, nq, q_n, n_q, t;
    quoly_set(n, num);
    quoly_mult(num.get(), q.get(), nq);
    quoly_quot(q.get(), num.get(), q_n);
    quoly_quot(num.get(), q.get(), n_q);
    for (const Quoly* v : {&nq, &q_n, &n_q}) expect_normal(v->get());
    quoly_mult(q_n.get(), n_q.get(), t);
    EXPECT_TRUE(is_number(t.get(), 1));
    fast_quoly_mult(t, quoly_copy(nq.get()));
    EXPECT_TRUE(quoly_equal(t.get(), nq.get()));
}

TEST(RationalFunctions, IdentitiesKeepTheNormalForm) {
    const uint64_t seed = 20261207;
    std::printf("seed %llu\n", static_cast<unsigned long long>(seed));
    std::mt19937_64 rng(seed);
    for (int32_t m : kRings) {
        unit::RingScope ring(m);
        for (int round = 0; round < 30; ++round) {
            SCOPED_TRACE(testing::Message() << "seed " << seed << " ring " << m << " round " << round);
            const int nv = 1 + round % kVars;
            Poly a = random_poly(rng, nv), b = nonzero_poly(rng, nv);
            Poly c = random_poly(rng, nv), d = nonzero_poly(rng, nv);
            sum_identities(a, b, c, d);
            Quoly q = fraction(nonzero_poly(rng, nv), nonzero_poly(rng, nv));
            Quoly r = fraction(nonzero_poly(rng, nv), nonzero_poly(rng, nv));
            cancellations(q, r, 1 + static_cast<int>(rng() % 3), 2 + static_cast<int>(rng() % 11));
        }
    }
}

TEST(RationalFunctions, ZeroDivisorsAndZeroDenominatorsAreErrors) {
    std::mt19937_64 rng(5);
    Quoly q = fraction(nonzero_poly(rng, 2), nonzero_poly(rng, 2));
    Quoly zero, r;
    quoly_set(0, zero);
    EXPECT_EQ(unit::raised_code([&] { quoly_quot(q.get(), zero.get(), r); }), 22);
    Quoly p = as_quoly(nonzero_poly(rng, 2));
    EXPECT_EQ(unit::raised_code([&] { quoly_quot(p.get(), zero.get(), r); }), 22);
    // A denominator that a mod operation makes 0: (1/x) mod x.
    Poly x;
    base_poly(x, 1);
    Quoly inv_x = fraction(constant(1), x);
    EXPECT_EQ(unit::raised_code([&] { quoly_mod_or_div(inv_x.get(), as_quoly(x).get(), r, '|'); }),
              210);
}
