// Schoolbook products of integer polys on a dense accumulator. This is how
// the schoolbook rows are summed in rational mode when the product's
// exponent box is small: instead of building every partial product as
// nodes and merging the rows, each product of two coefficients is added
// into an accumulator cell addressed by its exponent vector, and the cells
// are turned into the result poly once. The products and sums are exactly
// those of the rows.
//
// The terms of each operand are flattened into (offset, coefficient)
// pairs, the offset packing the exponents in mixed radix. The result is
// formed one top-level exponent at a time in a slab holding the deeper
// levels; one-variable polys are packed whole and filled in one pass.
//
// Coefficients of at most two digits (below 2^56) are machine integers and
// a cell is a 128-bit integer (2^15 products of at most 2^112 fit). Larger
// coefficients are magnitudes in 64-bit limbs with a sign, and a cell is a
// two's complement integer one limb wider than the largest product.
#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

#include "numbers/number.h"
#include "poly/poly_internal.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "numbers/modular_state.h"

namespace tolmex::polyimpl {

namespace {

// Largest number of cells of the accumulator.
constexpr int64_t kMaxCells = int64_t{1} << 21;
// Largest number of 64-bit words the accumulator may take.
constexpr int64_t kMaxWords = int64_t{1} << 23;
// Largest count of products that may meet in one 128-bit cell.
constexpr int64_t kMaxMeets = int64_t{1} << 15;
// Operands of at most this many terms go to the row-by-row product when
// the other holds large numbers (the sum of 200 fractions 1/(x + iy)).
constexpr int64_t kFewTerms = 2;
// Largest exponent box (the product of the level sizes); checked level by
// level, before the product can overflow.
constexpr int64_t kMaxBox = int64_t{1} << 40;
// The accumulator is taken only when the cells it scans are at most
// kScanFactor times the work, the work being the count of coefficient
// products plus kWorkSlack (so that small products may scan a small box).
constexpr int64_t kScanFactor = 64;
constexpr int64_t kWorkSlack = 64;
// Largest coefficient, in digits, taken by the wide cells.
constexpr int32_t kMaxDigitsWide = 128;
constexpr int kMaxLevels = kSurveyLevels;

// ---------------------------------------------------------------------------
// Operands

// The exponent box of the product: level l runs over 0 .. size[l] - 1.
// Levels from `first` on are packed into offsets with the given strides.
struct Box {
    int depth;
    int first;  // the first level packed into offsets (0, 1 or 2)
    int64_t size[kMaxLevels], stride[kMaxLevels];
};

// Flattened terms: offsets and coefficients, in groups (one per top-level
// term, or a single group).
struct Flat {
    bool wide = false;
    std::vector<uint32_t> off;
    std::vector<int64_t> coef;  // small coefficients
    // Wide coefficients: limbs[at[i] .. at[i] + len[i]) is |c|, neg[i] its sign.
    std::vector<uint64_t> limbs;
    std::vector<uint32_t> at;
    std::vector<uint16_t> len;
    std::vector<uint8_t> neg;
    uint16_t max_len = 0;
    uint64_t max_small = 0;  // the largest |coef|
    struct Group {
        int32_t expo, expo1;  // the exponents of the levels outside the offsets
        uint32_t begin, end;
    };
    std::vector<Group> groups;

    void add(uint64_t offset, const Number& x) {
        off.push_back(static_cast<uint32_t>(offset));
        if (!wide) {
            const int64_t c = low_digits_value(x);
            coef.push_back(c);
            const uint64_t m = c < 0 ? -static_cast<uint64_t>(c) : static_cast<uint64_t>(c);
            if (m > max_small) max_small = m;
            return;
        }
        const uint32_t first = static_cast<uint32_t>(limbs.size());
        at.push_back(first);
        neg.push_back(x.sign() < 0);
        const int room = limbs_bound(x);
        limbs.resize(first + static_cast<size_t>(room));
        int n = number_to_limbs(x, limbs.data() + first, room);
        if (n < 1) n = 1;
        limbs.resize(first + static_cast<size_t>(n));
        len.push_back(static_cast<uint16_t>(n));
        if (n > max_len) max_len = static_cast<uint16_t>(n);
    }
};

// Walks p at `level`, adding its terms with their packed offsets. A number
// node stands for exponent 0 at its level and every deeper one.
void flatten(const PolyNode* p, int level, uint64_t base, const Box& box, Flat& f) {
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum) {
            f.add(base, n->num);
            continue;
        }
        uint64_t off = base;
        if (level >= box.first) off += static_cast<uint64_t>(n->expo) * box.stride[level];
        flatten(n->sub, level + 1, off, box, f);
    }
}

