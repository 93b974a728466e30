// Input nested more deeply than the stack can follow ends in error 344, for
// every reader that recurses on what the user types; moderate nesting is
// read as usual.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <string>

#include "base/stack.h"
#include "interpreter/evaluator.h"
#include "interpreter/scanner.h"
#include "interpreter/value_reader.h"
#include "numbers/decimal.h"
#include "poly/poly_support.h"
#include "quoly/quoly.h"
#include "raised.h"

using namespace tolmex;

namespace {

std::string times(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

// Reads `text` in file mode, the first token current.
struct TextInput {
    std::string text;
    FILE* f;
    TokenNode* cursor = nullptr;
    int saved_tt = tt_flag;
    explicit TextInput(std::string t) : text(std::move(t) + ";\n") {
        init_scanner_sets();
        tt_flag = 0;
        leftover = 0;
        abs_depth = 0;
        f = fmemopen(text.data(), text.size(), "r");
        scanner(f, token, cursor);
    }
    ~TextInput() {
        std::fclose(f);
        tt_flag = saved_tt;
        leftover = 0;
        abs_depth = 0;
    }
};

// The stack this test runs on, as the driver measures it.
void note_real_stack() {
    struct rlimit rl;
    ASSERT_EQ(getrlimit(RLIMIT_STACK, &rl), 0);
    size_t limit = rl.rlim_cur == RLIM_INFINITY ? size_t{8} << 20 : rl.rlim_cur;
    note_stack_start(limit - (size_t{64} << 10));  // gtest's own frames
}

int expression_error(const std::string& s) {
    TextInput in(s);
    return unit::raised_code([&] {
        Quoly q;
        old_expre(in.f, q, in.cursor);
    });
}

std::string expression_value(const std::string& s) {
    TextInput in(s);
    Quoly q;
    old_expre(in.f, q, in.cursor);
    EXPECT_STREQ(token.text, ";");
    return q->numflag ? number_to_decimal(q->num) : "not a number";
}

constexpr int kDeep = 100000;
constexpr int kModerate = 300;

}  // namespace

TEST(Nesting, DeepExpressionsEndInAnError) {
    note_real_stack();
    const struct {
        std::string text;
        const char* what;
    } cases[] = {
        {times("(", kDeep) + "1" + times(")", kDeep), "parentheses"},
        {std::string("2").append(times("^2", kDeep)), "a chain of powers"},
        {times("-", kDeep) + "1", "unary minuses"},
        {times("|", kDeep) + "1" + times("|", kDeep), "absolute values"},
        {times("_", kDeep) + "1", "factors outside modular arithmetic"},
        {times("$", kDeep) + "1", "greatest integers"},
        {times("2^(", kDeep) + "1" + times(")", kDeep), "powers of parentheses"},
    };
    for (const auto& c : cases) EXPECT_EQ(expression_error(c.text), kErrTooDeep) << c.what;
}

TEST(Nesting, ModerateNestingIsRead) {
    note_real_stack();
    EXPECT_EQ(expression_value(times("(", kModerate) + "7" + times(")", kModerate)), "7");
    EXPECT_EQ(expression_value(times("-", kModerate + 1) + "7"), "-7");
    EXPECT_EQ(expression_value(times("|", kModerate) + "-7" + times("|", kModerate)), "7");
    EXPECT_EQ(expression_value(std::string("2").append(times("^1", kModerate))), "2");
}

TEST(Nesting, DeepWrittenValuesEndInAnError) {
    note_real_stack();
    polytest::use_vars(1);
    TextInput in(times("(", kDeep) + "x1" + times(")", kDeep));
    EXPECT_EQ(unit::raised_code([&] {
                  Quoly q;
                  quoly_readin(in.f, in.cursor, q);
              }),
              kErrTooDeep);
    TextInput ok(times("(", kModerate) + "x1 + 1" + times(")", kModerate));
    Quoly q;
    quoly_readin(ok.f, ok.cursor, q);
    EXPECT_STREQ(token.text, ";");
    EXPECT_FALSE(q->numflag);
}
