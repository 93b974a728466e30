// Factoring over extension fields GF(p)[a]/(m): on random products of
// random polys (repeats included) the factors with their multiplicities
// rebuild the input made monic, and each factor is irreducible by Rabin's
// test run here on coefficient vectors over the finite field (another
// route than the distinct-degree code). irreducible_poly agrees.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gcd/factor.h"
#include "poly/modout_support.h"
#include "poly/poly_residues.h"
#include "gcd_test_support.h"
#include "raised.h"

using namespace tolmex;
using namespace polytest;

namespace {

using Elem = std::vector<int64_t>;  // a^0 .. a^(d-1)
using RPoly = std::vector<Elem>;    // x^0 .. x^n, leading coefficient non-zero

// GF(p)[a]/(a^d + low[d-1] a^(d-1) + ... + low[0]) and polys over it.
struct Gf {
    int64_t p;
    std::vector<int64_t> low;
    size_t d() const { return low.size(); }
    int64_t q() const {
        int64_t r = 1;
        for (size_t i = 0; i < d(); ++i) r *= p;
        return r;
    }
    Elem zero() const { return Elem(d(), 0); }
    Elem one() const {
        Elem e = zero();
        e[0] = 1;
        return e;
    }
    static bool is_zero(const Elem& u) {
        for (int64_t c : u)
            if (c) return false;
        return true;
    }
    Elem add(const Elem& u, const Elem& v, int64_t sign = 1) const {
        Elem w(d());
        for (size_t i = 0; i < d(); ++i) w[i] = ((u[i] + sign * v[i]) % p + p) % p;
        return w;
    }
    Elem mul(const Elem& u, const Elem& v) const {
        std::vector<int64_t> w(2 * d(), 0);
        for (size_t i = 0; i < d(); ++i)
            for (size_t j = 0; j < d(); ++j) w[i + j] = (w[i + j] + u[i] * v[j]) % p;
        for (size_t k = w.size(); k-- > d();)
            for (size_t i = 0; i < d(); ++i) w[k - d() + i] = ((w[k - d() + i] - w[k] * low[i]) % p + p) % p;
        return Elem(w.begin(), w.begin() + static_cast<long>(d()));
    }
    Elem inv(const Elem& u) const {
        Elem r = one(), b = u;
        for (int64_t e = q() - 2; e; e >>= 1, b = mul(b, b))
            if (e & 1) r = mul(r, b);
        return r;
    }
    void trim(RPoly& f) const {
        while (!f.empty() && is_zero(f.back())) f.pop_back();
    }
    RPoly mul(const RPoly& f, const RPoly& g) const {
        if (f.empty() || g.empty()) return {};
        RPoly h(f.size() + g.size() - 1, zero());
        for (size_t i = 0; i < f.size(); ++i)
            for (size_t j = 0; j < g.size(); ++j) h[i + j] = add(h[i + j], mul(f[i], g[j]));
        trim(h);
        return h;
    }
    RPoly sub(RPoly f, const RPoly& g) const {
        if (f.size() < g.size()) f.resize(g.size(), zero());
        for (size_t i = 0; i < g.size(); ++i) f[i] = add(f[i], g[i], -1);
        trim(f);
        return f;
    }
    RPoly monic(RPoly f) const {
        trim(f);
        if (f.empty()) return f;
        const Elem l = inv(f.back());
        for (Elem& c : f) c = mul(c, l);
        return f;
    }
    RPoly rem(RPoly f, const RPoly& g) const {  // g monic
        trim(f);
        while (f.size() >= g.size()) {
            const Elem c = f.back();
            const size_t s = f.size() - g.size();
            for (size_t i = 0; i < g.size(); ++i) f[s + i] = add(f[s + i], mul(c, g[i]), -1);
            trim(f);
        }
        return f;
    }
    RPoly gcd(RPoly f, RPoly g) const {
        trim(f);
        trim(g);
        while (!g.empty()) {
            RPoly r = rem(f, monic(g));
            f = std::move(g);
            g = std::move(r);
        }
        return monic(f);
    }
    RPoly x() const { return RPoly{zero(), one()}; }
    // h^q mod f.
    RPoly frobenius(const RPoly& h, const RPoly& f) const {
        RPoly r{one()}, b = rem(h, f);
        for (int64_t e = q(); e; e >>= 1, b = rem(mul(b, b), f))
            if (e & 1) r = rem(mul(r, b), f);
        return r;
    }
    RPoly x_power(int k, const RPoly& f) const {
        RPoly h = rem(x(), f);
        for (int i = 0; i < k; ++i) h = frobenius(h, f);
        return h;
    }
    // Rabin: the monic f of degree n is irreducible iff x^(q^n) = x mod f
    // and gcd(x^(q^(n/r)) - x, f) = 1 for every prime r dividing n.
    bool irreducible(const RPoly& f) const {
        const int n = static_cast<int>(f.size()) - 1;
        if (n < 1) return false;
        if (!sub(x_power(n, f), rem(x(), f)).empty()) return false;
        for (int r = 2; r <= n; ++r) {
            bool prime = n % r == 0;
            for (int s = 2; s * s <= r; ++s) prime = prime && r % s != 0;
            if (prime && gcd(sub(x_power(n / r, f), rem(x(), f)), f).size() > 1) return false;
        }
        return true;
    }
    // A poly in x (level 1) over a (level 2), through its expansion.
    RPoly from(const PolyNode* q) const {
        RPoly f;
        const Expansion e = expand(q, 2);
        for (const auto& [mono, c] : e.terms()) {
            const size_t i = static_cast<size_t>(mono.e[0]);
            if (f.size() <= i) f.resize(i + 1, zero());
            f[i][static_cast<size_t>(mono.e[1])] = static_cast<int64_t>(mpz_fdiv_ui(*c, static_cast<unsigned long>(p)));
        }
        trim(f);
        return f;
    }
    static gcdtest::P power(int level, size_t e) {
        gcdtest::P r(1);
        for (size_t k = 0; k < e; ++k) r = r * gcdtest::var(level);
        return r;
    }
    gcdtest::P to_poly(const RPoly& f) const {
        gcdtest::P r(0);
        for (size_t i = 0; i < f.size(); ++i)
            for (size_t j = 0; j < d(); ++j)
                if (f[i][j]) r = r + gcdtest::P(f[i][j]) * power(1, i) * power(2, j);
        return r;
    }
    RPoly random(std::mt19937_64& rng, int n) const {
        RPoly f(static_cast<size_t>(n) + 1, zero());
        for (Elem& c : f)
            for (int64_t& v : c) v = static_cast<int64_t>(rng() % static_cast<uint64_t>(p));
        f.back() = one();
        return f;
    }
};

Poly modulus_of(const Gf& gf) {
    gcdtest::P m = Gf::power(2, gf.d());
    for (size_t i = 0; i < gf.d(); ++i) m = m + gcdtest::P(gf.low[i]) * Gf::power(2, i);
    return Poly(copy_poly(m.get()));
}

class ExtFactoring : public ::testing::TestWithParam<Gf> {};

TEST_P(ExtFactoring, FactorsRebuildTheInputAndAreIrreducible) {
    POLYTEST_SEED_TRACE();
    const Gf gf = GetParam();
    SCOPED_TRACE("p = " + std::to_string(gf.p) + ", degree " + std::to_string(gf.d()));
    std::mt19937_64 rng(seed() + static_cast<uint64_t>(gf.p * 10 + static_cast<int64_t>(gf.d())));
    use_vars(2);
    Ring r(static_cast<int32_t>(gf.p));
    ModScope ms(2);
    Poly m = modulus_of(gf);
    ms.mod(2, m.get());
    for (int round = 0; round < 12; ++round) {
        // A product of one to three random monic polys, one of them maybe
        // squared, with a non-trivial leading coefficient.
        RPoly want{gf.one()};
        const int parts = 1 + static_cast<int>(rng() % 3);
        for (int k = 0; k < parts; ++k) {
            const RPoly g = gf.random(rng, 1 + static_cast<int>(rng() % 3));
            want = gf.mul(want, g);
            if (rng() % 3 == 0) want = gf.mul(want, g);
        }
        RPoly input = want;
        Elem lead = gf.zero();
        lead[0] = 1 + static_cast<int64_t>(rng() % static_cast<uint64_t>(gf.p - 1));
        for (Elem& c : input) c = gf.mul(c, lead);
        const gcdtest::P in = gf.to_poly(input);
        Poly list;
        int32_t count = 0;
        const int code = unit::raised_code([&] { factor_poly(in.get(), list, count, false, false, -1, polynames); });
        ASSERT_EQ(code, -1) << "round " << round << ": " << text(in.get(), 2);
        RPoly product{gf.one()};
        bool all_irreducible = true;
        int32_t seen = 0;
        each_factor(list.get(), [&](int32_t mult, const PolyNode* f) {
            const RPoly g = gf.from(f);
            EXPECT_EQ(g, gf.monic(g)) << "factors are monic";
            all_irreducible = all_irreducible && gf.irreducible(g);
            for (int32_t k = 0; k < mult; ++k) product = gf.mul(product, g);
            ++seen;
        });
        EXPECT_EQ(seen, count);
        EXPECT_TRUE(all_irreducible) << "round " << round;
        EXPECT_EQ(product, gf.monic(input)) << "round " << round;
        const bool irreducible = count == 1 && gf.irreducible(gf.monic(input));
        EXPECT_EQ(irreducible_poly(in.get(), polynames) == 1, irreducible) << "round " << round;
    }
}

// GF(49), GF(4), GF(8), GF(9), GF(125).
INSTANTIATE_TEST_SUITE_P(Fields, ExtFactoring,
                         ::testing::Values(Gf{7, {1, 0}}, Gf{2, {1, 1}}, Gf{2, {1, 1, 0}}, Gf{3, {1, 0}},
                                           Gf{5, {1, 1, 0}}));

}  // namespace
