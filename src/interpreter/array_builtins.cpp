// The built-ins that take or make arrays. Each reads its own argument list:
// "(" (error 177), array arguments "[a]" (error 178 without "["), ","
// between arguments and ")" (error 1). Nothing is stored into an array
// until every argument has been read and the result is complete.
#include "interpreter/array_builtins.h"
#include "interpreter/builtin_support.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "gcd/factor.h"
#include "gcd/gcd_driver.h"
#include "gcd/square_free.h"
#include "interpreter/arrays.h"
#include "interpreter/builtins.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/scanner.h"
#include "matrix/chpoly.h"
#include "matrix/determinant.h"
#include "matrix/echelon.h"
#include "matrix/echelon_words.h"
#include "matrix/minors_det.h"
#include "matrix/minpoly.h"
#include "matrix/normal_forms.h"
#include "matrix/poly_normal_forms.h"
#include "matrix/pseudo_det.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "poly/poly_gcd_support.h"
#include "poly/poly_residues.h"
#include "poly/poly_monomials.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "storage/work_arrays.h"

namespace tolmex {

namespace {
// Indices of the table whose built-ins take or make arrays, or whose
// mathematics comes later (determinants, factoring, matrix reductions).
constexpr int kArrayIndices[] = {0,  3,  6,  15, 19, 20, 21, 27, 29, 30, 32, 42, 45, 46, 50, 54, 59, 60,
                                 62, 63, 67, 71, 73, 76, 78, 80, 81, 83, 84, 85, 86, 88, 92, 93, 98, 105};
// The table's indices of the echelon built-ins.
constexpr int kColreduce = 6, kFFLU = 19, kFFLUC = 20, kRank = 71, kRedrowech = 73, kRowreduce = 78;

bool tok(const char* t) { return token_is(token, t); }
void next(FILE* in, TokenNode*& cursor) { scanner(in, token, cursor); }

Quoly int_value(int64_t v) { return make_numeric(number_from_int64(v)); }

void open_paren(FILE* in, TokenNode*& cursor) {
    next(in, cursor);
    if (!tok("(")) error(177, token.text);
    next(in, cursor);
}

void comma(FILE* in, TokenNode*& cursor) {
    if (!tok(",")) error(1, token.text);
    next(in, cursor);
}

void close_paren(FILE* in, TokenNode*& cursor) {
    if (!tok(")")) error(1, token.text);
    next(in, cursor);
}

// Holds one work array while a built-in reads a whole array.
struct WorkHold {
    int k = 0;
    explicit WorkHold(const char* ctx) { new_worknode(k, ctx); }
    ~WorkHold() { free_work(); }
};

// "(" [a] ")": the array's name, its entries in m.
ArrayRec* one_array(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    close_paren(in, cursor);
    return a;
}

Matrix square_matrix(ArrayRec* a, const char* name) {
    Matrix m = read_whole_array(a);
    if (!m.square()) error(313, name);
    return m;
}

bool zero(const QuolyRec* q) { return !q || quoly_iszero(q); }

int64_t int_argument(FILE* in, TokenNode*& cursor) {
    IntValue v = read_setting_value(in, cursor);
    if (!v.is_number || !v.fits) error(202, token.text);
    return v.v;
}

// ---------------------------------------------------------------------------
// Tests and counts

Quoly shape_test(int index, FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    WorkHold hold(builtin[index].name);
    if (index == 80) return int_value(a->rows);
    if (index == 86) return int_value(array_count_nonzero(a));
    Matrix m = read_whole_array(a);
    if (index == 32) return int_value(matrix_is_zero(m) ? 1 : 0);
    if (!m.square()) return int_value(0);
    bool yes = true;
    for (int32_t r = 0; r < m.rows && yes; ++r)
        for (int32_t c = 0; c < m.cols && yes; ++c) {
            if (index == 93) {
                yes = r == c || zero(m.at(r, c));
                continue;
            }
            const QuolyRec *u = m.at(r, c), *v = m.at(c, r);
            yes = zero(u) ? zero(v) : (!zero(v) && quoly_equal(u, v));
        }
    return int_value(yes ? 1 : 0);
}

Quoly trace(FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    Matrix m = square_matrix(a, "Trace");
    Quoly s;
    quoly_set(0, s);
    for (int32_t i = 0; i < m.rows; ++i)
        if (const QuolyRec* v = m.at(i, i)) best_quoly_add(s, quoly_copy(v));
    return s;
}

Quoly vecdot(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    comma(in, cursor);
    ArrayRec* b = read_array_argument(in, cursor);
    close_paren(in, cursor);
    if (a->size != b->size) error(242, "Vecdot");
    Matrix x = read_whole_array(a), y = read_whole_array(b);
    Quoly s;
    quoly_set(0, s);
    for (int64_t k = 0; k < a->size; ++k) {
        const QuolyRec* u = x.at(static_cast<int32_t>(k % x.rows), static_cast<int32_t>(k / x.rows));
        const QuolyRec* v = y.at(static_cast<int32_t>(k % y.rows), static_cast<int32_t>(k / y.rows));
        if (zero(u) || zero(v)) continue;
        Quoly p;
        quoly_mult(u, v, p);
        best_quoly_add(s, std::move(p));
    }
    return s;
}

// ---------------------------------------------------------------------------
// Bounds and the permanent

// The integer value of a numeric entry (error 202 otherwise).
const Number& integer_entry(const QuolyRec* q, const char* name) {
    if (!q || !quoly_is_number(q)) error(202, name);
    return quoly_number(q);
}

// Hadamard: the least integer at least the product of the columns'
// euclidean lengths. A bound on sizes of integers: residues are error 202.
Quoly hadamard(FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    Matrix m = square_matrix(a, "Hadamard");
    if (modularmode) error(202, "Hadamard");
    ModularSuspend off;
    Quoly prod;
    quoly_set(1, prod);
    for (int32_t c = 0; c < m.cols; ++c) {
        Quoly sum;
        quoly_set(0, sum);
        for (int32_t r = 0; r < m.rows; ++r) {
            const QuolyRec* v = m.at(r, c);
            if (zero(v)) continue;
            integer_entry(v, "Hadamard");
            Quoly sq;
            quoly_mult(v, v, sq);
            best_quoly_add(sum, std::move(sq));
        }
        fast_quoly_mult(prod, std::move(sum));
    }
    Number root;
    int_sqrt(quoly_number(prod.get()), root);
    Number back;
    fast_mult(root, root, back);
    if (compare(back, quoly_number(prod.get())) < 0) {
        Number one = number_from_int64(1);
        fastsum(root, one);
    }
    return make_numeric(std::move(root));
}

// Gershgorin: the largest sum of absolute values over the rows of a
// square matrix of rational numbers, a bound on the absolute values of its
// eigenvalues. Residues have no absolute value: error 202, as for other
// entries.
Quoly pbound(FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    Matrix m = square_matrix(a, "Pbound");
    if (modularmode) error(202, "Pbound");
    Quoly best;
    quoly_set(0, best);
    for (int32_t r = 0; r < m.rows; ++r) {
        Quoly sum;
        quoly_set(0, sum);
        for (int32_t c = 0; c < m.cols; ++c) {
            const QuolyRec* v = m.at(r, c);
            if (zero(v)) continue;
            if (!quoly_is_rational(v)) error(202, "Pbound");
            Quoly x = quoly_copy(v);
            quoly_abs(x);
            best_quoly_add(sum, std::move(x));
        }
        Quoly d;
        quoly_sub(sum.get(), best.get(), d);
        const bool larger = quoly_is_number(d.get()) ? quoly_number(d.get()).sign() > 0
                                                     : poly_constant(quoly_numerator(d.get())).sign() > 0;
        if (larger) best = std::move(sum);
    }
    return best;
}

// The permanent by the sum over column subsets (rows taken in order).
Quoly permanent(FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    Matrix m = square_matrix(a, "Perm");
    const int32_t n = m.rows;
    if (n > 20) error(27, "Perm");
    std::vector<Quoly> dp(size_t{1} << n);
    quoly_set(1, dp[0]);
    for (uint32_t mask = 0; mask < (1u << n); ++mask) {
        if (!dp[mask] || quoly_iszero(dp[mask].get())) continue;
        poll_interrupt();
        const int32_t row = __builtin_popcount(mask);
        if (row == n) continue;
        for (int32_t c = 0; c < n; ++c) {
            if (mask & (1u << c)) continue;
            const QuolyRec* v = m.at(row, c);
            if (zero(v)) continue;
            Quoly p;
            quoly_mult(dp[mask].get(), v, p);
            Quoly& slot = dp[mask | (1u << c)];
            if (!slot)
                slot = std::move(p);
            else
                best_quoly_add(slot, std::move(p));
        }
    }
    Quoly& all = dp[(size_t{1} << n) - 1];
    if (!all) quoly_set(0, all);
    return std::move(all);
}

// Modulo a composite a pivot must be a unit; elsewhere any nonzero one is.
bool unit_pivot(const QuolyRec* p) {
    if (!modularmode || mod_is_prime || finf || !quoly_is_number(p)) return true;
    int64_t g = 0;
    euclid_inverse(quoly_number(p).lint(), modulus, g);
    return g == 1;
}

// Pivot([a], i, j): every other row loses the multiple of row i that
// clears its entry in column j; the whole result is formed before it is
// stored.
Quoly pivot(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    comma(in, cursor);
    const int64_t i = int_argument(in, cursor) - addresser;
    comma(in, cursor);
    const int64_t j = int_argument(in, cursor) - addresser;
    close_paren(in, cursor);
    char name[kTokenText];
    std::snprintf(name, sizeof name, "%s", a->name);
    a = array_seek(name);
    if (i < 0 || i >= a->rows || j < 0 || j >= a->cols()) error(27, "Pivot");
    Matrix m = read_whole_array(a);
    const QuolyRec* p = m.at(static_cast<int32_t>(i), static_cast<int32_t>(j));
    if (zero(p)) error(22, "Pivot");
    if (!unit_pivot(p)) error(85, "Pivot");
    Quoly piv = quoly_copy(p);
    Matrix out = matrix_copy(m);
    for (int32_t r = 0; r < m.rows; ++r) {
        if (r == i) continue;
        const QuolyRec* e = m.at(r, static_cast<int32_t>(j));
        if (zero(e)) continue;
        Quoly f;
        quoly_quot(e, piv.get(), f);
        for (int32_t c = 0; c < m.cols; ++c) {
            const QuolyRec* u = m.at(static_cast<int32_t>(i), c);
            if (zero(u)) continue;
            Quoly t, s;
            quoly_mult(f.get(), u, t);
            const QuolyRec* old = m.at(r, c);
            if (old) {
                quoly_sub(old, t.get(), s);
            } else {
                s = std::move(t);
                quoly_inplace(s.get());
            }
            out.set(r, c, std::move(s));
        }
    }
    // Looked up again: a command level opened by an interrupt may have
    // deleted or declared arrays meanwhile.
    matrix_to_array(std::move(out), array_seek(name));
    return int_value(0);
}

// ---------------------------------------------------------------------------
// Polys and arrays

// The variable record of level 1 (error 182 when there is none).
Quoly first_variable() {
    if (!polynames) error(182, "Poly");
    Poly x;
    base_poly(x, 1);
    Quoly q;
    p_q_take(std::move(x), q);
    return q;
}

// Poly([a]): a[1] + a[2] x + a[3] x^2 + ... in the first variable, or in
// the poly given as a second argument.
Quoly poly_from_array(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    Quoly x;
    if (tok(",")) {
        next(in, cursor);
        old_expre(in, x, cursor);
    }
    close_paren(in, cursor);
    if (!x) x = first_variable();
    a = array_seek(a->name);
    Matrix m = read_whole_array(a);
    Quoly s;
    quoly_set(0, s);
    for (int64_t k = a->size - 1; k >= 0; --k) {
        fast_quoly_mult(s, quoly_copy(x.get()));
        const QuolyRec* v = m.at(static_cast<int32_t>(k % m.rows), static_cast<int32_t>(k / m.rows));
        if (!zero(v)) best_quoly_add(s, quoly_copy(v));
    }
    return s;
}

// The poly argument of Monomials and Squarefree (errors 182, 186).
Quoly poly_argument(FILE* in, TokenNode*& cursor, const char* name) {
    Quoly p;
    old_expre(in, p, cursor);
    if (!quoly_is_number(p.get()) && quoly_denominator(p.get())) error(186, name);
    return p;
}

// Monomials(p, [a]): the monomials of p into the sparse vector a; the
// value is their number.
Quoly monomials(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    Quoly p = poly_argument(in, cursor, "Monomials");
    comma(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    close_paren(in, cursor);
    std::vector<Quoly> terms;
    if (quoly_is_number(p.get())) {
        if (!quoly_iszero(p.get())) terms.push_back(quoly_copy(p.get()));
    } else {
        for (Poly& t : poly_monomials(quoly_numerator(p.get()))) {
            Quoly q;
            p_q_take(std::move(t), q);
            polynum_to_quoly(q);
            terms.push_back(std::move(q));
        }
    }
    a = array_seek(a->name);
    if (static_cast<int64_t>(terms.size()) > a->size) error(242, "Monomials");
    Matrix m = Matrix::zero(a->rows, a->cols(), a->is_sparse());
    for (size_t k = 0; k < terms.size(); ++k)
        m.set(static_cast<int32_t>(k % a->rows), static_cast<int32_t>(k / a->rows), std::move(terms[k]));
    const int64_t n = static_cast<int64_t>(terms.size());
    matrix_to_array(std::move(m), a);
    return int_value(n);
}

PolyVar* var_of_level(int level) {
    PolyVar* v = polynames;
    for (int k = 1; v && k < level; ++k) v = v->next;
    return v;
}

// The factors and their multiplicities into the n x 2 array a (error 242
// when it has another shape or too few rows); the value is their number.
Quoly store_factors(ArrayRec* a, std::vector<std::pair<Quoly, int32_t>>& factors, const char* name) {
    a = array_seek(a->name);
    if (a->cols() != 2 || static_cast<int64_t>(factors.size()) > a->rows) error(242, name);
    Matrix m = Matrix::zero(a->rows, 2, a->is_sparse());
    for (size_t k = 0; k < factors.size(); ++k) {
        m.set(static_cast<int32_t>(k), 0, std::move(factors[k].first));
        m.set(static_cast<int32_t>(k), 1, value_of_int(factors[k].second));
    }
    const int64_t n = static_cast<int64_t>(factors.size());
    matrix_to_array(std::move(m), a);
    // Like every integer in modular arithmetic, the count and the
    // multiplicities are residues.
    return value_of_int(n);
}

// Values are rooted at level 1: a poly in a deeper variable comes inside
// wrapper nodes. The factoring routines take it at its own level; pads :=
// the wrappers skipped, and each_padded puts them back on the results.
const PolyNode* at_own_level(const PolyNode* p, int& pads) {
    pads = 0;
    while (const PolyNode* u = poly_unwrap(p)) {
        p = u;
        ++pads;
    }
    return p;
}

Quoly padded_value(const PolyNode* g, int pads) {
    Poly copy(copy_poly(g));
    if (!poly_is_const(copy.get()))
        for (int k = 0; k < pads; ++k) add_pad(copy.raw());
    Quoly q;
    p_q_take(std::move(copy), q);
    polynum_to_quoly(q);
    return q;
}

// Squarefree(p, [a]): the square-free factors of p in the first column of
// a, their multiplicities in the second; the value is their number. Over
// the integers a content other than 1 comes first, with multiplicity 1.
Quoly squarefree(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    Quoly p = poly_argument(in, cursor, "Squarefree");
    comma(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    close_paren(in, cursor);
    if (quoly_is_number(p.get())) error(182, "Squarefree");
    int pads = 0;
    const PolyNode* f = at_own_level(quoly_numerator(p.get()), pads);
    PolyVar* vars = var_of_level(pads + 1);
    std::vector<std::pair<Quoly, int32_t>> factors;
    Poly list;
    int32_t count = 0;
    if (modularmode) {
        if (!mod_is_prime && !finf) error(352, "Squarefree");
        square_free_factor(f, list, count, vars);
    } else {
        Poly c, prim;
        content_2(f, c, vars);
        divide_by_content(f, c.get(), prim, vars);
        if (!poly_eq_1(c.get())) factors.emplace_back(padded_value(c.get(), pads), 1);
        rat_sq_free_factor(prim.get(), list, count, vars);
    }
    each_factor(list.get(), [&](int32_t mult, const PolyNode* g) { factors.emplace_back(padded_value(g, pads), mult); });
    return store_factors(a, factors, "Squarefree");
}

// Factor(p, [a]) or Factor(p, [a], level): the irreducible factors of p
// over the finite field in force, monic, in the first column of a (by
// degree, then by coefficients from the second highest down), their
// multiplicities in the second; the value is their number. level, when
// given, must be the field depth (error 300). Rational mode and composite
// moduli cannot factor (error 362).
Quoly factor(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    Quoly p = poly_argument(in, cursor, "Factor");
    comma(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    int level = -1;
    if (tok(",")) {
        next(in, cursor);
        const int64_t v = int_argument(in, cursor);
        level = v < 0 || v > INT32_MAX ? INT32_MAX : static_cast<int>(v);
    }
    close_paren(in, cursor);
    if (quoly_is_number(p.get())) error(182, "Factor");
    int pads = 0;
    const PolyNode* f = at_own_level(quoly_numerator(p.get()), pads);
    Poly list;
    int32_t count = 0;
    factor_poly(f, list, count, false, verbose != 0, level, var_of_level(pads + 1));
    std::vector<std::pair<Quoly, int32_t>> factors;
    each_factor(list.get(), [&](int32_t mult, const PolyNode* g) { factors.emplace_back(padded_value(g, pads), mult); });
    return store_factors(a, factors, "Factor");
}

// Irred(p): 1 when p is irreducible over the finite field in force, 0 for a
// constant, -1 when the ground ring cannot factor; for a reducible p, an
// irreducible factor of least degree (first in Factor's order). A factor,
// not a number code, since integers are residues in modular arithmetic and
// any code above 1 could look like 0 or 1 modulo a small prime.
Quoly irred(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    Quoly p = poly_argument(in, cursor, "Irred");
    close_paren(in, cursor);
    if (quoly_is_number(p.get())) return int_value(modularmode && (mod_is_prime || finf) ? 0 : -1);
    int pads = 0;
    const PolyNode* f = at_own_level(quoly_numerator(p.get()), pads);
    PolyVar* vars = var_of_level(pads + 1);
    const int32_t code = irreducible_poly(f, vars);
    if (code >= -1 && code <= 1) return int_value(code);
    Poly list;
    int32_t count = 0;
    factor_poly(f, list, count, false, false, -1, vars);
    Quoly first;
    each_factor(list.get(), [&](int32_t, const PolyNode* g) {
        if (!first) first = padded_value(g, pads);
    });
    return first;
}

// ---------------------------------------------------------------------------
// Rearranging

// An optional integer argument of Det: a machine integer (error 202).
int32_t det_argument(FILE* in, TokenNode*& cursor) {
    next(in, cursor);
    const int64_t v = int_argument(in, cursor);
    if (v < INT32_MIN || v > INT32_MAX) error(202, token.text);
    return static_cast<int32_t>(v);
}

// Det([a]), Det([a], d) or Det([a], d, p): the determinant of a square
// array (mat_invert chooses the method). The degree bound d and the power
// p serve the Lagrange method of sparse arrays; a dense array ignores
// them, saying so when verbose. For a sparse array a negative d would ask
// for a Hamiltonian path search, which Tolmex does not have yet: error 359.
Quoly determinant(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    int32_t degree = -1, power = 0;
    const bool has_degree = tok(",");
    if (has_degree) degree = det_argument(in, cursor);
    const bool has_power = tok(",");
    if (has_power) power = det_argument(in, cursor);
    close_paren(in, cursor);
    a = array_seek(a->name);
    Matrix m = square_matrix(a, "Det");
    if (m.sparse && has_degree && degree < 0) error(kErrNotBuilt, "Det");
    if (!m.sparse && verbose) {
        if (has_degree) std::printf("Warning: second degree argument (fourth) is ignored when matrix is not sparse.\n");
        if (has_power) std::printf("Warning: power argument (fifth) is ignored when matrix is not sparse.\n");
    }
    Quoly d;
    mat_invert(m, d, nullptr, "Det", DetMethod::Auto, degree, power);
    return d;
}

// Chpoly([a]): det(a - x I), x the polynomial variable of level 1.
Quoly chpoly(FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    Matrix m = square_matrix(a, "Chpoly");
    Quoly r;
    char_poly(m, r, "Chpoly");
    return r;
}

// ---------------------------------------------------------------------------
// Integer normal forms

// At least `least` and at most `most` array arguments after the first (each
// "," "[" name "]"; a missing one is error 1, as for STrans), their names
// into names; the count of them.
int more_arrays(FILE* in, TokenNode*& cursor, char (*names)[kTokenText], int least, int most) {
    int n = 0;
    while (n < least || (n < most && tok(","))) {
        comma(in, cursor);
        ArrayRec* b = read_array_argument(in, cursor);
        std::snprintf(names[n++], kTokenText, "%s", b->name);
    }
    close_paren(in, cursor);
    return n;
}

// The array of that name, which must have r rows and c columns (242).
ArrayRec* target_of_shape(const char* name, int32_t r, int32_t c, const char* fn) {
    ArrayRec* b = array_seek(name);
    if (b->rows != r || b->cols() != c) error(242, fn);
    return b;
}

void store_into(ArrayRec* b, Matrix&& m) {
    matrix_to_array(b->is_sparse() ? matrix_to_sparse(m) : std::move(m), b);
}

// Hermite([a] [, [h] [, [u]]]): the row Hermite form of the integer matrix a
// into a, or into h (a's shape), the unimodular u with h = u a into u
// (square, a's rows); value the rank. A matrix of polynomials in one
// variable gets the form over F[t] (poly_normal_forms.h).
Quoly hermite(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    char names[3][kTokenText];
    std::snprintf(names[0], kTokenText, "%s", a->name);
    const int extra = more_arrays(in, cursor, names + 1, 0, 2);
    Matrix m = read_whole_array(array_seek(names[0]));
    Matrix h, u;
    const int32_t rank = hermite_any(m, h, extra == 2 ? &u : nullptr, "Hermite");
    ArrayRec* hb = target_of_shape(names[extra >= 1 ? 1 : 0], m.rows, m.cols, "Hermite");
    ArrayRec* ub = extra == 2 ? target_of_shape(names[2], m.rows, m.rows, "Hermite") : nullptr;
    if (ub) store_into(ub, std::move(u));
    store_into(array_seek(hb->name), std::move(h));
    return int_value(rank);
}

// Normalize([a] [, [b]]): each nonzero row of the integer matrix a divided
// by the gcd of its entries, its first nonzero entry positive, into a or b
// (a's shape); value the number of nonzero rows.
Quoly normalize(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    char names[2][kTokenText];
    std::snprintf(names[0], kTokenText, "%s", a->name);
    const int extra = more_arrays(in, cursor, names + 1, 0, 1);
    Matrix m = read_whole_array(array_seek(names[0]));
    Matrix out;
    const int32_t rows = normalize_rows(m, out, "Normalize");
    store_into(target_of_shape(names[extra], m.rows, m.cols, "Normalize"), std::move(out));
    return int_value(rows);
}

// Smith([a] [, [s]]) and MSmith([a], [s], [u], [v]): the Smith form of the
// integer matrix a into a or s (a's shape); MSmith also u and v (square) with
// s = u a v. Value the rank. Polynomial entries as for Hermite.
Quoly smith(FILE* in, TokenNode*& cursor, bool transforms) {
    const char* fn = transforms ? "MSmith" : "Smith";
    open_paren(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    char names[4][kTokenText];
    std::snprintf(names[0], kTokenText, "%s", a->name);
    const int extra = more_arrays(in, cursor, names + 1, transforms ? 3 : 0, transforms ? 3 : 1);
    Matrix m = read_whole_array(array_seek(names[0]));
    Matrix s, u, v;
    const int32_t rank = smith_any(m, s, transforms ? &u : nullptr, transforms ? &v : nullptr, fn);
    ArrayRec* sb = target_of_shape(names[extra >= 1 ? 1 : 0], m.rows, m.cols, fn);
    if (transforms) {
        ArrayRec* ub = target_of_shape(names[2], m.rows, m.rows, fn);
        ArrayRec* vb = target_of_shape(names[3], m.cols, m.cols, fn);
        store_into(ub, std::move(u));
        store_into(array_seek(vb->name), std::move(v));
    }
    store_into(array_seek(sb->name), std::move(s));
    return int_value(rank);
}

// Minpoly([a]): the monic minimal polynomial in x, the polynomial variable
// of level 1, of a square matrix over the rationals or a field.
Quoly minpoly(FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    Matrix m = square_matrix(a, "Minpoly");
    Quoly r;
    minimal_poly(m, r, "Minpoly");
    return r;
}

// Pseudet([a]): a large known divisor of the determinant of an integer
// matrix.
Quoly pseudet(FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    Matrix m = square_matrix(a, "Pseudet");
    return new_pseudo(m, "Pseudet");
}

// Minors([a]): the determinant of a square array by expansion by minors
// with the minor stash (a sparse array stays in its lists).
Quoly minors(FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    Matrix m = square_matrix(a, "Minors");
    Quoly d;
    minors_determinant(m, d, integerflag != 0);
    return d;
}

// Reverse([a]): the entries in the opposite order (entry k of n counted
// column by column goes to n - 1 - k).
Quoly reverse(FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    Matrix m = read_whole_array(a);
    Matrix out = Matrix::zero(m.rows, m.cols, m.sparse);
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.cols; ++c)
            if (const QuolyRec* v = m.at(r, c)) out.set(m.rows - 1 - r, m.cols - 1 - c, quoly_copy(v));
    matrix_to_array(std::move(out), a);
    return int_value(0);
}

// STrans([a], [b]): b := the transpose of a.
Quoly strans(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    comma(in, cursor);
    ArrayRec* b = read_array_argument(in, cursor);
    close_paren(in, cursor);
    Matrix t = matrix_transpose(read_whole_array(a));
    b = array_seek(b->name);
    matrix_to_array(std::move(t), b);
    return int_value(0);
}

// -1, 0, 1 as u < v, u = v, u > v for two numbers of the ring.
int compare_values(const QuolyRec* u, const QuolyRec* v) {
    if (quoly_is_number(u) && quoly_is_number(v)) return compare(quoly_number(u), quoly_number(v));
    Quoly d;
    quoly_sub(u, v, d);
    if (quoly_is_number(d.get())) return quoly_number(d.get()).sign();
    return poly_constant(quoly_numerator(d.get())).sign();
}

// Sort([a]) or Sort([a], [b]): the entries in increasing order, column by
// column, into a or into b (of a's shape).
Quoly sort(FILE* in, TokenNode*& cursor) {
    open_paren(in, cursor);
    if (!tok("[")) error(370, token.text);
    ArrayRec* a = read_array_argument(in, cursor);
    char target[kTokenText];
    std::snprintf(target, sizeof target, "%s", a->name);
    if (tok(",")) {
        next(in, cursor);
        if (!tok("[")) error(370, token.text);
        ArrayRec* b = read_array_argument(in, cursor);
        std::snprintf(target, sizeof target, "%s", b->name);
    }
    close_paren(in, cursor);
    WorkHold hold("Sort");
    a = array_seek(a->name);
    Matrix m = read_whole_array(a);
    std::vector<Quoly> values;
    for (int32_t c = 0; c < m.cols; ++c)
        for (int32_t r = 0; r < m.rows; ++r) {
            const QuolyRec* v = m.at(r, c);
            if (v && !quoly_is_rational(v)) error(371, "Sort");
            Quoly q;
            if (v)
                q = quoly_copy(v);
            else
                quoly_set(0, q);
            values.push_back(std::move(q));
        }
    std::stable_sort(values.begin(), values.end(),
                     [](const Quoly& x, const Quoly& y) { return compare_values(x.get(), y.get()) < 0; });
    ArrayRec* b = array_seek(target);
    if (b->rows != m.rows || b->cols() != m.cols) error(372, target);
    Matrix out = Matrix::zero(m.rows, m.cols, b->is_sparse());
    for (size_t k = 0; k < values.size(); ++k)
        out.set(static_cast<int32_t>(k % m.rows), static_cast<int32_t>(k / m.rows), std::move(values[k]));
    matrix_to_array(std::move(out), b);
    return int_value(0);
}

// ---------------------------------------------------------------------------
// Echelon forms

// Rank([a]): the rank over the fraction field of the ground ring. Residue
// entries are read straight from the store as machine words.
Quoly rank(FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    int32_t r = 0;
    if (array_word_echelon(a, nullptr, WordForm::Echelon, false, r, "Rank")) return value_of_int(r);
    return value_of_int(matrix_rank(read_whole_array(a), "Rank"));
}

// Rowreduce([a] [, [b]]), Colreduce and Redrowech alike: the row (column)
// echelon form or the reduced row echelon form of a into a, or into b of
// a's shape (error 242); the value is the rank. The form is complete
// before it is stored, so an error leaves both arrays as they were. In
// modular mode residue entries go straight from the store to machine words
// and back.
Quoly echelon(int index, FILE* in, TokenNode*& cursor) {
    const char* name = builtin[index].name;
    open_paren(in, cursor);
    ArrayRec* a = read_array_argument(in, cursor);
    char target[kTokenText];
    std::snprintf(target, sizeof target, "%s", a->name);
    if (tok(",")) {
        next(in, cursor);
        ArrayRec* b = read_array_argument(in, cursor);
        std::snprintf(target, sizeof target, "%s", b->name);
    }
    close_paren(in, cursor);
    a = array_seek(a->name);
    int32_t r = 0;
    const WordForm wf = index == kRedrowech ? WordForm::Reduced : WordForm::Echelon;
    if (array_word_echelon(a, target, wf, index == kColreduce, r, name)) return value_of_int(r);
    Matrix m = read_whole_array(a);
    Matrix form = index == kRowreduce  ? row_echelon(m, r, name)
                  : index == kColreduce ? column_echelon(m, r, name)
                                        : reduced_row_echelon(m, r, name);
    matrix_to_array(std::move(form), array_seek(target));
    return value_of_int(r);
}

// FFLU([a], [l], [u] [, [p]]): the fraction-free LU factors of a into l
// (square, a's rows) and u (a's shape), and into the vector p (a's rows)
// the permutation: p[i] is the row of a that became row i. FFLUC([a], [b]
// [, [p]]) is the compact variant: both factors in b (a's shape), u on
// and right of each row's pivot, l's entries below its diagonal (l's
// diagonal is u's pivots). Value: the rank. Every shape is checked (error
// 242) before anything is stored.
Quoly fflu(int index, FILE* in, TokenNode*& cursor) {
    const int outputs = index == kFFLU ? 2 : 1;
    open_paren(in, cursor);
    std::vector<std::string> names;
    names.emplace_back(read_array_argument(in, cursor)->name);
    for (int k = 0; k < outputs || (k == outputs && tok(",")); ++k) {
        comma(in, cursor);
        names.emplace_back(read_array_argument(in, cursor)->name);
    }
    close_paren(in, cursor);
    FractionFreeLU lu = fraction_free_lu(read_whole_array(array_seek(names[0].c_str())), builtin[index].name);
    Matrix perm = Matrix::zero(lu.l.rows, 1, false);
    perm.onedim = true;
    for (int32_t i = 0; i < lu.l.rows; ++i) perm.set(i, 0, value_of_int(lu.perm[i] + 1));
    Matrix compact = index == kFFLU ? Matrix() : compact_lu(lu);
    std::vector<Matrix*> parts = {&lu.l, &lu.u, &perm};
    if (index != kFFLU) parts = {&compact, &perm};
    for (size_t k = 1; k < names.size(); ++k) {
        ArrayRec* t = array_seek(names[k].c_str());
        if (t->rows != parts[k - 1]->rows || t->cols() != parts[k - 1]->cols) error(242, t->name);
    }
    for (size_t k = 1; k < names.size(); ++k) matrix_to_array(std::move(*parts[k - 1]), array_seek(names[k].c_str()));
    return value_of_int(lu.rank);
}

// Sparse([a]): a becomes a sparse array with the same entries.
Quoly to_sparse(FILE* in, TokenNode*& cursor) {
    ArrayRec* a = one_array(in, cursor);
    read_whole_array(a);  // unassigned entries are set to 0 with the warning
    make_sparse(a);
    return int_value(0);
}

}  // namespace

bool is_array_builtin(int index) {
    for (int i : kArrayIndices)
        if (i == index) return true;
    return false;
}

void array_builtin(int index, FILE* in, Operand& value, TokenNode*& cursor) {
    Quoly r;
    switch (index) {
        case 0:
            next(in, cursor);
            create_array(in, cursor);
            r = int_value(0);
            break;
        case 3: r = chpoly(in, cursor); break;
        case 15: r = determinant(in, cursor); break;
        case 27: r = hadamard(in, cursor); break;
        case 32: case 80: case 86: case 92: case 93: r = shape_test(index, in, cursor); break;
        case 45: r = minors(in, cursor); break;
        case 50: r = monomials(in, cursor); break;
        case 59: r = pbound(in, cursor); break;
        case 60: r = permanent(in, cursor); break;
        case 62: r = pivot(in, cursor); break;
        case 63: r = poly_from_array(in, cursor); break;
        case 67: r = pseudet(in, cursor); break;
        case 76: r = reverse(in, cursor); break;
        case 81: r = strans(in, cursor); break;
        case 84: r = sort(in, cursor); break;
        case 85: r = to_sparse(in, cursor); break;
        case 88: r = squarefree(in, cursor); break;
        case 21: r = factor(in, cursor); break;
        case 30: r = irred(in, cursor); break;
        case 98: r = trace(in, cursor); break;
        case 105: r = vecdot(in, cursor); break;
        case 29: r = hermite(in, cursor); break;
        case 46: r = minpoly(in, cursor); break;
        case 54: r = normalize(in, cursor); break;
        case 83: r = smith(in, cursor, false); break;
        case 42: r = smith(in, cursor, true); break;
        case kRank: r = rank(in, cursor); break;
        case kFFLU: case kFFLUC: r = fflu(index, in, cursor); break;
        case kRowreduce: case kColreduce: case kRedrowech: r = echelon(index, in, cursor); break;
        default: error(kErrNotBuilt, builtin[index].name);
    }
    value.set(std::move(r));
}

}  // namespace tolmex
