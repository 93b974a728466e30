// Quoly arithmetic: the numeric fast paths, rational numbers, and quotients
// of polys in normal form.
#include "quoly/quoly_arith.h"

#include <utility>

#include "gcd/polygcd.h"
#include "base/errors.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_divide.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "quoly/exact_division.h"
#include "quoly/quoly_internal.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

using namespace quoly_detail;

namespace {

bool rational_operands(const QuolyRec* a, const QuolyRec* b) {
    return !lintmode && quoly_is_rational(a) && quoly_is_rational(b);
}

// The "\\" and "|" operators on polys.
void poly_operator(const PolyNode* a, const PolyNode* b, Poly& r, int op) {
    poly_mod_or_div(a, b, r, op, nullptr);
}

Quoly numeric_sum(const Number& a, const Number& b, bool add) {
    Number s;
    add ? summ(a, b, s) : diff(a, b, s);
    return make_numeric(std::move(s));
}

Quoly add_values(Quoly&& a, Quoly&& b, bool add, bool consuming) {
    if (a->numflag && b->numflag) return numeric_sum(a->num, b->num, add);
    if (rational_operands(a.get(), b.get())) {
        Quoly r;
        add_rats(a.get(), b.get(), r, add);
        return r;
    }
    return add_fracs(take_frac(std::move(a)), take_frac(std::move(b)), add, consuming);
}

// ---------------------------------------------------------------------------
// Products (operands kept).

Quoly numeric_product(const Number& a, const Number& b) {
    Number p;
    fast_mult(a, b, p);
    return make_numeric(std::move(p));
}

Quoly product(const QuolyRec* a, const QuolyRec* b) {
    if (a->numflag && b->numflag) return numeric_product(a->num, b->num);
    if (rational_operands(a, b)) {
        Quoly r;
        mult_rats(a, b, r);
        return r;
    }
    if (a->numflag) return number_times_quotient(a->num, copy_frac(b));
    if (b->numflag) return number_times_quotient(b->num, copy_frac(a));
    return gen_quoly_mult(a->nump, a->denp, b->nump, b->denp, 0);
}

// ---------------------------------------------------------------------------
// Quotients (operands kept).

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

// The "//" operator: numerator times the divisor's denominator over
// denominator times the divisor's numerator, with no common factor
// searched beyond the integer contents.
Quoly quotient_no_gcd(const QuolyRec* a, const QuolyRec* b) {
    Frac fa = copy_frac(a), fb = copy_frac(b);
    Frac r;
    r.n = fb.d ? mult(fa.n.get(), fb.d.get()) : std::move(fa.n);
    r.d = fa.d ? mult(fa.d.get(), fb.n.get()) : std::move(fb.n);
    Quoly q = give_frac(std::move(r));
    sanitize(q);
    ring_normal_form(q, laurent);
    return q;
}

Quoly quotient(const QuolyRec* a, const QuolyRec* b, bool no_gcd) {
    if (b->numflag && num_is_zero(b->num)) {
        // Demoted to a warning at a nested command level: quotient 0.
        error(22, "/");
        return zero_quoly();
    }
    if (a->numflag && b->numflag) return numeric_quotient(a->num, b->num);
    if (rational_operands(a, b)) {
        Quoly r;
        quot_rats(a, b, r);
        return r;
    }
    if (quoly_iszero(a)) return zero_quoly();
    if (no_gcd) return quotient_no_gcd(a, b);
    if (b->numflag) return quotient_by_number(copy_frac(a), b->num);
    if (a->numflag) return number_by_quotient(a->num, copy_frac(b));
    // a times b with b's numerator and denominator exchanged.
    Poly one;
    if (!b->denp) one = const_poly(1);
    return gen_quoly_mult(a->nump, a->denp, b->denp ? b->denp : one.get(), b->nump, laurent);
}

// r := a + b, or a - b when add is clear; a and b kept.
void plain_sum(const QuolyRec* a, const QuolyRec* b, Quoly& r, bool add) {
    if (a->numflag && b->numflag) {
        r = numeric_sum(a->num, b->num, add);
        return;
    }
    r = add_values(quoly_copy(a), quoly_copy(b), add, false);
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
    a = add_values(std::move(a), std::move(y), add, true);
}

}  // namespace

