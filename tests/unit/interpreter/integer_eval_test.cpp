// Integer mode: statements of stored bodies evaluated in machine integers,
// in rational arithmetic (words that wrap modulo 2^32) and in modular
// arithmetic (residues), with the target forms, the array indices read in
// integer mode, the machine versions of GCD, Binomial and Random, and the
// errors of the integer grammar.
#include "interpreter/integer_eval.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "data_dir.h"
#include "interpreter/arrays.h"
#include "interpreter/conditions.h"
#include "interpreter/evaluator.h"
#include "interpreter/func_store.h"
#include "interpreter/names.h"
#include "interpreter/scanner.h"
#include "interpreter/startup.h"
#include "numbers/mul_div.h"
#include "raised.h"
#include "ring_scope.h"
#include "storage/stash.h"

using namespace tolmex;

namespace {

// Starts the whole system once: pools, data files (the built-in table and
// the error texts), the driver's defaults.
class IntegerMode : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool started = false;
        if (started) return;
        started = true;
        if (!polystash) open_node_pools(node_sizes());
        testing::internal::CaptureStdout();
        initialize(datatest::good_dir());
        set_driver_defaults();
        testing::internal::GetCapturedStdout();
    }
    void SetUp() override {
        tt_flag = 0;
        leftover = 0;
        integerflag = 1;
        pos_mod = 1;
    }
    void TearDown() override {
        integerflag = 0;
        pos_mod = 1;
        for (const char* n : {"a", "b", "h", "i", "n", "v", "w"}) remove_var(n);
        for (const char* n : {"q", "r"})
            if (array_exists(n)) remove_array_storage(array_seek(n));
    }
    static bool array_exists(const char* name) {
        bool found = false;
        for_each_array([&](ArrayRec* a) { found = found || !std::strcmp(a->name, name); });
        return found;
    }
};

// One statement scanned into a token list and run as a statement of a
// stored body; the list goes back to the free list also after an error.
struct StoredStatement {
    std::string text;
    FILE* f;
    TokenNode* list;
    explicit StoredStatement(const std::string& s) : text(s + ";\n") {
        f = fmemopen(text.data(), text.size(), "r");
        list = save_input_stream(f);
    }
    ~StoredStatement() {
        if (list) freename(list);
        std::fclose(f);
    }
    void run(Operand& value) {
        ListCursor c(list);
        scanner(f, token, c.cursor);
        parse(f, value, c.cursor);
        EXPECT_STREQ(token.text, kEndOfBody) << text;
    }
};

void run(const std::string& s) {
    Operand v;
    StoredStatement(s).run(v);
}

// The value of the statement as a machine integer of the ring.
int64_t value_of(const std::string& s) {
    Operand v;
    StoredStatement(s).run(v);
    if (!v.present()) return INT64_MIN;
    return machine_value(v.get(), "test");
}

int64_t variable(const char* name) { return machine_value(find_var(name)->value, name); }

int code_of(const std::string& s) {
    return unit::raised_code([&] { run(s); });
}

// A condition read from a stored list, as "if" and "while" read theirs.
bool condition(const std::string& s) {
    StoredStatement st(s);
    ListCursor c(st.list);
    scanner(st.f, token, c.cursor);
    const bool v = bool_expre(st.f, c.cursor);
    EXPECT_STREQ(token.text, kEndOfBody) << s;
    return v;
}

}  // namespace

// ---------------------------------------------------------------------------
// Rational mode

