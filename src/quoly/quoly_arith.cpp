// Quoly arithmetic: the numeric fast paths, rational numbers, and quotients
// of polys in normal form.
#include "quoly/quoly_arith.h"

#include <utility>

#include "gcd/polygcd.h"
#include "base/errors.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_settings.h"
#include "quoly/exact_division.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

namespace {

// A quotient taken apart: numerator and denominator (null for 1).
struct Frac {
    Poly n;
    Poly d;
};

Frac take_frac(Quoly&& q) {
    Quoly hold(std::move(q));
    Frac f;
    if (hold->numflag) {
        f.n.reset(number_node(std::move(hold->num)));
    } else {
        f.n.reset(hold->nump);
        f.d.reset(hold->denp);
        hold->nump = hold->denp = nullptr;
    }
    return f;
}

Frac copy_frac(const QuolyRec* q) { return take_frac(quoly_copy(q)); }

Quoly zero_quoly() {
    Quoly z;
    quoly_set(0, z);
    return z;
}

Poly const_poly(int32_t v) {
    Poly p;
    poly_set(v, p);
    return p;
}

Poly mult(const PolyNode* a, const PolyNode* b) {
    Poly c;
    poly_mult(a, b, c, nullptr);
    return c;
}

// The inverse of a nonzero number in lint mode.
void lint_inverse(const Number& x, Number& inv) {
    if (modularmode) {
        int32_t r = 0;
        emod_inverse(x.lint(), r);
        setvalue(r, inv);
    } else {
        setvalue(x.lint() == 1 || x.lint() == -1 ? x.lint() : 0, inv);
    }
}

// p := p / c exactly for a number c (lint mode: times the inverse of c).
void divide_by_number(Poly& p, const Number& c) {
    if (lintmode) {
        Number inv;
        lint_inverse(c, inv);
        scalar_by_poly(inv, p.get(), p);
        return;
    }
    exact_divide_coefficients(p.get(), c);
}

// Divides a and b by the number c when it is not 1.
void cancel_number(Poly& a, Poly& b, const Number& c) {
    if (is_longint(c, 1) || num_is_zero(c)) return;
    divide_by_number(a, c);
    divide_by_number(b, c);
}

// q := a / g and b / g for a GCD g of them (constant or not).
void reduce_pair(Poly& a, Poly& b, const PolyNode* g) {
    if (poly_is_const(g)) {
        if (!lintmode) cancel_number(a, b, poly_constant(g));
        return;
    }
    exact_poly_quotient(a.get(), g, a);
    exact_poly_quotient(b.get(), g, b);
}

// The last step of every operation on quotients.
Quoly finish(Frac&& f) {
    if (poly_iszero(f.n.get())) return zero_quoly();
    if (f.d && poly_is_const(f.d.get())) {
        const Number& d = poly_constant(f.d.get());
        if (num_is_zero(d)) error(210, "/");
        if (num_is_one(d)) {
            f.d.reset();
        } else if (lintmode) {
            divide_by_number(f.n, d);
            f.d.reset();
        }
    }
    Quoly q;
    int rat = f.d && poly_is_const(f.n.get()) && poly_is_const(f.d.get()) && !lintmode;
    if (!f.d) {
        p_q_take(std::move(f.n), q);
        return q;
    }
    return make_quotient(std::move(f.n), std::move(f.d), rat);
}

// The normal form of the arithmetic in force, without cancelling.
void ring_normal_form(Quoly& q, int lflag) {
    if (lintmode)
        lint_normal_form(q, lflag);
    else
        normal_form(q, lflag);
}

Quoly from_frac_normal(Frac&& f, int lflag) {
    if (poly_iszero(f.n.get())) return zero_quoly();
    Quoly q = make_quotient(std::move(f.n), std::move(f.d), 0);
    ring_normal_form(q, lflag);
    return q;
}

bool rational_operands(const QuolyRec* a, const QuolyRec* b) {
    return !lintmode && quoly_is_rational(a) && quoly_is_rational(b);
}

// The "\\" and "|" operators on polys.
void poly_operator(const PolyNode* a, const PolyNode* b, Poly& r, int op) {
    poly_mod_or_div(a, b, r, op, nullptr);
}

// ---------------------------------------------------------------------------
// Addition of quotients (consuming both).

Quoly add_fracs(Frac a, Frac b, bool add) {
    Frac r;
    if (!a.d && !b.d) {
        add ? best_poly_add(std::move(a.n), std::move(b.n), r.n)
            : best_poly_sub(std::move(a.n), std::move(b.n), r.n);
        return finish(std::move(r));
    }
    if (!a.d || !b.d) {
        // p ± n/d = (p d ± n) / d, already reduced.
        const bool a_plain = !a.d;
        Frac& plain = a_plain ? a : b;
        Frac& quot = a_plain ? b : a;
        Poly pd = mult(plain.n.get(), quot.d.get());
        if (a_plain)
            add ? best_poly_add(std::move(pd), std::move(quot.n), r.n)
                : best_poly_sub(std::move(pd), std::move(quot.n), r.n);
        else
            add ? best_poly_add(std::move(quot.n), std::move(pd), r.n)
                : best_poly_sub(std::move(quot.n), std::move(pd), r.n);
        r.d = std::move(quot.d);
        return finish(std::move(r));
    }
    if (poly_equal(a.d.get(), b.d.get())) {
        add ? best_poly_add(std::move(a.n), std::move(b.n), r.n)
            : best_poly_sub(std::move(a.n), std::move(b.n), r.n);
        if (poly_iszero(r.n.get())) return zero_quoly();
        Poly h;
        Lpolygcd(r.n.get(), a.d.get(), h);
        r.d = std::move(a.d);
        reduce_pair(r.n, r.d, h.get());
        return finish(std::move(r));
    }
    Poly g;
    Lpolygcd(a.d.get(), b.d.get(), g);
    if (poly_eq_1(g.get())) {
        Poly t1 = mult(a.n.get(), b.d.get());
        Poly t2 = mult(b.n.get(), a.d.get());
        add ? best_poly_add(std::move(t1), std::move(t2), r.n)
            : best_poly_sub(std::move(t1), std::move(t2), r.n);
        if (poly_iszero(r.n.get())) return zero_quoly();
        r.d = mult(a.d.get(), b.d.get());
        return finish(std::move(r));
    }
    // d1 = g d1', d2 = g d2': n = n1 d2' ± n2 d1' over g d1' d2', then the
    // GCD of n with g is cancelled.
    reduce_pair(a.d, b.d, g.get());
    Poly t1 = mult(a.n.get(), b.d.get());
    Poly t2 = mult(b.n.get(), a.d.get());
    add ? best_poly_add(std::move(t1), std::move(t2), r.n)
        : best_poly_sub(std::move(t1), std::move(t2), r.n);
    if (poly_iszero(r.n.get())) return zero_quoly();
    Poly h;
    Lpolygcd(r.n.get(), g.get(), h);
    reduce_pair(r.n, g, h.get());
    Poly den = mult(a.d.get(), g.get());
    r.d = mult(den.get(), b.d.get());
    return finish(std::move(r));
}

Quoly numeric_sum(const Number& a, const Number& b, bool add) {
    Number s;
    add ? summ(a, b, s) : diff(a, b, s);
    return make_numeric(std::move(s));
}

Quoly add_values(Quoly&& a, Quoly&& b, bool add) {
    if (a->numflag && b->numflag) return numeric_sum(a->num, b->num, add);
    if (rational_operands(a.get(), b.get())) {
        Quoly r;
        add_rats(a.get(), b.get(), r, add);
        return r;
    }
    return add_fracs(take_frac(std::move(a)), take_frac(std::move(b)), add);
}

// ---------------------------------------------------------------------------
// Products of quotients (consuming both).

Quoly mult_fracs(Frac a, Frac b) {
    Frac r;
    const bool ad = static_cast<bool>(a.d), bd = static_cast<bool>(b.d);
    if (bd && poly_equal(a.n.get(), b.d.get())) {
        if (ad && poly_equal(b.n.get(), a.d.get())) {
            Quoly one;
            quoly_set(1, one);
            return one;
        }
        r.n = std::move(b.n);
        r.d = std::move(a.d);
        Quoly q = make_quotient(std::move(r.n), std::move(r.d), 0);
        check_quoly(q, 0);
        return q;
    }
    if (ad && poly_equal(b.n.get(), a.d.get())) {
        Quoly q = make_quotient(std::move(a.n), std::move(b.d), 0);
        check_quoly(q, laurent);
        return q;
    }
    if (ad && bd && poly_equal(a.d.get(), b.d.get())) {
        r.n = mult(a.n.get(), b.n.get());
        r.d = mult(a.d.get(), b.d.get());
        return from_frac_normal(std::move(r), 0);
    }
    // Cross-cancellation: g1 = gcd(n1, d2), g2 = gcd(n2, d1).
    if (bd) {
        Poly g1;
        Lpolygcd(a.n.get(), b.d.get(), g1);
        reduce_pair(a.n, b.d, g1.get());
    }
    if (ad) {
        Poly g2;
        Lpolygcd(b.n.get(), a.d.get(), g2);
        reduce_pair(b.n, a.d, g2.get());
    }
    r.n = mult(a.n.get(), b.n.get());
    if (ad && bd)
        r.d = mult(a.d.get(), b.d.get());
    else if (ad)
        r.d = std::move(a.d);
    else if (bd)
        r.d = std::move(b.d);
    if (r.d && poly_eq_1(r.d.get())) r.d.reset();
    return from_frac_normal(std::move(r), 0);
}

Quoly numeric_product(const Number& a, const Number& b) {
    Number p;
    fast_mult(a, b, p);
    return make_numeric(std::move(p));
}

Quoly mult_values(Quoly&& a, Quoly&& b) {
    if (a->numflag && b->numflag) return numeric_product(a->num, b->num);
    if (rational_operands(a.get(), b.get())) {
        Quoly r;
        mult_rats(a.get(), b.get(), r);
        return r;
    }
    if ((a->numflag && quoly_iszero(a.get())) || (b->numflag && quoly_iszero(b.get())))
        return zero_quoly();
    return mult_fracs(take_frac(std::move(a)), take_frac(std::move(b)));
}

// ---------------------------------------------------------------------------
// Quotients.

Quoly numeric_quotient(const Number& a, const Number& b) {
    Quoly r;
    if (!lintmode) {
        quot_numbers(a, b, r);
        return r;
    }
    if (b.lint() == 0) {
        // Demoted to a warning at a nested command level: quotient 0.
        error(22, "/");
        return zero_quoly();
    }
    Number q;
    if (modularmode) {
        int32_t inv = 0;
        emod_inverse(b.lint(), inv);
        setvalue(modmult(a.lint(), inv), q);
    } else {
        // In 64 bits: the quotient of -2^31 by -1 wraps instead of trapping.
        setvalue(static_cast<int32_t>(int64_t{a.lint()} / b.lint()), q);
    }
    return make_numeric(std::move(q));
}

Quoly quot_values(Quoly&& a, Quoly&& b, bool no_gcd) {
    if (b->numflag && num_is_zero(b->num)) {
        error(22, "/");
        return zero_quoly();
    }
    if (a->numflag && b->numflag) return numeric_quotient(a->num, b->num);
    if (rational_operands(a.get(), b.get())) {
        Quoly r;
        quot_rats(a.get(), b.get(), r);
        return r;
    }
    if (quoly_iszero(a.get())) return zero_quoly();
    Frac fa = take_frac(std::move(a));
    Frac fb = take_frac(std::move(b));
    // a / b is a times b with numerator and denominator exchanged.
    Frac inv;
    inv.n = fb.d ? std::move(fb.d) : const_poly(1);
    inv.d = std::move(fb.n);
    if (no_gcd) {
        Frac r;
        r.n = mult(fa.n.get(), inv.n.get());
        r.d = fa.d ? mult(fa.d.get(), inv.d.get()) : std::move(inv.d);
        Quoly q = make_quotient(std::move(r.n), std::move(r.d), 0);
        sanitize(q);
        ring_normal_form(q, laurent);
        return q;
    }
    return mult_fracs(std::move(fa), std::move(inv));
}

// r := a + b, or a - b when add is clear; a and b kept.
void plain_sum(const QuolyRec* a, const QuolyRec* b, Quoly& r, bool add) {
    if (a->numflag && b->numflag) {
        r = numeric_sum(a->num, b->num, add);
        return;
    }
    r = add_values(quoly_copy(a), quoly_copy(b), add);
}

// a := a + b, or a - b when add is clear; b consumed.
void best_sum(Quoly& a, Quoly&& b, bool add) {
    Quoly y(std::move(b));
    if (a->numflag && y->numflag) {
        if (add)
            fastsum(a->num, y->num);
        else
            fastdiff(a->num, y->num);
        return;
    }
    a = add_values(std::move(a), std::move(y), add);
}

}  // namespace

