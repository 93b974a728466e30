// Helpers shared by the polynomial algorithms of src/poly. Nothing outside
// src/poly includes this header.
#pragma once

#include <cstdint>

#include "base/errors.h"
#include "poly/poly.h"

namespace tolmex {
struct PolyVar;
}

namespace tolmex::polyimpl {

// A fresh number node holding v (respects lintmode).
PolyNode* const_node(int32_t v);
inline PolyNode* zero_node() { return const_node(0); }
// A fresh number node holding a copy of x.
PolyNode* copy_number_node(const Number& x);

// e as an exponent; error 376 when it leaves the 32-bit range.
int32_t checked_expo(int64_t e);

// A term of exponent 0 whose coefficient is a single number node becomes
// that number node.
inline void settle_term(PolyNode* n) {
    if (!n->isnum && n->expo == 0 && poly_is_const(n->sub)) remove_dummy(n);
}

// A copy of p with every number coefficient c replaced by f(c, r): f writes
// the new coefficient into r and returns false to drop the term (its
// coefficient became 0). A term whose sub-poly lost every term is dropped
// too; null when nothing is left.
template <class F>
PolyNode* map_numbers(const PolyNode* p, F&& f) {
    Poly head;
    PolyNode** tail = &head.raw();
    for (const PolyNode* n = p; n; n = n->next) {
        PolyNode* t;
        if (n->isnum) {
            Number r;
            if (!f(n->num, r)) continue;
            t = number_node(std::move(r));
        } else {
            PolyNode* s = map_numbers(n->sub, f);
            if (!s) continue;
            t = term_node(n->expo, s);
            settle_term(t);
        }
        *tail = t;
        tail = &t->next;
    }
    return head.release();
}

// p := p * x^s for the main variable of p (s of either sign; exponents are
// known to stay in range): a number node receives a wrapper node, a term
// whose exponent becomes 0 over a constant becomes a number node. The zero
// poly is left alone.
void shift_exponents(PolyNode*& p, int32_t s);

// The variable record one level deeper (null stays null).
inline PolyVar* deeper(PolyVar* var);

// The last node of the top list.
inline const PolyNode* last_node(const PolyNode* p) {
    while (p->next) p = p->next;
    return p;
}

// The top list has a negative exponent (a Laurent poly): its last term,
// which has the lowest exponent, does. The dense and packed methods index
// arrays by exponent and are bypassed for such polys.
inline bool low_negative(const PolyNode* p) { return last_node(p)->expo < 0; }

// Every coefficient of the top list is a constant.
inline bool top_coefficients_constant(const PolyNode* p) {
    for (; p; p = p->next)
        if (!p->isnum && !poly_is_const(p->sub)) return false;
    return true;
}

// The number of a term of a one-variable poly (a number node, or a term over
// a single number node).
inline const Number& term_number(const PolyNode* n) { return n->isnum ? n->num : n->sub->num; }
inline Number& term_number(PolyNode* n) { return n->isnum ? n->num : n->sub->num; }

// The smallest and largest exponents met anywhere in p.
void exponent_range(const PolyNode* p, int32_t& lo, int32_t& hi);

// Residue powers without the exponent reduction of mod_number_power (which
// is meant for prime moduli and nonzero bases): a^e for e >= 0.
int32_t lint_power(int32_t a, int64_t e);

// Error 375 before the work when p^n (n >= 2, p not constant) could not fit
// in memory even by a lower bound of its size (poly_power_room.cpp).
void require_power_room(const PolyNode* p, int64_t n);

}  // namespace tolmex::polyimpl

#include "poly/polyvars.h"

namespace tolmex::polyimpl {
inline PolyVar* deeper(PolyVar* var) { return var ? var->next : nullptr; }
}  // namespace tolmex::polyimpl
