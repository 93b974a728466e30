// The quoly normal form and the rational-number routines, checked against
// GMP's rationals on random values.
#include <gmp.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/errors.h"
#include "raised.h"
#include "ring_scope.h"
#include "numbers/decimal.h"
#include "numbers/modular_state.h"
#include "numbers/number.h"
#include "poly/poly_arith.h"
#include "quoly/quoly.h"
#include "quoly/quoly_arith.h"
#include "storage/stash.h"

using namespace tolmex;

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        open_node_pools({static_cast<int32_t>(sizeof(PolyNode)),
                         static_cast<int32_t>(sizeof(QuolyRec)), kDigitSlugBytes,
                         kNumberRecordBytes, 24});
        init_numbers();
    }
};
const auto* env = ::testing::AddGlobalTestEnvironment(new Env);

Quoly integer(const std::string& dec) { return make_numeric(decimal_to_number(dec)); }

Quoly ratio(const std::string& p, const std::string& q) {
    Quoly r;
    quot_numbers(decimal_to_number(p), decimal_to_number(q), r);
    return r;
}

// The value as "p" or "p/q" in lowest terms.
std::string text(const QuolyRec* q) {
    if (q->numflag) return number_to_decimal(q->num);
    EXPECT_TRUE(q->ratflag);
    return number_to_decimal(poly_constant(q->nump)) + "/" + number_to_decimal(poly_constant(q->denp));
}

std::string text(const Quoly& q) { return text(q.get()); }

std::string mpq_text(const mpq_t v) {
    char* s = mpq_get_str(nullptr, 10, v);
    std::string r = s;
    free(s);
    return r;
}

// A random rational with numerator and denominator of up to `bits` bits.
void random_rational(std::mt19937_64& rng, int bits, mpq_t out, Quoly& q) {
    mpz_t p, d;
    mpz_inits(p, d, nullptr);
    std::string ps, ds;
    for (int i = 0; i < bits / 16 + 1; ++i) ps += std::to_string(rng() % 65536);
    for (int i = 0; i < bits / 16 + 1; ++i) ds += std::to_string(rng() % 65536 + 1);
    ps.erase(0, ps.find_first_not_of('0'));
    ds.erase(0, ds.find_first_not_of('0'));
    if (ps.empty()) ps = "0";
    if (ds.empty()) ds = "1";
    if (rng() % 2) ps = "-" + ps;
    mpz_set_str(p, ps.c_str(), 10);
    mpz_set_str(d, ds.c_str(), 10);
    mpq_set_num(out, p);
    mpq_set_den(out, d);
    mpq_canonicalize(out);
    q = ratio(ps, ds);
    mpz_clears(p, d, nullptr);
}

}  // namespace

// 0 / q is 0; reciprocals keep the sign in the numerator; an exponent
// beyond a digit is error 32.
TEST(Rational, PowersAndReciprocals) {
    EXPECT_EQ(text(ratio("0", "-6")), "0");
    Quoly q = ratio("1", "3");
    raise_to_power(q, decimal_to_number("-1"));
    EXPECT_EQ(text(q), "3");
    q = ratio("-1", "3");
    raise_to_power(q, decimal_to_number("-1"));
    EXPECT_EQ(text(q), "-3");
    q = ratio("-2", "3");
    raise_to_power(q, decimal_to_number("3"));
    EXPECT_EQ(text(q), "-8/27");
    q = integer("2");
    testing::internal::CaptureStdout();
    EXPECT_EQ(unit::raised_code([&] { raise_to_power(q, decimal_to_number("268435456")); }), 32);
    testing::internal::GetCapturedStdout();
}

