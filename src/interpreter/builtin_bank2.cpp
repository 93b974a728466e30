// Handler bank 2 of the built-ins: coefficients and terms, parts of a
// value, substitution, remainders and resultants in a chosen variable,
// modular integers, the storage of variables, and displays.
#include <cstring>
#include <ctime>

#include "gcd/polygcd.h"
#include "gcd/resultant.h"
#include "gcd/square_free.h"
#include "interpreter/builtin_support.h"
#include "interpreter/builtins.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/names.h"
#include "interpreter/scanner.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/number_theory.h"
#include "poly/poly_arith.h"
#include "poly/poly_coefs.h"
#include "poly/poly_display.h"
#include "poly/poly_divide.h"
#include "poly/poly_terms.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "quoly/quoly_display.h"

namespace tolmex {

namespace {

void set_int(BuiltinCall& c, int64_t v) { c.value.set(value_of_int(v)); }
void set_poly(BuiltinCall& c, Poly&& p) { c.value.set(value_of(std::move(p))); }

Quoly copy_of(const Poly& p) { return value_of(Poly(copy_poly(p.get()))); }

Quoly quotient(Quoly&& a, Quoly&& b) {
    fast_quoly_quot(a, std::move(b));
    return std::move(a);
}

// ---------------------------------------------------------------------------
// Coefficients

// The main level of a value: the outermost variable its numerator or
// denominator involves (0 for a number). A denominator that involves it is
// error 186: the coefficients are those of a poly over the denominator.
int main_level(const QuolyRec* q, const char* name) {
    if (quoly_is_number(q)) return 0;
    const int ln = poly_level(quoly_numerator(q));
    const PolyNode* den = quoly_denominator(q);
    const int ld = den ? poly_level(den) : 0;
    const int level = ln == 0 ? ld : ld == 0 ? ln : std::min(ln, ld);
    if (den && level > 0 && poly_involves_level(den, level)) fail(186, name);
    return level;
}

// The coefficient of x_k^e in the value q whose denominator is free of x_k.
Quoly value_coefficient(const QuolyRec* q, int k, int32_t e) {
    Poly num = part_of(q, 1), coef;
    if (k == 0) {
        if (e != 0) poly_set(0, coef);
        else coef = std::move(num);
    } else {
        level_coefficient(num.get(), k, e, coef);
    }
    return quotient(value_of(std::move(coef)), value_of(part_of(q, 2)));
}

void maincoef_builtin(BuiltinCall& c) {
    Quoly a[2];
    read_args(c, a);
    const int level = main_level(a[0].get(), c.name());
    const int64_t e = machine_int(a[1].get(), c.name());
    c.value.set(value_coefficient(a[0].get(), level, static_cast<int32_t>(e)));
}

void mcoef_builtin(BuiltinCall& c) {
    Quoly a[2];
    read_args(c, a);
    Poly m = poly_of(a[1].get(), c.name());
    if (poly_iszero(m.get()) || !monomial(m.get())) fail(182, c.name());
    const std::vector<int32_t> e = leading_exponents(m.get(), number_polys);
    const PolyNode* den = quoly_is_number(a[0].get()) ? nullptr : quoly_denominator(a[0].get());
    Poly coef = part_of(a[0].get(), 1);
    for (int k = 1; k <= number_polys; ++k) {
        if (e[k - 1] == 0) continue;
        if (den && poly_involves_level(den, k)) fail(186, c.name());
        Poly next;
        level_coefficient(coef.get(), k, e[k - 1], next);
        coef = std::move(next);
    }
    Number lc;
    num_assign(leading_number(m.get()), lc);
    Quoly r = quotient(value_of(std::move(coef)), value_of(part_of(a[0].get(), 2)));
    c.value.set(quotient(std::move(r), make_numeric(std::move(lc))));
}

// q + (new - coefficient of x_k^e) x_k^e: the coefficient replaced.
Quoly replace_coefficient(const QuolyRec* q, int k, int32_t e, const QuolyRec* coef) {
    Quoly old = value_coefficient(q, k, e), change, power;
    quoly_sub(coef, old.get(), change);
    Poly x;
    if (k == 0) {
        if (e != 0) fail(184, "Recoef");
        poly_set(1, x);
    } else {
        variable_power(x, k, e);
    }
    power = value_of(std::move(x));
    fast_quoly_mult(change, std::move(power));
    Quoly r;
    quoly_add(q, change.get(), r);
    return r;
}

// Recoef(target, k, c) where target is "^v", an expression, or either of
// them inside Numer( ) or Denom( ).
void recoef_builtin(BuiltinCall& c) {
    next_token(c);
    open_args(c);
    int part = 0;
    if (token_is(token, "Numer") || token_is(token, "Denom")) {
        part = token_is(token, "Numer") ? 1 : 2;
        next_token(c);
        open_args(c);
    }
    char name[kTokenText] = "";
    Quoly target;
    if (token_is(token, "^")) {
        read_reference(c, name);
        target = quoly_copy(find_var(name)->value);
    } else {
        target = read_arg(c);
    }
    if (part) close_args(c);
    arg_comma(c);
    Quoly k = read_arg(c);
    arg_comma(c);
    Quoly coef = read_arg(c);
    close_args(c);
    const int32_t e = static_cast<int32_t>(machine_int(k.get(), c.name()));
    Quoly r;
    if (part == 0) {
        r = replace_coefficient(target.get(), main_level(target.get(), c.name()), e, coef.get());
    } else {
        Quoly num = value_of(part_of(target.get(), 1)), den = value_of(part_of(target.get(), 2));
        Quoly& changed = part == 1 ? num : den;
        changed = replace_coefficient(changed.get(), main_level(changed.get(), c.name()), e, coef.get());
        r = quotient(std::move(num), std::move(den));
    }
    if (!name[0]) return c.value.set(std::move(r));
    c.value.refer(insert_var(name, std::move(r)));
}

void numer_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    set_poly(c, part_of(a[0].get(), 1));
}

void terms_builtin(BuiltinCall& c) {
    Poly p = read_poly(c);
    set_int(c, poly_iszero(p.get()) ? 0 : main_term_count(p.get()));
}

void termsall_builtin(BuiltinCall& c) {
    Poly p = read_poly(c);
    set_int(c, monomial_count(p.get()));
}

void primpart_builtin(BuiltinCall& c) {
    Poly p = read_poly(c);
    if (poly_iszero(p.get())) return set_poly(c, std::move(p));
    Poly inner, cont, q;
    int level = 1;
    if (poly_is_const(p.get())) {
        content(p.get(), cont, polynames);
    } else {
        unwrap_main(p.get(), inner, level);
        PolyVar* var = polynames;
        for (int i = 1; var && i < level; ++i) var = var->next;
        content(inner.get(), cont, var);
        wrap_to_top(cont, level);
    }
    if (poly_is_const(cont.get())) {
        poly_quot(p.get(), cont.get(), q, 0);
    } else {
        int inexact = 0;
        gen_poly_divide(p.get(), cont.get(), q, nullptr, inexact);
    }
    set_poly(c, std::move(q));
}

// ---------------------------------------------------------------------------
// A chosen variable

// r := q with the value v put for x_k in p: Horner's rule over the
// exponents of x_k (a negative lowest exponent is a final power of v).
Quoly substitute(const PolyNode* p, int k, const QuolyRec* v) {
    if (!poly_involves_level(p, k)) return copy_of(Poly(copy_poly(p)));
    const int32_t high = level_degree(p, k), low = std::min(0, poly_lowest_exponents(p)[k - 1]);
    Quoly acc;
    quoly_set(0, acc);
    for (int32_t e = high; e >= low; --e) {
        poll_interrupt();
        Quoly t;
        quoly_mult(acc.get(), v, t);
        Poly coef;
        level_coefficient(p, k, e, coef);
        best_quoly_add(t, value_of(std::move(coef)));
        acc = std::move(t);
    }
    if (low < 0) {
        Quoly scale = quoly_copy(v);
        raise_to_power(scale, number_from_int64(low));
        fast_quoly_mult(acc, std::move(scale));
    }
    return acc;
}

void subst_builtin(BuiltinCall& c) {
    next_token(c);
    open_args(c);
    Quoly q = read_arg(c);
    arg_comma(c);
    const int level = read_poly_var(c);
    arg_comma(c);
    Quoly v = read_arg(c);
    close_args(c);
    Poly num = part_of(q.get(), 1), den = part_of(q.get(), 2);
    c.value.set(quotient(substitute(num.get(), level, v.get()), substitute(den.get(), level, v.get())));
}

// (a, b, v): two polys and a polynomial variable.
int read_pair_in(BuiltinCall& c, Poly& a, Poly& b) {
    next_token(c);
    open_args(c);
    Quoly x = read_arg(c);
    arg_comma(c);
    Quoly y = read_arg(c);
    arg_comma(c);
    const int level = read_poly_var(c);
    close_args(c);
    a = poly_of(x.get(), c.name());
    b = poly_of(y.get(), c.name());
    return level;
}

void rem_builtin(BuiltinCall& c) {
    Poly a, b, r;
    const int level = read_pair_in(c, a, b);
    level_remainder(a.get(), b.get(), level, r);
    set_poly(c, std::move(r));
}

void resultant_builtin(BuiltinCall& c) {
    Poly a, b, r;
    const int level = read_pair_in(c, a, b);
    resultant(a.get(), b.get(), level, r);
    set_poly(c, std::move(r));
}

// ---------------------------------------------------------------------------
// Modular integers

template <int N, class F>
void integer_builtin(BuiltinCall& c, F compute) {
    Number result;
    {
        IntegerStretch integers;
        Quoly args[N];
        read_args(c, args);
        Number n[N];
        for (int i = 0; i < N; ++i) n[i] = integer_of(args[i].get(), c.name());
        result = compute(n);
    }
    c.value.set(into_ring(std::move(result)));
}

void modinv_builtin(BuiltinCall& c) {
    integer_builtin<2>(c, [&](Number* n) {
        if (n[1].sign() <= 0) fail(184, c.name());
        Number r;
        if (!mod_inverse(n[0], n[1], r)) fail(85, c.name());
        return r;
    });
}

void modpow_builtin(BuiltinCall& c) {
    integer_builtin<3>(c, [&](Number* n) {
        if (n[2].sign() <= 0) fail(184, c.name());
        Number base, e, r;
        num_assign(n[0], base);
        abs_val_num(n[1], e);
        if (n[1].sign() < 0 && !mod_inverse(n[0], n[2], base)) fail(85, c.name());
        mod_pow(base, e, n[2], r);
        return r;
    });
}

void val_builtin(BuiltinCall& c) {
    int64_t v = 0;
    {
        IntegerStretch integers;
        Quoly a[2];
        read_args(c, a);
        if (!quoly_is_rational(a[0].get())) fail(202, c.name());
        Number p = integer_of(a[1].get(), c.name());
        Number two = number_from_int64(2);
        if (compare_abs(p, two) < 0) fail(184, c.name());
        Poly num = part_of(a[0].get(), 1), den = part_of(a[0].get(), 2);
        if (poly_constant(num.get()).sign() == 0) fail(185, c.name());
        v = valuation(poly_constant(num.get()), p) - valuation(poly_constant(den.get()), p);
    }
    set_int(c, v);
}

// ---------------------------------------------------------------------------
// Numbers of the ring

void pround_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    const QuolyRec* q = a[0].get();
    if (!quoly_is_rational(q)) fail(147, c.name());
    if (quoly_is_number(q)) {
        if (!lintmode) (void)machine_int(q, c.name());
        return c.value.set(quoly_copy(q));
    }
    // Nearest integer, halves away from zero: (2|n| + d) div 2d.
    const Number& n = poly_constant(quoly_numerator(q));
    const Number& d = poly_constant(quoly_denominator(q));
    Number twice, sum, twod, rounded, rem;
    abs_val_num(n, twice);
    shift_left(twice, 1);
    summ(twice, d, sum);
    num_assign(d, twod);
    shift_left(twod, 1);
    divide(sum, twod, rounded, rem);
    if (n.sign() < 0) in_place_neg(rounded);
    Quoly r = make_numeric(std::move(rounded));
    (void)machine_int(r.get(), c.name());
    c.value.set(std::move(r));
}

