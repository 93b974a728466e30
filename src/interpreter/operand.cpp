#include "interpreter/operand.h"

#include <cstring>

#include "base/errors.h"

namespace tolmex {

void Operand::refer(const VarRec* v) {
    own.reset();
    elem.on = false;
    std::memcpy(name, v->name, sizeof name);
    found_ = const_cast<VarRec*>(v);
    epoch_ = var_table_epoch;
}

void Operand::refer_name(const char* n) {
    own.reset();
    elem.on = false;
    std::memcpy(name, n, sizeof name);
    found_ = nullptr;
    epoch_ = 0;
}

VarRec* Operand::target() const {
    if (!is_reference()) return nullptr;
    if (found_ && epoch_ == var_table_epoch) return found_;
    return find_var(name);
}

void Operand::lost() {
    char gone[kTokenText];
    std::memcpy(gone, name, sizeof gone);
    clear();
    error(19, gone);
    Quoly zero;
    quoly_set(0, zero);
    set(std::move(zero));
}

const QuolyRec* Operand::get() {
    if (!is_reference()) return own.get();
    if (VarRec* v = target()) return v->value;
    lost();
    return own.get();
}

Quoly Operand::take() {
    elem.on = false;
    if (!is_reference()) return std::move(own);
    if (VarRec* v = target()) {
        Quoly c = quoly_copy(v->value);
        name[0] = '\0';
        return c;
    }
    lost();
    return std::move(own);
}

}  // namespace tolmex
