// Factoring over Z/p and the fields of 2^8 and 2^16 elements: the factors
// rebuild the input made monic, each is irreducible by Rabin's test (run
// here on plain schoolbook arrays, another route than the factoring code),
// the display order holds, the test mode agrees with irreducible_poly, and
// the arithmetic modulo a poly agrees with long division.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "gcd/factor.h"
#include "gcd/gf2_poly.h"
#include "gcd/powermod.h"
#include "gcd/residue_arrays.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_residues.h"
#include "poly/poly_settings.h"
#include "poly/poly_support.h"
#include "raised.h"

using namespace tolmex;
using Vec = std::vector<int32_t>;

namespace {

// ---------------------------------------------------------------------------
// Schoolbook arithmetic for the reference test.

void norm(Vec& a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
}

Vec add(Vec a, const Vec& b) {
    if (a.size() < b.size()) a.resize(b.size(), 0);
    for (size_t i = 0; i < b.size(); ++i) a[i] = mod_add(a[i], b[i], modulus);
    norm(a);
    return a;
}

Vec neg(Vec a) {
    for (int32_t& v : a) v = mod_sub(0, v, modulus);
    return a;
}

Vec mul(const Vec& a, const Vec& b) {
    if (a.empty() || b.empty()) return {};
    Vec z(a.size() + b.size() - 1, 0);
    for (size_t i = 0; i < a.size(); ++i)
        for (size_t j = 0; j < b.size(); ++j) z[i + j] = mod_add(z[i + j], modmult(a[i], b[j]), modulus);
    norm(z);
    return z;
}

Vec rem(Vec a, const Vec& m) {
    int32_t inv = 0;
    emod_inverse(m.back(), inv);
    while (a.size() >= m.size()) {
        const int32_t c = modmult(a.back(), inv);
        const size_t s = a.size() - m.size();
        for (size_t j = 0; j < m.size(); ++j) a[s + j] = mod_sub(a[s + j], modmult(c, m[j]), modulus);
        norm(a);
    }
    return a;
}

Vec gcd(Vec a, Vec b) {
    while (!b.empty()) {
        a = rem(a, b);
        std::swap(a, b);
    }
    return a;
}

// a^q mod m with q the field size (a power of the characteristic or p).
Vec frobenius(const Vec& a, const Vec& m) {
    const uint64_t q = finf ? (f256 ? 256 : 65536) : static_cast<uint64_t>(modulus);
    Vec r{1}, b = rem(a, m);
    for (uint64_t e = q; e; e >>= 1) {
        if (e & 1) r = rem(mul(r, b), m);
        b = rem(mul(b, b), m);
    }
    return r;
}

// x^(q^k) mod f.
Vec x_power(int32_t k, const Vec& f) {
    Vec h = rem(Vec{0, 1}, f);
    for (int32_t i = 0; i < k; ++i) h = frobenius(h, f);
    return h;
}

// Rabin: f of degree n is irreducible iff x^(q^n) = x mod f and
// gcd(x^(q^(n/r)) - x, f) = 1 for every prime r dividing n.
bool rabin_irreducible(const Vec& f) {
    const int32_t n = static_cast<int32_t>(f.size()) - 1;
    if (n < 1) return false;
    const Vec x = rem(Vec{0, 1}, f);
    if (!add(x_power(n, f), neg(x)).empty()) return false;
    for (int32_t r = 2; r <= n; ++r) {
        bool prime = true;
        for (int32_t s = 2; s * s <= r; ++s) prime = prime && r % s != 0;
        if (!prime || n % r != 0) continue;
        if (gcd(add(x_power(n / r, f), neg(x)), f).size() > 1) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Polys and factor lists.

Vec to_vec(const PolyNode* p) {
    Vec v;
    EXPECT_TRUE(poly_residues(p, v));
    norm(v);
    return v;
}

Poly to_poly(const Vec& v) { return Poly(residues_poly(v.data(), static_cast<int32_t>(v.size()))); }

struct Factored {
    std::vector<std::pair<Vec, int32_t>> entries;
    int32_t count = 0;
};

Factored factor(const Vec& f, bool test_only = false) {
    Poly p = to_poly(f), list;
    Factored r;
    factor_poly(p.get(), list, r.count, test_only, false, -1, nullptr);
    each_factor(list.get(), [&](int32_t m, const PolyNode* g) { r.entries.emplace_back(to_vec(g), m); });
    return r;
}

Vec monic(Vec f) {
    int32_t inv = 0;
    emod_inverse(f.back(), inv);
    for (int32_t& v : f) v = modmult(v, inv);
    return f;
}

uint32_t elements() { return finf ? (f256 ? 256u : 65536u) : static_cast<uint32_t>(modulus); }

Vec random_vec(std::mt19937_64& rng, int32_t deg, bool monic_poly) {
    Vec a(static_cast<size_t>(deg) + 1);
    for (int32_t& v : a) v = static_cast<int32_t>(rng() % elements());
    if (monic_poly || a.back() == 0) a.back() = 1;
    return a;
}

// The factorisation of f has every property: product, irreducibility,
// order, multiplicities, and agreement of the test mode.
void check_factorisation(const Vec& f) {
    const Factored r = factor(f);
    ASSERT_EQ(r.count, static_cast<int32_t>(r.entries.size()));
    Vec prod{1};
    for (size_t k = 0; k < r.entries.size(); ++k) {
        const auto& [g, m] = r.entries[k];
        ASSERT_GE(m, 1);
        EXPECT_EQ(g.back(), 1) << "factor not monic";
        EXPECT_TRUE(rabin_irreducible(g)) << "factor " << k << " reducible";
        for (int32_t i = 0; i < m; ++i) prod = mul(prod, g);
        if (k > 0) {
            const Vec& h = r.entries[k - 1].first;
            const bool ordered = h.size() < g.size() ||
                                 (h.size() == g.size() &&
                                  std::lexicographical_compare(h.rbegin() + 1, h.rend(), g.rbegin() + 1, g.rend()));
            EXPECT_TRUE(ordered) << "factors out of order at " << k;
        }
    }
    EXPECT_EQ(prod, monic(f));
    const bool irreducible = r.count == 1 && r.entries[0].second == 1;
    const Factored t = factor(f, true);
    EXPECT_EQ(t.count == 0, irreducible);
    Poly p = to_poly(f);
    const int32_t irr = irreducible_poly(p.get(), nullptr);
    if (irreducible) {
        EXPECT_EQ(irr, 1);
    } else {
        size_t least = f.size();
        for (const auto& e : r.entries) least = std::min(least, e.first.size());
        EXPECT_EQ(irr, -1 - static_cast<int32_t>(least - 1));
    }
}

class Factoring : public ::testing::TestWithParam<int32_t> {};

TEST_P(Factoring, RandomPolysAndProductsOfKnownFactors) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + static_cast<uint64_t>(GetParam()));
    polytest::Ring ring(GetParam());
    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        check_factorisation(random_vec(rng, 1 + static_cast<int32_t>(rng() % 24), false));
        // Known factors, some repeated, some of equal degree.
        Vec f{static_cast<int32_t>(1 + rng() % (elements() - 1))};
        const int nf = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < nf; ++k) {
            const Vec g = random_vec(rng, 1 + static_cast<int32_t>(rng() % 4), true);
            const int reps = 1 + static_cast<int>(rng() % 3);
            for (int j = 0; j < reps; ++j) f = mul(f, g);
        }
        check_factorisation(f);
    }
}