// The terms of p below its node n at level 1 (n itself when it is a
// number, exponent 0 at every deeper level), one group per level-1 node.
void flatten_level1(const PolyNode* n, int32_t e0, const Box& box, Flat& f) {
    for (const PolyNode* m = n; m; m = m->next) {
        const uint32_t begin = static_cast<uint32_t>(f.off.size());
        if (m->isnum)
            f.add(0, m->num);
        else
            flatten(m->sub, 2, 0, box, f);
        f.groups.push_back({e0, m->isnum ? 0 : m->expo, begin, static_cast<uint32_t>(f.off.size())});
    }
}

void flatten_operand(const PolyNode* p, const Box& box, Flat& f) {
    if (box.first == 0) {
        flatten(p, 0, 0, box, f);
        f.groups.push_back({0, 0, 0, static_cast<uint32_t>(f.off.size())});
        return;
    }
    for (const PolyNode* n = p; n; n = n->next) {
        const int32_t e0 = n->isnum ? 0 : n->expo;
        if (box.first == 2) {
            // A number at the top stands for exponent 0 at level 1 too.
            if (n->isnum) {
                const uint32_t begin = static_cast<uint32_t>(f.off.size());
                f.add(0, n->num);
                f.groups.push_back({0, 0, begin, static_cast<uint32_t>(f.off.size())});
            } else {
                flatten_level1(n->sub, e0, box, f);
            }
            continue;
        }
        const uint32_t begin = static_cast<uint32_t>(f.off.size());
        if (n->isnum)
            f.add(0, n->num);
        else
            flatten(n->sub, 1, 0, box, f);
        f.groups.push_back({e0, 0, begin, static_cast<uint32_t>(f.off.size())});
    }
}

// ---------------------------------------------------------------------------
// Cells

// z[oa[u] + ob[v]] += ca[u] * cb[v] for u < R, every v < nb: R rows a pass,
// so that each offset and coefficient of b is loaded once for R products
// (the rows' cells differ for one v).
template <class Cell, int R>
[[gnu::always_inline]] inline void small_rows_pass(char* base, const uint32_t* oa, const int64_t* ca,
                                                   const uint32_t* ob, const int64_t* cb, uint32_t nb) {
    int64_t c[R];
    char* row[R];
    for (int i = 0; i < R; ++i) {
        c[i] = ca[i];
        row[i] = base + static_cast<size_t>(oa[i]) * sizeof(Cell);
        // Opaque to the optimiser, which would otherwise split each row
        // pointer back into base + offset and add the two in every product.
        asm("" : "+r"(row[i]));
    }
    for (uint32_t v = 0; v < nb; ++v) {
        const size_t o = static_cast<size_t>(ob[v]) * sizeof(Cell);
        const int64_t y = cb[v];
        for (int i = 0; i < R; ++i) *reinterpret_cast<Cell*>(row[i] + o) += static_cast<Cell>(c[i]) * y;
    }
}

// z[oa[u] + ob[v]] += ca[u] * cb[v] for every u < na, v < nb. Six rows a
// pass: on the Fateman product f (f + 1), f = (1 + x + y + z + t)^20, the
// whole product took 0.87 of the time with four rows, 0.91 of it with
// eight, against the former four-row loop that let the row pointers split.
template <class Cell>
void small_cell_rows(Cell* z, const uint32_t* oa, const int64_t* ca, uint32_t na, const uint32_t* ob,
                     const int64_t* cb, uint32_t nb) {
    char* const base = reinterpret_cast<char*>(z);
    uint32_t u = 0;
    for (; u + 5 < na; u += 6) small_rows_pass<Cell, 6>(base, oa + u, ca + u, ob, cb, nb);
    for (; u + 3 < na; u += 4) small_rows_pass<Cell, 4>(base, oa + u, ca + u, ob, cb, nb);
    for (; u < na; ++u) small_rows_pass<Cell, 1>(base, oa + u, ca + u, ob, cb, nb);
}

