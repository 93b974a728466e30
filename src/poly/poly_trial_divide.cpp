// Trial division: does b divide a? Cheap probabilistic refutations first
// (evaluation of every variable below the main one at random points and
// division of the one-variable images), the exact division only when they
// do not refute.
#include <algorithm>
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

namespace {

// The prime of the rational image test: images modulo it keep every
// number below one word, where images over Z would grow with the degree
// (evaluating a product of 200 linear forms at a random 31-bit point and
// pseudo-dividing the image took 0.2 s of a 0.4 s sum of fractions).
constexpr uint64_t kImagePrime = 2147483629;

// The value mod kImagePrime of p (rooted at level `level`, 0-based) with
// x_j := pts[j] for every level j; false for a negative exponent.
bool value_mod(const PolyNode* p, size_t level, const std::vector<uint64_t>& pts, uint64_t& v) {
    v = 0;
    uint64_t last = 0;  // the exponent the running value stands at
    for (const PolyNode* t = p; t; t = t->next) {
        if (t->expo < 0) return false;
        uint64_t c;
        if (t->isnum) {
            c = static_cast<uint64_t>(digits_mod(t->num, kImagePrime));
            if (t->num.sign() < 0 && c != 0) c = kImagePrime - c;
        } else if (!value_mod(t->sub, level + 1, pts, c)) {
            return false;
        }
        // Horner over the gaps between exponents: v := v x^(last - e) + c.
        if (t != p)
            for (int32_t k = t->expo; k < static_cast<int32_t>(last); ++k) v = v * pts[level] % kImagePrime;
        v = (v + c) % kImagePrime;
        last = static_cast<uint64_t>(t->expo);
    }
    for (uint64_t k = 0; k < last; ++k) v = v * pts[level] % kImagePrime;
    return true;
}

// The image of p's main list: out[e] the coefficient of x^e with every
// deeper level evaluated; false for a negative exponent.
bool main_image(const PolyNode* p, const std::vector<uint64_t>& pts, std::vector<uint64_t>& out) {
    out.assign(static_cast<size_t>(degree(p)) + 1, 0);
    for (const PolyNode* t = p; t; t = t->next) {
        if (t->expo < 0) return false;
        uint64_t c;
        if (t->isnum) {
            c = static_cast<uint64_t>(digits_mod(t->num, kImagePrime));
            if (t->num.sign() < 0 && c != 0) c = kImagePrime - c;
        } else if (!value_mod(t->sub, 1, pts, c)) {
            return false;
        }
        out[static_cast<size_t>(t->expo)] = c;
    }
    return true;
}

uint64_t inverse_mod(uint64_t a) {
    uint64_t r = 1, e = kImagePrime - 2;
    for (; e; e >>= 1, a = a * a % kImagePrime)
        if (e & 1) r = r * a % kImagePrime;
    return r;
}

}  // namespace

TestVerdict fast_test_rat(const PolyNode* a, const PolyNode* b) {
    if (lintmode || modularmode) return TestVerdict::NoVerdict;
    strip_common_wrappers(a, b);
    if (poly_is_const(a) || poly_is_const(b)) return TestVerdict::NoVerdict;
    const int32_t da = degree(a), db = degree(b);
    if (db == 0) return TestVerdict::NoVerdict;
    if (db > da) return TestVerdict::Refuted;  // a is not 0
    // If b divides a over Z, the images modulo the prime divide too, as
    // long as b's image keeps its degree.
    std::vector<uint64_t> pts(static_cast<size_t>(std::max(number_polys, 1)) + 1);
    for (uint64_t& x : pts) x = static_cast<uint64_t>(rand_integer2()) % kImagePrime;
    std::vector<uint64_t> ia, ib;
    if (!main_image(a, pts, ia) || !main_image(b, pts, ib) || ib.back() == 0) return TestVerdict::NoVerdict;
    const uint64_t inv = inverse_mod(ib.back());
    for (int32_t i = da; i >= db; --i) {
        const uint64_t q = ia[static_cast<size_t>(i)] * inv % kImagePrime;
        if (q == 0) continue;
        for (int32_t k = 0; k <= db; ++k) {
            uint64_t& x = ia[static_cast<size_t>(i - db + k)];
            x = (x + (kImagePrime - q) * ib[static_cast<size_t>(k)]) % kImagePrime;
        }
    }
    for (int32_t k = 0; k < db; ++k)
        if (ia[static_cast<size_t>(k)] != 0) return TestVerdict::Refuted;
    return TestVerdict::NoVerdict;
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
