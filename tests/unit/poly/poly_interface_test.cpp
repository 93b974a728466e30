// The operations the layers above use instead of walking nodes: the numbers
// of the coefficients, absolute values, the levels a poly involves and their
// removal, the largest monomial dividing a Laurent poly and the division by
// a monomial.
#include <gmp.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "numbers/decimal.h"
#include "numbers/modular_state.h"
#include "poly/poly_settings.h"
#include "poly_support.h"

using namespace tolmex;
using namespace polytest;

namespace {

// The expansion with every exponent vector changed by f.
template <class F>
Expansion remapped(const Expansion& ex, F&& f) {
    Expansion out;
    for (const auto& [m, c] : ex.terms()) out.add(Mono{f(m.e)}, *c);
    return out;
}

std::string mpz_str(const mpz_t c) {
    std::vector<char> buf(mpz_sizeinbase(c, 10) + 2);
    mpz_get_str(buf.data(), 10, c);
    return buf.data();
}

// A random poly in nvars variables with negative exponents.
Poly random_laurent(std::mt19937_64& rng, int nvars, int terms) {
    return random_poly(rng, {nvars, terms, 5, 2, true});
}

}  // namespace

TEST(PolyNumbers, EveryCoefficientOnceAndTheLeadingOne) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 71);
    Ring ring(0);
    for (int nv = 1; nv <= 4; ++nv) {
        use_vars(nv);
        for (int round = 0; round < 20; ++round) {
            Poly p = random_poly(rng, {nv, 1 + round, 4, 1 + round % 25});
            const Expansion ex = expand(p.get(), nv);
            // One number per monomial, the coefficients of the expansion.
            Expansion seen;
            std::vector<std::string> coefs, visited;
            for (const auto& [m, c] : ex.terms()) coefs.push_back(mpz_str(*c));
            poly_each_number(p.get(), [&](const Number& x) {
                visited.push_back(number_to_decimal(x));
                return true;
            });
            if (ex.terms().empty()) coefs.push_back("0");
            std::sort(coefs.begin(), coefs.end());
            std::sort(visited.begin(), visited.end());
            EXPECT_EQ(visited, coefs);
            // Stopping after the third number.
            int calls = 0;
            const bool whole =
                poly_each_number(p.get(), [&](const Number&) { return ++calls < 3; });
            EXPECT_EQ(whole, coefs.size() < 3);
            EXPECT_EQ(calls, std::min<int>(3, static_cast<int>(coefs.size())));
            // The leading number: the coefficient of the largest exponent
            // vector (top level first).
            if (!ex.terms().empty()) {
                const std::string lead = mpz_str(*ex.terms().rbegin()->second);
                EXPECT_EQ(number_to_decimal(leading_number(p.get())), lead);
            }
        }
    }
    Poly seven = int_poly(-7);
    EXPECT_EQ(number_to_decimal(poly_constant(seven.get())), "-7");
}

TEST(PolyNumbers, AbsoluteValues) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 72);
    for (int32_t m : {0, 7}) {
        Ring ring(m);
        use_vars(3);
        for (int round = 0; round < 20; ++round) {
            Poly p = random_poly(rng, {3, 12, 4, 12});
            const Expansion ex = expand(p.get(), 3);
            poly_abs(p.get());
            ASSERT_TRUE(well_formed(p.get()));
            Expansion want;
            mpz_t a;
            mpz_init(a);
            for (const auto& [mono, c] : ex.terms()) {
                mpz_abs(a, *c);
                want.add(mono, m ? *c : a);  // residues stay as they are
            }
            mpz_clear(a);
            EXPECT_TRUE(expand(p.get(), 3) == want) << text(p.get(), 3);
        }
    }
}

TEST(PolyLevels, RemovingALevelNoTermUses) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 73);
    Ring ring(0);
    for (int nv = 2; nv <= 4; ++nv) {
        for (int round = 0; round < 24; ++round) {
            const int k = 1 + round % nv;  // the level to remove
            // A poly of nv - 1 variables, its levels from k on moved one down.
            use_vars(nv - 1);
            const Poly base = random_poly(rng, {nv - 1, 1 + round % 9, 3, 2});
            const Expansion small = expand(base.get(), nv - 1);
            const Expansion wide = remapped(small, [&](std::vector<int32_t> e) {
                e.insert(e.begin() + (k - 1), 0);
                return e;
            });
            use_vars(nv);
            Poly p = from_expansion(wide, nv);
            EXPECT_FALSE(poly_involves_level(p.get(), k));
            for (int j = 1; j <= nv; ++j) {
                bool used = false;
                for (const auto& [m, c] : wide.terms()) used = used || m.e[j - 1] != 0;
                EXPECT_EQ(poly_involves_level(p.get(), j), used) << "level " << j;
            }
            poly_remove_level(p.raw(), k);
            ASSERT_TRUE(well_formed(p.get()));
            use_vars(nv - 1);
            EXPECT_TRUE(same_poly(p.get(), from_expansion(small, nv - 1).get(), nv - 1));
        }
    }
}

TEST(PolyLevels, LargestDividingMonomialOfLaurentPolys) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 74);
    for (int32_t m : {0, 65521}) {
        Ring ring(m);
        laurent = 1;
        for (int nv = 1; nv <= 4; ++nv) {
            use_vars(nv);
            for (int round = 0; round < 30; ++round) {
                Poly p = random_laurent(rng, nv, 1 + round % 8);
                const Expansion ex = expand(p.get(), nv);
                if (ex.terms().empty()) continue;
                // One entry per level the lists reach: at most the variables
                // and the level of the numbers below the deepest one.
                const std::vector<int32_t> low = poly_lowest_exponents(p.get());
                ASSERT_LE(low.size(), static_cast<size_t>(nv + 1));
                for (int j = 0; j <= nv; ++j) {
                    int32_t want = INT32_MAX;
                    for (const auto& [mono, c] : ex.terms()) want = std::min(want, mono.e[j]);
                    const int32_t got = j < static_cast<int>(low.size()) ? low[j] : 0;
                    EXPECT_EQ(got, want) << "level " << j + 1;
                }
                poly_divide_monomial(p.get(), low);
                ASSERT_TRUE(well_formed(p.get())) << text(p.get(), nv);
                const Expansion want = remapped(ex, [&](std::vector<int32_t> e) {
                    for (size_t j = 0; j < low.size(); ++j) e[j] -= low[j];
                    return e;
                });
                EXPECT_TRUE(expand(p.get(), nv) == want) << text(p.get(), nv);
                for (int32_t e : poly_lowest_exponents(p.get())) EXPECT_EQ(e, 0);
            }
        }
    }
}
