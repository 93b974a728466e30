// Trial division: does b divide a? Cheap probabilistic refutations first
// (evaluation of every variable below the main one at random points and
// division of the one-variable images), the exact division only when they
// do not refute.
#include <vector>

#include "base/errors.h"
#include "numbers/gcd.h"
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

// Base value of the points of fast_test.
constexpr uint32_t kTestBase = 2;

// Steps a and b down through their common wrapper levels; the number of
// levels passed.
int strip_common_wrappers(const PolyNode*& a, const PolyNode*& b) {
    int skipped = 0;
    while (!a->isnum && !b->isnum && a->expo == 0 && b->expo == 0 && !a->next && !b->next) {
        a = a->sub;
        b = b->sub;
        ++skipped;
    }
    return skipped;
}

// The images of a and b with the points substituted below the main level,
// divided. point(j) gives the value for the j-th level below the main one.
template <class Point>
TestVerdict image_test(const PolyNode* a, const PolyNode* b, Point&& point) {
    const int skipped = strip_common_wrappers(a, b);
    if (poly_is_const(a) || poly_is_const(b)) return TestVerdict::NoVerdict;
    const int32_t da = degree(a), db = degree(b);
    if (db == 0) return TestVerdict::NoVerdict;
    if (db > da) return TestVerdict::Refuted;  // a is not 0
    if (modularmode && !mod_is_prime) return TestVerdict::NoVerdict;
    const int levels = number_polys - skipped;
    if (levels < 1) return TestVerdict::NoVerdict;
    std::vector<Poly> owned(static_cast<size_t>(levels));
    std::vector<const PolyNode*> values(static_cast<size_t>(levels), kKeepLevel);
    for (int j = 1; j < levels; ++j) {
        owned[static_cast<size_t>(j)] = point(j);
        values[static_cast<size_t>(j)] = owned[static_cast<size_t>(j)].get();
    }
    Poly ia, ib;
    all_poly_eval(a, values.data(), levels, ia, 1);
    all_poly_eval(b, values.data(), levels, ib, 1);
    if (!ia || !ib || poly_is_const(ib.get()) || degree(ia.get()) != da || degree(ib.get()) != db)
        return TestVerdict::NoVerdict;  // a degree dropped
    Poly r;
    poly_div_no_q(ia.get(), ib.get(), r);
    return poly_iszero(r.get()) ? TestVerdict::NoVerdict : TestVerdict::Refuted;
}

Poly residue_point(uint32_t base) {
    int64_t v = rand_integer2() % 5 + base;
    Number x;
    if (modularmode) {
        setvalue(0, x);
        x.set_lint(static_cast<int32_t>(finf ? v % modulus : v % modulus));
    } else {
        setvalue(static_cast<int32_t>(v), x);
    }
    return Poly(number_node(std::move(x)));
}

}  // namespace

TestVerdict fast_test(uint32_t base, const PolyNode* a, const PolyNode* b) {
    return image_test(a, b, [&](int) { return residue_point(base); });
}

TestVerdict fast_test_rat(const PolyNode* a, const PolyNode* b) {
    if (lintmode) return TestVerdict::NoVerdict;
    return image_test(a, b, [](int) {
        Number x;
        setvalue(rand_integer2(), x);
        return Poly(number_node(std::move(x)));
    });
}

namespace {

bool trial(const PolyNode* a, const PolyNode* b, Poly* q, PolyVar* var) {
    if (!a || !b) internal_stop("pt nil in poly_divide.");
    if (poly_is_const(b)) {
        if (num_is_zero(b->num)) {
            // Demoted to a warning at a nested command level: quotient 0.
            error(22, "/");
            if (q) q->reset(zero_node());
            return true;
        }
        if (modularmode && (finf ? b->num.lint() == 0 : smallgcd(b->num.lint(), modulus) != 1))
            return false;
        Poly qq;
        if (!poly_quot(a, b, qq, 5)) return false;
        if (q) *q = std::move(qq);
        return true;
    }
    if (poly_is_const(a)) {
        if (!num_is_zero(a->num)) return false;
        if (q) q->reset(zero_node());
        return true;
    }
    if (!lintmode && try_rat && fast_test_rat(a, b) == TestVerdict::Refuted) return false;
    if (fast_test(kTestBase, a, b) == TestVerdict::Refuted) return false;
    int inexact = 0;
    Poly qq;
    gen_poly_divide(a, b, qq, var, inexact);
    if (inexact) return false;
    if (q) *q = std::move(qq);
    return true;
}

}  // namespace

bool trial_poly_divide(const PolyNode* a, const PolyNode* b, Poly& q, PolyVar* var) {
    return trial(a, b, &q, var);
}

bool trial_poly_divide_noq(const PolyNode* a, const PolyNode* b, PolyVar* var) {
    if (!a || !b) internal_stop("pt nil in trial_poly_divide_noq.");
    if (poly_is_const(b)) internal_stop("m number in trial_poly_divide_noq.");
    return trial(a, b, nullptr, var);
}

}  // namespace tolmex
