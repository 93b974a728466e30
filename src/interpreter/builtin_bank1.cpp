// Handler bank 1 of the built-ins: integers and primes, degrees and leading
// coefficients, contents and GCDs, roots.
#include <algorithm>
#include <cstdlib>
#include <string>

#include "gcd/gcd_driver.h"
#include "gcd/polygcd.h"
#include "interpreter/builtin_support.h"
#include "interpreter/func_define.h"
#include "interpreter/builtins.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/integer_eval.h"
#include "interpreter/scanner.h"
#include "numbers/decimal.h"
#include "numbers/field_tables.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/number_theory.h"
#include "numbers/residue.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_arith.h"
#include "poly/poly_coefs.h"
#include "poly/poly_divide.h"
#include "poly/poly_settings.h"
#include "poly/poly_terms.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

// ---------------------------------------------------------------------------
// Reading

// A built-in on true integers: the arguments are read and the result
// computed without modular arithmetic; the result is brought into the ring.
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

// The arguments of a built-in's machine-integer version: in integer mode
// on a stored body they are machine-integer expressions, elsewhere general
// expressions whose values must be machine integers.
template <int N>
void read_machine_args(BuiltinCall& c, int64_t (&v)[N]) {
    if (!integer_mode_here(c.cursor)) {
        Quoly a[N];
        read_args(c, a);
        for (int i = 0; i < N; ++i) v[i] = machine_int(a[i].get(), c.name());
        return;
    }
    next_token(c);
    open_args(c);
    for (int i = 0; i < N; ++i) {
        if (i) arg_comma(c);
        v[i] = old_iexpre(c.in, c.cursor);
    }
    close_args(c);
}

// n choose k in machine integers; error 68 when it does not fit 32 bits.
int64_t machine_binomial(int64_t n, int64_t k, const char* name) {
    if (k < 0 || (n >= 0 && k > n)) return 0;
    int64_t sign = 1;
    if (n < 0) {  // C(n, k) = (-1)^k C(k - n - 1, k)
        sign = k & 1 ? -1 : 1;
        n = k - n - 1;
    }
    k = std::min(k, n - k);
    // The partial products C(n - k + i, i) grow up to the result: the loop
    // ends after a few dozen steps at most, with the result or error 68.
    int64_t r = 1;
    for (int64_t i = 1; i <= k; ++i) {
        r = r * (n - k + i) / i;
        if (r > INT32_MAX) fail(68, name);
    }
    return sign * r;
}

int64_t fits_word(const Number& x, const char* name) {
    int64_t v = 0;
    if (!to_int64(x, v) || v < INT32_MIN || v > INT32_MAX) fail(68, name);
    return v;
}

Number int_number(int64_t v) { return number_from_int64(v); }

void set_int(BuiltinCall& c, int64_t v) { c.value.set(value_of_int(v)); }
void set_poly(BuiltinCall& c, Poly&& p) { c.value.set(value_of(std::move(p))); }

PolyVar* var_of_level(int level) {
    PolyVar* v = polynames;
    for (int i = 1; v && i < level; ++i) v = v->next;
    return v;
}

int32_t degree_in(const PolyNode* p, int k) {
    return poly_involves_level(p, k) ? level_degree(p, k) : 0;
}

// ---------------------------------------------------------------------------
// Integers

void binomial_builtin(BuiltinCall& c) {
    if (integerflag && !modularmode) {
        int64_t a[2];
        read_machine_args(c, a);
        set_int(c, machine_binomial(a[0], a[1], c.name()));
        return;
    }
    integer_builtin<2>(c, [&](Number* n) {
        Number r;
        int64_t k = 0;
        if (!to_int64(n[1], k)) fail(68, c.name());
        if (k < 0) return int_number(0);
        binomial(n[0], k, r);
        return r;
    });
}

void factorial_builtin(BuiltinCall& c) {
    Number r;
    if (!modularmode) {
        Quoly a[1];
        read_args(c, a);
        Number n = integer_of(a[0].get(), c.name());
        if (n.sign() < 0) fail(137, c.name());
        factorial(n, r);
        c.value.set(make_numeric(std::move(r)));
        return;
    }
    int64_t n = 0;
    {
        IntegerStretch integers;
        Quoly a[1];
        read_args(c, a);
        Number x = integer_of(a[0].get(), c.name());
        if (x.sign() < 0) fail(137, c.name());
        if (!to_int64(x, n)) n = INT64_MAX;  // beyond every modulus: 0
    }
    setvalue(residue_factorial(n), r);
    c.value.set(make_numeric(std::move(r)));
}

