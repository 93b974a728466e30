// Integer mode: expressions of stored function bodies evaluated in machine
// integers. The grammar is the evaluator's, without juxtaposition; every
// operator computes on 32-bit words, or on residues in modular mode.
#include "interpreter/integer_eval.h"

#include <cstring>
#include <string>

#include "base/stack.h"
#include "interpreter/arrays.h"
#include "interpreter/builtins.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/functions.h"
#include "interpreter/names.h"
#include "interpreter/scanner.h"
#include "interpreter/statement_value.h"
#include "numbers/decimal.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/number.h"
#include "numbers/residue.h"
#include "poly/polyvars.h"

namespace tolmex {

// ---------------------------------------------------------------------------
// Values

int32_t machine_value(const QuolyRec* q, const char* name) {
    if (!q || !quoly_is_number(q)) fail(68, name);
    if (lintmode) return quoly_number(q).lint();
    int64_t v = 0;
    if (!to_int64(quoly_number(q), v) || v < INT32_MIN || v > INT32_MAX) fail(68, name);
    return static_cast<int32_t>(v);
}

Quoly machine_quoly(int32_t v) {
    Number x;
    if (modularmode && (v < 0 || v >= modulus)) {
        // A word computed with modular arithmetic switched off: its residue.
        set_int64(v, x);
        change_num(x, true, false);
    } else {
        setvalue(v, x);
    }
    return make_numeric(std::move(x));
}

namespace {

bool is_lower(char c) { return c >= 'a' && c <= 'z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
char first_char() { return token.text[0]; }
bool tok(const char* t) { return token_is(token, t); }
bool single(char c) { return token.text[0] == c && token.text[1] == '\0'; }
void next(FILE* in, TokenNode*& cursor) { scanner(in, token, cursor); }

// ---------------------------------------------------------------------------
// Machine arithmetic. Rational mode wraps modulo 2^32 (computed on unsigned
// words, so that an overflow is a wrap and never undefined); modular mode
// keeps residues.

int32_t wrap(uint32_t v) { return static_cast<int32_t>(v); }
uint32_t word(int32_t v) { return static_cast<uint32_t>(v); }

// An integer of any size brought into the ring: its residue in modular
// mode, its low 32 bits otherwise.
int32_t into_machine_ring(int64_t v) {
    if (!modularmode) return wrap(static_cast<uint32_t>(static_cast<uint64_t>(v)));
    Number x;
    set_int64(v, x);
    change_num(x, true, false);
    return x.lint();
}

int32_t i_add(int32_t a, int32_t b) { return modularmode ? mod_add(a, b, modulus) : wrap(word(a) + word(b)); }
int32_t i_sub(int32_t a, int32_t b) { return modularmode ? mod_sub(a, b, modulus) : wrap(word(a) - word(b)); }
int32_t i_mult(int32_t a, int32_t b) { return modularmode ? modmult(a, b) : wrap(word(a) * word(b)); }

int32_t i_neg(int32_t a) {
    if (!modularmode) return wrap(0u - word(a));
    return finf || a == 0 ? a : modulus - a;
}

int32_t i_abs(int32_t a) { return modularmode || a >= 0 ? a : i_neg(a); }

// Error 22 for a zero divisor; true when the division may go on (a nested
// command level turns the error into a warning, and the value is then 0).
bool divisor_ok(int32_t b, const char* op) {
    if (b != 0) return true;
    error(22, op);
    return false;
}

// Truncating machine division; the one quotient that overflows wraps.
int32_t truncating_quot(int32_t a, int32_t b) { return b == -1 ? i_neg(a) : a / b; }

int32_t i_quot(int32_t a, int32_t b) {
    if (!divisor_ok(b, "/")) return 0;
    if (!modularmode) return truncating_quot(a, b);
    int32_t inverse = 0;
    emod_inverse(b, inverse);
    return modmult(a, inverse);
}

int32_t i_div(int32_t a, int32_t b) {
    if (!divisor_ok(b, "\\")) return 0;
    return truncating_quot(a, b);
}

int32_t i_mod(int32_t a, int32_t b) {
    if (!divisor_ok(b, "|")) return 0;
    int64_t r = b == -1 ? 0 : a % b;
    if (pos_mod && r < 0) r += b < 0 ? -int64_t{b} : int64_t{b};
    return static_cast<int32_t>(r);
}

// a^e by squaring: residues with the ring's product, words wrapping.
int32_t power_by_squaring(int32_t a, uint32_t e) {
    int32_t r = 1;
    while (e) {
        if (e & 1) r = i_mult(r, a);
        e >>= 1;
        if (e) a = i_mult(a, a);
    }
    return r;
}

// a^e for a machine exponent; a negative one is a power of 1 / a (the
// inverse residue; in rational mode the truncated quotient 1 / a^|e|).
int32_t i_power(int32_t a, int32_t e) {
    if (e >= 0) return power_by_squaring(a, word(e));
    const uint32_t magnitude = 0u - word(e);
    if (!divisor_ok(a, "^")) return 0;
    if (modularmode) {
        int32_t inverse = 0;
        emod_inverse(a, inverse);
        return power_by_squaring(inverse, magnitude);
    }
    if (a == 1) return 1;
    if (a == -1) return magnitude & 1 ? -1 : 1;
    return 0;
}

int32_t i_factorial(int32_t n) {
    if (modularmode) return residue_factorial(n);
    if (n < 0) fail(130, "!");
    // From 34 on the product has at least 32 factors 2: it wraps to 0.
    uint32_t r = 1;
    for (int32_t i = 2; i <= n && i <= 34; ++i) r *= word(i);
    return wrap(r);
}

// ---------------------------------------------------------------------------
// Targets: the first factor of a statement may be the variable or array
// element that an assignment or increment changes.

struct Target {
    char name[kTokenText] = "";  // a variable
    ElementRef elem;             // an array element
    bool on() const { return name[0] != '\0' || elem.on; }
    void clear() {
        name[0] = '\0';
        elem.on = false;
    }
};

// The statement-starting factor: its value, and its target when it names
// one. A name directly followed by ":" is not read: it is about to be set.
int32_t ifact_target(FILE* in, TokenNode*& cursor, Target* target);

// ---------------------------------------------------------------------------
// Literals

int32_t number_literal(FILE* in, TokenNode*& cursor) {
    std::string digits;
    while (is_digit(first_char()) && token.text[1] == '\0') {
        digits += first_char();
        next(in, cursor);
    }
    if (tok(".")) fail(68, ".");
    Number x;
    {
        IntegerStretch integers;
        x = decimal_to_number(digits);
    }
    if (modularmode) {
        change_num(x, true, false);
        return x.lint();
    }
    int64_t v = 0;
    if (!to_int64(x, v) || v > INT32_MAX) fail(68, digits.c_str());
    return static_cast<int32_t>(v);
}

int32_t char_literal(FILE* in, TokenNode*& cursor) {
    int eol = 0;
    dumbscanner(in, token, cursor, eol);
    const int code = static_cast<unsigned char>(token.text[0]);
    eol = 0;
    dumbscanner(in, token, cursor, eol);
    if (first_char() != '\'') error(109, eol ? ";" : token.text);
    next(in, cursor);
    return into_machine_ring(code);
}

// ---------------------------------------------------------------------------
// Names

// An array entry in integer mode: a number (error 227) that is a machine
// integer (error 68).
int32_t entry_value(const QuolyRec* q, const char* name) {
    if (q && !quoly_is_number(q)) fail(227, name);
    return machine_value(q, name);
}

int32_t scalar_variable(const char* name) {
    VarRec* v = find_var(name);
    if (v) {
        if (v->array_param) {
            std::printf("Warning. %s is an array parameter used as a scalar.\n", name);
            std::printf("Value 0 used for %s.\n", name);
            return 0;
        }
        return machine_value(v->value, name);
    }
    if (!std::strcmp(name, "quit")) {
        std::printf(" The quit command is &q.\n");
        return 0;
    }
    error(19, name);  // a warning at nested levels: the value is 0
    return 0;
}

int32_t lowercase_name(FILE* in, TokenNode*& cursor, Target* target) {
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    int level = 0;
    if (polynames && is_poly_name(name, level)) fail(68, name);
    next(in, cursor);
    if (tok("[")) {
        Operand element;
        array_element(in, name, element, cursor);
        if (target) target->elem = element.elem;
        // The element about to be set need not hold an integer.
        if (target && tok(":")) return 0;
        return entry_value(element.get(), name);
    }
    if (!std::strcmp(name, "for") || !std::strcmp(name, "if") || !std::strcmp(name, "while"))
        fail(225, name);
    if (target) std::memcpy(target->name, name, sizeof name);
    if (target && tok(":")) return 0;
    return scalar_variable(name);
}

// ---------------------------------------------------------------------------
// Primaries

int32_t parenthesised(FILE* in, TokenNode*& cursor) {
    const int saved_depth = abs_depth;
    abs_depth = 0;
    struct Restore {
        int depth;
        ~Restore() { abs_depth = depth; }
    } restore{saved_depth};
    next(in, cursor);
    const int32_t v = old_iexpre(in, cursor);
    if (!tok(")")) error(1, token.text);
    next(in, cursor);
    return v;
}

int32_t absolute_value(FILE* in, TokenNode*& cursor) {
    next(in, cursor);
    int32_t v;
    {
        struct InsideBars {
            InsideBars() { ++abs_depth; }
            ~InsideBars() { --abs_depth; }
        } inside;
        v = old_iexpre(in, cursor);
    }
    if (!tok("|")) error(63, token.text);
    next(in, cursor);
    return i_abs(v);
}

// "!", "&", "?", "@" inside an expression: a whole statement, whose value
// is the factor's.
int32_t nested_statement(FILE* in, TokenNode*& cursor) {
    Operand inner;
    {
        struct AsFactor {
            AsFactor() { ++statement_as_factor; }
            ~AsFactor() { --statement_as_factor; }
        } as_factor;
        parse(in, inner, cursor);
    }
    if (tok("@")) set_token(token, ";");
    return inner.present() ? machine_value(inner.get(), "@") : 0;
}

int32_t after_less_than(FILE* in, TokenNode*& cursor) {
    next(in, cursor);
    Operand v;
    if (tok("["))
        system_array_element(in, v, cursor);
    else if (tok("F"))
        system_function(in, v, cursor);
    else
        v.set(previous_value_copy());
    return machine_value(v.get(), "<");
}

int32_t primary(FILE* in, TokenNode*& cursor, Target* target) {
    const char c = first_char();
    if (is_lower(c)) return lowercase_name(in, cursor, target);
    if (is_digit(c)) return number_literal(in, cursor);
    if (c == '.') fail(68, ".");
    if (c >= 'A' && c <= 'Z') {
        char name[kTokenText];
        std::memcpy(name, token.text, sizeof name);
        Operand v;
        capitalised_name(in, v, cursor);
        return v.present() ? machine_value(v.get(), name) : 0;
    }
    if (c == '(') return parenthesised(in, cursor);
    if (c == '\'') return char_literal(in, cursor);
    if (c == '<') return after_less_than(in, cursor);
    if (c == '%') {
        Operand v;
        array_of_arrays_element(in, v, cursor);
        return machine_value(v.get(), "%");
    }
    if (c == '!' || c == '&' || c == '?' || c == '@') return nested_statement(in, cursor);
    fail(2, token.text);
}

// "^" exponent and "!" after a primary.
int32_t postfix(FILE* in, TokenNode*& cursor, int32_t v) {
    if (tok("^")) return i_power(v, iget_exponent(in, cursor));
    if (single('!')) {
        next(in, cursor);
        return i_factorial(v);
    }
    return v;
}

int32_t ifact_target(FILE* in, TokenNode*& cursor, Target* target) {
    if (stack_nearly_full()) fail(kErrTooDeep, token.text);
    if (single('-')) {
        next(in, cursor);
        return i_neg(ifact(in, cursor));
    }
    if (single('+') || single('$')) {  // the greatest integer of an integer is itself
        next(in, cursor);
        return ifact(in, cursor);
    }
    if (single('|')) return postfix(in, cursor, absolute_value(in, cursor));
    if (single('_')) {
        next(in, cursor);
        int32_t v;
        {
            IntegerStretch integers;
            v = ifact(in, cursor);
        }
        return into_machine_ring(v);
    }
    if (single('*')) {  // the value taken without copying: here simply the variable
        next(in, cursor);
        if (!is_lower(first_char())) error(337, token.text);
    }
    const int32_t v = primary(in, cursor, target);
    if (target && tok(":")) return v;
    if (target && (tok("^") || single('!'))) target->clear();
    return postfix(in, cursor, v);
}

// ---------------------------------------------------------------------------
// Terms and expressions

bool continues_iterm() {
    if (single('|')) return abs_depth == 0;
    return single('*') || single('/') || single('\\');
}

int32_t iterm_target(FILE* in, TokenNode*& cursor, Target* target) {
    int32_t v = ifact_target(in, cursor, target);
    while (continues_iterm()) {
        if (target) target->clear();
        const char op = first_char();
        next(in, cursor);
        if (single('/')) error(op == '/' ? 340 : 339, "/");
        const int32_t w = ifact(in, cursor);
        switch (op) {
            case '*': v = i_mult(v, w); break;
            case '/': v = i_quot(v, w); break;
            case '\\': v = i_div(v, w); break;
            default: v = i_mod(v, w);
        }
    }
    return v;
}

int32_t add_iterms(FILE* in, TokenNode*& cursor, int32_t v) {
    while (single('+') || single('-')) {
        const bool add = single('+');
        next(in, cursor);
        const int32_t w = iterm(in, cursor);
        v = add ? i_add(v, w) : i_sub(v, w);
    }
    return v;
}

// The amount of an increment: a factor beginning with a digit, a lowercase
// letter or "("; 1 when absent.
int32_t increment_amount(FILE* in, TokenNode*& cursor) {
    const char c = first_char();
    if (!(is_digit(c) || is_lower(c) || c == '(')) return 1;
    return ifact(in, cursor);
}

// The target's value before an increment: a machine integer; a variable
// not yet defined counts as 0.
int32_t target_value(const Target& t) {
    if (t.elem.on) {
        ArrayRec* a = array_seek(t.elem.array);
        QuolyRec** slot = array_quoly_ptr(a, t.elem.i, t.elem.j, t.elem.two, addresser);
        return slot && *slot ? entry_value(*slot, t.elem.array) : 0;
    }
    const VarRec* v = find_var(t.name);
    return v ? machine_value(v->value, t.name) : 0;
}

void store(const Target& t, int32_t v, Operand& value) {
    if (t.elem.on) {
        assign_array_element(t.elem, machine_quoly(v), value);
        return;
    }
    value.refer(insert_var(t.name, machine_quoly(v)));
}

}  // namespace

// ---------------------------------------------------------------------------
// The grammar levels

int32_t ifact(FILE* in, TokenNode*& cursor) { return ifact_target(in, cursor, nullptr); }

int32_t iterm(FILE* in, TokenNode*& cursor) { return iterm_target(in, cursor, nullptr); }

int32_t iexpre(FILE* in, TokenNode*& cursor) { return add_iterms(in, cursor, iterm(in, cursor)); }

int32_t old_iexpre(FILE* in, TokenNode*& cursor) { return iexpre(in, cursor); }

int32_t iget_exponent(FILE* in, TokenNode*& cursor) {
    next(in, cursor);  // past "^"
    // An exponent is an integer, not a residue: read with true integers.
    IntegerStretch integers;
    return ifact(in, cursor);
}

bool integer_comparison(FILE* in, TokenNode*& cursor) {
    const int32_t a = old_iexpre(in, cursor);
    char op[3] = "";
    if (single('=') || single('<') || single('>')) {
        op[0] = first_char();
        next(in, cursor);
        if ((op[0] == '<' && (single('=') || single('>'))) || (op[0] == '>' && single('='))) {
            op[1] = first_char();
            next(in, cursor);
        }
    }
    if (!op[0]) {
        if (!tok("]") && !tok("or") && !tok("and") && !tok(kEndOfBody)) error(13, token.text);
        return a == 1;
    }
    const int32_t b = old_iexpre(in, cursor);
    const std::string o = op;
    if (o == "=") return a == b;
    if (o == "<>") return a != b;
    if (o == "<") return a < b;
    if (o == ">") return a > b;
    if (o == "<=") return a <= b;
    return a >= b;
}

void integer_statement(FILE* in, Operand& value, TokenNode*& cursor) {
    value.clear();
    Target target;
    const int32_t first = iterm_target(in, cursor, &target);
    if (!tok(":")) {
        value.set(machine_quoly(add_iterms(in, cursor, first)));
        return;
    }
    next(in, cursor);
    if (tok("=")) {
        if (!target.on()) error(317, ":=");
        next(in, cursor);
        store(target, old_iexpre(in, cursor), value);
        return;
    }
    if (tok("+") || tok("-")) {
        const bool up = tok("+");
        if (!target.on()) error(316, up ? "+" : "-");
        next(in, cursor);
        const int32_t amount = increment_amount(in, cursor);
        const int32_t old = target_value(target);
        store(target, up ? i_add(old, amount) : i_sub(old, amount), value);
        return;
    }
    error(317, token.text);
}

}  // namespace tolmex
