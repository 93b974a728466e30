// Irreducibility over Q by factoring modulo one large prime (see the header).
#include "gcd/rat_irreducible.h"

#include <cmath>
#include <cstdint>
#include <vector>

#include "gcd/factor.h"
#include "gcd/gcd_methods.h"
#include "numbers/gcd.h"
#include "numbers/number.h"
#include "poly/poly_arith.h"
#include "poly/poly_coefs.h"
#include "poly/poly_terms.h"

namespace tolmex {

namespace {

// Factors a product of more modular factors than this is not tried.
constexpr int kMaxFactors = 20;
// The primes tried: a non-square-free image modulo all of them means m
// has a repeated factor over Q (its discriminant is 0).
constexpr int kPrimeTries = 3;
constexpr double kLargestPrime = 2147483000.0;

// Mignotte's bound on the coefficients of a factor of m: 2^n ||m||_2.
double factor_bound(const PolyNode* m, int32_t n) {
    double sum = 0;
    const bool fits = poly_each_number(m, [&](const Number& x) {
        int64_t v = 0;
        if (!to_int64(x, v)) return false;
        sum += static_cast<double>(v) * static_cast<double>(v);
        return true;
    });
    return fits ? std::ldexp(std::sqrt(sum), n) : HUGE_VAL;
}

// The monic irreducible factors of m modulo p (lifted to the symmetric
// range); false when the image of m is not square-free.
bool modular_factors(const PolyNode* m, PolyVar* var, int32_t p, std::vector<Poly>& out) {
    std::vector<Poly> inside;
    {
        TempModulus in_p(p);
        Poly image(residue_image(m));
        Poly list;
        int32_t count = 0;
        factor_poly(image.get(), list, count, false, false, -1, var);
        for (const PolyNode* f = list.get(); f; f = f->next) {
            if (f->expo != 1) return false;
            inside.emplace_back(copy_poly(f->sub));
        }
    }
    for (Poly& f : inside) out.emplace_back(symmetric_lift(f.get(), p));
    return true;
}

// The product modulo p of the factors chosen by mask, lifted.
Poly subset_product(const std::vector<Poly>& f, uint32_t mask, int32_t p) {
    Poly prod;
    {
        TempModulus in_p(p);
        poly_set(1, prod);
        for (size_t i = 0; i < f.size(); ++i) {
            if (!(mask >> i & 1)) continue;
            Poly image(residue_image(f[i].get()));
            Poly next;
            poly_mult(prod.get(), image.get(), next, nullptr);
            prod = std::move(next);
        }
    }
    return Poly(symmetric_lift(prod.get(), p));
}

int32_t degree(const PolyNode* p) { return poly_is_const(p) ? 0 : level_degree(p, 1); }

}  // namespace

bool rat_irreducible(const PolyNode* m, PolyVar* var) {
    const int32_t n = degree(m);
    if (n <= 1) return n == 1;
    const double bound = 2 * factor_bound(m, n) + 1;
    if (bound >= kLargestPrime) return false;
    int32_t p = nextprime(static_cast<int32_t>(bound));
    std::vector<Poly> factors;
    for (int tries = 0;; ++tries) {
        if (tries == kPrimeTries) return false;
        factors.clear();
        if (modular_factors(m, var, p, factors)) break;
        p = nextprime(p);
    }
    const int r = static_cast<int>(factors.size());
    if (r <= 1) return true;
    if (r > kMaxFactors) return false;
    // A factor over Z of degree at most n / 2 is the lift of a product of
    // modular factors.
    for (uint32_t mask = 1; mask < (uint32_t{1} << r); ++mask) {
        int32_t d = 0;
        for (int i = 0; i < r; ++i)
            if (mask >> i & 1) d += degree(factors[static_cast<size_t>(i)].get());
        if (d == 0 || 2 * d > n) continue;
        Poly g = subset_product(factors, mask, p);
        Poly rem;
        level_remainder(m, g.get(), 1, rem);
        if (poly_iszero(rem.get())) return false;
    }
    return true;
}

}  // namespace tolmex
