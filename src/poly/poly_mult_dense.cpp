// Dense modular products: one-variable polys through the arrays xx, yy, zz
// (schoolbook with delayed reduction, or Karatsuba on the arrays), and
// two-variable polys through the row arrays x2, y2, z2.
//
// Delayed reduction: for a modulus below 65536 every product of two
// residues is below 2^32, so a 64-bit accumulator takes the sum of a whole
// convolution before the one reduction at the end; for larger moduli the
// products (below 2^62) are accumulated in 128 bits. The fields of 2^8 and
// 2^16 elements multiply through their tables and add by exclusive or.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <new>

#include "poly/poly_arith.h"
#include "poly/poly_dense.h"
#include "poly/poly_internal.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "storage/free_lists.h"

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

// ---------------------------------------------------------------------------
// Scratch

namespace {

struct Arena {
    std::vector<std::unique_ptr<int32_t[]>> blocks;
    std::vector<size_t> sizes;
    size_t block = 0, used = 0;
} arena;

constexpr size_t kArenaBlock = size_t{1} << 16;

}  // namespace

DenseScratch::DenseScratch() : block_(arena.block), used_(arena.used) {}

DenseScratch::~DenseScratch() {
    arena.block = block_;
    arena.used = used_;
}

int32_t* DenseScratch::take(size_t n) {
    n = (n + 15) & ~size_t{15};  // 64-byte steps
    for (;;) {
        if (arena.block < arena.blocks.size()) {
            if (arena.used + n <= arena.sizes[arena.block]) {
                int32_t* p = arena.blocks[arena.block].get() + arena.used;
                arena.used += n;
                return p;
            }
            ++arena.block;
            arena.used = 0;
            continue;
        }
        const size_t size = n > kArenaBlock ? n : kArenaBlock;
        arena.blocks.emplace_back(new int32_t[size]);
        arena.sizes.push_back(size);
    }
}

// ---------------------------------------------------------------------------
// Conversions

void poly_to_array(const PolyNode* p, int32_t* x, int32_t deg) {
    unpack_terms(p, x, deg);
}

int32_t unpack_terms(const PolyNode* p, int32_t* x, int32_t deg) {
    std::fill(x, x + deg + 1, 0);
    int32_t low = deg;
    for (; p; p = p->next) {
        low = p->expo;
        x[low] = term_number(p).lint();
    }
    return low;
}

namespace {

// A node from the free list, else the stash (newpoly, inline here).
inline PolyNode* fresh_node() {
    return pool_alloc<PolyNode>(polygarb, polystash);
}

}  // namespace

PolyNode* array_to_poly(const int32_t* z, int32_t lo, int32_t hi) {
    return lo > hi ? nullptr : shifted_array_to_poly(z + lo, hi - lo + 1, lo);
}

PolyNode* shifted_array_to_poly(const int32_t* z, int32_t n, int32_t shift) {
    // Every node is linked into the result before the next is taken, so
    // that an allocation failure leaves nothing behind.
    Poly head;
    PolyNode** tail = &head.raw();
    for (int32_t j = n - 1; j >= 0; --j) {
        const int32_t v = z[j];
        if (v == 0) continue;
        const int32_t i = j + shift;
        PolyNode* n = fresh_node();
        n->next = nullptr;
        if (i != 0) {
            n->expo = i;
            n->isnum = 0;
            n->sub = nullptr;
            *tail = n;
            tail = &n->next;
            PolyNode* c = fresh_node();
            c->next = nullptr;
            c->expo = 0;
            c->isnum = 1;
            new (&c->num) Number();
            n->sub = c;
            setvalue(v, c->num);
        } else {
            n->expo = 0;
            n->isnum = 1;
            new (&n->num) Number();
            *tail = n;
            tail = &n->next;
            setvalue(v, n->num);
        }
    }
    return head.release();
}

// ---------------------------------------------------------------------------
// Karatsuba on arrays

