// The written form of user functions: the exact layout of headings,
// comments, nested branches and loops, the order of the whole listing, the
// listing command's messages, and that written statements scan back as
// the tokens they were made of.
#include "interpreter/func_listing.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "interpreter/func_define.h"
#include "interpreter/scanner.h"

using namespace tolmex;

namespace {

using V = std::vector<std::string>;

struct Stream {
    std::string text;
    FILE* f;
    explicit Stream(std::string t) : text(std::move(t)) {
        f = fmemopen(text.data(), text.size(), "r");
    }
    ~Stream() { std::fclose(f); }
};

// The tokens of text as a definition reads them: scanned in file mode,
// except that after a single quote the characters up to the next one are
// taken one by one, blanks included.
V scan(const std::string& text) {
    init_scanner_sets();
    const int saved = tt_flag;
    tt_flag = 0;
    leftover = 0;
    Stream s(text);
    V out;
    TokenNode* none = nullptr;
    Token t;
    for (;;) {
        scanner(s.f, t, none);
        if (at_end_of_input(s.f, none) && (leftover == 0 || leftover == ' ') && token_is(t, ";")) break;
        out.push_back(t.text);
        if (!token_is(t, "'")) continue;
        for (;;) {
            int eol = 0;
            dumbscanner(s.f, t, none, eol);
            out.push_back(t.text);
            if (token_is(t, "'") || at_end_of_input(s.f, none)) break;
        }
    }
    tt_flag = saved;
    return out;
}

TokenNode* list_of(const V& texts) {
    TokenNode* head = nullptr;
    TokenNode** tail = &head;
    for (const std::string& t : texts) {
        TokenNode* n = newname();
        std::snprintf(n->text, sizeof n->text, "%s", t.c_str());
        *tail = n;
        tail = &n->next;
    }
    return head;
}

TokenNode* toks(const std::string& text) { return list_of(scan(text)); }

// What a writer put on a stream, as a string.
template <class F>
std::string written(F write) {
    char* buf = nullptr;
    size_t size = 0;
    FILE* out = open_memstream(&buf, &size);
    write(out);
    std::fclose(out);
    std::string s(buf, size);
    std::free(buf);
    return s;
}

std::string tokens_text(const V& texts) {
    TokenNode* l = list_of(texts);
    std::string s = written([&](FILE* out) { write_tokens(out, l); });
    freename(l);
    return s;
}

// Statement trees made by hand.
FormNode* form(CondNode* c, std::initializer_list<const char*> comments = {}) {
    FormNode* f = newform();
    f->statement = c;
    if (comments.size()) f->comments = new std::vector<std::string>(comments.begin(), comments.end());
    return f;
}

FormNode* seq(std::initializer_list<FormNode*> forms) {
    FormNode* head = nullptr;
    FormNode** tail = &head;
    for (FormNode* f : forms) {
        *tail = f;
        tail = &f->next;
    }
    return head;
}

FormNode* plain(const std::string& text, std::initializer_list<const char*> comments = {}) {
    CondNode* c = newcond();
    c->statement = toks(text);
    return form(c, comments);
}

FormNode* if_form(const std::string& cond, FormNode* then_part, FormNode* else_part = nullptr) {
    CondNode* c = newcond();
    c->condition = toks(cond);
    c->body = then_part;
    c->otherwise = else_part;
    return form(c);
}

FormNode* loop(bool is_for, const std::string& header, FormNode* body) {
    CondNode* c = newcond();
    c->kind = 1;
    c->is_for = is_for;
    c->condition = toks(header);
    c->body = body;
    return form(c);
}

// A function record entered in func_store; removed again by ~Defined.
struct Defined {
    FuncRec* f;
    Defined(const char* name, std::initializer_list<const char*> params, FormNode* body) {
        f = new FuncRec{};
        std::snprintf(f->name, sizeof f->name, "%s", name);
        ParamRec** tail = &f->params;
        for (const char* p : params) {
            auto* r = new ParamRec{};
            r->by_reference = p[0] == '^';
            std::snprintf(r->name, sizeof r->name, "%s", p + (p[0] == '^'));
            *tail = r;
            tail = &r->next;
            ++f->param_count;
        }
        f->body = body;
        push_func(f);
    }
    // Destroyed newest first, so this is the visible record of its name.
    ~Defined() { remove_func(f->name); }
};

// What listfuncs writes on standard output for the rest of a statement.
std::string listing_command(const std::string& input, std::string* terminator = nullptr) {
    init_scanner_sets();
    const int saved_tt = tt_flag;
    tt_flag = 0;
    leftover = 0;
    Stream in(input);
    std::fflush(stdout);
    FILE* capture = std::tmpfile();
    const int saved = dup(fileno(stdout));
    dup2(fileno(capture), fileno(stdout));
    TokenNode* none = nullptr;
    listfuncs(in.f, none);
    std::fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::rewind(capture);
    std::string out;
    for (int c = std::fgetc(capture); c != EOF; c = std::fgetc(capture)) out += static_cast<char>(c);
    std::fclose(capture);
    tt_flag = saved_tt;
    if (terminator) *terminator = token.text;
    return out;
}

// Reads definitions written as "Function Name ... ." (each followed by ";"
// or nothing) from text in file mode; returns the names defined.
V define_all(const std::string& text) {
    init_scanner_sets();
    const int saved = tt_flag;
    tt_flag = 0;
    leftover = 0;
    Stream s(text);
    V names;
    TokenNode* none = nullptr;
    for (;;) {
        scanner(s.f, token, none);
        if (token_is(token, ";") && at_end_of_input(s.f, none)) break;
        if (token_is(token, ";")) continue;
        EXPECT_TRUE(token_is(token, "Function") || token_is(token, "Func")) << token.text;
        scanner(s.f, token, none);
        names.push_back(token.text);
        funcdef(s.f, none, token.text);
    }
    tt_flag = saved;
    return names;
}

}  // namespace

