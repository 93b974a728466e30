// Changing the ground ring: reduction modulo p commutes with the
// arithmetic, stored values survive a round trip, and a change is all or
// nothing (system data comes back exactly through the undo list).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/resets.h"
#include "numbers/decimal.h"
#include "numbers/display_settings.h"
#include "poly/poly_arith.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "rings/ring_change.h"
#include "numbers/support.h"
#include "poly/poly_support.h"
#include "raised.h"
#include "ring_scope.h"

using namespace tolmex;

static_assert(sizeof(QuolyRec) <= numtest::kTestRecordBytes &&
              sizeof(PolyNode) <= numtest::kTestRecordBytes);

namespace {

// 14x^2 + 3x + 7 over the variable of the given level.
Poly fourteen_x2_3x_7(int level) {
    Poly x, x2, a, b, r;
    base_poly(x, level);
    x2.reset(copy_poly(x.get()));
    compute_power(x2, 2, nullptr);
    scalar_by_poly(decimal_to_number("14"), x2.get(), a);
    scalar_by_poly(decimal_to_number("3"), x.get(), b);
    best_poly_add(std::move(a), std::move(b), r);
    best_poly_add(std::move(r), Poly(number_node(decimal_to_number("7"))), r);
    return r;
}

// p reduced to residues; p must have been made in rational mode (a copy
// made in modular mode would copy only the single-word values).
Poly reduce(Poly&& p) {
    Poly c(std::move(p));
    poly_change_num(c.raw());
    if (!c) poly_set(0, c);
    return c;
}

Poly copy_of(const Poly& p) { return Poly(copy_poly(p.get())); }

class RingChange : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!polynames) {
            adjoin_poly_var("z", false);
            adjoin_poly_var("y", false);
            adjoin_poly_var("x", false);
        }
    }
};

}  // namespace

TEST_F(RingChange, ReductionCommutesWithArithmetic) {
    std::mt19937_64 rng(numtest::seed());
    NUMTEST_SEED_TRACE();
    for (int32_t p : {7, 65521, 2147483629}) {
        for (int round = 0; round < 12; ++round) {
            const int vars = 1 + round % 3, digits = round % 2 ? 40 : 3;
            Poly a = polytest::random_poly(rng, {vars, 6, 4, digits});
            Poly b = polytest::random_poly(rng, {vars, 5, 4, digits});
            Poly sum, product, power(copy_poly(a.get()));
            poly_add(a.get(), b.get(), sum);
            poly_mult(a.get(), b.get(), product, nullptr);
            compute_power(power, 3, nullptr);
            Poly a0 = copy_of(a), b0 = copy_of(b), a1 = copy_of(a);
            unit::RingScope ring(p);
            Poly ap = reduce(std::move(a0)), bp = reduce(std::move(b0));
            Poly s, m, w = reduce(std::move(a1));
            poly_add(ap.get(), bp.get(), s);
            poly_mult(ap.get(), bp.get(), m, nullptr);
            compute_power(w, 3, nullptr);
            EXPECT_FALSE(poly_iszero(ap.get()) && !poly_iszero(a.get()) && p > 7);
            EXPECT_TRUE(poly_equal(s.get(), reduce(std::move(sum)).get())) << "sum mod " << p;
            EXPECT_TRUE(poly_equal(m.get(), reduce(std::move(product)).get())) << "product mod " << p;
            EXPECT_TRUE(poly_equal(w.get(), reduce(std::move(power)).get())) << "cube mod " << p;
        }
    }
}

// ---------------------------------------------------------------------------
// A change is all or nothing.

namespace {

// The user values of these tests, visited in order.
std::vector<QuolyRec*> store;

void visit_store(QuolyVisitor visit) {
    for (QuolyRec*& q : store) visit(q);
}

// Values, system data and settings as a test leaves them for a change;
// everything is freed and the hooks taken away when the test ends.
class AllOrNothing : public RingChange {
protected:
    void SetUp() override {
        for_each_user_value = visit_store;
        add(make_numeric(decimal_to_number("10")));
        Quoly third;
        quot_numbers(decimal_to_number("1"), decimal_to_number("3"), third);
        add(std::move(third));
        add(big_poly_value());
        add(make_numeric(decimal_to_number("-12")));
        // System data: x is modded out by 14x^2 + 3x + 7 (as far as the
        // change can tell).
        var_x()->mod_poly = modout_poly().release();
        original_modout = var_x()->mod_poly;
        saved_cutoff = poly_cutoff;
        poly_cutoff = 33;
        for (PolyVar* t = polynames; t; t = t->next) t->cutoff = 33;
    }
    void TearDown() override {
        ring_change_step = nullptr;
        if (modularmode) change_to_rational(false);
        for (QuolyRec*& q : store) free_quoly(q);
        store.clear();
        free_poly(var_x()->mod_poly);
        for_each_user_value = nullptr;
        poly_cutoff = saved_cutoff;
    }

