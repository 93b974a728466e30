// Division of dense modular one-variable polys on residue arrays: the
// operands are unpacked once, divided, and the quotient and remainder
// packed once.
//
// The divide-and-conquer steps are those of the term-list version
// (poly_divide_karatsuba.cpp) with the same thresholds, on arrays: with
// k = ceil(deg B / 2), B = B1 x^k + B0 and A = A1 x^(2k) + A0,
//     A1 = q1 B1 + r1,   R1 = r1 x^k - B0 q1,   R1 = q2 B1 + r2,
//     A = (q1 x^k + q2) B + (r2 x^k - B0 q2 + A0),
// and one more schoolbook step when that remainder still reaches deg B. A
// quotient longer than B is found block by block (see long_quotient in
// poly_divide_methods.h). Splitting is only pointer arithmetic here; the products are the array products of
// poly_mult_dense.cpp. The schoolbook division (the leaves, and
// fastest_poly_div) delays its reductions: the negated quotient terms
// times B are added into 64-bit entries, one entry for moduli up to 2^16,
// and for larger moduli two, the low and the high 32 bits of the products
// apart; an entry is reduced when it becomes the leading one.
//
// Every divisor met in the recursion has the leading coefficient of B, so
// its inverse is computed once.
#include <algorithm>
#include <cstdint>

#include "poly/poly_arith.h"
#include "poly/poly_dense.h"
#include "poly/poly_divide.h"
#include "poly/poly_divide_methods.h"
#include "poly/poly_internal.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

using namespace polyimpl;

