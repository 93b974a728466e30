// The status display of "&g", one line per item.
#include <cstdio>

#include "gcd/gcd_state.h"
#include "interpreter/ampersand_internal.h"
#include "interpreter/arrays.h"
#include "interpreter/builtins.h"
#include "interpreter/driver.h"
#include "interpreter/evaluator.h"
#include "interpreter/save_load.h"
#include "interpreter/scanner.h"
#include "matrix/det_settings.h"
#include "numbers/display_settings.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "rings/ring_change.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

namespace tolmex {

namespace {

const char* on_off(int flag) { return flag ? "on.\n" : "off.\n"; }

void ring_line() {
    std::printf(" Basic arithmetic ring: ");
    if (!lintmode) {
        std::printf("rational arithmetic\n");
        return;
    }
    std::printf("modular arithmetic, modulus: %0d", modulus);
    if (!modularmode)
        std::printf(", temporarily off");
    else if (finf)
        std::printf(". This is a finite field of characteristic 2");
    else if (mod_is_prime)
        std::printf(", a prime");
    std::printf("\n");
}

// The method line names only the three settings it describes exactly: with
// others the dispatcher mixes methods by the entries and the size, and no
// single line would be true, so none is printed.
void determinant_line() {
    if (gauss_cutoff == 1 && detcutoff == 2)
        std::printf(" Determinant method is Gauss-Bareiss.\n");
    else if (gauss_cutoff == 0 && detcutoff > 0)
        std::printf(" Determinant method is Gauss elimination until %d rows, then minors expansion.\n",
                    detcutoff);
    else if (detcutoff == -1 && rat_det_method_cut == 1)
        std::printf(
            " Determinant method is Lagrange interpolation if polynomials and more than 4 "
            "rows.\n");
}

void poly_variables_lines() {
    if (!polynames) {
        std::printf(" No polynomial variables exist.\n");
        return;
    }
    std::printf(" These %1d polynomial variables have been created:\n", number_polys);
    for (const PolyVar* t = polynames; t; t = t->next) std::printf(" %s", t->name);
    std::printf("\n");
    if (field_depth > 0) std::printf(" Field depth is: %1d.\n", field_depth);
    if (field_depth > 0 && number_polys - field_depth > 3)
        std::printf(
            " *** Warning. Many poly vars are in the field. Performance may slow, especially "
            "over Z.\n");
}

void aux_prime_lines() {
    std::printf(" There are %d first auxiliary primes: \n", static_cast<int>(auxptr.size()));
    if (!auxptr.empty()) {
        for (int32_t p : auxptr) std::printf(" %0d", p);
        std::printf("\n");
    }
    if (no_aux_primes2)
        std::printf(" There are no second auxiliary primes.\n");
    else
        std::printf(" There are %d second auxiliary primes.\n", second_aux_num);
}

void optional_lines() {
    if (laurent) std::printf(" Laurent polynomials allowed.\n");
    if (input_file_name[0]) std::printf(" Reading from file %s.\n", input_file_name);
    if (output_file_name[0]) std::printf(" Saving to file %s.\n", output_file_name);
    if (timerflag) std::printf(" Timing is enabled.\n");
    if (lagrange_stash) {
        std::printf(" Writing LaGrange determ. coefficients to file is on.\n");
        std::printf("    But verbose and windy must be turned on too.\n");
    }
    if (windy) std::printf(" Extra verbose display is on.\n");
    if (verbose) std::printf(" Verbose display is on.\n");
    if (uglyprint) std::printf(" Ugly printing is on.\n");
}

}  // namespace

void global_dump() {
    ring_line();
    std::printf(" Display constant is %1d.\n", disp_size);
    std::printf(" Pushing after errors is %s", on_off(errorpush));
    std::printf(" Displaying results is %s", on_off(noisy));
    std::printf(" Block on Chpoly is %s", on_off(chpoly_block));
    std::printf(" Hensel gcd double checking is %s", on_off(hen_check));
    std::printf(lookupgcd > 0 ? " GCD stashing level is %0d, so it's on. table mass: %d\n"
                              : " GCD stashing level is %0d, so it's off. table mass: %d\n",
                lookupgcd, static_cast<int>(gcd_stash_mass()));
    std::printf(" Detcutoff is %1d.\n", detcutoff);
    std::printf(" Kartasuba cutoff for poly multiplication is %1d.\n", poly_cutoff);
    determinant_line();
    std::printf(" Sparse pivot heuristic is %d.\n", pseudet_heur);
    std::printf(" Array initial index is %s", addresser ? "1.\n" : "0.\n");
    std::printf(" Command interrupt is ");
    print_command_interrupt_state();
    if (danger_ok) std::printf(" *** Can interrupt anytime! This is a bit dangerous.\n");
    if (integerflag) std::printf("Integer mode on.\n");
    if (promptsize == 0)
        std::printf(" Prompt is: <cr>\n");
    else
        std::printf(" Prompt is: %s\n", prompt);
    std::printf(" Maximum name length is %1d.\n", namelength);
    std::printf(" Denominator for random is:\n");
    show_value_line(rand_denom.get());
    poly_variables_lines();
    aux_prime_lines();
    optional_lines();
}

}  // namespace tolmex
