// Shapes and sizes of polys for the GCD code (see poly_gcd_support.h).
#include "poly/poly_gcd_support.h"

#include <cstdlib>

#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "poly/poly_internal.h"

namespace tolmex {

using namespace polyimpl;

int32_t poly_degree(const PolyNode* p) { return p->isnum ? 0 : p->expo; }

int32_t poly_low_degree(const PolyNode* p) {
    const PolyNode* n = last_node(p);
    return n->isnum ? 0 : n->expo;
}

const PolyNode* poly_unwrap(const PolyNode* p) {
    if (p->isnum || p->next || p->expo != 0) return nullptr;
    return p->sub;
}

std::vector<Poly> poly_main_coefficients(const PolyNode* p) {
    std::vector<Poly> out;
    for (const PolyNode* n = p; n; n = n->next)
        out.emplace_back(n->isnum ? copy_number_node(n->num) : copy_poly(n->sub));
    return out;
}

PolyNode* poly_main_lead(const PolyNode* p) {
    return p->isnum ? copy_number_node(p->num) : copy_poly(p->sub);
}

void poly_shift_main(PolyNode*& p, int32_t s) { shift_exponents(p, s); }

int32_t poly_exponent_step(const PolyNode* p, int32_t d) {
    for (const PolyNode* n = p; n && d != 1; n = n->next) {
        const int32_t e = n->isnum ? 0 : n->expo;
        const int32_t next = n->next ? (n->next->isnum ? 0 : n->next->expo) : 0;
        const int32_t gap = e - next;
        if (gap != 0) d = d == 0 ? gap : smallgcd(d, gap);
    }
    return d < 0 ? -d : d;
}

void poly_scale_main(PolyNode* p, int32_t d, bool up) {
    for (PolyNode* n = p; n; n = n->next)
        if (!n->isnum) n->expo = up ? checked_expo(int64_t{n->expo} * d) : n->expo / d;
}

namespace {

void count_walk(const PolyNode* p, int64_t& nodes, int64_t& terms) {
    for (; p; p = p->next) {
        ++nodes;
        if (p->isnum)
            ++terms;
        else
            count_walk(p->sub, nodes, terms);
        if (nodes > (int64_t{1} << 30)) return;
    }
}

}  // namespace

int32_t big_node_total(const PolyNode* p) {
    int64_t nodes = 0, terms = 0;
    count_walk(p, nodes, terms);
    return static_cast<int32_t>(nodes > (1 << 30) ? (1 << 30) : nodes);
}

int32_t poly_num_terms(const PolyNode* p) {
    int64_t nodes = 0, terms = 0;
    count_walk(p, nodes, terms);
    return static_cast<int32_t>(terms > (1 << 30) ? (1 << 30) : terms);
}

int32_t poly_max_digits(const PolyNode* p) {
    if (lintmode) return 10;
    int32_t most = 0;
    poly_each_number(p, [&most](const Number& x) {
        if (x.size() > most) most = x.size();
        return true;
    });
    // A digit of base 2^28 carries 28 log10(2) < 8.43 decimal digits.
    return static_cast<int32_t>((int64_t{most} * 843 + 99) / 100);
}

namespace {

uint32_t number_word(const Number& x) {
    if (lintmode) return static_cast<uint32_t>(x.lint());
    if (x.size() == 0) return 0;
    return static_cast<uint32_t>(x.digits()[0]) * 31u + static_cast<uint32_t>(x.size());
}

uint32_t hash_walk(const PolyNode* p, uint32_t h) {
    for (; p; p = p->next) {
        if (p->isnum) {
            h = h * 131u + number_word(p->num);
        } else {
            h = h * 257u + static_cast<uint32_t>(p->expo);
            h = hash_walk(p->sub, h);
        }
    }
    return h;
}

}  // namespace

int32_t hash_1(const PolyNode* p, int32_t n) {
    return static_cast<int32_t>(hash_walk(p, 17u) % static_cast<uint32_t>(n));
}

}  // namespace tolmex
