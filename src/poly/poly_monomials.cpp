#include "poly/poly_monomials.h"

#include "numbers/modular_state.h"

namespace tolmex {

namespace {

// The monomial of the exponents `path` (level by level from the top) and
// the coefficient x.
PolyNode* build_monomial(const std::vector<int32_t>& path, const Number& x) {
    Number c;
    num_assign(x, c);
    PolyNode* inner = number_node(std::move(c));
    const size_t last = path.size() - 1;
    if (path[last] != 0) inner = term_node(path[last], inner);
    for (size_t i = last; i-- > 0;) {
        if (path[i] != 0 || !inner->isnum) inner = term_node(path[i], inner);
    }
    return inner;
}

void walk(const PolyNode* p, std::vector<int32_t>& path, std::vector<Poly>& out) {
    for (; p; p = p->next) {
        path.push_back(p->expo);
        if (p->isnum) {
            if (!num_is_zero(p->num)) out.emplace_back(build_monomial(path, p->num));
        } else {
            walk(p->sub, path, out);
        }
        path.pop_back();
    }
}

bool word(const Number& x, int64_t& v) { return to_int64(x, v) && v <= INT32_MAX && v >= -INT32_MAX; }

Number wide_number(__int128 s) {
    if (s >= INT64_MIN && s <= INT64_MAX) return number_from_int64(static_cast<int64_t>(s));
    const bool neg = s < 0;
    const unsigned __int128 u = neg ? static_cast<unsigned __int128>(-(s + 1)) + 1 : static_cast<unsigned __int128>(s);
    uint64_t limbs[2] = {static_cast<uint64_t>(u), static_cast<uint64_t>(u >> 64)};
    return number_from_limbs(limbs, 2, neg);
}

}  // namespace

std::vector<Poly> poly_monomials(const PolyNode* p) {
    std::vector<Poly> out;
    std::vector<int32_t> path;
    walk(p, path, out);
    return out;
}

bool poly_first_var_words(const PolyNode* p, int32_t max_degree, std::vector<int64_t>& c) {
    if (lintmode || modularmode || !p) return false;
    if (p->isnum && !p->next) {
        c.assign(1, 0);
        return word(p->num, c[0]);
    }
    if (p->expo > max_degree || p->expo < 0) return false;
    c.assign(p->expo + 1, 0);
    for (; p; p = p->next) {
        if (p->expo < 0) return false;
        const Number* x;
        if (p->isnum) {
            x = &p->num;
        } else {
            if (!poly_is_const(p->sub)) return false;
            x = &p->sub->num;
        }
        if (!word(*x, c[p->expo])) return false;
    }
    return true;
}

Poly poly_from_wide(const __int128* c, int32_t n) {
    PolyNode* head = nullptr;
    PolyNode** link = &head;
    for (int32_t k = n - 1; k >= 1; --k) {
        if (c[k] == 0) continue;
        *link = term_node(k, number_node(wide_number(c[k])));
        link = &(*link)->next;
    }
    if (n > 0 && c[0] != 0) *link = number_node(wide_number(c[0]));
    if (!head) head = number_node(number_from_int64(0));
    return Poly(head);
}

}  // namespace tolmex
