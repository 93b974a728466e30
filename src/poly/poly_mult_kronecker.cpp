// Products of dense integer polys by Kronecker substitution: each operand
// becomes one big integer, its coefficients in slots of b bits at the
// offsets of their exponent vectors (mixed radix over the product's
// exponent box), the two integers are multiplied once, and the product's
// slots are read back as the coefficients. With the transform products of
// big integers this turns a dense product of n terms into one product of
// about n b bits.
//
// The slots are signed: an operand is the difference of the integer of its
// positive coefficients and that of its negative ones' magnitudes, and a
// slot of the product read as v >= 2^(b-1) stands for v - 2^b, borrowing 1
// from the slot above. b leaves room for the largest coefficient a product
// can have and a sign bit.
//
// When b is within what the word primes of numbers/modconv.h hold, the
// slots are not packed into integers at all: the coefficients at their
// offsets are two sequences whose convolution is taken modulo the primes
// (about b / 30 of them) and recombined slot by slot, which transforms
// far fewer words than the big-integer product of the same slots.
#include <algorithm>
#include <cmath>
#include <vector>

#include "numbers/modconv.h"
#include "numbers/mul_div.h"
#include "numbers/number.h"
#include "poly/poly_internal.h"
#include "poly/poly_mult_methods.h"

namespace tolmex::polyimpl {

bool kronecker_products = true;
double kronecker_ratio = kKroneckerRatio;
bool modconv_products = true;
double modconv_ratio = kModconvRatio;

namespace {

// The box may hold at most this many slots, and at most this many times
// the product's possible terms (denser operands only).
constexpr int64_t kMaxSlots = int64_t{1} << 26;
constexpr int64_t kSparseSlack = 4;

struct Layout {
    int depth = 0;
    int64_t size[kSurveyLevels] = {}, stride[kSurveyLevels] = {};
    int64_t slots = 1;
    int64_t b = 0;  // bits a slot
};

// A bit field of limbs: fields of b bits written at bit offsets.
struct Bits {
    std::vector<uint64_t> w;
    explicit Bits(int64_t bits) : w(static_cast<size_t>(bits / 64 + 2), 0) {}
    // OR m[0 .. n) in at bit `at` (the field there is 0).
    void put(int64_t at, const uint64_t* m, int n) {
        const int64_t q = at / 64;
        const int r = static_cast<int>(at % 64);
        for (int i = 0; i < n; ++i) {
            w[q + i] |= m[i] << r;
            if (r) w[q + i + 1] |= m[i] >> (64 - r);
        }
    }
};

// Writes the terms of p (at `level`, offset base) into pos or neg.
void pack(const PolyNode* p, int level, int64_t base, const Layout& lay, Bits& pos, Bits& neg,
          std::vector<uint64_t>& tmp) {
    for (const PolyNode* n = p; n; n = n->next) {
        if (!n->isnum) {
            pack(n->sub, level + 1, base + n->expo * lay.stride[level], lay, pos, neg, tmp);
            continue;
        }
        const int room = limbs_bound(n->num);
        tmp.assign(static_cast<size_t>(room), 0);
        const int len = number_to_limbs(n->num, tmp.data(), room);
        (n->num.sign() < 0 ? neg : pos).put(base * lay.b, tmp.data(), len);
    }
}

Number operand(const PolyNode* p, int64_t top, const Layout& lay) {
    Bits pos(top * lay.b + lay.b), neg(top * lay.b + lay.b);
    std::vector<uint64_t> tmp;
    pack(p, 0, 0, lay, pos, neg, tmp);
    const Number P = number_from_limbs(pos.w.data(), static_cast<int>(pos.w.size()), false);
    const Number M = number_from_limbs(neg.w.data(), static_cast<int>(neg.w.size()), false);
    Number r;
    diff(P, M, r);
    return r;
}

// The coefficients of p (at `level`, offset base) at their slots.
void gather(const PolyNode* p, int level, int64_t base, const Layout& lay, IntSequence& s) {
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum)
            s.add(base, n->num);
        else
            gather(n->sub, level + 1, base + n->expo * lay.stride[level], lay, s);
    }
}

int64_t highest_offset(const OperandSurvey& s, const Layout& lay) {
    int64_t top = 0;
    for (int l = 0; l < s.depth; ++l) top += s.hi[l] * lay.stride[l];
    return top;
}

// True when v >= 2^k.
bool at_least(const std::vector<uint64_t>& v, int64_t k) {
    if (v[k / 64] >> (k % 64)) return true;
    for (size_t i = static_cast<size_t>(k / 64) + 1; i < v.size(); ++i)
        if (v[i]) return true;
    return false;
}