// ---------------------------------------------------------------------------

void quoly_add(const QuolyRec* a, const QuolyRec* b, Quoly& r) { plain_sum(a, b, r, true); }

void quoly_sub(const QuolyRec* a, const QuolyRec* b, Quoly& r) { plain_sum(a, b, r, false); }

void best_quoly_add(Quoly& a, Quoly&& b) { best_sum(a, std::move(b), true); }

void best_quoly_sub(Quoly& a, Quoly&& b) { best_sum(a, std::move(b), false); }

void quoly_mult(const QuolyRec* a, const QuolyRec* b, Quoly& r) {
    if (a->numflag && b->numflag) {
        r = numeric_product(a->num, b->num);
        return;
    }
    r = mult_values(quoly_copy(a), quoly_copy(b));
}

void fast_quoly_mult(Quoly& a, Quoly&& b) {
    Quoly y(std::move(b));
    a = mult_values(std::move(a), std::move(y));
}

void quoly_quot(const QuolyRec* a, const QuolyRec* b, Quoly& r, bool no_gcd) {
    r = quot_values(quoly_copy(a), quoly_copy(b), no_gcd);
}

void fast_quoly_quot(Quoly& a, Quoly&& b, bool no_gcd) {
    Quoly y(std::move(b));
    a = quot_values(std::move(a), std::move(y), no_gcd);
}

