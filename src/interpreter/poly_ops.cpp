#include "interpreter/poly_ops.h"

#include <cstring>
#include <vector>

#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/scanner.h"
#include "poly/poly_modout_hooks.h"
#include "poly/poly_eval.h"
#include "poly/polyvars.h"
#include "poly/poly_arith.h"
#include "poly/poly_settings.h"
#include "quoly/quoly_arith.h"

namespace tolmex {

namespace {

// The values of an evaluation list, one constant poly per chosen level.
struct Points {
    std::vector<Poly> values;
    std::vector<EvalPoint> points;
};

bool is_lowercase_name(const char* t) { return t[0] >= 'a' && t[0] <= 'z'; }

// One item: "name = value" for the variable of that name, or a plain value
// for the next level in order. A plain value beyond the last variable is
// error 15 (the list should have ended), a missing "=" error 4, a value
// that is not a number error 147.
void read_item(FILE* in, TokenNode*& cursor, int& next_level, Points& pts) {
    int level = next_level;
    if (is_lowercase_name(token.text) && is_poly_name(token.text, level)) {
        // "name = value" sets the variable of that name.
        const Token name = token;
        scanner(in, token, cursor);
        if (!token_is(token, "=")) error(4, token_is(token, ")") ? name.text : token.text);
        scanner(in, token, cursor);
    } else if (level > number_polys) {
        error(15, token.text);
    }
    Quoly v;
    old_expre(in, v, cursor);
    if (!quoly_is_number(v.get())) error(147, "#");
    Poly value;
    quoly_consume(std::move(v), value);
    pts.values.push_back(std::move(value));
    pts.points.push_back({level, pts.values.back().get()});
    next_level = level + 1;
}

Quoly evaluate_poly(const PolyNode* p, const Points& pts) {
    Poly num, den;
    poly_eval_points(p, pts.points.data(), static_cast<int>(pts.points.size()), num, den);
    Quoly n;
    p_q_take(std::move(num), n);
    if (!den) return n;
    Quoly d;
    p_q_take(std::move(den), d);
    fast_quoly_quot(n, std::move(d));
    return n;
}

}  // namespace

void evaluate_at_list(FILE* in, Quoly& q, TokenNode*& cursor) {
    if (token_is(token, "[")) error(24, "#");
    if (!token_is(token, "(")) error(177, token.text);
    scanner(in, token, cursor);
    Points pts;
    int next_level = 1;
    while (!token_is(token, ")")) {
        read_item(in, cursor, next_level, pts);
        if (token_is(token, ",")) {
            scanner(in, token, cursor);
            continue;
        }
        if (!token_is(token, ")")) error(1, token.text);
    }
    scanner(in, token, cursor);
    if (quoly_is_number(q.get())) return;
    Quoly num = evaluate_poly(quoly_numerator(q.get()), pts);
    if (const PolyNode* d = quoly_denominator(q.get())) {
        Quoly den = evaluate_poly(d, pts);
        fast_quoly_quot(num, std::move(den));
    }
    q = std::move(num);
}

void differentiate_once(Quoly& q) {
    if (quoly_is_number(q.get())) {
        quoly_set(0, q);
        return;
    }
    const PolyNode* num = quoly_numerator(q.get());
    const PolyNode* den = quoly_denominator(q.get());
    Poly n(copy_poly(num));
    general_poly_diff(n, 1, 1);
    if (!den) {
        p_q_take(std::move(n), q);
        return;
    }
    // (n / d)' = (n' d - n d') / d^2.
    Poly d(copy_poly(den));
    general_poly_diff(d, 1, 1);
    Quoly dn, nd, den2;
    Poly t1, t2;
    poly_mult(n.get(), den, t1, modout_context());
    poly_mult(num, d.get(), t2, modout_context());
    Poly top;
    best_poly_sub(std::move(t1), std::move(t2), top);
    Poly bottom;
    poly_mult(den, den, bottom, modout_context());
    Quoly r = make_quotient(std::move(top), std::move(bottom), 0);
    check_quoly(r, laurent);
    q = std::move(r);
}

}  // namespace tolmex
