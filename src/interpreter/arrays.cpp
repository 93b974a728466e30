// Array elements in expressions and assignments, the arrays of arrays, the
// system array "<" (the temporary copy an array statement leaves), and the
// joins of the arrays to the ground-ring change and the driver's resets.
#include "interpreter/arrays.h"

#include <cstring>
#include <memory>

#include "base/resets.h"
#include "interpreter/array_internal.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/integer_eval.h"
#include "interpreter/scanner.h"
#include "numbers/modular_state.h"
#include "poly/polyvars.h"
#include "rings/ring_change.h"

namespace tolmex {

int doing_sys_func = 0;
int addresser = 1;
int uninit = 0;

namespace {

bool tok(const char* t) { return token_is(token, t); }
void next(FILE* in, TokenNode*& cursor) { scanner(in, token, cursor); }

Quoly zero_value() {
    Quoly q;
    quoly_set(0, q);
    return q;
}

constexpr int32_t kArrStashSlots = 400000;
// The arrays of arrays: slot k holds a matrix (null: empty).
std::vector<std::unique_ptr<Matrix>>& arrstash() {
    static std::vector<std::unique_ptr<Matrix>> slots;
    return slots;
}

}  // namespace

// ---------------------------------------------------------------------------
// Warnings

void uninit_warning(const char* where) {
    ++uninit;
    if (uninit <= 20) {
        if (where)
            std::printf("Warning. Uninitialized array element in %s has been set to 0.\n", where);
        else
            std::printf("Warning. Uninitialized array element has been set to 0.\n");
    } else if (uninit == 21) {
        std::printf(" ....etc...\n");
    }
}

// ---------------------------------------------------------------------------
// Indices

int64_t read_index(FILE* in, TokenNode*& cursor, int code) {
    if (integer_mode_here(cursor)) return old_iexpre(in, cursor);
    IntValue v = read_setting_value(in, cursor);
    if (!v.is_number) error(code, token.text);
    return v.v;
}

namespace {

struct Indices {
    int64_t i = 0, j = 0;
    bool two = false;
};

// "[" i ["," j] "]" with "[" current; leaves the token after "]".
Indices read_indices(FILE* in, TokenNode*& cursor) {
    Indices x;
    next(in, cursor);
    x.i = read_index(in, cursor, 27);
    if (tok(",")) {
        next(in, cursor);
        x.j = read_index(in, cursor, 27);
        x.two = true;
    }
    if (!tok("]")) error(61, token.text);
    next(in, cursor);
    return x;
}

}  // namespace

void array_element(FILE* in, const char* name, Operand& value, TokenNode*& cursor) {
    char nm[kTokenText];
    std::memcpy(nm, name, sizeof nm);
    array_seek(nm);
    Indices x = read_indices(in, cursor);
    // The array is found again: the indices may have been computed by a
    // statement that changed the arrays.
    ArrayRec* a = array_seek(nm);
    QuolyRec** slot = array_quoly_ptr(a, x.i, x.j, x.two, addresser);
    const bool target = tok(":");  // the left side of ":=", ":+" or ":-"
    if (slot && !*slot && !target) {
        char where[kTokenText + 2];
        std::snprintf(where, sizeof where, "[%s]", a->name);
        uninit_warning(where);
        *slot = zero_value().release();
    }
    value.set(slot && *slot ? quoly_copy(*slot) : zero_value());
    value.elem.on = true;
    std::memcpy(value.elem.array, nm, sizeof nm);
    value.elem.i = x.i;
    value.elem.j = x.j;
    value.elem.two = x.two;
}

void assign_array_element(const ElementRef& target, Quoly&& v, Operand& value) {
    ArrayRec* a = array_seek(target.array);
    int32_t r;
    int64_t c;
    array_position(a, target.i, target.j, target.two, addresser, r, c);
    Quoly shown = quoly_copy(v.get());
    array_store_entry(a, r, c, std::move(v));
    value.set(std::move(shown));
}

ArrayRec* read_array_argument(FILE* in, TokenNode*& cursor) {
    if (!tok("[")) error(178, token.text);
    next(in, cursor);
    if (!(token.text[0] >= 'a' && token.text[0] <= 'z')) error(24, token.text);
    ArrayRec* a = array_seek(token.text);
    next(in, cursor);
    if (!tok("]")) error(61, token.text);
    next(in, cursor);
    return a;
}

Matrix read_whole_array(ArrayRec* a) {
    if (!a->is_sparse())
        for (int64_t c = 0; c < a->cols(); ++c)
            for (int32_t r = 0; r < a->rows; ++r) {
                QuolyRec*& slot = dense_slot(a, r, c);
                if (slot) continue;
                uninit_warning(nullptr);
                slot = zero_value().release();
            }
    return matrix_from_array(a);
}

// ---------------------------------------------------------------------------
// The system array: the temporary copy left by the last array statement.

void system_array_element(FILE* in, Operand& value, TokenNode*& cursor) {
    const Matrix* m = temporary_array();
    if (!m) error(28, "<");
    Indices x = read_indices(in, cursor);
    m = temporary_array();
    if (!m) error(28, "<");
    const int64_t ii = x.i - addresser, jj = x.two ? x.j - addresser : 0;
    int64_t r = ii, c = jj;
    if (!x.two) {
        r = ii % m->rows;
        c = ii / m->rows;
    }
    if (ii < 0 || jj < 0 || r >= m->rows || c >= m->cols) error(27, "<");
    const QuolyRec* q = m->at(static_cast<int32_t>(r), static_cast<int32_t>(c));
    value.set(q ? quoly_copy(q) : zero_value());
}

void system_function(FILE*, Operand&, TokenNode*&) { error(222, "F"); }

// ---------------------------------------------------------------------------
// Arrays of arrays: %[k] names the matrix in slot k.

namespace {

// "%" "[" k "]" with "%" current; the slot number (0-based).
int32_t read_stash_slot(FILE* in, TokenNode*& cursor) {
    next(in, cursor);
    if (!tok("[")) error(217, token.text);
    next(in, cursor);
    IntValue v = read_setting_value(in, cursor);
    if (!v.is_number || !v.fits) error(219, token.text);
    if (!tok("]")) error(218, token.text);
    next(in, cursor);
    const int64_t k = v.v - addresser;
    if (k < 0 || k >= kArrStashSlots) error(221, "%");
    return static_cast<int32_t>(k);
}

}  // namespace

const Matrix& arrstash_slot(int32_t k) {
    auto& slots = arrstash();
    if (k >= static_cast<int32_t>(slots.size()) || !slots[k]) error(220, "%");
    return *slots[k];
}

void array_of_arrays_element(FILE* in, Operand& value, TokenNode*& cursor) {
    const int32_t k = read_stash_slot(in, cursor);
    arrstash_slot(k);
    if (!tok("[")) error(178, token.text);
    Indices x = read_indices(in, cursor);
    const Matrix& m = arrstash_slot(k);
    const int64_t ii = x.i - addresser, jj = x.two ? x.j - addresser : 0;
    int64_t r = ii, c = jj;
    if (!x.two) {
        r = ii % m.rows;
        c = ii / m.rows;
    }
    if (ii < 0 || jj < 0 || r >= m.rows || c >= m.cols) error(27, "%");
    const QuolyRec* q = m.at(static_cast<int32_t>(r), static_cast<int32_t>(c));
    value.set(q ? quoly_copy(q) : zero_value());
}

// %[k] := [a] keeps a copy of a in slot k; %[k] displays the slot; an
// element %[k][i] starts an expression.
void arr_arr_state(FILE* in, Operand& value, TokenNode*& cursor) {
    const int32_t k = read_stash_slot(in, cursor);
    if (tok(":")) {
        next(in, cursor);
        if (!tok("=")) error(317, token.text);
        next(in, cursor);
        ArrayRec* a = read_array_argument(in, cursor);
        auto m = std::make_unique<Matrix>(read_whole_array(a));
        auto& slots = arrstash();
        if (static_cast<int32_t>(slots.size()) <= k) slots.resize(k + 1);
        slots[k] = std::move(m);
        end_array_statement();
        return;
    }
    if (tok("[")) {
        arrstash_slot(k);
        Indices x = read_indices(in, cursor);
        const Matrix& m = arrstash_slot(k);
        const int64_t ii = x.i - addresser, jj = x.two ? x.j - addresser : 0;
        int64_t r = ii, c = jj;
        if (!x.two) {
            r = ii % m.rows;
            c = ii / m.rows;
        }
        if (ii < 0 || jj < 0 || r >= m.rows || c >= m.cols) error(27, "%");
        const QuolyRec* q = m.at(static_cast<int32_t>(r), static_cast<int32_t>(c));
        value.set(q ? quoly_copy(q) : zero_value());
        half_fact(in, value, cursor);
        half_term(in, value, cursor);
        half_expre(in, value, cursor);
        return;
    }
    const Matrix& m = arrstash_slot(k);
    char name[16];
    std::snprintf(name, sizeof name, "%%[%d]", k + addresser);
    if (!tok(":")) display_matrix(stdout, name, m, false);
    end_array_statement();
}

// ---------------------------------------------------------------------------
// Joins

namespace {

void visit_array_values(QuolyVisitor visit) {
    for_each_array_value([&](QuolyRec*& q) { visit(q); });
    for (auto& slot : arrstash()) {
        if (!slot) continue;
        for (Quoly& q : slot->e)
            if (q) visit(q.raw());
        for (auto& row : slot->srows)
            for (auto& x : row) visit(x.v.raw());
    }
}

void (*previous_visitor)(QuolyVisitor) = nullptr;
void (*previous_poly_visitor)(PolyVisitor) = nullptr;

// The polys of the array entries join the stored polys, so that adjoining
// a variable wraps them and removing one checks and unwraps them too.
void visit_all_polys(PolyVisitor visit) {
    if (previous_poly_visitor) previous_poly_visitor(visit);
    visit_array_values([visit](QuolyRec*& q) {
        if (q) quoly_visit_polys(q, visit);
    });
}

void visit_all_values(QuolyVisitor visit) {
    if (previous_visitor) previous_visitor(visit);
    visit_array_values(visit);
}

}  // namespace

void register_arrays() {
    if (for_each_user_value != visit_all_values) {
        previous_visitor = for_each_user_value;
        for_each_user_value = visit_all_values;
    }
    if (for_each_stored_poly != visit_all_polys) {
        previous_poly_visitor = for_each_stored_poly;
        for_each_stored_poly = visit_all_polys;
    }
    on_reset(ResetPoint::StatementStart, [](int) { uninit = 0; });
    on_reset(ResetPoint::Abandon, [](int) { drop_temporary_array(); });
    after_ring_change = [] {
        drop_sparse_zeros();
        for (auto& slot : arrstash()) {
            if (!slot) continue;
            for (auto& row : slot->srows)
                std::erase_if(row, [](const SparseEntry& x) { return quoly_iszero(x.v.get()); });
        }
    };
}

}  // namespace tolmex
