#include "interpreter/ground_ring.h"

#include <cstdint>
#include <cstdio>

#include "interpreter/ampersand_internal.h"
#include "interpreter/builtins.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/ring_excursion.h"
#include "interpreter/scanner.h"
#include "interpreter/statement_value.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "rings/ring_change.h"

namespace tolmex {

namespace {

constexpr int64_t kLargestModulus = 2147483646;
// A command that converts stored values, met inside an expression (or in
// the answer to the modulus prompt): the values computed so far belong to
// the ring in force.
constexpr int kInsideExpression = 74;

bool proper_modulus(const IntValue& v) { return v.fits && v.v >= 2 && v.v <= kLargestModulus; }

// The messages are written at the terminal, and in stored bodies only when
// verbose is on.
bool announce(TokenNode* cursor) { return !cursor || verbose; }

bool interactive(TokenNode* cursor) { return tt_flag && !cursor; }

void improper(const IntValue& v) {
    std::printf(" *** Improper modulus %2lld. upper limit is 2147483646. Reenter.\n",
                static_cast<long long>(v.v));
}

// Set while the modulus is being read: the answer is an expression.
int reading_modulus = 0;
struct ReadingModulus {
    ReadingModulus() { ++reading_modulus; }
    ~ReadingModulus() { --reading_modulus; }
};

// Reads the modulus: at the terminal it asks again until the value is
// proper; from a file it is read once (error 84 when improper).
int32_t obtain_modulus(FILE* in, TokenNode*& cursor) {
    ReadingModulus guard;
    for (;;) {
        if (interactive(cursor)) {
            std::printf(" Enter modulus:\n");
            write_prompt();
            take_pending_line_end(in);
        }
        scanner(in, token, cursor);
        IntValue v = read_setting_value(in, cursor);
        if (!v.is_number) error(148, "p");
        if (proper_modulus(v)) return static_cast<int32_t>(v.v);
        if (!interactive(cursor)) {
            error(84, "p");
            return 2;
        }
        improper(v);
    }
}

void discard_values() {
    quoly_set(0, prevnum);
    reset_random_denominator();
}

void to_rational(TokenNode* cursor) {
    change_to_rational(announce(cursor));
    discard_values();
}

void to_modular(int32_t n, TokenNode* cursor) {
    if (modularmode) {
        change_modulus(n, announce(cursor));
    } else {
        if (lintmode) error(62, "p");
        change_to_modular(n, announce(cursor));
    }
    discard_values();
}

void check_may_change() {
    if (levelcount > 1) error(73, "p");
    if (statement_as_factor > 0 || reading_modulus > 0 || ring_change_in_progress())
        error(kInsideExpression, "p");
}

// "&(p = _i)": back to rational arithmetic, also from temporary
// single-word arithmetic.
void rational_setting(FILE* in, TokenNode*& cursor) {
    scanner(in, token, cursor);
    if (!token_is(token, "i")) error(148, token.text);
    scanner(in, token, cursor);
    if (token_is(token, ":")) scanner(in, token, cursor);
    if (!token_is(token, ")")) error(135, token.text);
    if (modularmode || lintmode) {
        lintmode = modularmode;  // leave any temporary single-word mode
        ring_change_starting();
        to_rational(cursor);
        ring_change_done();
    }
    read_terminator(in, cursor);
}

}  // namespace

void refuse_inside_expression(const char* name) {
    if (statement_as_factor > 0 || reading_modulus > 0 || ring_change_in_progress())
        error(kInsideExpression, name);
}

void ring_command(FILE* in, TokenNode*& cursor) {
    check_may_change();
    if (modularmode) {
        ring_change_starting();
        to_rational(cursor);
        ring_change_done();
        read_terminator(in, cursor);
        return;
    }
    if (lintmode) error(62, "p");
    if (announce(cursor)) std::printf(" Changing to modular arithmetic.\n");
    int32_t n = obtain_modulus(in, cursor);
    ring_change_starting();
    to_modular(n, cursor);
    ring_change_done();
    quiet_terminator();
}

void ring_setting(FILE* in, TokenNode*& cursor) {
    check_may_change();
    if (token_is(token, "_")) return rational_setting(in, cursor);
    IntValue v;
    {
        ReadingModulus guard;
        v = read_setting_value(in, cursor);
    }
    if (!v.is_number) error(148, "p");
    if (!token_is(token, ")")) error(135, token.text);
    if (!proper_modulus(v) && !interactive(cursor)) error(84, "p");
    if (!modularmode && lintmode) error(62, "p");
    if (!modularmode && announce(cursor)) std::printf(" Changing to modular arithmetic.\n");
    if (proper_modulus(v)) {
        ring_change_starting();
        to_modular(static_cast<int32_t>(v.v), cursor);
        ring_change_done();
        return read_terminator(in, cursor);
    }
    // At the terminal an improper modulus is asked for again; the answer's
    // line ends the statement.
    improper(v);
    int32_t n = obtain_modulus(in, cursor);
    ring_change_starting();
    to_modular(n, cursor);
    ring_change_done();
    quiet_terminator();
}

}  // namespace tolmex
