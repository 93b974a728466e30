// Modding polys: what a modulus must look like, the tower rule that makes
// the field, removing a modulus, the suspension of the moduli outside the
// field, and the undo record of a modulus given up in modular mode.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "base/errors.h"
#include "gcd/gcd_state.h"
#include "numbers/gcd.h"
#include "numbers/decimal.h"
#include "poly/poly_arith.h"
#include "poly/poly_modout.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "rings/modout_install.h"
#include "rings/ring_change.h"
#include "rings/tower_field.h"
#include "raised.h"
#include "ring_scope.h"

using namespace tolmex;

namespace {

// Levels: x 1, y 2, z 3 (z made first, the deepest).
class Modout : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!polynames) {
            adjoin_poly_var("z", false);
            adjoin_poly_var("y", false);
            adjoin_poly_var("x", false);
        }
    }
    void TearDown() override {
        for (PolyVar* t = polynames; t; t = t->next) {
            drop_system_data(t->mod_poly);
            t->mod_state = -1;
        }
        recompute_field();
        clear_aux_lists();
        laurent = 0;
    }
    static PolyVar* var(int level) {
        PolyVar* t = polynames;
        while (t->level != level) t = t->next;
        return t;
    }
    // v^e + c over the variable of the level, as a value.
    static Quoly power_plus(int level, int32_t e, int32_t c, int32_t lead = 1) {
        Poly p, k, r;
        variable_power(p, level, e);
        if (lead != 1) {
            Poly scaled;
            scalar_by_poly(number_from_int64(lead), p.get(), scaled);
            p = std::move(scaled);
        }
        poly_set(c, k);
        poly_add(p.get(), k.get(), r);
        Quoly q;
        p_q_take(std::move(r), q);
        return q;
    }
    // Installs a modulus v^2 + c on the level by hand, with a mark.
    static void mark(int level, int32_t mark_value) {
        Quoly q = power_plus(level, 2, 3);
        Poly inner;
        check_for_monic_poly(q.get(), inner);
        var(level)->mod_poly = inner.release();
        var(level)->mod_state = mark_value;
        recompute_field();
    }
};

}  // namespace

TEST_F(Modout, AModulusIsAMonicPolyWithoutNegativeExponents) {
    Poly inner;
    // y^2 + 3: the variable of level 2, the modulus rooted at its level.
    EXPECT_EQ(check_for_monic_poly(power_plus(2, 2, 3).get(), inner), 2);
    Poly square, three, want;
    variable_power(square, 1, 2);
    poly_set(3, three);
    poly_add(square.get(), three.get(), want);
    EXPECT_TRUE(poly_equal(inner.get(), want.get()));

    EXPECT_EQ(unit::raised_code([&] { check_for_monic_poly(power_plus(3, 2, 1, 2).get(), inner); }), 140);
    Quoly five;
    quoly_set(5, five);
    EXPECT_EQ(unit::raised_code([&] { check_for_monic_poly(five.get(), inner); }), 182);
    Quoly half;
    quoly_quot(power_plus(3, 2, 1).get(), make_numeric(decimal_to_number("2")).get(), half);
    EXPECT_EQ(unit::raised_code([&] { check_for_monic_poly(half.get(), inner); }), 186);
    laurent = 1;
    EXPECT_EQ(unit::raised_code([&] { check_for_monic_poly(power_plus(3, -1, 1).get(), inner); }), 141);
}

TEST_F(Modout, TheFieldIsTheLongestRunOfDeepestFieldModuli) {
    mark(2, kModFieldMark);  // not adjacent to the deepest level: no field
    EXPECT_EQ(field_depth, 0);
    EXPECT_EQ(modout_above_field, 1);
    EXPECT_EQ(var(2)->mod_state, kModOutsideMark);
    mark(3, kModFieldMark);
    EXPECT_EQ(field_depth, 3);
    mark(2, kModFieldMark);
    EXPECT_EQ(field_depth, 2);
    EXPECT_EQ(modout_above_field, 0);
    EXPECT_FALSE(need_to_turn_off_mod_out());
    mark(1, kModOutsideMark);
    EXPECT_EQ(field_depth, 2);
    EXPECT_EQ(modout_above_field, 1);
    EXPECT_TRUE(need_to_turn_off_mod_out());
    EXPECT_TRUE(modout_involves_level(1));
    EXPECT_TRUE(modout_involves_level(3));
}

TEST_F(Modout, RemovingAFieldModulusTakesTheLevelsAboveOutOfTheField) {
    mark(3, kModFieldMark);
    mark(2, kModFieldMark);
    testing::internal::CaptureStdout();
    remove_mod_out(var(3));
    remove_mod_out(var(3));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              " No longer modding out polynomial variable z.\n There are no fields.\n"
              " *** Warning. Wasn't modding out on z.\n");
    EXPECT_EQ(field_depth, 0);
    EXPECT_EQ(var(2)->mod_state, kModOutsideMark);
    EXPECT_EQ(modout_above_field, 1);
    EXPECT_FALSE(modout_involves_level(3));
}

TEST_F(Modout, SuspendedModuliComeBackAlsoAfterAnError) {
    mark(3, kModFieldMark);
    mark(1, kModOutsideMark);
    PolyNode* outside = var(1)->mod_poly;
    {
        SuspendModout off;
        EXPECT_TRUE(off.active());
        EXPECT_EQ(var(1)->mod_poly, nullptr);
        EXPECT_NE(var(3)->mod_poly, nullptr);  // the field stays
        EXPECT_EQ(modout_above_field, 0);
        EXPECT_EQ(using_new_polynames, 1);
        SuspendModout nested;  // already suspended: nothing more to do
        EXPECT_FALSE(nested.active());
    }
    EXPECT_EQ(var(1)->mod_poly, outside);
    EXPECT_EQ(modout_above_field, 1);
    EXPECT_EQ(unit::raised_code([] {
                  SuspendModout off;
                  error(22, "x");
              }),
              22);
    EXPECT_EQ(var(1)->mod_poly, outside);
    EXPECT_EQ(using_new_polynames, 0);
    EXPECT_EQ(field_depth, 3);
}

