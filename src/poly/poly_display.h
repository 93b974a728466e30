// Printing polys: the nested form and the list of monomials, with the line
// handling shared by every printer (column counting, continuation marks,
// the ugly style and the suppression of very long output).
#pragma once

#include <cstdio>

#include "poly/poly.h"
#include "poly/polyvars.h"

namespace tolmex {

constexpr int kMaxDisplayLines = 150;

// The state of one value being printed.
struct Printer {
    FILE* out;
    bool breaks;      // line breaking requested (the terminal)
    int col = 0;      // characters on the current line
    int lines = 0;    // lines ended so far
    bool linesuppression = false;  // stop after kMaxDisplayLines lines
    bool stopped = false;          // the suppression message was printed
    // A line end decided at a break point, written only when more of the
    // value follows (a value never ends in a continuation mark).
    bool pending = false;
    bool pending_inside = false;

    Printer(FILE* o, bool b, int c) : out(o), breaks(b), col(c), linesuppression(b && do_line_sup_on()) {}
    static bool do_line_sup_on();

    void put(const char* s);  // text that counts toward the column
    void putc(char c);
    // A break point: ends the line when the column has reached the cutoff
    // and more of the value follows. inside_term marks breaks after a sign
    // or a parenthesis (the ugly style then prints the bare continuation
    // mark).
    void break_point(bool inside_term);
    // Writes a pending line end; every output of the value comes after it.
    void emit_break();
    // Prints a number (with its sign when sign is set).
    void number(const Number& x, bool sign);
    // Adds the estimated width of a printed exponent.
    void count_exponent(int32_t e);
};

// Prints p in nested form; var is the variable record of p's level. A
// constant p with top set is printed as a number.
void poly_display(Printer& pr, bool first, const PolyNode* p, const PolyVar* var,
                  bool minus_space, bool top);
// Prints p as a list of monomials.
void monomial_disp(Printer& pr, const PolyNode* p, const PolyVar* var);
// The nested form, or the monomial list when that display is on and p has
// more than one level.
void any_poly_display(Printer& pr, const PolyNode* p, const PolyVar* var, bool minus_space);

// Debugging dump of the node tree, one line per list, indented by two
// blanks per level below the first: the label and the variable's name
// ("%s: " then the name, or " : " when no name is known), then each
// exponent ("%d "), a number coefficient as "*" with the number and a
// blank; the sub-lists follow on further lines, and a sub-list that is a
// single number node is marked by a line " **" with the number.
void crude_poly_disp(FILE* out, const char* label, const PolyNode* p, int indent, PolyVar* var);

}  // namespace tolmex