TEST_F(IntegerMode, OperatorsOnWords) {
    EXPECT_EQ(value_of("2 + 3 * 4"), 14);
    EXPECT_EQ(value_of("(2 + 3) * 4"), 20);
    EXPECT_EQ(value_of("20 - 3 - 4"), 13);
    EXPECT_EQ(value_of("7 / 2"), 3);           // truncating
    EXPECT_EQ(value_of("-7 / 2"), -3);
    EXPECT_EQ(value_of("7 \\ 2"), 3);
    EXPECT_EQ(value_of("-7 \\ 2"), -3);
    EXPECT_EQ(value_of("7 | 2"), 1);
    EXPECT_EQ(value_of("-7 | 2"), 1);          // non-negative while pos_mod is on
    EXPECT_EQ(value_of("-7 | -2"), 1);
    EXPECT_EQ(value_of("100 / 7 * 7 + 100 | 7"), 100);
    EXPECT_EQ(value_of("|3 - 10|"), 7);
    EXPECT_EQ(value_of("|2 - 5| * |1 - 3|"), 6);
    EXPECT_EQ(value_of("2^10"), 1024);
    EXPECT_EQ(value_of("2^3^2"), 512);         // the exponent is a factor
    EXPECT_EQ(value_of("-3^2"), -9);           // "-" binds looser than "^"
    EXPECT_EQ(value_of("(-3)^3"), -27);
    EXPECT_EQ(value_of("5!"), 120);
    EXPECT_EQ(value_of("0!"), 1);
    EXPECT_EQ(value_of("2^-1"), 0);            // a truncated quotient
    EXPECT_EQ(value_of("(-1)^-3"), -1);
    EXPECT_EQ(value_of("1^-7"), 1);
    EXPECT_EQ(value_of("$7 + +2"), 9);
    EXPECT_EQ(value_of("'A' + 1"), 66);
    pos_mod = 0;
    EXPECT_EQ(value_of("-7 | 2"), -1);
}

// Sums, products, powers and factorials wrap modulo 2^32; the quotients
// that overflow wrap too instead of trapping.
TEST_F(IntegerMode, OverflowWraps) {
    EXPECT_EQ(value_of("2147483647 + 1"), INT32_MIN);
    EXPECT_EQ(value_of("65536 * 65536"), 0);
    EXPECT_EQ(value_of("65536 * 65535"), -65536);
    EXPECT_EQ(value_of("2^31"), INT32_MIN);
    EXPECT_EQ(value_of("3^40"), 689956897);  // 3^40 mod 2^32
    EXPECT_EQ(value_of("13!"), 1932053504);   // 6227020800 - 2^32
    EXPECT_EQ(value_of("34!"), 0);
    EXPECT_EQ(value_of("2000000000!"), 0);
    run("v := 0 - 2147483647 - 1");
    EXPECT_EQ(variable("v"), INT32_MIN);
    EXPECT_EQ(value_of("v / -1"), INT32_MIN);
    EXPECT_EQ(value_of("v \\ -1"), INT32_MIN);
    EXPECT_EQ(value_of("v | -1"), 0);
    EXPECT_EQ(value_of("-v"), INT32_MIN);
    EXPECT_EQ(value_of("|v|"), INT32_MIN);
    EXPECT_EQ(value_of("v | 7"), 5);  // -2147483648 = -306783379 * 7 + 5
}

// Random words against a 64-bit reference of the same operators.
TEST_F(IntegerMode, RandomOperandsAgainstReference) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto wrap = [](int64_t x) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(x))); };
    for (int round = 0; round < 200; ++round) {
        const int32_t a = static_cast<int32_t>(rng()), b = static_cast<int32_t>(rng() >> (round % 31));
        insert_var("a", machine_quoly(a));
        insert_var("b", machine_quoly(b));
        EXPECT_EQ(value_of("a + b"), wrap(int64_t{a} + b));
        EXPECT_EQ(value_of("a - b"), wrap(int64_t{a} - b));
        EXPECT_EQ(value_of("a * b"), wrap(int64_t{a} * b));
        if (b == 0) continue;
        EXPECT_EQ(value_of("a / b"), wrap(int64_t{a} / b));
        EXPECT_EQ(value_of("a \\ b"), wrap(int64_t{a} / b));
        int64_t r = int64_t{a} % b;
        if (r < 0) r += b < 0 ? -int64_t{b} : b;
        EXPECT_EQ(value_of("a | b"), r);
    }
}

