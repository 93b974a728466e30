// Karatsuba for dense one-variable integer polys, on arrays. For a dense
// term list the split of the term-list Karatsuba falls at the middle
// exponent, so the same recursion runs here on arrays of coefficients
// instead of lists of nodes, down to the same cutoff, with the schoolbook
// product below it.
//
// A coefficient is a two's complement integer of a fixed number of 64-bit
// limbs, and every sum, difference and product is taken modulo 2^(64 w).
// The recursion uses only ring operations, so each result is right modulo
// 2^(64 w); the width is chosen so that every coefficient of the product
// lies in the signed range, which makes the results exact even where an
// intermediate sum wrapped.
#include <cstring>
#include <vector>

#include "numbers/number.h"
#include "poly/poly_internal.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "numbers/modular_state.h"

namespace tolmex::polyimpl {

namespace {

constexpr int kMaxWidth = 72;

struct Arith {
    int w;

    void zero(uint64_t* z, int64_t n) const { std::memset(z, 0, sizeof(uint64_t) * n * w); }
    // d += s, entry by entry, over n entries.
    void add(uint64_t* d, const uint64_t* s, int64_t n) const {
        for (int64_t e = 0; e < n; ++e, d += w, s += w) {
            unsigned __int128 c = 0;
            for (int k = 0; k < w; ++k) {
                c += static_cast<unsigned __int128>(d[k]) + s[k];
                d[k] = static_cast<uint64_t>(c);
                c >>= 64;
            }
        }
    }
    void sub(uint64_t* d, const uint64_t* s, int64_t n) const {
        for (int64_t e = 0; e < n; ++e, d += w, s += w) {
            uint64_t borrow = 0;
            for (int k = 0; k < w; ++k) {
                const uint64_t a = d[k], b = s[k];
                const uint64_t r = a - b - borrow;
                borrow = (a < b) || (a == b && borrow);
                d[k] = r;
            }
        }
    }
    // The sign and the trimmed magnitude of one entry.
    int magnitude(const uint64_t* x, uint64_t* m, bool& negative) const {
        negative = x[w - 1] >> 63;
        if (negative) {
            unsigned __int128 c = 1;
            for (int k = 0; k < w; ++k) {
                c += static_cast<uint64_t>(~x[k]);
                m[k] = static_cast<uint64_t>(c);
                c >>= 64;
            }
        } else {
            std::memcpy(m, x, sizeof(uint64_t) * w);
        }
        int n = w;
        while (n > 0 && m[n - 1] == 0) --n;
        return n;
    }
    // z += (or -=) |x| |y| modulo 2^(64 w); NX and NY, when not 0, are the
    // lengths known at compile time (the loops unroll).
    template <int NX, int NY>
    void addmul_n(uint64_t* z, const uint64_t* x, int nx_, const uint64_t* y, int ny_, bool minus) const {
        const int nx = NX > 0 ? NX : nx_;
        const int ny = NY > 0 ? NY : ny_;
        if (nx + ny > w) {
            addmul_clamped(z, x, nx, y, ny, minus);
            return;
        }
        if (!minus) {
            for (int i = 0; i < nx; ++i) {
                const unsigned __int128 xi = x[i];
                unsigned __int128 carry = 0;
                for (int j = 0; j < ny; ++j) {
                    carry += xi * y[j] + z[i + j];
                    z[i + j] = static_cast<uint64_t>(carry);
                    carry >>= 64;
                }
                uint64_t k = static_cast<uint64_t>(carry);
                for (int j = i + ny; k && j < w; ++j) {
                    z[j] += k;
                    k = z[j] < k;
                }
            }
        } else {
            for (int i = 0; i < nx; ++i) {
                const unsigned __int128 xi = x[i];
                uint64_t borrow = 0;
                for (int j = 0; j < ny; ++j) {
                    const unsigned __int128 p = xi * y[j] + borrow;
                    const uint64_t lo = static_cast<uint64_t>(p);
                    const uint64_t c = z[i + j];
                    z[i + j] = c - lo;
                    borrow = static_cast<uint64_t>(p >> 64) + (c < lo);
                }
                for (int j = i + ny; borrow && j < w; ++j) {
                    const uint64_t c = z[j];
                    z[j] = c - borrow;
                    borrow = c < borrow;
                }
            }
        }
    }
    // The same when the product may reach beyond the w limbs (wrapped
    // intermediate values): limbs from w on are dropped.
    void addmul_clamped(uint64_t* z, const uint64_t* x, int nx, const uint64_t* y, int ny, bool minus) const {
        for (int i = 0; i < nx && i < w; ++i) {
            const unsigned __int128 xi = x[i];
            const int top = ny < w - i ? ny : w - i;
            if (!minus) {
                unsigned __int128 carry = 0;
                for (int j = 0; j < top; ++j) {
                    carry += xi * y[j] + z[i + j];
                    z[i + j] = static_cast<uint64_t>(carry);
                    carry >>= 64;
                }
                uint64_t k = static_cast<uint64_t>(carry);
                for (int j = i + top; k && j < w; ++j) {
                    z[j] += k;
                    k = z[j] < k;
                }
            } else {
                uint64_t borrow = 0;
                for (int j = 0; j < top; ++j) {
                    const unsigned __int128 p = xi * y[j] + borrow;
                    const uint64_t lo = static_cast<uint64_t>(p);
                    const uint64_t c = z[i + j];
                    z[i + j] = c - lo;
                    borrow = static_cast<uint64_t>(p >> 64) + (c < lo);
                }
                for (int j = i + top; borrow && j < w; ++j) {
                    const uint64_t c = z[j];
                    z[j] = c - borrow;
                    borrow = c < borrow;
                }
            }
        }
    }
    template <int NX>
    void addmul_x(uint64_t* z, const uint64_t* x, int nx, const uint64_t* y, int ny, bool minus) const {
        switch (ny) {
            case 1: return addmul_n<NX, 1>(z, x, nx, y, ny, minus);
            case 2: return addmul_n<NX, 2>(z, x, nx, y, ny, minus);
            case 3: return addmul_n<NX, 3>(z, x, nx, y, ny, minus);
            case 4: return addmul_n<NX, 4>(z, x, nx, y, ny, minus);
            case 5: return addmul_n<NX, 5>(z, x, nx, y, ny, minus);
            case 6: return addmul_n<NX, 6>(z, x, nx, y, ny, minus);
            case 7: return addmul_n<NX, 7>(z, x, nx, y, ny, minus);
            case 8: return addmul_n<NX, 8>(z, x, nx, y, ny, minus);
            default: return addmul_n<NX, 0>(z, x, nx, y, ny, minus);
        }
    }
    void addmul(uint64_t* z, const uint64_t* x, int nx, const uint64_t* y, int ny, bool minus) const {
        switch (nx) {
            case 1: return addmul_x<1>(z, x, nx, y, ny, minus);
            case 2: return addmul_x<2>(z, x, nx, y, ny, minus);
            case 3: return addmul_x<3>(z, x, nx, y, ny, minus);
            case 4: return addmul_x<4>(z, x, nx, y, ny, minus);
            case 5: return addmul_x<5>(z, x, nx, y, ny, minus);
            case 6: return addmul_x<6>(z, x, nx, y, ny, minus);
            case 7: return addmul_x<7>(z, x, nx, y, ny, minus);
            case 8: return addmul_x<8>(z, x, nx, y, ny, minus);
            default: return addmul_x<0>(z, x, nx, y, ny, minus);
        }
    }