// Cells of machine integers: 128-bit ones for coefficients below 2^56, and
// 64-bit ones when no sum of products can reach 2^63 (half the memory
// traffic: the Fateman product with exponent 10 in 0.68 of the time).
template <class C>
struct SmallCells {
    using Cell = C;
    Cell* z;

    bool zero(int64_t i) const { return z[i] == 0; }
    Number take(int64_t i) {
        const Cell v = z[i];
        z[i] = 0;
        if (v >= INT64_MIN && v <= INT64_MAX) return number_from_int64(static_cast<int64_t>(v));
        const bool negative = v < 0;
        const unsigned __int128 m =
            negative ? -static_cast<unsigned __int128>(v) : static_cast<unsigned __int128>(v);
        const uint64_t limbs[2] = {static_cast<uint64_t>(m), static_cast<uint64_t>(m >> 64)};
        return number_from_limbs(limbs, 2, negative);
    }
    // cells[oa + ob] += ca * cb over two groups.
    void multiply(const Flat& a, const Flat::Group& ga, const Flat& b, const Flat::Group& gb) {
        small_cell_rows(z, a.off.data() + ga.begin, a.coef.data() + ga.begin, ga.end - ga.begin,
                        b.off.data() + gb.begin, b.coef.data() + gb.begin, gb.end - gb.begin);
    }
};

// The groups of an operand with one inner level as dense arrays of two's
// complement entries over their inner exponents, for the groups long and
// full enough for Karatsuba.
struct DenseGroups {
    struct Group {
        int32_t lo = 0, n = 0;  // inner exponents lo .. lo + n - 1
        std::vector<uint64_t> e;
    };
    std::vector<Group> groups;
    int width = 0;

    bool usable(uint32_t i) const { return i < groups.size() && groups[i].n > 0; }

    void make(const Flat& f, int w) {
        width = w;
        groups.resize(f.groups.size());
        for (size_t g = 0; g < f.groups.size(); ++g) {
            const Flat::Group& fg = f.groups[g];
            const int64_t len = fg.end - fg.begin;
            if (len < poly_cutoff || len < 2) continue;
            // Offsets run down from the highest inner exponent.
            const int32_t hi = static_cast<int32_t>(f.off[fg.begin]);
            const int32_t lo = static_cast<int32_t>(f.off[fg.end - 1]);
            const int64_t span = int64_t{hi} - lo + 1;
            if (2 * len < span) continue;
            Group& d = groups[g];
            d.lo = lo;
            d.n = static_cast<int32_t>(span);
            d.e.assign(static_cast<size_t>(span * w), 0);
            for (uint32_t t = fg.begin; t < fg.end; ++t) {
                uint64_t* out = d.e.data() + (static_cast<int64_t>(f.off[t]) - lo) * w;
                const uint64_t* m = f.limbs.data() + f.at[t];
                for (int k = 0; k < f.len[t] && k < w; ++k) out[k] = m[k];
                if (f.neg[t]) {
                    unsigned __int128 c = 1;
                    for (int k = 0; k < w; ++k) {
                        c += static_cast<uint64_t>(~out[k]);
                        out[k] = static_cast<uint64_t>(c);
                        c >>= 64;
                    }
                }
            }
        }
    }
};

struct WideCells {
    uint64_t* z;
    int width;  // limbs per cell (two's complement)
    std::vector<uint64_t> product;

    // cells[lo_a + lo_b + i] += (x y)[i] for two dense groups.
    void add_dense(const DenseGroups::Group& x, const DenseGroups::Group& y) {
        const int64_t n = int64_t{x.n} + y.n - 1;
        if (static_cast<int64_t>(product.size()) < n * width) product.resize(static_cast<size_t>(n * width));
        integer_array_product(x.e.data(), x.n, y.e.data(), y.n, product.data(), width, poly_cutoff);
        uint64_t* d = z + (int64_t{x.lo} + y.lo) * width;
        const uint64_t* s = product.data();
        for (int64_t i = 0; i < n; ++i, d += width, s += width) {
            unsigned __int128 c = 0;
            for (int k = 0; k < width; ++k) {
                c += static_cast<unsigned __int128>(d[k]) + s[k];
                d[k] = static_cast<uint64_t>(c);
                c >>= 64;
            }
        }
    }

