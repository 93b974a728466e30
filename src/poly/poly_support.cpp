// Helpers shared by the polynomial algorithms: small constructors, the
// exponent range check, internal errors and exponent shifts.
#include <climits>

#include "base/errors.h"
#include "poly/poly_internal.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex::polyimpl {

PolyNode* const_node(int32_t v) {
    Number x;
    setvalue(v, x);
    return number_node(std::move(x));
}

PolyNode* copy_number_node(const Number& x) {
    Number y;
    num_assign(x, y);
    return number_node(std::move(y));
}

int32_t checked_expo(int64_t e) {
    if (e > INT32_MAX || e < INT32_MIN) error(kErrExponentTooLarge, "^");
    return static_cast<int32_t>(e);
}

void shift_exponents(PolyNode*& p, int32_t s) {
    if (s == 0 || poly_iszero(p)) return;
    PolyNode** link = &p;
    while (PolyNode* n = *link) {
        if (n->isnum) {
            // The constant term gets a wrapper node first.
            PolyNode* w = term_node(s, n, n->next);
            n->next = nullptr;
            *link = w;
            link = &w->next;
            continue;
        }
        n->expo += s;
        settle_term(n);
        link = &n->next;
    }
}

void exponent_range(const PolyNode* p, int32_t& lo, int32_t& hi) {
    for (; p; p = p->next) {
        if (p->isnum) {
            if (lo > 0) lo = 0;
            if (hi < 0) hi = 0;
            continue;
        }
        if (p->expo < lo) lo = p->expo;
        if (p->expo > hi) hi = p->expo;
        exponent_range(p->sub, lo, hi);
    }
}

int32_t lint_power(int32_t a, int64_t e) {
    if (e <= 0) return 1;
    int bit = 63 - __builtin_clzll(static_cast<uint64_t>(e));
    int32_t p = a;
    while (--bit >= 0) {
        if (modularmode) {
            p = modmult(p, p);
            if (e >> bit & 1) p = modmult(p, a);
        } else {
            p = static_cast<int32_t>(static_cast<uint32_t>(p) * static_cast<uint32_t>(p));
            if (e >> bit & 1)
                p = static_cast<int32_t>(static_cast<uint32_t>(p) * static_cast<uint32_t>(a));
        }
    }
    return p;
}

}  // namespace tolmex::polyimpl