    // z[0 .. nx + ny - 1) := x y, schoolbook.
    void basecase(const uint64_t* x, int64_t nx, const uint64_t* y, int64_t ny, uint64_t* z) const {
        zero(z, nx + ny - 1);
        // Signs and magnitudes, in buffers kept between calls (the base
        // case is never entered twice at once).
        static std::vector<uint64_t> mx, my;
        static std::vector<int> lx, ly;
        static std::vector<char> sx, sy;
        if (mx.size() < static_cast<size_t>(nx * w)) mx.resize(static_cast<size_t>(nx * w));
        if (my.size() < static_cast<size_t>(ny * w)) my.resize(static_cast<size_t>(ny * w));
        if (lx.size() < static_cast<size_t>(nx)) lx.resize(static_cast<size_t>(nx)), sx.resize(static_cast<size_t>(nx));
        if (ly.size() < static_cast<size_t>(ny)) ly.resize(static_cast<size_t>(ny)), sy.resize(static_cast<size_t>(ny));
        for (int64_t i = 0; i < nx; ++i) {
            bool neg;
            lx[static_cast<size_t>(i)] = magnitude(x + i * w, mx.data() + i * w, neg);
            sx[static_cast<size_t>(i)] = neg;
        }
        for (int64_t j = 0; j < ny; ++j) {
            bool neg;
            ly[static_cast<size_t>(j)] = magnitude(y + j * w, my.data() + j * w, neg);
            sy[static_cast<size_t>(j)] = neg;
        }
        for (int64_t i = 0; i < nx; ++i) {
            if (!lx[static_cast<size_t>(i)]) continue;
            for (int64_t j = 0; j < ny; ++j) {
                if (!ly[static_cast<size_t>(j)]) continue;
                addmul(z + (i + j) * w, mx.data() + i * w, lx[static_cast<size_t>(i)], my.data() + j * w,
                       ly[static_cast<size_t>(j)], sx[static_cast<size_t>(i)] != sy[static_cast<size_t>(j)]);
            }
        }
    }

