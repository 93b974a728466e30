#include "quoly/quoly.h"

#include "numbers/mul_div.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"
#include "storage/accounting.h"
#include "storage/free_lists.h"
#include "storage/stash.h"

namespace tolmex {

QuolyRec* newquoly() {
    QuolyRec* q = pool_alloc<QuolyRec>(quolygarb, quolystash);
    q->link = nullptr;
    q->numflag = 0;
    q->ratflag = 0;
    new (&q->num) Number();
    q->nump = nullptr;
    q->denp = nullptr;
    return q;
}

void free_quoly(QuolyRec*& q) noexcept {
    if (!q) return;
    q->num.reset();
    if (q->nump) free_poly(q->nump);
    if (q->denp) free_poly(q->denp);
    quolygarb.push(q);
    q = nullptr;
}

Quoly make_numeric(Number&& x) {
    Quoly q(newquoly());
    q->numflag = 1;
    q->num = std::move(x);
    return q;
}

Quoly make_quotient(Poly&& num, Poly&& den, int ratflag) {
    Quoly q(newquoly());
    q->nump = num.release();
    q->denp = den.release();
    q->ratflag = ratflag;
    return q;
}

Quoly quoly_as_written(Poly&& num, Poly&& den) {
    if (den && poly_eq_1(den.get())) den.reset();
    if (!den) {
        Quoly q;
        p_q_take(std::move(num), q);
        return q;
    }
    const int ratflag = !lintmode && poly_is_const(num.get()) && poly_is_const(den.get());
    return make_quotient(std::move(num), std::move(den), ratflag);
}

Quoly quoly_copy(const QuolyRec* q) {
    if (!q) return Quoly();
    Quoly r(newquoly());
    r->numflag = q->numflag;
    if (q->numflag) {
        num_assign(q->num, r->num);
    } else {
        r->nump = copy_poly(q->nump);
        r->denp = copy_poly(q->denp);
        r->ratflag = lintmode ? 0 : q->ratflag;
    }
    return r;
}

Quoly quoly_copy_exact(const QuolyRec* q) {
    LintmodeOff digits;
    return quoly_copy(q);
}

void quoly_set(int32_t i, Quoly& q) {
    Number x;
    setvalue(i, x);
    q = make_numeric(std::move(x));
}

void p_q_take(Poly&& p, Quoly& q) {
    if (poly_is_const(p.get())) {
        Number x = std::move(poly_constant(p.get()));
        q = make_numeric(std::move(x));
        return;
    }
    q = make_quotient(std::move(p), Poly(), 0);
}

void polynum_to_quoly(Quoly& q) {
    if (q->numflag || q->denp || !poly_is_const(q->nump)) return;
    Number x = std::move(poly_constant(q->nump));
    free_poly(q->nump);
    q->numflag = 1;
    q->ratflag = 0;
    q->num = std::move(x);
}

void quoly_consume(Quoly&& q, Poly& p) {
    Quoly hold(std::move(q));
    p.reset(number_node(std::move(hold->num)));
}

Poly numerator_poly(const QuolyRec* q) {
    if (q->numflag) {
        Number x;
        num_assign(q->num, x);
        return Poly(number_node(std::move(x)));
    }
    return Poly(copy_poly(q->nump));
}

void quoly_visit_polys(QuolyRec* q, void (*visit)(PolyNode*& p)) {
    if (q->numflag) return;
    visit(q->nump);
    if (q->denp) visit(q->denp);
}

// ---------------------------------------------------------------------------

bool quoly_iszero(const QuolyRec* q) { return q->numflag && num_is_zero(q->num); }
bool quoly_is_rational(const QuolyRec* q) { return q->numflag || q->ratflag; }

bool quoly_equal(const QuolyRec* a, const QuolyRec* b) {
    if (a->numflag != b->numflag) return false;
    if (a->numflag) return equal(a->num, b->num);
    if (!poly_equal(a->nump, b->nump)) return false;
    if (!a->denp || !b->denp) return a->denp == b->denp;
    return poly_equal(a->denp, b->denp);
}

int32_t quoly_convert_to_int(const QuolyRec* q) {
    if (!q->numflag) return kNotAnInt;
    return convert_to_int(q->num, kNotAnInt);
}

}  // namespace tolmex
