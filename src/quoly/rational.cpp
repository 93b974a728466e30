// Integers and rational numbers: the paths by which plain numbers never
// reach the polynomial code.
#include "base/errors.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

// q := a / b for b dividing a exactly.
void exact_div(const Number& a, const Number& b, Number& q) {
    Number r;
    divide(a, b, q, r);
}

// g := gcd(|a|, |b|) for nonzero a, b.
void num_gcd(const Number& a, const Number& b, Number& g) { binary_gcd(a, b, g); }

bool is_one(const Number& x) { return is_longint(x, 1); }

// The numerator and denominator of an integer or a rational number; the
// denominator is null for an integer.
struct RatView {
    const Number* p;
    const Number* q;
};

RatView view(const QuolyRec* a) {
    if (a->numflag) return {&a->num, nullptr};
    return {&poly_constant(a->nump), &poly_constant(a->denp)};
}

}  // namespace

Quoly make_rational(Number&& p, Number&& q) {
    if (q.sign() < 0) {
        in_place_neg(p);
        in_place_neg(q);
    }
    if (is_one(q) || num_is_zero(p)) return make_numeric(std::move(p));
    return make_quotient(Poly(number_node(std::move(p))), Poly(number_node(std::move(q))), 1);
}

void quot_numbers(const Number& n, const Number& m, Quoly& r) {
    if (num_is_zero(m)) {
        // Demoted to a warning at a nested command level: quotient 0.
        error(22, "/");
        quoly_set(0, r);
        return;
    }
    if (num_is_zero(n)) {
        quoly_set(0, r);
        return;
    }
    Number g, p, q;
    num_gcd(n, m, g);
    exact_div(n, g, p);
    exact_div(m, g, q);
    r = make_rational(std::move(p), std::move(q));
}

void add_rats(const QuolyRec* a, const QuolyRec* b, Quoly& r, bool add) {
    RatView x = view(a), y = view(b);
    if (!x.q && !y.q) {
        Number s;
        add ? summ(*x.p, *y.p, s) : diff(*x.p, *y.p, s);
        r = make_numeric(std::move(s));
        return;
    }
    if (!x.q) {
        add_numb_rat(*x.p, b, r, add);
        return;
    }
    if (!y.q) {
        // p/q ± n = (p ± n q) / q, already in lowest terms.
        Number t, s;
        fast_mult(*y.p, *x.q, t);
        add ? summ(*x.p, t, s) : diff(*x.p, t, s);
        Number q;
        num_assign(*x.q, q);
        r = make_rational(std::move(s), std::move(q));
        return;
    }
    Number g;
    num_gcd(*x.q, *y.q, g);
    Number t1, t2, t;
    if (is_one(g)) {
        fast_mult(*x.p, *y.q, t1);
        fast_mult(*y.p, *x.q, t2);
        add ? summ(t1, t2, t) : diff(t1, t2, t);
        Number d;
        fast_mult(*x.q, *y.q, d);
        r = make_rational(std::move(t), std::move(d));
        return;
    }
    Number qq, ss;  // q' = q / g, s' = s / g
    exact_div(*x.q, g, qq);
    exact_div(*y.q, g, ss);
    fast_mult(*x.p, ss, t1);
    fast_mult(*y.p, qq, t2);
    add ? summ(t1, t2, t) : diff(t1, t2, t);
    if (num_is_zero(t)) {
        r = make_numeric(std::move(t));
        return;
    }
    Number h, th, gh, d1, d;
    num_gcd(t, g, h);
    exact_div(t, h, th);
    exact_div(g, h, gh);
    fast_mult(gh, qq, d1);
    fast_mult(d1, ss, d);
    r = make_rational(std::move(th), std::move(d));
}

void add_numb_rat(const Number& n, const QuolyRec* a, Quoly& r, bool add) {
    RatView y = view(a);
    // n ± r/s = (n s ± r) / s, already in lowest terms.
    Number t, s;
    fast_mult(n, *y.q, t);
    add ? summ(t, *y.p, s) : diff(t, *y.p, s);
    Number q;
    num_assign(*y.q, q);
    r = make_rational(std::move(s), std::move(q));
}

void mult_numb_rat(const Number& n, const QuolyRec* a, Quoly& r) {
    RatView y = view(a);
    if (num_is_zero(n)) {
        quoly_set(0, r);
        return;
    }
    Number g, ng, sg, p;
    num_gcd(n, *y.q, g);
    exact_div(n, g, ng);
    exact_div(*y.q, g, sg);
    fast_mult(ng, *y.p, p);
    r = make_rational(std::move(p), std::move(sg));
}

void mult_rats(const QuolyRec* a, const QuolyRec* b, Quoly& r) {
    RatView x = view(a), y = view(b);
    if (!x.q && !y.q) {
        Number p;
        fast_mult(*x.p, *y.p, p);
        r = make_numeric(std::move(p));
        return;
    }
    if (!x.q) return mult_numb_rat(*x.p, b, r);
    if (!y.q) return mult_numb_rat(*y.p, a, r);
    // (p/g1)(r/g2) / ((q/g2)(s/g1)) with g1 = gcd(p, s), g2 = gcd(r, q).
    Number g1, g2, p1, r2, q2, s1, num, den;
    num_gcd(*x.p, *y.q, g1);
    num_gcd(*y.p, *x.q, g2);
    exact_div(*x.p, g1, p1);
    exact_div(*y.q, g1, s1);
    exact_div(*y.p, g2, r2);
    exact_div(*x.q, g2, q2);
    fast_mult(p1, r2, num);
    fast_mult(q2, s1, den);
    r = make_rational(std::move(num), std::move(den));
}

namespace {

// The reciprocal of an integer or rational number (nonzero).
Quoly rat_reciprocal(const QuolyRec* b) {
    RatView y = view(b);
    Number p, q;
    if (!y.q) {
        setvalue(1, p);
        num_assign(*y.p, q);
    } else {
        num_assign(*y.q, p);
        num_assign(*y.p, q);
    }
    return make_rational(std::move(p), std::move(q));
}

}  // namespace

void quot_rats(const QuolyRec* a, const QuolyRec* b, Quoly& r) {
    if (b->numflag && num_is_zero(b->num)) {
        // Demoted to a warning at a nested command level: quotient 0.
        error(22, "/");
        quoly_set(0, r);
        return;
    }
    if (a->numflag && b->numflag) return quot_numbers(a->num, b->num, r);
    Quoly inv = rat_reciprocal(b);
    mult_rats(a, inv.get(), r);
}

}  // namespace tolmex