void quoly_reciprocal(Quoly& q) {
    if (q->numflag) {
        if (num_is_zero(q->num)) {
            error(22, "/");
            quoly_set(0, q);
            return;
        }
        if (lintmode) {
            Number inv;
            if (modularmode) {
                // Reports "bad1" and error 85 for a residue without an
                // inverse modulo a composite modulus.
                int32_t r = 0;
                emod_inverse(q->num.lint(), r);
                setvalue(r, inv);
            } else {
                setvalue(1 / q->num.lint(), inv);
            }
            q = make_numeric(std::move(inv));
            return;
        }
        int m = 0;
        if (equal_to_pm1(q->num, m)) return;
        Number one;
        setvalue(q->num.sign(), one);
        Number den;
        abs_val_num(q->num, den);
        q = make_rational(std::move(one), std::move(den));
        return;
    }
    if (q->ratflag) {
        Number p, d;
        num_assign(poly_constant(q->denp), p);
        num_assign(poly_constant(q->nump), d);
        q = make_rational(std::move(p), std::move(d));
        return;
    }
    Frac f = take_frac(std::move(q));
    Frac r;
    r.n = f.d ? std::move(f.d) : const_poly(1);
    r.d = std::move(f.n);
    q = from_frac_normal(std::move(r), laurent);
}

