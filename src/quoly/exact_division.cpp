#include "quoly/exact_division.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "base/errors.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "poly/poly_divide.h"

namespace tolmex {

void exact_divide_coefficients(PolyNode* p, const Number& c) { divide_thru(p, c); }

void exact_poly_quotient(const PolyNode* a, const PolyNode* g, Poly& out) {
    Poly q;
    int inexact = 0;
    gen_poly_divide(a, g, q, nullptr, inexact);
    if (inexact) tolmexerror("inexact division by a common factor.");
    out = std::move(q);
}

namespace {

// low[k] := the smallest exponent of the level-(k+1) variable over all
// terms of p (levels that p never reaches count as 0).
void lowest_exponents(const PolyNode* p, size_t k, std::vector<int32_t>& low,
                      std::vector<char>& seen) {
    if (low.size() <= k) {
        low.resize(k + 1, INT32_MAX);
        seen.resize(k + 1, 0);
    }
    for (const PolyNode* n = p; n; n = n->next) {
        int32_t e = n->isnum ? 0 : n->expo;
        low[k] = std::min(low[k], e);
        seen[k] = 1;
        if (!n->isnum) {
            lowest_exponents(n->sub, k + 1, low, seen);
        } else {
            // A constant term has exponent 0 in every deeper variable.
            for (size_t j = k + 1; j < low.size(); ++j) low[j] = std::min(low[j], 0);
        }
    }
}

// Lowers the exponents of every level by shift[level]; number nodes whose
// exponent would change are wrapped as terms first.
void shift_exponents(PolyNode*& p, size_t k, const std::vector<int32_t>& shift) {
    if (k >= shift.size()) return;
    for (PolyNode* n = p; n; n = n->next) {
        if (n->isnum) {
            bool deeper = false;
            for (size_t j = k + 1; j < shift.size(); ++j) deeper |= shift[j] != 0;
            if (shift[k] == 0 && !deeper) continue;
            // Turn the number node into a term over a constant list.
            PolyNode* c = number_node(std::move(n->num));
            n->isnum = 0;
            n->sub = c;
        }
        n->expo -= shift[k];
        shift_exponents(n->sub, k + 1, shift);
        if (n->expo == 0 && poly_is_const(n->sub)) remove_dummy(n);
    }
}

}  // namespace

void remove_denominator_monomial(Quoly& q) {
    std::vector<int32_t> low;
    std::vector<char> seen;
    lowest_exponents(q->denp, 0, low, seen);
    bool any = false;
    for (size_t k = 0; k < low.size(); ++k) {
        if (low[k] == INT32_MAX) low[k] = 0;
        any |= low[k] != 0;
    }
    if (!any) return;
    shift_exponents(q->denp, 0, low);
    shift_exponents(q->nump, 0, low);
}

void number_power(const Number& x, int32_t k, Number& r) {
    if (!lintmode) require_power_digits(x, k);
    Number acc;
    num_assign(x, acc);
    int top = 31;
    while (top > 0 && !((k >> top) & 1)) --top;
    for (int bit = top - 1; bit >= 0; --bit) {
        fast_mult(acc, acc, acc);
        if ((k >> bit) & 1) fast_mult(acc, x, acc);
        poll_interrupt();
    }
    r = std::move(acc);
}

}  // namespace tolmex
