// Dense modular products: one-variable polys through the arrays xx, yy, zz
// (schoolbook with delayed reduction, or Karatsuba on the arrays), and
// two-variable polys through the row arrays x2, y2, z2.
//
// Delayed reduction: for a modulus below 65536 every product of two
// residues is below 2^32, so a 64-bit accumulator takes the sum of a whole
// convolution before the one reduction at the end; for larger moduli the
// products (below 2^62) are accumulated in 128 bits. The fields of 2^8 and
// 2^16 elements multiply through their tables and add by exclusive or.
#include <cinttypes>
#include <cstdio>

#include "poly/poly_arith.h"
#include "poly/poly_dense.h"
#include "poly/poly_internal.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "rings/modular_state.h"
#include "rings/residue.h"

namespace tolmex {

using namespace polyimpl;

namespace polyimpl {

std::vector<int32_t> xx, yy, zz;

void reserve_dense_arrays() {
    const size_t n = static_cast<size_t>(fast_gcd_size > 25000 ? fast_gcd_size : 25000) + 1;
    if (xx.size() < n) {
        xx.assign(n, 0);
        yy.assign(n, 0);
        zz.assign(2 * n, 0);
    }
}

void poly_to_array(const PolyNode* p, int32_t* x, int32_t deg) {
    for (int32_t i = 0; i <= deg; ++i) x[i] = 0;
    for (; p; p = p->next) x[p->expo] = term_number(p).lint();
}

PolyNode* array_to_poly(const int32_t* z, int32_t lo, int32_t hi) {
    Poly head;
    PolyNode** tail = &head.raw();
    for (int32_t i = hi; i >= lo; --i) {
        if (z[i] == 0) continue;
        Number x;
        setvalue(0, x);
        x.set_lint(z[i]);
        PolyNode* n = number_node(std::move(x));
        if (i != 0) n = term_node(i, n);
        *tail = n;
        tail = &n->next;
    }
    return head.release();
}

namespace {

// The schoolbook convolution without checks: z[0 .. nx + ny - 2].
void mul_basecase(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z) {
    const int32_t nz = nx + ny - 1;
    if (finf) {
        for (int32_t k = 0; k < nz; ++k) {
            const int32_t i0 = k - (ny - 1) > 0 ? k - (ny - 1) : 0;
            const int32_t i1 = k < nx - 1 ? k : nx - 1;
            int32_t s = 0;
            for (int32_t i = i0; i <= i1; ++i) s ^= modmult(x[i], y[k - i]);
            z[k] = s;
        }
        return;
    }
    const uint64_t m = static_cast<uint64_t>(modulus);
    if (m < 65536) {
        for (int32_t k = 0; k < nz; ++k) {
            const int32_t i0 = k - (ny - 1) > 0 ? k - (ny - 1) : 0;
            const int32_t i1 = k < nx - 1 ? k : nx - 1;
            uint64_t s = 0;
            for (int32_t i = i0; i <= i1; ++i)
                s += static_cast<uint64_t>(static_cast<uint32_t>(x[i]) *
                                           static_cast<uint32_t>(y[k - i]));
            z[k] = static_cast<int32_t>(s % m);
        }
        return;
    }
    for (int32_t k = 0; k < nz; ++k) {
        const int32_t i0 = k - (ny - 1) > 0 ? k - (ny - 1) : 0;
        const int32_t i1 = k < nx - 1 ? k : nx - 1;
        unsigned __int128 s = 0;
        for (int32_t i = i0; i <= i1; ++i)
            s += static_cast<uint64_t>(x[i]) * static_cast<uint64_t>(y[k - i]);
        z[k] = static_cast<int32_t>(s % m);
    }
}

// Balanced Karatsuba: z[0 .. 2n - 2] := x[0 .. n - 1] times y[0 .. n - 1].
// w is scratch of at least 4n + 64 words.
void kara_balanced(const int32_t* x, const int32_t* y, int32_t n, int32_t* z, int32_t* w,
                   int32_t cut) {
    if (n <= cut) {
        mul_basecase(x, n, y, n, z);
        return;
    }
    const int32_t m = modulus;
    const bool field = finf != 0;
    const int32_t lo = n / 2, hi = n - lo;  // hi >= lo
    // z0 = x0 y0 in z[0 .. 2 lo - 2], z2 = x1 y1 in z[2 lo .. 2n - 2].
    kara_balanced(x, y, lo, z, w, cut);
    z[2 * lo - 1] = 0;
    kara_balanced(x + lo, y + lo, hi, z + 2 * lo, w, cut);
    // The sums of halves (hi entries each), then their product.
    int32_t* sx = w;
    int32_t* sy = w + hi;
    int32_t* p = w + 2 * hi;  // 2 hi - 1 entries
    for (int32_t i = 0; i < hi; ++i) {
        sx[i] = i < lo ? res_add(x[i], x[lo + i], m, field) : x[lo + i];
        sy[i] = i < lo ? res_add(y[i], y[lo + i], m, field) : y[lo + i];
    }
    kara_balanced(sx, sy, hi, p, w + 4 * hi, cut);
    // Middle term p - z0 - z2, added at offset lo.
    for (int32_t i = 0; i < 2 * lo - 1; ++i) p[i] = res_sub(p[i], z[i], m, field);
    for (int32_t i = 0; i < 2 * hi - 1; ++i) p[i] = res_sub(p[i], z[2 * lo + i], m, field);
    for (int32_t i = 0; i < 2 * hi - 1; ++i) z[lo + i] = res_add(z[lo + i], p[i], m, field);
}

}  // namespace

void fast_array_onevar_mult(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny,
                            int32_t* z) {
    const int32_t cut = poly_cutoff > 2 ? poly_cutoff : 2;
    if (nx < ny) {
        std::swap(x, y);
        std::swap(nx, ny);
    }
    if (ny <= cut) {
        mul_basecase(x, nx, y, ny, z);
        return;
    }
    const int32_t m = modulus;
    const bool field = finf != 0;
    std::vector<int32_t> w(static_cast<size_t>(4 * ny + 64));
    if (nx == ny) {
        kara_balanced(x, y, ny, z, w.data(), cut);
        return;
    }
    // Chunks of x as long as y, each product added in at its offset.
    const int32_t nz = nx + ny - 1;
    for (int32_t i = 0; i < nz; ++i) z[i] = 0;
    std::vector<int32_t> part(static_cast<size_t>(2 * ny));
    int32_t off = 0;
    for (; off + ny <= nx; off += ny) {
        kara_balanced(x + off, y, ny, part.data(), w.data(), cut);
        for (int32_t i = 0; i < 2 * ny - 1; ++i) z[off + i] = res_add(z[off + i], part[i], m, field);
    }
    if (off < nx) {
        const int32_t rest = nx - off;
        std::vector<int32_t> tail(static_cast<size_t>(rest + ny));
        fast_array_onevar_mult(y, ny, x + off, rest, tail.data());
        for (int32_t i = 0; i < rest + ny - 1; ++i)
            z[off + i] = res_add(z[off + i], tail[i], m, field);
    }
}

void array_product(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z) {
    if (nx - 1 > poly_cutoff && ny - 1 > poly_cutoff)
        fast_array_onevar_mult(x, nx, y, ny, z);
    else
        mul_basecase(x, nx, y, ny, z);
}

void onevar_mult(const int32_t* x, int32_t lx, int32_t ux, const int32_t* y, int32_t ly,
                 int32_t uy, int32_t* z) {
    if (lx > ux || ly > uy) {
        std::printf(" ** bad exps onevar %li, %li, %li, %li\n", static_cast<long>(lx),
                    static_cast<long>(ux), static_cast<long>(ly), static_cast<long>(uy));
        poly_fatal("potential 0 in onevar_mult.");
    }
    if (x[ux] == 0 || y[uy] == 0) {
        std::printf(" ** bad upper limits, onevar %li, %li, %li, %li, %li, %li\n",
                    static_cast<long>(lx), static_cast<long>(ux), static_cast<long>(ly),
                    static_cast<long>(uy), static_cast<long>(x[ux]), static_cast<long>(y[uy]));
        poly_fatal("0 upper value in onevar_mult.");
    }
    mul_basecase(x + lx, ux - lx + 1, y + ly, uy - ly + 1, z + lx + ly);
}

void fastest_standard(const PolyNode* a, int32_t na, const PolyNode* b, int32_t nb, Poly& c) {
    const bool dense_a = int64_t{4} * na > a->expo;
    const bool dense_b = int64_t{4} * nb > b->expo;
    if (dense_a && dense_b)
        k_fastest_poly_mult(a, b, c);
    else
        simplest_standard(a, na, b, nb, c);
}

}  // namespace polyimpl

void k_fastest_poly_mult(const PolyNode* a, const PolyNode* b, Poly& c) {
    NoPollScope no_poll;
    reserve_dense_arrays();
    const int32_t da = a->expo, db = b->expo;
    const int32_t la = last_node(a)->expo, lb = last_node(b)->expo;
    poly_to_array(a, xx.data(), da);
    poly_to_array(b, yy.data(), db);
    if (xx[da] == 0 || yy[db] == 0) {
        std::printf("BAD 4: %li, %li\n", static_cast<long>(xx[da]), static_cast<long>(yy[db]));
        poly_fatal("k_fastest_poly_mult.");
    }
    if (da > poly_cutoff && db > poly_cutoff) {
        fast_array_onevar_mult(xx.data() + la, da - la + 1, yy.data() + lb, db - lb + 1,
                               zz.data() + la + lb);
    } else {
        onevar_mult(xx.data(), la, da, yy.data(), lb, db, zz.data());
    }
    PolyNode* r = array_to_poly(zz.data(), la + lb, da + db);
    c.reset(r ? r : zero_node());
}

void fastest_poly2_mult(const PolyNode* a, const PolyNode* b, Poly& c) {
    NoPollScope no_poll;
    constexpr int32_t kRow = 701;
    static std::vector<int32_t> x2, y2, t2;
    static std::vector<int32_t> z2;
    if (x2.empty()) {
        x2.assign(size_t{kRow} * kRow, 0);
        y2.assign(size_t{kRow} * kRow, 0);
        z2.assign(size_t{kRow} * kRow, 0);
        t2.assign(2 * kRow, 0);
    }
    struct Row {
        int32_t lo = 0, hi = -1;  // hi < lo: the row is empty
    };
    std::vector<Row> ra(kRow), rb(kRow), rz(kRow);
    // Unpacks p into rows: row i holds the coefficient of x_d^i.
    auto unpack = [](const PolyNode* p, int32_t* rows, std::vector<Row>& info) {
        for (const PolyNode* n = p; n; n = n->next) {
            const int32_t i = n->expo;
            int32_t* row = rows + size_t{static_cast<uint32_t>(i)} * kRow;
            if (n->isnum) {
                row[0] = n->num.lint();
                info[i] = {0, 0};
                continue;
            }
            const PolyNode* s = n->sub;
            const int32_t hi = s->expo;
            poly_to_array(s, row, hi);
            info[i] = {last_node(s)->expo, hi};
        }
    };
    unpack(a, x2.data(), ra);
    unpack(b, y2.data(), rb);
    const int32_t da = a->expo, db = b->expo;
    const int32_t m = modulus;
    for (int32_t k = 0; k <= da + db; ++k) rz[k] = Row{};
    for (int32_t i = 0; i <= da; ++i) {
        if (ra[i].hi < ra[i].lo) continue;
        const int32_t* xr = x2.data() + size_t{static_cast<uint32_t>(i)} * kRow;
        for (int32_t j = 0; j <= db; ++j) {
            if (rb[j].hi < rb[j].lo) continue;
            const int32_t* yr = y2.data() + size_t{static_cast<uint32_t>(j)} * kRow;
            const int32_t lo = ra[i].lo + rb[j].lo, hi = ra[i].hi + rb[j].hi;
            array_product(xr + ra[i].lo, ra[i].hi - ra[i].lo + 1, yr + rb[j].lo,
                          rb[j].hi - rb[j].lo + 1, t2.data());
            Row& r = rz[i + j];
            int32_t* zr = z2.data() + size_t{static_cast<uint32_t>(i + j)} * kRow;
            if (r.hi < r.lo) {
                for (int32_t e = lo; e <= hi; ++e) zr[e] = t2[e - lo];
                r = {lo, hi};
                continue;
            }
            // Widen the row's range, clearing the new entries.
            for (int32_t e = lo; e < r.lo; ++e) zr[e] = 0;
            for (int32_t e = r.hi + 1; e <= hi; ++e) zr[e] = 0;
            if (lo < r.lo) r.lo = lo;
            if (hi > r.hi) r.hi = hi;
            if (m < 65536) {
                for (int32_t e = lo; e <= hi; ++e) {
                    const int32_t s = zr[e] + t2[e - lo];
                    zr[e] = s >= m ? s - m : s;
                }
            } else {
                for (int32_t e = lo; e <= hi; ++e) zr[e] = mod_add(zr[e], t2[e - lo], m);
            }
        }
    }
    Poly head;
    PolyNode** tail = &head.raw();
    for (int32_t k = da + db; k >= 0; --k) {
        const Row r = rz[k];
        if (r.hi < r.lo) continue;
        PolyNode* inner = array_to_poly(z2.data() + size_t{static_cast<uint32_t>(k)} * kRow, r.lo, r.hi);
        if (!inner) continue;
        PolyNode* node;
        if (k == 0 && poly_is_const(inner))
            node = inner;
        else
            node = term_node(k, inner);
        *tail = node;
        tail = &node->next;
    }
    c.reset(head ? head.release() : zero_node());
}

}  // namespace tolmex