void quoly_compute_power(Quoly& q, int32_t k) {
    if (k < 1) {
        tolmex_error("negative exponent", 0);
        return;
    }
    if (k == 1) return;
    if (q->numflag) {
        Number r;
        if (lintmode && modularmode) {
            int32_t v = 0;
            if (q->num.lint() == 0) {
                setvalue(0, r);
            } else {
                mod_number_power(q->num.lint(), k, v);
                setvalue(v, r);
            }
        } else {
            number_power(q->num, k, r);
        }
        q = make_numeric(std::move(r));
        return;
    }
    Frac f = take_frac(std::move(q));
    compute_power(f.n, k, nullptr);
    if (f.d) compute_power(f.d, k, nullptr);
    if (!lintmode && f.d && poly_is_const(f.n.get()) && poly_is_const(f.d.get())) {
        if (num_is_zero(poly_constant(f.d.get()))) error(210, "^");
        Number p = std::move(poly_constant(f.n.get())), d = std::move(poly_constant(f.d.get()));
        q = make_rational(std::move(p), std::move(d));
        return;
    }
    q = finish(std::move(f));
}

namespace {

// q := q^e for a residue q and an exponent of any size; a negative power
// is a power of the inverse (error 85 for a non-unit, error 22 for 0).
void residue_to_power(Quoly& q, const Number& e) {
    int32_t a = q->num.lint();
    if (e.sign() < 0) {
        if (a == 0) {
            // Demoted to a warning at a nested command level: then 0.
            error(22, "/");
            q = zero_quoly();
            return;
        }
        emod_inverse(a, a);
    }
    Number r;
    setvalue(residue_power(a, e), r);
    q = make_numeric(std::move(r));
}

}  // namespace