    bool zero(int64_t i) const {
        const uint64_t* c = z + i * width;
        for (int k = 0; k < width; ++k)
            if (c[k]) return false;
        return true;
    }
    Number take(int64_t i) {
        uint64_t* c = z + i * width;
        const bool negative = c[width - 1] >> 63;
        if (negative) {
            // Two's complement negation gives the magnitude.
            unsigned __int128 carry = 1;
            for (int k = 0; k < width; ++k) {
                carry += static_cast<uint64_t>(~c[k]);
                c[k] = static_cast<uint64_t>(carry);
                carry >>= 64;
            }
        }
        int n = width;
        while (n > 1 && c[n - 1] == 0) --n;
        Number x = number_from_limbs(c, n, negative);
        for (int k = 0; k < width; ++k) c[k] = 0;
        return x;
    }
    void multiply(const Flat& a, const Flat::Group& ga, const Flat& b, const Flat::Group& gb) {
        for (uint32_t u = ga.begin; u < ga.end; ++u) {
            const uint64_t* x = a.limbs.data() + a.at[u];
            const int nx = a.len[u];
            const bool nu = a.neg[u];
            uint64_t* row = z + static_cast<int64_t>(a.off[u]) * width;
            for (uint32_t v = gb.begin; v < gb.end; ++v) {
                uint64_t* cell = row + static_cast<int64_t>(b.off[v]) * width;
                const uint64_t* y = b.limbs.data() + b.at[v];
                if (nu != static_cast<bool>(b.neg[v]))
                    sub_product(cell, x, nx, y, b.len[v]);
                else
                    add_product(cell, x, nx, y, b.len[v]);
            }
        }
    }

    // cell += x y, row by row (each row a multiply-add with its carry).
    template <int NY>
    void add_rows(uint64_t* cell, const uint64_t* x, int nx, const uint64_t* y, int ny) const {
        const int n = NY > 0 ? NY : ny;
        for (int i = 0; i < nx; ++i) {
            const unsigned __int128 xi = x[i];
            unsigned __int128 carry = 0;
            uint64_t* c = cell + i;
            for (int j = 0; j < n; ++j) {
                carry += xi * y[j] + c[j];
                c[j] = static_cast<uint64_t>(carry);
                carry >>= 64;
            }
            uint64_t k = static_cast<uint64_t>(carry);
            for (int j = i + n; k && j < width; ++j) {
                cell[j] += k;
                k = cell[j] < k;
            }
        }
    }

    // cell -= x y.
    template <int NY>
    void sub_rows(uint64_t* cell, const uint64_t* x, int nx, const uint64_t* y, int ny) const {
        const int n = NY > 0 ? NY : ny;
        for (int i = 0; i < nx; ++i) {
            const unsigned __int128 xi = x[i];
            uint64_t borrow = 0;
            uint64_t* c = cell + i;
            for (int j = 0; j < n; ++j) {
                const unsigned __int128 p = xi * y[j] + borrow;
                const uint64_t lo = static_cast<uint64_t>(p);
                const uint64_t cj = c[j];
                c[j] = cj - lo;
                borrow = static_cast<uint64_t>(p >> 64) + (cj < lo);
            }
            for (int j = i + n; borrow && j < width; ++j) {
                const uint64_t cj = cell[j];
                cell[j] = cj - borrow;
                borrow = cj < borrow;
            }
        }
    }

