// Derivatives of polys, in place: every term c x^e of the differentiated
// variable becomes e (e - 1) ... (e - k + 1) c x^(e - k).
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_eval.h"
#include "poly/poly_internal.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

using namespace polyimpl;

namespace {

constexpr int64_t kDigitLimit = (int64_t{1} << 28) - 1;

// The falling factorial e (e - 1) ... (e - k + 1) as a number of the ring;
// false when it is 0 in the ring (the term vanishes).
bool falling_factorial(int32_t e, int32_t k, Number& f) {
    if (modularmode) {
        const int64_t m = modulus;
        int64_t r = e % m;
        if (r < 0) r += m;
        if (r < k) return false;  // one factor is divisible by the modulus
        int32_t acc = 1;
        for (int32_t i = 0; i < k; ++i) {
            int64_t factor = (int64_t{e} - i) % m;
            if (factor < 0) factor += m;
            acc = modmult(acc, static_cast<int32_t>(factor));
        }
        if (acc == 0) return false;
        setvalue(0, f);
        f.set_lint(acc);
        return true;
    }
    if (lintmode) {
        uint32_t acc = 1;
        for (int32_t i = 0; i < k; ++i) acc *= static_cast<uint32_t>(e - i);
        setvalue(static_cast<int32_t>(acc), f);
        return acc != 0;
    }
    if (e > kDigitLimit || e < -kDigitLimit) internal_stop(" outsized exponent in derivative");
    setvalue(e, f);
    Number factor;
    for (int32_t i = 1; i < k; ++i) {
        setvalue(e - i, factor);
        fast_mult(f, factor, f);
    }
    return !num_is_zero(f);
}

// Rewrites p term by term: each term node, unlinked, is kept (in order)
// when f returns true for it, f having rewritten it; a dropped node is
// freed. An empty result is the constant 0.
template <class F>
void rewrite_terms(Poly& p, F&& f) {
    Poly rest(p.release());  // owns what is not yet moved into the result
    Poly head;
    PolyNode** tail = &head.raw();
    while (rest) {
        PolyNode* n = rest.release();
        rest.reset(n->next);
        n->next = nullptr;
        Poly node(n);
        if (!f(n)) continue;
        PolyNode* t = node.release();
        *tail = t;
        tail = &t->next;
    }
    p = head ? std::move(head) : Poly(zero_node());
}

}  // namespace

void poly_diff(Poly& p, int32_t k) {
    if (k <= 0) return;
    rewrite_terms(p, [k](PolyNode* n) {
        if (n->isnum) return false;  // constant in the variable
        const int32_t e = n->expo;
        if (e >= 0 && e < k) return false;
        if (finf) {
            // Characteristic 2: only a first derivative of an odd power
            // survives, with its coefficient unchanged.
            if (k != 1 || (e & 1) == 0) return false;
        } else {
            Number f;
            if (!falling_factorial(e, k, f)) return false;
            if (!num_is_one(f)) {
                Poly c;
                scalar_by_poly(f, n->sub, c);
                if (poly_iszero(c.get())) return false;
                free_poly(n->sub);
                n->sub = c.release();
            }
        }
        n->expo = checked_expo(int64_t{e} - k);
        settle_term(n);
        return true;
    });
}

void general_poly_diff(Poly& p, int32_t k, int level) {
    if (level <= 1) {
        poly_diff(p, k);
        return;
    }
    if (k <= 0) return;
    rewrite_terms(p, [k, level](PolyNode* n) {
        if (n->isnum) return false;  // constant in every deeper variable
        Poly c(n->sub);
        n->sub = nullptr;
        general_poly_diff(c, k, level - 1);
        if (poly_iszero(c.get())) {
            n->sub = zero_node();
            return false;
        }
        n->sub = c.release();
        settle_term(n);
        return true;
    });
}

}  // namespace tolmex
