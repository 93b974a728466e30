// The modular GCD over Z: images of the operands modulo word-size primes,
// their GCDs modulo each prime, combined by the Chinese remainder theorem
// until the combination stops changing and its primitive part divides
// both operands.
//
// Which primes: the table of word-size primes from its top (2147483629
// downward), then the primes below 2^16 from 65521 downward, then the
// multi-modular moduli below those; when the tables were not loaded a run
// of primes below 2^16 is computed. Primes near 2^31 halve the number of
// images against 16-bit ones: the two-variable GCD of degree 100 with
// 160-bit coefficients went from 24.7 s to 14.7 s. A prime
// is skipped when it divides gamma, the GCD of the operands' leading
// numbers (the coefficients of their leading terms in every variable):
// modulo any other prime the image GCD has a leading monomial no lower
// than the true GCD's, and equal exactly when the prime is lucky, so
// comparing leading monomials sorts the images, and gamma mod p is the
// leading number every image is scaled to.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "base/errors.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "gcd/mod_images.h"
#include "gcd/polygcd.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"
#include "numbers/tables.h"
#include "poly/poly_arith.h"
#include "poly/poly_coefs.h"
#include "poly/poly_divide.h"

namespace tolmex {

using gcdimpl::all_zero;
using gcdimpl::compare_exponents;
using gcdimpl::residue;
using gcdimpl::StashOff;

namespace {

constexpr int32_t kTopPrime = 65521;

}  // namespace

const std::vector<int32_t>& gcdimpl::modular_prime_supply() {
    static std::vector<int32_t> supply;
    static bool from_tables = false;
    const bool loaded = big_prime[kBigPrimes - 1] != 0;
    if (!supply.empty() && from_tables == loaded) return supply;
    supply.clear();
    from_tables = loaded;
    if (loaded) {
        for (int k = kLargePrimes - 1; k >= 0; --k) supply.push_back(lrgpme[k]);
        for (int k = kBigPrimes - 1; k >= 0; --k) supply.push_back(big_prime[k]);
        for (int k = kPrimeModuli - 1; k >= 0; --k)
            if (prime[k] && prime[k].lint() > 2 && prime[k].lint() < supply.back())
                supply.push_back(prime[k].lint());
        return supply;
    }
    for (int32_t c = kTopPrime; static_cast<int>(supply.size()) < kBigPrimes && c > 2; c -= 2)
        if (is_prime(c)) supply.push_back(c);
    return supply;
}

namespace {

// The next prime of the supply from `next` on that does not divide gamma;
// 0 when the supply is exhausted.
int32_t select_prime(size_t& next, const Number& gamma) {
    const std::vector<int32_t>& s = gcdimpl::modular_prime_supply();
    while (next < s.size()) {
        const int32_t p = s[next++];
        if (digits_mod(gamma, p) != 0) return p;
    }
    return 0;
}

// The combination of the images so far: h congruent to every image mod m,
// in symmetric residues; deg the leading exponents they share.
struct Combination {
    Poly h;
    Number m;
    std::vector<int32_t> deg;
    bool empty() const { return !h; }
};

// What one prime gave: the leading exponents of its image and the residue
// poly to add (the image itself on a restart, else Garner's correction).
struct PrimeStep {
    std::vector<int32_t> deg;
    Poly t;
    bool coprime = false, restart = false, skip = false;
};

void print_spurious(bool first, const Combination& c, const PrimeStep& s, int32_t p) {
    if (!verbose) return;
    const int old_deg = c.deg.empty() ? 0 : c.deg[0];
    const int new_deg = s.deg.empty() ? 0 : s.deg[0];
    if (first)
        std::printf(" *** ALERT. spurious first factor in gcd. %d, %d, %d\n", old_deg, new_deg, p);
    else
        std::printf(" *** Alert. spurious factor in gcd. %d, %d, %d\n", old_deg, new_deg, p);
}

// Inside the temporary modulus p: the GCD of the images of a and b,
// scaled so that its leading number is gamma mod p.
Poly image_gcd(const PolyNode* a, const PolyNode* b, int32_t gamma_p, PolyVar* vars, bool onevar) {
    Poly ap(residue_image(a)), bp(residue_image(b)), g;
    StashOff off;
    if (onevar) {
        basic_poly_gcd(ap.get(), bp.get(), g);
    } else {
        TrustImages trust;  // the combination is divided into a and b at the end
        polygcd(ap.get(), bp.get(), g, false, false, true, vars, 1, 1, false);
    }
    gcdimpl::scale_to_leading(g, gamma_p);
    return g;
}

// Inside the temporary modulus p (m > 0 is a product of other primes):
// t := (image - h) / m mod p, the residue
// that Garner's step multiplies by m and adds to h.
void Chinese(const Combination& c, const PolyNode* image, int32_t p, Poly& t) {
    Poly hp(residue_image(c.h.get()));
    Poly d;
    poly_sub(image, hp.get(), d);
    int32_t inv = 0;
    emod_inverse(static_cast<int32_t>(digits_mod(c.m, p)), inv);
    scalar_by_poly(residue(inv), d.get(), t);
}

PrimeStep one_prime(const PolyNode* a, const PolyNode* b, const Number& gamma, int32_t p,
                    const Combination& c, PolyVar* vars, int levels) {
    PrimeStep s;
    // No command level may open while the operands are read under the
    // temporary modulus; interrupts wait for the poll between primes.
    InterruptHold hold;
    TempModulus tm(p);
    const int32_t gamma_p = static_cast<int32_t>(digits_mod(gamma, p));
    Poly g = image_gcd(a, b, gamma_p, vars, levels <= 1);
    s.deg = leading_exponents(g.get(), levels);
    if (all_zero(s.deg)) {
        s.coprime = true;
        return s;
    }
    const int order = c.empty() ? -1 : compare_exponents(s.deg, c.deg);
    if (order > 0) {
        print_spurious(false, c, s, p);
        s.skip = true;
    } else if (order < 0) {
        if (!c.empty()) print_spurious(true, c, s, p);
        s.restart = true;
        s.t = std::move(g);
    } else {
        Chinese(c, g.get(), p, s.t);
    }
    return s;
}

// The primitive part of the combination, with a positive leading number,
// when it divides both operands.
bool divides_both(const Combination& c, const PolyNode* a, const PolyNode* b, Poly& g,
                  PolyVar* vars) {
    Number content;
    find_gcdcoefs(c.h.get(), content);
    Poly cand;
    poly_assign(c.h.get(), cand);
    if (!num_is_one(content)) divide_thru(cand.get(), content);
    if (leading_number(cand.get()).sign() < 0) poly_inplace(cand.get());
    if (!trial_poly_divide_noq(a, cand.get(), vars) || !trial_poly_divide_noq(b, cand.get(), vars))
        return false;
    g = std::move(cand);
    return true;
}

}  // namespace

bool basic_mod_method(const PolyNode* a, const PolyNode* b, Poly& g, PolyVar* vars) {
    if (modularmode || lintmode) return false;
    const int levels = std::max(deepest_level(a), deepest_level(b));
    if (levels < 1) return false;
    Number gamma;
    binary_gcd(leading_number(a), leading_number(b), gamma);
    Combination c;
    size_t next = 0;
    for (;;) {
        poll_interrupt();
        const int32_t p = select_prime(next, gamma);
        if (p == 0) return false;
        PrimeStep s = one_prime(a, b, gamma, p, c, vars, levels);
        if (s.coprime) {
            poly_set(1, g);
            return true;
        }
        if (s.skip) continue;
        Poly t(symmetric_lift(s.t.get(), p));
        if (s.restart) {
            c.h = std::move(t);
            set_int64(p, c.m);
            c.deg = std::move(s.deg);
            continue;
        }
        if (poly_iszero(t.get())) {
            if (divides_both(c, a, b, g, vars)) return true;
        } else {
            Poly mt;
            scalar_by_poly(c.m, t.get(), mt);
            best_poly_add(std::move(c.h), std::move(mt), c.h);
        }
        Number mp;
        fast_mult(c.m, number_from_int64(p), mp);
        c.m = std::move(mp);
    }
}

}  // namespace tolmex
