// Reading literal values from the token stream.
#include "interpreter/value_reader.h"

#include <climits>
#include <cstdio>
#include <string>

#include "base/errors.h"
#include "base/stack.h"
#include "interpreter/scanner.h"
#include "numbers/decimal.h"
#include "numbers/modular_state.h"
#include "poly/poly_arith.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"

namespace tolmex {

LiteralMark last_literal;

namespace {

void mark_literal(std::string digits) {
    ++last_literal.serial;
    last_literal.digits = std::move(digits);
    last_literal.comma_after = token_is(token, ",");
}

}  // namespace

void new_readin(FILE* in, TokenNode*& cursor, Number& x) {
    // Most literals are short: they are read as a machine integer, and only
    // a longer one (or one read in modular or single-word mode) goes through
    // the decimal reader.
    int64_t small = 0;
    int count = 0;
    while (token.text[0] >= '0' && token.text[0] <= '9' && token.text[1] == '\0' && count < 18) {
        small = small * 10 + (token.text[0] - '0');
        ++count;
        scanner(in, token, cursor);
    }
    const bool more = token.text[0] >= '0' && token.text[0] <= '9' && token.text[1] == '\0';
    if (!more && !modularmode && !lintmode) {
        set_int64(small, x);
        ++last_literal.serial;  // a value read exactly: no digits kept
        last_literal.comma_after = false;
        return;
    }
    std::string digits = count ? std::to_string(small) : std::string();
    while (token.text[0] >= '0' && token.text[0] <= '9' && token.text[1] == '\0') {
        digits.push_back(token.text[0]);
        scanner(in, token, cursor);
    }
    if (digits.empty()) digits.push_back('0');
    readin_digits(digits, x);
    mark_literal(std::move(digits));
}

namespace {

bool is_digit_token() {
    return token.text[0] >= '0' && token.text[0] <= '9' && token.text[1] == '\0';
}

bool is_name_token() {
    const char c = token.text[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool token_is_char(char c) { return token.text[0] == c && token.text[1] == '\0'; }

bool starts_factor() { return is_digit_token() || is_name_token() || token_is_char('('); }

struct Reader {
    FILE* in;
    TokenNode*& cursor;
    bool warned = false;

    void next() { scanner(in, token, cursor); }

    void warn_negative() {
        if (!modularmode || warned) return;
        warned = true;
        std::printf("*** Warning. Negative value seen during poly readin in modular mode.\n");
        std::printf("    Check your data carefully.\n");
    }

    // exponent -> ["-"] digits | "(" ["-"] digits ")"
    int32_t exponent() {
        const bool paren = token_is_char('(');
        if (paren) next();
        bool negative = false;
        if (token_is_char('-')) {
            negative = true;
            next();
        }
        if (!is_digit_token()) error(116, "^");
        int64_t v = 0;
        while (is_digit_token()) {
            if (v <= INT32_MAX) v = v * 10 + (token.text[0] - '0');
            next();
        }
        if (negative) v = -v;
        if (paren) {
            if (!token_is_char(')')) error(1, token.text);
            next();
        }
        if (v > INT32_MAX || v < INT32_MIN) fail(kErrExponentTooLarge, "^");
        return static_cast<int32_t>(v);
    }

    // factor -> primary ["^" exponent]
    Poly factor() {
        // Parentheses nest through here: deep input is an error, not an
        // overflow of the stack.
        if (stack_nearly_full()) fail(kErrTooDeep, token.text);
        Poly f;
        int level = 0;
        if (is_digit_token()) {
            Number x;
            new_readin(in, cursor, x);
            f.reset(number_node(std::move(x)));
        } else if (is_name_token()) {
            if (!is_poly_name(token.text, level)) error(2, token.text);
            base_poly(f, level);
            next();
        } else if (token_is_char('(')) {
            next();
            f = sum();
            if (!token_is_char(')')) error(1, token.text);
            next();
        } else {
            error(2, token.text);
        }
        if (!token_is_char('^')) return f;
        next();
        const int32_t e = exponent();
        if (level > 0) {
            // A variable: its one term carries the exponent directly.
            if (e < 0 && !laurent) error(116, "^");
            variable_power(f, level, e);
            return f;
        }
        if (e < 0) error(116, "^");
        Poly r;
        poly_power(f.get(), e, r, nullptr);
        return r;
    }

    // term -> factor { ["*"] factor }
    Poly term() {
        Poly t = factor();
        for (;;) {
            if (token_is_char('*')) {
                next();
            } else if (!starts_factor()) {
                return t;
            }
            Poly f = factor();
            poly_mult(t.get(), f.get(), t, nullptr);
        }
    }

    // poly -> ["+" | "-"] term { ("+" | "-") term }
    Poly sum() {
        Poly acc;
        bool first = true;
        for (;;) {
            bool negative = false;
            if (token_is_char('+') || token_is_char('-')) {
                negative = token_is_char('-');
                next();
            } else if (!first) {
                break;
            }
            Poly t = term();
            if (negative) {
                warn_negative();
                poly_inplace(t.get());
            }
            if (first)
                acc = std::move(t);
            else
                best_poly_add(std::move(acc), std::move(t), acc);
            first = false;
        }
        return acc;
    }
};

}  // namespace

void poly_readin(FILE* in, TokenNode*& cursor, Poly& p) {
    Reader r{in, cursor};
    Poly v = r.sum();
    p = std::move(v);
}

void quoly_readin(FILE* in, TokenNode*& cursor, Quoly& q) {
    Reader r{in, cursor};
    Poly num = r.sum();
    Poly den;
    if (token_is_char('/')) {
        r.next();
        den = r.sum();
        if (poly_iszero(den.get())) fail(kErrDivideByZero, "/");
    }
    q = quoly_as_written(std::move(num), std::move(den));
}

}  // namespace tolmex
