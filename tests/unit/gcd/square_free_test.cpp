// Square-free decomposition over Z/p, the fields of characteristic 2 and
// Z: the factors rebuild the input, are square-free and pairwise coprime,
// p-th powers are recognised, and impossible roots are errors.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>
#include <vector>

#include "gcd/gcd_methods.h"
#include "gcd/square_free.h"
#include "numbers/decimal.h"
#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_eval.h"
#include "poly/poly_residues.h"
#include "poly/poly_support.h"
#include "gcd_test_support.h"
#include "raised.h"

using namespace tolmex;
using gcdtest::P;
using gcdtest::var;

namespace {

using Entries = std::vector<std::pair<int32_t, Poly>>;

struct Decomposed {
    Entries entries;
    int32_t count = 0;
};

Decomposed decompose(const PolyNode* f, bool rational = false) {
    Poly list;
    Decomposed d;
    if (rational)
        rat_sq_free_factor(f, list, d.count, nullptr);
    else
        square_free_factor(f, list, d.count, nullptr);
    each_factor(list.get(), [&](int32_t m, const PolyNode* z) {
        d.entries.emplace_back(m, Poly(copy_poly(z)));
    });
    return d;
}

Poly power_of(const PolyNode* p, int32_t n) {
    Poly r;
    poly_power(p, n, r, nullptr);
    return r;
}

Poly monic(const PolyNode* f) {
    int32_t inv = 0;
    emod_inverse(leading_number(f).lint(), inv);
    Poly r;
    scalar_by_poly(polytest::int_number(inv), f, r);
    return r;
}

Poly rebuild(const Entries& e) {
    Poly r = polytest::int_poly(1);
    for (const auto& [m, z] : e) r = polytest::product(r.get(), power_of(z.get(), m).get());
    return r;
}

Poly random_monic(std::mt19937_64& rng, int32_t deg, int32_t m) {
    std::vector<int32_t> a(static_cast<size_t>(deg) + 1);
    for (auto& v : a) v = static_cast<int32_t>(rng() % static_cast<uint64_t>(m));
    a.back() = 1;
    return Poly(residues_poly(a.data(), deg + 1));
}

// The decomposition of f over the ring in force meets every property.
void check_modular(const PolyNode* f) {
    Decomposed d = decompose(f);
    ASSERT_EQ(d.count, static_cast<int32_t>(d.entries.size()));
    EXPECT_TRUE(poly_equal(rebuild(d.entries).get(), monic(f).get()))
        << polytest::text(f, 1);
    std::set<int32_t> mults;
    for (size_t i = 0; i < d.entries.size(); ++i) {
        const PolyNode* z = d.entries[i].second.get();
        EXPECT_TRUE(mults.insert(d.entries[i].first).second) << "repeated multiplicity";
        EXPECT_EQ(leading_number(z).lint(), 1);
        Poly dz(copy_poly(z)), g;
        poly_diff(dz, 1);
        ASSERT_FALSE(poly_iszero(dz.get())) << "a p-th power factor " << polytest::text(z, 1);
        basic_poly_gcd(z, dz.get(), g);
        EXPECT_TRUE(poly_eq_1(g.get())) << "not square-free " << polytest::text(z, 1);
        for (size_t j = 0; j < i; ++j) {
            basic_poly_gcd(z, d.entries[j].second.get(), g);
            EXPECT_TRUE(poly_eq_1(g.get())) << "factors not coprime";
        }
    }
}

class SquareFree : public ::testing::TestWithParam<int32_t> {};

TEST_P(SquareFree, FactorsRebuildTheMonicInput) {
    POLYTEST_SEED_TRACE();
    polytest::use_vars(1);
    const int32_t m = GetParam();
    polytest::Ring ring(m);
    const int32_t p = m == 256 || m == 65536 ? 2 : m;
    std::mt19937_64 rng(polytest::seed() + 11 * static_cast<uint64_t>(m));
    for (int round = 0; round < 25; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Random factors to powers 1 .. 4, and to p or 2p for small p.
        Poly f = polytest::int_poly(1 + static_cast<int64_t>(rng() % 100));
        const int parts = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < parts; ++k) {
            Poly z = random_monic(rng, 1 + static_cast<int32_t>(rng() % 5), m);
            int32_t e = 1 + static_cast<int32_t>(rng() % 4);
            if (p <= 3 && rng() % 3 == 0) e = p * (1 + static_cast<int32_t>(rng() % 2));
            f = polytest::product(f.get(), power_of(z.get(), e).get());
        }
        if (poly_is_const(f.get())) continue;
        check_modular(f.get());
        if (HasFatalFailure()) return;
    }
}

