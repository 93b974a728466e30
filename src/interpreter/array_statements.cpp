// Whole-array statements and the array-expression grammar:
//
//   statement  := "[" name "]" [":=" arr_expre] | arr_expre
//   arr_expre  := arr_term { ("+" | "-") arr_term }
//   arr_term   := arr_fact { ("*" | "/" | "|" | "_") arr_fact }
//   arr_fact   := "-" arr_fact | "[" name [ranges] "]" | "[" "%" "[" k "]" "]"
//               | literal | "(" arr_expre ")" | prefix arr_fact
//               | Altmult(e, e) | Altpower(e, n) | MPowermod(e, n, m)
//               | Rand(r, c [, b]) | RRand(r, c [, b]) | scalar factor
//   followed by an optional "^" exponent; prefix is Trans, '"', Diag, "~",
//   Sparse or Adjoint.
//
// A literal is "[[" entries "]]" (row by row), "[(" entries ")]" (column by
// column) or "[" rows "]" with rows "[" r {"," "[" c "," value "]"} "]"
// (sparse); a literal takes the shape of the statement's target.
#include <cstring>
#include <memory>
#include <random>

#include "interpreter/array_internal.h"
#include "interpreter/arrays.h"
#include "interpreter/value_reader.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/scanner.h"
#include "matrix/determinant.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "poly/poly_coefs.h"
#include "poly/poly_terms.h"
#include "quoly/quoly_arith.h"
#include "storage/work_arrays.h"