TEST_F(IntegerMode, Errors) {
    EXPECT_EQ(code_of("7 / 0"), 22);
    EXPECT_EQ(code_of("7 \\ (3 - 3)"), 22);
    EXPECT_EQ(code_of("7 | 0"), 22);
    EXPECT_EQ(code_of("0^-1"), 22);
    EXPECT_EQ(code_of("7 // 2"), 340);
    EXPECT_EQ(code_of("7 * / 2"), 339);
    EXPECT_EQ(code_of("3000000000"), 68);   // beyond 32 bits
    EXPECT_EQ(code_of("1.5 + 1"), 68);
    EXPECT_EQ(code_of("(-1)!"), 130);
    EXPECT_EQ(code_of("(1 + 2"), 1);
    EXPECT_EQ(code_of("|1 - 2"), 63);
    EXPECT_EQ(code_of("nosuchvar + 1"), 19);
    EXPECT_EQ(code_of("3 := 4"), 317);
    EXPECT_EQ(code_of("(2 + 3) := 4"), 317);
    EXPECT_EQ(code_of("3 :+ 4"), 316);
    EXPECT_EQ(code_of("v : 4"), 317);
    EXPECT_EQ(code_of(")"), 2);
    EXPECT_EQ(code_of("if"), 225);
    // A variable that holds a rational number or a big integer is no
    // machine integer; it may still be assigned to.
    integerflag = 0;
    run("h := 1/2");
    run("w := 2^40");
    integerflag = 1;
    EXPECT_EQ(code_of("h + 1"), 68);
    EXPECT_EQ(code_of("1 + w"), 68);
    EXPECT_EQ(code_of("h :+ 1"), 68);
    run("h := 5");
    EXPECT_EQ(variable("h"), 5);
    EXPECT_EQ(code_of("(h) := 4"), 317);
    EXPECT_EQ(code_of("h * 1 := 4"), 317);
    EXPECT_EQ(code_of("h^1 :+ 4"), 316);
    EXPECT_EQ(variable("h"), 5);
}

TEST_F(IntegerMode, AssignmentsAndIncrements) {
    Operand value;
    StoredStatement("v := 3 * 4").run(value);
    EXPECT_EQ(machine_value(value.get(), "v"), 12);
    EXPECT_TRUE(value.is_reference());
    EXPECT_EQ(variable("v"), 12);
    run("v :+ 5");
    EXPECT_EQ(variable("v"), 17);
    run("v :-");
    EXPECT_EQ(variable("v"), 16);
    run("v :- (2 * 3)");
    EXPECT_EQ(variable("v"), 10);
    run("v :+ v");
    EXPECT_EQ(variable("v"), 20);
    run("n :+");  // a new variable starts at 0
    EXPECT_EQ(variable("n"), 1);
    EXPECT_EQ(value_of("v * n - 1"), 19);
    EXPECT_EQ(value_of("v"), 20);
    EXPECT_EQ(value_of("v^2"), 400);
    EXPECT_EQ(variable("v"), 20);  // a power of the target is no assignment
}

// Dimensions and indices read in integer mode; elements as targets.
TEST_F(IntegerMode, ArrayElements) {
    run("n := 2");
    run("Array q[n + 1], r[2, n]");
    run("q[n] := 7");
    EXPECT_EQ(value_of("q[2]"), 7);
    run("q[n] :+ 3");
    EXPECT_EQ(value_of("q[1 + 1] * 2"), 20);
    run("r[n, 2 * n - 2] := 0 - 5");
    EXPECT_EQ(value_of("r[2, 2] + q[2]"), 5);
    run("r[1, 1] :- ");
    EXPECT_EQ(value_of("r[1, 1]"), -1);
    EXPECT_EQ(code_of("q[4]"), 27);  // out of range
    // An entry that is no number, and one that is no machine integer.
    integerflag = 0;
    run("q[1] := 1/3");
    run("q[3] := 2^32");
    integerflag = 1;
    EXPECT_EQ(code_of("q[1] + 1"), 227);
    EXPECT_EQ(code_of("q[1] :+ 1"), 227);
    EXPECT_EQ(code_of("2 * q[3]"), 68);
    run("q[1] := 9");
    EXPECT_EQ(value_of("q[1]"), 9);
}