// x^p + 1 = (x + 1)^p in characteristic p.
TEST_P(SquareFree, PthPowerOfALinearPoly) {
    polytest::use_vars(1);
    const int32_t m = GetParam();
    polytest::Ring ring(m);
    const int32_t p = m == 256 || m == 65536 ? 2 : m;
    Poly x = polytest::var_poly(1), one = polytest::int_poly(1);
    Poly xp = power_of(x.get(), p);
    Decomposed d = decompose(polytest::sum(xp.get(), one.get()).get());
    ASSERT_EQ(d.count, 1);
    EXPECT_EQ(d.entries[0].first, p);
    EXPECT_TRUE(poly_equal(d.entries[0].second.get(), polytest::sum(x.get(), one.get()).get()));
}

INSTANTIATE_TEST_SUITE_P(Rings, SquareFree,
                         ::testing::Values(2, 3, 5, 32003, 2147483629, 256, 65536));

// In the fields the square roots of the coefficients come from the tables:
// (x + a)^2 (x + b) with a, b arbitrary field elements.
TEST(SquareFreeCases, FieldSquareRoots) {
    polytest::use_vars(1);
    for (int32_t m : {256, 65536}) {
        polytest::Ring ring(m);
        Poly x = polytest::var_poly(1);
        Poly a = polytest::sum(x.get(), polytest::int_poly(m - 3).get());
        Poly b = polytest::sum(x.get(), polytest::int_poly(7).get());
        Poly f = polytest::product(power_of(a.get(), 4).get(), b.get());
        check_modular(f.get());
    }
}

// x^3 + y^3 = (x + y)^3 mod 3 through the roots of poly coefficients; x^p
// + y has no p-th root over the ground ring or the field, and outside
// Z/p and the fields there are no p-th roots at all.
TEST(SquareFreeCases, TwoVariablesAndMissingRoots) {
    polytest::use_vars(2);
    {
        polytest::Ring ring(3);
        const P x = var(1), y = var(2);
        Decomposed d = decompose(((x ^ 3) + (y ^ 3)).get());
        ASSERT_EQ(d.count, 1);
        EXPECT_EQ(d.entries[0].first, 3);
        EXPECT_TRUE(poly_equal(d.entries[0].second.get(), (x + y).get()));
        EXPECT_EQ(unit::raised_code([&] { decompose(((x ^ 3) + y).get()); }), 352);
    }
    {
        polytest::Ring ring(256);
        EXPECT_EQ(unit::raised_code([&] { decompose(((var(1) ^ 2) + var(2)).get()); }), 308);
    }
    polytest::use_vars(1);
    for (int32_t m : {0, 6}) {
        polytest::Ring ring(m);
        EXPECT_EQ(unit::raised_code([&] { decompose((var(1) ^ 2).get()); }), 352) << m;
    }
}

// Over Z: (x + 1)^2 (x - 2)^3 (2x + 3) and random primitive products.
TEST(SquareFreeCases, OverTheIntegers) {
    POLYTEST_SEED_TRACE();
    polytest::use_vars(1);
    polytest::Ring ring(0);
    const P x = var(1), a = x + P(1), b = x - P(2), c = P(2) * x + P(3);
    const P f = (a ^ 2) * (b ^ 3) * c;
    Decomposed d = decompose(f.get(), true);
    ASSERT_EQ(d.count, 3);
    EXPECT_TRUE(poly_equal(rebuild(d.entries).get(), f.get()));
    for (const auto& [m, z] : d.entries) {
        const PolyNode* want = m == 1 ? c.get() : m == 2 ? a.get() : b.get();
        EXPECT_TRUE(poly_equal(z.get(), want)) << m << ": " << polytest::text(z.get(), 1);
    }
    std::mt19937_64 rng(polytest::seed());
    for (int round = 0; round < 10; ++round) {
        Poly g = polytest::int_poly(-1);
        for (int k = 0; k < 3; ++k) {
            Poly z = polytest::sum(power_of(x.get(), 1 + static_cast<int>(rng() % 3)).get(),
                                   polytest::int_poly(static_cast<int64_t>(rng() % 19) - 9).get());
            g = polytest::product(g.get(), power_of(z.get(), 1 + static_cast<int>(rng() % 3)).get());
        }
        Poly pos;
        poly_makeneg(g.get(), pos);
        Decomposed e = decompose(g.get(), true);
        EXPECT_TRUE(poly_equal(rebuild(e.entries).get(), pos.get())) << polytest::text(g.get(), 1);
    }
}

}  // namespace