void trunc_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    const QuolyRec* q = a[0].get();
    if (!quoly_is_rational(q)) fail(147, c.name());
    if (quoly_is_number(q)) return c.value.set(quoly_copy(q));
    Number t, rem;
    divide(poly_constant(quoly_numerator(q)), poly_constant(quoly_denominator(q)), t, rem);
    c.value.set(make_numeric(std::move(t)));
}

void unit_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    Poly num = part_of(a[0].get(), 1);
    const Number& lc = leading_number(num.get());
    if (lintmode) {
        if (lc.lint() == 0) return set_int(c, 1);
        Number u;
        num_assign(lc, u);
        return c.value.set(make_numeric(std::move(u)));
    }
    set_int(c, lc.sign() < 0 ? -1 : 1);
}

void opposite_builtin(BuiltinCall& c) {
    Operand arg;
    next_token(c);
    standard_read(c, arg);
    if (!arg.is_reference()) {
        Quoly q = arg.take();
        if (!quoly_iszero(q.get())) quoly_inplace(q.get());
        return c.value.set(std::move(q));
    }
    VarRec* v = arg.target();
    if (!v) return c.value.set(arg.take());
    if (!quoly_iszero(v->value)) quoly_inplace(v->value);
    c.value.refer(v);
}

void pfroot_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    Poly num = part_of(a[0].get(), 1), den = part_of(a[0].get(), 2), rn, rd;
    pth_root(num.get(), rn);
    pth_root(den.get(), rd);
    c.value.set(quotient(value_of(std::move(rn)), value_of(std::move(rd))));
}

