#include "interpreter/statement_value.h"

#include "interpreter/driver.h"
#include "poly/polyvars.h"
#include "quoly/quoly_display.h"

namespace tolmex {

Quoly prevnum;
int statement_as_factor = 0;

Quoly previous_value_copy() {
    if (!prevnum) {
        Quoly z;
        quoly_set(0, z);
        return z;
    }
    return quoly_copy(prevnum.get());
}

void display_statement_value(Operand& v) {
    int col = 0;
    if (v.present()) {
        quoly_display(Output, true, true, v.get(), col);
    } else {
        Quoly z;
        quoly_set(0, z);
        quoly_display(Output, true, true, z.get(), col);
    }
}

void keep_as_previous(Operand& v, bool nested) {
    if (nested) {
        v.clear();
        return;
    }
    if (v.present())
        prevnum = v.take();
    else
        quoly_set(0, prevnum);
}


bool no_poly_variables() { return polynames == nullptr; }

}  // namespace tolmex
