// What the handlers of the built-ins share: the call being run, the readers
// of argument lists, and the conversions of argument values. Private to the
// built-in files of the interpreter.
#pragma once

#include <cstdint>
#include <cstdio>

#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"
#include "numbers/number.h"
#include "poly/poly.h"
#include "quoly/quoly.h"

namespace tolmex {

// One call of a built-in: the current token is the built-in's name when the
// handler starts; the handler leaves the token after its ")" current.
struct BuiltinCall {
    FILE* in;
    Operand& value;
    TokenNode*& cursor;
    int index;
    const char* name() const;
};
using BuiltinHandler = void (*)(BuiltinCall& c);

// The handler banks: the handler of `index`, or null when the bank has no
// code for it.
BuiltinHandler bank1_handler(int index);
BuiltinHandler bank2_handler(int index);

// ---------------------------------------------------------------------------
// Argument lists

void next_token(BuiltinCall& c);
// "(" (error 177), ")" (error 1), "," (error 14); each is consumed.
void open_args(BuiltinCall& c);
void close_args(BuiltinCall& c);
void arg_comma(BuiltinCall& c);
// "(" then ")": a built-in without arguments.
void no_args(BuiltinCall& c);
// One argument: an expression (terms joined by "+" and "-").
[[nodiscard]] Quoly read_arg(BuiltinCall& c);
// "(" then N expressions separated by "," then ")".
template <int N>
void read_args(BuiltinCall& c, Quoly (&args)[N]) {
    next_token(c);
    open_args(c);
    for (int i = 0; i < N; ++i) {
        if (i) arg_comma(c);
        args[i] = read_arg(c);
    }
    close_args(c);
}
// One poly argument (error 186 for a denominator).
[[nodiscard]] Poly read_poly(BuiltinCall& c);
// The one-argument reader: "(" then either "^" and a variable name (the
// value is that variable's, referred to in place) or an expression, then
// ")".
void standard_read(BuiltinCall& c, Operand& arg);
// "^" and the name of a variable (error 207 without them); `name` receives
// it. An undefined variable is error 19, or with `create` (a variable the
// built-in writes) a new variable holding 0.
void read_reference(BuiltinCall& c, char* name, bool create = false);
// A polynomial variable's name; its level (error 183 otherwise).
int read_poly_var(BuiltinCall& c);

// ---------------------------------------------------------------------------
// Argument values

// The poly of a value without a denominator (a number is a constant poly);
// error 186 for a value with a denominator.
[[nodiscard]] Poly poly_of(const QuolyRec* q, const char* name);
// The numerator or the denominator (1 when none) of a value as a poly.
[[nodiscard]] Poly part_of(const QuolyRec* q, int part);
// A value from a poly (a constant poly becomes a number).
[[nodiscard]] Quoly value_of(Poly&& p);
[[nodiscard]] Quoly value_of_int(int64_t v);
// The value of a machine integer argument (error 202 when it is no integer,
// 68 when it does not fit 32 bits). In lintmode the word.
int64_t machine_int(const QuolyRec* q, const char* name);
// The integer of a number argument read inside an IntegerStretch (error 202
// otherwise): a copy of its digits.
[[nodiscard]] Number integer_of(const QuolyRec* q, const char* name);
// A true integer brought into the ground ring (its residue in modular
// mode).
[[nodiscard]] Quoly into_ring(Number&& x);

}  // namespace tolmex