namespace polyimpl {

bool dense_division = true;

void array_long_division(const int32_t* a, int32_t da, const int32_t* b, int32_t db, int32_t inv,
                         int32_t* q, int32_t* r) {
    DenseScratch s;
    if (finf) {
        int32_t* acc = s.take(static_cast<size_t>(da) + 1);
        std::copy(a, a + da + 1, acc);
        for (int32_t i = da; i >= db; --i) {
            const int32_t c = modmult(acc[i], inv);
            q[i - db] = c;
            if (c == 0) continue;
            int32_t* base = acc + (i - db);
            for (int32_t j = 0; j < db; ++j) base[j] ^= modmult(c, b[j]);
        }
        std::copy(acc, acc + db, r);
        return;
    }
    const uint32_t m = static_cast<uint32_t>(modulus);
    const Barrett red(m);
    const uint32_t* bu = reinterpret_cast<const uint32_t*>(b);
    if (m <= 65536) {
        // Products below 2^32: an entry takes 2^32 of them.
        uint64_t* acc = reinterpret_cast<uint64_t*>(s.take(2 * (static_cast<size_t>(da) + 1)));
        for (int32_t i = 0; i <= da; ++i) acc[i] = static_cast<uint32_t>(a[i]);
        for (int32_t i = da; i >= db; --i) {
            const uint32_t v = red.reduce(acc[i]);
            const uint32_t c = red.reduce(uint64_t{v} * static_cast<uint32_t>(inv));
            q[i - db] = static_cast<int32_t>(c);
            if (c == 0) continue;
            const uint32_t nc = m - c;
            uint64_t* base = acc + (i - db);
            for (int32_t j = 0; j < db; ++j) base[j] += uint64_t{nc * bu[j]};
        }
        for (int32_t j = 0; j < db; ++j) r[j] = static_cast<int32_t>(red.reduce(acc[j]));
        return;
    }
    const size_t n = static_cast<size_t>(da) + 1;
    uint64_t* lo = reinterpret_cast<uint64_t*>(s.take(2 * n));
    uint64_t* hi = reinterpret_cast<uint64_t*>(s.take(2 * n));
    for (size_t i = 0; i < n; ++i) {
        lo[i] = static_cast<uint32_t>(a[i]);
        hi[i] = 0;
    }
    auto value = [&](int32_t i) { return red.reduce((uint64_t{red.reduce(hi[i])} << 32) + lo[i]); };
    for (int32_t i = da; i >= db; --i) {
        const uint32_t c = red.reduce(uint64_t{value(i)} * static_cast<uint32_t>(inv));
        q[i - db] = static_cast<int32_t>(c);
        if (c == 0) continue;
        const uint64_t nc = m - c;
        uint64_t* bl = lo + (i - db);
        uint64_t* bh = hi + (i - db);
        for (int32_t j = 0; j < db; ++j) {
            const uint64_t p = nc * bu[j];
            bl[j] += static_cast<uint32_t>(p);
            bh[j] += p >> 32;
        }
    }
    for (int32_t j = 0; j < db; ++j) r[j] = static_cast<int32_t>(value(j));
}

namespace {

// The degree of a[0 .. n - 1] (-1 when every entry is 0).
int32_t degree_of(const int32_t* a, int32_t n) {
    while (n > 0 && a[n - 1] == 0) --n;
    return n - 1;
}

int32_t nonzeros(const int32_t* a, int32_t n) {
    int32_t c = 0;
    for (int32_t i = 0; i < n; ++i) c += a[i] != 0;
    return c;
}

// z[0 .. n - 1] += a, z -= a.
void add_into(int32_t* z, const int32_t* a, int32_t n) {
    const int32_t m = modulus;
    const bool field = finf != 0;
    for (int32_t i = 0; i < n; ++i) z[i] = res_add(z[i], a[i], m, field);
}
void sub_into(int32_t* z, const int32_t* a, int32_t n) {
    const int32_t m = modulus;
    const bool field = finf != 0;
    for (int32_t i = 0; i < n; ++i) z[i] = res_sub(z[i], a[i], m, field);
}

// z -= x y (x has nx entries, y ny; z room for nx + ny - 1).
void sub_product(int32_t* z, const int32_t* x, int32_t nx, const int32_t* y, int32_t ny) {
    if (nx <= 0 || ny <= 0) return;
    DenseScratch s;
    int32_t* p = s.take(static_cast<size_t>(nx + ny - 1));
    array_product(x, nx, y, ny, p);
    sub_into(z, p, nx + ny - 1);
}

// The nominal quotient length of a dividend of n entries by a divisor of
// degree db.
int32_t quotient_room(int32_t n, int32_t db) {
    return n - db > 0 ? n - db : 0;
}

// The divisions below have the contract of `part`: a has na entries (its
// degree may be lower, or it may be 0), b has degree db (b[db] != 0);
// q[0 .. quotient_room(na, db) - 1] and r[0 .. db - 1] are written, and
// a = q b + r. The others take a of degree da >= db with a[da] != 0 and
// write q[0 .. da - db] and r[0 .. db - 1].
struct Divider {
    int32_t inv;  // the inverse of the leading coefficient of every divisor

    void schoolbook(const int32_t* a, int32_t da, const int32_t* b, int32_t db, int32_t* q,
                    int32_t* r) const {
        array_long_division(a, da, b, db, inv, q, r);
    }

    // Dividend shorter than the divisor, or 0.
    static bool trivial(const int32_t* a, int32_t na, int32_t da, int32_t db, int32_t* q,
                        int32_t* r) {
        if (da >= db) return false;
        std::fill(q, q + quotient_room(na, db), 0);
        std::fill(r, r + db, 0);
        std::copy(a, a + (da + 1), r);
        return true;
    }

    void part(const int32_t* a, int32_t na, const int32_t* b, int32_t db, int32_t* q,
              int32_t* r) const {
        const int32_t da = degree_of(a, na);
        if (!long_quotient(da, db)) {
            karat_part(a, na, b, db, q, r);
            return;
        }
        // da > 2 db: never the trivial case.
        std::fill(q + (da - db + 1), q + quotient_room(na, db), 0);
        blocks(a, da, b, db, q, r);
    }