INSTANTIATE_TEST_SUITE_P(Rings, Factoring, ::testing::Values(2, 3, 5, 10007, 65521, 2147483629, 256, 65536));

// Degrees where the small primes use the matrix of the q-th power map, Z/2
// several words per poly, and the fields the reduction through the
// reversed inverse.
TEST(FactoringCases, LargerDegrees) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 99);
    for (int32_t m : {2, 10007, 65521, 1000003, 256, 65536}) {
        SCOPED_TRACE("modulus " + std::to_string(m));
        polytest::Ring ring(m);
        check_factorisation(random_vec(rng, m == 2 ? 300 : 120, true));
        Vec f = random_vec(rng, 70, true);
        const Vec g = random_vec(rng, 3, true);
        f = mul(mul(f, g), mul(g, random_vec(rng, 40, true)));
        check_factorisation(f);
    }
}

// Products of many distinct linear factors and of equal-degree
// irreducibles go through the splitting stage many times.
TEST(FactoringCases, EqualDegreeSplitting) {
    for (int32_t m : {3, 7, 2147483629, 256, 2}) {
        SCOPED_TRACE("modulus " + std::to_string(m));
        polytest::Ring ring(m);
        Vec f{1};
        for (int32_t a = 0; a < std::min<int32_t>(m, 12); ++a) f = mul(f, Vec{a, 1});
        const Factored r = factor(f);
        EXPECT_EQ(r.count, std::min<int32_t>(m, 12));
        for (int32_t a = 0; a < r.count; ++a) EXPECT_EQ(r.entries[a].first, (Vec{a, 1}));
        check_factorisation(f);
    }
}