namespace tolmex {

namespace {

bool tok(const char* t) { return token_is(token, t); }
void next(FILE* in, TokenNode*& cursor) { scanner(in, token, cursor); }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }

// At the terminal a literal may go on over several lines: the line end the
// scanner reports as ";" is crossed.
void cross_line_ends(FILE* in, TokenNode*& cursor) {
    while (!cursor && tt_flag && tok(";") && peek_char(in) == '\n') {
        read_char(in);
        next(in, cursor);
    }
}

void expect(FILE* in, TokenNode*& cursor, const char* t, int code) {
    cross_line_ends(in, cursor);
    if (!tok(t)) error(code, token.text);
    next(in, cursor);
    cross_line_ends(in, cursor);
}

// A value of the grammar: an array or a scalar.
struct AVal {
    bool array = false;
    Matrix m;
    Quoly s;
};

// One work array per array factor while its term is evaluated.
class WorkHold {
public:
    explicit WorkHold(const char* ctx) { new_worknode(k_, ctx); }
    ~WorkHold() { free_work(); }
    WorkHold(const WorkHold&) = delete;
    WorkHold& operator=(const WorkHold&) = delete;

private:
    int k_ = 0;
};

struct Context {
    int32_t rows = 0, cols = 0;  // the target's shape (0: none)
    bool onedim = false;
};

void arr_expre(FILE* in, TokenNode*& cursor, const Context& cx, AVal& v);
void arr_fact(FILE* in, TokenNode*& cursor, const Context& cx, AVal& v);

bool starts_array(const Token& t) {
    return token_is(t, "[") || token_is(t, "Trans") || token_is(t, "Diag") || token_is(t, "Adjoint") ||
           token_is(t, "Altmult") || token_is(t, "Altpower") || token_is(t, "MPowermod") ||
           token_is(t, "Rand") || token_is(t, "RRand") || token_is(t, "Sparse") || token_is(t, "\"") ||
           token_is(t, "Peval") ||
           token_is(t, "~");
}

Matrix& need_array(AVal& v, const char* op) {
    if (!v.array) error(24, op);
    return v.m;
}

int64_t read_count(FILE* in, TokenNode*& cursor) {
    IntValue x = read_setting_value(in, cursor);
    if (!x.is_number || !x.fits) error(202, token.text);
    return x.v;
}

// ---------------------------------------------------------------------------
// Literals

Matrix literal_shape(const Context& cx, int64_t count) {
    if (cx.rows > 0) return Matrix::zero(cx.rows, cx.cols, false);
    if (count < 1) error(27, "[");
    Matrix m = Matrix::zero(static_cast<int32_t>(count), 1, false);
    m.onedim = true;
    return m;
}

// The entries up to `close` (the current token is the first entry).
std::vector<Quoly> literal_entries(FILE* in, TokenNode*& cursor, const char* close) {
    std::vector<Quoly> items;
    cross_line_ends(in, cursor);
    while (!tok(close)) {
        Quoly q;
        old_expre(in, q, cursor);
        items.push_back(std::move(q));
        cross_line_ends(in, cursor);
        if (!tok(",")) break;
        next(in, cursor);
        cross_line_ends(in, cursor);
    }
    return items;
}

void fill_literal(Matrix& m, std::vector<Quoly>& items, bool by_rows) {
    if (static_cast<int64_t>(items.size()) != static_cast<int64_t>(m.rows) * m.cols) error(242, "[");
    for (size_t k = 0; k < items.size(); ++k) {
        const int32_t r = by_rows ? static_cast<int32_t>(k / m.cols) : static_cast<int32_t>(k % m.rows);
        const int32_t c = by_rows ? static_cast<int32_t>(k % m.cols) : static_cast<int32_t>(k / m.rows);
        m.set(r, c, std::move(items[k]));
    }
}

int64_t literal_index(const QuolyRec* q) {
    if (!quoly_is_number(q)) error(27, "[");
    if (lintmode) return quoly_number(q).lint();
    int64_t v;
    if (!to_int64(quoly_number(q), v)) error(27, "[");
    return v;
}

// The entries of one sparse row; the current token is the "[" of its
// first entry.
void sparse_row_entries(FILE* in, TokenNode*& cursor, Matrix& m, int64_t row) {
    for (;;) {
        expect(in, cursor, "[", 178);
        const int64_t col = read_index(in, cursor, 27) - addresser;
        expect(in, cursor, ",", 61);
        Quoly q;
        old_expre(in, q, cursor);
        expect(in, cursor, "]", 61);
        const int64_t r = row - addresser;
        if (r < 0 || r >= m.rows || col < 0 || col >= m.cols) error(27, "[");
        m.set(static_cast<int32_t>(r), static_cast<int32_t>(col), std::move(q));
        if (!tok(",")) return;
        next(in, cursor);
        cross_line_ends(in, cursor);
    }
}

// A sparse literal (`sparse_read`) from the "[" of the first entry of its
// first row, whose index is `row`.
Matrix sparse_read(FILE* in, TokenNode*& cursor, const Context& cx, int64_t row) {
    if (cx.rows <= 0) error(242, "[");
    Matrix m = Matrix::zero(cx.rows, cx.cols, true);
    m.onedim = cx.onedim;
    for (;;) {
        sparse_row_entries(in, cursor, m, row);
        expect(in, cursor, "]", 61);  // the row
        if (tok("]")) {
            next(in, cursor);
            return m;
        }
        expect(in, cursor, "[", 178);
        row = read_index(in, cursor, 27);
        expect(in, cursor, ",", 61);
    }
}

// The first row index of a sparse literal, read as the first entry of a
// compact one would be. In modular mode that value is a residue: an index
// written as a lone integer literal is taken as written instead.
int64_t first_row_index(const QuolyRec* first, bool lone_literal) {
    if (!modularmode || !lone_literal) return literal_index(first);
    const std::string& d = last_literal.digits;
    if (d.size() > 18) error(27, "[");
    return std::stoll(d);
}

// After "[" "[": a compact literal, or a sparse one when the first entry
// (then a row index) is followed by "," "[".
Matrix bracket_literal(FILE* in, TokenNode*& cursor, const Context& cx) {
    next(in, cursor);  // past the second "["
    cross_line_ends(in, cursor);
    std::vector<Quoly> items;
    if (!tok("]")) {
        Quoly first;
        const bool starts_with_digit = token.text[0] >= '0' && token.text[0] <= '9';
        const uint64_t literals = last_literal.serial;
        old_expre(in, first, cursor);
        const bool lone_literal = starts_with_digit && last_literal.serial == literals + 1 &&
                                  last_literal.comma_after;
        cross_line_ends(in, cursor);
        if (tok(",")) {
            next(in, cursor);
            cross_line_ends(in, cursor);
            if (tok("[")) return sparse_read(in, cursor, cx, first_row_index(first.get(), lone_literal));
            items = literal_entries(in, cursor, "]");
        }
        items.insert(items.begin(), std::move(first));
    }
    expect(in, cursor, "]", 61);
    if (!tok("]")) error(61, token.text);
    next(in, cursor);
    Matrix m = literal_shape(cx, static_cast<int64_t>(items.size()));
    fill_literal(m, items, true);
    return m;
}

// "[" "]": a sparse literal without entries, as a saved sparse array with
// none is written; it needs the shape of its target.
Matrix empty_sparse_literal(FILE* in, TokenNode*& cursor, const Context& cx) {
    if (cx.rows <= 0) error(24, token.text);
    next(in, cursor);
    Matrix m = Matrix::zero(cx.rows, cx.cols, true);
    m.onedim = cx.onedim;
    return m;
}

// After "[" "(": entries column by column up to ")" "]".
Matrix column_literal(FILE* in, TokenNode*& cursor, const Context& cx) {
    next(in, cursor);  // past "("
    std::vector<Quoly> items = literal_entries(in, cursor, ")");
    expect(in, cursor, ")", 1);
    if (!tok("]")) error(61, token.text);
    next(in, cursor);
    Matrix m = literal_shape(cx, static_cast<int64_t>(items.size()));
    fill_literal(m, items, false);
    return m;
}

// ---------------------------------------------------------------------------
// Named arrays and their parts

// One range of a sub-array: "lo~hi", a single index, or nothing (all).
void read_range(FILE* in, TokenNode*& cursor, int32_t extent, int outside, int empty, int32_t& lo,
                int32_t& hi) {
    if (tok(",") || tok("]")) {
        lo = 0;
        hi = extent - 1;
        return;
    }
    const int64_t a = read_index(in, cursor, outside) - addresser;
    int64_t b = a;
    if (tok("~")) {
        next(in, cursor);
        b = read_index(in, cursor, outside) - addresser;
    }
    if (a < 0 || a >= extent || b < 0 || b >= extent) error(outside, "~");
    if (a > b) error(empty, "~");
    lo = static_cast<int32_t>(a);
    hi = static_cast<int32_t>(b);
}

// `subarray`: name "[" rows ["," columns] "]" with the name's "[" current.
Matrix subarray(FILE* in, TokenNode*& cursor, const char* name) {
    next(in, cursor);
    ArrayRec* a = array_seek(name);
    int32_t lr, hr, lc = 0, hc = 0;
    read_range(in, cursor, a->rows, 56, 57, lr, hr);
    if (a->onedim && !tok(",")) {
        hc = 0;
    } else {
        if (!tok(",")) error(61, token.text);
        next(in, cursor);
        read_range(in, cursor, a->cols(), 58, 59, lc, hc);
    }
    if (!tok("]")) error(61, token.text);
    next(in, cursor);
    a = array_seek(name);
    Matrix whole = read_whole_array(a);
    return matrix_part(whole, lr, hr, lc, hc);
}

// After the opening "[": a named array, a part of one, an array of arrays
// or a literal; the token after the closing "]" is current on return.
Matrix bracketed(FILE* in, TokenNode*& cursor, const Context& cx) {
    next(in, cursor);
    cross_line_ends(in, cursor);
    if (tok("[")) return bracket_literal(in, cursor, cx);
    if (tok("(")) return column_literal(in, cursor, cx);
    if (tok("]")) return empty_sparse_literal(in, cursor, cx);
    if (tok("%")) {
        next(in, cursor);
        if (!tok("[")) error(217, token.text);
        next(in, cursor);
        IntValue v = read_setting_value(in, cursor);
        if (!v.is_number || !v.fits) error(219, token.text);
        if (!tok("]")) error(218, token.text);
        next(in, cursor);
        const int64_t k = v.v - addresser;
        if (k < 0 || k >= 400000) error(221, "%");
        Matrix m = matrix_copy(arrstash_slot(static_cast<int32_t>(k)));
        expect(in, cursor, "]", 61);
        return m;
    }
    if (!is_lower(token.text[0])) error(24, token.text);
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    array_seek(name);
    next(in, cursor);
    Matrix m = tok("[") ? subarray(in, cursor, name) : read_whole_array(array_seek(name));
    if (!tok("]")) error(61, token.text);
    next(in, cursor);
    return m;
}

// ---------------------------------------------------------------------------
// Functions of the grammar

Matrix random_matrix(FILE* in, TokenNode*& cursor, bool rational) {
    next(in, cursor);
    if (!tok("(")) error(177, token.text);
    next(in, cursor);
    const int64_t rows = read_count(in, cursor);
    if (!tok(",")) error(1, token.text);
    next(in, cursor);
    const int64_t cols = read_count(in, cursor);
    int64_t bound = 99;
    if (tok(",")) {
        next(in, cursor);
        bound = read_count(in, cursor);
    }
    if (!tok(")")) error(1, token.text);
    next(in, cursor);
    if (rows < 1 || cols < 1 || bound < 1) error(27, rational ? "RRand" : "Rand");
    if (rows * cols > kMaxStoreEntries) error(26, rational ? "RRand" : "Rand");
    static std::mt19937_64 rng(12345);
    std::uniform_int_distribution<int64_t> num(-bound, bound), den(1, bound);
    Matrix m = Matrix::zero(static_cast<int32_t>(rows), static_cast<int32_t>(cols), false);
    for (Quoly& q : m.e) {
        Number p = number_from_int64(num(rng));
        if (modularmode) change_num(p, true, false);
        if (!rational) {
            q = make_numeric(std::move(p));
            continue;
        }
        Number d = number_from_int64(den(rng));
        if (modularmode) change_num(d, true, false);
        q = make_numeric(std::move(p));
        fast_quoly_quot(q, make_numeric(std::move(d)));
    }
    return m;
}

// "(" arr_expre {"," count} ")" after a function name.
AVal call_arguments(FILE* in, TokenNode*& cursor, const Context& cx, int64_t* counts, int n) {
    next(in, cursor);
    if (!tok("(")) error(177, token.text);
    next(in, cursor);
    AVal v;
    arr_expre(in, cursor, cx, v);
    need_array(v, "(");
    for (int k = 0; k < n; ++k) {
        if (!tok(",")) error(1, token.text);
        next(in, cursor);
        counts[k] = read_count(in, cursor);
    }
    if (!tok(")")) error(1, token.text);
    next(in, cursor);
    return v;
}

Quoly modulus_value(int64_t m) {
    Number x = number_from_int64(m);
    return make_numeric(std::move(x));
}

// Peval(p, [a]): the poly p in its main variable evaluated at the square
// matrix a by Horner's rule, the constant term times the identity.
void poly_at_matrix(FILE* in, TokenNode*& cursor, const Context& cx, AVal& v) {
    next(in, cursor);
    if (!tok("(")) error(177, token.text);
    next(in, cursor);
    Quoly q;
    old_expre(in, q, cursor);
    if (!tok(",")) error(14, token.text);
    next(in, cursor);
    AVal a;
    arr_expre(in, cursor, cx, a);
    if (!tok(")")) error(1, token.text);
    next(in, cursor);
    const Matrix& m = need_array(a, "Peval");
    if (!m.square()) error(313, "Peval");
    if (!quoly_is_poly(q.get()) && !q.get()->numflag) error(186, "Peval");
    const Poly p = numerator_poly(q.get());
    const int level = poly_is_const(p.get()) ? 1 : poly_level(p.get());
    const int32_t d = poly_is_const(p.get()) ? 0 : level_degree(p.get(), level);
    Matrix r = Matrix::zero(m.rows, m.cols, m.sparse);
    for (int32_t e = d; e >= 0; --e) {
        if (e < d) r = matrix_mult(r, m);
        Poly c;
        level_coefficient(p.get(), level, e, c);
        if (poly_iszero(c.get())) continue;
        Quoly cq = quoly_as_written(std::move(c), Poly());
        Matrix ci = matrix_identity(m.rows, m.sparse);
        matrix_scale(ci, cq.get(), true);
        r = matrix_add(r, ci, false);
    }
    v.m = std::move(r);
    v.array = true;
}

void named_function(FILE* in, TokenNode*& cursor, const Context& cx, AVal& v) {
    if (tok("Altmult")) {
        next(in, cursor);
        if (!tok("(")) error(177, token.text);
        next(in, cursor);
        AVal a, b;
        arr_expre(in, cursor, cx, a);
        if (!tok(",")) error(1, token.text);
        next(in, cursor);
        arr_expre(in, cursor, cx, b);
        if (!tok(")")) error(1, token.text);
        next(in, cursor);
        v.m = matrix_mult_plain(need_array(a, "Altmult"), need_array(b, "Altmult"));
        v.array = true;
        return;
    }
    if (tok("Altpower")) {
        int64_t n;
        AVal a = call_arguments(in, cursor, cx, &n, 1);
        if (n < 0) error(137, "Altpower");
        v.m = matrix_power(a.m, n, true);
        v.array = true;
        return;
    }
    if (tok("MPowermod")) {
        int64_t nm[2];
        AVal a = call_arguments(in, cursor, cx, nm, 2);
        if (nm[0] < 0) error(137, "MPowermod");
        if (nm[1] == 0) error(22, "MPowermod");
        Quoly mod = modulus_value(nm[1]);
        v.m = matrix_power(a.m, nm[0], false, mod.get());
        v.array = true;
        return;
    }
    if (tok("Peval")) return poly_at_matrix(in, cursor, cx, v);
    const bool rational = tok("RRand");
    v.m = random_matrix(in, cursor, rational);
    v.array = true;
}

void prefix_function(FILE* in, TokenNode*& cursor, const Context& cx, AVal& v) {
    const bool trans = tok("Trans") || tok("\"");
    const bool diag = tok("Diag") || tok("~");
    const bool sparse = tok("Sparse");
    const bool adjoint = tok("Adjoint");
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    next(in, cursor);
    AVal a;
    arr_fact(in, cursor, cx, a);
    Matrix& m = need_array(a, name);
    if (adjoint) v.m = adjoint_matrix(m, name);
    if (trans) v.m = matrix_transpose(m);
    if (diag) v.m = matrix_diag(m);
    if (sparse) v.m = matrix_to_sparse(m);
    v.array = true;
}

void power_postfix(FILE* in, TokenNode*& cursor, AVal& v) {
    if (!tok("^") || !v.array) return;
    Number e;
    get_exponent(in, cursor, e);
    int64_t n;
    if (!to_int64(e, n)) error(32, "^");
    if (n < 0) {
        Matrix inv;
        Quoly det;
        mat_invert(v.m, det, &inv, "^");
        v.m = std::move(inv);
        n = -n;
    }
    v.m = matrix_power(v.m, n, false);
}

void arr_fact(FILE* in, TokenNode*& cursor, const Context& cx, AVal& v) {
    if (tok("-")) {
        next(in, cursor);
        arr_fact(in, cursor, cx, v);
        if (v.array)
            matrix_negate(v.m);
        else
            quoly_inplace(v.s.get());
        return;
    }
    if (tok("[")) {
        v.m = bracketed(in, cursor, cx);
        v.array = true;
    } else if (tok("(")) {
        next(in, cursor);
        if (starts_array(token) || tok("-") || tok("(")) {
            arr_expre(in, cursor, cx, v);
        } else {
            old_expre(in, v.s, cursor);
            v.array = false;
        }
        if (!tok(")")) error(1, token.text);
        next(in, cursor);
    } else if (tok("Altmult") || tok("Altpower") || tok("MPowermod") || tok("Rand") || tok("RRand") ||
               tok("Peval")) {
        named_function(in, cursor, cx, v);
    } else if (starts_array(token)) {
        prefix_function(in, cursor, cx, v);
    } else {
        old_fact(in, v.s, cursor);
        v.array = false;
        return;
    }
    power_postfix(in, cursor, v);
}

// ---------------------------------------------------------------------------
// Terms and expressions

void combine(AVal& a, AVal&& b, char op) {
    if (op == '_') {
        a.m = matrix_join(need_array(a, "_"), need_array(b, "_"));
        return;
    }
    if (!a.array && !b.array) {
        Quoly r;
        if (op == '*')
            quoly_mult(a.s.get(), b.s.get(), r);
        else if (op == '/')
            quoly_quot(a.s.get(), b.s.get(), r);
        else
            quoly_mod_or_div(a.s.get(), b.s.get(), r, op);
        a.s = std::move(r);
        return;
    }
    if (op == '*') {
        if (a.array && b.array) {
            a.m = matrix_mult(a.m, b.m);
        } else if (a.array) {
            matrix_scale(a.m, b.s.get(), false);
        } else {
            matrix_scale(b.m, a.s.get(), true);
            a.m = std::move(b.m);
            a.array = true;
        }
        return;
    }
    if (b.array) {
        // Division by an array multiplies by its inverse.
        Matrix inv;
        Quoly det;
        mat_invert(b.m, det, &inv, "/");
        if (a.array) {
            a.m = matrix_mult(a.m, inv);
        } else {
            matrix_scale(inv, a.s.get(), true);
            a.m = std::move(inv);
            a.array = true;
        }
        return;
    }
    matrix_entrywise(a.m, b.s.get(), op);
}

void arr_term(FILE* in, TokenNode*& cursor, const Context& cx, AVal& v) {
    arr_fact(in, cursor, cx, v);
    std::unique_ptr<WorkHold> hold;
    for (;;) {
        const char c = token.text[0];
        if (token.text[1] != '\0' || !(c == '*' || c == '/' || c == '|' || c == '_')) return;
        next(in, cursor);
        if (!hold) hold = std::make_unique<WorkHold>("arr_term");
        WorkHold second("arr_term");
        AVal b;
        arr_fact(in, cursor, cx, b);
        combine(v, std::move(b), c);
    }
}

void arr_expre(FILE* in, TokenNode*& cursor, const Context& cx, AVal& v) {
    arr_term(in, cursor, cx, v);
    for (;;) {
        if (!tok("+") && !tok("-")) return;
        const bool subtract = tok("-");
        next(in, cursor);
        AVal b;
        arr_term(in, cursor, cx, b);
        if (v.array != b.array) error(242, subtract ? "-" : "+");
        if (v.array) {
            v.m = matrix_add(v.m, b.m, subtract);
        } else if (subtract) {
            best_quoly_sub(v.s, std::move(b.s));
        } else {
            best_quoly_add(v.s, std::move(b.s));
        }
    }
}

// A scalar assigned to a whole array fills every entry with it.
Matrix filled(const ArrayRec* a, const QuolyRec* s) {
    Matrix m = Matrix::zero(a->rows, a->cols(), a->is_sparse());
    if (a->is_sparse() && !quoly_iszero(s)) error(242, a->name);
    if (a->is_sparse()) return m;
    for (Quoly& q : m.e) q = quoly_copy(s);
    return m;
}

void finish(const char* target, bool literal) {
    if (tok(";")) set_pending_display(target, literal);
    end_array_statement();
}

}  // namespace

