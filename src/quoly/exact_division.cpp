#include "quoly/exact_division.h"

#include <algorithm>
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

void remove_denominator_monomial(Quoly& q) {
    std::vector<int32_t> low = poly_lowest_exponents(q->denp);
    if (std::all_of(low.begin(), low.end(), [](int32_t e) { return e == 0; })) return;
    poly_divide_monomial(q->denp, low);
    poly_divide_monomial(q->nump, low);
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
