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

// The merge of the term list a (consumed) with the terms of B, larger
// exponent first. A term only in a is kept as it is; the policy M says what
// becomes of the rest:
//  * only_b(b): the result term for the term at b (null: none), advancing b;
//  * both(t, b): the term t of a (unlinked) combined with the term at b of
//    equal exponent (null: the sum vanished), advancing b;
//  * vanished(t): t is a zero term to drop;
//  * a_is_zero(a): the rest of a is the zero poly (dropped);
//  * rest_b(b, tail): appends what is left of b; true when it spliced b on
//    whole (the list is complete).
template <class B, class M>
PolyNode* merge(PolyNode* a, B b, M& m) {
    PolyNode* head = nullptr;
    PolyNode** tail = &head;
    while (a && b) {
        PolyNode* t;
        if (a->expo > b->expo) {
            t = a;
            a = a->next;
        } else if (b->expo > a->expo) {
            t = m.only_b(b);
        } else {
            t = a;
            a = a->next;
            t->next = nullptr;
            t = m.both(t, b);
        }
        if (!t) continue;
        if (m.vanished(t)) {
            drop_node(t);
            continue;
        }
        append(tail, t);
    }
    // The rest of a normalised list holds no zero term unless it is the
    // zero poly itself: spliced on whole.
    if (a) {
        if (!m.a_is_zero(a)) {
            *tail = a;
            return head;
        }
        drop_node(a);
    }
    if (m.rest_b(b, tail)) return head;
    return finish(head, tail);
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

// Policy of a + b consuming both.
struct ConsumeMerge {
    static PolyNode* only_b(PolyNode*& b) {
        PolyNode* t = b;
        b = b->next;
        return t;
    }
    static PolyNode* both(PolyNode* t, PolyNode*& b) {
        PolyNode* u = b;
        b = b->next;
        u->next = nullptr;
        return add_terms(t, u);
    }
    static bool vanished(const PolyNode* t) { return t->isnum && num_is_zero(t->num); }
    static bool a_is_zero(const PolyNode* a) { return is_zero_poly_node(a); }
    static bool rest_b(PolyNode* b, PolyNode**& tail) {
        if (!b) return false;
        if (!is_zero_poly_node(b)) {
            *tail = b;
            return true;
        }
        drop_node(b);
        return false;
    }
};

// a + b, consuming both.
PolyNode* add_consume(PolyNode* a, PolyNode* b) {
    ConsumeMerge m;
    return merge(a, b, m);
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

PolyNode* add_copy(PolyNode* a, const PolyNode* b, bool neg);

// Policy of a + b (a - b when neg) consuming a and copying from b.
struct CopyMerge {
    bool neg;
    PolyNode* only_b(const PolyNode*& b) const {
        const PolyNode* n = b;
        b = b->next;
        return n->isnum && num_is_zero(n->num) ? nullptr : copy_term(n, neg);
    }
    PolyNode* both(PolyNode* t, const PolyNode*& b) const {
        const PolyNode* n = b;
        b = b->next;
        if (t->isnum && n->isnum) {
            if (neg)
                fastdiff(t->num, n->num);
            else
                fastsum(t->num, n->num);
        } else if (n->isnum) {
            add_number_into(t->sub, n->num, neg);
        } else if (t->isnum) {
            // The number of a goes into a copy of b's coefficient.
            PolyNode* s = copy_poly(n->sub);
            if (neg) poly_inplace(s);
            t = term_node(n->expo, add_consume(s, t));
        } else {
            t->sub = add_copy(t->sub, n->sub, neg);
        }
        if (!t->isnum) {
            if (poly_iszero(t->sub)) {
                drop_node(t);
                return nullptr;
            }
            settle_term(t);
        }
        return t;
    }
    static bool vanished(const PolyNode* t) { return t->isnum && num_is_zero(t->num); }
    static bool a_is_zero(const PolyNode* a) { return is_zero_poly_node(a); }
    bool rest_b(const PolyNode* b, PolyNode**& tail) const {
        for (; b; b = b->next) {
            if (b->isnum && num_is_zero(b->num)) continue;
            append(tail, copy_term(b, neg));
        }
        return false;
    }
};

// a + b (a - b when neg), consuming a and copying from b.
PolyNode* add_copy(PolyNode* a, const PolyNode* b, bool neg) {
    CopyMerge m{neg};
    return merge(a, b, m);
}

// Policy of the modular one-variable merge, consuming both: a + b, or a - b
// when neg.
struct ModularMerge {
    bool neg;
    PolyNode* only_b(PolyNode*& b) const {
        PolyNode* t = b;
        b = b->next;
        if (neg) in_place_neg(term_number(t));
        return t;
    }
    PolyNode* both(PolyNode* t, PolyNode*& b) const {
        PolyNode* u = b;
        b = b->next;
        Number& x = term_number(t);
        const int32_t v = term_number(u).lint();
        x.set_lint(neg ? mod_sub(x.lint(), v, modulus) : mod_add(x.lint(), v, modulus));
        drop_node(u);
        return t;
    }
    static bool vanished(const PolyNode* t) { return term_number(t).lint() == 0; }
    static bool a_is_zero(const PolyNode* a) { return !a->next && term_number(a).lint() == 0; }
    bool rest_b(PolyNode* b, PolyNode**& tail) const {
        while (b) {
            PolyNode* nx = b->next;
            if (term_number(b).lint() == 0) {
                drop_node(b);
            } else {
                if (neg) in_place_neg(term_number(b));
                append(tail, b);
            }
            b = nx;
        }
        return false;
    }
};

PolyNode* simplest_merge(PolyNode* a, PolyNode* b, bool neg) {
    ModularMerge m{neg};
    return merge(a, b, m);
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

}  // namespace tolmex
