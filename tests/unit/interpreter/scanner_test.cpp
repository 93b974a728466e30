// The scanner on streams in terminal and file mode, on stored token lists,
// and the raw character readers.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "interpreter/scanner.h"
#include "numbers/display_settings.h"

using namespace tolmex;

namespace {

// The tokens of text until the end of the stream, read in the given mode.
std::vector<std::string> tokens(const std::string& text, int mode) {
    init_scanner_sets();
    FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    const int saved = tt_flag;
    tt_flag = mode;
    leftover = 0;
    std::vector<std::string> out;
    TokenNode* none = nullptr;
    Token t;
    while (out.size() < 40) {
        scanner(f, t, none);
        out.push_back(t.text);
        const bool pending = leftover != 0 && leftover != ' ';
        // Line ends are the command loop's to consume in terminal mode.
        if (mode == 1 && !pending && peek_char(f) == '\n' && std::strcmp(t.text, ";") == 0)
            read_char(f);
        if (!pending && peek_char(f) == EOF && std::strcmp(t.text, ";") == 0) break;
    }
    tt_flag = saved;
    std::fclose(f);
    return out;
}

using V = std::vector<std::string>;

}  // namespace

TEST(Scanner, LineEndsEndStatementsOnlyAtTheTerminal) {
    // Terminal mode: the line end is the statement's ";".
    EXPECT_EQ(tokens("x := 3\ny\n", 1), (V{"x", ":", "=", "3", ";", "y", ";"}));
    // File mode: statements run on across lines until ";".
    EXPECT_EQ(tokens("x := \n3;\n", 0), (V{"x", ":", "=", "3", ";", ";"}));
}

TEST(Scanner, RawReadsGiveThirteenForALineEndAndStopAtTheEnd) {
    std::string text = "\nz \nq";
    FILE* f = fmemopen(text.data(), text.size(), "r");
    leftover = 0;
    TokenNode* none = nullptr;
    Token t;
    int eol = 0;
    dumbscanner(f, t, none, eol);
    EXPECT_EQ(t.text[0], '\r');
    EXPECT_EQ(eol, 1);
    eol = 0;
    dumbscanner(f, t, none, eol);
    EXPECT_STREQ(t.text, "z");
    // In the plain style a blank ending its line joins the next one.
    set_continuation(' ');
    dumbscanner(f, t, none, eol);
    EXPECT_STREQ(t.text, " ");
    dumbscanner(f, t, none, eol);
    EXPECT_STREQ(t.text, "q");
    EXPECT_EQ(eol, 0);
    set_continuation('`');
    EXPECT_FALSE(at_end_of_input(f, none));
    dumbscanner(f, t, none, eol);
    EXPECT_STREQ(t.text, ";");
    EXPECT_TRUE(at_end_of_input(f, none));
    std::fclose(f);
}

TEST(Scanner, StoredListsAreReadWithoutTheStream) {
    TokenNode* head = newname();  // the list head is skipped
    TokenNode* a = newname();
    TokenNode* b = newname();
    std::strcpy(a->text, "x");
    std::strcpy(b->text, "+");
    head->next = a;
    a->next = b;
    TokenNode* cursor = head;
    Token t;
    scanner(stdin, t, cursor);
    EXPECT_STREQ(t.text, "x");
    EXPECT_EQ(currentchar, b);
    scanner(stdin, t, cursor);
    EXPECT_STREQ(t.text, "+");
    scanner(stdin, t, cursor);
    EXPECT_STREQ(t.text, kEndOfBody);
    freename(head);
}

TEST(Scanner, TheHistoryRingKeepsTheLastSixtyTokens) {
    init_ring();
    for (int i = 0; i < 70; ++i) ring_record(std::to_string(i % 10).c_str());
    char* buf = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&buf, &size);
    ring_print(out);
    std::fclose(out);
    std::string printed(buf, size);
    std::free(buf);
    EXPECT_EQ(printed.size(), 60u);
    EXPECT_EQ(printed.substr(0, 10), "0123456789");
    ring_clear();
    EXPECT_TRUE(ring_empty());
}