void isprime_builtin(BuiltinCall& c) {
    integer_builtin<1>(c, [&](Number* n) { return int_number(is_prime64(fits_word(n[0], c.name()))); });
}

void nextprime_builtin(BuiltinCall& c) {
    integer_builtin<1>(c, [&](Number* n) { return int_number(next_prime_after(fits_word(n[0], c.name()))); });
}

void jacobi_builtin(BuiltinCall& c) {
    integer_builtin<2>(c, [&](Number* n) {
        if (n[1].sign() <= 0 || !(n[1].digits()[0] & 1)) fail(184, c.name());
        return int_number(jacobi(n[0], n[1]));
    });
}

void modsqrt_builtin(BuiltinCall& c) {
    integer_builtin<2>(c, [&](Number* n) {
        const int64_t p = fits_word(n[1], c.name());
        if (p < 3 || !is_prime64(p)) fail(34, c.name());
        const int64_t root = prime_sqrt(digits_mod(n[0], p) * (n[0].sign() < 0 ? -1 : 1) % p + p, p);
        if (root < 0) fail(180, c.name());
        return int_number(root);
    });
}

void random_builtin(BuiltinCall& c) {
    if (integerflag) {
        int64_t n[1];
        read_machine_args(c, n);
        if (n[0] <= 0) fail(184, c.name());
        set_int(c, random() % n[0]);
        return;
    }
    Quoly r;
    {
        Number x;
        {
            IntegerStretch integers;
            Quoly a[1];
            read_args(c, a);
            Number n = integer_of(a[0].get(), c.name());
            if (n.sign() <= 0) fail(184, c.name());
            random_below(n, x);
        }
        r = into_ring(std::move(x));
    }
    fast_quoly_quot(r, quoly_copy(rand_denom.get()));
    c.value.set(std::move(r));
}

// ---------------------------------------------------------------------------
// GCD and its relatives

// The GCD of two numbers of the ring: the integer gcd (0 for two zeros); in
// modular mode the gcd of the residues and the modulus (1 modulo a prime
// unless both are 0).
void number_gcd(const Number& a, const Number& b, Number& g) {
    if (lintmode) {
        int64_t v = std::abs(int64_t{a.lint()});
        v = smallgcd64(v, std::abs(int64_t{b.lint()}));
        if (modularmode && v) v = finf ? 1 : smallgcd64(v, modulus);
        setvalue(static_cast<int32_t>(v), g);
        return;
    }
    if (a.sign() == 0 || b.sign() == 0) {
        abs_val_num(a.sign() == 0 ? b : a, g);
        return;
    }
    binary_gcd(a, b, g);
}

// g := gcd(a, b) of two polys by the rules of GCD.
void poly_pair_gcd(const PolyNode* a, const PolyNode* b, Poly& g) {
    if (poly_iszero(a) || poly_iszero(b)) {
        const PolyNode* other = poly_iszero(a) ? b : a;
        if (poly_is_const(other)) {
            Number n;
            number_gcd(poly_constant(other), number_0, n);
            scalar_to_poly(std::move(n), g);
        } else {
            correct_monic_form(other, g);
        }
        return;
    }
    if (poly_is_const(a) || poly_is_const(b)) {
        const PolyNode* n = poly_is_const(a) ? a : b;
        const PolyNode* p = poly_is_const(a) ? b : a;
        Number content, r;
        if (poly_is_const(p))
            num_assign(poly_constant(p), content);
        else
            find_gcdcoefs(p, content);
        number_gcd(poly_constant(n), content, r);
        scalar_to_poly(std::move(r), g);
        return;
    }
    Lpolygcd(a, b, g);
}

void gcd_builtin(BuiltinCall& c) {
    if (integerflag) {
        int64_t x[2];
        read_machine_args(c, x);
        int64_t g = smallgcd64(std::abs(x[0]), std::abs(x[1]));
        // In modular mode the gcd of two residues is taken with the modulus.
        if (modularmode && g) g = finf ? 1 : smallgcd64(g, modulus);
        set_int(c, g);
        return;
    }
    Quoly a[2];
    read_args(c, a);
    for (const Quoly& q : a)
        if (!quoly_is_number(q.get()) && quoly_denominator(q.get())) {
            std::printf("Warning. An argument to GCD is a rational function. Denominators ignored. \n");
            break;
        }
    Poly g;
    poly_pair_gcd(numerator_poly(a[0].get()).get(), numerator_poly(a[1].get()).get(), g);
    set_poly(c, std::move(g));
}

