// The on/off switches: the toggle commands and the flags of the
// parenthesised form.
#include <cstdio>
#include <cstring>

#include "gcd/gcd_state.h"
#include "interpreter/ampersand_internal.h"
#include "interpreter/arrays.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/save_load.h"
#include "interpreter/scanner.h"
#include "matrix/det_settings.h"
#include "numbers/display_settings.h"
#include "numbers/mul_div.h"
#include "poly/poly_settings.h"
#include "numbers/residue.h"
#include "rings/ring_change.h"
#include "storage/accounting.h"

namespace tolmex {

namespace {

void after_ugly(int on) { set_continuation(on ? ' ' : '`'); }
void after_try_rat(int on) { rat_yes = on; }

struct Switch {
    const char* commands[2];  // the "&" forms
    const char* paren[2];     // the names of the parenthesised form
    int* flag;
    const char* on;
    const char* off;
    const char* already;    // ending of the "Already had that value" sentence
    const char* paren_on;   // the parenthesised form's own wording, if any
    const char* paren_off;
    void (*after)(int on);
};

const Switch kSwitches[] = {
    {{"t"}, {"t"}, &timerflag, " Timing enabled.\n", " Timing disabled.\n", "timing",
     " Timing enabled.\n", nullptr, nullptr},
    {{"N"}, {"N"}, &noisy, " Will display results.\n", " Displaying results is deactivated.\n",
     "noise", nullptr, " Displaying results is deactivated\n", nullptr},
    {{"E"}, {"E"}, &extra_line, " Will do extra line after display.\n",
     " No extra line after display.\n", "extra line display", nullptr, nullptr, nullptr},
    {{"e"}, {"e"}, &errorpush, " Will push new level after errors.\n",
     " Pushing after errors is deactivated.\n", "error pushing", nullptr,
     " Pushing after errors is deactivated\n", nullptr},
    {{"b"}, {"b"}, &close_inpuf, " Will close input file if error occurs while loading.\n",
     " Will not immediately close input file if error occurs while loading.\n", nullptr, nullptr,
     nullptr, nullptr},
    {{"Z"}, {"Z"}, &danger_ok, " O.K. to interrupt anytime. This might be dangerous.\n",
     " Can't interrupt at dangerous times.\n", nullptr, nullptr, nullptr, nullptr},
    {{"V"}, {"V"}, &verbose, " Will display informative comments.\n",
     " Informative comments supressed.\n", "verbose", " Will do verbose display.\n",
     " No verbose display.\n", nullptr},
    {{"W"}, {"W"}, &windy, " Extra verbosity turned on.\n", " Extra verbosity turned off.\n",
     "extra verbose (windy)", " Will do extra verbose display.\n", " No extra verbose display.\n",
     nullptr},
    {{"U"}, {"U"}, &uglyprint,
     " Will do ugly display style.\n WARNING. Func, for, if, and while from terminal don't "
     "work when uglyprint is on.",
     " Will resume lovely Tolmex style.\n", "uglyprint", nullptr, nullptr, after_ugly},
    {{"2", "_l"}, {"2", "_l"}, &monomial_list,
     " Will display polynomials as list of monomials.\n",
     " Will display polynomials in nested form.\n", "monomial display of polynomials", nullptr,
     nullptr, nullptr},
    {{"H"}, {"H"}, &alt_form_display,
     " Will display modular values using -m, -m+1, ..., 0, 1, ..., n.\n    where m = (modulus "
     "- 1) div 2 and n = modulus div 2.\n",
     " Will display modular values using 0, 1, ..., modulus - 1.\n", "modular integers display",
     nullptr, nullptr, nullptr},
    {{"_s"}, {"6", "_s"}, &do_line_sup, " Will suppress output to terminal of long polys.\n",
     " No suppression of output to terminal of long polys.\n", "suppressing output of long polys",
     nullptr, nullptr, nullptr},
    {{"l"}, {"l"}, &laurent, " Negative exponents enabled.\n", " Negative exponents disabled.\n",
     "Laurent polynomial status", nullptr, nullptr, nullptr},
    {{"n"}, {"n"}, &nomodpolyreadin,
     " Will not mod out integers during poly-readin over modular ground ring.\n",
     " Will mod out integers during poly-readin over modular ground ring.\n",
     "poly-readin of negatives", nullptr, nullptr, nullptr},
    {{"O"}, {"O"}, &chinhensel,
     " Will use Hensel and CRT for multivariate GCD.  This is the default.\n",
     " Use no Hensel or CRT for GCD. This is recommended only over Z/p for small primes.\n",
     "using Hensel or CRT", nullptr, nullptr, nullptr},
    {{"c"}, {"c"}, &hen_check, " will double check hensel gcd answers.\n",
     " will single check hensel gcd answers.\n", nullptr, nullptr, nullptr, nullptr},
    {{"_t"}, {"5", "_t"}, &try_rat,
     " Will try fastest probabilistic test for exact poly division.\n",
     " No fastest probabilistic test for exact poly division.\n",
     "fastest probabilistic test for exact poly division", nullptr, nullptr, after_try_rat},
    {{"I"}, {"I"}, &mod_matrix_ok, " Will try adjoint-CRT method to invert integer matrix.\n",
     " No adjoint-CRT method to invert integer matrices; will use G.E.\n", nullptr, nullptr,
     nullptr, nullptr},
    {{"B"}, {"B"}, &chpoly_block, " Chpoly will be slowed in modularmode.\n",
     " Will optimize Chpoly in modularmode.\n", "Chpoly speed", nullptr, nullptr, nullptr},
    {{"5", "_L"}, {"7", "_L"}, &lagrange_stash,
     " Will stash coefficents in LaGrange Det computation -- if you have specified a save "
     "file.\n",
     " Will not stash coefficents in LaGrange Det computation.\n",
     "writing LaGrange determinants to file", " Will write LaGrange determinants to file.\n",
     " No writing LaGrange determinants to file.\n", nullptr},
    {{"&"}, {"&"}, &diskstore, " Will use disk space for virtual memory.\n",
     " No disk space for virtual memory.\n", "using disk space for virtual memory",
     " Will use disk space as virtual memory.\n", " No disk space as virtual memory.\n", nullptr},
    {{"|"}, {"|"}, &pos_mod, " modding must return non-negatives.\n",
     " modding can return negatives.\n", "| returning negatives",
     " Modulus must return non-negatives.\n", " Modulus can return negatives.\n", nullptr},
};

bool matches(const char* const names[2], const char* name) {
    for (int i = 0; i < 2; ++i)
        if (names[i] && std::strcmp(names[i], name) == 0) return true;
    return false;
}

void set_switch_value(const Switch& s, int on, bool paren) {
    *s.flag = on;
    if (s.after) s.after(on);
    const char* msg = on ? s.on : s.off;
    if (paren && on && s.paren_on) msg = s.paren_on;
    if (paren && !on && s.paren_off) msg = s.paren_off;
    std::fputs(msg, stdout);
}

void already(const char* ending) {
    if (ending)
        std::printf(" Already had that value; no change in %s.\n", ending);
    else
        std::printf(" Already had that value; no change.\n");
}

void set_command_interrupt(int64_t v) {
    command_int = (v == 1 || v == 2) ? 1 : 0;
    if (command_int) m_interrupt = static_cast<int>(v);
}

}  // namespace

void print_command_interrupt_state() {
    if (!command_int)
        std::printf("off.\n");
    else
        std::printf("on, level %d.\n", m_interrupt);
}

bool toggle_command(const char* name, FILE* in, TokenNode*& cursor) {
    for (const Switch& s : kSwitches) {
        if (!matches(s.commands, name)) continue;
        set_switch_value(s, !*s.flag, false);
        read_terminator(in, cursor);
        return true;
    }
    return false;
}

bool is_flag_name(const char* name) {
    if (!std::strcmp(name, "m") || !std::strcmp(name, "a")) return true;
    for (const Switch& s : kSwitches)
        if (matches(s.paren, name)) return true;
    return false;
}

bool set_flag(const char* name, int64_t v) {
    if (!std::strcmp(name, "m")) {
        if (v > 2) error(133, name);
        int current = command_int ? m_interrupt : 0;
        if (current == v) {
            already("command interrupt");
            return true;
        }
        set_command_interrupt(v);
        std::printf(" Command interrupt now ");
        print_command_interrupt_state();
        return true;
    }
    if (!std::strcmp(name, "a")) {
        if (v > 1) error(133, name);
        if (addresser == v) {
            already(nullptr);
            return true;
        }
        addresser = static_cast<int>(v);
        std::printf(" Array initial index now %1d\n", addresser);
        return true;
    }
    for (const Switch& s : kSwitches) {
        if (!matches(s.paren, name)) continue;
        if (v > 1) error(133, name);
        if (*s.flag == v) {
            already(s.already);
            return true;
        }
        set_switch_value(s, static_cast<int>(v), true);
        return true;
    }
    return false;
}

}  // namespace tolmex
