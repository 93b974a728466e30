#include "poly/poly.h"

#include <cstdlib>

#include "numbers/display_settings.h"
#include "numbers/mul_div.h"
#include "poly/poly_settings.h"
#include "numbers/modular_state.h"
#include "storage/accounting.h"
#include "storage/free_lists.h"
#include "storage/stash.h"

namespace tolmex {

PolyNode* newpoly() { return pool_alloc<PolyNode>(polygarb, polystash); }

void prefill_poly_nodes(int count) {
    // Slugs of the poly stash, so that "&_G" can give them back (records
    // made on the heap would make its count of used slugs go negative).
    for (int i = 0; i < count; ++i) {
        void* node = get_slug(polystash);
        if (!node) storage_exhausted();
        polygarb.push(node);
    }
}

namespace {

// Frees the coefficients of the top list and returns its last node.
PolyNode* free_coefficients(PolyNode* p) noexcept {
    PolyNode* last = p;
    for (PolyNode* n = p; n; n = n->next) {
        if (n->isnum) {
            n->num.reset();
        } else if (PolyNode* s = n->sub; poly_is_const(s)) {
            // A constant coefficient (every term of a one-variable poly).
            s->num.reset();
            polygarb.push(s);
        } else {
            free_poly(n->sub);
        }
        last = n;
    }
    return last;
}

}  // namespace

void free_poly(PolyNode*& p) noexcept {
    if (!p) return;
    PolyNode* last = free_coefficients(p);
    polygarb.splice(p, last);
    p = nullptr;
}

void remove_dummy(PolyNode* n) {
    PolyNode* single = n->sub;
    new (&n->num) Number(std::move(single->num));
    n->isnum = 1;
    single->next = nullptr;
    polygarb.push(single);
}

PolyNode* number_node(Number&& x) {
    PolyNode* n = newpoly();
    n->next = nullptr;
    n->expo = 0;
    n->isnum = 1;
    new (&n->num) Number(std::move(x));
    return n;
}

PolyNode* term_node(int32_t e, PolyNode* c, PolyNode* next) {
    PolyNode* n = newpoly();
    n->next = next;
    n->expo = e;
    n->isnum = 0;
    n->sub = c;
    return n;
}

bool num_is_zero(const Number& x) {
    if (lintmode) return x.lint() == 0;
    return spec_is_longint(x, 0);
}

bool num_is_one(const Number& x) {
    if (lintmode) return x.lint() == 1;
    return spec_is_longint(x, 1);
}

bool num_is_minus_one(const Number& x) {
    if (lintmode) {
        if (modularmode) return finf ? x.lint() == 1 : x.lint() == modulus - 1;
        return x.lint() == -1;
    }
    return spec_is_longint(x, -1);
}

int num_display_sign(const Number& x) {
    if (lintmode) {
        int32_t v = x.lint();
        if (modularmode && alt_form_display && v > half_modulus) return -1;
        return (v > 0) - (v < 0);
    }
    return x.sign();
}

// ---------------------------------------------------------------------------

void poly_set(int32_t v, Poly& p) {
    Number x;
    setvalue(v, x);
    p.reset(number_node(std::move(x)));
}

void scalar_to_poly(Number&& x, Poly& p) { p.reset(number_node(std::move(x))); }

PolyNode* copy_poly(const PolyNode* src) {
    if (!src) return nullptr;
    Poly head;
    PolyNode** tail = &head.raw();
    for (const PolyNode* n = src; n; n = n->next) {
        PolyNode* c;
        if (n->isnum) {
            Number x;
            num_assign(n->num, x);
            c = number_node(std::move(x));
        } else {
            c = term_node(n->expo, nullptr);
            *tail = c;  // owned by head from here on, so a failure frees it
            tail = &c->next;
            c->sub = copy_poly(n->sub);
            continue;
        }
        *tail = c;
        tail = &c->next;
    }
    return head.release();
}

void poly_assign(const PolyNode* src, Poly& p) { p.reset(copy_poly(src)); }

void base_poly(Poly& p, int k) { variable_power(p, k, 1); }

void variable_power(Poly& p, int k, int32_t e) {
    Poly one;
    poly_set(1, one);
    if (e == 0) {
        p = std::move(one);
        return;
    }
    PolyNode* q = term_node(e, one.release());
    for (int i = 1; i < k; ++i) q = term_node(0, q);
    p.reset(q);
}

void poly_inplace(PolyNode* p) {
    for (PolyNode* n = p; n; n = n->next) {
        if (n->isnum)
            in_place_neg(n->num);
        else
            poly_inplace(n->sub);
    }
}

void poly_makeneg(const PolyNode* p, Poly& q) {
    Poly r(copy_poly(p));
    poly_inplace(r.get());
    q = std::move(r);
}

void add_pad(PolyNode*& p) {
    if (!p || poly_is_const(p)) return;
    p = term_node(0, p);
}

// ---------------------------------------------------------------------------

bool poly_iszero(const PolyNode* p) { return poly_is_const(p) && num_is_zero(p->num); }

bool poly_eq_1(const PolyNode* p) { return poly_is_const(p) && num_is_one(p->num); }

bool poly_eq_m1(const PolyNode* p) { return poly_is_const(p) && num_is_minus_one(p->num); }

bool poly_eq_pm1(const PolyNode* p) { return poly_eq_1(p) || poly_eq_m1(p); }

bool poly_small(const PolyNode* p) {
    while (p && !p->isnum && !p->next && p->expo == 0) p = p->sub;
    if (!p) return false;
    if (poly_is_const(p)) return true;
    return !p->next && !p->isnum && poly_eq_pm1(p->sub);
}

bool monomial(const PolyNode* p) {
    while (p && !p->next) {
        if (p->isnum) return true;
        p = p->sub;
    }
    return false;
}

bool poly_equal(const PolyNode* p, const PolyNode* q) {
    for (; p && q; p = p->next, q = q->next) {
        if (p->isnum != q->isnum) return false;
        if (p->isnum) {
            if (!equal(p->num, q->num)) return false;
        } else if (p->expo != q->expo || !poly_equal(p->sub, q->sub)) {
            return false;
        }
    }
    return p == nullptr && q == nullptr;
}

bool height_is_1(const PolyNode* p) {
    for (const PolyNode* n = p; n; n = n->next)
        if (!n->isnum && !poly_is_const(n->sub)) return false;
    return true;
}

// ---------------------------------------------------------------------------

namespace {

int level_walk(const PolyNode* p, int constant) {
    if (p->isnum && !p->next) return constant;
    int level = 1;
    while (!p->next && !p->isnum && p->expo == 0) {
        p = p->sub;
        ++level;
    }
    return level;
}

}  // namespace

int poly_level(const PolyNode* p) { return level_walk(p, 0); }

int poly_depth(const PolyNode* p) { return level_walk(p, 0x4000); }

const PolyNode* leading_coef(const PolyNode* p) {
    while (!p->isnum) p = p->sub;
    return p;
}

namespace {

constexpr int64_t kMassCap = 0x1FFFFFE;

int64_t mass(const PolyNode* p, int64_t f, int64_t g) {
    int64_t total = 0;
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum) {
            total += lintmode ? 1 : n->num.size();
        } else if (n->expo != 0) {
            int64_t sub = mass(n->sub, 1, g + 1);
            int64_t e = std::llabs(n->expo);
            if (sub >= kMassCap || e * g > kMassCap || e * g * f > kMassCap / (sub ? sub : 1))
                return kMassCap;
            total += e * g * f * sub;
        } else {
            total += mass(n->sub, f, g);
        }
        if (total >= kMassCap) return kMassCap;
        f = 1;
    }
    return total;
}

// The total degree of a monomial chain.
int64_t chain_height(const PolyNode* p) {
    int64_t h = 0;
    for (; p && !p->isnum; p = p->sub) h += std::llabs(p->expo);
    return h;
}

}  // namespace

int32_t poly_mass(const PolyNode* p, int32_t f, int32_t g) {
    if (laurent && monomial(p)) {
        int64_t m = chain_height(p) + poly_depth(p);
        return static_cast<int32_t>(m < kMassCap ? m : kMassCap);
    }
    return static_cast<int32_t>(mass(p, f, g));
}

}  // namespace tolmex
