// The Laurent step of the normal form of a quoly: the largest monomial
// dividing the denominator is taken out of both parts.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "numbers/decimal.h"
#include "poly/poly_arith.h"
#include "poly/poly_settings.h"
#include "quoly/quoly.h"
#include "quoly/quoly_arith.h"

using namespace tolmex;

namespace {

Poly constant(int v) {
    Poly p;
    poly_set(v, p);
    return p;
}

Poly times(const PolyNode* a, const PolyNode* b) {
    Poly c;
    poly_mult(a, b, c, nullptr);
    return c;
}

Poly plus(const PolyNode* a, const PolyNode* b) {
    Poly c;
    poly_add(a, b, c);
    return c;
}

// x1^e[0] x2^e[1] ... (exponents of either sign).
Poly monomial(const std::vector<int32_t>& e) {
    Poly m = constant(1);
    for (size_t k = 0; k < e.size(); ++k) {
        Poly v;
        variable_power(v, static_cast<int>(k) + 1, e[k]);
        m = times(m.get(), v.get());
    }
    return m;
}


}  // namespace

TEST(QuolyLaurent, TheDenominatorLosesItsLargestMonomial) {
    struct Laurent {
        int saved = laurent;
        Laurent() { laurent = 1; }
        ~Laurent() { laurent = saved; }
    } on;
    std::mt19937_64 rng(20261207);
    SCOPED_TRACE("seed 20261207");
    // Denominators with a constant term (no monomial divides them) and a
    // positive leading coefficient; numerators anything.
    Poly x1, x2, x3;
    base_poly(x1, 1);
    base_poly(x2, 2);
    base_poly(x3, 3);
    const Poly x2x3_minus_3 = plus(times(x2.get(), x3.get()).get(), constant(-3).get());
    const Poly dens[] = {plus(x1.get(), constant(1).get()),
                         plus(times(x1.get(), x1.get()).get(), x2x3_minus_3.get()),
                         plus(times(x3.get(), x3.get()).get(), constant(7).get())};
    const Poly nums[] = {constant(5), plus(x2.get(), constant(1).get()), times(x1.get(), x3.get())};
    for (int round = 0; round < 40; ++round) {
        std::vector<int32_t> shift(3), extra(3);
        for (int k = 0; k < 3; ++k) {
            shift[k] = static_cast<int32_t>(rng() % 7) - 3;
            extra[k] = static_cast<int32_t>(rng() % 7) - 3;
        }
        const Poly& d = dens[round % 3];
        const Poly& n = nums[(round / 3) % 3];
        const Poly m = monomial(shift);
        Quoly q = make_quotient(times(times(n.get(), monomial(extra).get()).get(), m.get()),
                                times(d.get(), m.get()), 0);
        normal_form(q, 1);
        ASSERT_FALSE(quoly_is_number(q.get()));
        EXPECT_TRUE(poly_equal(quoly_denominator(q.get()), d.get())) << "round " << round;
        const Poly want = times(n.get(), monomial(extra).get());
        EXPECT_TRUE(poly_equal(quoly_numerator(q.get()), want.get())) << "round " << round;
    }
    // x1^2 + x1 x3^3: the constant coefficient of x1^2 counts as x3^0 even
    // though it comes before the term that reaches x3. The monomial is x1.
    const Poly d = plus(monomial({2, 0, 0}).get(), monomial({1, 0, 3}).get());
    Quoly q = make_quotient(constant(1), Poly(copy_poly(d.get())), 0);
    normal_form(q, 1);
    EXPECT_TRUE(poly_equal(quoly_numerator(q.get()), monomial({-1, 0, 0}).get()));
    const Poly reduced = times(d.get(), monomial({-1, 0, 0}).get());
    EXPECT_TRUE(poly_equal(quoly_denominator(q.get()), reduced.get()));
}
