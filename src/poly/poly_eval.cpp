// Evaluation of polys at numbers: Horner's rule in the main variable, the
// level-by-level evaluation with its direct residue and big-integer forms,
// and the evaluator's substitution of chosen levels.
#include <vector>

#include "base/errors.h"
#include "numbers/mul_div.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_divide_methods.h"
#include "poly/poly_eval.h"
#include "poly/poly_internal.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

using namespace polyimpl;

namespace {

// The coefficient of the term n as a poly one level down (a copy).
PolyNode* coefficient_copy(const PolyNode* n) {
    return n->isnum ? copy_number_node(n->num) : copy_poly(n->sub);
}

// r := r * v^g for a constant v and g >= 1.
void times_power(Poly& r, const PolyNode* v, int64_t g, PolyVar* var) {
    if (poly_iszero(r.get())) return;
    if (g == 1) {
        poly_mult(r.get(), v, r, var);
        return;
    }
    Poly vg(copy_poly(v));
    compute_power(vg, checked_expo(g), var);
    poly_mult(r.get(), vg.get(), r, var);
}

// r := r / v^g for a constant v and g >= 1 (Laurent polys): the inverse in
// modular mode, an exact division otherwise (error 205 when it is not).
void times_inverse_power(Poly& r, const PolyNode* v, int64_t g, PolyVar* var) {
    if (num_is_zero(v->num)) {
        // A negative power of 0; at a nested command level the value is 0.
        error(22, "#");
        r.reset(zero_node());
        return;
    }
    Poly vg(copy_poly(v));
    compute_power(vg, checked_expo(g), var);
    if (modularmode) {
        int32_t inv;
        emod_inverse(vg.get()->num.lint(), inv);
        Number x;
        setvalue(0, x);
        x.set_lint(inv);
        Poly pinv(number_node(std::move(x)));
        poly_mult(r.get(), pinv.get(), r, var);
        return;
    }
    Poly q;
    if (!poly_quot(r.get(), vg.get(), q, 4)) error(205, "#");
    r = std::move(q);
}

// Horner over the terms of p with the coefficients given by coef(n); the
// result lies one level below p.
template <class Coef>
Poly horner(const PolyNode* p, const PolyNode* v, PolyVar* var, Coef&& coef) {
    Poly acc(coef(p));
    int32_t prev = p->isnum ? 0 : p->expo;
    for (const PolyNode* n = p->next; n; n = n->next) {
        const int32_t e = n->isnum ? 0 : n->expo;
        times_power(acc, v, int64_t{prev} - e, var);
        Poly c(coef(n));
        best_poly_add(std::move(acc), std::move(c), acc);
        prev = e;
    }
    if (prev > 0) times_power(acc, v, prev, var);
    if (prev < 0) times_inverse_power(acc, v, -int64_t{prev}, var);
    return acc;
}

// ---------------------------------------------------------------------------
// Direct evaluation to a constant

int32_t residue_power(int32_t v, int64_t g) {
    if (g >= 0) return lint_power(v, g);
    if (v == 0) {
        error(22, "#");
        return 0;
    }
    int32_t inv;
    emod_inverse(v, inv);
    return lint_power(inv, -g);
}

bool mod_eval(const PolyNode* p, const int32_t* values, int n, int32_t& r) {
    if (poly_is_const(p)) {
        r = p->num.lint();
        return true;
    }
    if (n <= 0) return false;
    const int32_t v = values[0];
    const int32_t m = modulus;
    int32_t acc = 0;
    int32_t prev = 0;
    bool first = true;
    for (const PolyNode* t = p; t; t = t->next) {
        int32_t c;
        if (t->isnum) {
            c = t->num.lint();
        } else if (!mod_eval(t->sub, values + 1, n - 1, c)) {
            return false;
        }
        const int32_t e = t->isnum ? 0 : t->expo;
        if (first) {
            acc = c;
            first = false;
        } else {
            const int64_t g = int64_t{prev} - e;
            acc = modmult(acc, g == 1 ? v : residue_power(v, g));
            acc = mod_add(acc, c, m);
        }
        prev = e;
    }
    if (prev != 0) acc = modmult(acc, residue_power(v, prev));
    r = acc;
    return true;
}

// x^g for a big integer x, g >= 1.
void number_power(const Number& x, int64_t g, Number& r) {
    Number base;
    num_assign(x, base);
    Number acc;
    num_assign(x, acc);
    int bit = 63 - __builtin_clzll(static_cast<uint64_t>(g));
    while (--bit >= 0) {
        fast_mult(acc, acc, acc);
        if (g >> bit & 1) fast_mult(acc, base, acc);
    }
    r = std::move(acc);
}

bool rat_eval(const PolyNode* p, const Number* values, int n, Number& r) {
    if (poly_is_const(p)) {
        num_assign(p->num, r);
        return true;
    }
    if (n <= 0) return false;
    const Number& v = values[0];
    Number acc, c, pw;
    int32_t prev = 0;
    bool first = true;
    for (const PolyNode* t = p; t; t = t->next) {
        if (t->isnum) {
            num_assign(t->num, c);
        } else if (!rat_eval(t->sub, values + 1, n - 1, c)) {
            return false;
        }
        const int32_t e = t->isnum ? 0 : t->expo;
        if (e < 0) return false;
        if (first) {
            acc = std::move(c);
            first = false;
        } else {
            const int64_t g = int64_t{prev} - e;
            if (g == 1) {
                fast_mult(acc, v, acc);
            } else {
                number_power(v, g, pw);
                fast_mult(acc, pw, acc);
            }
            fastsum(acc, c);
        }
        prev = e;
    }
    if (prev > 0) {
        number_power(v, prev, pw);
        fast_mult(acc, pw, acc);
    }
    r = std::move(acc);
    return true;
}

// ---------------------------------------------------------------------------
// Level-by-level evaluation

struct EvalContext {
    const PolyNode* const* values;
    int nvalues;
    int k;
    // direct[i]: every level from i on (below nvalues) has a value.
    std::vector<char> direct;
};

bool substituted(const EvalContext& c, int i) {
    return i >= c.k && i < c.nvalues && c.values[i] != kKeepLevel;
}

// A constant from the direct forms, or null when they do not apply.
PolyNode* direct_value(const PolyNode* p, int i, const EvalContext& c) {
    if (field_depth > 0) return nullptr;
    const int n = c.nvalues - i;
    if (modularmode) {
        std::vector<int32_t> v(static_cast<size_t>(n));
        for (int j = 0; j < n; ++j) v[static_cast<size_t>(j)] = c.values[i + j]->num.lint();
        int32_t r;
        if (!mod_eval(p, v.data(), n, r)) return nullptr;
        Number x;
        setvalue(0, x);
        x.set_lint(r);
        return number_node(std::move(x));
    }
    if (lintmode) return nullptr;
    std::vector<Number> v(static_cast<size_t>(n));
    for (int j = 0; j < n; ++j) num_assign(c.values[i + j]->num, v[static_cast<size_t>(j)]);
    Number r;
    if (!rat_eval(p, v.data(), n, r)) return nullptr;
    return number_node(std::move(r));
}

PolyNode* eval_rec(const PolyNode* p, int i, const EvalContext& c) {
    if (poly_is_const(p)) return copy_poly(p);
    if (!substituted(c, i)) {
        // The level stays: rebuild its terms over the evaluated coefficients.
        Poly head;
        PolyNode** tail = &head.raw();
        for (const PolyNode* n = p; n; n = n->next) {
            PolyNode* t;
            if (n->isnum) {
                t = copy_number_node(n->num);
            } else {
                Poly s(eval_rec(n->sub, i + 1, c));
                if (poly_iszero(s.get())) continue;
                t = make_term(n->expo, s.release());
            }
            *tail = t;
            tail = &t->next;
        }
        return head ? head.release() : zero_node();
    }
    if (c.direct[static_cast<size_t>(i)])
        if (PolyNode* d = direct_value(p, i, c)) return d;
    Poly r = horner(p, c.values[i], nullptr, [&](const PolyNode* n) {
        return Poly(n->isnum ? copy_number_node(n->num) : eval_rec(n->sub, i + 1, c));
    });
    PolyNode* out = r.release();
    add_pad(out);
    return out;
}

}  // namespace