    // z[0 .. 2n - 1) := x y for n entries each; s is scratch of 4n + 64
    // entries.
    void balanced(const uint64_t* x, const uint64_t* y, int64_t n, uint64_t* z, uint64_t* s,
                  int64_t cut) const {
        if (n <= cut) {
            basecase(x, n, y, n, z);
            return;
        }
        const int64_t lo = n / 2, hi = n - lo;
        balanced(x, y, lo, z, s, cut);
        zero(z + (2 * lo - 1) * w, 1);
        balanced(x + lo * w, y + lo * w, hi, z + 2 * lo * w, s, cut);
        uint64_t* sx = s;
        uint64_t* sy = s + hi * w;
        uint64_t* p = s + 2 * hi * w;
        std::memcpy(sx, x + lo * w, sizeof(uint64_t) * hi * w);
        std::memcpy(sy, y + lo * w, sizeof(uint64_t) * hi * w);
        add(sx, x, lo);
        add(sy, y, lo);
        balanced(sx, sy, hi, p, s + 4 * hi * w, cut);
        sub(p, z, 2 * lo - 1);
        sub(p, z + 2 * lo * w, 2 * hi - 1);
        add(z + lo * w, p, 2 * hi - 1);
    }

    void product(const uint64_t* x, int64_t nx, const uint64_t* y, int64_t ny, uint64_t* z,
                 int64_t cut) const {
        if (nx < ny) {
            std::swap(x, y);
            std::swap(nx, ny);
        }
        if (ny <= cut) {
            basecase(x, nx, y, ny, z);
            return;
        }
        // Scratch kept between calls; the unbalanced case below recurses
        // only after its own use of it.
        static std::vector<uint64_t> s;
        const size_t need = static_cast<size_t>((8 * ny + 128) * w);
        if (s.size() < need) {
            std::vector<uint64_t>().swap(s);
            s.resize(need);
        }
        if (nx == ny) {
            balanced(x, y, ny, z, s.data(), cut);
            return;
        }
        // Chunks of x as long as y, each product added in at its offset.
        zero(z, nx + ny - 1);
        std::vector<uint64_t> part(static_cast<size_t>(2 * ny * w));
        int64_t off = 0;
        for (; off + ny <= nx; off += ny) {
            balanced(x + off * w, y, ny, part.data(), s.data(), cut);
            add(z + off * w, part.data(), 2 * ny - 1);
        }
        if (off < nx) {
            const int64_t rest = nx - off;
            std::vector<uint64_t> tail(static_cast<size_t>((rest + ny) * w));
            product(y, ny, x + off * w, rest, tail.data(), cut);
            add(z + off * w, tail.data(), rest + ny - 1);
        }
    }
};

// The two's complement of x in w limbs.
void encode(const Number& x, uint64_t* out, int w) {
    number_to_limbs(x, out, w);
    if (x.sign() < 0) {
        unsigned __int128 c = 1;
        for (int i = 0; i < w; ++i) {
            c += static_cast<uint64_t>(~out[i]);
            out[i] = static_cast<uint64_t>(c);
            c >>= 64;
        }
    }
}

// The number of a w-limb two's complement entry.
Number decode(const uint64_t* x, int w) {
    uint64_t m[kMaxWidth];
    bool negative;
    const int n = Arith{w}.magnitude(x, m, negative);
    return number_from_limbs(m, n, negative);
}

bool is_zero_entry(const uint64_t* x, int w) {
    for (int k = 0; k < w; ++k)
        if (x[k]) return false;
    return true;
}

}  // namespace

int integer_width(int32_t digits_a, int32_t digits_b, int64_t terms) {
    int log_terms = 1;
    while ((int64_t{1} << log_terms) < terms + 1) ++log_terms;
    // Every product coefficient, and one sign bit, fit.
    const int64_t bits = digits_bit_bound(digits_a) + digits_bit_bound(digits_b) + log_terms + 1;
    return static_cast<int>(bits / 64 + 1);
}

void integer_array_product(const uint64_t* x, int64_t nx, const uint64_t* y, int64_t ny,
                           uint64_t* z, int width, int64_t cutoff) {
    Arith{width}.product(x, nx, y, ny, z, cutoff < 2 ? 2 : cutoff);
}

bool dense_integer_products = true;

bool dense_integer_mult(const PolyNode* a, const PolyNode* b, Poly& c, int32_t cutoff) {
    if (!dense_integer_products || lintmode) return false;
    if (!top_coefficients_constant(a) || !top_coefficients_constant(b)) return false;
    const int32_t la = last_node(a)->expo, lb = last_node(b)->expo;
    if (la < 0 || lb < 0) return false;
    const int64_t na = int64_t{a->expo} - la + 1, nb = int64_t{b->expo} - lb + 1;
    int32_t da = 0, db = 0;
    int64_t ta = 0, tb = 0;
    for (const PolyNode* n = a; n; n = n->next, ++ta)
        if (term_number(n).size() > da) da = term_number(n).size();
    for (const PolyNode* n = b; n; n = n->next, ++tb)
        if (term_number(n).size() > db) db = term_number(n).size();
    // Dense lists only: the split of the term-list method is then the
    // middle of the arrays.
    if (2 * ta < na || 2 * tb < nb) return false;
    const int w = integer_width(da, db, na < nb ? na : nb);
    if (w > kMaxWidth) return false;
    std::vector<uint64_t> x(static_cast<size_t>(na * w), 0), y(static_cast<size_t>(nb * w), 0),
        z(static_cast<size_t>((na + nb - 1) * w));
    for (const PolyNode* n = a; n; n = n->next) encode(term_number(n), x.data() + (n->expo - la) * w, w);
    for (const PolyNode* n = b; n; n = n->next) encode(term_number(n), y.data() + (n->expo - lb) * w, w);
    Arith{w}.product(x.data(), na, y.data(), nb, z.data(), cutoff < 2 ? 2 : cutoff);
    Poly head;
    PolyNode** tail = &head.raw();
    for (int64_t i = na + nb - 2; i >= 0; --i) {
        const uint64_t* e = z.data() + i * w;
        if (is_zero_entry(e, w)) continue;
        PolyNode* node = number_node(decode(e, w));
        const int32_t ex = static_cast<int32_t>(i + la + lb);
        if (ex != 0) node = term_node(ex, node);
        *tail = node;
        tail = &node->next;
    }
    c.reset(head ? head.release() : zero_node());
    return true;
}

}  // namespace tolmex::polyimpl
