#include "quoly/quoly_display.h"

#include "numbers/decimal.h"
#include "numbers/display_settings.h"
#include "numbers/mul_div.h"
#include "poly/poly_display.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"

namespace tolmex {

namespace {

void print_part(Printer& pr, const PolyNode* p, bool bracket) {
    if (bracket) {
        pr.put(uglyprint ? "(" : "( ");
        pr.break_point(true);
    }
    any_poly_display(pr, p, polynames, false);
    if (bracket) {
        pr.put(uglyprint ? ")" : " )");
        pr.break_point(true);
    }
}

// ";  or  " and the value to disp_size groups of decimals.
void decimal_approximation(Printer& pr, const Number& p, const Number& d) {
    Number q, r;
    divide(p, d, q, r);
    pr.put(";  or  ");
    if (num_is_zero(q) && r.sign() < 0) pr.putc('-');
    pr.number(q, false);
    pr.putc('.');
    Number ar, scaled, frac, rem;
    abs_val_num(r, ar);
    fast_mult(ar, display_constant(), scaled);
    divide(scaled, d, frac, rem);
    pr.emit_break();
    if (!pr.stopped) showint(pr.out, frac, false, true, false, false, false, pr.breaks, pr.col);
}

}  // namespace

namespace {

void print_quoly(Printer& pr, bool first, const QuolyRec* q) {
    const bool breaks = pr.breaks;
    if (q->numflag) {
        pr.number(q->num, false);
    } else {
        const bool rational = q->ratflag != 0;
        const bool bare_ok = breaks || rational || monomial_list;
        const bool bracket_num = (q->denp && !poly_small(q->nump)) || !bare_ok;
        print_part(pr, q->nump, bracket_num);
        if (q->denp) {
            pr.put(uglyprint ? "/" : " / ");
            pr.break_point(false);
            print_part(pr, q->denp, !poly_small(q->denp));
        }
        if (rational && !lintmode && breaks && first && disp_size >= 1)
            decimal_approximation(pr, poly_constant(q->nump), poly_constant(q->denp));
    }
}

}  // namespace

void quoly_print_inline(FILE* out, const QuolyRec* q, int& col) {
    Printer pr(out, true, col);
    print_quoly(pr, false, q);
    col = pr.col;
}

void quoly_display(FILE* out, bool breaks, bool first, const QuolyRec* q, int& col,
                   const char* terminator) {
    Printer pr(out, breaks, col);
    print_quoly(pr, first, q);
    if (breaks) {
        std::fputc('\n', out);
        if (polynames && extra_line) std::fputc('\n', out);
    } else {
        std::fprintf(out, "%s\n", terminator);
    }
    col = 0;
}

}  // namespace tolmex