namespace {

// Elementwise residue sums and differences (branch-free, so that they
// vectorise): for residues a, b < m <= 2^31, a + b - m wraps above a + b
// exactly when a + b < m, and a - b + m wraps below a - b exactly when
// a >= b.
template <bool kSub>
void combine_into(int32_t* z, const int32_t* a, size_t n) {
    uint32_t* zu = reinterpret_cast<uint32_t*>(z);
    const uint32_t* au = reinterpret_cast<const uint32_t*>(a);
    if (finf) {
        for (size_t i = 0; i < n; ++i) zu[i] ^= au[i];
        return;
    }
    const uint32_t m = static_cast<uint32_t>(modulus);
    for (size_t i = 0; i < n; ++i) {
        if constexpr (kSub) {
            const uint32_t d = zu[i] - au[i];
            zu[i] = std::min(d, d + m);
        } else {
            const uint32_t s = zu[i] + au[i];
            zu[i] = std::min(s, s - m);
        }
    }
}

void add_to(int32_t* z, const int32_t* a, size_t n) { combine_into<false>(z, a, n); }
void sub_from(int32_t* z, const int32_t* a, size_t n) { combine_into<true>(z, a, n); }

// r := a + b, where b has n words and a the first na <= n of them.
void sum_halves(int32_t* r, const int32_t* a, const int32_t* b, size_t na, size_t n) {
    std::copy(b, b + n, r);
    add_to(r, a, na);
}

// The shape of the entries: one residue each (one-variable products), or
// rows of residues in an inner variable (two-variable products). An entry
// of x has wx words, of y wy, of the product wz = wx + wy - 1.
struct Dims {
    size_t wx, wy, wz;
    int32_t cut;  // balanced sizes up to this go to the leaf
};

// z[0 .. nx + ny - 2] := x times y for entries below the cut.
void leaf(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z, const Dims& d) {
    if (d.wz == 1) {
        mul_basecase(x, nx, y, ny, z);
        return;
    }
    const size_t nz = static_cast<size_t>(nx + ny - 1);
    if (nx == 1 && ny == 1) {
        array_product(x, static_cast<int32_t>(d.wx), y, static_cast<int32_t>(d.wy), z);
        return;
    }
    std::fill(z, z + nz * d.wz, 0);
    DenseScratch s;
    int32_t* t = s.take(d.wz);
    for (int32_t i = 0; i < nx; ++i)
        for (int32_t j = 0; j < ny; ++j) {
            array_product(x + i * d.wx, static_cast<int32_t>(d.wx), y + j * d.wy,
                          static_cast<int32_t>(d.wy), t);
            add_to(z + (i + j) * d.wz, t, d.wz);
        }
}

// Balanced Karatsuba: z[0 .. 2n - 2] := x[0 .. n - 1] times y[0 .. n - 1].
void kara_balanced(const int32_t* x, const int32_t* y, int32_t n, int32_t* z, const Dims& d) {
    if (n <= d.cut) {
        leaf(x, n, y, n, z, d);
        return;
    }
    const int32_t lo = n / 2, hi = n - lo;  // hi >= lo
    const size_t wx = d.wx, wy = d.wy, wz = d.wz;
    // z0 = x0 y0 in entries 0 .. 2 lo - 2, z2 = x1 y1 in 2 lo .. 2n - 2.
    kara_balanced(x, y, lo, z, d);
    std::fill(z + (2 * lo - 1) * wz, z + 2 * lo * wz, 0);
    kara_balanced(x + lo * wx, y + lo * wy, hi, z + 2 * lo * wz, d);
    // The sums of halves (hi entries each), then their product.
    DenseScratch s;
    int32_t* sx = s.take(hi * wx);
    int32_t* sy = s.take(hi * wy);
    int32_t* p = s.take((2 * hi - 1) * wz);
    sum_halves(sx, x, x + lo * wx, lo * wx, hi * wx);
    sum_halves(sy, y, y + lo * wy, lo * wy, hi * wy);
    kara_balanced(sx, sy, hi, p, d);
    // Middle term p - z0 - z2, added at entry lo.
    sub_from(p, z, (2 * lo - 1) * wz);
    sub_from(p, z + 2 * lo * wz, (2 * hi - 1) * wz);
    add_to(z + lo * wz, p, (2 * hi - 1) * wz);
}

// Unbalanced sizes: chunks of x as long as y, each product added in at its
// offset; the last, shorter chunk recursively.
void kara_any(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z, Dims d) {
    if (nx < ny) {
        std::swap(x, y);
        std::swap(nx, ny);
        std::swap(d.wx, d.wy);
    }
    if (ny <= d.cut) {
        leaf(x, nx, y, ny, z, d);
        return;
    }
    if (nx == ny) {
        kara_balanced(x, y, ny, z, d);
        return;
    }
    const size_t wz = d.wz;
    const size_t nz = static_cast<size_t>(nx + ny - 1);
    DenseScratch s;
    int32_t* part = s.take((2 * ny - 1) * wz);
    int32_t off = 0;
    // The first chunk goes straight into z; the entries past it are cleared.
    kara_balanced(x, y, ny, z, d);
    std::fill(z + (2 * ny - 1) * wz, z + nz * wz, 0);
    for (off = ny; off + ny <= nx; off += ny) {
        kara_balanced(x + off * d.wx, y, ny, part, d);
        add_to(z + off * wz, part, (2 * ny - 1) * wz);
    }
    if (off < nx) {
        const int32_t rest = nx - off;
        int32_t* tail = s.take((rest + ny - 1) * wz);
        kara_any(x + off * d.wx, rest, y, ny, tail, d);
        add_to(z + off * wz, tail, (rest + ny - 1) * wz);
    }
}

}  // namespace

