#include "interpreter/evaluator.h"

#include <cstring>
#include <string>

#include "base/stack.h"
#include "interpreter/ampersand.h"
#include "interpreter/arrays.h"
#include "interpreter/builtins.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/names.h"
#include "interpreter/scanner.h"
#include "interpreter/statement_value.h"
#include "interpreter/value_reader.h"
#include "interpreter/write_out.h"
#include "numbers/decimal.h"
#include "numbers/display_settings.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "interpreter/functions.h"
#include "interpreter/integer_eval.h"
#include "interpreter/poly_ops.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "rings/ring_change.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

int integerflag = 0;

int abs_depth = 0;
int loop_header_words = 0;

namespace {

struct AbsDepthReset {
    int saved = abs_depth;
    AbsDepthReset() { abs_depth = 0; }
    ~AbsDepthReset() { abs_depth = saved; }
};

bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
char first_char() { return token.text[0]; }
bool tok(const char* t) { return token_is(token, t); }

void next(FILE* in, TokenNode*& cursor) { scanner(in, token, cursor); }

Quoly zero_value() {
    Quoly q;
    quoly_set(0, q);
    return q;
}

// ---------------------------------------------------------------------------
// Literals

// The digits of a literal as a string, the current token being its first
// digit; leaves the token after the last digit current.
std::string read_digits(FILE* in, TokenNode*& cursor) {
    std::string s;
    while (is_digit(first_char()) && token.text[1] == '\0') {
        s += first_char();
        next(in, cursor);
    }
    return s;
}

// d / 10^k for the digits after a decimal point.
Quoly decimal_fraction(FILE* in, TokenNode*& cursor) {
    if (lintmode) error(235, ".");
    next(in, cursor);  // past "."
    if (!is_digit(first_char())) error(341, token.text);
    std::string digits = read_digits(in, cursor);
    Number d = decimal_to_number(digits);
    std::string power(digits.size() + 1, '0');  // 10^k
    power[0] = '1';
    Number p = decimal_to_number(power);
    Quoly r;
    quot_numbers(d, p, r);
    return r;
}

// An integer literal of a stored list, once read in rational arithmetic,
// keeps its value in its first digit's node (with its last digit's node),
// so that running the list again reads no digits.
constexpr int32_t kCachedLiteral = 0x4300;

bool single_digit(const TokenNode* t) { return t && is_digit(t->text[0]) && t->text[1] == '\0'; }

Quoly number_literal(FILE* in, TokenNode*& cursor) {
    TokenNode* node = cursor;
    const bool cacheable = node && !modularmode && !lintmode;
    if (cacheable && node->kind == kCachedLiteral) {
        Number x;
        set_int64(static_cast<int64_t>(reinterpret_cast<intptr_t>(node->ann2)), x);
        cursor = static_cast<TokenNode*>(node->ann1);
        next(in, cursor);
        return make_numeric(std::move(x));
    }
    Number x;
    new_readin(in, cursor, x);
    int64_t v = 0;
    if (cacheable && !tok(".") && to_int64(x, v) && v <= INT32_MAX) {
        TokenNode* last = node;
        while (single_digit(last->next)) last = last->next;
        node->kind = kCachedLiteral;
        node->ann1 = last;
        node->ann2 = reinterpret_cast<void*>(static_cast<intptr_t>(v));
    }
    Quoly q = make_numeric(std::move(x));
    if (tok(".")) {
        Quoly frac = decimal_fraction(in, cursor);
        best_quoly_add(q, std::move(frac));
    }
    return q;
}

// 'c': the character's code.
Quoly char_literal(FILE* in, TokenNode*& cursor) {
    int eol = 0;
    dumbscanner(in, token, cursor, eol);
    int code = static_cast<unsigned char>(token.text[0]);  // a line end reads as 13
    eol = 0;
    dumbscanner(in, token, cursor, eol);
    if (first_char() != '\'') error(109, eol ? ";" : token.text);
    next(in, cursor);
    Quoly q;
    quoly_set(code, q);
    if (modularmode) {
        Number x;
        setvalue(code, x);
        change_num(x, true, false);
        q = make_numeric(std::move(x));
    }
    return q;
}

// Brings a value computed with true integers (the "_" factor) back into the
// ring: an integer of any size becomes its residue, a rational number the
// residue of its quotient, a poly or quotient of polys the same with every
// coefficient reduced.
void into_ring(Quoly& q) {
    if (!modularmode) return;
    if (quoly_is_number(q.get())) {
        change_num(quoly_number(q.get()), true, false);
        return;
    }
    if (quoly_is_rational(q.get())) {
        Number n, d;
        spec_num_assign(poly_constant(quoly_numerator(q.get())), n);
        spec_num_assign(poly_constant(quoly_denominator(q.get())), d);
        change_num(n, true, false);
        change_num(d, true, false);
        Quoly qn = make_numeric(std::move(n)), qd = make_numeric(std::move(d));
        fast_quoly_quot(qn, std::move(qd));
        q = std::move(qn);
        return;
    }
    QuolyRec* r = q.release();
    quoly_change_num(r);
    if (r)
        q = Quoly(r);
    else
        q = zero_value();
}

// ---------------------------------------------------------------------------
// Names

void poly_variable(int level, Operand& value) {
    Poly p;
    base_poly(p, level);
    Quoly q;
    p_q_take(std::move(p), q);
    value.set(std::move(q));
}

// A lowercase name. The token after the name is current on return.
void lowercase_name(FILE* in, Operand& value, TokenNode*& cursor, bool star) {
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    const int code = token.code;  // the bucket, cached in linked function bodies
    int level = 0;
    if (polynames && is_poly_name(name, level)) {
        if (star) error(363, name);
        next(in, cursor);
        poly_variable(level, value);
        return;
    }
    next(in, cursor);
    // Before the array element: a condition may begin with "[".
    if ((name[0] == 'f' || name[0] == 'i' || name[0] == 'w') &&
        (!std::strcmp(name, "for") || !std::strcmp(name, "if") || !std::strcmp(name, "while"))) {
        if (cursor) error(225, name);
        control_statement(in, name, value, cursor);
        return;
    }
    if (tok("[")) {
        array_element(in, name, value, cursor);
        return;
    }
    VarRec* v = code >= 0 && code < kScalarBuckets ? find_var_in(name, code) : find_var(name);
    if (v) {
        if (v->array_param) {
            std::printf("Warning. %s is an array parameter used as a scalar.\n", name);
            std::printf("Value 0 used for %s.\n", name);
            value.set(zero_value());
            return;
        }
        value.refer(v);
        return;
    }
    if (tok(":")) {
        value.refer_name(name);  // created by ":=", ":+" or ":-" if they follow
        return;
    }
    if (!std::strcmp(name, "quit")) {
        std::printf(" The quit command is &q.\n");
        value.set(zero_value());
        return;
    }
    error(19, name);
    value.set(zero_value());
}

// ---------------------------------------------------------------------------
// Postfix operators

void apply_power(FILE* in, Operand& value, TokenNode*& cursor) {
    Quoly q = value.take();
    Number e;
    get_exponent(in, cursor, e);
    raise_to_power(q, e);
    value.set(std::move(q));
}

void apply_factorial(FILE* in, Operand& value, TokenNode*& cursor) {
    value.materialize();
    next(in, cursor);
    const QuolyRec* q = value.get();
    if (!quoly_is_number(q)) error(130, "!");
    Number r;
    if (modularmode && lintmode) {
        // The argument is an integer: a literal's as typed (which the
        // residue keeps beside it), any other value's residue 0 .. p - 1.
        int64_t n = quoly_number(q).lint();
        if (!value.is_reference() && quoly_number(q).keeps_integer() &&
            !to_int64(quoly_number(q), n))
            n = INT64_MAX;  // beyond every modulus: the factorial is 0
        setvalue(residue_factorial(n), r);
    } else {
        // Machine words in lintmode (error 130 for a negative one).
        if (!lintmode && quoly_number(q).sign() < 0) error(130, "!");
        factorial(quoly_number(q), r);
    }
    value.set(make_numeric(std::move(r)));
}

void apply_evaluation(FILE* in, Operand& value, TokenNode*& cursor) {
    Quoly q = value.take();
    next(in, cursor);  // past "#"
    evaluate_at_list(in, q, cursor);
    value.set(std::move(q));
}

void apply_derivative(FILE* in, Operand& value, TokenNode*& cursor) {
    Quoly q = value.take();
    next(in, cursor);
    differentiate_once(q);
    value.set(std::move(q));
}

void postfix(FILE* in, Operand& value, TokenNode*& cursor) {
    if (tok("^")) {
        apply_power(in, value, cursor);
    } else if (tok("!")) {
        apply_factorial(in, value, cursor);
    } else if (tok("#")) {
        apply_evaluation(in, value, cursor);
    }
    while (tok("\"")) apply_derivative(in, value, cursor);
}

// ---------------------------------------------------------------------------
// Primaries

void nested_statement(FILE* in, Operand& value, TokenNode*& cursor) {
    Operand inner;
    {
        struct AsFactor {
            AsFactor() { ++statement_as_factor; }
            ~AsFactor() { --statement_as_factor; }
        } as_factor;
        parse(in, inner, cursor);
    }
    value.set(inner.present() ? inner.take() : zero_value());
    if (tok("@")) set_token(token, ";");
}

void primary(FILE* in, Operand& value, TokenNode*& cursor, bool star) {
    const char c = first_char();
    if (is_lower(c)) {
        lowercase_name(in, value, cursor, star);
        return;
    }
    if (star) error(337, token.text);
    if (is_digit(c)) {
        value.set(number_literal(in, cursor));
        return;
    }
    if (c == '.') {
        value.set(decimal_fraction(in, cursor));
        return;
    }
    if (is_upper(c)) {
        capitalised_name(in, value, cursor);
        return;
    }
    if (c == '(') {
        AbsDepthReset reset;
        next(in, cursor);
        Quoly q;
        old_expre(in, q, cursor);
        if (!tok(")")) error(1, token.text);
        next(in, cursor);
        value.set(std::move(q));
        return;
    }
    if (c == '\'') {
        value.set(char_literal(in, cursor));
        return;
    }
    if (c == '<') {
        next(in, cursor);
        if (tok("[")) {
            system_array_element(in, value, cursor);
            return;
        }
        if (tok("F")) {
            system_function(in, value, cursor);
            return;
        }
        value.set(previous_value_copy());
        return;
    }
    if (c == '%') {
        array_of_arrays_element(in, value, cursor);
        return;
    }
    if (c == '!' || c == '&' || c == '?' || c == '@') {
        nested_statement(in, value, cursor);
        return;
    }
    error(2, token.text);
    value.set(zero_value());
}

}  // namespace