void lcm_builtin(BuiltinCall& c) {
    Quoly a[2];
    read_args(c, a);
    Poly x = poly_of(a[0].get(), c.name()), y = poly_of(a[1].get(), c.name());
    if (poly_iszero(x.get()) || poly_iszero(y.get())) {
        set_int(c, 0);
        return;
    }
    Poly g, product, l, normal;
    poly_pair_gcd(x.get(), y.get(), g);
    poly_mult(x.get(), y.get(), product, modout_context());
    if (poly_is_const(g.get())) {
        poly_quot(product.get(), g.get(), l, 0);
    } else {
        int inexact = 0;
        gen_poly_divide(product.get(), g.get(), l, nullptr, inexact);
    }
    if (poly_is_const(l.get())) {
        Number n;
        if (lintmode)
            number_gcd(poly_constant(l.get()), number_0, n);
        else
            abs_val_num(poly_constant(l.get()), n);
        scalar_to_poly(std::move(n), normal);
    } else {
        correct_monic_form(l.get(), normal);
    }
    set_poly(c, std::move(normal));
}

// The content of p in its main variable.
void main_content(const PolyNode* p, Poly& r) {
    if (poly_is_const(p)) {
        content(p, r, polynames);
        return;
    }
    Poly inner;
    int level = 1;
    unwrap_main(p, inner, level);
    content(inner.get(), r, var_of_level(level));
    wrap_to_top(r, level);
}

void content_builtin(BuiltinCall& c) {
    Poly p = read_poly(c), r;
    main_content(p.get(), r);
    set_poly(c, std::move(r));
}

// Extended gcd of two polys in one variable modulo a prime.
void poly_egcd(const PolyNode* a, const PolyNode* b, Poly& g, Poly& s, Poly& t) {
    Poly r0(copy_poly(a)), r1(copy_poly(b)), s0, s1, t0, t1;
    poly_set(1, s0);
    poly_set(0, s1);
    poly_set(0, t0);
    poly_set(1, t1);
    while (!poly_iszero(r1.get())) {
        poll_interrupt();
        Poly q, rem, qs, qt, s2, t2;
        mod_and_div(r0.get(), r1.get(), q, rem);
        poly_mult(q.get(), s1.get(), qs, nullptr);
        poly_sub(s0.get(), qs.get(), s2);
        poly_mult(q.get(), t1.get(), qt, nullptr);
        poly_sub(t0.get(), qt.get(), t2);
        r0 = std::move(r1);
        r1 = std::move(rem);
        s0 = std::move(s1);
        s1 = std::move(s2);
        t0 = std::move(t1);
        t1 = std::move(t2);
    }
    if (!poly_iszero(r0.get())) {
        // Monic: everything divided by the leading residue.
        Number inverse;
        quot(number_1, leading_number(r0.get()), inverse);
        for (Poly* p : {&r0, &s0, &t0}) {
            Poly scaled;
            scalar_by_poly(inverse, p->get(), scaled);
            *p = std::move(scaled);
        }
    }
    g = std::move(r0);
    s = std::move(s0);
    t = std::move(t0);
}

// One variable at most, the same for both (a constant goes with anything).
bool one_variable_pair(const PolyNode* a, const PolyNode* b) {
    const int la = poly_level(a), lb = poly_level(b);
    auto univariate = [](const PolyNode* p, int level) {
        return level == 0 || deepest_level(p) == level;
    };
    return univariate(a, la) && univariate(b, lb) && (la == 0 || lb == 0 || la == lb);
}

void egcd_builtin(BuiltinCall& c) {
    next_token(c);
    open_args(c);
    Quoly a = read_arg(c);
    arg_comma(c);
    Quoly b = read_arg(c);
    char sname[kTokenText] = "", tname[kTokenText] = "";
    if (token_is(token, ",")) {
        next_token(c);
        read_reference(c, sname, true);
        arg_comma(c);
        read_reference(c, tname, true);
    }
    close_args(c);
    Quoly g, s, t;
    if (!modularmode) {
        if (!quoly_is_number(a.get()) || !quoly_is_number(b.get())) fail(181, c.name());
        Number gn, sn, tn;
        extended_gcd(quoly_number(a.get()), quoly_number(b.get()), gn, sn, tn);
        g = make_numeric(std::move(gn));
        s = make_numeric(std::move(sn));
        t = make_numeric(std::move(tn));
    } else {
        Poly x = poly_of(a.get(), c.name()), y = poly_of(b.get(), c.name());
        if (!(mod_is_prime || finf) || !one_variable_pair(x.get(), y.get())) fail(181, c.name());
        Poly gp, sp, tp;
        poly_egcd(x.get(), y.get(), gp, sp, tp);
        g = value_of(std::move(gp));
        s = value_of(std::move(sp));
        t = value_of(std::move(tp));
    }
    if (sname[0]) insert_var(sname, std::move(s));
    if (tname[0]) insert_var(tname, std::move(t));
    c.value.set(std::move(g));
}

