// The quoly: the system's general value (an integer, a rational number, a
// poly or a quotient of polys), always in the normal form of the current
// ground ring:
//  1. zero is the numeric quoly 0;
//  2. a constant numerator without denominator makes a numeric quoly;
//  3. the denominator is never the constant 1 (it is dropped);
//  4. numerator and denominator have no common non-constant factor;
//  5. rational mode: the integer contents of numerator and denominator
//     together are coprime and the denominator's leading coefficient is
//     positive; ratflag is 1 exactly when both are constants (a rational
//     number p/q with q > 1 and gcd(p, q) = 1);
//  6. lint mode: the denominator is monic, and a constant denominator never
//     survives (it is divided into the numerator); ratflag stays 0.
#pragma once

#include <cstdint>

#include "numbers/number.h"
#include "poly/poly.h"

namespace tolmex {

struct QuolyRec {
    QuolyRec* link;   // free-list link
    int32_t numflag;  // 1: a plain number in `num`
    int32_t ratflag;  // 1: numerator and denominator are constants (rational mode)
    Number num;       // numflag: the number
    PolyNode* nump;   // !numflag: the numerator, never null
    PolyNode* denp;   // !numflag: the denominator, null for 1
    QuolyRec() = delete;
    ~QuolyRec() = delete;
};

QuolyRec* newquoly();
void free_quoly(QuolyRec*& q) noexcept;

// The owning handle of a quoly.
class Quoly {
public:
    Quoly() noexcept = default;
    explicit Quoly(QuolyRec* q) noexcept : q_(q) {}
    ~Quoly() { free_quoly(q_); }
    Quoly(Quoly&& o) noexcept : q_(o.q_) { o.q_ = nullptr; }
    Quoly& operator=(Quoly&& o) noexcept {
        if (this != &o) {
            free_quoly(q_);
            q_ = o.q_;
            o.q_ = nullptr;
        }
        return *this;
    }
    Quoly(const Quoly&) = delete;
    Quoly& operator=(const Quoly&) = delete;

    QuolyRec* get() const noexcept { return q_; }
    QuolyRec* operator->() const noexcept { return q_; }
    QuolyRec*& raw() noexcept { return q_; }
    [[nodiscard]] QuolyRec* release() noexcept {
        QuolyRec* q = q_;
        q_ = nullptr;
        return q;
    }
    void reset(QuolyRec* q = nullptr) noexcept {
        free_quoly(q_);
        q_ = q;
    }
    explicit operator bool() const noexcept { return q_ != nullptr; }

private:
    QuolyRec* q_ = nullptr;
};

// ---------------------------------------------------------------------------
// Construction and copies

[[nodiscard]] Quoly make_numeric(Number&& x);
// A quotient (numerator taken over, denominator taken over or null) as it
// stands; the caller has it in normal form or normalises it.
[[nodiscard]] Quoly make_quotient(Poly&& num, Poly&& den, int ratflag);
// A value read in written-out form, taken as it stands without normalising
// it again: a null or constant-1 denominator is dropped, a constant
// numerator without denominator makes a numeric quoly, two constants in
// rational mode a rational number. The denominator must not be zero.
[[nodiscard]] Quoly quoly_as_written(Poly&& num, Poly&& den);

[[nodiscard]] Quoly quoly_copy(const QuolyRec* q);
// A deep copy with every number's digits, whatever lintmode says.
[[nodiscard]] Quoly quoly_copy_exact(const QuolyRec* q);
void quoly_set(int32_t i, Quoly& q);
void p_q_take(Poly&& p, Quoly& q);
// A quoly whose numerator is a constant and which has no denominator
// becomes numeric.
void polynum_to_quoly(Quoly& q);
// The number of numeric q as a constant poly; q is freed.
void quoly_consume(Quoly&& q, Poly& p);
// The numerator (as a poly; a copy) of any quoly.
[[nodiscard]] Poly numerator_poly(const QuolyRec* q);

// ---------------------------------------------------------------------------
// Parts, for the layers above

// The number of a numeric quoly.
inline const Number& quoly_number(const QuolyRec* q) { return q->num; }
inline Number& quoly_number(QuolyRec* q) { return q->num; }
// The numerator and the denominator (null for 1) of a quoly that is not
// numeric.
inline const PolyNode* quoly_numerator(const QuolyRec* q) { return q->nump; }
inline const PolyNode* quoly_denominator(const QuolyRec* q) { return q->denp; }
// Calls visit on the numerator and the denominator of a quoly that is not
// numeric, so that it may rewrite them in place (nothing for a numeric q).
void quoly_visit_polys(QuolyRec* q, void (*visit)(PolyNode*& p));

// ---------------------------------------------------------------------------
// Tests

bool quoly_iszero(const QuolyRec* q);
inline bool quoly_is_number(const QuolyRec* q) { return q->numflag != 0; }
// A poly: not numeric, no denominator.
inline bool quoly_is_poly(const QuolyRec* q) { return !q->numflag && !q->denp; }
bool quoly_is_rational(const QuolyRec* q);  // an integer or a rational number
bool quoly_equal(const QuolyRec* a, const QuolyRec* b);

// Machine integers: the sentinel when the value does not fit.
constexpr int32_t kNotAnInt = static_cast<int32_t>(0x80000001u);
int32_t quoly_convert_to_int(const QuolyRec* q);

}  // namespace tolmex