void fast_array_onevar_mult(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny,
                            int32_t* z) {
    const int32_t cut = poly_cutoff > 2 ? poly_cutoff : 2;
    kara_any(x, nx, y, ny, z, Dims{1, 1, 1, cut});
}

void array_product(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z) {
    if (nx - 1 > poly_cutoff && ny - 1 > poly_cutoff)
        fast_array_onevar_mult(x, nx, y, ny, z);
    else
        mul_basecase(x, nx, y, ny, z);
}

void onevar_mult(const int32_t* x, int32_t lx, int32_t ux, const int32_t* y, int32_t ly, int32_t uy,
                 int32_t* z) {
    if (lx > ux || ly > uy) {
        std::printf(" ** bad exps onevar %li, %li, %li, %li\n", static_cast<long>(lx),
                    static_cast<long>(ux), static_cast<long>(ly), static_cast<long>(uy));
        internal_stop("potential 0 in onevar_mult.");
    }
    if (x[ux] == 0 || y[uy] == 0) {
        std::printf(" ** bad upper limits, onevar %li, %li, %li, %li, %li, %li\n",
                    static_cast<long>(lx), static_cast<long>(ux), static_cast<long>(ly),
                    static_cast<long>(uy), static_cast<long>(x[ux]), static_cast<long>(y[uy]));
        internal_stop("0 upper value in onevar_mult.");
    }
    mul_basecase(x + lx, ux - lx + 1, y + ly, uy - ly + 1, z + lx + ly);
}

void fastest_standard(const PolyNode* a, int32_t na, const PolyNode* b, int32_t nb, Poly& c) {
    const bool dense_a = int64_t{kDenseArrayFactor} * na > a->expo;
    const bool dense_b = int64_t{kDenseArrayFactor} * nb > b->expo;
    if (dense_a && dense_b)
        k_fastest_poly_mult(a, b, c);
    else
        simplest_standard(a, na, b, nb, c);
}

}  // namespace polyimpl

