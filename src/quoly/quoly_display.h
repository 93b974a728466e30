// Printing quolys: numerator over denominator, and for a rational number its
// decimal approximation.
#pragma once

#include <cstdio>

#include "quoly/quoly.h"

namespace tolmex {

// Prints q on out. With breaks (the terminal) long lines are broken and the
// value ends with a newline; without (save files) `terminator` and a newline
// end it. first: the value is the first printed on its line (the decimal
// approximation of a rational number is shown only then). col counts the
// characters of the current line.
void quoly_display(FILE* out, bool breaks, bool first, const QuolyRec* q, int& col,
                   const char* terminator = ";");

// Prints q where the column is col, without ending the line (the display
// statement).
void quoly_print_inline(FILE* out, const QuolyRec* q, int& col);

}  // namespace tolmex
