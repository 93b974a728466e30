#include "interpreter/builtins.h"

#include <cstring>

#include "interpreter/array_builtins.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/functions.h"
#include "interpreter/scanner.h"

namespace tolmex {

BuiltinEntry builtin[kBuiltins];
Quoly rand_denom;

void reset_random_denominator() { quoly_set(1, rand_denom); }
int numbuiltins = -1;

int find_built_in(int low, int high, const char* name) {
    while (low <= high) {
        int mid = (low + high) / 2;
        int c = std::strcmp(name, builtin[mid].name);
        if (c == 0) return mid;
        if (c < 0)
            high = mid - 1;
        else
            low = mid + 1;
    }
    return -1;
}

namespace {

// Runs the built-in of the given index; only the array built-ins have
// code yet.
void builtin_func(FILE* in, Operand& value, TokenNode*& cursor, int index) {
    if (is_array_builtin(index)) {
        array_builtin(index, in, value, cursor);
        return;
    }
    std::printf("not implemented\n");
    abandon_command();
}

}  // namespace

void capitalised_name(FILE* in, Operand& value, TokenNode*& cursor) {
    int index = find_built_in(0, numbuiltins, token.text);
    // An alias entry stands for the name after its "*"; aliases never chain.
    if (index >= 0 && builtin[index].alias[0] == '*') {
        set_token(token, builtin[index].alias + 1);
        index = find_built_in(0, numbuiltins, token.text);
        if (index >= 0 && builtin[index].alias[0] == '*') index = -1;
    }
    if (index >= 0) {
        builtin_func(in, value, cursor, index);
        return;
    }
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    scanner(in, token, cursor);
    call_user_function(in, name, value, cursor);
}

}  // namespace tolmex
