#include "gcd/residue_arrays.h"

#include <algorithm>

#include "base/errors.h"
#include "numbers/field_tables.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "poly/poly_residues.h"

namespace tolmex::gcdimpl {

void trim(Residues& a) {
    while (!a.empty() && a.back() == 0) a.pop_back();
}

int32_t r_mul(int32_t a, int32_t b) { return modmult(a, b); }
int32_t r_inv(int32_t a) {
    int32_t r = 0;
    emod_inverse(a, r);
    return r;
}
int32_t r_add(int32_t a, int32_t b) { return mod_add(a, b, modulus); }
int32_t r_sub(int32_t a, int32_t b) { return mod_sub(a, b, modulus); }

int32_t make_monic(Residues& a) {
    if (a.empty() || a.back() == 1) return 1;
    const int32_t inv = r_inv(a.back());
    scale(a, inv);
    return inv;
}

void scale(Residues& a, int32_t c) {
    for (int32_t& v : a) v = r_mul(v, c);
    trim(a);
}

namespace {

// The field kernels: the products of q come from the tables.
void field_sub_multiple(int32_t* x, const int32_t* y, int32_t n, int32_t q) {
    if (f256) {
        const uint16_t* row = f256prod[q];
        for (int32_t k = 0; k < n; ++k) x[k] ^= row[y[k]];
        return;
    }
    const uint32_t lq = f2t16log[q];
    for (int32_t k = 0; k < n; ++k) {
        const int32_t v = y[k];
        if (v == 0) continue;
        const uint32_t s = lq + f2t16log[v];
        x[k] ^= f2t16exp[s < 65535 ? s : s - 65535];
    }
}

}  // namespace

void sub_multiple(int32_t* x, const int32_t* y, int32_t n, int32_t q) {
    if (q == 0) return;
    if (finf) return field_sub_multiple(x, y, n, q);
    // x + (m - q) y stays below 2^32 for a modulus below 65536, below 2^64
    // for any other: one reduction per entry.
    const uint32_t m = static_cast<uint32_t>(modulus);
    const uint32_t nq = m - static_cast<uint32_t>(q);
    if (m < 65536) {
        for (int32_t k = 0; k < n; ++k)
            x[k] = static_cast<int32_t>((static_cast<uint32_t>(x[k]) + nq * static_cast<uint32_t>(y[k])) % m);
        return;
    }
    for (int32_t k = 0; k < n; ++k)
        x[k] = static_cast<int32_t>(
            (static_cast<uint64_t>(static_cast<uint32_t>(x[k])) + uint64_t{nq} * static_cast<uint32_t>(y[k])) % m);
}

void divide_in_place(Residues& x, const Residues& y, Residues& q) {
    const int32_t dy = degree(y), dx = degree(x);
    q.clear();
    if (dx < dy) return;
    q.assign(static_cast<size_t>(dx - dy) + 1, 0);
    const int32_t inv = r_inv(y.back());
    for (int32_t i = dx; i >= dy; --i) {
        const int32_t c = x[i];
        if (c == 0) continue;
        const int32_t qi = r_mul(c, inv);
        q[i - dy] = qi;
        sub_multiple(x.data() + i - dy, y.data(), dy, qi);
        x[i] = 0;
    }
    trim(x);
}

void remainder_in_place(Residues& x, const Residues& y) {
    Residues q;
    divide_in_place(x, y, q);
}

Residues product(const Residues& a, const Residues& b) {
    if (a.empty() || b.empty()) return {};
    Residues z(a.size() + b.size() - 1);
    residue_product(a.data(), static_cast<int32_t>(a.size()), b.data(),
                    static_cast<int32_t>(b.size()), z.data());
    trim(z);
    return z;
}

Residues sum(const Residues& a, const Residues& b) {
    Residues z(std::max(a.size(), b.size()), 0);
    for (size_t i = 0; i < a.size(); ++i) z[i] = a[i];
    for (size_t i = 0; i < b.size(); ++i) z[i] = r_add(z[i], b[i]);
    trim(z);
    return z;
}

Residues difference(const Residues& a, const Residues& b) {
    Residues z(std::max(a.size(), b.size()), 0);
    for (size_t i = 0; i < a.size(); ++i) z[i] = a[i];
    for (size_t i = 0; i < b.size(); ++i) z[i] = r_sub(z[i], b[i]);
    trim(z);
    return z;
}

Residues shift_down(const Residues& a, int32_t k) {
    if (k <= 0) return a;
    if (static_cast<size_t>(k) >= a.size()) return {};
    return Residues(a.begin() + k, a.end());
}

Residues to_residues(const PolyNode* p, int32_t stride) {
    Residues a;
    if (!poly_residues(p, a, stride)) internal_stop(" number in basic_poly_gcd ");
    trim(a);
    return a;
}

PolyNode* to_poly(const Residues& a, int32_t stride) {
    return residues_poly(a.data(), static_cast<int32_t>(a.size()), stride);
}

}  // namespace tolmex::gcdimpl