TEST(FuncListing, TokensAreSpacedForReadingAndJoinedWhereThatReadsBetter) {
    EXPECT_EQ(tokens_text(scan("s := a + 123")), "s := a + 123");
    EXPECT_EQ(tokens_text(scan("x:+1;")), "x :+ 1;");
    EXPECT_EQ(tokens_text(scan("F( a , b [ 2 ] , -c )")), "F(a, b[2], - c)");
    EXPECT_EQ(tokens_text(scan("[x<=2] or not [y <> 3] and [z>=1.25]")),
              "[x <= 2] or not [y <> 3] and [z >= 1.25]");
    EXPECT_EQ(tokens_text(scan("x ^ -2 * y^n")), "x^-2 * y^n");
    EXPECT_EQ(tokens_text(scan("& _ n")), "&_n");
    EXPECT_EQ(tokens_text(scan("&(t=1)")), "&(t = 1)");
    // Names and what could continue them stay apart.
    EXPECT_EQ(tokens_text({"ab", "1", "_", "c", "d"}), "ab 1 _ c d");
    EXPECT_EQ(tokens_text({"2", "x"}), "2 x");
    // Quoted text is written as it was stored, a stored line end as one.
    EXPECT_EQ(tokens_text({"Write", "(", "'", "a", " ", " ", "b", ",", "'", ",", "x", ")"}),
              "Write('a  b,', x)");
    EXPECT_EQ(tokens_text({"'", "a", "\r", "b", "'"}), "'a\nb'");
    EXPECT_EQ(tokens_text({"c", ":", "=", "'", " ", "'"}), "c := ' '");
    // An end marker left on a list is not part of the text.
    EXPECT_EQ(tokens_text({"x", kEndOfBody}), "x");
    EXPECT_EQ(tokens_text({}), "");
}

TEST(FuncListing, WrittenTokensScanBackAsTheSameTokens) {
    for (const char* text : {"s := a + b", "y := 'a b ' + 3.5", "F(a, ^b)", "[x<=2] or [y<>3]",
                             "x :- -12 ^ (3)", "&_n 3", "a [1, 2] := 7"}) {
        const V t = scan(text);
        EXPECT_EQ(scan(tokens_text(t)), t) << text;
    }
    // Random lists from a mixed alphabet.
    const unsigned seed = std::random_device{}();
    std::mt19937 gen(seed);
    const V alphabet = {"x",  "abc", "Fn", "if",  "0", "7", ".", ":", "=", "+", "-", "*", "/", "^", "<",
                        ">",  "(",   ")", "[",   "]", ",", "&", "_", "!", "#", "|", "?", "%", "\\", "a1_b"};
    for (int round = 0; round < 300; ++round) {
        V t;
        const int n = static_cast<int>(gen() % 12);
        for (int i = 0; i < n; ++i) t.push_back(alphabet[gen() % alphabet.size()]);
        ASSERT_EQ(scan(tokens_text(t)), t) << "seed " << seed << " round " << round;
    }
}

TEST(FuncListing, HeadingParametersAndStatements) {
    Defined addto("Addto", {"a", "b", "^s"}, seq({plain("s := a + b"), plain("s")}));
    EXPECT_EQ(written([&](FILE* out) { write_function(out, addto.f, true); }),
              "\n Function Addto(a,b,^s) =  \n    s := a + b; \n    s.;\n");
    // A single function ends at its ".".
    EXPECT_EQ(written([&](FILE* out) { write_function(out, addto.f, false); }),
              "\n Function Addto(a,b,^s) =  \n    s := a + b; \n    s.");
    Defined three("Three", {}, plain("3"));
    EXPECT_EQ(written([&](FILE* out) { write_function(out, three.f, true); }), "\n Function Three =  \n    3.;\n");
}

TEST(FuncListing, CommentsStandBeforeTheirStatementAtItsIndentation) {
    Defined sq("Sq", {"x", "^y"},
               seq({plain("t := x^2 + y^2", {"  sum of\tsquares ", "two"}), plain("y := t", {""})}));
    EXPECT_EQ(written([&](FILE* out) { write_function(out, sq.f, true); }),
              "\n Function Sq(x,^y) =  \n"
              "    { sum of squares }\n"
              "    { two }\n"
              "    t := x^2 + y^2; \n"
              "    { }\n"
              "    y := t.;\n");
}

