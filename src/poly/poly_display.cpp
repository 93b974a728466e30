#include "poly/poly_display.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/errors.h"
#include "numbers/decimal.h"
#include "numbers/display_settings.h"
#include "numbers/number.h"
#include "poly/poly_settings.h"
#include "numbers/modular_state.h"

namespace tolmex {

bool Printer::do_line_sup_on() { return do_line_sup != 0; }

void Printer::put(const char* s) {
    emit_break();
    if (stopped) return;
    std::fputs(s, out);
    col += static_cast<int>(std::strlen(s));
}

void Printer::putc(char c) {
    emit_break();
    if (stopped) return;
    std::fputc(c, out);
    col += 1;
}

void Printer::break_point(bool inside_term) {
    if (stopped || pending || col < dispcutoff) return;
    pending = true;
    pending_inside = inside_term;
}

void Printer::emit_break() {
    if (!pending || stopped) return;
    pending = false;
    if (!uglyprint && breaks)
        std::fprintf(out, " %c", continuation);
    else if (uglyprint && pending_inside)
        std::fputc(continuation, out);
    std::fputc('\n', out);
    col = 0;
    lines += 1;
    if (linesuppression && lines > kMaxDisplayLines) {
        std::fputs("   ... more output suppressed ... \n", out);
        stopped = true;
    }
}

void Printer::number(const Number& x, bool sign) {
    emit_break();
    if (stopped) return;
    display(out, breaks, false, x, col, sign);
}

void Printer::count_exponent(int32_t e) {
    int h = logg2lint(static_cast<int32_t>(std::abs(static_cast<int64_t>(e)) & 0x7fffffff));
    col += 1 + static_cast<int>(std::floor(0.3 * h + 0.5));
    if (e < 0) col += uglyprint ? 3 : 1;
}

namespace {

const char* var_name(const PolyVar* var) { return var ? var->name : "?"; }
const PolyVar* next_var(const PolyVar* var) { return var ? var->next : nullptr; }

void print_exponent(Printer& pr, int32_t e) {
    pr.emit_break();
    if (pr.stopped) return;
    if (uglyprint && e < 0)
        std::fprintf(pr.out, "^(%1d)", e);
    else
        std::fprintf(pr.out, "^%1d", e);
    pr.count_exponent(e);
}

// Whether the display of the term n, printed first, begins with its own
// minus sign: a negative number, a negative constant coefficient, or the
// same for the first term of an unbracketed exponent-0 coefficient. A
// bracketed coefficient keeps its sign inside: "(-x)y".
bool starts_with_minus(const PolyNode* n) {
    if (n->isnum) return num_display_sign(n->num) < 0;
    if (n->expo == 0) return starts_with_minus(n->sub);
    if (poly_is_const(n->sub)) return num_display_sign(n->sub->num) < 0;
    return false;
}

// A term after the first is separated by "+ " unless its display brings
// its own minus sign, which then stands between the terms.
bool term_positive(const PolyNode* n) { return !starts_with_minus(n); }

void check_representation(const PolyNode* p) {
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum && n->next && !laurent) tolmexerror(" Warning! numb next not nil in this polynomial.");
    }
}

// A constant coefficient of a term with nonzero exponent.
void print_const_coefficient(Printer& pr, const Number& c, bool minus_space) {
    if (num_is_one(c)) return;
    if (num_is_minus_one(c) && !(lintmode && modularmode && !alt_form_display)) {
        pr.putc('-');
        if (minus_space && !uglyprint) pr.putc(' ');
        pr.break_point(true);
        return;
    }
    pr.number(c, minus_space);
    if (uglyprint) pr.putc('*');
}