    void add_product(uint64_t* cell, const uint64_t* x, int nx, const uint64_t* y, int ny) const {
        switch (ny) {
            case 1: return add_rows<1>(cell, x, nx, y, ny);
            case 2: return add_rows<2>(cell, x, nx, y, ny);
            case 3: return add_rows<3>(cell, x, nx, y, ny);
            case 4: return add_rows<4>(cell, x, nx, y, ny);
            case 5: return add_rows<5>(cell, x, nx, y, ny);
            case 6: return add_rows<6>(cell, x, nx, y, ny);
            case 7: return add_rows<7>(cell, x, nx, y, ny);
            case 8: return add_rows<8>(cell, x, nx, y, ny);
            default: return add_rows<0>(cell, x, nx, y, ny);
        }
    }

    void sub_product(uint64_t* cell, const uint64_t* x, int nx, const uint64_t* y, int ny) const {
        switch (ny) {
            case 1: return sub_rows<1>(cell, x, nx, y, ny);
            case 2: return sub_rows<2>(cell, x, nx, y, ny);
            case 3: return sub_rows<3>(cell, x, nx, y, ny);
            case 4: return sub_rows<4>(cell, x, nx, y, ny);
            case 5: return sub_rows<5>(cell, x, nx, y, ny);
            case 6: return sub_rows<6>(cell, x, nx, y, ny);
            case 7: return sub_rows<7>(cell, x, nx, y, ny);
            case 8: return sub_rows<8>(cell, x, nx, y, ny);
            default: return sub_rows<0>(cell, x, nx, y, ny);
        }
    }
};

// The poly of the cells of levels `level` .. depth - 1 at `base`, clearing
// them; null when they are all 0.
template <class Cells>
PolyNode* build(Cells& cells, int level, int64_t base, const Box& box) {
    Poly head;
    PolyNode** tail = &head.raw();
    const int64_t stride = box.stride[level];
    for (int64_t i = box.size[level] - 1; i >= 0; --i) {
        const int32_t e = static_cast<int32_t>(i);
        PolyNode* node;
        if (level == box.depth - 1) {
            const int64_t at = base + i * stride;
            if (cells.zero(at)) continue;
            node = number_node(cells.take(at));
            if (e != 0) node = term_node(e, node);
        } else {
            PolyNode* sub = build(cells, level + 1, base + i * stride, box);
            if (!sub) continue;
            node = (e == 0 && poly_is_const(sub)) ? sub : term_node(e, sub);
        }
        *tail = node;
        tail = &node->next;
    }
    return head.release();
}

template <class Cells>
PolyNode* run(Cells& cells, const Flat& fa, const Flat& fb, const Box& box) {
    if (box.first == 0) {
        cells.multiply(fa, fa.groups[0], fb, fb.groups[0]);
        return build(cells, 0, 0, box);
    }
    // The pairs of groups by the exponents of their product outside the
    // offsets, highest first.
    struct Pair {
        int32_t expo, expo1;
        uint32_t ia, ib;
    };
    std::vector<Pair> pairs;
    pairs.reserve(fa.groups.size() * fb.groups.size());
    for (uint32_t i = 0; i < fa.groups.size(); ++i)
        for (uint32_t j = 0; j < fb.groups.size(); ++j)
            pairs.push_back({fa.groups[i].expo + fb.groups[j].expo, fa.groups[i].expo1 + fb.groups[j].expo1, i, j});
    std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) {
        return x.expo != y.expo ? x.expo > y.expo : x.expo1 > y.expo1;
    });
    // With large coefficients and one inner level, long dense groups are
    // multiplied by Karatsuba on arrays before they go into the slab.
    DenseGroups da, db;
    if constexpr (std::is_same_v<Cells, WideCells>) {
        if (box.depth == 2 && box.first == 1 && dense_integer_products) {
            da.make(fa, cells.width);
            db.make(fb, cells.width);
        }
    }
    Poly head;
    PolyNode** tail = &head.raw();
    // With two outer levels, the level-1 terms of the current top-level
    // exponent gather here before they become its node.
    Poly inner;
    PolyNode** inner_tail = &inner.raw();
    auto close_top = [&](int32_t e) {
        PolyNode* sub = inner.release();
        inner_tail = &inner.raw();
        if (!sub) return;
        PolyNode* node = (e == 0 && poly_is_const(sub)) ? sub : term_node(e, sub);
        *tail = node;
        tail = &node->next;
    };
    for (size_t k = 0; k < pairs.size();) {
        // A safe point: a product of a command level opened here finds the
        // accumulator busy and goes without it.
        poly_poll();
        const int32_t e = pairs[k].expo, e1 = pairs[k].expo1;
        for (; k < pairs.size() && pairs[k].expo == e && pairs[k].expo1 == e1; ++k) {
            const uint32_t ia = pairs[k].ia, ib = pairs[k].ib;
            if constexpr (std::is_same_v<Cells, WideCells>) {
                if (da.usable(ia) && db.usable(ib)) {
                    cells.add_dense(da.groups[ia], db.groups[ib]);
                    continue;
                }
            }
            cells.multiply(fa, fa.groups[ia], fb, fb.groups[ib]);
        }
        PolyNode* sub = build(cells, box.first, 0, box);
        if (box.first == 2) {
            if (sub) {
                PolyNode* node = (e1 == 0 && poly_is_const(sub)) ? sub : term_node(e1, sub);
                *inner_tail = node;
                inner_tail = &node->next;
            }
            if (k == pairs.size() || pairs[k].expo != e) close_top(e);
            continue;
        }
        if (!sub) continue;
        PolyNode* node = (e == 0 && poly_is_const(sub)) ? sub : term_node(e, sub);
        *tail = node;
        tail = &node->next;
    }
    return head.release();
}