// ---------------------------------------------------------------------------

void quoly_add(const QuolyRec* a, const QuolyRec* b, Quoly& r) { plain_sum(a, b, r, true); }

void quoly_sub(const QuolyRec* a, const QuolyRec* b, Quoly& r) { plain_sum(a, b, r, false); }

namespace {

// a + b or a - b into r, a consumed; two numbers are summed in place
// without copying b.
void better_sum(Quoly&& a, const QuolyRec* b, Quoly& r, bool add) {
    Quoly x(std::move(a));
    if (x->numflag && b->numflag) {
        if (add)
            fastsum(x->num, b->num);
        else
            fastdiff(x->num, b->num);
    } else {
        best_sum(x, quoly_copy(b), add);
    }
    r = std::move(x);
}

}  // namespace

void better_quoly_add(Quoly&& a, const QuolyRec* b, Quoly& r) { better_sum(std::move(a), b, r, true); }

void better_quoly_sub(Quoly&& a, const QuolyRec* b, Quoly& r) { better_sum(std::move(a), b, r, false); }

void best_quoly_add(Quoly& a, Quoly&& b) { best_sum(a, std::move(b), true); }

void best_quoly_sub(Quoly& a, Quoly&& b) { best_sum(a, std::move(b), false); }

void quoly_mult(const QuolyRec* a, const QuolyRec* b, Quoly& r) { r = product(a, b); }

void fast_quoly_mult(Quoly& a, Quoly&& b) {
    Quoly y(std::move(b));
    a = product(a.get(), y.get());
}

void quoly_quot(const QuolyRec* a, const QuolyRec* b, Quoly& r, bool no_gcd) {
    r = quotient(a, b, no_gcd);
}

void fast_quoly_quot(Quoly& a, Quoly&& b, bool no_gcd) {
    Quoly y(std::move(b));
    a = quotient(a.get(), y.get(), no_gcd);
}

namespace {

// With pseudo-variables in use a power may vanish or need reducing again.
void pseudo_power_result(Quoly& q, Frac&& f) {
    if (poly_iszero(f.n.get())) {
        q = zero_quoly();
        return;
    }
    if (f.d && poly_iszero(f.d.get())) fail(210, "^");
    q = give_frac(std::move(f));
    check_quoly(q, 0);
}

// Lint mode: numerator and denominator raised, a constant denominator
// divided into the numerator.
void lint_quoly_compute_power(Quoly& q, int32_t k) {
    Frac f = take_frac(std::move(q));
    compute_power(f.n, k, modout_context());
    if (f.d) compute_power(f.d, k, modout_context());
    if (pseudo_polynames) return pseudo_power_result(q, std::move(f));
    q = finish(std::move(f));
}

// Lint mode: the exchanged quotient over a constant is divided out, else
// made monic.
Quoly lint_quoly_recip(Frac&& f) {
    if (poly_is_const(f.d.get())) return finish(std::move(f));
    return from_frac_normal(std::move(f), laurent);
}

}  // namespace

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
    q = lintmode ? lint_quoly_recip(std::move(r)) : from_frac_normal(std::move(r), laurent);
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
    if (lintmode) return lint_quoly_compute_power(q, k);
    // Powers of coprime polys stay coprime: no GCD work.
    Frac f = take_frac(std::move(q));
    compute_power(f.n, k, modout_context());
    if (f.d) compute_power(f.d, k, modout_context());
    if (pseudo_polynames) return pseudo_power_result(q, std::move(f));
    if (f.d && poly_is_const(f.n.get()) && poly_is_const(f.d.get())) {
        if (num_is_zero(poly_constant(f.d.get()))) fail(210, "^");
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

}  // namespace tolmex