    // A quotient longer than b, block by block from the top: each window
    // is the remainder so far over the next db entries of a (degree at
    // most 2 db - 1), divided by b with karat; its quotient fills db
    // entries of q and its remainder tops the next window.
    void blocks(const int32_t* a, int32_t da, const int32_t* b, int32_t db, int32_t* q,
                int32_t* r) const {
        DenseScratch s;
        const int32_t width = 2 * db;
        int32_t* w = s.take(static_cast<size_t>(width));
        int32_t* qw = s.take(static_cast<size_t>(db) + 1);
        int32_t* rw = s.take(static_cast<size_t>(db));
        int32_t hi = da;
        int32_t lo = hi - (width - 1) > 0 ? hi - (width - 1) : 0;
        std::copy(a + lo, a + hi + 1, w);  // the first window: the top of a
        for (;;) {
            const int32_t n = hi - lo + 1;
            const int32_t nq = quotient_room(n, db);
            karat_part(w, n, b, db, qw, rw);
            std::copy(qw, qw + nq, q + lo);
            if (lo == 0) break;
            poly_poll();
            // Next window: a[lo' .. lo - 1] under the remainder, which
            // stands at lo .. lo + db - 1.
            hi = lo + db - 1;
            const int32_t nlo = hi - (width - 1) > 0 ? hi - (width - 1) : 0;
            std::copy(a + nlo, a + lo, w);
            std::copy(rw, rw + db, w + (lo - nlo));
            lo = nlo;
        }
        std::copy(rw, rw + db, r);
    }

    // karat on a dividend of na entries.
    void karat_part(const int32_t* a, int32_t na, const int32_t* b, int32_t db, int32_t* q,
                    int32_t* r) const {
        const int32_t da = degree_of(a, na);
        if (trivial(a, na, da, db, q, r)) return;
        std::fill(q + (da - db + 1), q + quotient_room(na, db), 0);
        karat(a, da, b, db, q, r);
    }

