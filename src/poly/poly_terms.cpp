// Terms, coefficients and degrees with respect to one variable.
#include "poly/poly_terms.h"

#include <algorithm>

#include "base/errors.h"
#include "numbers/modular_state.h"
#include "poly/poly_arith.h"
#include "poly/poly_coefs.h"
#include "poly/poly_divide.h"

namespace tolmex {

namespace {

// The coefficient walk below level k: `depth` is the level of p's list.
PolyNode* coefficient_walk(const PolyNode* p, int depth, int k, int32_t e) {
    TermList out;
    for (const PolyNode* n = p; n; n = n->next) {
        if (depth == k) {
            if (n->isnum ? e != 0 : n->expo != e) continue;
            // The term's coefficient stands at this level as a term of
            // exponent 0 (a wrapper, or the number itself).
            if (n->isnum) {
                Number c;
                num_assign(n->num, c);
                out.append(0, std::move(c));
            } else {
                out.append(0, copy_poly(n->sub));
            }
            break;
        }
        if (n->isnum) {
            // A constant does not involve x_k.
            if (e != 0 || num_is_zero(n->num)) continue;
            Number c;
            num_assign(n->num, c);
            out.append(0, std::move(c));
            continue;
        }
        Poly sub(coefficient_walk(n->sub, depth + 1, k, e));
        if (!sub) continue;
        out.append(n->expo, sub.release());
    }
    return out.release();
}

// The list of p's main variable and its level.
const PolyNode* main_list(const PolyNode* p, int& level) {
    level = 1;
    while (!p->next && !p->isnum && p->expo == 0) {
        p = p->sub;
        ++level;
    }
    return p;
}

// p rooted at `level` wrapped back up to level 1.
void pad_to_top(PolyNode*& p, int level) {
    for (int i = 1; i < level; ++i) add_pad(p);
}

PolyNode* leading_walk(const PolyNode* p) {
    if (p->isnum) return copy_poly(p);
    return term_node(p->expo, leading_walk(p->sub));
}

int32_t degree_in(const PolyNode* p, int k) { return level_degree(p, k); }

}  // namespace

void level_coefficient(const PolyNode* p, int k, int32_t e, Poly& r) {
    PolyNode* c = coefficient_walk(p, 1, k, e);
    if (!c) poly_set(0, r);
    else r.reset(c);
}

int64_t total_degree(const PolyNode* p) {
    int64_t best = 0;
    bool first = true;
    for (const PolyNode* n = p; n; n = n->next) {
        const int64_t d = n->isnum ? 0 : n->expo + total_degree(n->sub);
        best = first ? d : std::max(best, d);
        first = false;
    }
    return best;
}

int32_t main_term_count(const PolyNode* p) {
    int level;
    return poly_length(main_list(p, level));
}

int64_t monomial_count(const PolyNode* p) {
    if (poly_iszero(p)) return 0;
    int64_t count = 0;
    poly_each_number(p, [&count](const Number&) {
        ++count;
        return true;
    });
    return count;
}

void leading_term(const PolyNode* p, Poly& r) { r.reset(leading_walk(p)); }

bool main_term(const PolyNode* p, int32_t k, Poly& r) {
    int level;
    const PolyNode* n = main_list(p, level);
    for (int32_t i = 1; n && i < k; ++i) n = n->next;
    if (k < 1 || !n || poly_iszero(p)) {
        poly_set(0, r);
        return false;
    }
    TermList t;
    if (n->isnum) {
        Number c;
        num_assign(n->num, c);
        t.append(n->expo, std::move(c));
    } else {
        t.append(n->expo, copy_poly(n->sub));
    }
    PolyNode* term = t.release();
    pad_to_top(term, level);
    r.reset(term);
    return true;
}

void unwrap_main(const PolyNode* p, Poly& inner, int& level) {
    inner.reset(copy_poly(main_list(p, level)));
}

void wrap_to_top(Poly& p, int level) { pad_to_top(p.raw(), level); }

void times_level_power(const PolyNode* p, int k, int32_t e, Poly& r) {
    Poly x;
    variable_power(x, k, e);
    poly_mult(p, x.get(), r, nullptr);
}

void level_remainder(const PolyNode* a, const PolyNode* b, int k, Poly& r, bool pseudo) {
    if (poly_iszero(b)) fail(22, "Rem");
    const int32_t m = degree_in(b, k);
    Poly lc;
    level_coefficient(b, k, m, lc);
    Poly rem(copy_poly(a));
    if (m == 0 && !poly_involves_level(b, k)) {
        // Every poly is a multiple of b in x_k (pseudo-division included).
        poly_set(0, r);
        return;
    }
    const bool invertible = !pseudo && lintmode && modularmode && (mod_is_prime || finf) && poly_is_const(lc.get());
    Number inverse;
    if (invertible) quot(number_1, poly_constant(lc.get()), inverse);
    int32_t steps = std::max(0, degree_in(a, k) - m + 1);
    while (!poly_iszero(rem.get()) && poly_involves_level(rem.get(), k) && degree_in(rem.get(), k) >= m) {
        poll_interrupt();
        const int32_t d = degree_in(rem.get(), k);
        Poly lead, shifted, product;
        level_coefficient(rem.get(), k, d, lead);
        if (invertible) {
            Poly scaled;
            scalar_by_poly(inverse, lead.get(), scaled);
            lead = std::move(scaled);
        } else {
            Poly scaled;
            poly_mult(lc.get(), rem.get(), scaled, nullptr);
            rem = std::move(scaled);
            --steps;
        }
        times_level_power(b, k, d - m, shifted);
        poly_mult(lead.get(), shifted.get(), product, nullptr);
        better_poly_sub(std::move(rem), product.get(), rem);
    }
    if (!invertible && steps > 0) {
        Poly factor, scaled;
        poly_power(lc.get(), steps, factor, nullptr);
        poly_mult(factor.get(), rem.get(), scaled, nullptr);
        rem = std::move(scaled);
    }
    r = std::move(rem);
}

}  // namespace tolmex
