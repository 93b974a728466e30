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

namespace unit {

// Emulates a nested command level for the code under test: error 22 is
// only a warning there (counted, and `error` returns), every other code
// abandons the computation as usual.
class NestedLevel {
public:
    NestedLevel() {
        demoted = 0;
        tolmex::set_error_handler([](int code, const char*, bool may_return) {
            if (code == 22 && may_return) {
                ++demoted;
                return;
            }
            throw tolmex::RestartTopLevel{code};
        });
    }
    ~NestedLevel() { tolmex::set_error_handler(nullptr); }
    NestedLevel(const NestedLevel&) = delete;
    NestedLevel& operator=(const NestedLevel&) = delete;
    static inline int demoted = 0;
};

}  // namespace unit