// One term c * N^e; the first term has no separator and its own minus
// spacing, later terms are separated by " + " or " " and a signed
// coefficient.
void print_term(Printer& pr, const PolyNode* n, const PolyVar* var, bool first,
                bool minus_space) {
    if (!first) {
        if (!uglyprint) pr.putc(' ');
        if (term_positive(n)) pr.put(uglyprint ? "+" : "+ ");
        minus_space = true;
    }
    if (n->isnum) {
        pr.number(n->num, minus_space);
        return;
    }
    if (n->expo == 0) {
        // A term constant in this variable: its coefficient, unbracketed.
        poly_display(pr, true, n->sub, next_var(var), minus_space, false);
        return;
    }
    if (poly_is_const(n->sub)) {
        print_const_coefficient(pr, n->sub->num, minus_space);
    } else {
        pr.putc('(');
        pr.break_point(true);
        poly_display(pr, true, n->sub, next_var(var), false, false);
        pr.putc(')');
        pr.break_point(true);
        if (uglyprint) pr.putc('*');
    }
    pr.put(var_name(var));
    if (n->expo != 1) print_exponent(pr, n->expo);
}

}  // namespace

void poly_display(Printer& pr, bool first, const PolyNode* p, const PolyVar* var,
                  bool minus_space, bool top) {
    if (!p) {
        tolmexerror(" q = NULL at start of poly_display.");
        return;
    }
    if (poly_is_const(p)) {
        pr.number(p->num, minus_space && !first);
        return;
    }
    (void)top;
    check_representation(p);
    bool first_term = true;
    for (const PolyNode* n = p; n && !pr.stopped; n = n->next) {
        print_term(pr, n, var, first_term, minus_space);
        first_term = false;
        pr.break_point(false);
    }
}

namespace {

struct Factor {
    const char* name;
    int32_t expo;
};

void print_monomial(Printer& pr, const Number& c, const std::vector<Factor>& factors,
                    bool& first) {
    const int sign = num_display_sign(c);
    if (!first && sign > 0) pr.put(uglyprint ? "+" : "+ ");
    bool coefficient = false;
    if (num_is_one(c) && !factors.empty()) {
    } else if (num_is_minus_one(c) && !factors.empty() &&
               !(lintmode && modularmode && !alt_form_display)) {
        pr.putc('-');
        if (!uglyprint) pr.putc(' ');
    } else {
        pr.number(c, true);
        coefficient = true;
    }
    bool first_factor = true;
    for (auto it = factors.rbegin(); it != factors.rend(); ++it) {
        if (pr.col >= dispcutoff - 1) pr.break_point(true);
        if (!first_factor || coefficient) pr.putc('*');
        pr.put(it->name);
        if (it->expo != 1) print_exponent(pr, it->expo);
        first_factor = false;
    }
    if (!uglyprint) pr.putc(' ');
    if (pr.col >= dispcutoff - 4) pr.break_point(false);
    first = false;
}

void monomials(Printer& pr, const PolyNode* p, const PolyVar* var, std::vector<Factor>& chain,
               bool& first) {
    for (const PolyNode* n = p; n && !pr.stopped; n = n->next) {
        if (n->isnum) {
            print_monomial(pr, n->num, chain, first);
            continue;
        }
        if (n->expo != 0) chain.push_back({var_name(var), n->expo});
        if (pr.col >= dispcutoff - 10) pr.break_point(false);
        monomials(pr, n->sub, next_var(var), chain, first);
        if (n->expo != 0) chain.pop_back();
    }
}

}  // namespace

void monomial_disp(Printer& pr, const PolyNode* p, const PolyVar* var) {
    std::vector<Factor> chain;
    bool first = true;
    monomials(pr, p, var, chain, first);
}

void any_poly_display(Printer& pr, const PolyNode* p, const PolyVar* var, bool minus_space) {
    if (monomial_list && var && var->next && !poly_is_const(p)) {
        monomial_disp(pr, p, var);
        return;
    }
    poly_display(pr, true, p, var, minus_space, true);
}

// ---------------------------------------------------------------------------
// The tree dump

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
        if (!n->isnum) crude_poly_disp(out, label, n->sub, indent + 1, var ? var->next : nullptr);
}

}  // namespace tolmex
