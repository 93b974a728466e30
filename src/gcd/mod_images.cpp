#include "gcd/mod_images.h"

#include "numbers/residue.h"
#include "poly/poly_arith.h"

namespace tolmex::gcdimpl {

Number residue(int32_t v) {
    Number x;
    setvalue(0, x);
    x.set_lint(v);
    return x;
}

void scale_to_leading(Poly& p, int32_t target) {
    if (!p || poly_iszero(p.get())) return;
    const int32_t lc = leading_number(p.get()).lint();
    if (lc == target) return;
    int32_t inv = 0;
    emod_inverse(lc, inv);
    scalar_by_poly(residue(modmult(inv, target)), p.get(), p);
}

void make_monic(Poly& p) { scale_to_leading(p, 1); }

void settle_zero(Poly& p) {
    if (!p) poly_set(0, p);
}

bool all_zero(const std::vector<int32_t>& e) {
    for (int32_t v : e)
        if (v != 0) return false;
    return true;
}

int compare_exponents(const std::vector<int32_t>& x, const std::vector<int32_t>& y) {
    if (x < y) return -1;
    return x == y ? 0 : 1;
}

}  // namespace tolmex::gcdimpl
