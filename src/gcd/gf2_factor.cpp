// The distinct-degree and equal-degree stages modulo 2 on packed polys:
// the q-th power is one square, the trace a sum of squares.
#include <utility>

#include "base/errors.h"
#include "gcd/factor_internal.h"
#include "gcd/gf2_poly.h"

namespace tolmex::factorimpl {

using gf2::Mod2;
using gf2::Poly2;

namespace {

Poly2 x_poly() {
    Poly2 x;
    x.w = {2};
    return x;
}

Poly2 quotient(Poly2 a, const Poly2& b, const char* failure) {
    Poly2 q;
    gf2::divide(a, b, &q);
    if (!a.is_zero()) internal_stop(failure);
    q.trim();
    return q;
}

// Iterations whose differences h - x are multiplied before one GCD.
constexpr int32_t kBlock = 24;

void split_block2(const std::vector<Poly2>& hs, int32_t first, Poly2& G, Poly2& f,
                  std::vector<DegreePart>& parts, bool test_only) {
    for (size_t k = 0; k < hs.size() && G.degree() > 0; ++k) {
        Poly2 t = gf2::add(hs[k], x_poly());
        gf2::divide(t, G, nullptr);
        Poly2 g = gf2::gcd(std::move(t), G);
        if (g.degree() <= 0) continue;
        G = quotient(std::move(G), g, "failure in distinct degree factoring.");
        f = quotient(std::move(f), g, "failure in distinct degree factoring.");
        parts.push_back({gf2::to_residues(g), first + static_cast<int32_t>(k)});
        if (test_only) return;
    }
}

void split2(Poly2 f, int32_t d, std::vector<gcdimpl::Residues>& out) {
    if (f.degree() == d) {
        out.push_back(gf2::to_residues(f));
        return;
    }
    const Mod2 M(f);
    for (;;) {
        Poly2 r = gf2::from_residues(random_poly(f.degree()));
        if (r.degree() <= 0) continue;
        // The trace r + r^2 + ... + r^(2^(d-1)).
        Poly2 s = r, t = r;
        for (int32_t j = 1; j < d; ++j) {
            t = M.sqrmod(t);
            s = gf2::add(s, t);
            if (j % 256 == 0) poll_interrupt();
        }
        Poly2 g = gf2::gcd(std::move(s), f);
        if (g.degree() > 0 && g.degree() < f.degree()) {
            Poly2 rest = quotient(f, g, "failure in even_cantor_zass.");
            split2(std::move(g), d, out);
            split2(std::move(rest), d, out);
            return;
        }
        poll_interrupt();
    }
}

}  // namespace

void gf2_distinct_degree(gcdimpl::Residues fr, std::vector<DegreePart>& parts, bool test_only) {
    Poly2 f = gf2::from_residues(fr);
    Mod2 M(f);
    Poly2 h = M.reduce(x_poly());
    int32_t i = 0;
    while (2 * (i + 1) <= f.degree()) {
        std::vector<Poly2> hs;
        Poly2 P;
        P.w = {1};
        const int32_t first = i + 1;
        for (int32_t b = 0; b < kBlock && 2 * (i + 1) <= f.degree(); ++b) {
            ++i;
            h = M.sqrmod(h);
            P = M.mulmod(P, gf2::add(h, x_poly()));
            hs.push_back(h);
        }
        poll_interrupt();
        Poly2 G = gf2::gcd(P, f);
        if (G.degree() <= 0) continue;
        const size_t before = parts.size();
        split_block2(hs, first, G, f, parts, test_only);
        if (test_only && parts.size() > before) return;
        if (f.degree() <= 0) return;
        M = Mod2(f);
        h = M.reduce(std::move(h));
        poll_interrupt();
    }
    if (!test_only && f.degree() > 0) {
        const int32_t d = f.degree();
        parts.push_back({gf2::to_residues(f), d});
    }
}

void gf2_equal_degree(gcdimpl::Residues f, int32_t d, std::vector<gcdimpl::Residues>& out) {
    split2(gf2::from_residues(f), d, out);
}

}  // namespace tolmex::factorimpl