// ---------------------------------------------------------------------------
// Degrees, levels and leading coefficients

void deg_builtin(BuiltinCall& c) {
    next_token(c);
    open_args(c);
    Quoly a = read_arg(c);
    int level = 0;
    if (token_is(token, ",")) {
        next_token(c);
        level = read_poly_var(c);
    }
    close_args(c);
    Poly p = poly_of(a.get(), c.name());
    if (poly_iszero(p.get()))
        set_int(c, -1);
    else
        set_int(c, level ? degree_in(p.get(), level) : total_degree(p.get()));
}

void expo_builtin(BuiltinCall& c) {
    Poly p = read_poly(c);
    if (poly_iszero(p.get())) return set_int(c, -1);
    const int level = poly_level(p.get());
    if (level == 0) return set_int(c, 0);
    if (builtin[c.index].name[4] == 'l')  // Expolow
        return set_int(c, poly_lowest_exponents(p.get())[level - 1]);
    set_int(c, level_degree(p.get(), level));
}

void level_builtin(BuiltinCall& c) {
    Poly p = read_poly(c);
    set_int(c, poly_level(p.get()));
}

void lcoef_builtin(BuiltinCall& c) {
    Poly p = read_poly(c);
    const int level = poly_level(p.get());
    if (level == 0) return set_poly(c, std::move(p));
    Poly r;
    level_coefficient(p.get(), level, level_degree(p.get(), level), r);
    set_poly(c, std::move(r));
}

void mvlc_builtin(BuiltinCall& c) {
    next_token(c);
    open_args(c);
    Quoly a = read_arg(c);
    arg_comma(c);
    const int level = read_poly_var(c);
    close_args(c);
    Poly p = poly_of(a.get(), c.name()), r;
    level_coefficient(p.get(), level, degree_in(p.get(), level), r);
    set_poly(c, std::move(r));
}

// The coefficient of p's leading monomial in the levels from `first` on,
// a poly in the levels above them.
void leading_from_level(const PolyNode* p, int first, Poly& r) {
    poly_assign(p, r);
    for (int k = first; k <= number_polys; ++k) {
        Poly next;
        level_coefficient(r.get(), k, degree_in(r.get(), k), next);
        r = std::move(next);
    }
}

void fieldlc_builtin(BuiltinCall& c) {
    Poly p = read_poly(c), r;
    leading_from_level(p.get(), field_depth + 1, r);
    set_poly(c, std::move(r));
}

void zlc_builtin(BuiltinCall& c) {
    Poly p = read_poly(c);
    Number n;
    num_assign(leading_number(p.get()), n);
    c.value.set(make_numeric(std::move(n)));
}

void normlc_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    Poly num = part_of(a[0].get(), 1), den = part_of(a[0].get(), 2);
    Number n, d;
    num_assign(leading_number(num.get()), n);
    num_assign(leading_number(den.get()), d);
    Quoly r = make_numeric(std::move(n));
    fast_quoly_quot(r, make_numeric(std::move(d)));
    c.value.set(std::move(r));
}

void over_builtin(BuiltinCall& c) {
    Poly p = read_poly(c);
    if (poly_iszero(p.get())) return set_int(c, 0);
    Number lc;
    num_assign(leading_number(p.get()), lc);
    Quoly r = value_of(std::move(p));
    fast_quoly_quot(r, make_numeric(std::move(lc)));
    c.value.set(std::move(r));
}

void lterm_builtin(BuiltinCall& c) {
    Poly p = read_poly(c), r;
    leading_term(p.get(), r);
    set_poly(c, std::move(r));
}

void term_builtin(BuiltinCall& c) {
    Quoly a[2];
    read_args(c, a);
    Poly p = poly_of(a[0].get(), c.name()), r;
    main_term(p.get(), static_cast<int32_t>(machine_int(a[1].get(), c.name())), r);
    set_poly(c, std::move(r));
}

