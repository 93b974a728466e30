// Reading polys from the token stream, and the tree dump.
#include "poly/poly_readin.h"

#include <climits>
#include <cstdio>

#include "interpreter/errors.h"
#include "interpreter/scanner.h"
#include "numbers/decimal.h"
#include "poly/poly_arith.h"
#include "poly/poly_internal.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "rings/modular_state.h"
#include "rings/residue.h"

namespace tolmex {

using namespace polyimpl;

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
        return checked_expo(v);
    }

    // factor -> primary ["^" exponent]
    Poly factor() {
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
            if (e == 0) {
                poly_set(1, f);
                return f;
            }
            PolyNode* t = f.get();
            while (t->expo == 0 && !t->isnum && !t->sub->isnum) t = t->sub;
            t->expo = e;
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
        if (poly_iszero(den.get())) error(22, "/");
        if (poly_eq_1(den.get())) den.reset();
    }
    if (!den) {
        p_q_take(std::move(num), q);
        return;
    }
    const int ratflag = !lintmode && poly_is_const(num.get()) && poly_is_const(den.get());
    q = make_quotient(std::move(num), std::move(den), ratflag);
}

// ---------------------------------------------------------------------------

namespace {

void print_number(FILE* out, const Number& x) {
    if (lintmode) {
        std::fprintf(out, "%d", x.lint());
        return;
    }
    std::fprintf(out, "%s", number_to_decimal(x).c_str());
}

}  // namespace

void crude_poly_disp(FILE* out, const char* label, const PolyNode* p, int indent, PolyVar* var) {
    for (int i = 0; i < indent; ++i) std::fprintf(out, "  ");
    if (!p) {
        std::fprintf(out, "%s:  null\n", label ? label : "");
        return;
    }
    if (indent > 0 && poly_is_const(p)) {
        std::fprintf(out, " ** ");
        print_number(out, p->num);
        std::fprintf(out, "\n");
        return;
    }
    if (var)
        std::fprintf(out, "%s: %s ", label ? label : "", var->name);
    else
        std::fprintf(out, "%s : ", label ? label : "");
    for (const PolyNode* n = p; n; n = n->next) {
        std::fprintf(out, "%d ", n->expo);
        if (n->isnum) {
            std::fprintf(out, "*");
            print_number(out, n->num);
            std::fprintf(out, " ");
        }
    }
    std::fprintf(out, "\n");
    for (const PolyNode* n = p; n; n = n->next)
        if (!n->isnum) crude_poly_disp(out, label, n->sub, indent + 1, deeper(var));
}

}  // namespace tolmex
