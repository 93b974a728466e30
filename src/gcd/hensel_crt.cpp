// The GCD of multivariate polys over Z/p, reconstructed one variable at a
// time: the last variable involved is evaluated at points of the field,
// the GCDs of the images (one variable fewer) are computed recursively,
// and the images are interpolated back into polys in that variable.
//
// Content and leading coefficient in the last variable x_k: the operands
// are split into their contents in Z/p[x_k] (the GCD of their coefficients
// as polys in the other variables) and primitive parts. gamma, the GCD of
// the primitive parts' leading coefficients (in Z/p[x_k]), is the
// leading coefficient every image is scaled to at its point, so that the
// interpolated poly is gamma / lc(g) times the primitive GCD g and has
// degree in x_k at most deg gamma + min(deg_k a, deg_k b): the bound after
// which no further point can change it.
//
// Points are 0, 1, 2, ... of the field (points where gamma vanishes are
// passed over). An image whose leading monomial is higher than the others'
// comes from an unlucky point and is dropped; a lower one shows that every
// point so far was unlucky, and the interpolation starts again from it.
// When a new point leaves the interpolated poly unchanged, or the bound is
// reached, its primitive part is checked by trial division of both
// primitive parts; the check failing at the bound is a failed
// reconstruction, retried with further points. A field too small for the
// bound makes the method decline, so that the remainder sequence answers.
//
// Two variables (x main, y last) first try a Hensel lift: at a point a
// that keeps both leading coefficients, g0 = gcd(u(x, a), w(x, a)); when
// g0 and the cofactor h0 of one operand's image are coprime, that
// operand times gamma factors as G H with G = g0 and H = h0 modulo y - a
// and with leading coefficients gamma and lc(operand) (imposed before
// lifting, so that the corrections never touch them). The factors are
// lifted (y - a)-adically, one power at a time, by solving
// sigma h0 + tau g0 = (the error's next coefficient) with the cofactors of
// the extended Euclidean algorithm. G's primitive part is the GCD when it
// divides both operands; otherwise the interpolation answers.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/errors.h"
#include "gcd/gcd_driver.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "gcd/mod_images.h"
#include "numbers/residue.h"
#include "poly/poly_arith.h"
#include "poly/poly_coefs.h"
#include "poly/poly_divide.h"
#include "poly/poly_eval.h"

