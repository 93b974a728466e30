#include "interpreter/names.h"

#include "interpreter/arrays.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/func_store.h"
#include "interpreter/functions.h"
#include "interpreter/scanner.h"
#include "interpreter/statement_value.h"
#include "numbers/display_settings.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "quoly/quoly_display.h"
#include "rings/ring_change.h"
#include "storage/free_lists.h"

namespace tolmex {

VarRec* sca_store[kScalarBuckets];

int hash(const char* text, int n) {
    int32_t h = 0;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text); *c; ++c)
        h = (h * 123 + *c) % n;
    return h;
}

namespace {

VarRec*& bucket(const char* name) { return sca_store[hash(name, kScalarBuckets)]; }

}  // namespace

VarRec* find_var(const char* name) {
    for (VarRec* v = bucket(name); v; v = v->next)
        if (v->name[0] == name[0] && std::strcmp(v->name, name) == 0) return v;
    return nullptr;
}

VarRec* find_var_in(const char* name, int code) {
    for (VarRec* v = sca_store[code]; v; v = v->next)
        if (v->name[0] == name[0] && std::strcmp(v->name, name) == 0) return v;
    return nullptr;
}

VarRec* insert_var(const char* name, Quoly&& value) {
    Quoly val(std::move(value));
    if (VarRec* v = find_var(name)) {
        free_quoly(v->value);
        v->value = val.release();
        return v;
    }
    VarRec* v = heap_alloc<VarRec>(var_garb);
    std::snprintf(v->name, sizeof v->name, "%s", name);
    v->code = static_cast<int16_t>(hash(name, kScalarBuckets));
    v->value = val.release();
    v->array_param = false;
    v->frame = 0;
    v->born = var_births++;
    ++var_table_epoch;
    VarRec*& head = bucket(name);
    v->next = head;
    head = v;
    return v;
}

uint32_t var_births = 1;
uint64_t var_table_epoch = 1;

void hide_global_vars(std::vector<VarRec*>& hidden, uint32_t born_before) {
    ++var_table_epoch;
    for (VarRec*& head : sca_store) {
        VarRec** link = &head;
        while (*link) {
            VarRec* v = *link;
            if (v->frame != 0 || v->born >= born_before) {
                link = &v->next;
                continue;
            }
            *link = v->next;
            v->next = nullptr;
            hidden.push_back(v);
        }
    }
}

void unhide_global_vars(std::vector<VarRec*>& hidden) {
    ++var_table_epoch;
    for (VarRec* v : hidden) {
        bool made_meanwhile = false;
        VarRec** link = &sca_store[v->code];
        for (; *link; link = &(*link)->next)
            if ((*link)->frame == 0 && std::strcmp((*link)->name, v->name) == 0) made_meanwhile = true;
        if (made_meanwhile) {
            free_quoly(v->value);
            var_garb.push(v);
            continue;
        }
        v->next = nullptr;
        *link = v;
    }
    hidden.clear();
}

bool remove_var(const char* name) {
    VarRec** link = &bucket(name);
    while (*link && std::strcmp((*link)->name, name) != 0) link = &(*link)->next;
    VarRec* v = *link;
    if (!v) return false;
    ++var_table_epoch;
    *link = v->next;
    free_quoly(v->value);
    var_garb.push(v);
    return true;
}

// ---------------------------------------------------------------------------
// "?" name: reads a new value for the variable from the terminal.

void input_statement(FILE* in, TokenNode*& cursor) {
    scanner(in, token, cursor);
    if (token_is(token, "[")) error(24, "[");
    if (!(token.text[0] >= 'a' && token.text[0] <= 'z')) error(3, token.text);
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    const Token saved = token;
    const int saved_leftover = leftover;
    const int saved_tt = tt_flag;
    if (levelcount > 1) std::printf("%1d", levelcount);
    if (promptsize > 0) std::fputs(prompt, stdout);
    std::printf("%s := ", name);
    std::fflush(stdout);
    tt_flag = 1;
    leftover = 0;
    if (peek_char(Input) == '\n') read_char(Input);
    TokenNode* none = nullptr;
    scanner(Input, token, none);
    if (!token_is(token, "@")) {
        Quoly q;
        old_expre(Input, q, none);
        insert_var(name, std::move(q));
    }
    tt_flag = saved_tt;
    token = saved;
    leftover = saved_leftover;
    // The statement's terminator follows on the original input.
    scanner(in, token, cursor);
    if (!statement_as_factor && (token_is(token, ";") || token_is(token, ":")))
        set_token(token, "@");
}