// ---------------------------------------------------------------------------
// Factors

void fact(FILE* in, Operand& value, TokenNode*& cursor) {
    // Every reader of nested input comes through here once per level of
    // nesting: deep input ends in an error while the stack still has room.
    if (stack_nearly_full()) fail(kErrTooDeep, token.text);
    const char c = first_char();
    if (c == '-' && token.text[1] == '\0') {
        next(in, cursor);
        fact(in, value, cursor);
        Quoly q = value.take();
        quoly_inplace(q.get());
        value.set(std::move(q));
        return;
    }
    if (c == '+' && token.text[1] == '\0') {
        next(in, cursor);
        fact(in, value, cursor);
        return;
    }
    if (c == '$') {
        next(in, cursor);
        fact(in, value, cursor);
        Quoly q = value.take();
        quoly_great_int(q);
        value.set(std::move(q));
        return;
    }
    if (c == '|') {
        next(in, cursor);
        Quoly q;
        {
            struct InsideBars {
                InsideBars() { ++abs_depth; }
                ~InsideBars() { --abs_depth; }
            } inside;
            old_expre(in, q, cursor);
        }
        if (!tok("|")) error(63, token.text);
        next(in, cursor);
        quoly_abs(q);
        value.set(std::move(q));
        half_fact(in, value, cursor);
        return;
    }
    if (c == '_' && token.text[1] == '\0') {
        next(in, cursor);
        Quoly q;
        {
            IntegerStretch off;
            old_fact(in, q, cursor);
        }
        into_ring(q);
        value.set(std::move(q));
        return;
    }
    bool star = false;
    if (c == '*' && token.text[1] == '\0') {
        star = true;
        next(in, cursor);
        if (!is_lower(first_char())) error(337, token.text);
    }
    primary(in, value, cursor, star);
    if (star && value.is_reference() && (tok("#") || tok("\""))) {
        // The value is moved out of the variable, which is left holding 1.
        Quoly one;
        quoly_set(1, one);
        if (VarRec* v = value.target()) {
            Quoly moved(v->value);
            v->value = one.release();
            value.set(std::move(moved));
        }
    }
    postfix(in, value, cursor);
}

