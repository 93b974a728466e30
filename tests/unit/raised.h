// The numbered error a piece of code raised, for the unit tests of every
// layer. Without the command driver an error unwinds as RestartTopLevel
// carrying its code.
#pragma once

#include "base/errors.h"

namespace unit {

// The code of the error f raised, or -1 when it raised none.
template <class F>
int raised_code(F&& f) {
    try {
        f();
    } catch (tolmex::RestartTopLevel& e) {
        return e.code;
    }
    return -1;
}

}  // namespace unit