TEST(FuncListing, BranchesAndLoopsIndentThreeMoreBlanksPerLevel) {
    FormNode* if_else = if_form("i > 2", plain("s :+ i"), plain("s :- 1", {"small"}));
    FormNode* inner = loop(false, "s > 100", plain("s := s - 100"));
    FormNode* body = seq({plain("s := 0"), loop(true, "i = 1, n", seq({if_else, inner})), plain("s")});
    Defined g("G", {"n"}, body);
    EXPECT_EQ(written([&](FILE* out) { write_function(out, g.f, true); }),
              "\n Function G(n) =  \n"
              "    s := 0; \n"
              "    for i = 1, n do\n"
              "       if i > 2 then\n"
              "          s :+ i\n"
              "       else\n"
              "          { small }\n"
              "          s :- 1\n"
              "       fi; \n"
              "       while s > 100 do\n"
              "          s := s - 100\n"
              "       od\n"
              "    od; \n"
              "    s.;\n");
    // An if without else, with two statements, as the last statement.
    Defined h("H", {}, if_form("[x = 1] or [x = 2]", seq({plain("y := x"), plain("&>")})));
    EXPECT_EQ(written([&](FILE* out) { write_function(out, h.f, false); }),
              "\n Function H =  \n"
              "    if [x = 1] or [x = 2] then\n"
              "       y := x; \n"
              "       &>\n"
              "    fi.");
}

TEST(FuncListing, AllFunctionsSortedByNameOnlyTheVisibleDefinition) {
    Defined b("Beta", {}, plain("2"));
    Defined a_old("Alpha", {}, plain("0"));
    Defined a("Alpha", {"x"}, plain("x"));
    Defined c("Gamma", {}, plain("3"));
    EXPECT_EQ(written(write_functions),
              "\n Function Alpha(x) =  \n    x.;\n"
              "\n Function Beta =  \n    2.;\n"
              "\n Function Gamma =  \n    3.;\n");
}

TEST(FuncListing, ListingCommandSelectsOneOrListsAll) {
    Defined f("F", {"^a"}, plain("a :+ 1"));
    Defined g("Gee", {}, plain("7"));
    std::string term;
    EXPECT_EQ(listing_command("F;", &term), "\n Function F(^a) =  \n    a :+ 1.\n");
    EXPECT_EQ(term, "@");
    EXPECT_EQ(listing_command(";", &term),
              "\n Function F(^a) =  \n    a :+ 1.;\n\n Function Gee =  \n    7.;\n");
    EXPECT_EQ(term, "@");
    EXPECT_EQ(listing_command("Nope:"), "Nope has not been defined.\n");
    EXPECT_EQ(listing_command("x;"), "x is not a legal function name.\n");
    EXPECT_EQ(listing_command("3;"), "3 is not a legal function name.\n");
}

TEST(FuncListing, WholeListingScansBackToTheDefinitionTokens) {
    FormNode* body = seq({plain("s := 'a b' + 10", {"note"}),
                          if_form("s > 1", loop(true, "i := 1 to 3", plain("s :- i")), plain("s := 0"))});
    Defined k("K", {"^s", "t"}, body);
    const V expected = {"Function", "K", "(", "^", "s", ",", "t", ")", "=",  "{",  "note", "}",
                        "s",        ":", "=", "'", "a", " ", "b", "'", "+",  "1",  "0",    ";",
                        "if",       "s", ">", "1", "then", "for", "i", ":", "=", "1", "to", "3",
                        "do",       "s", ":", "-", "i", "od", "else", "s", ":", "=", "0", "fi",
                        ".",        ";"};
    EXPECT_EQ(scan(written(write_functions)), expected);
}

TEST(FuncListing, ListedDefinitionsReadBackAsTheSameFunctions) {
    const V names = define_all(
        "Func Mix(a, ^b; c) = {first} {second  one} b := a^-2 * 1.5 + c[2, 3];"
        "  Write('two  blanks,', ' ') ; if [a <> 1] or not [b <= 0.25] then b :- 1 else"
        "  for i from 1 to 9 by 2 do while c > i do c := c - 1; &] od; {inner} &_m(a) od fi;"
        "  {last} b.\n"
        "Function Empty = {nothing here} .\n"
        "Func One = 1;.");
    EXPECT_EQ(names, (V{"Mix", "Empty", "One"}));
    const std::string first = written(write_functions);
    EXPECT_EQ(first.substr(0, 80), "\n Function Empty =  \n    { nothing here }\n    .;\n\n Function Mix(a,^b,c) =  \n    ");
    for (const std::string& n : names) ASSERT_TRUE(remove_func(n.c_str()));
    EXPECT_EQ(define_all(first), (V{"Empty", "Mix", "One"}));
    EXPECT_EQ(written(write_functions), first);
    for (const std::string& n : names) remove_func(n.c_str());
}