void arr_parse(FILE* in, TokenNode*& cursor) {
    Context cx;
    char target[kTokenText] = "";
    AVal v;
    if (tok("[")) {
        next(in, cursor);
        if (is_lower(token.text[0])) {
            char name[kTokenText];
            std::memcpy(name, token.text, sizeof name);
            next(in, cursor);
            if (tok("]")) {
                next(in, cursor);
                if (tok(":")) {
                    next(in, cursor);
                    if (!tok("=")) error(317, token.text);
                    next(in, cursor);
                    ArrayRec* a = array_seek(name);
                    std::memcpy(target, name, sizeof name);
                    cx.rows = a->rows;
                    cx.cols = a->cols();
                    cx.onedim = a->onedim != 0;
                    arr_expre(in, cursor, cx, v);
                    a = array_seek(target);
                    Matrix m = v.array ? std::move(v.m) : filled(a, v.s.get());
                    if (m.rows != a->rows || m.cols != a->cols()) error(242, target);
                    set_temporary_array(matrix_copy(m), target);
                    matrix_to_array(std::move(m), a);
                    finish(target, true);
                    return;
                }
                // "[a]" alone displays a; "[a] op ..." is an expression.
                ArrayRec* a = array_seek(name);
                if (tok(";") || tok(":") || tok("@") || token_is(token, kEndOfBody)) {
                    finish(a->name, false);
                    return;
                }
                v.m = read_whole_array(a);
                v.array = true;
                power_postfix(in, cursor, v);
            } else if (tok("[")) {
                v.m = subarray(in, cursor, name);
                if (!tok("]")) error(61, token.text);
                next(in, cursor);
                v.array = true;
                power_postfix(in, cursor, v);
            } else {
                error(61, token.text);
            }
            // The rest of the expression after its first factor.
            std::unique_ptr<WorkHold> hold;
            for (;;) {
                const char c = token.text[0];
                if (token.text[1] != '\0' || !(c == '*' || c == '/' || c == '|' || c == '_')) break;
                next(in, cursor);
                if (!hold) hold = std::make_unique<WorkHold>("arr_term");
                WorkHold second("arr_term");
                AVal b;
                arr_fact(in, cursor, cx, b);
                combine(v, std::move(b), c);
            }
            while (tok("+") || tok("-")) {
                const bool subtract = tok("-");
                next(in, cursor);
                AVal b;
                arr_term(in, cursor, cx, b);
                if (!b.array) error(242, subtract ? "-" : "+");
                v.m = matrix_add(v.m, b.m, subtract);
            }
        } else {
            error(24, token.text);
        }
    } else {
        arr_expre(in, cursor, cx, v);
    }
    if (!v.array) error(24, token.text);
    set_temporary_array(std::move(v.m), "<");
    finish("<", false);
}

}  // namespace tolmex