// ---------------------------------------------------------------------------
// Variables

void move_or_swap(BuiltinCall& c, bool swap) {
    next_token(c);
    open_args(c);
    char from[kTokenText], to[kTokenText];
    read_reference(c, from);
    arg_comma(c);
    read_reference(c, to, !swap);
    close_args(c);
    VarRec* a = find_var(from);
    VarRec* b = find_var(to);
    if (!a || !b) fail(19, !a ? from : to);
    if (a != b) {
        std::swap(a->value, b->value);
        if (!swap) {
            Quoly zero;
            quoly_set(0, zero);
            insert_var(from, std::move(zero));
        }
    }
    set_int(c, 0);
}

void move_builtin(BuiltinCall& c) { move_or_swap(c, false); }
void swap_builtin(BuiltinCall& c) { move_or_swap(c, true); }

// Rname(a, b): the variable a is called b from now on.
void rname_builtin(BuiltinCall& c) {
    next_token(c);
    open_args(c);
    char names[2][kTokenText];
    for (int i = 0; i < 2; ++i) {
        if (i) arg_comma(c);
        if (token.text[0] < 'a' || token.text[0] > 'z') fail(207, token.text);
        int level = 0;
        if (polynames && is_poly_name(token.text, level)) fail(125, token.text);
        std::memcpy(names[i], token.text, kTokenText);
        next_token(c);
    }
    close_args(c);
    VarRec* v = find_var(names[0]);
    if (!v) fail(19, names[0]);
    if (std::strcmp(names[0], names[1]) != 0) {
        Quoly value(v->value);
        v->value = nullptr;
        remove_var(names[0]);
        insert_var(names[1], std::move(value));
    }
    set_int(c, 0);
}