void poly_at_numb(Poly& r, const PolyNode* p, const PolyNode* v, PolyVar* var, bool pad) {
    if (!poly_is_const(v)) internal_stop("n2 not number in poly_at_numb");
    if (poly_is_const(p)) {
        poly_assign(p, r);
        return;
    }
    Poly acc = horner(p, v, deeper(var), [](const PolyNode* n) { return Poly(coefficient_copy(n)); });
    if (pad) add_pad(acc.raw());
    r = std::move(acc);
}

void all_poly_eval(const PolyNode* p, const PolyNode* const* values, int nvalues, Poly& r, int k) {
    if (poly_iszero(p)) {
        r.reset();
        return;
    }
    EvalContext c{values, nvalues, k, {}};
    c.direct.assign(static_cast<size_t>(nvalues > 0 ? nvalues : 0) + 1, 0);
    bool all = true;
    for (int i = nvalues - 1; i >= 0; --i) {
        all = all && values[i] != kKeepLevel && i >= k;
        c.direct[static_cast<size_t>(i)] = all;
    }
    r.reset(eval_rec(p, 0, c));
}

// ---------------------------------------------------------------------------

namespace {

// The smallest exponent (at most 0) of the variable of the given depth.
int32_t min_exponent_at(const PolyNode* p, int depth) {
    int32_t m = 0;
    for (; p; p = p->next) {
        if (p->isnum) continue;
        if (depth == 1) {
            if (p->expo < m) m = p->expo;
        } else {
            const int32_t s = min_exponent_at(p->sub, depth - 1);
            if (s < m) m = s;
        }
    }
    return m;
}

}  // namespace

void poly_eval_points(const PolyNode* p, const EvalPoint* points, int npoints, Poly& num,
                      Poly& den) {
    const int nv = number_polys;
    std::vector<const PolyNode*> values(static_cast<size_t>(nv > 0 ? nv : 1), kKeepLevel);
    for (int i = 0; i < npoints; ++i) {
        const int level = points[i].level;
        if (level < 1 || level > nv || !poly_is_const(points[i].value))
            internal_stop("n2 not number in poly_at_numb");
        values[static_cast<size_t>(level - 1)] = points[i].value;
    }
    Poly work(copy_poly(p));
    Poly d;
    if (laurent) {
        for (int level = 1; level <= nv; ++level) {
            const PolyNode* v = values[static_cast<size_t>(level - 1)];
            if (!v) continue;
            const int32_t m = min_exponent_at(work.get(), level);
            if (m >= 0) continue;
            // p x^(-m) has no negative exponent in this variable.
            Poly shift;
            base_poly(shift, level);
            compute_power(shift, -m, nullptr);
            poly_mult(work.get(), shift.get(), work, nullptr);
            Poly vp(copy_poly(v));
            compute_power(vp, -m, nullptr);
            if (d)
                poly_mult(d.get(), vp.get(), d, nullptr);
            else
                d = std::move(vp);
        }
    }
    Poly r;
    all_poly_eval(work.get(), values.data(), nv, r, 0);
    if (!r) r.reset(zero_node());
    num = std::move(r);
    den = std::move(d);
}

}  // namespace tolmex
