// Running statement trees: plain statements re-read their stored tokens
// with the evaluator; "if" chooses a branch; "while" and "for" repeat
// their bodies. Every statement and every pass of a loop is a safe point
// for keyboard interrupts.
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "base/stack.h"
#include "interpreter/arrays.h"
#include "interpreter/conditions.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/func_define.h"
#include "interpreter/functions.h"
#include "interpreter/scanner.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "quoly/quoly.h"

namespace tolmex {

int exit_flag = 0, leave_flag = 0, cycle_flag = 0;

namespace {

constexpr int64_t kLoopLimit = 268435455;  // one big-integer digit

bool is(const char* t) { return token_is(token, t); }
void next(TokenNode*& cursor) { scanner(Input, token, cursor); }
bool any_exit() { return exit_flag | leave_flag | cycle_flag; }

// The stored statement being run, for the error report that shows where a
// function was interrupted.
struct RunningStatement {
    TokenNode* saved_start = startexpr;
    TokenNode* saved_prev = prev_expr;
    RunningStatement(TokenNode* list, TokenNode* enclosing) {
        startexpr = list;
        prev_expr = enclosing;
    }
    ~RunningStatement() {
        startexpr = saved_start;
        prev_expr = saved_prev;
    }
};

void run_statement(TokenNode* list, Operand& value) {
    RunningStatement running(list, nullptr);
    ListCursor lc(list);
    TokenNode* cursor = lc.cursor;
    next(cursor);
    parse(Input, value, cursor);
    if (!is(kEndOfBody) && !is("@")) error(129, token.text);
}

// A for-loop bound: an integer expression read with true integers.
int64_t loop_bound(TokenNode*& cursor) {
    Quoly q;
    {
        IntegerStretch integers;
        old_expre(Input, q, cursor);
    }
    if (!quoly_is_number(q.get())) error(68, token.text);
    int64_t v = 0;
    if (!to_int64(quoly_number(q.get()), v) || v > kLoopLimit || v < -kLoopLimit) error(47, token.text);
    return v;
}

Quoly loop_value(int64_t v) {
    Number x;
    set_int64(v, x);
    if (modularmode) change_num(x, true, false);
    return make_numeric(std::move(x));
}

// The header of a for loop: the variable, then either start, end and step,
// or "[" a sparse array "]" whose entries the variable runs through.
struct ForLoop {
    char var[kTokenText];
    int64_t start = 0, end = 0, step = 1;
    int sign = 1;
    bool over_values = false;
    std::vector<Quoly> values;
};

void read_value_list(TokenNode*& cursor, ForLoop& loop) {
    ArrayRec* a = read_array_argument(Input, cursor);
    if (!a->is_sparse()) error(335, a->name);
    loop.over_values = true;
    for_each_entry(a, [&](int32_t, int64_t, const QuolyRec* v) {
        if (v) loop.values.push_back(quoly_copy(v));
    });
}

void set_up_for_loop(TokenNode* header, ForLoop& loop) {
    struct HeaderWords {
        HeaderWords() { ++loop_header_words; }
        ~HeaderWords() { --loop_header_words; }
    } words;
    ListCursor lc(header);
    TokenNode* cursor = lc.cursor;
    next(cursor);
    if (!(token.text[0] >= 'a' && token.text[0] <= 'z')) error(51, token.text);
    std::memcpy(loop.var, token.text, sizeof loop.var);
    next(cursor);
    if (is(":")) {
        next(cursor);
        if (!is("=")) error(77, token.text);
    } else if (!is("=") && !is("from")) {
        error(77, token.text);
    }
    next(cursor);
    if (is("[")) {
        read_value_list(cursor, loop);
    } else {
        loop.start = loop_bound(cursor);
        if (!is(",") && !is("to")) error(49, token.text);
        next(cursor);
        loop.end = loop_bound(cursor);
        if (is(",") || is("by")) {
            next(cursor);
            loop.step = loop_bound(cursor);
        }
        if (loop.step < 0) {
            // Runs upwards on the negated bounds; the variable gets the sign back.
            loop.sign = -1;
            loop.start = -loop.start;
            loop.end = -loop.end;
            loop.step = -loop.step;
        }
    }
    if (!is(kEndOfBody)) error(190, token.text);
}

// After one pass of a loop body: true when the loop goes on.
bool loop_goes_on() {
    cycle_flag = 0;
    if (exit_flag) return false;
    if (leave_flag) {
        leave_flag = 0;
        return false;
    }
    return true;
}

void run_for(CondNode* c, Operand& value) {
    ForLoop loop;
    set_up_for_loop(c->condition, loop);
    if (loop.over_values) {
        for (Quoly& v : loop.values) {
            poll_interrupt();
            insert_var(loop.var, std::move(v));
            eval_form(c->body, value);
            if (!loop_goes_on()) return;
        }
        return;
    }
    // A step of 0 repeats the body until an early exit, as written.
    for (int64_t i = loop.start; i <= loop.end; i += loop.step) {
        poll_interrupt();
        insert_var(loop.var, loop_value(loop.sign * i));
        eval_form(c->body, value);
        if (!loop_goes_on()) return;
    }
}

void run_while(CondNode* c, Operand& value) {
    for (;;) {
        poll_interrupt();
        if (!condition_holds(c->condition)) return;
        eval_form(c->body, value);
        if (!loop_goes_on()) return;
    }
}

}  // namespace

void getval(CondNode* c, Operand& value) {
    poll_interrupt();
    if (stack_nearly_full()) fail(kErrTooDeep, ";");
    if (!c->condition) {
        value.clear();
        run_statement(c->statement, value);
        return;
    }
    if (c->kind == 0) {
        const bool holds = condition_holds(c->condition);
        eval_form(holds ? c->body : c->otherwise, value);
        return;
    }
    if (c->is_for)
        run_for(c, value);
    else
        run_while(c, value);
}

void eval_form(FormNode* f, Operand& value) {
    for (; f; f = f->next) {
        if (!f->statement) continue;
        getval(f->statement, value);
        if (any_exit()) return;
    }
}

void control_statement(FILE* in, const char* word, Operand& value, TokenNode*& cursor) {
    struct Tree {
        CondNode* c = nullptr;
        ~Tree() {
            free_cond(c);
            exit_flag = leave_flag = cycle_flag = 0;
        }
    } tree;
    tree.c = read_control_statement(in, cursor, word);
    // The statement's terminator is current; running the tree reads tokens
    // of its own.
    const Token after = token;
    Operand result;
    getval(tree.c, result);
    token = after;
    if (result.present()) {
        value.set(result.take());
        return;
    }
    // Nothing to display (a loop that never ran, a body of displays); the
    // value is 0 for an expression that goes on after the statement.
    Quoly zero;
    quoly_set(0, zero);
    value.set(std::move(zero));
    if (is(";")) set_token(token, "@");
}

}  // namespace tolmex
