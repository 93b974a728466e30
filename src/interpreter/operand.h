// A value in the evaluator: either a temporary it owns, or a reference to
// the storage of a variable or array element (read without copying; the
// target of an assignment).
#pragma once

#include "quoly/quoly.h"

namespace tolmex {

struct Operand {
    Quoly own;
    QuolyRec** slot = nullptr;

    const QuolyRec* get() const { return slot ? *slot : own.get(); }
    bool present() const { return get() != nullptr; }
    bool is_reference() const { return slot != nullptr; }
    void set(Quoly&& q) {
        own = std::move(q);
        slot = nullptr;
    }
    void refer(QuolyRec** s) {
        own.reset();
        slot = s;
    }
    void clear() {
        own.reset();
        slot = nullptr;
    }
    // A value the caller may change: the temporary itself, or a copy.
    Quoly take() {
        if (slot) {
            Quoly c = quoly_copy(*slot);
            slot = nullptr;
            return c;
        }
        return std::move(own);
    }
    // Replaces a reference by a copy of the value it refers to.
    void materialize() {
        if (slot) set(take());
    }
};

}  // namespace tolmex
