// Powers of polys: the four rules of compute_power, the p-th-power
// shortcut of characteristic p, the exponent of the power operator, and the
// standard form of residues.

#include "base/errors.h"
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_internal.h"
#include "poly/poly_modout.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

using namespace polyimpl;

namespace {

// x := x^n for a number x, n >= 1: residues and machine words by lint
// arithmetic, big integers by repeated squaring from the top bit.
void number_power(Number& x, int64_t n) {
    if (lintmode) {
        x.set_lint(lint_power(x.lint(), n));
        return;
    }
    require_power_digits(x, n);
    Number base;
    num_assign(x, base);
    int bit = 63 - __builtin_clzll(static_cast<uint64_t>(n));
    while (--bit >= 0) {
        fast_mult(x, x, x);
        if (n >> bit & 1) fast_mult(x, base, x);
    }
}

// Error 376 unless every exponent of p times n stays in the 32-bit range.
void check_power_exponents(const PolyNode* p, int64_t n) {
    int32_t lo = 0, hi = 0;
    exponent_range(p, lo, hi);
    checked_expo(int64_t{hi} * n);
    checked_expo(int64_t{lo} * n);
}

// Every exponent of p, at every level, multiplied by m (the exponents are
// known to stay in range).
void multiply_exponents(PolyNode* p, int64_t m) {
    for (; p; p = p->next) {
        if (p->isnum) continue;
        p->expo = static_cast<int32_t>(p->expo * m);
        multiply_exponents(p->sub, m);
    }
}

// The first list of p (following single non-number nodes down) that has two
// or more nodes holds a node whose coefficient is not a constant.
bool branching_list_has_poly_coef(const PolyNode* p) {
    while (p && !p->next && !p->isnum) p = p->sub;
    if (!p || !p->next) return false;
    for (; p; p = p->next)
        if (!p->isnum && !poly_is_const(p->sub)) return true;
    return false;
}

void binary_power(Poly& p, int64_t n, PolyVar* var) {
    Poly base(copy_poly(p.get()));
    int bit = 63 - __builtin_clzll(static_cast<uint64_t>(n));
    while (--bit >= 0) {
        poly_poll();
        poly_mult(p.get(), p.get(), p, var);
        if (n >> bit & 1) poly_mult(p.get(), base.get(), p, var);
    }
}

void repeated_products(Poly& p, int64_t n, PolyVar* var) {
    Poly base(copy_poly(p.get()));
    for (int64_t i = 1; i < n; ++i) {
        poly_poll();
        poly_mult(p.get(), base.get(), p, var);
    }
}

void power_rules(Poly& p, int64_t n, PolyVar* var);

}  // namespace

void poly_mod_prime(Poly& p, int64_t n, PolyVar* var) {
    if (n <= 1) return;
    const int64_t m = modulus;
    if (n < m) {
        power_rules(p, n, var);
        return;
    }
    const int64_t r = n % m;
    Poly f;
    if (r > 0) poly_assign(p.get(), f);
    // p^n = (p^(n div m))^m * p^r, and g^m is g with its exponents times m.
    poly_mod_prime(p, n / m, var);
    multiply_exponents(p.get(), m);
    total_poly_modout(p, var);
    if (r > 0) {
        power_rules(f, r, var);
        poly_mult(p.get(), f.get(), p, var);
    }
}

namespace {

void power_rules(Poly& p, int64_t n, PolyVar* var) {
    if (n <= 1) return;
    if (number_polys >= 2 && !pseudo_polynames && branching_list_has_poly_coef(p.get())) {
        repeated_products(p, n, var);
        return;
    }
    binary_power(p, n, var);
}

}  // namespace

void compute_power(Poly& p, int32_t n, PolyVar* var) {
    if (n <= 1) return;
    const bool prime_field = modularmode && mod_is_prime;
    if (poly_is_const(p.get())) {
        int64_t e = n;
        if (prime_field) {
            e %= int64_t{modulus} - 1;
            if (e == 0) {
                if (!num_is_zero(p.get()->num)) poly_set(1, p);
                return;
            }
        }
        number_power(p.get()->num, e);
        return;
    }
    check_power_exponents(p.get(), n);
    require_power_room(p.get(), n);
    if (prime_field && n >= modulus &&
        (!pseudo_polynames || modulus <= kPthPowerPseudoModulus)) {
        poly_mod_prime(p, n, var);
        return;
    }
    power_rules(p, n, var);
}

void poly_power(const PolyNode* p, int32_t n, Poly& r, PolyVar* var) {
    if (n <= 0) {
        poly_set(1, r);
        return;
    }
    Poly q(copy_poly(p));
    compute_power(q, n, var);
    r = std::move(q);
}

}  // namespace tolmex