    static void add(Quoly q) { store.push_back(q.release()); }
    static PolyVar* var_x() { return polynames->next->next; }  // level 3
    // 10^30 x^2 y + 7x - 1 over levels z, y, x.
    static Quoly big_poly_value() {
        Poly x, y, t, c;
        base_poly(x, 3);
        base_poly(y, 2);
        Poly x2(copy_poly(x.get()));
        compute_power(x2, 2, nullptr);
        poly_mult(x2.get(), y.get(), t, nullptr);
        scalar_by_poly(decimal_to_number("1" + std::string(30, '0')), t.get(), t);
        scalar_by_poly(decimal_to_number("7"), x.get(), c);
        best_poly_add(std::move(t), std::move(c), t);
        Poly minus_one(number_node(decimal_to_number("-1")));
        best_poly_add(std::move(t), std::move(minus_one), t);
        Quoly q;
        p_q_take(std::move(t), q);
        return q;
    }
    static Poly modout_poly() { return fourteen_x2_3x_7(3); }

    // Everything a change may touch, to compare before and after.
    struct Snapshot {
        std::vector<QuolyRec*> records;
        std::vector<Quoly> values;
        PolyNode* modout;
        Poly modout_value;
        int modular, lint, cutoff, div_cutoff;
        int32_t mod;
        int64_t undo;
        std::vector<int32_t> var_cutoffs;
    };
    static Snapshot snapshot() {
        Snapshot s{store, {}, var_x()->mod_poly, Poly(copy_poly_exact(var_x()->mod_poly)),
                   modularmode, lintmode, poly_cutoff, div_poly_cutoff, modulus,
                   masterfix_length(), {}};
        for (QuolyRec* q : store) s.values.push_back(quoly_copy(q));
        for (PolyVar* t = polynames; t; t = t->next) s.var_cutoffs.push_back(t->cutoff);
        return s;
    }
    static void expect_unchanged(const Snapshot& s) {
        EXPECT_EQ(modularmode, s.modular);
        EXPECT_EQ(lintmode, s.lint);
        EXPECT_EQ(modulus, s.mod);
        EXPECT_EQ(poly_cutoff, s.cutoff);
        EXPECT_EQ(div_poly_cutoff, s.div_cutoff);
        EXPECT_EQ(masterfix_length(), s.undo);
        EXPECT_EQ(var_x()->mod_poly, s.modout);
        EXPECT_TRUE(poly_equal(var_x()->mod_poly, s.modout_value.get()));
        ASSERT_EQ(store, s.records);
        for (size_t i = 0; i < store.size(); ++i)
            EXPECT_TRUE(quoly_equal(store[i], s.values[i].get())) << "value " << i;
        std::vector<int32_t> cutoffs;
        for (PolyVar* t = polynames; t; t = t->next) cutoffs.push_back(t->cutoff);
        EXPECT_EQ(cutoffs, s.var_cutoffs);
    }

    PolyNode* original_modout = nullptr;
    int saved_cutoff = 0;
};

// Raises "out of memory" after the given number of converted values.
int steps_left = 0;
void fail_after_steps() {
    if (--steps_left == 0) throw RestartTopLevel{kErrOutOfMemory};
}

}  // namespace

TEST_F(AllOrNothing, FailingHalfWayToModularChangesNothing) {
    Snapshot before = snapshot();
    steps_left = 3;
    ring_change_step = fail_after_steps;
    EXPECT_EQ(unit::raised_code([] { change_to_modular(7, false); }), kErrOutOfMemory);
    expect_unchanged(before);
    EXPECT_EQ(modulus, -1);
    // Without the failure the same change goes through.
    ring_change_step = nullptr;
    change_to_modular(7, false);
    EXPECT_EQ(quoly_number(store[0]).lint(), 3);
    EXPECT_EQ(quoly_number(store[1]).lint(), 5);  // 1/3
    EXPECT_EQ(quoly_number(store[3]).lint(), 2);  // -12
    EXPECT_EQ(masterfix_length(), 1);
    EXPECT_NE(var_x()->mod_poly, original_modout);
}

