// Until arrays exist every built-in that needs one reports that it is not
// available yet, and nothing is changed.
#include "interpreter/array_builtins.h"

#include "interpreter/builtins.h"
#include "interpreter/arrays.h"
#include "interpreter/errors.h"
#include "interpreter/scanner.h"

namespace tolmex {

namespace {
// Indices of the table whose built-ins take or make arrays, or whose
// mathematics comes later (determinants, factoring, matrix reductions).
constexpr int kArrayIndices[] = {0,  3,  6,  15, 19, 20, 21, 27, 29, 30, 32, 42, 45, 46, 50, 54, 59, 60,
                                 62, 63, 67, 71, 73, 76, 78, 80, 81, 83, 84, 85, 86, 88, 92, 93, 98, 105};
}  // namespace

bool is_array_builtin(int index) {
    for (int i : kArrayIndices)
        if (i == index) return true;
    return false;
}

void array_builtin(int index, FILE* in, Operand& value, TokenNode*& cursor) {
    if (index == 0) {
        scanner(in, token, cursor);
        create_array(in, cursor);
        Quoly z;
        quoly_set(0, z);
        value.set(std::move(z));
        return;
    }
    error(361, builtin[index].name);
}

}  // namespace tolmex