namespace {

// Standard input read from `text` in terminal mode, as a command level
// reads it.
struct TerminalInput {
    std::string path;
    int saved = tt_flag;
    explicit TerminalInput(const std::string& text) {
        init_scanner_sets();
        char tmpl[] = "/tmp/tolmex_stdin_XXXXXX";
        int fd = mkstemp(tmpl);
        path = tmpl;
        FILE* f = fdopen(fd, "w");
        std::fputs(text.c_str(), f);
        std::fclose(f);
        EXPECT_NE(std::freopen(path.c_str(), "r", stdin), nullptr);
        tt_flag = 1;
        leftover = 0;
        forget_held_lines();
    }
    ~TerminalInput() {
        forget_held_lines();
        tt_flag = saved;
        std::remove(path.c_str());
    }
    // The tokens up to the end of the current statement, whose line end is
    // then consumed as the command loop does.
    static std::vector<std::string> statement() {
        std::vector<std::string> out;
        TokenNode* none = nullptr;
        Token t;
        do {
            scanner(stdin, t, none);
            out.push_back(t.text);
        } while (std::strcmp(t.text, ";") != 0);
        if (peek_char(stdin) == '\n') read_char(stdin);
        return out;
    }
    static std::string next_token() {
        TokenNode* none = nullptr;
        Token t;
        scanner(stdin, t, none);
        return t.text;
    }
};

}  // namespace

// A level reads its own lines; the statement it interrupted resumes with
// the rest of its line when the level is popped, also when levels nest.
TEST(HeldLines, LevelsNestAndAGivenBackLineCanBeHeldAgain) {
    TerminalInput in("a + b\nc * d\n&_p\ne\n&_p\nf\n");
    EXPECT_EQ(in.next_token(), "a");
    hold_rest_of_line(stdin);                      // level 2
    EXPECT_EQ(in.next_token(), "c");
    hold_rest_of_line(stdin);                      // level 3
    EXPECT_EQ(in.statement(), (V{"&", "_", "p", ";"}));
    give_back_held_line(stdin);                    // back to level 2
    EXPECT_EQ(in.next_token(), "*");
    hold_rest_of_line(stdin);                      // interrupted again
    EXPECT_EQ(in.statement(), (V{"e", ";"}));
    give_back_held_line(stdin);
    EXPECT_EQ(in.statement(), (V{"d", ";"}));      // the rest of "c * d"
    EXPECT_EQ(in.statement(), (V{"&", "_", "p", ";"}));
    give_back_held_line(stdin);                    // back to level 1
    EXPECT_EQ(in.statement(), (V{"+", "b", ";"}));
    EXPECT_EQ(in.statement(), (V{"f", ";"}));
}

TEST(HeldLines, AnAbandonedStatementLosesTheRestOfItsLine) {
    TerminalInput in("a + b\nc * d\ne\nf\n");
    EXPECT_EQ(in.next_token(), "a");
    hold_rest_of_line(stdin);  // level 2
    EXPECT_EQ(in.next_token(), "c");
    hold_rest_of_line(stdin);  // level 3, opened by an error in "c * d"
    // Popping level 3 abandons "c * d": level 2 goes on with a fresh line.
    drop_held_lines(stdin, 1);
    EXPECT_EQ(held_line_count(), 1u);
    EXPECT_EQ(in.statement(), (V{"e", ";"}));
    // An error with nothing held, in the middle of a line.
    EXPECT_EQ(in.next_token(), "f");
    drop_held_lines(stdin, 1);
    give_back_held_line(stdin);  // level 2 popped: the interrupted "a + b"
    EXPECT_EQ(in.statement(), (V{"+", "b", ";"}));
    EXPECT_EQ(peek_char(stdin), EOF);
}
