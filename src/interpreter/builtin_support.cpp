// Argument readers and value conversions shared by the built-ins.
#include "interpreter/builtin_support.h"

#include <cstring>

#include "interpreter/builtins.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/names.h"
#include "interpreter/scanner.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "poly/polyvars.h"

namespace tolmex {

const char* BuiltinCall::name() const { return builtin[index].name; }

void next_token(BuiltinCall& c) { scanner(c.in, token, c.cursor); }

namespace {

void expect(BuiltinCall& c, const char* text, int code) {
    if (!token_is(token, text)) fail(code, token.text);
    next_token(c);
}

}  // namespace

void open_args(BuiltinCall& c) { expect(c, "(", 177); }
void close_args(BuiltinCall& c) { expect(c, ")", 1); }
void arg_comma(BuiltinCall& c) { expect(c, ",", 14); }

void no_args(BuiltinCall& c) {
    next_token(c);
    open_args(c);
    close_args(c);
}

Quoly read_arg(BuiltinCall& c) {
    Quoly q;
    old_expre(c.in, q, c.cursor);
    return q;
}

void read_reference(BuiltinCall& c, char* name, bool create) {
    if (!token_is(token, "^")) fail(207, token.text);
    next_token(c);
    if (token.text[0] < 'a' || token.text[0] > 'z') fail(207, token.text);
    std::memcpy(name, token.text, kTokenText);
    int level = 0;
    if (polynames && is_poly_name(name, level)) fail(125, name);
    if (!find_var(name)) {
        // At a nested level the error is a warning: the variable starts at 0.
        if (!create) error(19, name);
        Quoly zero;
        quoly_set(0, zero);
        insert_var(name, std::move(zero));
    }
    next_token(c);
}

void standard_read(BuiltinCall& c, Operand& arg) {
    open_args(c);
    if (token_is(token, "^")) {
        char name[kTokenText];
        read_reference(c, name);
        arg.refer(find_var(name));
    } else {
        term(c.in, arg, c.cursor);
        half_expre(c.in, arg, c.cursor);
    }
    close_args(c);
}

Poly read_poly(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    return poly_of(a[0].get(), c.name());
}

int read_poly_var(BuiltinCall& c) {
    int level = 0;
    if (!polynames || !is_poly_name(token.text, level)) fail(183, token.text);
    next_token(c);
    return level;
}

Poly poly_of(const QuolyRec* q, const char* name) {
    if (!quoly_is_number(q) && quoly_denominator(q)) fail(186, name);
    return numerator_poly(q);
}

Poly part_of(const QuolyRec* q, int part) {
    if (part == 2) {
        if (quoly_is_number(q) || !quoly_denominator(q)) {
            Poly one;
            poly_set(1, one);
            return one;
        }
        return Poly(copy_poly(quoly_denominator(q)));
    }
    return numerator_poly(q);
}

Quoly value_of(Poly&& p) {
    Quoly q;
    p_q_take(std::move(p), q);
    return q;
}

Quoly value_of_int(int64_t v) {
    Number x;
    if (lintmode && !modularmode) {
        setvalue(static_cast<int32_t>(v), x);
        return make_numeric(std::move(x));
    }
    set_int64(v, x);
    return into_ring(std::move(x));
}

int64_t machine_int(const QuolyRec* q, const char* name) {
    if (!quoly_is_number(q)) fail(202, name);
    if (lintmode) return quoly_number(q).lint();
    int64_t v = 0;
    if (!to_int64(quoly_number(q), v) || v < INT32_MIN || v > INT32_MAX) fail(68, name);
    return v;
}

Number integer_of(const QuolyRec* q, const char* name) {
    if (!quoly_is_number(q)) fail(202, name);
    Number x;
    spec_num_assign(quoly_number(q), x);
    return x;
}

Quoly into_ring(Number&& x) {
    if (modularmode) change_num(x, true, false);
    return make_numeric(std::move(x));
}

}  // namespace tolmex