// The accumulators, kept between products; every cell is 0 between uses.
std::vector<uint64_t> wide_store;
std::vector<__int128> small_store;
std::vector<int64_t> word_store;
bool scratch_busy = false;

// Room for n cells, all 0; the store grows by doubling and is kept.
template <class T>
void grow(std::vector<T>& store, int64_t n) {
    if (static_cast<int64_t>(store.size()) >= n) return;
    const int64_t want = n > 2 * static_cast<int64_t>(store.size()) ? n : 2 * static_cast<int64_t>(store.size());
    std::vector<T>().swap(store);
    store.assign(static_cast<size_t>(want), T{});
}

}  // namespace

bool packed_products = true;

bool survey_operand(const PolyNode* p, int level, int32_t max_digits, OperandSurvey& s) {
    if (level >= kSurveyLevels) return false;
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum) {
            const int32_t d = n->num.size();
            if (d > max_digits) return false;
            if (d > s.digits) s.digits = d;
            ++s.terms;
            continue;
        }
        if (n->expo < 0) return false;
        // Levels holding only constants add nothing to the box.
        if (level + 1 > s.depth) s.depth = level + 1;
        if (n->expo > s.hi[level]) s.hi[level] = n->expo;
        if (!survey_operand(n->sub, level + 1, max_digits, s)) return false;
    }
    return true;
}
bool ProductSurveys::get(const PolyNode* x, const PolyNode* y, const OperandSurvey*& sx,
                         const OperandSurvey*& sy) {
    if (!made_) {
        made_ = true;
        ok_ = survey_operand(a_, 0, kMaxDigits, sa_);
        if (ok_ && a_ == b_)
            sb_ = sa_;
        else if (ok_)
            ok_ = survey_operand(b_, 0, kMaxDigits, sb_);
    }
    const bool in_order = x == a_;
    sx = in_order ? &sa_ : &sb_;
    sy = in_order ? &sb_ : &sa_;
    return ok_;
}

int64_t packed_slab_cells = kPackedSlabCells;

namespace {

// True when p is a single term (one node at every level).
bool one_term(const PolyNode* p) {
    for (; !p->isnum; p = p->sub)
        if (p->next) return false;
    return !p->next;
}

}  // namespace

