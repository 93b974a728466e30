// Displaying arrays: as a literal that reads back (compact rows of small
// numbers, one entry per line, or the sparse row form), or entry by entry.
// Also the temporary array copy and the display an array statement leaves
// pending.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "interpreter/array_internal.h"
#include "interpreter/arrays.h"
#include "interpreter/driver.h"
#include "interpreter/scanner.h"
#include "interpreter/statement_value.h"
#include "numbers/display_settings.h"
#include "numbers/modular_state.h"
#include "quoly/quoly_display.h"

namespace tolmex {

namespace {

// The value as the inline display writes it.
std::string value_text(const QuolyRec* q) {
    char* buf = nullptr;
    size_t len = 0;
    FILE* f = open_memstream(&buf, &len);
    if (!f) return "?";
    int col = 0;
    quoly_print_inline(f, q, col);
    std::fclose(f);
    std::string s(buf, len);
    std::free(buf);
    return s;
}

// A number of at most 9 digits (any number in single-word mode), or 0.
bool small_entry(const QuolyRec* q) {
    if (!q) return true;
    if (!quoly_is_number(q)) return false;
    if (lintmode) return true;
    int64_t v;
    return to_int64(quoly_number(q), v) && v < 1000000000 && v > -1000000000;
}

void compact_literal(FILE* out, const char* name, const Matrix& m) {
    std::vector<std::string> texts(static_cast<size_t>(m.rows) * m.cols);
    size_t width = 1;
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.cols; ++c) {
            const QuolyRec* q = m.at(r, c);
            std::string& t = texts[static_cast<size_t>(r) * m.cols + c];
            t = q ? value_text(q) : "0";
            width = std::max(width, t.size());
        }
    const int indent = std::fprintf(out, "[%s] := [[ ", name);
    for (int32_t r = 0; r < m.rows; ++r) {
        if (r > 0) std::fprintf(out, ",\n%*s", indent, "");
        for (int32_t c = 0; c < m.cols; ++c) {
            if (c > 0) std::fprintf(out, ", ");
            std::fprintf(out, "%*s", static_cast<int>(width), texts[static_cast<size_t>(r) * m.cols + c].c_str());
        }
    }
    std::fprintf(out, m.cols == 1 ? "  ]];\n" : "   ]];\n");
}

void long_literal(FILE* out, const char* name, const Matrix& m) {
    std::fprintf(out, "[%s] := [( ", name);
    const int64_t n = static_cast<int64_t>(m.rows) * m.cols;
    for (int64_t k = 0; k < n; ++k) {
        if (k > 0) std::fprintf(out, "          ");
        const QuolyRec* q = m.at(static_cast<int32_t>(k % m.rows), static_cast<int32_t>(k / m.rows));
        const char* sep = k + 1 < n ? "," : " ";
        if (!q) {
            std::fprintf(out, "0%s\n", sep);
            continue;
        }
        if (quoly_is_poly(q) && !quoly_is_number(q)) std::fprintf(out, "&_n ");
        int col = 10;
        quoly_display(out, false, true, q, col, sep);
    }
    std::fprintf(out, "          )];\n");
}

void sparse_literal(FILE* out, const char* name, const Matrix& m) {
    const int indent = std::fprintf(out, "[%s] := [ ", name);
    bool first = true;
    for (int32_t r = 0; r < m.rows; ++r) {
        if (m.srows[r].empty()) continue;
        if (!first) std::fprintf(out, " \n%*s", indent, "");
        first = false;
        int col = indent + std::fprintf(out, "[%2d", r + addresser);
        for (const SparseEntry& x : m.srows[r]) {
            std::string t = value_text(x.v.get());
            if (col + static_cast<int>(t.size()) + 8 > 150) {
                std::fprintf(out, " \n%*s", indent + 3, "");
                col = indent + 3;
            }
            col += std::fprintf(out, ", [%2d, %s]", x.col + addresser, t.c_str());
        }
        std::fprintf(out, " ]");
    }
    std::fprintf(out, " ];\n");
}

void entry_by_entry(FILE* out, const char* name, const Matrix& m) {
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.cols; ++c) {
            const QuolyRec* q = m.at(r, c);
            if (m.sparse && !q) continue;
            int col;
            if (m.onedim)
                col = std::fprintf(out, " %s[%2ld] := ", name, static_cast<long>(r + addresser));
            else
                col = std::fprintf(out, " %s[%2ld,%2ld] := ", name, static_cast<long>(r + addresser),
                                   static_cast<long>(c + addresser));
            if (!q) {
                std::fprintf(out, "not defined.\n");
                continue;
            }
            quoly_print_inline(out, q, col);
            std::fputc('\n', out);
        }
}

std::unique_ptr<Matrix> duparr;
char dupname[kArrNameText] = "  ";
char pending[kArrNameText] = "";
bool pending_literal = false;

}  // namespace

void display_matrix(FILE* out, const char* name, const Matrix& m, bool literal) {
    if (!literal) return entry_by_entry(out, name, m);
    if (m.sparse) return sparse_literal(out, name, m);
    bool small = true;
    for (const Quoly& q : m.e) small = small && small_entry(q.get());
    if (small)
        compact_literal(out, name, m);
    else
        long_literal(out, name, m);
}

void arrdisplay(FILE* out, const ArrayRec* a, bool literal) {
    Matrix m = matrix_from_array(a);
    display_matrix(out, a->name, m, literal);
}

// ---------------------------------------------------------------------------
// The temporary copy and the pending display

const Matrix* temporary_array() { return duparr.get(); }

void set_temporary_array(Matrix&& m, const char* name) {
    duparr = std::make_unique<Matrix>(std::move(m));
    std::snprintf(dupname, sizeof dupname, "%s", name);
}

void drop_temporary_array() {
    duparr.reset();
    std::strcpy(dupname, "  ");
}

void show_temporary_array() {
    if (duparr) display_matrix(stdout, dupname, *duparr, false);
}

void set_pending_display(const char* name, bool literal) {
    std::snprintf(pending, sizeof pending, "%s", name);
    pending_literal = literal;
}

void show_pending_system_array() {
    if (!pending[0] || !noisy) return;
    if (extra_line) std::fputc('\n', stdout);
    if (!std::strcmp(pending, "<")) {
        if (duparr) display_matrix(stdout, "<", *duparr, pending_literal);
    } else if (ArrayRec* a = find_array(pending)) {
        arrdisplay(stdout, a, pending_literal);
    }
    pending[0] = '\0';
}

void clear_pending_system_array() { pending[0] = '\0'; }

void end_array_statement() {
    if (!statement_as_factor && (token_is(token, ";") || token_is(token, ":"))) set_token(token, "@");
}

}  // namespace tolmex