void vars_builtin(BuiltinCall& c) {
    no_args(c);
    for (const PolyVar* t = polynames; t; t = t->next) std::printf(" %s", t->name);
    std::printf("\n");
    set_int(c, number_polys);
}

// ---------------------------------------------------------------------------
// Displays

void time_builtin(BuiltinCall& c) {
    no_args(c);
    const std::time_t now = std::time(nullptr);
    // On a line of its own, as the date line of start-up.
    std::printf("\n %s", std::asctime(std::localtime(&now)));
    set_int(c, 0);
}

void viewtree_builtin(BuiltinCall& c) {
    Poly p = read_poly(c);
    crude_poly_disp(stdout, "poly", p.get(), 0, polynames);
    set_int(c, 0);
}

void viewtrees_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    Poly num = part_of(a[0].get(), 1), den = part_of(a[0].get(), 2);
    crude_poly_disp(stdout, "numerator", num.get(), 0, polynames);
    crude_poly_disp(stdout, "denominator", den.get(), 0, polynames);
    set_int(c, 0);
}

void write_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    int col = 0;
    quoly_display(Output, true, true, a[0].get(), col);
    set_int(c, 0);
}

struct Entry {
    int index;
    BuiltinHandler handler;
};

constexpr Entry kBank2[] = {
    {43, maincoef_builtin}, {44, mcoef_builtin},     {47, modinv_builtin},    {48, modpow_builtin},
    {51, move_builtin},     {56, numer_builtin},     {57, opposite_builtin},  {61, pfroot_builtin},
    {64, primpart_builtin}, {65, pround_builtin},    {72, recoef_builtin},    {74, rem_builtin},
    {75, resultant_builtin}, {77, rname_builtin},    {90, subst_builtin},     {91, swap_builtin},
    {95, terms_builtin},    {96, termsall_builtin},  {97, time_builtin},      {99, trunc_builtin},
    {100, unit_builtin},    {102, val_builtin},      {104, vars_builtin},     {106, viewtree_builtin},
    {107, viewtrees_builtin}, {108, write_builtin},
};

}  // namespace

BuiltinHandler bank2_handler(int index) {
    for (const Entry& e : kBank2)
        if (e.index == index) return e.handler;
    return nullptr;
}

}  // namespace tolmex
