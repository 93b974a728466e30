// A value in the evaluator: either a temporary it owns, or a reference to a
// variable's value (read without copying; the target of an assignment).
//
// A reference names its variable and finds it again at each use, so it
// never dangles: a statement may cancel or replace the variable while the
// reference is held (a nested statement "@f", a command level opened by an
// interrupt). A reference whose variable is gone is error 19, as for any
// undefined variable.
#pragma once

#include "interpreter/names.h"
#include "quoly/quoly.h"

namespace tolmex {

// An array element read as a factor: where it came from, so that it can
// be the target of an assignment or an increment (the indices as written).
struct ElementRef {
    bool on = false;
    char array[kTokenText] = "";
    int64_t i = 0, j = 0;
    bool two = false;
};

struct Operand {
    Quoly own;
    char name[kTokenText] = "";  // the variable referred to; empty: own is the value
    ElementRef elem;             // own is a copy of this array element

    bool is_reference() const { return name[0] != '\0'; }
    void set(Quoly&& q) {
        own = std::move(q);
        name[0] = '\0';
        elem.on = false;
    }
    void refer(const VarRec* v);
    // A name followed by ":" that names no variable yet: ":=", ":+" and
    // ":-" create it (as 0, before their right side); read as a value (the
    // statement "zz:", the right side of "y := zz:") it is undefined, error 19.
    void refer_name(const char* n);
    void clear() {
        own.reset();
        name[0] = '\0';
        elem.on = false;
    }
    // The variable referred to, found again by its name; null when it has
    // been cancelled meanwhile (or when this is no reference).
    VarRec* target() const;
    // The value; a reference whose variable is gone reports error 19 (a
    // warning at nested levels, and the value is then 0).
    const QuolyRec* get();
    bool present() { return get() != nullptr; }
    // A value the caller may change: the temporary itself, or a copy.
    Quoly take();
    // Replaces a reference by a copy of the value it refers to, before
    // anything that might change the variable is read or evaluated.
    void materialize() {
        if (is_reference()) set(take());
    }

private:
    void lost();
    // The record the name found, while the table's records stay as they were.
    VarRec* found_ = nullptr;
    uint64_t epoch_ = 0;
};

}  // namespace tolmex
