// The Hermite normal form of a lattice modulo a multiple of its
// determinant (the rows of a full-column-rank integer matrix, with R e_j in
// the lattice for every unit vector e_j): extended-gcd row operations with
// every entry reduced modulo R, the pivot of each column the gcd with R,
// after which R is divided by that pivot. The entries stay below R.
//
// One template serves machine words (R < 2^31, so that every product of two
// residues and its sum with another fits 63 bits) and big integers.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "matrix/nf_support.h"

namespace tolmex::nf {

// Residues modulo a machine word below 2^31.
struct WordOps {
    using T = int64_t;
    static T lin(T s, T a, T t, T b, T r) {
        const T x = (s * a % r + t * b % r) % r;
        return x < 0 ? x + r : x;
    }
    static void xgcd(T a, T b, T& g, T& s, T& t) {
        T r0 = a, r1 = b, s0 = 1, s1 = 0, t0 = 0, t1 = 1;
        while (r1 != 0) {
            const T q = r0 / r1;
            r0 = std::exchange(r1, r0 - q * r1);
            s0 = std::exchange(s1, s0 - q * s1);
            t0 = std::exchange(t1, t0 - q * t1);
        }
        if (r0 < 0) r0 = -r0, s0 = -s0, t0 = -t0;
        g = r0, s = s0, t = t0;
    }
    static T quot(T a, T b) { return a / b; }
    static bool zero(T a) { return a == 0; }
    static T neg(T a) { return -a; }
    static T copy(T a) { return a; }
    static T of(int64_t v) { return v; }
    static T scale(T u, T a, T r) { return lin(u, a, 0, 0, r); }
};

// Big integers.
struct BigOps {
    using T = Number;
    static T lin(const T& s, const T& a, const T& t, const T& b, const T& r) {
        return floor_mod(add(mul(s, a), mul(t, b)), r);
    }
    static void xgcd(const T& a, const T& b, T& g, T& s, T& t) { extended_gcd(a, b, g, s, t); }
    static T quot(const T& a, const T& b) { return trunc_quot(a, b); }
    static bool zero(const T& a) { return a.sign() == 0; }
    static T neg(const T& a) { return nf::neg(a); }
    static T copy(const T& a) { return copy_of(a); }
    static T of(int64_t v) { return num(v); }
    static T scale(const T& u, const T& a, const T& r) { return floor_mod(mul(u, a), r); }
};

// Rows k and i: row k takes the gcd of their entries in column k, row i
// gets 0 there; columns k .. n - 1 modulo r.
template <class Ops>
void gcd_rows(std::vector<typename Ops::T>& rk, std::vector<typename Ops::T>& ri, int32_t k,
              const typename Ops::T& r) {
    using T = typename Ops::T;
    T g, s, t;
    Ops::xgcd(rk[k], ri[k], g, s, t);
    const T p = Ops::quot(rk[k], g), mq = Ops::neg(Ops::quot(ri[k], g));
    for (size_t c = k; c < rk.size(); ++c) {
        T x = Ops::lin(s, rk[c], t, ri[c], r);
        T y = Ops::lin(mq, rk[c], p, ri[c], r);
        rk[c] = std::move(x);
        ri[c] = std::move(y);
    }
}

// The Hermite rows of the lattice spanned by a (m rows of n entries in
// 0 .. r - 1, m >= n, full column rank) and r Z^n: n rows, row k zero
// before column k, its pivot at k, the entries after it below the modulus
// in force then. The entries above the pivots are not reduced yet.
template <class Ops>
std::vector<std::vector<typename Ops::T>> mod_hermite(std::vector<std::vector<typename Ops::T>> a, int32_t n,
                                                      typename Ops::T r) {
    using T = typename Ops::T;
    std::vector<std::vector<T>> h;
    const size_t m = a.size();
    for (int32_t k = 0; k < n; ++k) {
        poll_interrupt();
        for (size_t i = k + 1; i < m; ++i)
            if (!Ops::zero(a[i][k])) gcd_rows<Ops>(a[k], a[i], k, r);
        // The pivot: the gcd of the column with r, which the lattice holds.
        T d, u, v;
        Ops::xgcd(a[k][k], r, d, u, v);
        std::vector<T> row;
        for (int32_t c = 0; c < n; ++c) {
            if (c < k) row.push_back(Ops::of(0));
            else if (c == k) row.push_back(Ops::copy(d));
            else row.push_back(Ops::scale(u, a[k][c], r));
        }
        h.push_back(std::move(row));
        r = Ops::quot(r, d);
    }
    return h;
}

}  // namespace tolmex::nf