void raise_to_power(Quoly& q, const Number& exponent) {
    // An exponent given only as a word (no digits) is that machine integer.
    Number word;
    if (has_no_digits(exponent)) set_int64(exponent.lint(), word);
    const Number& e = has_no_digits(exponent) ? word : exponent;
    if (e.sign() == 0) {
        quoly_set(1, q);  // 0^0 is 1 as well
        return;
    }
    if (modularmode && lintmode && q->numflag) {
        residue_to_power(q, e);
        return;
    }
    // Other powers are formed by repeated products: rational mode takes
    // exponents of one digit, the word-sized arithmetic of a word.
    int64_t k = 0;
    const bool fits = to_int64(e, k) && k > INT32_MIN && k <= INT32_MAX;
    if (!fits || (!lintmode && e.size() >= 2)) fail(32, "^");
    if (k > 0) {
        quoly_compute_power(q, static_cast<int32_t>(k));
        return;
    }
    quoly_compute_power(q, static_cast<int32_t>(-k));
    quoly_reciprocal(q);
}

void quoly_mod_or_div(const QuolyRec* a, const QuolyRec* b, Quoly& r, int op) {
    if (b->numflag && num_is_zero(b->num) && !a->numflag) {
        // One report for numerator and denominator; at a nested command
        // level the result is then 0.
        error(22, op == '|' ? "|" : "\\");
        r = zero_quoly();
        return;
    }
    if (a->numflag && b->numflag) {
        Number res;
        mod_or_div(a->num, b->num, res, op, pos_mod);
        r = make_numeric(std::move(res));
        return;
    }
    Poly divisor = numerator_poly(b);
    Frac f = copy_frac(a);
    Frac out;
    poly_operator(f.n.get(), divisor.get(), out.n, op);
    if (f.d) {
        poly_operator(f.d.get(), divisor.get(), out.d, op);
        if (poly_iszero(out.d.get())) error(210, op == '|' ? "|" : "\\");
        Quoly q = make_quotient(std::move(out.n), std::move(out.d), 0);
        check_quoly(q, 0);
        r = std::move(q);
        return;
    }
    r = finish(std::move(out));
}

void quoly_inplace(QuolyRec* q) {
    if (q->numflag)
        in_place_neg(q->num);
    else
        poly_inplace(q->nump);
}

void quoly_great_int(Quoly& q) {
    if (modularmode) return;
    if (lintmode) error(62, "$");
    if (q->numflag || !q->ratflag) return;
    // floor(p / d) for d > 0.
    Number fl, rem;
    divide(poly_constant(q->nump), poly_constant(q->denp), fl, rem);
    if (rem.sign() < 0) fastdiff(fl, number_1);
    q = make_numeric(std::move(fl));
}

void quoly_abs(Quoly& q) {
    if (modularmode) return;
    if (q->numflag) {
        if (!lintmode && q->num.sign() < 0) in_place_neg(q->num);
        if (lintmode && q->num.lint() < 0) setvalue(-q->num.lint(), q->num);
        return;
    }
    poly_abs(q->nump);
    if (q->denp) poly_abs(q->denp);
}