void half_fact(FILE* in, Operand& value, TokenNode*& cursor) { postfix(in, value, cursor); }

void get_exponent(FILE* in, TokenNode*& cursor, Number& e) {
    next(in, cursor);  // past "^"
    // An exponent is an integer of any size, not a residue: in modular mode
    // it is read with true integers, stored residues reading as their word.
    IntegerStretch integers;
    Quoly q;
    old_fact(in, q, cursor);
    if (!quoly_is_number(q.get())) error(116, "^");
    num_assign(quoly_number(q.get()), e);
}

bool simple_term_follows(const TokenNode* cursor) { return cursor && simple_term_at(cursor->next); }

bool simple_term_at(const TokenNode* t) {
    if (!t) return false;
    const char c = t->text[0];
    if (is_digit(c)) {
        while (t && is_digit(t->text[0]) && t->text[1] == '\0') t = t->next;
    } else if (is_lower(c)) {
        if ((c == 'f' || c == 'i' || c == 'w') &&
            (!std::strcmp(t->text, "for") || !std::strcmp(t->text, "if") || !std::strcmp(t->text, "while")))
            return false;
        t = t->next;
    } else {
        return false;
    }
    if (!t) return true;
    const char* x = t->text;
    if (x[1] != '\0')
        return (x[0] == 't' && !std::strcmp(x, "then")) || (x[0] == 'a' && !std::strcmp(x, "and")) ||
               (x[0] == 'o' && !std::strcmp(x, "or"));
    return x[0] == '+' || x[0] == '-' || x[0] == ')' || x[0] == ',' || x[0] == ']' || x[0] == '<' ||
           x[0] == '>' || x[0] == '=' || x[0] == ';';
}

