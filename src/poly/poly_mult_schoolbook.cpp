// Schoolbook products: scaling by a number, the rows of the general
// product, and the modular one-variable rows.
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_internal.h"
#include "poly/poly_modout.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_mult_methods.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

using namespace polyimpl;

namespace polyimpl {

PolyNode* scale_poly(const Number& x, const PolyNode* p) {
    return map_numbers(p, [&](const Number& c, Number& r) {
        fast_mult(x, c, r);
        return !num_is_zero(r);
    });
}

namespace {

// One row of the general product: the term t times the whole of b; null
// when every product vanished.
PolyNode* product_row(const PolyNode* t, const PolyNode* b, PolyVar* var) {
    if (t->isnum) return scale_poly(t->num, b);
    Poly head;
    PolyNode** tail = &head.raw();
    PolyVar* below = deeper(var);
    for (const PolyNode* n = b; n; n = n->next) {
        Poly c;
        if (n->isnum) {
            PolyNode* s = scale_poly(n->num, t->sub);
            if (!s) continue;
            c.reset(s);
        } else {
            poly_mult(t->sub, n->sub, c, below);
            if (poly_iszero(c.get())) continue;
        }
        PolyNode* term = term_node(t->expo + (n->isnum ? 0 : n->expo), c.release());
        settle_term(term);
        *tail = term;
        tail = &term->next;
    }
    return head.release();
}

// One row of the modular one-variable product: the term t times b.
PolyNode* simplest_row(const PolyNode* t, const PolyNode* b) {
    const int32_t v = term_number(t).lint();
    Poly head;
    PolyNode** tail = &head.raw();
    for (const PolyNode* n = b; n; n = n->next) {
        const int32_t w = modmult(v, term_number(n).lint());
        if (w == 0) continue;
        Number x;
        setvalue(0, x);
        x.set_lint(w);
        const int32_t e = t->expo + n->expo;
        PolyNode* node = number_node(std::move(x));
        if (e != 0) node = term_node(e, node);
        *tail = node;
        tail = &node->next;
    }
    return head.release();
}

}  // namespace

void schoolbook_mult(const PolyNode* a, int32_t na, const PolyNode* b, int32_t nb, Poly& c,
                     PolyVar* var, ProductSurveys* surveys) {
    if (na > nb) {
        std::swap(a, b);
        std::swap(na, nb);
    }
    // The packed product spans every level: with a level from here down
    // modded out its result is reduced afterwards, level by level.
    if (packed_schoolbook(a, b, c, surveys)) {
        total_poly_modout(c, var);
        return;
    }
    Poly acc;
    for (const PolyNode* t = a; t; t = t->next) {
        poly_poll();
        Poly row(product_row(t, b, var));
        if (!row) continue;
        if (!acc)
            acc = std::move(row);
        else
            best_poly_add(std::move(acc), std::move(row), acc);
    }
    if (!acc) acc.reset(zero_node());
    mod_out_reduce(acc, var);
    c = std::move(acc);
}

void simplest_standard(const PolyNode* a, int32_t na, const PolyNode* b, int32_t nb, Poly& c) {
    if (na > nb) {
        std::swap(a, b);
        std::swap(na, nb);
    }
    Poly acc;
    for (const PolyNode* t = a; t; t = t->next) {
        poly_poll();  // long one-variable operands: rows of O(n) merges each
        Poly row(simplest_row(t, b));
        if (!row) continue;
        if (!acc)
            acc = std::move(row);
        else
            simplest_poly_add(std::move(acc), std::move(row), acc);
    }
    if (!acc) acc.reset(zero_node());
    c = std::move(acc);
}

}  // namespace polyimpl

void scalar_by_poly(const Number& x, const PolyNode* p, Poly& c) {
    if (num_is_one(x)) {
        poly_assign(p, c);
        return;
    }
    PolyNode* s = scale_poly(x, p);
    c.reset(s ? s : zero_node());
}

void number_by_poly(int32_t v, Poly& p, Poly& c, bool copy) {
    Poly work(copy ? copy_poly(p.get()) : p.release());
    PolyNode** link = &work.raw();
    while (PolyNode* n = *link) {
        Number& x = term_number(n);
        x.set_lint(modmult(v, x.lint()));
        if (x.lint() == 0) {
            *link = n->next;
            n->next = nullptr;
            free_poly(n);
            continue;
        }
        link = &n->next;
    }
    if (!work) work.reset(zero_node());
    c = std::move(work);
}

}  // namespace tolmex