// The examples the built-ins document.
TEST(FactoringCases, SmallExamples) {
    {
        polytest::Ring ring(7);
        EXPECT_EQ(factor(Vec{1, 0, 1}).count, 1);
        Poly p = to_poly(Vec{1, 0, 1});
        EXPECT_EQ(irreducible_poly(p.get(), nullptr), 1);
    }
    {
        polytest::Ring ring(5);
        const Factored r = factor(Vec{1, 0, 1});
        ASSERT_EQ(r.count, 2);
        EXPECT_EQ(r.entries[0].first, (Vec{2, 1}));
        EXPECT_EQ(r.entries[1].first, (Vec{3, 1}));
    }
    {
        polytest::Ring ring(2);
        const Factored r = factor(Vec{0, 1, 0, 0, 1});  // x^4 + x
        ASSERT_EQ(r.count, 3);
        EXPECT_EQ(r.entries[2].first, (Vec{1, 1, 1}));
        Poly sq = to_poly(Vec{1, 0, 1});  // (x + 1)^2
        EXPECT_EQ(irreducible_poly(sq.get(), nullptr), -2);
        const Factored s = factor(Vec{1, 0, 1});
        ASSERT_EQ(s.count, 1);
        EXPECT_EQ(s.entries[0].second, 2);
    }
}

// Constants, rational mode, composite moduli, negative exponents and the
// level check.
TEST(FactoringCases, RefusalsAndErrors) {
    Poly c = polytest::int_poly(3);
    Poly list;
    int32_t count = -5;
    {
        polytest::Ring ring(7);
        EXPECT_EQ(irreducible_poly(c.get(), nullptr), 0);
        factor_poly(c.get(), list, count, false, false, -1, nullptr);
        EXPECT_EQ(count, 0);
        Poly x = to_poly(Vec{1, 1});
        EXPECT_EQ(unit::raised_code([&] { factor_poly(x.get(), list, count, false, false, 2, nullptr); }), 300);
    }
    {
        polytest::Ring ring(12);
        Poly x = to_poly(Vec{1, 1});
        EXPECT_EQ(irreducible_poly(x.get(), nullptr), -1);
        EXPECT_EQ(unit::raised_code([&] { factor_poly(x.get(), list, count, false, false, -1, nullptr); }), 362);
    }
    {
        polytest::Ring ring(0);
        Poly x = polytest::var_poly(1);
        EXPECT_EQ(irreducible_poly(x.get(), nullptr), -1);
        EXPECT_EQ(unit::raised_code([&] { factor_poly(x.get(), list, count, false, false, -1, nullptr); }), 362);
    }
}

// ---------------------------------------------------------------------------
// The arithmetic modulo a poly.

class ModArith : public ::testing::TestWithParam<int32_t> {};