// ---------------------------------------------------------------------------
// Terms

namespace {

bool continues_term() {
    const char c = first_char();
    if (c == '|' && abs_depth > 0) return false;
    if (c == '*' || c == '/' || c == '\\' || c == '|' || c == '(') return token.text[1] == '\0';
    if (is_lower(c) || is_upper(c))
        return !tok("or") && !tok("and") && !(loop_header_words > 0 && (tok("to") || tok("by")));
    return false;
}

void combine(Operand& left, Operand&& right, char op, bool double_slash) {
    Quoly a = left.take();
    Quoly b = right.take();
    switch (op) {
        case '*':
            fast_quoly_mult(a, std::move(b));
            break;
        case '/':
            fast_quoly_quot(a, std::move(b), double_slash);
            break;
        default: {
            Quoly r;
            quoly_mod_or_div(a.get(), b.get(), r, op);
            a = std::move(r);
        }
    }
    left.set(std::move(a));
}

}  // namespace

void half_term(FILE* in, Operand& value, TokenNode*& cursor) {
    while (continues_term()) {
        // The operator consumes a copy anyway; taken now, it cannot be
        // disturbed by what the next factor does to the variable.
        value.materialize();
        char op = '*';
        bool double_slash = false;
        const char c = first_char();
        if (c == '*' || c == '/' || c == '\\' || c == '|') {
            op = c;
            next(in, cursor);
            if (tok("/")) {
                if (op != '/') error(339, "/");
                double_slash = true;
                next(in, cursor);
            }
        }
        Operand right;
        fact(in, right, cursor);
        combine(value, std::move(right), op, double_slash);
    }
}