TEST_F(IntegerMode, MachineBuiltins) {
    EXPECT_EQ(value_of("GCD(12, 18)"), 6);
    EXPECT_EQ(value_of("GCD(0 - 12, 18) + GCD(0, 0 - 5)"), 11);
    EXPECT_EQ(value_of("Binomial(10, 3)"), 120);
    EXPECT_EQ(value_of("Binomial(5, 7)"), 0);
    EXPECT_EQ(value_of("Binomial(0 - 3, 2)"), 6);     // (-3)(-4)/2
    EXPECT_EQ(value_of("Binomial(0 - 3, 3)"), -10);
    EXPECT_EQ(value_of("Binomial(33, 16)"), 1166803110);
    EXPECT_EQ(code_of("Binomial(34, 17)"), 68);       // 2333606220
    EXPECT_EQ(code_of("Binomial(2000000000, 1000000000)"), 68);
    EXPECT_EQ(value_of("Random(1)"), 0);
    const int64_t r = value_of("Random(10)");
    EXPECT_TRUE(r >= 0 && r < 10) << r;
    EXPECT_EQ(code_of("Random(0)"), 184);
    EXPECT_EQ(code_of("GCD(2, 3000000000)"), 68);
}

TEST_F(IntegerMode, IntegerDeclaration) {
    integerflag = 0;
    run("Integer");
    EXPECT_EQ(integerflag, 1);
    integerflag = 0;
    // At the terminal (no stored list) the declaration is refused.
    std::string text = "Integer;\n";
    FILE* f = fmemopen(text.data(), text.size(), "r");
    TokenNode* none = nullptr;
    scanner(f, token, none);
    Operand v;
    EXPECT_EQ(unit::raised_code([&] { parse(f, v, none); }), 225);
    std::fclose(f);
    leftover = 0;
    EXPECT_EQ(integerflag, 0);
    // Without the flag the same statement computes with true integers.
    EXPECT_EQ(unit::raised_code([&] { run("w := 2147483647 + 1"); }), -1);
    integerflag = 1;
    EXPECT_EQ(code_of("w"), 68);
}

// ---------------------------------------------------------------------------
// Modular mode

TEST_F(IntegerMode, PrimeModulus) {
    unit::RingScope ring(7);
    EXPECT_EQ(value_of("3 - 5"), 5);
    EXPECT_EQ(value_of("-3"), 4);
    EXPECT_EQ(value_of("10"), 3);
    EXPECT_EQ(value_of("3 / 5"), 2);   // 3 * 3
    EXPECT_EQ(value_of("4 * 5"), 6);
    EXPECT_EQ(value_of("6 \\ 4"), 1);  // on the residues
    EXPECT_EQ(value_of("6 | 4"), 2);
    EXPECT_EQ(value_of("|0 - 3|"), 4);  // unchanged
    EXPECT_EQ(value_of("6!"), 6);
    EXPECT_EQ(value_of("2^10"), 2);     // 1024
    EXPECT_EQ(value_of("2^-1"), 4);
    // The exponent is read with true integers: 2^8, not 2^1.
    EXPECT_EQ(value_of("2^(7 + 1)"), 4);
    run("v := 12");
    EXPECT_EQ(variable("v"), 5);
    EXPECT_EQ(value_of("2^v"), 4);       // the residue 5 as the exponent
    run("v :- 6");
    EXPECT_EQ(variable("v"), 6);
    EXPECT_EQ(value_of("_(3 * 5)"), 1);  // 15, computed with integers
    EXPECT_EQ(value_of("GCD(3, 6)"), 1);
    EXPECT_EQ(value_of("Binomial(5, 2)"), 3);  // 10
    EXPECT_EQ(code_of("5 / 0"), 22);
    EXPECT_EQ(code_of("5 / 7"), 22);     // 7 is 0
    EXPECT_EQ(code_of("5 // 3"), 340);
}