namespace tolmex {

using gcdimpl::all_zero;
using gcdimpl::compare_exponents;
using gcdimpl::make_monic;
using gcdimpl::residue;
using gcdimpl::StashOff;

namespace {

constexpr int kMaxFailures = 10;

// Done: g is known. Pending: the point taken leaves it open (more points).
// GaveUp: the points ran out. TooFewPoints: the field is too small for
// the degree bound.
enum class Outcome { Done, Pending, GaveUp, TooFewPoints };

struct Context {
    PolyVar* vars;
    int failures = 0;
    int depth = 0;
};

// One-variable GCD of two polys of x_k handed as polys of their own top
// level.
void univariate_gcd(const PolyNode* a, const PolyNode* b, Poly& g) {
    StashOff off;
    basic_poly_gcd(a, b, g);
}

// The GCD in Z/p[x_k] of the coefficients of p at level k (monic).
void level_content(const PolyNode* p, int k, Poly& c) {
    poly_set(0, c);
    each_level_coef(p, k, [&c](const PolyNode* coef) {
        Poly t;
        univariate_gcd(c.get(), coef, t);
        c = std::move(t);
        return !poly_is_const(c.get());
    });
}

// p with every coefficient at level k divided by the poly c of x_k
// (which divides them all).
Poly divide_level(const PolyNode* p, int k, const PolyNode* c) {
    if (poly_is_const(c)) return Poly(copy_poly(p));
    return Poly(map_level_coefs(p, k, [c](const PolyNode* coef, Poly& out) {
        Poly r;
        basic_poly_divide(coef, c, out, r);
    }));
}

// p (a poly of its top level) moved down to level k: k - 1 wrappers.
Poly at_level(const PolyNode* p, int k) {
    Poly r(copy_poly(p));
    for (int j = 1; j < k && !poly_is_const(r.get()); ++j) add_pad(r.raw());
    return r;
}

// p with x_k := a, the other levels kept.
Poly eval_level(const PolyNode* p, int k, int32_t a) {
    Poly v(number_node(residue(a)));
    std::vector<const PolyNode*> values(static_cast<size_t>(k), kKeepLevel);
    values[static_cast<size_t>(k - 1)] = v.get();
    Poly r;
    all_poly_eval(p, values.data(), k, r, 0);
    gcdimpl::settle_zero(r);
    return r;
}

// The value at a of a poly of one variable.
int32_t eval_one(const PolyNode* p, int32_t a) {
    Poly r = eval_level(p, 1, a);
    return poly_constant(r.get()).lint();
}

// x - a as a poly of one variable.
Poly linear(int32_t a) {
    TermList t;
    t.append(1, residue(1));
    if (a != 0) t.append(0, residue(mod_sub(0, a, modulus)));
    return Poly(t.release());
}

void note(const char* text) {
    if (verbose) std::printf("%s", text);
}

// A failed reconstruction; too many of them end the command.
void count_failure(Context& ctx) {
    note(ctx.depth == 0 ? "mod multivar poly_divide retry\n" : "sub_mod_multivar_Chinese retry, 1 A, ");
    if (++ctx.failures > kMaxFailures)
        internal_stop(ctx.depth == 0 ? " too many failures, mod_multivar_Chinese."
                                     : " too many failures, sub_mod_multivar_Chinese.");
}

Outcome sub_mod_multivar_Chinese(const PolyNode* a, const PolyNode* b, Poly& g, Context& ctx);

// s, t with s a + t b = 1 for polys a, b of one variable; false when they
// are not coprime.
bool cofactors(const PolyNode* a, const PolyNode* b, Poly& s, Poly& t) {
    Poly r0(copy_poly(a)), r1(copy_poly(b)), s0, s1, t0, t1;
    poly_set(1, s0);
    poly_set(0, s1);
    poly_set(0, t0);
    poly_set(1, t1);
    while (!poly_iszero(r1.get())) {
        Poly q, r, qs, qt, ns, nt;
        basic_poly_divide(r0.get(), r1.get(), q, r);
        poly_mult(q.get(), s1.get(), qs, nullptr);
        poly_mult(q.get(), t1.get(), qt, nullptr);
        poly_sub(s0.get(), qs.get(), ns);
        poly_sub(t0.get(), qt.get(), nt);
        r0 = std::move(r1);
        r1 = std::move(r);
        s0 = std::move(s1);
        s1 = std::move(ns);
        t0 = std::move(t1);
        t1 = std::move(nt);
    }
    if (!poly_is_const(r0.get())) return false;
    int32_t inv = 0;
    emod_inverse(poly_constant(r0.get()).lint(), inv);
    scalar_by_poly(residue(inv), s0.get(), s);
    scalar_by_poly(residue(inv), t0.get(), t);
    return true;
}

// The poly of two levels whose image at y = a is f (one variable) and
// whose leading coefficient in x is lc (a poly of y).
Poly with_leading(const PolyNode* f, const PolyNode* lc) {
    const int32_t d = level_degree(f, 1);
    Poly xd, top, low, rest, out;
    variable_power(xd, 1, d);
    scalar_by_poly(leading_number(f), xd.get(), top);
    poly_sub(f, top.get(), rest);
    Poly lc2 = at_level(lc, 2);
    poly_mult(lc2.get(), xd.get(), low, nullptr);
    poly_add(low.get(), rest.get(), out);
    return out;
}

// The lift proper: u = G H (two levels) from G = g0, H = h0 at y = a, the
// leading coefficients of G and H already exact. True when G H = u.
bool sub_mod_hensel_2(const PolyNode* u, Poly& G, Poly& H, const PolyNode* g0, const PolyNode* h0,
                      int32_t a, PolyVar* vars) {
    Poly s, t;
    if (!cofactors(g0, h0, s, t)) return false;
    const int32_t steps = level_degree(u, 2);
    Poly power = linear(a);  // (y - a)^k
    for (int32_t k = 1; k <= steps + 1; ++k) {
        poll_interrupt();
        Poly gh, e;
        poly_mult(G.get(), H.get(), gh, vars);
        poly_sub(u, gh.get(), e);
        if (poly_iszero(e.get())) return true;
        if (k > steps) break;
        Poly shifted = divide_level(e.get(), 2, power.get());
        Poly c = eval_level(shifted.get(), 2, a);
        if (!poly_iszero(c.get())) {
            // sigma = t c mod g0, tau = (c - sigma h0) / g0.
            Poly tc, q, sigma, sh, rest, tau, r, pk = at_level(power.get(), 2), dg, dh;
            poly_mult(t.get(), c.get(), tc, nullptr);
            basic_poly_divide(tc.get(), g0, q, sigma);
            poly_mult(sigma.get(), h0, sh, nullptr);
            poly_sub(c.get(), sh.get(), rest);
            basic_poly_divide(rest.get(), g0, tau, r);
            poly_mult(sigma.get(), pk.get(), dg, vars);
            poly_mult(tau.get(), pk.get(), dh, vars);
            best_poly_add(std::move(G), std::move(dg), G);
            best_poly_add(std::move(H), std::move(dh), H);
        }
        Poly next;
        poly_mult(power.get(), linear(a).get(), next, nullptr);
        power = std::move(next);
    }
    return false;
}

// Two levels: the primitive GCD of a and b by lifting from one point, or
// false when the images there do not allow it (or the lift fails).
bool mod_hensel_2(const PolyNode* a, const PolyNode* b, const PolyNode* gamma, Poly& g,
                  PolyVar* vars) {
    const PolyNode* la = leading_level_coef(a, 2);
    const PolyNode* lb = leading_level_coef(b, 2);
    // The first point that keeps both leading coefficients.
    for (int64_t x = 0; x < modulus; ++x) {
        const int32_t pt = static_cast<int32_t>(x);
        const int32_t gx = eval_one(gamma, pt);
        if (eval_one(la, pt) == 0 || eval_one(lb, pt) == 0) continue;
        Poly a0 = eval_level(a, 2, pt), b0 = eval_level(b, 2, pt), g0;
        univariate_gcd(a0.get(), b0.get(), g0);
        if (poly_is_const(g0.get())) {
            poly_set(1, g);  // the degrees in x survive: coprime
            return true;
        }
        // G0 = g0 scaled to gamma(x); the cofactor of the monic g0 has the
        // leading number of the operand's image, so G0 H0 is gamma times it.
        Poly G0(copy_poly(g0.get()));
        gcdimpl::scale_to_leading(G0, gx);
        for (int side = 0; side < 2; ++side) {
            const PolyNode* u = side ? b : a;
            Poly h0, r, gu;
            basic_poly_divide(side ? b0.get() : a0.get(), g0.get(), h0, r);
            poly_mult(at_level(gamma, 2).get(), u, gu, vars);
            Poly G = with_leading(G0.get(), gamma), H = with_leading(h0.get(), side ? lb : la);
            if (!sub_mod_hensel_2(gu.get(), G, H, G0.get(), h0.get(), pt, vars)) continue;
            Poly c;
            level_content(G.get(), 2, c);
            Poly cand = divide_level(G.get(), 2, c.get());
            // G H = gamma u holds exactly, so G's primitive part divides u;
            // the double check divides u again as well.
            const PolyNode* other = side ? a : b;
            if ((!hen_check || trial_poly_divide_noq(u, cand.get(), vars)) &&
                trial_poly_divide_noq(other, cand.get(), vars)) {
                g = std::move(cand);
                return true;
            }
        }
        return false;
    }
    return false;
}

// The interpolation in x_k of the primitive parts a and b.
class Interpolation {
public:
    Interpolation(const PolyNode* a, const PolyNode* b, const PolyNode* gamma, int k, Context& ctx)
        : a_(a), b_(b), gamma_(gamma), k_(k), ctx_(ctx) {
        bound_ = level_degree(gamma, 1) + std::min(level_degree(a, k), level_degree(b, k));
    }
    int32_t bound() const { return bound_; }
    // g := the primitive GCD of a and b (up to a unit).
    Outcome run(Poly& g);

private:
    // Takes the image at point x; Done with g set once the GCD is known.
    Outcome add_point(int32_t x, Poly& g);
    void restart(Poly&& image, int32_t x);
    bool check(Poly& g) const;