// A modulus given up in modular mode takes the original kept for the
// return to rational mode with it.
TEST_F(Modout, AModulusDroppedInModularModeStaysDropped) {
    mark(3, -1);  // data the field rule leaves alone
    change_to_modular(7, false);
    EXPECT_EQ(masterfix_length(), 1);
    drop_system_data(var(3)->mod_poly);
    EXPECT_EQ(masterfix_length(), 0);
    change_to_rational(false);
    EXPECT_EQ(var(3)->mod_poly, nullptr);
}

// ---------------------------------------------------------------------------
// The field test of towers modulo a prime.

TEST(TowerField, RabinsTestKnowsTheSmallCases) {
    EXPECT_TRUE(dense_irreducible({1, 0, 1}, 7));    // x^2 + 1: -1 is no square mod 7
    EXPECT_FALSE(dense_irreducible({1, 0, 1}, 5));   // (x - 2)(x + 2)
    EXPECT_TRUE(dense_irreducible({1, 1, 0, 1}, 2));  // x^3 + x + 1
    EXPECT_FALSE(dense_irreducible({1, 0, 1}, 2));    // (x + 1)^2
    // x^4 + 1 splits modulo every prime.
    for (int64_t p : {3, 5, 7, 17, 17021, 65521}) EXPECT_FALSE(dense_irreducible({1, 0, 0, 0, 1}, p)) << p;
    // x^4 - 2 stays irreducible exactly for p = 5 mod 8 (here 5, 13, 29).
    for (int64_t p : {3, 5, 7, 11, 13, 29, 31}) EXPECT_EQ(dense_irreducible({p - 2, 0, 0, 0, 1}, p), p % 8 == 5) << p;
}

namespace {

// The modulus v^e - c (v rooted at its own level: relative level 1),
// where c is the variable one level deeper when `over_deeper`, else the
// number c.
Poly power_minus(int32_t e, int32_t c, bool over_deeper) {
    Poly v, k, r;
    variable_power(v, 1, e);
    if (over_deeper)
        base_poly(k, 2);
    else
        poly_set(c, k);
    poly_sub(v.get(), k.get(), r);
    return r;
}

}  // namespace

TEST_F(Modout, TowersAreFieldsExactlyWhenTheirNormsSaySo) {
    // a^2 = 3, then b^2 = a or b^3 = a modulo 7: a has order 12 in the
    // field of 49 elements, so it is a square but not a cube.
    for (int32_t e : {2, 3}) {
        unit::RingScope ring(7);
        Poly a = power_minus(2, 3, false), b = power_minus(e, 0, true);
        EXPECT_EQ(tower_makes_field({a.get(), b.get()}, 7, 1), e == 3) << e;
    }
    // a^2 = 2, b^2 = a: a field modulo p exactly for p = 5 mod 8.
    for (int32_t p : {3, 5, 11, 13, 17021, 17027, 17029}) {
        unit::RingScope ring(p);
        Poly a = power_minus(2, 2, false), b = power_minus(2, 0, true);
        EXPECT_EQ(tower_makes_field({a.get(), b.get()}, p, 1), p % 8 == 5) << p;
    }
    // b^2 = 2 over the field of a^2 = 2 is never a field.
    unit::RingScope ring(13);
    Poly a = power_minus(2, 2, false), b = power_minus(2, 2, false);
    EXPECT_FALSE(tower_makes_field({a.get(), b.get()}, 13, 1));
}

// ---------------------------------------------------------------------------
// The field rule over Q and the first auxiliary list.

namespace {

// The first `count` candidates, the primes after 17020, that satisfy keep.
template <class F>
std::vector<int32_t> primes_where(int count, F keep) {
    std::vector<int32_t> out;
    int32_t p = 17020;
    for (int i = 0; i < count; ++i) {
        do ++p;
        while (!is_prime(p));
        if (keep(p)) out.push_back(p);
    }
    return out;
}

}  // namespace

TEST_F(Modout, OverQTheAuxiliaryPrimesDecideTheField) {
    PolyVar* z = var(3);  // the deepest level: next to no field
    const int32_t saved = aux_num_1factor;
    aux_num_1factor = 400;
    // t^2 - 2 stays irreducible modulo p exactly when 2 is no square.
    Poly m = power_minus(2, 2, false);
    EXPECT_EQ(decide_field(z, m.get(), true), FieldVerdict::Field);
    EXPECT_EQ(auxptr, primes_where(400, [](int32_t p) { return p % 8 == 3 || p % 8 == 5; }));
    // t^2 - 1 splits; t^4 + 1 splits modulo every prime but not over Q.
    auxptr.clear();
    Poly split = power_minus(2, 1, false), four = power_minus(4, -1, false);
    EXPECT_EQ(decide_field(z, split.get(), true), FieldVerdict::NotField);
    EXPECT_EQ(decide_field(z, four.get(), true), FieldVerdict::Field);
    EXPECT_TRUE(auxptr.empty());
    // Not next to the field: never a field.
    EXPECT_EQ(decide_field(var(2), m.get(), true), FieldVerdict::NotField);
    aux_num_1factor = saved;
}