TEST_F(IntegerMode, CompositeModulus) {
    unit::RingScope ring(12);
    EXPECT_EQ(value_of("5 / 7"), 11);  // 7 is its own inverse
    EXPECT_EQ(value_of("5 * 5 - 1"), 0);
    EXPECT_EQ(value_of("GCD(4, 6)"), 2);
    EXPECT_EQ(value_of("GCD(5, 7)"), 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(code_of("1 / 2"), 85);  // 2 has no inverse
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(value_of("11^3"), 11);
    EXPECT_EQ(value_of("7^-1"), 7);
}

TEST_F(IntegerMode, ModulusTwo) {
    unit::RingScope ring(2);
    EXPECT_EQ(value_of("1 + 1"), 0);
    EXPECT_EQ(value_of("3 * 3"), 1);
    EXPECT_EQ(value_of("-1"), 1);
    EXPECT_EQ(value_of("1 / 1"), 1);
    EXPECT_EQ(value_of("5^100"), 1);
    EXPECT_EQ(code_of("1 / 2"), 22);
    run("v := 7");
    run("v :+");
    EXPECT_EQ(variable("v"), 0);
}

// Residues of a prime near 2^16 against a 64-bit reference.
TEST_F(IntegerMode, RandomResiduesAgainstReference) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const int64_t p = 65521;
    unit::RingScope ring(static_cast<int32_t>(p));
    auto power = [&](int64_t a, int64_t e) {
        int64_t r = 1;
        for (; e; --e) r = r * a % p;
        return r;
    };
    for (int round = 0; round < 100; ++round) {
        const int64_t a = rng() % p, b = 1 + rng() % (p - 1), e = rng() % 40;
        insert_var("a", machine_quoly(static_cast<int32_t>(a)));
        insert_var("b", machine_quoly(static_cast<int32_t>(b)));
        insert_var("n", machine_quoly(static_cast<int32_t>(e)));
        EXPECT_EQ(value_of("a + b"), (a + b) % p);
        EXPECT_EQ(value_of("a - b"), (a - b + p) % p);
        EXPECT_EQ(value_of("a * b"), a * b % p);
        EXPECT_EQ(value_of("a / b * b"), a);
        EXPECT_EQ(value_of("a^n"), power(a, e));
        EXPECT_EQ(value_of("a \\ b * b + a | b"), a);
    }
}

// The field of 2^8 elements: sums are XOR, products the field's.
TEST_F(IntegerMode, FieldOfCharacteristicTwo) {
    unit::RingScope ring(256);
    EXPECT_EQ(value_of("1 + 1"), 0);
    EXPECT_EQ(value_of("3 * 3"), 5);  // (x + 1)^2 = x^2 + 1
    EXPECT_EQ(value_of("-5"), 5);
    EXPECT_EQ(value_of("5 - 3"), 6);
    EXPECT_EQ(value_of("77 / 77"), 1);
    EXPECT_EQ(value_of("(3 * 200) / 200"), 3);
    EXPECT_EQ(value_of("3^-1 * 3"), 1);
}

// "&_m(...)" reads its expression in machine integers with modular
// arithmetic switched off; the value is brought back into the ring.
TEST_F(IntegerMode, MachineExpressionCommand) {
    EXPECT_EQ(value_of("&_m(2 * 3 - 10)"), -4);
    unit::RingScope ring(7);
    EXPECT_EQ(value_of("&_m(5 + 4)"), 2);
    EXPECT_EQ(value_of("&_m(3 - 5)"), 5);
    EXPECT_EQ(value_of("&_m(2^6 / 3)"), 0);  // 64 / 3 = 21, and 21 is 0
}

// Both sides of a comparison are machine integers, compared directly.
TEST_F(IntegerMode, ConditionsCompareWords) {
    EXPECT_TRUE(condition("2147483647 + 1 < 0"));  // the sum wraps
    EXPECT_TRUE(condition("7 / 2 = 3"));
    EXPECT_TRUE(condition("[3 <> 4] and 2 * 3 >= 6 and not 5 <= 4"));
    EXPECT_TRUE(condition("5 - 4"));  // the value 1
    EXPECT_FALSE(condition("2"));
    EXPECT_EQ(unit::raised_code([] { condition("1 / 0 = 1"); }), 22);
    EXPECT_EQ(unit::raised_code([] { condition("3 )"); }), 13);
    integerflag = 0;
    EXPECT_FALSE(condition("2147483647 + 1 < 0"));
    EXPECT_FALSE(condition("7 / 2 = 3"));
    integerflag = 1;
    unit::RingScope ring(7);
    EXPECT_TRUE(condition("6 > 10"));  // the residues 6 and 3
    EXPECT_TRUE(condition("8"));       // 8 is 1
}
