// Addition and subtraction of polys by merging the term lists, larger
// exponent first. The consuming forms reuse the operands' nodes; the plain
// and better_ forms copy what they take from an operand they must leave
// intact.
#include "poly/poly_arith.h"
#include "poly/poly_internal.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

using namespace polyimpl;

namespace {

// Frees one node (and its coefficient) that has been unlinked.
inline void drop_node(PolyNode* n) {
    n->next = nullptr;
    free_poly(n);
}

// Appends n to the list being built at *tail.
inline void append(PolyNode**& tail, PolyNode* n) {
    *tail = n;
    tail = &n->next;
}

// Finishes a list: an empty one becomes the constant 0.
inline PolyNode* finish(PolyNode* head, PolyNode** tail) {
    *tail = nullptr;
    return head ? head : zero_node();
}

PolyNode* add_consume(PolyNode* a, PolyNode* b);

// The zero poly: a single number node holding 0.
inline bool is_zero_poly_node(const PolyNode* n) {
    return n->isnum && !n->next && num_is_zero(n->num);
}

// The sum of two unlinked term nodes of equal exponent, both consumed; null
// when the sum is 0.
PolyNode* add_terms(PolyNode* a, PolyNode* b) {
    if (a->isnum && b->isnum) {
        fastsum(a->num, b->num);
        drop_node(b);
        if (num_is_zero(a->num)) {
            drop_node(a);
            return nullptr;
        }
        return a;
    }
    if (a->isnum) std::swap(a, b);  // a holds the poly coefficient
    PolyNode* rhs;
    if (b->isnum) {
        // The number goes into the constant term of a's coefficient.
        rhs = b;
    } else {
        rhs = b->sub;
        b->isnum = 1;
        new (&b->num) Number();
        drop_node(b);
    }
    a->sub = add_consume(a->sub, rhs);
    if (poly_iszero(a->sub)) {
        drop_node(a);
        return nullptr;
    }
    settle_term(a);
    return a;
}

// a + b, consuming both.
PolyNode* add_consume(PolyNode* a, PolyNode* b) {
    PolyNode* head = nullptr;
    PolyNode** tail = &head;
    while (a && b) {
        PolyNode* t;
        if (a->expo > b->expo) {
            t = a;
            a = a->next;
        } else if (b->expo > a->expo) {
            t = b;
            b = b->next;
        } else {
            PolyNode* an = a->next;
            PolyNode* bn = b->next;
            a->next = b->next = nullptr;
            t = add_terms(a, b);
            a = an;
            b = bn;
            if (!t) continue;
        }
        if (t->isnum && num_is_zero(t->num)) {
            drop_node(t);
            continue;
        }
        append(tail, t);
    }
    // The rest of a normalised list holds no zero number node unless it is
    // the zero poly itself: splice it on whole.
    if (PolyNode* rest = a ? a : b) {
        if (!is_zero_poly_node(rest)) {
            *tail = rest;
            return head;
        }
        drop_node(rest);
    }
    return finish(head, tail);
}

// A copy of the term node n (its coefficient negated when neg), unlinked.
PolyNode* copy_term(const PolyNode* n, bool neg) {
    PolyNode* c;
    if (n->isnum) {
        Number x;
        if (neg)
            makeneg(n->num, x);
        else
            num_assign(n->num, x);
        c = number_node(std::move(x));
    } else {
        c = term_node(n->expo, copy_poly(n->sub));
        if (neg) poly_inplace(c->sub);
    }
    return c;
}

// p := p + x (or p - x when neg) for a number x: into p's constant term.
void add_number_into(PolyNode*& p, const Number& x, bool neg) {
    PolyNode** link = &p;
    while (*link && (*link)->expo > 0) link = &(*link)->next;
    PolyNode* n = *link;
    if (n && n->expo == 0) {
        if (n->isnum) {
            if (neg)
                fastdiff(n->num, x);
            else
                fastsum(n->num, x);
            if (num_is_zero(n->num)) {
                *link = n->next;
                drop_node(n);
            }
        } else {
            add_number_into(n->sub, x, neg);
            if (poly_iszero(n->sub)) {
                *link = n->next;
                drop_node(n);
            } else {
                settle_term(n);
            }
        }
    } else {
        Number y;
        if (neg)
            makeneg(x, y);
        else
            num_assign(x, y);
        if (num_is_zero(y)) return;
        PolyNode* c = number_node(std::move(y));
        c->next = n;
        *link = c;
    }
    if (!p) p = zero_node();
}

// a + b (a - b when neg), consuming a and copying from b.
PolyNode* add_copy(PolyNode* a, const PolyNode* b, bool neg) {
    PolyNode* head = nullptr;
    PolyNode** tail = &head;
    while (a && b) {
        PolyNode* t;
        if (a->expo > b->expo) {
            t = a;
            a = a->next;
        } else if (b->expo > a->expo) {
            if (b->isnum && num_is_zero(b->num)) {
                b = b->next;
                continue;
            }
            t = copy_term(b, neg);
            b = b->next;
        } else {
            t = a;
            a = a->next;
            t->next = nullptr;
            if (t->isnum && b->isnum) {
                if (neg)
                    fastdiff(t->num, b->num);
                else
                    fastsum(t->num, b->num);
            } else if (b->isnum) {
                add_number_into(t->sub, b->num, neg);
            } else if (t->isnum) {
                // The number of a goes into a copy of b's coefficient.
                PolyNode* s = copy_poly(b->sub);
                if (neg) poly_inplace(s);
                t = term_node(b->expo, add_consume(s, t));
            } else {
                t->sub = add_copy(t->sub, b->sub, neg);
            }
            b = b->next;
            if (!t->isnum) {
                if (poly_iszero(t->sub)) {
                    drop_node(t);
                    continue;
                }
                settle_term(t);
            }
        }
        if (t->isnum && num_is_zero(t->num)) {
            drop_node(t);
            continue;
        }
        append(tail, t);
    }
    if (a) {
        if (!is_zero_poly_node(a)) {
            *tail = a;
            return head;
        }
        drop_node(a);
    }
    for (; b; b = b->next) {
        if (b->isnum && num_is_zero(b->num)) continue;
        append(tail, copy_term(b, neg));
    }
    return finish(head, tail);
}

// Modular one-variable merge, consuming both: a + b, or a - b when neg.
PolyNode* simplest_merge(PolyNode* a, PolyNode* b, bool neg) {
    PolyNode* head = nullptr;
    PolyNode** tail = &head;
    while (a && b) {
        PolyNode* t;
        if (a->expo > b->expo) {
            t = a;
            a = a->next;
        } else if (b->expo > a->expo) {
            t = b;
            b = b->next;
            if (neg) in_place_neg(term_number(t));
        } else {
            t = a;
            a = a->next;
            PolyNode* u = b;
            b = b->next;
            Number& x = term_number(t);
            const int32_t v = term_number(u).lint();
            x.set_lint(neg ? mod_sub(x.lint(), v, modulus) : mod_add(x.lint(), v, modulus));
            drop_node(u);
        }
        if (term_number(t).lint() == 0) {
            drop_node(t);
            continue;
        }
        append(tail, t);
    }
    if (a) {
        if (a->next || term_number(a).lint() != 0) {
            *tail = a;
            return head;
        }
        drop_node(a);
    }
    for (; b;) {
        PolyNode* nx = b->next;
        if (term_number(b).lint() == 0) {
            drop_node(b);
        } else {
            if (neg) in_place_neg(term_number(b));
            append(tail, b);
        }
        b = nx;
    }
    return finish(head, tail);
}

}  // namespace