// ---------------------------------------------------------------------------
// Normal form.

void sanitize(Quoly& q) {
    if (q->numflag || !q->denp || lintmode) return;
    Number c;
    find_gcdcoefs(q->nump, c);
    if (is_longint(c, 1) || num_is_zero(c)) return;
    Number cd, g;
    find_gcdcoefs(q->denp, cd);
    binary_gcd(c, cd, g);
    if (is_longint(g, 1)) return;
    Poly n(q->nump), d(q->denp);
    q->nump = q->denp = nullptr;
    cancel_number(n, d, g);
    q->nump = n.release();
    q->denp = d.release();
}

void normal_form(Quoly& q, int lflag) {
    if (q->numflag) return;
    if (q->denp) {
        if (leading_number(q->denp).sign() < 0) {
            poly_inplace(q->nump);
            poly_inplace(q->denp);
        }
        if (lflag && !poly_is_const(q->denp)) remove_denominator_monomial(q);
        if (q->denp && poly_eq_1(q->denp)) free_poly(q->denp);
    }
    if (poly_iszero(q->nump)) {
        quoly_set(0, q);
        return;
    }
    if (poly_is_const(q->nump)) {
        if (!q->denp) {
            polynum_to_quoly(q);
            return;
        }
        q->ratflag = poly_is_const(q->denp);
    } else {
        q->ratflag = 0;
    }
}

void lint_normal_form(Quoly& q, int lflag) {
    if (q->numflag) return;
    if (q->denp) {
        const Number& lc = leading_number(q->denp);
        if (!num_is_one(lc)) {
            Number inv;
            lint_inverse(lc, inv);
            Poly n(q->nump), d(q->denp);
            q->nump = q->denp = nullptr;
            scalar_by_poly(inv, n.get(), n);
            scalar_by_poly(inv, d.get(), d);
            q->nump = n.release();
            q->denp = d.release();
        }
        if (lflag && !poly_is_const(q->denp)) remove_denominator_monomial(q);
        if (q->denp && poly_is_const(q->denp)) free_poly(q->denp);  // monic: 1
    }
    q->ratflag = 0;
    if (poly_iszero(q->nump)) {
        quoly_set(0, q);
        return;
    }
    if (!q->denp) polynum_to_quoly(q);
}

void check_quoly(Quoly& q, int lflag) {
    if (q->numflag) return;
    if (poly_iszero(q->nump)) {
        quoly_set(0, q);
        return;
    }
    if (!q->denp) {
        polynum_to_quoly(q);
        return;
    }
    Frac f = take_frac(std::move(q));
    if (lintmode) {
        if (poly_is_const(f.d.get())) {
            Number d;
            num_assign(poly_constant(f.d.get()), d);
            if (num_is_zero(d)) error(210, "/");
            divide_by_number(f.n, d);
            f.d.reset();
            q = finish(std::move(f));
            return;
        }
        Poly g;
        Lpolygcd(f.n.get(), f.d.get(), g);
        if (!poly_is_const(g.get())) reduce_pair(f.n, f.d, g.get());
        q = make_quotient(std::move(f.n), std::move(f.d), 0);
        lint_normal_form(q, lflag);
        return;
    }
    if (!poly_is_const(f.d.get())) {
        Poly g;
        Lpolygcd(f.n.get(), f.d.get(), g);
        reduce_pair(f.n, f.d, g.get());
    }
    if (poly_is_const(f.d.get())) {
        const Number& d = poly_constant(f.d.get());
        if (num_is_zero(d)) error(210, "/");
        if (!is_longint(d, 1) && !is_longint(d, -1)) {
            Number c, g;
            find_gcdcoefs(f.n.get(), c);
            if (!num_is_zero(c)) {
                binary_gcd(c, d, g);
                cancel_number(f.n, f.d, g);
            }
        }
    }
    q = make_quotient(std::move(f.n), std::move(f.d), 0);
    normal_form(q, lflag);
}

}  // namespace tolmex
