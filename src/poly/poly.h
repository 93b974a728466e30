// Polynomials: the nested sparse representation over the adjoined
// polynomial variables.
//
// Invariants of a poly whose top list is at level d (variable x_d):
//  * The list is sorted by strictly decreasing `expo`; each exponent occurs
//    at most once.
//  * A term c * x_d^e whose coefficient involves deeper variables, or any
//    term with e != 0, is a node with isnum == 0 whose `sub` is a poly at
//    level d + 1.
//  * A constant term (e == 0 with a number coefficient) is a number node:
//    isnum == 1, expo == 0, `num` the number. Number nodes are last, followed
//    only by terms with negative exponents when those are enabled.
//  * A constant poly is one number node with no next; zero is the single
//    number node 0. A constant coefficient c of a term c * x_d^e (e != 0)
//    is the one-node list "c" one level down.
//  * A poly that does not involve x_d but involves deeper variables is a
//    single "wrapper" node: expo 0, isnum 0, `sub` the poly at level d + 1.
//  * Zero coefficients are never stored; a list that becomes empty is
//    replaced by the constant 0.
//  * In lintmode the numbers hold their value in the lint word only.
// A poly is owned by exactly one holder; every copy is deep.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "numbers/number.h"

namespace tolmex {

struct PolyNode {
    PolyNode* next;  // next (smaller) term; the free-list link
    int32_t expo;
    int32_t isnum;
    union {
        Number num;     // isnum: the coefficient
        PolyNode* sub;  // !isnum: the coefficient poly, one level deeper
    };
    PolyNode() = delete;
    ~PolyNode() = delete;
};

// A node from polygarb, else the poly stash; nothing initialised.
PolyNode* newpoly();
// Frees the whole poly (numbers, sub-polys, and the top chain in one
// splice) and sets p to null; a null p is allowed.
void free_poly(PolyNode*& p) noexcept;
// n's sub-poly is a single number node: n takes that number over.
void remove_dummy(PolyNode* n);

// A new number node holding x (taken over).
PolyNode* number_node(Number&& x);
// A new term node x^e over the coefficient poly c (taken over).
PolyNode* term_node(int32_t e, PolyNode* c, PolyNode* next = nullptr);

// The owning handle of a poly.
class Poly {
public:
    Poly() noexcept = default;
    explicit Poly(PolyNode* p) noexcept : p_(p) {}
    ~Poly() { free_poly(p_); }
    Poly(Poly&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Poly& operator=(Poly&& o) noexcept {
        if (this != &o) {
            free_poly(p_);
            p_ = o.p_;
            o.p_ = nullptr;
        }
        return *this;
    }
    Poly(const Poly&) = delete;
    Poly& operator=(const Poly&) = delete;

    PolyNode* get() const noexcept { return p_; }
    PolyNode*& raw() noexcept { return p_; }
    [[nodiscard]] PolyNode* release() noexcept {
        PolyNode* p = p_;
        p_ = nullptr;
        return p;
    }
    void reset(PolyNode* p = nullptr) noexcept {
        free_poly(p_);
        p_ = p;
    }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    PolyNode* p_ = nullptr;
};

// Numbers as the poly code sees them (respecting lintmode).
bool num_is_zero(const Number& x);
bool num_is_one(const Number& x);
bool num_is_minus_one(const Number& x);
// The sign a number is displayed with (-1, 0, 1): residues above half the
// modulus count as negative when alt_form_display is on.
int num_display_sign(const Number& x);

// ---------------------------------------------------------------------------
// Construction and copies

void poly_set(int32_t v, Poly& p);            // p := the constant v
void scalar_to_poly(Number&& x, Poly& p);     // p := the constant x (taken over)
// p := a deep copy of src; p's old value is freed afterwards, so src may be
// part of it.
void poly_assign(const PolyNode* src, Poly& p);
[[nodiscard]] PolyNode* copy_poly(const PolyNode* src);
// p := the variable of level k (k - 1 wrapper nodes, then x_k).
void base_poly(Poly& p, int k);
// p := x_k^e (1 when e == 0; a negative e needs Laurent polys).
void variable_power(Poly& p, int k, int32_t e);
void poly_inplace(PolyNode* p);                  // p := -p
void poly_makeneg(const PolyNode* p, Poly& q);   // q := -p
// Wraps a non-constant p in one wrapper node (the levels moved one deeper).
void add_pad(PolyNode*& p);

// ---------------------------------------------------------------------------
// Changes of ground ring

// Rewrites one number in place (an integer to its residue, a residue back
// to an integer).
using CoefficientMap = void (*)(Number& x);
// Applies f to every number coefficient of p, then drops the terms whose
// coefficient became zero in the arithmetic now in force and restores the
// invariants: a term of exponent 0 left over a constant becomes a number
// node, an emptied sub-poly takes its term with it, and an emptied poly is
// the constant 0. If f raises, p is left a sound (partly mapped) poly.
void poly_map_coefficients(PolyNode*& p, CoefficientMap f);
// A deep copy of p with its digits, whatever lintmode says (a copy made in
// lintmode holds only the single-word values).
[[nodiscard]] PolyNode* copy_poly_exact(const PolyNode* p);

// ---------------------------------------------------------------------------
// Predicates

// A single number node.
inline bool poly_is_const(const PolyNode* p) { return p && p->isnum && !p->next; }
bool poly_iszero(const PolyNode* p);
bool poly_eq_1(const PolyNode* p);
bool poly_eq_m1(const PolyNode* p);
bool poly_eq_pm1(const PolyNode* p);
bool poly_small(const PolyNode* p);
bool monomial(const PolyNode* p);
bool poly_equal(const PolyNode* p, const PolyNode* q);
bool height_is_1(const PolyNode* p);

// Builds a poly term by term in strictly decreasing exponent of the top
// level's variable; each coefficient is a number or a poly one level deeper
// (taken over). The caller keeps the invariants: no zero coefficient, and a
// poly coefficient of exponent 0 only when it is not a constant.
class TermList {
public:
    TermList() = default;
    TermList(const TermList&) = delete;
    TermList& operator=(const TermList&) = delete;
    // The term c x^e (a number node for e = 0).
    void append(int32_t e, Number&& c) {
        PolyNode* n = number_node(std::move(c));
        link(e != 0 ? term_node(e, n) : n);
    }
    // The term c x^e for a poly c; a constant c of exponent 0 is its number.
    void append(int32_t e, PolyNode* c) { link(e == 0 && poly_is_const(c) ? c : term_node(e, c)); }
    bool empty() const { return !head_; }
    // The list built so far (null when no term was appended); the builder is
    // left empty.
    [[nodiscard]] PolyNode* release() {
        tail_ = &head_.raw();
        return head_.release();
    }

private:
    void link(PolyNode* n) {
        *tail_ = n;
        tail_ = &n->next;
    }
    Poly head_;
    PolyNode** tail_ = &head_.raw();
};

// Puts `count` fresh nodes of the poly stash on the poly free list, so that
// later polys find them there (start-up does this once).
void prefill_poly_nodes(int count);

// ---------------------------------------------------------------------------
// Reading coefficients

// The number of a constant poly (a single number node).
inline const Number& poly_constant(const PolyNode* p) { return p->num; }
inline Number& poly_constant(PolyNode* p) { return p->num; }
// The number of the leading coefficient (the first term at every level).
const PolyNode* leading_coef(const PolyNode* p);
inline const Number& leading_number(const PolyNode* p) { return leading_coef(p)->num; }
// Calls f(x) on the number of every coefficient of p, depth first in term
// order, until f returns false; false when f stopped the walk.
template <class F>
bool poly_each_number(const PolyNode* p, F&& f) {
    for (; p; p = p->next)
        if (p->isnum ? !f(p->num) : !poly_each_number(p->sub, f)) return false;
    return true;
}
// Every coefficient replaced by its absolute value (nothing in modular
// mode).
void poly_abs(PolyNode* p);

// ---------------------------------------------------------------------------
// Levels, degrees and sizes

int poly_level(const PolyNode* p);
int poly_depth(const PolyNode* p);
// p has a term of nonzero exponent at level k (p's top level is 1).
bool poly_involves_level(const PolyNode* p, int k);
// Removes level k from a poly that does not involve it: the deeper levels
// move one up.
void poly_remove_level(PolyNode*& p, int k);

// The number of terms of the top list.
inline int32_t poly_length(const PolyNode* p) {
    int32_t n = 0;
    for (; p; p = p->next) ++n;
    return n;
}
// A size estimate that chooses among algorithms: digits of the numbers,
// weighted by the exponents above them (capped at 2^25 - 2).
int32_t poly_mass(const PolyNode* p, int32_t f, int32_t g);

// ---------------------------------------------------------------------------
// Negative exponents (Laurent polys). Levels count from p's top level: entry
// k of a vector is the level k + 1.

// The exponents of the largest monomial dividing p: entry k is the lowest
// exponent of level k + 1 over all terms (a term not reaching a level has
// exponent 0 there); as many entries as p's lists have levels.
[[nodiscard]] std::vector<int32_t> poly_lowest_exponents(const PolyNode* p);
// p := p / prod x_(k+1)^e[k] (exponents of either sign; number nodes
// become terms where their exponents change).
void poly_divide_monomial(PolyNode* p, std::span<const int32_t> e);

}  // namespace tolmex