bool packed_schoolbook(const PolyNode* a, const PolyNode* b, Poly& c, ProductSurveys* surveys) {
    if (!packed_products || lintmode || scratch_busy) return false;
    // A factor of one term: the rows of the plain product are scalings,
    // cheaper than even surveying the other operand (a minor times a
    // variable in the expansion of a determinant by minors).
    if (one_term(a) || one_term(b)) return false;
    ProductSurveys own(a, b);
    const OperandSurvey *pa, *pb;
    if (!(surveys ? *surveys : own).get(a, b, pa, pb)) return false;
    const OperandSurvey &sa = *pa, &sb = *pb;
    if (sa.digits > kMaxDigitsWide || sb.digits > kMaxDigitsWide) return false;
    const bool wide = sa.digits > 2 || sb.digits > 2;
    if (!wide && (sa.terms < sb.terms ? sa.terms : sb.terms) >= kMaxMeets) return false;
    // A factor of two terms with large numbers on the other side: the
    // same.
    if (wide && (sa.terms < sb.terms ? sa.terms : sb.terms) <= kFewTerms) return false;
    Box box;
    box.depth = sa.depth > sb.depth ? sa.depth : sb.depth;
    if (box.depth < 1) return false;
    int64_t total = 1;
    for (int l = 0; l < box.depth; ++l) {
        box.size[l] = int64_t{sa.hi[l]} + sb.hi[l] + 1;
        total *= box.size[l];
        if (total > kMaxBox) return false;
    }
    // One slab of the deeper levels per top-level exponent (small and warm
    // in the cache), or for one-variable polys the whole box in one pass.
    // With three or more levels a slab beyond the cache is cut again: one
    // slab per pair of exponents of the two outer levels.
    const int64_t slab = total / box.size[0];
    box.first = box.depth >= 2 ? 1 : 0;
    int64_t cells_needed = box.first == 0 ? total : slab;
    int64_t scans = 1;  // how many times the slab is scanned
    if (box.first == 1) {
        const int64_t pairs = int64_t{poly_length(a)} * poly_length(b);
        scans = pairs < box.size[0] ? pairs : box.size[0];
    }
    if (box.depth >= 3 && slab > packed_slab_cells) {
        box.first = 2;
        cells_needed = slab / box.size[1];
        scans = box.size[0] * box.size[1];
    }
    if (cells_needed > kMaxCells) return false;
    // Not worth it when scanning the slabs dwarfs the work.
    const int64_t work = sa.terms * sb.terms + kWorkSlack;
    if (cells_needed > kScanFactor * work || scans > (kScanFactor * work) / cells_needed)
        return false;
    int64_t st = 1;
    for (int l = box.depth - 1; l >= box.first; --l) {
        box.stride[l] = st;
        st *= box.size[l];
    }
    for (int l = 0; l < box.first; ++l) box.stride[l] = 0;

    Flat fa, fb;
    fa.wide = fb.wide = wide;
    flatten_operand(a, box, fa);
    flatten_operand(b, box, fb);
    const int width = wide ? fa.max_len + fb.max_len + 1 : 2;
    // 64-bit cells when every cell's sum, at most min(terms) products, stays
    // below 2^63.
    const bool word_cells =
        !wide && static_cast<unsigned __int128>(fa.max_small) * fb.max_small *
                         static_cast<uint64_t>(sa.terms < sb.terms ? sa.terms : sb.terms) <
                     (static_cast<unsigned __int128>(1) << 63);
    const int64_t words = cells_needed * width;
    if (words > kMaxWords) return false;

    scratch_busy = true;
    // On an error the cells are cleared for the next product.
    struct Release {
        void* cells = nullptr;
        size_t bytes = 0;
        ~Release() {
            if (cells) std::memset(cells, 0, bytes);
            scratch_busy = false;
        }
    } release;
    PolyNode* r;
    if (wide) {
        grow(wide_store, words);
        release.cells = wide_store.data();
        release.bytes = static_cast<size_t>(words) * sizeof(uint64_t);
        WideCells cells{wide_store.data(), width, {}};
        r = run(cells, fa, fb, box);
    } else if (word_cells) {
        grow(word_store, cells_needed);
        release.cells = word_store.data();
        release.bytes = static_cast<size_t>(cells_needed) * sizeof(int64_t);
        SmallCells<int64_t> cells{word_store.data()};
        r = run(cells, fa, fb, box);
    } else {
        grow(small_store, cells_needed);
        release.cells = small_store.data();
        release.bytes = static_cast<size_t>(cells_needed) * sizeof(__int128);
        SmallCells<__int128> cells{small_store.data()};
        r = run(cells, fa, fb, box);
    }
    release.cells = nullptr;
    c.reset(r ? r : zero_node());
    return true;
}

}  // namespace tolmex::polyimpl