TEST(Rational, ArithmeticAgreesWithGmp) {
    std::mt19937_64 rng(20261206);
    mpq_t a, b, r;
    mpq_inits(a, b, r, nullptr);
    for (int round = 0; round < 400; ++round) {
        const int bits = (round % 4 == 0) ? 8 : (round % 4 == 1 ? 40 : (round % 4 == 2 ? 200 : 1000));
        Quoly qa, qb;
        random_rational(rng, bits, a, qa);
        random_rational(rng, bits, b, qb);
        SCOPED_TRACE(mpq_text(a) + " , " + mpq_text(b));
        EXPECT_EQ(text(qa), mpq_text(a));  // the normal form of p / q
        EXPECT_EQ(qa->numflag, mpz_cmp_ui(mpq_denref(a), 1) == 0);
        Quoly s;
        quoly_add(qa.get(), qb.get(), s);
        mpq_add(r, a, b);
        EXPECT_EQ(text(s), mpq_text(r));
        quoly_sub(qa.get(), qb.get(), s);
        mpq_sub(r, a, b);
        EXPECT_EQ(text(s), mpq_text(r));
        quoly_mult(qa.get(), qb.get(), s);
        mpq_mul(r, a, b);
        EXPECT_EQ(text(s), mpq_text(r));
        if (mpq_sgn(b) != 0) {
            quoly_quot(qa.get(), qb.get(), s);
            mpq_div(r, a, b);
            EXPECT_EQ(text(s), mpq_text(r));
        }
        // The consuming forms agree with the plain ones.
        Quoly c = quoly_copy(qa.get());
        best_quoly_add(c, quoly_copy(qb.get()));
        mpq_add(r, a, b);
        EXPECT_EQ(text(c), mpq_text(r));
        c = quoly_copy(qa.get());
        fast_quoly_mult(c, quoly_copy(qb.get()));
        mpq_mul(r, a, b);
        EXPECT_EQ(text(c), mpq_text(r));
    }
    mpq_clears(a, b, r, nullptr);
}

namespace {

void remainder_mod_5(Number& x) {
    int64_t v = 0;
    ASSERT_TRUE(to_int64(x, v));
    set_int64(((v % 5) + 5) % 5, x);
}

// a x + b as a poly.
Poly linear(int a, int b) {
    Poly x, ax, c, r;
    base_poly(x, 1);
    scalar_by_poly(decimal_to_number(std::to_string(a)), x.get(), ax);
    poly_set(b, c);
    poly_add(ax.get(), c.get(), r);
    return r;
}

Quoly quotient(Poly&& n, Poly&& d) { return make_quotient(std::move(n), std::move(d), 0); }

}  // namespace

TEST(Quoly, PolyOverIntegerDenominatorKeepsContentsCoprime) {
    // (2x + 4) / 6 = (x + 2) / 3
    Quoly q, r;
    p_q_take(linear(2, 4), q);
    quoly_quot(q.get(), integer("6").get(), r);
    ASSERT_FALSE(r->numflag);
    ASSERT_NE(r->denp, nullptr);
    EXPECT_EQ(number_to_decimal(poly_constant(r->denp)), "3");
    EXPECT_FALSE(r->ratflag);
    // Times 3 again: the denominator goes and 3 (x + 2) / 3 is x + 2.
    Quoly back;
    quoly_mult(r.get(), integer("3").get(), back);
    EXPECT_EQ(back->denp, nullptr);
    EXPECT_TRUE(poly_equal(back->nump, linear(1, 2).get()));
    // The reciprocal of a poly: 1 / (-x + 1) is -1 / (x - 1).
    Quoly rq;
    p_q_take(linear(-1, 1), rq);
    quoly_reciprocal(rq);
    ASSERT_NE(rq->denp, nullptr);
    EXPECT_EQ(number_to_decimal(poly_constant(rq->nump)), "-1");
    EXPECT_EQ(leading_number(rq->denp).sign(), 1);
}

