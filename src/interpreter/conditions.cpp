#include "interpreter/conditions.h"

#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/func_store.h"
#include "interpreter/integer_eval.h"
#include "interpreter/scanner.h"
#include "numbers/mul_div.h"
#include "poly/poly.h"
#include "quoly/quoly.h"

namespace tolmex {

namespace {

bool is(const char* t) { return token_is(token, t); }
void next(FILE* in, TokenNode*& cursor) { scanner(in, token, cursor); }

// A rational number as numerator and positive denominator.
struct Fraction {
    Number n, d;
};

Fraction as_fraction(const QuolyRec* q) {
    Fraction f;
    if (quoly_is_number(q)) {
        num_assign(quoly_number(q), f.n);
        setvalue(1, f.d);
        return f;
    }
    if (!quoly_is_rational(q)) error(123, token.text);
    num_assign(poly_constant(quoly_numerator(q)), f.n);
    if (quoly_denominator(q))
        num_assign(poly_constant(quoly_denominator(q)), f.d);
    else
        setvalue(1, f.d);
    return f;
}

// -1, 0 or 1 as a < b, a = b, a > b for two numbers.
int order(const QuolyRec* a, const QuolyRec* b) {
    if (quoly_is_number(a) && quoly_is_number(b)) return compare(quoly_number(a), quoly_number(b));
    Fraction x = as_fraction(a), y = as_fraction(b);
    Number l, r;
    fast_mult(x.n, y.d, l);
    fast_mult(y.n, x.d, r);
    return compare(l, r);
}

bool ends_condition() { return is("]") || is("or") || is("and") || is(kEndOfBody); }

bool is_one(const QuolyRec* q) {
    if (!quoly_is_number(q)) return false;
    Number one;
    setvalue(1, one);
    return compare(quoly_number(q), one) == 0;
}

bool negation(FILE* in, TokenNode*& cursor) {
    if (is("not")) {
        next(in, cursor);
        return !negation(in, cursor);
    }
    if (is("[")) {
        next(in, cursor);
        const bool v = bool_expre(in, cursor);
        if (!is("]")) error(13, token.text);
        next(in, cursor);
        return v;
    }
    return evalcond(in, cursor);
}

bool conjunction(FILE* in, TokenNode*& cursor) {
    bool v = negation(in, cursor);
    while (is("and")) {
        next(in, cursor);
        const bool w = negation(in, cursor);
        v = v && w;
    }
    return v;
}

}  // namespace

// One side of a comparison: the value is read in place when it is a
// variable's.
void side(FILE* in, Operand& v, TokenNode*& cursor) { restricted_statement(in, v, cursor); }

bool evalcond(FILE* in, TokenNode*& cursor) {
    if (integer_mode_here(cursor)) return integer_comparison(in, cursor);
    Operand a;
    side(in, a, cursor);
    char op[3] = "";
    if (is("=") || is("<") || is(">")) {
        op[0] = token.text[0];
        next(in, cursor);
        if ((op[0] == '<' && (is("=") || is(">"))) || (op[0] == '>' && is("="))) {
            op[1] = token.text[0];
            next(in, cursor);
        }
    }
    if (!op[0]) {
        if (!ends_condition()) error(13, token.text);
        return is_one(a.get());
    }
    // The right side may change the variable the left side reads.
    if (!(cursor && simple_term_at(cursor))) a.materialize();
    Operand b;
    side(in, b, cursor);
    const std::string o = op;
    if (o == "=") return quoly_equal(a.get(), b.get());
    if (o == "<>") return !quoly_equal(a.get(), b.get());
    const int c = order(a.get(), b.get());
    if (o == "<") return c < 0;
    if (o == ">") return c > 0;
    if (o == "<=") return c <= 0;
    return c >= 0;  // ">="
}

bool bool_expre(FILE* in, TokenNode*& cursor) {
    bool v = conjunction(in, cursor);
    while (is("or")) {
        next(in, cursor);
        const bool w = conjunction(in, cursor);
        v = v || w;
    }
    return v;
}

bool condition_holds(TokenNode* list) {
    ListCursor lc(list);
    TokenNode* cursor = lc.cursor;
    next(Input, cursor);
    const bool v = bool_expre(Input, cursor);
    if (!is(kEndOfBody)) error(13, token.text);
    return v;
}

}  // namespace tolmex