    void karat(const int32_t* a, int32_t da, const int32_t* b, int32_t db, int32_t* q,
               int32_t* r) const {
        if (int64_t{kSplitRatioDen} * da < int64_t{kSplitRatioNum} * db ||
            nonzeros(b, db + 1) < div_poly_cutoff || db < 1) {
            schoolbook(a, da, b, db, q, r);
            return;
        }
        const int32_t k = (db + 1) / 2;
        if (da < int64_t{2} * k) {
            schoolbook(a, da, b, db, q, r);
            return;
        }
        DenseScratch s;
        const int32_t* b1 = b + k;
        const int32_t db1 = db - k;
        const int32_t* a1 = a + 2 * k;
        const int32_t na1 = da - 2 * k + 1;
        // (q1, r1) := A1 / B1.
        const int32_t nq1 = quotient_room(na1, db1);
        int32_t* q1 = s.take(static_cast<size_t>(nq1));
        int32_t* r1 = s.take(static_cast<size_t>(db1));
        part(a1, na1, b1, db1, q1, r1);
        poly_poll();
        // R1 = r1 x^k - B0 q1.
        const int32_t nr1 = std::max(db, nq1 > 0 ? k + nq1 - 1 : 0);
        int32_t* big_r1 = s.take(static_cast<size_t>(nr1));
        std::fill(big_r1, big_r1 + nr1, 0);
        std::copy(r1, r1 + db1, big_r1 + k);
        sub_product(big_r1, b, k, q1, nq1);
        // (q2, r2) := R1 / B1.
        const int32_t nq2 = quotient_room(nr1, db1);
        int32_t* q2 = s.take(static_cast<size_t>(nq2));
        int32_t* r2 = s.take(static_cast<size_t>(db1));
        part(big_r1, nr1, b1, db1, q2, r2);
        // r = r2 x^k - B0 q2 + A0, q = q1 x^k + q2 (room for either).
        const int32_t nr = std::max({db, nq2 > 0 ? k + nq2 - 1 : 0, 2 * k});
        int32_t* rr = s.take(static_cast<size_t>(nr));
        std::fill(rr, rr + nr, 0);
        std::copy(r2, r2 + db1, rr + k);
        sub_product(rr, b, k, q2, nq2);
        add_into(rr, a, 2 * k);
        const int32_t nq = std::max({da - db + 1, k + nq1, nq2});
        int32_t* qq = s.take(static_cast<size_t>(nq));
        std::fill(qq, qq + nq, 0);
        std::copy(q1, q1 + nq1, qq + k);
        add_into(qq, q2, nq2);
        const int32_t drr = degree_of(rr, nr);
        if (drr >= db) {
            // One more schoolbook step.
            int32_t* q3 = s.take(static_cast<size_t>(drr - db + 1));
            schoolbook(rr, drr, b, db, q3, r);
            add_into(qq, q3, drr - db + 1);
        } else {
            std::copy(rr, rr + db, r);
        }
        // The quotient has degree da - db: the entries above are 0.
        std::copy(qq, qq + (da - db + 1), q);
    }
};

// Runs kernel(av, bv, qv, rv) on the arrays of a and b (degrees da >= db):
// the quotient of degree da - db into qv, the remainder of degree below db
// into rv; q and r become their polys.
template <class Kernel>
void divide_arrays(const PolyNode* a, int32_t da, const PolyNode* b, int32_t db, Poly& q, Poly& r,
                   Kernel&& kernel) {
    DenseScratch s;
    int32_t* av = s.take(static_cast<size_t>(da) + 1);
    int32_t* bv = s.take(static_cast<size_t>(db) + 1);
    poly_to_array(a, av, da);
    poly_to_array(b, bv, db);
    int32_t* qv = s.take(static_cast<size_t>(da - db) + 1);
    int32_t* rv = s.take(static_cast<size_t>(db > 0 ? db : 1));
    kernel(av, bv, qv, rv);
    PolyNode* qp = array_to_poly(qv, 0, da - db);
    Poly qq(qp ? qp : zero_node());
    PolyNode* rp = db > 0 ? array_to_poly(rv, 0, db - 1) : nullptr;
    r.reset(rp ? rp : zero_node());
    q = std::move(qq);
}

// Divides on arrays when the operands are dense modular one-variable
// polys; false, leaving q and r alone, when they are not.
bool divide_on_arrays(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r) {
    if (!dense_division || !modularmode || !one_variable_modular(a, b)) return false;
    if (poly_is_const(b)) return false;
    const int32_t da = degree(a), db = degree(b);
    if (db > da || da > kDenseDivisionMaxDegree) return false;
    if (low_negative(a) || low_negative(b)) return false;
    if (int64_t{kDenseArrayFactor} * poly_length(a) <= da ||
        int64_t{kDenseArrayFactor} * poly_length(b) <= db)
        return false;
    const Divider d{lead_inverse(b)};
    divide_arrays(a, da, b, db, q, r, [&](int32_t* av, int32_t* bv, int32_t* qv, int32_t* rv) {
        d.part(av, da + 1, bv, db, qv, rv);
    });
    return true;
}

}  // namespace

bool dense_mod_and_div(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r) {
    return divide_on_arrays(a, b, q, r);
}

}  // namespace polyimpl

void fastest_poly_div(const PolyNode* a, const PolyNode* b, Poly& q, Poly& r) {
    if (low_negative(a) || low_negative(b)) {
        // The arrays are indexed by exponent: negative ones divide on lists.
        simplest_poly_divide(a, b, q, r);
        return;
    }
    const int32_t da = degree(a), db = degree(b);
    if (db > da) {
        zero_quotient(a, q, r);
        return;
    }
    const int32_t inv = lead_inverse(b);
    divide_arrays(a, da, b, db, q, r, [&](int32_t* av, int32_t* bv, int32_t* qv, int32_t* rv) {
        array_long_division(av, da, bv, db, inv, qv, rv);
    });
}

}  // namespace tolmex