TEST(Quoly, MappingCoefficientsRestoresTheNormalForm) {
    Quoly twelve = integer("12");
    EXPECT_TRUE(quoly_map_coefficients(twelve, remainder_mod_5));
    EXPECT_EQ(text(twelve), "2");
    // (7x + 2) / (2x + 9) becomes (2x + 2) / (2x + 4), that is (x + 1) / (x + 2).
    Quoly q = quotient(linear(7, 2), linear(2, 9));
    EXPECT_TRUE(quoly_map_coefficients(q, remainder_mod_5));
    ASSERT_FALSE(q->numflag);
    EXPECT_TRUE(poly_equal(q->nump, linear(1, 1).get()));
    ASSERT_NE(q->denp, nullptr);
    EXPECT_TRUE(poly_equal(q->denp, linear(1, 2).get()));
    // A numerator that vanishes makes 0.
    Quoly n0 = quotient(linear(5, 10), linear(1, 1));
    EXPECT_TRUE(quoly_map_coefficients(n0, remainder_mod_5));
    EXPECT_EQ(text(n0), "0");
    // A denominator that vanishes is reported, and the value is 0.
    Quoly d0 = quotient(linear(1, 1), linear(10, 0));
    EXPECT_FALSE(quoly_map_coefficients(d0, remainder_mod_5));
    EXPECT_EQ(text(d0), "0");
    // Signs: (-x - 2) / (-x - 3) is (x + 2) / (x + 3).
    Quoly s = quotient(linear(1, 2), linear(1, 3));
    EXPECT_TRUE(quoly_map_coefficients(s, [](Number& x) { in_place_neg(x); }));
    EXPECT_TRUE(poly_equal(s->nump, linear(1, 2).get()));
    EXPECT_TRUE(poly_equal(s->denp, linear(1, 3).get()));
}

// Division by 0 is error 22; at a nested command level the error returns
// and the quotient is 0 (the divide_by_zero_nested transcript shows every
// operator on numbers, rational numbers, polys and residues; here the
// rational remainders and the reciprocal of 0).
TEST(Quoly, DivisionByZero) {
    Quoly zero = integer("0"), half = ratio("1", "2"), r;
    EXPECT_EQ(unit::raised_code([&] { quot_numbers(decimal_to_number("1"), decimal_to_number("0"), r); }),
              kErrDivideByZero);
    unit::NestedLevel nested;
    for (int op : {'|', '\\'}) {
        quoly_mod_or_div(half.get(), zero.get(), r, op);
        EXPECT_EQ(text(r), "0");
    }
    quoly_reciprocal(zero);
    EXPECT_EQ(text(zero), "0");
    EXPECT_EQ(unit::NestedLevel::demoted, 3);
}

// The power operator on residues (its exponents are checked against GMP
// with the residues): a non-unit to a negative power is error 85, and 0 is
// error 22.
TEST(Quoly, ResiduePowersOfNonUnits) {
    auto residue = [](int32_t v) {
        Number x;
        setvalue(v, x);
        return make_numeric(std::move(x));
    };
    testing::internal::CaptureStdout();
    {
        unit::RingScope ring(9);
        Quoly three = residue(3);
        EXPECT_EQ(unit::raised_code([&] { raise_to_power(three, decimal_to_number("-2")); }), 85);
    }
    testing::internal::GetCapturedStdout();
    unit::RingScope ring(7);
    Quoly zero = residue(0);
    EXPECT_EQ(unit::raised_code([&] { raise_to_power(zero, decimal_to_number("-1")); }), 22);
}

// Other values take exponents of a word in modular mode and of a digit in
// rational mode; larger ones are error 32 instead of wrapping.
TEST(Quoly, PowersOfPolysRefuseHugeExponents) {
    Poly x;
    base_poly(x, 1);
    Quoly px;
    p_q_take(Poly(copy_poly(x.get())), px);
    EXPECT_EQ(unit::raised_code([&] { raise_to_power(px, decimal_to_number("5000000000")); }), 32);
    EXPECT_EQ(unit::raised_code([&] { raise_to_power(px, decimal_to_number("268435456")); }), 32);
    unit::RingScope ring(7);
    Poly xm;
    base_poly(xm, 1);
    Quoly py;
    p_q_take(std::move(xm), py);
    EXPECT_EQ(unit::raised_code([&] { raise_to_power(py, decimal_to_number("5000000000")); }), 32);
    EXPECT_EQ(unit::raised_code([&] { raise_to_power(py, decimal_to_number("-2147483648")); }), 32);
    // An exponent given only as a word is that machine integer.
    Number w;
    setvalue(3, w);
    raise_to_power(py, w);
    Poly x3;
    variable_power(x3, 1, 3);
    EXPECT_TRUE(poly_equal(py->nump, x3.get()));
}
