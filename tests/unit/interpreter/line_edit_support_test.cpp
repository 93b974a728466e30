// Line editing without a terminal: the text of the current output line
// (the editor's prompt), the name before the cursor, the names it may
// complete to (built-ins, functions, variables, arrays), and the line source's plain stdio path for streams that are
// not an edited terminal.
#include "interpreter/line_edit_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data_dir.h"
#include "interpreter/func_store.h"
#include "interpreter/line_source.h"
#include "interpreter/names.h"
#include "interpreter/startup.h"
#include "matrix/array_store.h"
#include "storage/stash.h"

using namespace tolmex;

namespace {

using V = std::vector<std::string>;

std::string tail_after(std::initializer_list<const char*> writes) {
    LineTail t;
    for (const char* w : writes) t.note(w, std::string(w).size());
    return t.text();
}

// The system started once, for the real built-in table.
class Completion : public testing::Test {
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
};

}  // namespace

TEST(LineTail, KeepsWhatFollowsTheLastLineEnd) {
    EXPECT_EQ(tail_after({"7\n\n>"}), ">");
    EXPECT_EQ(tail_after({"\n", "2", ">"}), "2>");  // level number and prompt written apart
    EXPECT_EQ(tail_after({" Enter prompt:\n", "3>", "v := "}), "3>v := ");
    EXPECT_EQ(tail_after({"abc\r>"}), ">");
    EXPECT_EQ(tail_after({"x\n"}), "");
    std::string longer(LineTail::kLimit + 5, 'a');
    EXPECT_EQ(tail_after({longer.c_str(), "b"}).size(), LineTail::kLimit);
}

TEST(NameStart, TheNameEndingAtTheCursor) {
    const std::string line = "3 + longn";
    EXPECT_EQ(name_start(line, line.size()), 4u);
    EXPECT_EQ(name_start("x1_y", 4), 0u);
    EXPECT_EQ(name_start("Det(m1", 6), 4u);
    EXPECT_EQ(name_start("12ab", 4), 2u);  // digits before it belong to no name
    EXPECT_EQ(name_start("a + ", 4), 4u);  // no name at the cursor
    EXPECT_EQ(name_start("Gcd(1", 3), 0u);  // the cursor inside the line
}

TEST(CommonPrefix, LongestSharedStart) {
    EXPECT_EQ(common_prefix({}), "");
    EXPECT_EQ(common_prefix({"Term", "Terms", "Termsall"}), "Term");
    EXPECT_EQ(common_prefix({"Deg", "Det"}), "De");
    EXPECT_EQ(common_prefix({"Rank", "Deg"}), "");
}

TEST_F(Completion, BuiltinsFunctionsAndVariablesByPrefix) {
    EXPECT_EQ(names_starting("GC"), (V{"GCD"}));
    EXPECT_EQ(names_starting("Term"), (V{"Term", "Terms", "Termsall"}));
    // Table entries nobody can write ("Lterm~40") are not offered.
    EXPECT_EQ(names_starting("Lterm"), (V{"Lterm"}));
    EXPECT_TRUE(names_starting("Qz").empty());

    insert_var("gcdval", Quoly());
    auto* f = new FuncRec{};
    std::snprintf(f->name, sizeof f->name, "%s", "GCDmine");
    push_func(f);
    EXPECT_EQ(names_starting("GC"), (V{"GCD", "GCDmine"}));
    EXPECT_EQ(names_starting("gc"), (V{"gcdval"}));  // case matters
    remove_func("GCDmine");
    remove_var("gcdval");
    EXPECT_EQ(names_starting("GC"), (V{"GCD"}));
    EXPECT_TRUE(names_starting("gc").empty());
}

TEST_F(Completion, ArrayNamesAndVariablesTogether) {
    insert_var("mvar", Quoly());
    remove_array_storage(insertarr("mat", 2, 2, 0));  // gone again: not offered
    insertarr("mat", 2, 2, 0);
    EXPECT_EQ(names_starting("m"), (V{"mat", "mvar"}));
    remove_array_storage(array_seek("mat"));
    remove_var("mvar");
    EXPECT_TRUE(names_starting("m").empty());
}

TEST(LineSource, StreamsThatAreNotAnEditedTerminalReadAsStdio) {
    ASSERT_FALSE(line_editing());  // never opened here
    std::string text = "ab\ncd";
    FILE* f = fmemopen(text.data(), text.size(), "r");
    EXPECT_EQ(source_getc(f), 'a');
    source_ungetc('a', f);
    EXPECT_EQ(source_getc(f), 'a');
    char line[16];
    ASSERT_NE(source_gets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "b\n");
    ASSERT_NE(source_gets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "cd");
    EXPECT_TRUE(source_eof(f));  // the last line ran into the end
    EXPECT_EQ(source_getc(f), EOF);
    EXPECT_EQ(source_gets(line, sizeof line, f), nullptr);
    EXPECT_FALSE(source_error(f));
    source_clearerr(f);
    EXPECT_FALSE(source_eof(f));
    std::fclose(f);
}