// ---------------------------------------------------------------------------
// "@": cancelling names.

namespace {

void cancel_one(FILE* in, TokenNode*& cursor) {
    if (token_is(token, "[")) {
        cancel_array(in, cursor);
        return;
    }
    const char c = token.text[0];
    if (c >= 'A' && c <= 'Z') {
        if (!remove_func(token.text)) error(20, token.text);
    } else {
        if (!(c >= 'a' && c <= 'z')) fail(19, token.text);
        if (!remove_var(token.text)) error(19, token.text);
    }
    scanner(in, token, cursor);
}

}  // namespace

void rubout(FILE* in, TokenNode*& cursor) {
    scanner(in, token, cursor);
    if (token_is(token, "(")) {
        scanner(in, token, cursor);
        for (;;) {
            cancel_one(in, cursor);
            if (!token_is(token, ",")) break;
            scanner(in, token, cursor);
        }
        if (!token_is(token, ")")) error(95, token.text);
        scanner(in, token, cursor);
    } else {
        cancel_one(in, cursor);
    }
    if (!statement_as_factor && (token_is(token, ";") || token_is(token, ":")))
        set_token(token, "@");
}

// ---------------------------------------------------------------------------
// Listing and dumping the variables.

void dump_variables(FILE* out, int mode, bool saving) {
    std::vector<VarRec*> vars;
    for_each_var([&](VarRec* v) { vars.push_back(v); });
    if (vars.size() <= 1000)
        std::stable_sort(vars.begin(), vars.end(), [](const VarRec* a, const VarRec* b) {
            return std::strcmp(a->name, b->name) < 0;
        });
    size_t i = 0;
    while (i < vars.size()) {
        size_t j = i;
        while (j < vars.size() && std::strcmp(vars[j]->name, vars[i]->name) == 0) ++j;
        size_t shown = std::min<size_t>(j - i, 9);
        // Of several variables of one name (a function's locals hide the
        // caller's), the visible one comes first and the outermost last:
        // a file read back keeps the last value, the one the top level has.
        for (size_t k = i; k < i + shown; ++k) {
            VarRec* v = vars[k];
            if (v->array_param && saving) continue;
            int level = 0;
            if (saving && is_poly_name(v->name, level)) {
                // Adjoined after the variable was made, the polynomial
                // variable hides it; read back, "x := ..." would fail.
                std::fprintf(out, ";; %s is hidden by the polynomial variable %s: not saved.\n",
                             v->name, v->name);
                continue;
            }
            if (v->array_param) {
                std::fprintf(out, "%s array parameter.\n", v->name);
                continue;
            }
            std::fprintf(out, " %s", v->name);
            if (mode == 0) {
                std::fprintf(out, "\n");
                continue;
            }
            std::fprintf(out, " := ");
            const QuolyRec* q = v->value;
            if (quoly_is_poly(q) && !monomial_list && !uglyprint)
                std::fprintf(out, "&_n ");
            int col = 0;
            quoly_display(out, false, true, q, col, ";");
        }
        if (j - i > shown)
            std::fprintf(out, " ... %d more with this name. \n", static_cast<int>(j - i - shown));
        i = j;
    }
}

void listvars(int mode) {
    dump_variables(stdout, mode, false);
    std::printf("\narrays:\n\n");
    list_arrays();
}

namespace {

void visit_stored(PolyVisitor visit) {
    for_each_var([&](VarRec* v) {
        if (v->value) quoly_visit_polys(v->value, visit);
    });
    if (QuolyRec* p = prevnum.get()) quoly_visit_polys(p, visit);
}

void visit_values(QuolyVisitor visit) {
    for_each_var([&](VarRec* v) {
        visit(v->value);
        if (!v->value) {
            Quoly z;
            quoly_set(0, z);
            v->value = z.release();
        }
    });
}

}  // namespace

void register_name_tables() {
    for_each_stored_poly = visit_stored;
    for_each_user_value = visit_values;
}

}  // namespace tolmex
