// Settings of the printed form of numbers, shared by every printer.
#pragma once

namespace tolmex {

extern int dispcutoff;        // output column at which long output is broken (76)
extern int continuation;      // mark printed at the end of a broken line ('`')
extern int uglyprint;         // plain style: no optional spaces, no breaks inside integers
extern int alt_form_display;  // modular residues above half the modulus shown negative
extern int disp_size;         // 8-digit groups of the decimal approximation (5)
extern int extra_line;        // an empty line after each display (1)

}  // namespace tolmex