// The coefficients of the product integer x: slot k of |x| read with the
// borrow from below; the signs flip when x is negative.
std::vector<Number> unpack(const Number& x, const Layout& lay) {
    std::vector<Number> coef(static_cast<size_t>(lay.slots));
    const int room = limbs_bound(x);
    std::vector<uint64_t> m(static_cast<size_t>(room) + 2, 0);
    number_to_limbs(x, m.data(), room);
    const bool flip = x.sign() < 0;
    const int64_t b = lay.b;
    const int w = static_cast<int>(b / 64 + 1);
    const uint64_t mask = (uint64_t{1} << (b % 64)) - 1;  // the bits of v's top limb
    std::vector<uint64_t> v(static_cast<size_t>(w));
    const int64_t total_bits = static_cast<int64_t>(room) * 64;
    uint64_t carry = 0;
    for (int64_t k = 0; k < lay.slots; ++k) {
        const int64_t at = k * b;
        if (at >= total_bits && carry == 0) break;
        // v := the b bits at `at`, plus the carry.
        const int64_t q = at / 64;
        const int r = static_cast<int>(at % 64);
        for (int i = 0; i < w; ++i) {
            const int64_t j = q + i;
            uint64_t lo = j < room ? m[j] : 0;
            const uint64_t hi = j + 1 < room ? m[j + 1] : 0;
            if (r) lo = (lo >> r) | (hi << (64 - r));
            v[i] = lo;
        }
        v[w - 1] &= mask;
        unsigned __int128 c = carry;
        for (int i = 0; i < w && c; ++i) {
            c += v[i];
            v[i] = static_cast<uint64_t>(c);
            c >>= 64;
        }
        // v >= 2^(b-1): the coefficient is -(2^b - v), and the slot above
        // owes one.
        const bool negative = at_least(v, b - 1);
        if (negative) {
            // 2^b - v within w limbs.
            unsigned __int128 t = 1;
            for (int i = 0; i < w; ++i) {
                t += static_cast<uint64_t>(~v[i]);
                v[i] = static_cast<uint64_t>(t);
                t >>= 64;
            }
            v[w - 1] &= mask;
        }
        carry = negative ? 1 : 0;
        bool zero = true;
        for (int i = 0; i < w && zero; ++i) zero = v[i] == 0;
        if (!zero) coef[k] = number_from_limbs(v.data(), w, negative != flip);
    }
    return coef;
}

// The poly of the slots at levels `level` .. depth - 1 from `base`; null
// when they are all 0.
PolyNode* build(std::vector<Number>& coef, int level, int64_t base, const Layout& lay) {
    Poly head;
    PolyNode** tail = &head.raw();
    for (int64_t i = lay.size[level] - 1; i >= 0; --i) {
        const int32_t e = static_cast<int32_t>(i);
        const int64_t at = base + i * lay.stride[level];
        PolyNode* node;
        if (level == lay.depth - 1) {
            if (!coef[at]) continue;
            node = number_node(std::move(coef[at]));
            if (e != 0) node = term_node(e, node);
        } else {
            PolyNode* sub = build(coef, level + 1, at, lay);
            if (!sub) continue;
            node = (e == 0 && poly_is_const(sub)) ? sub : term_node(e, sub);
        }
        *tail = node;
        tail = &node->next;
    }
    return head.release();
}

}  // namespace

bool kronecker_mult(const PolyNode* a, const PolyNode* b, Poly& c, ProductSurveys* surveys) {
    if (!kronecker_products || lintmode) return false;
    ProductSurveys own(a, b);
    const OperandSurvey *pa, *pb;
    if (!(surveys ? *surveys : own).get(a, b, pa, pb)) return false;
    const OperandSurvey &sa = *pa, &sb = *pb;
    const int64_t bits_a = digits_bit_bound(sa.digits), bits_b = digits_bit_bound(sb.digits);
    Layout lay;
    lay.depth = std::max(sa.depth, sb.depth);
    if (lay.depth < 1) return false;
    for (int l = 0; l < lay.depth; ++l) {
        lay.size[l] = int64_t{sa.hi[l]} + sb.hi[l] + 1;
        lay.slots *= lay.size[l];
        if (lay.slots > kMaxSlots) return false;
    }
    // Dense operands only: the slots must not dwarf the terms.
    if (lay.slots > kSparseSlack * (sa.terms + sb.terms) * lay.depth) return false;
    int64_t st = 1;
    for (int l = lay.depth - 1; l >= 0; --l) {
        lay.stride[l] = st;
        st *= lay.size[l];
    }
    int log_terms = 1;
    while ((int64_t{1} << log_terms) <= std::min(sa.terms, sb.terms)) ++log_terms;
    lay.b = bits_a + bits_b + log_terms + 1;
    // The work of the term-by-term product in limb products, against the
    // transform's on integers of L limbs; the convolutions modulo word
    // primes (when lay.b, a bound on the coefficients' bits, allows them)
    // pay from a lower ratio than one product of big integers.
    const bool modular = modconv_products && modconv_fits(lay.slots, lay.b);
    const double la = static_cast<double>(bits_a / 64 + 1), lb = static_cast<double>(bits_b / 64 + 1);
    const double limbs = static_cast<double>(lay.slots) * static_cast<double>(lay.b) / 64;
    if (static_cast<double>(sa.terms) * static_cast<double>(sb.terms) * la * lb <
        (modular ? modconv_ratio : kronecker_ratio) * limbs * std::log2(limbs + 2))
        return false;
    std::vector<Number> coef;
    if (modular) {
        // The slots as sequences, multiplied modulo word primes.
        IntSequence x, y;
        gather(a, 0, 0, lay, x);
        if (a != b) gather(b, 0, 0, lay, y);
        const IntSequence& yy = a == b ? x : y;
        if (modconv_fits(x.length() + yy.length() - 1, modconv_bound_bits(x, yy))) {
            coef = modconv_product(x, yy, &poly_poll);
            coef.resize(static_cast<size_t>(lay.slots));
            PolyNode* r = build(coef, 0, 0, lay);
            c.reset(r ? r : zero_node());
            return true;
        }
    }
    // Each integer must be a number Tolmex can hold.
    if ((lay.slots * lay.b) / kDigitBits + 2 >= kMaxDigits) return false;
    const Number x = operand(a, highest_offset(sa, lay), lay);
    const Number y = operand(b, highest_offset(sb, lay), lay);
    Number z;
    fast_mult(x, y, z);
    coef = unpack(z, lay);
    PolyNode* r = build(coef, 0, 0, lay);
    c.reset(r ? r : zero_node());
    return true;
}

}  // namespace tolmex::polyimpl
