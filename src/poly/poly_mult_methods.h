// The product methods behind the dispatchers of poly_mult.cpp. Internal to
// src/poly.
#pragma once

#include <cstdint>

#include "poly/poly.h"

namespace tolmex {
struct PolyVar;
}

namespace tolmex::polyimpl {

// Interrupts are polled only while this is 0: the dense scratch arrays
// (xx, yy, zz, x2, y2, z2) are in use while it is positive, and a command
// level opened then could reuse them.
extern int no_poll_depth;
// Polls for a keyboard interrupt at a safe point. The command level it may
// open runs with private_splits cleared, so that its own products copy
// their operands before splitting them.
void poly_poll();

class NoPollScope {
public:
    NoPollScope() { ++no_poll_depth; }
    ~NoPollScope() { --no_poll_depth; }
    NoPollScope(const NoPollScope&) = delete;
    NoPollScope& operator=(const NoPollScope&) = delete;
};

// Positive while the operands being split in place (Karatsuba, the
// divide-and-conquer division) are private copies made by the outermost
// product or division. Splits then never touch a poly a command level
// opened by an interrupt could see, so those algorithms may poll.
extern int private_splits;

// The outermost split operation copies its operands first; inner ones use
// them as they are.
class PrivateOperands {
public:
    PrivateOperands(const PolyNode*& a, const PolyNode*& b);
    ~PrivateOperands();
    PrivateOperands(const PrivateOperands&) = delete;
    PrivateOperands& operator=(const PrivateOperands&) = delete;

private:
    Poly ca_, cb_;
    bool outer_;
};

// Schoolbook rows: the operand with fewer terms drives; each of its terms
// times the other poly is accumulated with best_poly_add. na and nb are the
// term counts (absolute values).
class ProductSurveys;
void schoolbook_mult(const PolyNode* a, int32_t na, const PolyNode* b, int32_t nb, Poly& c,
                     PolyVar* var, ProductSurveys* surveys = nullptr);

// The schoolbook product of integer polys whose coefficients all have at
// most two digits, summed on a dense accumulator (rational mode). False,
// leaving c alone, when the operands do not qualify or the exponent box is
// too large for the work.
bool packed_schoolbook(const PolyNode* a, const PolyNode* b, Poly& c,
                       ProductSurveys* surveys = nullptr);
// Whether schoolbook products may use the dense accumulator (on unless a
// test compares it with the plain rows).
extern bool packed_products;

// The largest exponent of every level, the term count and the largest
// coefficient (in digits) of an operand of the integer product methods;
// false when it does not qualify: a negative exponent, more than
// kSurveyLevels levels, a coefficient of more than max_digits digits.
constexpr int kSurveyLevels = 160;
struct OperandSurvey {
    int32_t hi[kSurveyLevels] = {};
    int depth = 0;
    int64_t terms = 0;
    int32_t digits = 0;
};
bool survey_operand(const PolyNode* p, int level, int32_t max_digits, OperandSurvey& s);

// The surveys of one product's operands (any size of coefficient), made
// by the first method that asks and read by the next: poly_mult's
// Kronecker products, then the dense accumulator, survey each operand once.
class ProductSurveys {
public:
    ProductSurveys(const PolyNode* a, const PolyNode* b) : a_(a), b_(b) {}
    // The surveys of x and y, the operands in either order; false when one
    // of them does not qualify.
    bool get(const PolyNode* x, const PolyNode* y, const OperandSurvey*& sx, const OperandSurvey*& sy);

private:
    const PolyNode *a_, *b_;
    bool made_ = false, ok_ = false;
    OperandSurvey sa_, sb_;
};

// Kronecker substitution: a product of dense integer polys as one product
// of big integers, taken when the term-by-term work (term pairs times limb
// products) is at least kronecker_ratio times the transform's (L log2 L
// for integers of L limbs). Measured on (x + y + 1)^k (g + 1): the ratio
// is about 1 at k = 10 (Kronecker 2.5x slower), 3.6 at k = 35 (about
// even), 17 at k = 50 (6x faster), 64 at k = 100 (9x faster); a 3-variable
// simplex (x + y + 3z + 1)^20 has 1.5 (3x slower). Tests set the ratio 0
// to force it wherever the operands are dense.
bool kronecker_mult(const PolyNode* a, const PolyNode* b, Poly& c,
                    ProductSurveys* surveys = nullptr);
constexpr double kKroneckerRatio = 8;
extern double kronecker_ratio;
extern bool kronecker_products;
// Whether those products may go through multi-modular convolutions of the
// slots (numbers/modconv.h) instead of one product of big integers, when
// the coefficients' bound allows (on unless a test compares the two). They
// are taken from a lower ratio, modconv_ratio. Measured against the
// term-by-term methods (200 to 3000 products g (g + 1)): (x + y + 1)^k
// even at ratio 2.5 (k = 18), 1.2x slower at 2.1, 1.7x faster at 2.7
// (k = 19); (x + 1)^k 1.2x faster from 1.5 on (Karatsuba on arrays);
// (12345x - 6789)^k 1.5x slower at 3.2, 1.2x faster at 7.3.
extern bool modconv_products;
constexpr double kModconvRatio = 3;
extern double modconv_ratio;
// Slabs of the accumulator of more cells than this leave the cache (16
// bytes a small cell): a product of three or more levels then takes one
// slab per pair of outer exponents. Fateman's product f (f + 1), f = (1 +
// x + y + z + t)^20, a slab of 41^3 cells with one outer level, is about 5%
// faster with two (tests set 1 to force the two outer levels).
constexpr int64_t kPackedSlabCells = int64_t{1} << 14;
extern int64_t packed_slab_cells;

// Karatsuba on arrays for dense one-variable integer polys (rational mode,
// both lists at least half full), down to `cutoff` entries. False, leaving
// c alone, when the operands do not qualify.
bool dense_integer_mult(const PolyNode* a, const PolyNode* b, Poly& c, int32_t cutoff);
// Whether those arrays may be used (on unless a test compares them with
// the term lists).
extern bool dense_integer_products;
// The pieces it is made of, for the dense accumulator: integers as two's
// complement numbers of `width` 64-bit limbs (entry i of an array at
// i * width); z[0 .. nx + ny - 1) := x y modulo 2^(64 width).
int integer_width(int32_t digits_a, int32_t digits_b, int64_t terms);
void integer_array_product(const uint64_t* x, int64_t nx, const uint64_t* y, int64_t ny,
                           uint64_t* z, int width, int64_t cutoff);

// Modular one-variable schoolbook rows (simplest_standard).
void simplest_standard(const PolyNode* a, int32_t na, const PolyNode* b, int32_t nb, Poly& c);
// Modular one-variable dense product, or the rows when an operand is
// sparse (fastest_standard).
void fastest_standard(const PolyNode* a, int32_t na, const PolyNode* b, int32_t nb, Poly& c);

// Karatsuba on the term lists (na, nb >= 2 terms). With `simple` the
// operands are modular one-variable polys and the sub-products go through
// simplest_poly_mult; otherwise through poly_mult with var.
void karatsuba_mult(const PolyNode* a, int32_t na, const PolyNode* b, int32_t nb, Poly& c,
                    PolyVar* var, bool simple);

// c := x * p for a number x; null when every product vanished.
PolyNode* scale_poly(const Number& x, const PolyNode* p);

// Error 376 unless every exponent sum of the top lists of a and b lies in
// the 32-bit range (a and b non-constant).
void check_product_exponents(const PolyNode* a, const PolyNode* b);

}  // namespace tolmex::polyimpl