TEST_F(AllOrNothing, FailingHalfWayToRationalChangesNothing) {
    change_to_modular(7, false);
    Snapshot before = snapshot();
    steps_left = 2;
    ring_change_step = fail_after_steps;
    EXPECT_EQ(unit::raised_code([] { change_to_rational(false); }), kErrOutOfMemory);
    expect_unchanged(before);
    for (size_t i = 0; i < store.size(); ++i) {
        if (quoly_is_number(store[i])) {
            EXPECT_EQ(quoly_number(store[i]).lint(), quoly_number(before.values[i].get()).lint());
        }
    }
    // The change then restores the system data's original itself.
    ring_change_step = nullptr;
    change_to_rational(false);
    EXPECT_EQ(var_x()->mod_poly, original_modout);
    EXPECT_TRUE(poly_equal(var_x()->mod_poly, modout_poly().get()));
    EXPECT_EQ(number_to_decimal(quoly_number(store[0])), "3");
    EXPECT_EQ(masterfix_length(), 0);
}

// Values survive a round trip (as symmetric residues); 1/7 has no value
// modulo 7: it becomes 0, with a warning.
TEST_F(AllOrNothing, ValuesSurviveARoundTrip) {
    Quoly seventh;
    quot_numbers(decimal_to_number("1"), decimal_to_number("7"), seventh);
    add(std::move(seventh));
    testing::internal::CaptureStdout();
    change_to_modular(7, true);
    EXPECT_EQ(quoly_number(store[4]).lint(), 0);
    change_to_rational(true);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(" Now in modular mode. Modulus is 7, a prime.\n"), std::string::npos);
    EXPECT_NE(out.find("Warning. A zero quoly denominator was found."), std::string::npos);
    EXPECT_EQ(number_to_decimal(quoly_number(store[0])), "3");
    EXPECT_EQ(number_to_decimal(quoly_number(store[1])), "-2");  // 1/3 = 5 modulo 7
    EXPECT_EQ(number_to_decimal(quoly_number(store[3])), "2");
    EXPECT_EQ(modulus, -1);
}

TEST_F(AllOrNothing, ModulusToModulusIsOneChange) {
    change_to_modular(7, false);
    change_modulus(11, false);
    EXPECT_EQ(modulus, 11);
    EXPECT_EQ(quoly_number(store[0]).lint(), 3);  // 10 went to 3 modulo 7, which stays 3
    EXPECT_EQ(quoly_number(store[1]).lint(), 9);  // 1/3 went to 5 modulo 7, that is -2: 9 modulo 11
    // System data comes from its original, not from its residues modulo 7:
    // 14x^2 + 3x + 7 is 3x^2 + 3x + 7 modulo 11.
    EXPECT_EQ(masterfix_length(), 1);
    Poly want(copy_poly_exact(original_modout));
    poly_change_num(want.raw());
    EXPECT_TRUE(poly_equal(var_x()->mod_poly, want.get()));
    // A failure half-way leaves the ring of 11 as it was.
    Snapshot before = snapshot();
    steps_left = 5;
    ring_change_step = fail_after_steps;
    EXPECT_EQ(unit::raised_code([] { change_modulus(13, false); }), kErrOutOfMemory);
    expect_unchanged(before);
    ring_change_step = nullptr;
    change_to_rational(false);
    EXPECT_EQ(var_x()->mod_poly, original_modout);
}

TEST_F(AllOrNothing, ALevelOpenedOnTheWayMakesTheChangeStartOver) {
    // A command level opens while the second value is converted, and there
    // the first value is replaced by 12: the change converts the new value.
    steps_left = 2;
    ring_change_step = [] {
        if (--steps_left != 0) return;
        free_quoly(store[0]);
        store[0] = make_numeric(decimal_to_number("12")).release();
        run_resets(ResetPoint::AnyError, -1);
    };
    change_to_modular(7, false);
    EXPECT_EQ(quoly_number(store[0]).lint(), 5);
    EXPECT_EQ(quoly_number(store[3]).lint(), 2);
}

TEST_F(AllOrNothing, InterruptsWaitWhileResiduesAreLifted) {
    static int seen = 0;
    ring_change_step = [] {
        interrupt_pending = 1;
        poll_interrupt();  // no command level here: a poll just takes it
        seen = interrupt_pending;
        interrupt_pending = 0;
    };
    change_to_modular(7, false);
    EXPECT_EQ(seen, 0);
    change_to_rational(false);
    EXPECT_EQ(seen, 1);
}
