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
    free_poly(q->nump);
    free_poly(q->denp);
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

void quoly_assign(const QuolyRec* q, Quoly& r) { r = quoly_copy(q); }

void quoly_set(int32_t i, Quoly& q) {
    Number x;
    setvalue(i, x);
    q = make_numeric(std::move(x));
}

void scalar_to_quoly(const Number& n, Quoly& q) {
    Number x;
    num_assign(n, x);
    q = make_numeric(std::move(x));
}

void spec_scalar_quoly(const Number& n, Quoly& q) {
    if (!lintmode) return scalar_to_quoly(n, q);
    Number x;
    int64_t v = 0;
    if (n.size() > 0) {
        v = low_digits_value(n);
    } else {
        v = n.lint();
    }
    if (v > (int64_t{1} << 30))
        std::printf(" ** Warning. oversized value computed %u in spec_scalar_quoly.\n",
                    static_cast<unsigned>(v));
    setvalue(static_cast<int32_t>(v), x);
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

void p_q_assign(const PolyNode* p, Quoly& q) { p_q_take(Poly(copy_poly(p)), q); }

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
bool lint_quoly_iszero(const QuolyRec* q) { return quoly_iszero(q); }
bool quoly_eq_1(const QuolyRec* q) { return q->numflag && num_is_one(q->num); }
bool quoly_eq_m1(const QuolyRec* q) { return q->numflag && num_is_minus_one(q->num); }
bool quoly_is_rational(const QuolyRec* q) { return q->numflag || q->ratflag; }

bool quoly_equal(const QuolyRec* a, const QuolyRec* b) {
    if (a->numflag != b->numflag) return false;
    if (a->numflag) return equal(a->num, b->num);
    if (!poly_equal(a->nump, b->nump)) return false;
    if (!a->denp || !b->denp) return a->denp == b->denp;
    return poly_equal(a->denp, b->denp);
}

bool fast_quoly_equal(const QuolyRec* a, const QuolyRec* b) {
    if (a->numflag != b->numflag) return false;
    if (a->numflag) return equal(a->num, b->num);
    return poly_equal(a->nump, b->nump);
}

bool quoly_negtive(const QuolyRec* a, const QuolyRec* b) {
    if (a->numflag != b->numflag) return false;
    if (a->numflag) return negtive(a->num, b->num);
    Poly neg;
    poly_makeneg(b->nump, neg);
    if (!poly_equal(a->nump, neg.get())) return false;
    if (!a->denp || !b->denp) return a->denp == b->denp;
    return poly_equal(a->denp, b->denp);
}

bool quoly_larger(const QuolyRec* a, const QuolyRec* b) { return bigger(a->num, b->num); }

int quol_neg_lead_term(const QuolyRec* q) {
    if (q->numflag) return num_display_sign(q->num);
    return num_display_sign(leading_number(q->nump));
}

bool is_poly_var(const QuolyRec* q, int& k) {
    if (q->numflag || q->denp) return false;
    const int level = poly_variable_level(q->nump);
    if (level == 0) return false;
    k = level;
    return true;
}

int32_t quoly_convert_to_int(const QuolyRec* q) {
    if (!q->numflag) return kNotAnInt;
    return convert_to_int(q->num, kNotAnInt);
}

int32_t big_quoly_convert_to_int(const QuolyRec* q) {
    if (q->numflag) return convert_to_int(q->num, kNotAnInt);
    return convert_to_int(leading_number(q->nump), kNotAnInt);
}

int64_t sizequoly(const QuolyRec* q) {
    if (!q) return 0;
    if (q->numflag) return quolysize + sizenumber(q->num);
    return quolysize + sizepoly(q->nump) + sizepoly(q->denp);
}

}  // namespace tolmex
