// The product dispatchers: poly_mult chooses among the constant cases, the
// modular one-variable family, the modular dense two-variable product,
// schoolbook rows and Karatsuba on term lists; simplest_poly_mult chooses
// among the modular one-variable methods. The methods live in
// poly_mult_schoolbook.cpp, poly_mult_karatsuba.cpp and poly_mult_dense.cpp.
#include "base/errors.h"
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_internal.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

using namespace polyimpl;

namespace polyimpl {

int no_poll_depth = 0;
int private_splits = 0;

void poly_poll() {
    if (no_poll_depth != 0 || !interrupt_pending) return;
    // The level opened here starts outside any product.
    struct Keep {
        int saved = private_splits;
        Keep() { private_splits = 0; }
        ~Keep() { private_splits = saved; }
    } keep;
    poll_interrupt();
}

PrivateOperands::PrivateOperands(const PolyNode*& a, const PolyNode*& b)
    : outer_(private_splits == 0) {
    ++private_splits;
    if (!outer_) return;
    const bool same = a == b;
    ca_.reset(copy_poly(a));
    a = ca_.get();
    if (same) {
        b = a;
    } else {
        cb_.reset(copy_poly(b));
        b = cb_.get();
    }
}

PrivateOperands::~PrivateOperands() { --private_splits; }

void check_product_exponents(const PolyNode* a, const PolyNode* b) {
    const int64_t hi = int64_t{a->expo} + b->expo;
    const int64_t lo = int64_t{last_node(a)->expo} + last_node(b)->expo;
    checked_expo(hi);
    checked_expo(lo);
}

}  // namespace polyimpl

int32_t exp_poly_length(const PolyNode* p, int32_t& low, int& simple) {
    int32_t n = 0;
    bool constant_coefs = true;
    const PolyNode* last = p;
    for (const PolyNode* q = p; q; q = q->next) {
        ++n;
        last = q;
        if (!q->isnum && !poly_is_const(q->sub)) constant_coefs = false;
    }
    low = last->expo;
    simple = modularmode && constant_coefs && low >= 0;
    if (int64_t{p->expo} - low > int64_t{kSparseSpanFactor} * n) return -n;
    return n;
}

void poly_mult(const PolyNode* a, const PolyNode* b, Poly& c, PolyVar* var) {
    const bool ca = poly_is_const(a), cb = poly_is_const(b);
    if (ca && cb) {
        Number r;
        fast_mult(a->num, b->num, r);
        c.reset(number_node(std::move(r)));
        return;
    }
    if (ca || cb) {
        const PolyNode* k = ca ? a : b;
        const PolyNode* p = ca ? b : a;
        if (num_is_zero(k->num)) {
            c.reset(zero_node());
            return;
        }
        scalar_by_poly(k->num, p, c);
        return;
    }
    int32_t low_a, low_b;
    int simple_a, simple_b;
    const int32_t na = exp_poly_length(a, low_a, simple_a);
    const int32_t nb = exp_poly_length(b, low_b, simple_b);
    checked_expo(int64_t{a->expo} + b->expo);
    checked_expo(int64_t{low_a} + low_b);
    if (simple_a && simple_b) {
        simplest_poly_mult(a, b, c, na, nb);
        mod_out_reduce(c, var);
        return;
    }
    if (modularmode && a->expo >= kDense2MinLead && b->expo >= kDense2MinLead && !laurent &&
        try_fast_2_var(a, b)) {
        fastest_poly2_mult(a, b, c);
        return;
    }
    ProductSurveys surveys(a, b);
    if (!laurent && kronecker_mult(a, b, c, &surveys)) {
        mod_out_reduce(c, var);
        return;
    }
    const int32_t t = var ? var->cutoff : poly_cutoff;
    if (na < t || nb < t) {
        schoolbook_mult(a, na < 0 ? -na : na, b, nb < 0 ? -nb : nb, c, var, &surveys);
        return;
    }
    if (dense_integer_mult(a, b, c, t)) {
        mod_out_reduce(c, var);
        return;
    }
    karatsuba_mult(a, na, b, nb, c, var, false);
}

void simplest_poly_mult(const PolyNode* a, const PolyNode* b, Poly& c, int32_t na, int32_t nb) {
    const bool ca = poly_is_const(a), cb = poly_is_const(b);
    if (ca && cb) {
        Number r;
        setvalue(0, r);
        r.set_lint(modmult(a->num.lint(), b->num.lint()));
        c.reset(number_node(std::move(r)));
        return;
    }
    if (ca || cb) {
        const PolyNode* k = ca ? a : b;
        Poly p(copy_poly(ca ? b : a));
        number_by_poly(k->num.lint(), p, c, false);
        return;
    }
    if (low_negative(a) || low_negative(b)) {
        // Negative exponents: the rows, never the arrays.
        check_product_exponents(a, b);
        simplest_standard(a, poly_length(a), b, poly_length(b), c);
        return;
    }
    // With both counts given poly_mult has checked the exponents already.
    const bool checked = na != 0 && nb != 0;
    int32_t low;
    int simple;
    if (na == 0) na = exp_poly_length(a, low, simple);
    if (nb == 0) nb = exp_poly_length(b, low, simple);
    if (!checked) check_product_exponents(a, b);
    if (na < 0 || nb < 0 || na < fast_mult_cut || nb < fast_mult_cut) {
        simplest_standard(a, na < 0 ? -na : na, b, nb < 0 ? -nb : nb, c);
        return;
    }
    if (modulus > 2 && !finf && int64_t{a->expo} + b->expo <= fast_gcd_size) {
        fastest_standard(a, na, b, nb, c);
        return;
    }
    if (na < simplest_poly_cutoff || nb < simplest_poly_cutoff) {
        simplest_standard(a, na, b, nb, c);
        return;
    }
    karatsuba_mult(a, na, b, nb, c, nullptr, true);
}

bool try_fast_2_var(const PolyNode* a, const PolyNode* b) {
    if (modout_in_force() || finf) return false;
    struct Shape {
        int32_t terms = 0, main_degree = 0, low = 0, inner_degree = 0;
        bool ok = true;
    };
    auto shape = [](const PolyNode* p) {
        Shape s;
        s.main_degree = p->expo;
        for (const PolyNode* n = p; n; n = n->next) {
            ++s.terms;
            s.low = n->expo;
            if (n->isnum) continue;
            if (!top_coefficients_constant(n->sub)) {
                s.ok = false;
                return s;
            }
            if (!n->sub->isnum && n->sub->expo > s.inner_degree) s.inner_degree = n->sub->expo;
        }
        s.ok = s.terms >= kDense2MinTerms &&
               int64_t{kDense2DensityFactor} * s.terms > int64_t{s.main_degree} - s.low &&
               s.low >= 0;
        return s;
    };
    const Shape sa = shape(a);
    if (!sa.ok) return false;
    const Shape sb = shape(b);
    if (!sb.ok) return false;
    const int64_t lo = sa.main_degree < sb.main_degree ? sa.main_degree : sb.main_degree;
    const int64_t hi = sa.main_degree < sb.main_degree ? sb.main_degree : sa.main_degree;
    if (hi > int64_t{kDense2MaxRatio} * lo) return false;
    if (int64_t{sa.main_degree} + sb.main_degree > kDense2MaxDegreeSum) return false;
    if (int64_t{sa.inner_degree} + sb.inner_degree > kDense2MaxDegreeSum) return false;
    return true;
}

}  // namespace tolmex