// Products by the transforms and reductions by the reversed inverse agree
// with schoolbook products and long division, at degrees on both sides of
// the cut-offs; powers agree with repeated multiplication.
TEST_P(ModArith, ProductsReductionsAndPowers) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() ^ static_cast<uint64_t>(GetParam()));
    polytest::Ring ring(GetParam());
    for (int32_t n : {5, 70, 200, 700}) {
        SCOPED_TRACE("degree " + std::to_string(n));
        const Vec f = random_vec(rng, n, true);
        const Vec a = rem(random_vec(rng, n - 1, false), f), b = rem(random_vec(rng, n - 1, false), f);
        EXPECT_EQ(gcdimpl::fast_product(a, b), mul(a, b));
        const gcdimpl::ModPoly M(f);
        EXPECT_EQ(M.mulmod(a, b), rem(mul(a, b), f));
        EXPECT_EQ(M.sqrmod(a), rem(mul(a, a), f));
        const Vec big = random_vec(rng, 3 * n + 5, false);
        EXPECT_EQ(M.reduce_any(big), rem(big, f));
        Vec r{1};
        for (int e = 0; e < 37; ++e) r = rem(mul(r, a), f);
        EXPECT_EQ(gcdimpl::powermod(a, M, gcdimpl::Exponent(37)), r);
        // The powers a^0 .. a^10, two at a time where the moduli allow.
        Vec s{1};
        int calls = 0;
        M.powers(a, 11, [&](int32_t i, const Vec& v) {
            EXPECT_EQ(i, calls++);
            EXPECT_EQ(v, s) << "power " << i;
            s = rem(mul(s, a), f);
        });
        EXPECT_EQ(calls, 11);
    }
}

INSTANTIATE_TEST_SUITE_P(Rings, ModArith, ::testing::Values(2, 10007, 1000003, 2147483629, 256, 65536));

// The packed arithmetic modulo 2 against the schoolbook arrays, below and
// above the Karatsuba cut (24 words).
TEST(Gf2Arith, ProductsReductionsAndGcds) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(polytest::seed() + 2);
    polytest::Ring ring(2);
    for (int32_t n : {5, 64, 130, 1600, 3100}) {
        SCOPED_TRACE("degree " + std::to_string(n));
        const Vec f = random_vec(rng, n, true), a = random_vec(rng, n - 1, false),
                  b = random_vec(rng, n + 7, false);
        const gf2::Poly2 pa = gf2::from_residues(a), pb = gf2::from_residues(b);
        EXPECT_EQ(gf2::to_residues(gf2::mul(pa, pb)), mul(a, b));
        EXPECT_EQ(gf2::to_residues(gf2::sqr(pb)), mul(b, b));
        const gf2::Mod2 M(gf2::from_residues(f));
        EXPECT_EQ(gf2::to_residues(M.mulmod(pa, pb)), rem(mul(a, b), f));
        const Vec c = random_vec(rng, 9, true);
        EXPECT_EQ(gf2::to_residues(gf2::gcd(gf2::from_residues(mul(a, c)), gf2::from_residues(mul(f, c)))),
                  monic(gcd(mul(a, c), mul(f, c))));
    }
}

TEST(ExponentCases, PowersHalvesAndBits) {
    gcdimpl::Exponent e = gcdimpl::Exponent::power(gcdimpl::Exponent(10007), 3);
    EXPECT_EQ(e.low64(), 10007ULL * 10007 * 10007);
    e.sub_one();
    e.halve();
    EXPECT_EQ(e.low64(), (10007ULL * 10007 * 10007 - 1) / 2);
    gcdimpl::Exponent big = gcdimpl::Exponent::power(gcdimpl::Exponent(65536), 5);  // 2^80
    EXPECT_EQ(big.bits(), 81);
    EXPECT_TRUE(big.bit(80));
    EXPECT_FALSE(big.bit(79));
    EXPECT_EQ(big.low64(), 0u);
    big.sub_one();
    EXPECT_EQ(big.bits(), 80);
    EXPECT_TRUE(big.bit(0) && big.bit(79));
}

}  // namespace
