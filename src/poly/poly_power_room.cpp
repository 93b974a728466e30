// A lower bound of the size of a power of a poly, so that a power that
// could never fit in memory is refused before the work starts.
//
// Over the integers (no variable modded out) the leading coefficient of p^n
// is the n-th power of p's leading coefficient. When every coefficient of p
// has one sign nothing cancels: the terms of p^n are all sums of n exponent
// vectors of p, and if those vectors span d dimensions (affinely), d + 1 of
// them are affinely independent and their n-fold sums alone give C(n + d, d)
// distinct terms. The dimension is taken modulo a prime, which can only
// lower it, and from at most kScanned terms, which can only lower it too.
#include <vector>

#include "numbers/modular_state.h"
#include "poly/poly_internal.h"
#include "poly/poly_modout_hooks.h"
#include "poly/polyvars.h"
#include "storage/accounting.h"

namespace tolmex::polyimpl {

namespace {

constexpr int64_t kPrime = 2147483647;  // 2^31 - 1
constexpr size_t kScanned = 1024;

// The exponent vectors (row after row, `width` entries each) of the first
// kScanned terms, and whether every coefficient has the same sign.
struct Terms {
    int width;
    std::vector<int32_t> rows;
    std::vector<int32_t> path;
    int sign = 0;
    bool one_sign = true;
    bool too_deep = false;
    size_t count() const { return rows.size() / static_cast<size_t>(width); }
};

void collect(const PolyNode* p, int level, Terms& t) {
    for (; p && !t.too_deep; p = p->next) {
        if (level >= t.width) {
            t.too_deep = true;
            return;
        }
        t.path[static_cast<size_t>(level)] = p->expo;
        if (!p->isnum) {
            collect(p->sub, level + 1, t);
            continue;
        }
        const int s = p->num.size() ? p->num.sign() : 0;
        if (t.sign == 0) t.sign = s;
        if (s != t.sign) t.one_sign = false;
        if (t.count() < kScanned) {
            t.rows.insert(t.rows.end(), t.path.begin(), t.path.begin() + level + 1);
            t.rows.resize(t.rows.size() + static_cast<size_t>(t.width - level - 1), 0);
        }
    }
}

int64_t mod_prime(int64_t v) { return ((v % kPrime) + kPrime) % kPrime; }

int64_t inverse(int64_t a) {
    int64_t r = 1, e = kPrime - 2;
    for (; e; e >>= 1, a = a * a % kPrime)
        if (e & 1) r = r * a % kPrime;
    return r;
}

// The affine dimension of the rows modulo the prime.
int affine_dimension(const Terms& t) {
    const size_t w = static_cast<size_t>(t.width);
    std::vector<std::vector<int64_t>> basis;  // reduced rows, pivot first
    std::vector<size_t> pivots;
    std::vector<int64_t> v(w);
    for (size_t r = 1; r < t.count() && basis.size() < w; ++r) {
        for (size_t j = 0; j < w; ++j)
            v[j] = mod_prime(int64_t{t.rows[r * w + j]} - t.rows[j]);
        for (size_t b = 0; b < basis.size(); ++b) {
            const int64_t f = v[pivots[b]];
            if (!f) continue;
            for (size_t j = 0; j < w; ++j) v[j] = mod_prime(v[j] - f * basis[b][j] % kPrime);
        }
        size_t pivot = 0;
        while (pivot < w && !v[pivot]) ++pivot;
        if (pivot == w) continue;
        const int64_t inv = inverse(v[pivot]);
        for (int64_t& x : v) x = x * inv % kPrime;
        basis.push_back(v);
        pivots.push_back(pivot);
    }
    return static_cast<int>(basis.size());
}

double binomial(int64_t n, int d) {
    double c = 1;
    for (int i = 1; i <= d; ++i) c = c * static_cast<double>(n + i) / i;
    return c;
}

}  // namespace

void require_power_room(const PolyNode* p, int64_t n) {
    if (lintmode || n < 2 || pseudo_polynames || modout_in_force()) return;
    const PolyNode* lead = p;
    while (lead && !lead->isnum) lead = lead->sub;
    if (lead) require_power_digits(lead->num, n);
    // Every term of p^n takes a number node and a number record.
    constexpr double kTermBytes = sizeof(PolyNode) + kNumberRecordBytes;
    // Number nodes sit one level below the deepest variable.
    const int width = number_polys + 1;
    if (binomial(n, number_polys) * kTermBytes < 1048576.0) return;  // cannot matter
    Terms t{width, {}, std::vector<int32_t>(static_cast<size_t>(width), 0)};
    collect(p, 0, t);
    if (t.too_deep || !t.one_sign) return;
    require_memory(binomial(n, affine_dimension(t)) * kTermBytes);
}

}  // namespace tolmex::polyimpl