void term(FILE* in, Operand& value, TokenNode*& cursor) {
    fact(in, value, cursor);
    half_term(in, value, cursor);
}

// ---------------------------------------------------------------------------
// Expressions

namespace {

void add_terms(FILE* in, Operand& value, TokenNode*& cursor) {
    while ((tok("+") || tok("-"))) {
        const bool add = tok("+");
        // A variable's value is read in place when what follows cannot
        // change it; otherwise it is copied first.
        const bool in_place = value.is_reference() && simple_term_follows(cursor);
        if (!in_place) value.materialize();
        next(in, cursor);
        Operand right;
        term(in, right, cursor);
        Quoly r;
        if (in_place) {
            if (add)
                quoly_add(value.get(), right.get(), r);
            else
                quoly_sub(value.get(), right.get(), r);
        } else if (add) {
            better_quoly_add(value.take(), right.get(), r);
        } else {
            better_quoly_sub(value.take(), right.get(), r);
        }
        value.set(std::move(r));
    }
}

// The amount of an increment: a factor beginning with a digit, a lowercase
// letter or "(", which must be a machine-size number; 1 when absent.
int32_t increment_amount(FILE* in, TokenNode*& cursor) {
    const char c = first_char();
    if (!(is_digit(c) || is_lower(c) || c == '(')) return 1;
    Quoly q;
    old_fact(in, q, cursor);
    if (!quoly_is_number(q.get())) error(223, token.text);
    if (lintmode) return quoly_number(q.get()).lint();
    int32_t v = convert_to_int(quoly_number(q.get()), kNotAnInt);
    if (v == kNotAnInt) error(224, token.text);
    return v;
}

}  // namespace

void increment_array_element(FILE* in, Operand& value, TokenNode*& cursor, bool up) {
    const ElementRef target = value.elem;
    Quoly q = value.take();
    next(in, cursor);
    int32_t amount = increment_amount(in, cursor);
    if (!quoly_is_number(q.get()) && quoly_denominator(q.get())) error(196, up ? "+" : "-");
    Number a;
    set_int64(up ? int64_t{amount} : -int64_t{amount}, a);
    if (modularmode) change_num(a, true, false);
    best_quoly_add(q, make_numeric(std::move(a)));
    assign_array_element(target, std::move(q), value);
}

namespace {

// The amount may cancel or replace the variable: it is found again by its
// name afterwards, and an increment of a cancelled name creates it anew
// from 0, as for a new name.
void increment(FILE* in, Operand& value, TokenNode*& cursor, bool up) {
    if (!value.is_reference()) error(316, up ? "+" : "-");
    char name[kTokenText];
    std::memcpy(name, value.name, sizeof name);
    value.clear();
    next(in, cursor);
    int32_t amount = increment_amount(in, cursor);
    VarRec* v = find_var(name);
    if (!v) v = insert_var(name, zero_value());
    QuolyRec* target = v->value;
    if (!quoly_is_number(target) && quoly_denominator(target)) error(196, up ? "+" : "-");
    // The change as an integer, then in the ring: its residue in modular
    // mode, a machine word (which wraps) in lintmode.
    const int64_t change = up ? int64_t{amount} : -int64_t{amount};
    Number a;
    if (lintmode && !modularmode) {
        setvalue(static_cast<int32_t>(static_cast<uint32_t>(change)), a);
    } else {
        set_int64(change, a);
        if (modularmode) change_num(a, true, false);
    }
    if (quoly_is_number(target)) {
        fastsum(quoly_number(target), a);
        value.refer(v);
        return;
    }
    // The variable keeps its value until the new one is complete.
    Quoly q = quoly_copy(target);
    best_quoly_add(q, make_numeric(std::move(a)));
    value.refer(insert_var(name, std::move(q)));
}

}  // namespace

void half_expre(FILE* in, Operand& value, TokenNode*& cursor) { add_terms(in, value, cursor); }

