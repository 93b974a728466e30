// The text of a snapshot: a script that rebuilds the session when read.
//
// Order: the switches (each an "&(name = value);" statement), the
// polynomial variables deepest first with their moduli, Laurent mode and
// the ground ring, the numeric settings the change of ground ring would
// otherwise reset, then the functions, the scalar variables and the
// arrays, and "&x;" so that a read stops at the end of the snapshot.
#include <algorithm>
#include <cstring>
#include <vector>

#include "gcd/gcd_state.h"
#include "interpreter/arrays.h"
#include "interpreter/builtins.h"
#include "interpreter/driver.h"
#include "interpreter/func_listing.h"
#include "interpreter/names.h"
#include "interpreter/save_load.h"
#include "matrix/det_settings.h"
#include "numbers/display_settings.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/number.h"
#include "numbers/residue.h"
#include "poly/poly_settings.h"
#include "poly/poly_terms.h"
#include "poly/polyvars.h"
#include "quoly/quoly.h"
#include "quoly/quoly_display.h"
#include "rings/ring_change.h"
#include "storage/accounting.h"

namespace tolmex {

namespace {

// Defaults of the settings a fresh session starts with.
constexpr int kDefaultLagrangeCut = 5000;
constexpr int kDefaultAux1 = 400;
constexpr int kDefaultAux2 = 100;
constexpr int kDefaultKaratsuba = 140;
constexpr int kDefaultColumns = 76;
constexpr int kDefaultPolyCutoff = 20;
constexpr int kRingChangePolyCutoff = 40;

void flag_if(FILE* out, const char* name, int value, int default_value) {
    if (value != default_value) std::fprintf(out, "&(%s = %d);\n", name, value);
}

void write_switches(FILE* out) {
    if (errorpush) std::fprintf(out, "&(e = 1);\n");
    if (!noisy) std::fprintf(out, "&(N = 0);\n");
    std::fprintf(out, "&(m = %1d);\n", command_int ? m_interrupt : 0);
    std::fprintf(out, "&(a = %d);\n", addresser);
    if (!chpoly_block) std::fprintf(out, "&(B = 0);\n");
    if (detcutoff >= 0) std::fprintf(out, "&(D = %1d);\n", detcutoff);
    if (promptsize == 0)
        std::fprintf(out, "&(M = ' ');\n");
    else if (std::strcmp(prompt, ">") != 0)
        std::fprintf(out, "&(M = '%s');\n", prompt);
    if (uglyprint) std::fprintf(out, "&(U = 1);\n");
    if (monomial_list) std::fprintf(out, "&(_l = 1);\n");
    if (timerflag) std::fprintf(out, "&(t = 1);\n");
    if (verbose) std::fprintf(out, "&(V = 1);\n");
    if (windy) std::fprintf(out, "&(W = 1);\n");
    if (lagrange_stash) std::fprintf(out, "&(_L = 1);\n");
    flag_if(out, "L", rat_det_method_cut, kDefaultLagrangeCut);
    std::fprintf(out, "&(u = %d);\n", pseudet_heur);
    // The other switches, when they differ from a fresh session's.
    flag_if(out, "E", extra_line, 1);
    if (!finf) flag_if(out, "H", alt_form_display, 1);
    flag_if(out, "_s", do_line_sup, 1);
    flag_if(out, "n", nomodpolyreadin, 0);
    flag_if(out, "O", chinhensel, 1);
    flag_if(out, "c", hen_check, 1);
    flag_if(out, "_t", try_rat, 1);
    flag_if(out, "I", mod_matrix_ok, 1);
    flag_if(out, "&", diskstore, 0);
    flag_if(out, "|", pos_mod, 1);
    flag_if(out, "b", close_inpuf, 0);
    flag_if(out, "Z", danger_ok, 0);
}

// The settings a change of ground ring resets, written after it.
void write_numeric_settings(FILE* out) {
    flag_if(out, "X", aux_num_1factor, kDefaultAux1);
    flag_if(out, "A", aux_num_2factor, kDefaultAux2);
    flag_if(out, "K", gauss_cutoff, 0);
    flag_if(out, "_k", simplest_poly_cutoff, kDefaultKaratsuba);
    flag_if(out, "_d", dispcutoff, kDefaultColumns);
    const int usual_cutoff = modularmode ? kRingChangePolyCutoff : kDefaultPolyCutoff;
    if (poly_cutoff != usual_cutoff) std::fprintf(out, "&(# = %d);\n", poly_cutoff);
    int64_t d = 1;
    if (rand_denom && quoly_is_number(rand_denom.get()) && to_int64(quoly_number(rand_denom.get()), d) &&
        d != 1)
        std::fprintf(out, "&(_r = %lld);\n", static_cast<long long>(d));
}

// The modulus of t in rational form. In modular mode it is the rational
// original when the session has one; otherwise the residues, with the
// warning that reading the file in rational mode may not give it back.
void write_modulus(FILE* out, PolyVar* t) {
    bool exact = true;
    Poly p = modularmode ? rational_form(&t->mod_poly, exact) : Poly(copy_poly(t->mod_poly));
    if (!exact)
        std::fprintf(out,
                     ";; Warning. This file was saved in modular mode. The polynomial written\n"
                     ";;   below after &(P = has been converted back to rational mode. It may\n"
                     ";;   not be correct. Check it before reading this file.\n");
    IntegerStretch rational_view;
    wrap_to_top(p, t->level);
    Quoly q;
    p_q_take(std::move(p), q);
    std::fprintf(out, " &(P = ");
    int col = 7;
    quoly_print_inline(out, q.get(), col);
    std::fprintf(out, ");\n");
}

void write_poly_variables(FILE* out) {
    std::vector<PolyVar*> vars;
    for (PolyVar* t = polynames; t; t = t->next) vars.push_back(t);
    for (auto it = vars.rbegin(); it != vars.rend(); ++it) {
        PolyVar* t = *it;
        std::fprintf(out, "    &(J = %s);\n", t->name);
        if (t->mod_poly) write_modulus(out, t);
    }
}

}  // namespace

void write_arrays(FILE* out) {
    std::vector<ArrayRec*> all;
    for_each_array([&](ArrayRec* a) {
        if (!a->is_parameter()) all.push_back(a);
    });
    if (all.size() <= 1000)
        std::stable_sort(all.begin(), all.end(), [](const ArrayRec* a, const ArrayRec* b) {
            return std::strcmp(a->name, b->name) < 0;
        });
    for (const ArrayRec* a : all) {
        std::fprintf(out, "\n");
        arrdescribe(out, a);
        arrdisplay(out, a, true);
        if (a->is_sparse()) std::fprintf(out, " \n");
    }
}

void write_state(FILE* out) {
    write_switches(out);
    if (polynames) write_poly_variables(out);
    if (laurent) std::fprintf(out, "&(l = 1);\n");
    if (modularmode) std::fprintf(out, "&(p = %1d);\n", modulus);
    write_numeric_settings(out);
    std::fprintf(out, "\n\n;;** functions:\n");
    write_functions(out);
    // Residues are written as 0 .. modulus - 1: the reader of the "&_n"
    // form warns about minus signs in modular mode.
    struct PlainResidues {
        int saved = alt_form_display;
        PlainResidues() { alt_form_display = 0; }
        ~PlainResidues() { alt_form_display = saved; }
    } plain;
    std::fprintf(out, "\n;;** scalars:\n");
    dump_variables(out, 1, true);
    std::fprintf(out, "\n;;**  arrays:\n");
    write_arrays(out);
    std::fprintf(out, "&x;\n");
}

}  // namespace tolmex
