// The quoly normal form and the rational-number routines, checked against
// GMP's rationals on random values.
#include <gmp.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/errors.h"
#include "raised.h"
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

TEST(Rational, NormalFormOfQuotients) {
    EXPECT_EQ(text(ratio("6", "4")), "3/2");
    EXPECT_EQ(text(ratio("4", "2")), "2");
    EXPECT_EQ(text(ratio("-3", "6")), "-1/2");
    EXPECT_EQ(text(ratio("3", "-6")), "-1/2");
    EXPECT_EQ(text(ratio("0", "-6")), "0");
    Quoly q = ratio("6", "4");
    EXPECT_TRUE(q->ratflag);
    EXPECT_TRUE(ratio("4", "2")->numflag);
}

TEST(Rational, DivisionByZeroIsErrorTwentyTwo) {
    Quoly r;
    EXPECT_EQ(unit::raised_code([&] { quot_numbers(decimal_to_number("1"), decimal_to_number("0"), r); }), 22);
}

TEST(Rational, PowersAndReciprocals) {
    Quoly q = integer("0");
    raise_to_power(q, decimal_to_number("0"));
    EXPECT_EQ(text(q), "1");  // 0^0 = 1
    q = integer("-5");
    raise_to_power(q, decimal_to_number("-1"));
    EXPECT_EQ(text(q), "-1/5");
    q = ratio("1", "3");
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
    EXPECT_THROW(raise_to_power(q, decimal_to_number("268435456")), RestartTopLevel);  // error 32
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

TEST(Quoly, PolyOverIntegerDenominatorKeepsContentsCoprime) {
    // (2x + 4) / 6 = (x + 2) / 3
    Poly x;
    base_poly(x, 1);
    Poly two_x;
    scalar_by_poly(decimal_to_number("2"), x.get(), two_x);
    Poly four;
    poly_set(4, four);
    Poly num;
    poly_add(two_x.get(), four.get(), num);
    Quoly q;
    p_q_take(std::move(num), q);
    Quoly six = integer("6");
    Quoly r;
    quoly_quot(q.get(), six.get(), r);
    ASSERT_FALSE(r->numflag);
    ASSERT_NE(r->denp, nullptr);
    EXPECT_EQ(number_to_decimal(poly_constant(r->denp)), "3");
    EXPECT_FALSE(r->ratflag);
    // Times 3 again: the denominator goes and 3 (x + 2) / 3 is x + 2.
    Quoly three = integer("3");
    Quoly back;
    quoly_mult(r.get(), three.get(), back);
    EXPECT_EQ(back->denp, nullptr);
    Poly expect;
    poly_add(x.get(), Poly(number_node(decimal_to_number("2"))).get(), expect);
    EXPECT_TRUE(poly_equal(back->nump, expect.get()));
    // The reciprocal of a poly: 1 / (-x + 1) is -1 / (x - 1).
    Poly negx;
    poly_makeneg(x.get(), negx);
    Poly d;
    poly_add(negx.get(), Poly(number_node(decimal_to_number("1"))).get(), d);
    Quoly rq;
    p_q_take(std::move(d), rq);
    quoly_reciprocal(rq);
    ASSERT_NE(rq->denp, nullptr);
    EXPECT_EQ(number_to_decimal(poly_constant(rq->nump)), "-1");
    EXPECT_EQ(leading_number(rq->denp).sign(), 1);
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

// At a nested command level error 22 returns: every quotient by 0 (and the
// reciprocal of 0) is then 0, numbers, rational numbers and polys alike.
TEST(Quoly, DemotedDivisionByZeroGivesZero) {
    unit::NestedLevel nested;
    Quoly zero = integer("0"), r;
    quot_numbers(decimal_to_number("7"), decimal_to_number("0"), r);
    EXPECT_EQ(text(r), "0");
    Quoly half = ratio("1", "2");
    quoly_quot(half.get(), zero.get(), r);
    EXPECT_EQ(text(r), "0");
    quot_rats(half.get(), zero.get(), r);
    EXPECT_EQ(text(r), "0");
    Quoly z = integer("0");
    quoly_reciprocal(z);
    EXPECT_EQ(text(z), "0");
    z = integer("0");
    raise_to_power(z, decimal_to_number("-3"));
    EXPECT_EQ(text(z), "0");
    Poly x;
    base_poly(x, 1);
    Quoly px;
    p_q_take(Poly(copy_poly(x.get())), px);
    quoly_quot(px.get(), zero.get(), r);
    EXPECT_EQ(text(r), "0");
    for (int op : {'|', '\\'}) {
        quoly_mod_or_div(px.get(), zero.get(), r, op);
        EXPECT_EQ(text(r), "0");
        quoly_mod_or_div(half.get(), zero.get(), r, op);
        EXPECT_EQ(text(r), "0");
    }
    EXPECT_EQ(unit::NestedLevel::demoted, 10);
    // Modulo 7 a residue 0 divides nothing either.
    const int saved_mode = modularmode, saved_lint = lintmode;
    const int32_t saved_mod = modulus;
    modularmode = lintmode = 1;
    modulus = 7;
    Number a, b;
    setvalue(3, a);
    setvalue(0, b);
    Quoly qa = make_numeric(std::move(a)), qb = make_numeric(std::move(b));
    quoly_quot(qa.get(), qb.get(), r);
    EXPECT_TRUE(r->numflag && r->num.lint() == 0);
    quoly_mod_or_div(qa.get(), qb.get(), r, '|');
    EXPECT_TRUE(r->numflag && r->num.lint() == 0);
    modularmode = saved_mode;
    lintmode = saved_lint;
    modulus = saved_mod;
    EXPECT_EQ(unit::NestedLevel::demoted, 12);
}

namespace {

// Modular state for one modulus, restored afterwards.
struct ModRing {
    int mode = modularmode, lint = lintmode, prime = mod_is_prime, small = smallmodulus;
    int32_t mod = modulus;
    ModRing(int32_t m, bool is_prime) {
        modularmode = lintmode = 1;
        modulus = m;
        mod_is_prime = is_prime;
        smallmodulus = m < 65535;
    }
    ~ModRing() {
        modularmode = mode;
        lintmode = lint;
        mod_is_prime = prime;
        smallmodulus = small;
        modulus = mod;
    }
};

Quoly residue(int32_t v) {
    Number x;
    setvalue(v, x);
    return make_numeric(std::move(x));
}

}  // namespace

// The power operator on residues takes exponents of any size (given by
// their digits): modulo p - 1 for a prime modulus, never modulo n - 1 for
// a composite one; negative exponents power the inverse.
TEST(Quoly, ResiduePowersWithExponentsOfAnySize) {
    struct Case {
        int32_t m;
        bool prime;
        int32_t base;
        const char* e;
        int32_t want;
    };
    const Case cases[] = {
        {7, true, 2, "5000000000", 4},   {7, true, 2, "-5000000000", 2},
        {4, false, 3, "287", 3},         {6, false, 2, "16", 4},
        {9, false, 3, "73", 0},          {9, false, 2, "-1", 5},
        {7, true, 3, "0", 1},            {7, true, 0, "0", 1},
        {7, true, 0, "12345678901234567890", 0},
        {1000000, false, 3, "100000000000000000000", 1},  // 3^(10^20) mod 10^6
    };
    for (const Case& c : cases) {
        ModRing ring(c.m, c.prime);
        Quoly q = residue(c.base);
        raise_to_power(q, decimal_to_number(c.e));
        ASSERT_TRUE(q->numflag);
        EXPECT_EQ(q->num.lint(), c.want) << c.base << "^" << c.e << " mod " << c.m;
    }
    ModRing ring(9, false);
    Quoly three = residue(3);
    testing::internal::CaptureStdout();
    EXPECT_EQ(unit::raised_code([&] { raise_to_power(three, decimal_to_number("-2")); }), 85);
    testing::internal::GetCapturedStdout();
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
    ModRing ring(7, true);
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