// ---------------------------------------------------------------------------
// Sizes

void height_builtin(BuiltinCall& c) {
    Poly p = read_poly(c);
    const Number* best = nullptr;
    poly_each_number(p.get(), [&best](const Number& x) {
        if (!best || (lintmode ? x.lint() > best->lint() : compare_abs(x, *best) > 0)) best = &x;
        return true;
    });
    Number h;
    if (lintmode)
        num_assign(*best, h);
    else
        abs_val_num(*best, h);
    c.value.set(make_numeric(std::move(h)));
}

size_t decimal_digits(const Number& x) {
    if (lintmode) return std::to_string(std::abs(int64_t{x.lint()})).size();
    const std::string s = number_to_decimal(x);
    return s.size() - (s[0] == '-');
}

void lsize_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    size_t best = 1;
    for (int part = 1; part <= 2; ++part) {
        Poly p = part_of(a[0].get(), part);
        poly_each_number(p.get(), [&best](const Number& x) {
            best = std::max(best, decimal_digits(x));
            return true;
        });
    }
    set_int(c, static_cast<int64_t>(best));
}

// ---------------------------------------------------------------------------
// Roots and logarithms

void sqrt_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    if (!quoly_is_number(a[0].get())) fail(202, c.name());
    const Number& x = quoly_number(a[0].get());
    Number r;
    if (!modularmode) {
        if (x.sign() < 0) fail(37, c.name());
        int_sqrt(x, r);
        c.value.set(make_numeric(std::move(r)));
        return;
    }
    const int32_t v = x.lint();
    int32_t root = v;
    if (f256) {
        root = f256sqr[v];
    } else if (f2t16) {
        root = f2t16sqr[v];
    } else if (modulus != 2) {
        if (!mod_is_prime) fail(34, c.name());
        if (v != 0 && !its_a_square(v)) fail(180, c.name());
        root = modular_sqrt(v);
    }
    setvalue(root, r);
    c.value.set(make_numeric(std::move(r)));
}

int32_t field_log(int32_t v) {
    if (f2t16) return f2t16log[v];
    // The field of 2^8 elements is generated by x + 1 (3).
    int32_t power = 1;
    for (int32_t e = 0; e < 255; ++e) {
        if (power == v) return e;
        power = f256prod[power][3];
    }
    return 0;
}

void log_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    if (!modularmode || !(mod_is_prime || finf)) fail(179, c.name());
    if (!quoly_is_number(a[0].get())) fail(202, c.name());
    const int32_t v = quoly_number(a[0].get()).lint();
    if (v == 0) fail(185, c.name());
    if (finf) return set_int(c, field_log(v));
    set_int(c, discrete_log(v, primitive_root(modulus), modulus));
}

// ---------------------------------------------------------------------------
// Values as they are

void cquoly_builtin(BuiltinCall& c) { set_poly(c, read_poly(c)); }

void denom_builtin(BuiltinCall& c) {
    Quoly a[1];
    read_args(c, a);
    set_poly(c, part_of(a[0].get(), 2));
}

void function_builtin(BuiltinCall& c) { define_function(c.in, c.value, c.cursor); }

struct Entry {
    int index;
    BuiltinHandler handler;
};

constexpr Entry kBank1[] = {
    {2, binomial_builtin},  {8, content_builtin},   {10, cquoly_builtin},   {11, deg_builtin},
    {13, denom_builtin},    {16, egcd_builtin},     {17, expo_builtin},     {18, expo_builtin},
    {22, factorial_builtin}, {23, fieldlc_builtin}, {24, function_builtin}, {25, function_builtin},
    {26, gcd_builtin},      {28, height_builtin},   {31, isprime_builtin},  {33, jacobi_builtin},
    {34, lcm_builtin},      {35, lcoef_builtin},    {36, level_builtin},    {37, log_builtin},
    {38, lsize_builtin},    {39, lterm_builtin},    {49, modsqrt_builtin},  {52, mvlc_builtin},
    {53, nextprime_builtin}, {55, normlc_builtin},  {58, over_builtin},     {69, random_builtin},
    {87, sqrt_builtin},     {94, term_builtin},     {109, zlc_builtin},
};

}  // namespace

BuiltinHandler bank1_handler(int index) {
    for (const Entry& e : kBank1)
        if (e.index == index) return e.handler;
    return nullptr;
}

}  // namespace tolmex