void k_fastest_poly_mult(const PolyNode* a, const PolyNode* b, Poly& c) {
    if (low_negative(a) || low_negative(b)) {
        // The arrays are indexed by exponent: negative ones take the rows.
        simplest_standard(a, poly_length(a), b, poly_length(b), c);
        return;
    }
    NoPollScope no_poll;
    reserve_dense_arrays();
    const int32_t da = a->expo, db = b->expo;
    const int32_t la = unpack_terms(a, xx.data(), da);
    const int32_t lb = unpack_terms(b, yy.data(), db);
    if (xx[da] == 0 || yy[db] == 0) {
        std::printf("BAD 4: %li, %li\n", static_cast<long>(xx[da]), static_cast<long>(yy[db]));
        internal_stop("k_fastest_poly_mult.");
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
    if (low_negative(a) || low_negative(b)) {
        // Rows indexed by main exponent: negative ones take the schoolbook.
        schoolbook_mult(a, poly_length(a), b, poly_length(b), c, nullptr);
        return;
    }
    NoPollScope no_poll;
    constexpr size_t kSide = kDense2MaxDegreeSum + 1;
    static std::vector<int32_t> x2, y2, z2;
    if (x2.empty()) {
        x2.assign(kSide * kSide, 0);
        y2.assign(kSide * kSide, 0);
        z2.assign(kSide * kSide, 0);
    }
    // The rows of an operand: main exponents lo .. hi, inner exponents
    // in_lo .. in_hi (over all rows), one row of width in_hi - in_lo + 1 per
    // main exponent, zeros where absent.
    struct Block {
        int32_t lo, hi, in_lo, in_hi;
        int32_t rows() const { return hi - lo + 1; }
        size_t width() const { return static_cast<size_t>(in_hi - in_lo + 1); }
    };
    auto survey = [](const PolyNode* p) {
        Block k{last_node(p)->expo, p->expo, INT32_MAX, 0};
        for (const PolyNode* n = p; n; n = n->next) {
            if (n->isnum) {
                k.in_lo = 0;
                continue;
            }
            const PolyNode* s = n->sub;
            if (!s->isnum && s->expo > k.in_hi) k.in_hi = s->expo;
            const int32_t low = last_node(s)->expo;
            if (low < k.in_lo) k.in_lo = low;
        }
        return k;
    };
    auto unpack = [](const PolyNode* p, const Block& k, int32_t* rows) {
        const size_t w = k.width();
        std::fill(rows, rows + static_cast<size_t>(k.rows()) * w, 0);
        for (const PolyNode* n = p; n; n = n->next) {
            int32_t* row = rows + static_cast<size_t>(n->expo - k.lo) * w;
            if (n->isnum) {
                row[-k.in_lo] = n->num.lint();  // in_lo is 0 then
                continue;
            }
            for (const PolyNode* t = n->sub; t; t = t->next)
                row[t->expo - k.in_lo] = term_number(t).lint();
        }
    };
    const Block ka = survey(a), kb = survey(b);
    unpack(a, ka, x2.data());
    unpack(b, kb, y2.data());
    // Karatsuba over the rows, with the rows multiplied by the one-variable
    // array product: a single row pair is the leaf.
    const Dims d{ka.width(), kb.width(), ka.width() + kb.width() - 1, 1};
    kara_any(x2.data(), ka.rows(), y2.data(), kb.rows(), z2.data(), d);
    const int32_t rows = ka.rows() + kb.rows() - 1;
    const int32_t low = ka.lo + kb.lo, in_low = ka.in_lo + kb.in_lo;
    Poly head;
    PolyNode** tail = &head.raw();
    for (int32_t r = rows - 1; r >= 0; --r) {
        PolyNode* inner = shifted_array_to_poly(z2.data() + static_cast<size_t>(r) * d.wz,
                                                static_cast<int32_t>(d.wz), in_low);
        if (!inner) continue;
        const int32_t k = r + low;
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
