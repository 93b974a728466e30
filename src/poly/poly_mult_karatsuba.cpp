// Karatsuba on term lists. Each operand is split in place (ListSplit) into
// a high part (its first floor(n / 2) terms, exponents lowered by k) and a
// low part (the rest), k being the smaller of the two exponent gaps between the middle
// term and the last term. Then with P1 = (a_high + a_low)(b_high + b_low),
// P2 = a_high b_high and P0 = a_low b_low,
//     a b = P0 + (P1 - P2 - P0) x^k + P2 x^(2k).
// The split is undone by its guard, so the operands are restored also when
// an error unwinds through the product. The outermost product splits
// private copies of its operands (PrivateOperands), which lets it poll for
// interrupts between the sub-products.
#include "poly/poly_arith.h"
#include "poly/poly_internal.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_split.h"

namespace tolmex {

using namespace polyimpl;

namespace {

// The exponent of term number h (from 1) minus the last exponent.
int32_t middle_gap(const PolyNode* p, int32_t h) {
    const PolyNode* m = p;
    for (int32_t i = 1; i < h; ++i) m = m->next;
    return m->expo - last_node(p)->expo;
}

void sub_product(const PolyNode* a, const PolyNode* b, Poly& c, PolyVar* var, bool simple) {
    if (simple)
        simplest_poly_mult(a, b, c);
    else
        poly_mult(a, b, c, var);
}

}  // namespace

namespace polyimpl {

void karatsuba_mult(const PolyNode* a, int32_t na, const PolyNode* b, int32_t nb, Poly& c,
                    PolyVar* var, bool simple) {
    PrivateOperands own(a, b);
    const bool square = a == b;
    const int32_t ha = na / 2, hb = nb / 2;
    const int32_t ea = middle_gap(a, ha), eb = middle_gap(b, hb);
    const int32_t k = ea < eb ? ea : eb;
    Poly p0, p1, p2;
    {
        // The (private) operands are edited in place until the guards go
        // out of scope.
        ListSplit sa = ListSplit::by_count(const_cast<PolyNode*>(a), ha, -k);
        const PolyNode* ah = sa.high();
        const PolyNode* al = sa.low();
        Poly sum_a, sum_b;
        poly_add(ah, al, sum_a);
        if (square) {
            sub_product(sum_a.get(), sum_a.get(), p1, var, simple);
            sum_a.reset();
            poly_poll();
            sub_product(ah, ah, p2, var, simple);
            poly_poll();
            sub_product(al, al, p0, var, simple);
        } else {
            ListSplit sb = ListSplit::by_count(const_cast<PolyNode*>(b), hb, -k);
            const PolyNode* bh = sb.high();
            const PolyNode* bl = sb.low();
            poly_add(bh, bl, sum_b);
            sub_product(sum_a.get(), sum_b.get(), p1, var, simple);
            sum_a.reset();
            sum_b.reset();
            poly_poll();
            sub_product(ah, bh, p2, var, simple);
            poly_poll();
            sub_product(al, bl, p0, var, simple);
        }
    }
    // M = P1 - P2 - P0, then a b = P0 + M x^k + P2 x^(2k).
    better_poly_sub(std::move(p1), p2.get(), p1);
    better_poly_sub(std::move(p1), p0.get(), p1);
    shift_exponents(p1.raw(), k);
    shift_exponents(p2.raw(), checked_expo(int64_t{2} * k));
    if (simple) {
        simplest_poly_add(std::move(p0), std::move(p1), p0);
        simplest_poly_add(std::move(p0), std::move(p2), c);
    } else {
        best_poly_add(std::move(p0), std::move(p1), p0);
        mod_out_reduce(p0, var);
        best_poly_add(std::move(p0), std::move(p2), p0);
        mod_out_reduce(p0, var);
        c = std::move(p0);
    }
}

}  // namespace polyimpl
}  // namespace tolmex