    const PolyNode *a_, *b_, *gamma_;
    int k_;
    Context& ctx_;
    int32_t bound_;
    Poly h_, q_;  // the interpolated poly, the product of the x - point
    std::vector<int32_t> deg_;
    int32_t points_ = 0;
};

Outcome Interpolation::run(Poly& g) {
    for (int64_t x = 0; x < modulus; ++x) {
        poll_interrupt();
        const Outcome o = add_point(static_cast<int32_t>(x), g);
        if (o != Outcome::Pending) return o;
    }
    return Outcome::GaveUp;
}

void Interpolation::restart(Poly&& image, int32_t x) {
    h_ = std::move(image);
    q_ = linear(x);
    points_ = 1;
}

Outcome Interpolation::add_point(int32_t x, Poly& g) {
    const int32_t gx = eval_one(gamma_, x);
    if (gx == 0) return Outcome::Pending;
    Poly ax = eval_level(a_, k_, x), bx = eval_level(b_, k_, x), image;
    ++ctx_.depth;
    const Outcome o = sub_mod_multivar_Chinese(ax.get(), bx.get(), image, ctx_);
    --ctx_.depth;
    if (o != Outcome::Done) return o;
    gcdimpl::scale_to_leading(image, gx);
    std::vector<int32_t> deg = leading_exponents(image.get(), k_ - 1);
    if (all_zero(deg)) {
        poly_set(1, g);  // coprime images prove coprime primitive parts
        return Outcome::Done;
    }
    const int order = points_ == 0 ? -1 : compare_exponents(deg, deg_);
    if (order > 0) return Outcome::Pending;  // an unlucky point
    if (order < 0) {
        if (points_ > 0) note("sub_mod_multivar_Chinese retry, 1 B, ");
        deg_ = std::move(deg);
        restart(std::move(image), x);
        return points_ > bound_ && check(g) ? Outcome::Done : Outcome::Pending;
    }
    Poly hx = eval_level(h_.get(), k_, x), d;
    poly_sub(image.get(), hx.get(), d);
    const bool unchanged = poly_iszero(d.get());
    if (!unchanged) {
        int32_t inv = 0;
        emod_inverse(eval_one(q_.get(), x), inv);
        Poly qk = at_level(q_.get(), k_), step, scaled;
        scalar_by_poly(residue(inv), d.get(), scaled);
        poly_mult(scaled.get(), qk.get(), step, ctx_.vars);
        best_poly_add(std::move(h_), std::move(step), h_);
    }
    Poly nq;
    poly_mult(q_.get(), linear(x).get(), nq, nullptr);
    q_ = std::move(nq);
    ++points_;
    if ((unchanged || points_ > bound_) && check(g)) return Outcome::Done;
    if (points_ > bound_) {
        count_failure(ctx_);
        points_ = 0;
    }
    return Outcome::Pending;
}

bool Interpolation::check(Poly& g) const {
    Poly c;
    level_content(h_.get(), k_, c);
    Poly cand = divide_level(h_.get(), k_, c.get());
    if (gcd_trust_images) {
        g = std::move(cand);
        return true;
    }
    if (!trial_poly_divide_noq(a_, cand.get(), ctx_.vars) ||
        !trial_poly_divide_noq(b_, cand.get(), ctx_.vars))
        return false;
    g = std::move(cand);
    return true;
}

// Trivial cases: a zero or constant operand. True when g is set.
bool trivial_gcd(const PolyNode* a, const PolyNode* b, Poly& g) {
    if (poly_iszero(a) || poly_iszero(b)) {
        poly_assign(poly_iszero(a) ? b : a, g);
        make_monic(g);
        return true;
    }
    if (poly_is_const(a) || poly_is_const(b)) {
        poly_set(1, g);
        return true;
    }
    return false;
}

// g := the content GCD c (a poly of x_k) times the primitive GCD pg, monic.
Outcome finish(const PolyNode* c, int k, const Poly& pg, Poly& g, const Context& ctx) {
    Poly ck = at_level(c, k);
    poly_mult(ck.get(), pg.get(), g, ctx.vars);
    make_monic(g);
    return Outcome::Done;
}

Outcome sub_mod_multivar_Chinese(const PolyNode* a, const PolyNode* b, Poly& g, Context& ctx) {
    if (trivial_gcd(a, b, g)) return Outcome::Done;
    const int k = std::max(deepest_level(a), deepest_level(b));
    if (k <= 1) {
        univariate_gcd(a, b, g);
        return Outcome::Done;
    }
    // Images small enough for the dense arrays: the dense method's
    // interpolation checks itself by degrees, without trial divisions.
    if (ctx.depth > 0 && !gcd_skip_dense_methods && dense_modp_method(a, b, g)) return Outcome::Done;
    Poly ca, cb, c, gamma;
    level_content(a, k, ca);
    level_content(b, k, cb);
    univariate_gcd(ca.get(), cb.get(), c);
    Poly pa = divide_level(a, k, ca.get()), pb = divide_level(b, k, cb.get()), pg;
    if (poly_is_const(pa.get()) || poly_is_const(pb.get())) {
        g = at_level(c.get(), k);
        return Outcome::Done;
    }
    univariate_gcd(leading_level_coef(pa.get(), k), leading_level_coef(pb.get(), k), gamma);
    if (k == 2) {
        if (mod_hensel_2(pa.get(), pb.get(), gamma.get(), pg, ctx.vars))
            return finish(c.get(), k, pg, g, ctx);
        note("sub_mod_multivar_Chinese retry, 2 H, ");
    }
    Interpolation in(pa.get(), pb.get(), gamma.get(), k, ctx);
    // The bound needs bound + 1 lucky points; a field of fewer than twice
    // that leaves no room for the unlucky ones.
    if (2 * (static_cast<int64_t>(in.bound()) + 1) >= modulus) return Outcome::TooFewPoints;
    const Outcome o = in.run(pg);
    return o == Outcome::Done ? finish(c.get(), k, pg, g, ctx) : o;
}

}  // namespace

bool mod_multivar_Chinese(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars) {
    if (!modularmode || !mod_is_prime) return false;
    Context ctx{vars};
    Poly r;
    const Outcome o = sub_mod_multivar_Chinese(a, b, r, ctx);
    if (o == Outcome::Done) {
        g = std::move(r);
        return true;
    }
    if (o == Outcome::TooFewPoints) note(" *** Tolmex Warning. Early exit from mod_multivar_Chinese.\n");
    note("mod_multivar_Chinese gave up ");
    return false;
}

}  // namespace tolmex