void best_poly_add(Poly&& a, Poly&& b, Poly& c) {
    PolyNode* pa = a.release();
    PolyNode* pb = b.release();
    c.reset(add_consume(pa, pb));
}

void best_poly_sub(Poly&& a, Poly&& b, Poly& c) {
    poly_inplace(b.get());
    best_poly_add(std::move(a), std::move(b), c);
}

void better_poly_add(Poly&& a, const PolyNode* b, Poly& c) {
    if (a.get() == b) {
        // The second operand is the first: add a copy.
        Poly bb(copy_poly(b));
        best_poly_add(std::move(a), std::move(bb), c);
        return;
    }
    PolyNode* pa = a.release();
    c.reset(add_copy(pa, b, false));
}

void better_poly_sub(Poly&& a, const PolyNode* b, Poly& c) {
    if (a.get() == b) {
        Poly bb(copy_poly(b));
        best_poly_sub(std::move(a), std::move(bb), c);
        return;
    }
    PolyNode* pa = a.release();
    c.reset(add_copy(pa, b, true));
}

void poly_add(const PolyNode* a, const PolyNode* b, Poly& c) {
    Poly aa(copy_poly(a));
    PolyNode* pa = aa.release();
    c.reset(add_copy(pa, b, false));
}

void poly_sub(const PolyNode* a, const PolyNode* b, Poly& c) {
    Poly aa(copy_poly(a));
    PolyNode* pa = aa.release();
    c.reset(add_copy(pa, b, true));
}

void simplest_poly_add(Poly&& a, Poly&& b, Poly& c) {
    PolyNode* pa = a.release();
    PolyNode* pb = b.release();
    c.reset(simplest_merge(pa, pb, false));
}

void simplest_poly_sub(Poly&& a, Poly&& b, Poly& c) {
    PolyNode* pa = a.release();
    PolyNode* pb = b.release();
    c.reset(simplest_merge(pa, pb, true));
}

}  // namespace tolmex
