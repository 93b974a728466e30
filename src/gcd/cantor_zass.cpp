// Equal-degree splitting after Cantor and Zassenhaus: a random poly r
// modulo f has, in each of f's factor fields, a power r^((q^d - 1)/2) of
// 1 or -1 (odd characteristic) or a trace of 0 or 1 (characteristic 2)
// independently with probability about 1/2, so the GCD with f splits f.
#include <cstdio>
#include <random>
#include <utility>

#include "base/errors.h"
#include "gcd/factor_internal.h"
#include "numbers/modular_state.h"

namespace tolmex::factorimpl {

using gcdimpl::degree;
using gcdimpl::Exponent;
using gcdimpl::ModPoly;
using gcdimpl::Residues;

namespace {

// Fixed seed: the same input takes the same route every time.
std::mt19937_64& rng() {
    static std::mt19937_64 g(0x746f6c6d6578ULL);
    return g;
}

uint32_t field_elements() { return finf ? (f256 ? 256u : 65536u) : static_cast<uint32_t>(modulus); }

// f = g (f / g) when g is a proper factor: both parts are split further.
bool split_by(const Residues& f, Residues g, int32_t d, std::vector<Residues>& out, const char* failure,
              void (*again)(Residues, int32_t, std::vector<Residues>&)) {
    if (degree(g) <= 0 || degree(g) >= degree(f)) return false;
    Residues rest = exact_quotient(f, g, failure);
    again(std::move(g), d, out);
    again(std::move(rest), d, out);
    return true;
}

}  // namespace

Residues random_poly(int32_t n) {
    Residues r(static_cast<size_t>(n));
    const uint32_t m = field_elements();
    for (int32_t& v : r) v = static_cast<int32_t>(rng()() % m);
    gcdimpl::trim(r);
    return r;
}

void odd_cantor_zass(Residues f, int32_t d, std::vector<Residues>& out) {
    if (degree(f) == d) {
        out.push_back(std::move(f));
        return;
    }
    Exponent e = Exponent::power(field_size(), d);
    e.sub_one();
    e.halve();
    const ModPoly M(f);
    for (;;) {
        Residues r = random_poly(degree(f));
        if (degree(r) <= 0) continue;
        Residues s = gcdimpl::powermod(r, M, e);
        s = gcdimpl::difference(s, Residues{1});
        if (split_by(f, array_gcd(std::move(s), f), d, out, "failure in odd_cantor_zass.", odd_cantor_zass))
            return;
        poll_interrupt();
    }
}

void even_cantor_zass(Residues f, int32_t d, std::vector<Residues>& out) {
    if (degree(f) == d) {
        out.push_back(std::move(f));
        return;
    }
    const int32_t terms = char2_degree() * d;
    const ModPoly M(f);
    for (;;) {
        Residues r = random_poly(degree(f));
        if (degree(r) <= 0) continue;
        // The trace r + r^2 + r^4 + ... with k d terms.
        Residues s = r, t = r;
        for (int32_t j = 1; j < terms; ++j) {
            t = M.sqrmod(t);
            s = gcdimpl::sum(s, t);
            if (j % 64 == 0) poll_interrupt();
        }
        if (split_by(f, array_gcd(std::move(s), f), d, out, "failure in even_cantor_zass.", even_cantor_zass))
            return;
        poll_interrupt();
    }
}

void equal_degree(Residues f, int32_t d, std::vector<Residues>& out, bool show) {
    if (show) std::printf(" splitting degree %d into factors of degree %d\n", degree(f), d);
    if (!finf && modulus == 2)
        gf2_equal_degree(std::move(f), d, out);
    else if (finf)
        even_cantor_zass(std::move(f), d, out);
    else
        odd_cantor_zass(std::move(f), d, out);
}

}  // namespace tolmex::factorimpl