void expre(FILE* in, Operand& value, TokenNode*& cursor) {
    term(in, value, cursor);
    if (tok(":")) {
        next(in, cursor);
        if (tok("=") && value.elem.on) {
            const ElementRef target = value.elem;
            value.clear();
            next(in, cursor);
            Quoly rhs;
            old_expre(in, rhs, cursor);
            assign_array_element(target, std::move(rhs), value);
            return;
        }
        if ((tok("+") || tok("-")) && value.elem.on) {
            increment_array_element(in, value, cursor, tok("+"));
            return;
        }
        if (tok("=")) {
            if (!value.is_reference()) error(317, ":=");
            // The right side may cancel or replace the target (a nested
            // statement, a command level opened meanwhile): the target is
            // found again by its name, and a cancelled one is created anew.
            char name[kTokenText];
            std::memcpy(name, value.name, sizeof name);
            value.clear();
            // A new name exists from here, as 0, even when the right side
            // is abandoned (a panic stop during it).
            if (!find_var(name)) insert_var(name, zero_value());
            next(in, cursor);
            Quoly rhs;
            old_expre(in, rhs, cursor);
            value.refer(insert_var(name, std::move(rhs)));
            return;
        }
        if (tok("+") || tok("-")) {
            increment(in, value, cursor, tok("+"));
            return;
        }
        if (tok(";") && !cursor) {
            set_token(token, ":");
            return;
        }
        error(317, token.text);
    }
    add_terms(in, value, cursor);
}

void old_fact(FILE* in, Quoly& value, TokenNode*& cursor) {
    Operand v;
    fact(in, v, cursor);
    value = v.take();
}

void old_expre(FILE* in, Quoly& value, TokenNode*& cursor) {
    Operand v;
    term(in, v, cursor);
    add_terms(in, v, cursor);
    value = v.take();
}

IntValue read_setting_value(FILE* in, TokenNode*& cursor) {
    IntValue r;
    Quoly q;
    {
        ModularSuspend off;
        old_expre(in, q, cursor);
    }
    if (!quoly_is_number(q.get())) return r;
    r.is_number = true;
    if (lintmode) {
        r.fits = true;
        r.v = quoly_number(q.get()).lint();
        return r;
    }
    int64_t v = 0;
    r.fits = to_int64(quoly_number(q.get()), v) && v >= INT32_MIN && v <= INT32_MAX;
    r.v = v;
    return r;
}

// ---------------------------------------------------------------------------
// Statements

void parse(FILE* in, Operand& value, TokenNode*& cursor) {
    value.clear();
    const char c = first_char();
    if (c == '!') {
        write_out(in, cursor);
        return;
    }
    if (tok("Trans") || tok("Diag") || c == '"' || c == '[' || c == '~' || tok("Adjoint") ||
        tok("Altmult") || tok("Altpower") || tok("MPowermod")) {
        arr_parse(in, cursor);
        return;
    }
    if (c == '%') {
        arr_arr_state(in, value, cursor);
        return;
    }
    if (c == '&') {
        ampersand_command(in, value, cursor);
        return;
    }
    if (c == '?') {
        input_statement(in, cursor);
        return;
    }
    if (c == ';' && token.text[1] == '\0') {
        set_token(token, "@");
        return;
    }
    if (c == '@') {
        rubout(in, cursor);
        return;
    }
    if (tok("Integer")) {
        // Integer mode for the rest of the function body (the call restores
        // the flag when it returns); not a statement of the terminal.
        if (!cursor) error(225, "Integer");
        integerflag = 1;
        next(in, cursor);
        return;
    }
    if ((c == 'A' || c == 'M')) {
        restricted_statement(in, value, cursor);
        return;
    }
    if (integer_mode_here(cursor)) {
        integer_statement(in, value, cursor);
        return;
    }
    expre(in, value, cursor);
}

void restricted_statement(FILE* in, Operand& value, TokenNode*& cursor) {
    if (integer_mode_here(cursor)) {
        value.set(machine_quoly(old_iexpre(in, cursor)));
        return;
    }
    term(in, value, cursor);
    add_terms(in, value, cursor);
}

}  // namespace tolmex
