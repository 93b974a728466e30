// Divide-and-conquer division by a monic divisor. With k = ceil(deg B / 2),
// B = B1 x^k + B0 and A = A1 x^(2k) + A0 (split in place):
//     A1 = q1 B1 + r1,   R1 = r1 x^k - B0 q1,   R1 = q2 B1 + r2,
//     A = (q1 x^k + q2) B + (r2 x^k - B0 q2 + A0),
// and one more schoolbook step when that remainder still reaches deg B. A
// quotient longer than B is found block by block (long_quotient). The
// outermost call works on private copies of A and B (PrivateOperands), so
// the splits never touch a poly that a command level opened by an interrupt
// could see. The schoolbook division is simplest_poly_divide for modular
// one-variable polys and pseudo_div otherwise; products are
// simplest_poly_mult or poly_mult.

#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_divide_methods.h"
#include "poly/poly_internal.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "poly/poly_split.h"

namespace tolmex {

using namespace polyimpl;

namespace {

struct Ops {
    bool simple;
    void product(const PolyNode* a, const PolyNode* b, Poly& c) const {
        if (simple)
            simplest_poly_mult(a, b, c);
        else
            poly_mult(a, b, c, nullptr);
    }
    void schoolbook(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r) const {
        if (simple)
            simplest_poly_divide(a, b, q, r);
        else
            pseudo_div(a, b, &q, &r, nullptr);
    }
};

void karat(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r, const Ops& ops);
void blocks(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r, const Ops& ops);

// Divides by B1 the way the step asks: block by block when the quotient is
// longer than the divisor, else divide and conquer.
void divide_part(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r, const Ops& ops) {
    if (poly_iszero(a) || degree(a) < degree(b)) {
        zero_quotient(a, q, r);
        return;
    }
    if (long_quotient(degree(a), degree(b)))
        blocks(a, b, q, r, ops);
    else
        karat(a, b, q, r, ops);
}

// Copies of the terms from `next` on whose exponent is at least lo; `next`
// moves past them. Null when there are none.
PolyNode* take_terms(const PolyNode*& next, int32_t lo) {
    Poly head;
    PolyNode** tail = &head.raw();
    for (; next && degree(next) >= lo; next = next->next) {
        PolyNode* t = next->isnum ? copy_number_node(next->num)
                                  : term_node(next->expo, copy_poly(next->sub));
        *tail = t;
        tail = &t->next;
    }
    return head.release();
}

// A quotient longer than b, block by block from the top: each window is
// the remainder so far plus the terms of a of the next exponents down
// (exponents lo .. lo + 2 deg b - 1), moved down to exponent 0 and divided
// by b with divide and conquer; its quotient and remainder are moved back
// up by lo, and that remainder tops the next window.
void blocks(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r, const Ops& ops) {
    const int32_t db = degree(b);
    const int32_t width = 2 * db;
    const PolyNode* next = a;
    Poly quo(zero_node()), rem;
    int32_t hi = degree(a);
    for (;;) {
        const int32_t lo = hi - (width - 1) > 0 ? hi - (width - 1) : 0;
        Poly window(take_terms(next, lo));
        if (!window) window.reset(zero_node());
        if (rem) best_poly_add(std::move(window), std::move(rem), window);
        Poly qw, rw;
        if (poly_iszero(window.get()) || degree(window.get()) - lo < db) {
            rw = std::move(window);
        } else {
            shift_exponents(window.raw(), -lo);
            karat(window.get(), b, qw, rw, ops);
            shift_exponents(qw.raw(), lo);
            shift_exponents(rw.raw(), lo);
            best_poly_add(std::move(quo), std::move(qw), quo);
        }
        rem = std::move(rw);
        if (lo == 0 || (!next && poly_iszero(rem.get()))) break;
        poly_poll();
        // The next window tops at the remainder, or at the next terms of a
        // when the remainder is 0 (a sparse dividend).
        hi = lo + db - 1;
        if (poly_iszero(rem.get()) && next && degree(next) < hi) hi = degree(next);
    }
    q = std::move(quo);
    r = std::move(rem);
}

void karat(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r, const Ops& ops) {
    const int32_t da = degree(a), db = degree(b);
    if (int64_t{kSplitRatioDen} * da < int64_t{kSplitRatioNum} * db ||
        poly_length(b) < div_poly_cutoff || db < 1) {
        ops.schoolbook(a, b, q, r);
        return;
    }
    const int32_t k = (db + 1) / 2;
    if (da < int64_t{2} * k) {
        ops.schoolbook(a, b, q, r);
        return;
    }
    Poly qq, rr;
    {
        ListSplit sb = ListSplit::by_exponent(const_cast<PolyNode*>(b), k, -k);
        ListSplit sa =
            ListSplit::by_exponent(const_cast<PolyNode*>(a), checked_expo(int64_t{2} * k), -2 * k);
        const PolyNode* b1 = sb.high();
        const PolyNode* b0 = sb.low();
        const PolyNode* a1 = sa.high();
        const PolyNode* a0 = sa.low();
        Poly q1, r1, q2, r2, t;
        divide_part(a1, b1, q1, r1, ops);
        poly_poll();
        // R1 = r1 x^k - B0 q1.
        shift_exponents(r1.raw(), k);
        if (b0) {
            ops.product(b0, q1.get(), t);
            best_poly_sub(std::move(r1), std::move(t), r1);
        }
        divide_part(r1.get(), b1, q2, r2, ops);
        // r = r2 x^k - B0 q2 + A0, q = q1 x^k + q2.
        shift_exponents(r2.raw(), k);
        if (b0) {
            ops.product(b0, q2.get(), t);
            best_poly_sub(std::move(r2), std::move(t), r2);
        }
        if (a0) better_poly_add(std::move(r2), a0, r2);
        shift_exponents(q1.raw(), k);
        best_poly_add(std::move(q1), std::move(q2), qq);
        rr = std::move(r2);
    }
    if (!poly_iszero(rr.get()) && degree(rr.get()) >= db) {
        Poly q3, r3;
        ops.schoolbook(rr.get(), b, q3, r3);
        best_poly_add(std::move(qq), std::move(q3), qq);
        rr = std::move(r3);
    }
    q = std::move(qq);
    r = std::move(rr);
}

// The splits assume exponents from 0 up: a Laurent poly is divided term by
// term.
bool laurent_schoolbook(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r) {
    if (!low_negative(a) && !low_negative(b)) return false;
    Ops{one_variable_modular(a, b)}.schoolbook(a, b, q, r);
    return true;
}

}  // namespace

void fast_mod_and_div(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r) {
    if (laurent_schoolbook(a, b, q, r)) return;
    if (dense_mod_and_div(a, b, q, r)) return;
    PrivateOperands own(a, b);
    const Ops ops{one_variable_modular(a, b)};
    if (degree(b) > degree(a)) {
        zero_quotient(a, q, r);
        return;
    }
    divide_part(a, b, q, r, ops);
}

}  // namespace tolmex
