// "&J": adjoining polynomial variables, and removing them.
#include <cstring>

#include "interpreter/ampersand_internal.h"
#include "interpreter/errors.h"
#include "interpreter/ground_ring.h"
#include "interpreter/scanner.h"
#include "poly/poly.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"
#include "rings/modout_install.h"

namespace tolmex {

namespace {

bool is_lowercase_name(const char* t) { return t[0] >= 'a' && t[0] <= 'z'; }

int level_to_remove = 0;
bool level_in_use = false;

void check_level(PolyNode*& p) {
    level_in_use = level_in_use || poly_involves_level(p, level_to_remove);
}
void remove_level(PolyNode*& p) { poly_remove_level(p, level_to_remove); }

void remove_poly_var(const char* name) {
    int k = 0;
    if (!is_poly_name(name, k)) error(365, name);
    // A modded-out variable, or one a modulus involves, stays.
    if (modout_involves_level(k)) error(366, name);
    level_to_remove = k;
    level_in_use = false;
    if (for_each_stored_poly) for_each_stored_poly(check_level);
    if (level_in_use) error(366, name);
    if (for_each_stored_poly) for_each_stored_poly(remove_level);
    delete_poly_name(k);
    recompute_field();
}

void one_variable(FILE* in, TokenNode*& cursor) {
    bool at_end = false, remove = false;
    if (token_is(token, ">")) {
        at_end = true;
        scanner(in, token, cursor);
    } else if (token_is(token, "-")) {
        remove = true;
        scanner(in, token, cursor);
    }
    if (!is_lowercase_name(token.text)) error(2, token.text);
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    if (remove) {
        remove_poly_var(name);
    } else {
        int k = 0;
        if (is_poly_name(name, k)) error(364, name);
        adjoin_poly_var(name, at_end);
        recompute_field();  // the field's levels moved one deeper
        if (lintmode) changed_in_modmode = 1;
    }
    scanner(in, token, cursor);
}

}  // namespace

void adjoin_command(FILE* in, TokenNode*& cursor) {
    // Adjoining and removing rewrite every stored poly, but not the values
    // an expression is holding.
    refuse_inside_expression("J");
    for (;;) {
        one_variable(in, cursor);
        if (!token_is(token, ",")) return;
        scanner(in, token, cursor);
    }
}

void read_name_or_text(FILE* in, TokenNode*& cursor, char* out, size_t room) {
    size_t n = 0;
    if (token_is(token, "'")) {
        for (;;) {
            int eol = 0;
            dumbscanner(in, token, cursor, eol);
            // A text left open ends with its line, or with the input; at the
            // terminal (and at the end) the statement ends there too.
            if ((eol && tt_flag && !cursor) || at_end_of_input(in, cursor)) {
                out[n] = '\0';
                set_token(token, ";");
                return;
            }
            if (token.text[0] == '\'' || token_is(token, kEndOfBody) || eol) break;
            if (n + 1 < room) out[n++] = token.text[0];
        }
    } else {
        for (const char* t = token.text; *t && n + 1 < room; ++t) out[n++] = *t;
    }
    out[n] = '\0';
    scanner(in, token, cursor);
}

}  // namespace tolmex
