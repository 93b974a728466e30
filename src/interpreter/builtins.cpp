#include "interpreter/builtins.h"

#include <cstring>

#include "interpreter/array_builtins.h"
#include "interpreter/builtin_support.h"
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

// Indices from 45 on whose handlers are in bank 1; the rest of them, and
// 43 and 44, are in bank 2.
constexpr int kBank1Above44[] = {45, 49, 52, 53, 54, 55, 58, 60, 62, 63, 67, 69, 71,
                                 73, 76, 78, 80, 81, 83, 84, 86, 87, 88, 94, 109};

[[noreturn]] void not_implemented() {
    std::printf("not implemented\n");
    abandon_command();
}

BuiltinHandler builtin_func1(int index) { return index >= 0 && index < kBuiltins ? bank1_handler(index) : nullptr; }

BuiltinHandler builtin_func2(int index) { return index >= 43 && index <= 108 ? bank2_handler(index) : nullptr; }

}  // namespace

namespace {

// A capitalised name read from a stored list remembers in its token node
// whether it is a built-in (the table does not change once read): the
// index plus 1 (0: none) in the low half of `kind`.
constexpr int32_t kLookedUp = 0x42000000;

int stored_lookup(TokenNode* node) {
    if (!node) return find_built_in(0, numbuiltins, token.text);
    if ((node->kind & 0x7fff0000) == kLookedUp) return (node->kind & 0xffff) - 1;
    const int index = find_built_in(0, numbuiltins, token.text);
    node->kind = kLookedUp | (index + 1);
    return index;
}

}  // namespace

bool routed_to_bank1(int index) {
    if (index >= 0 && index <= 42) return true;
    for (int i : kBank1Above44)
        if (i == index) return true;
    return false;
}

void builtin_func(FILE* in, Operand& value, TokenNode*& cursor, int index) {
    if (is_array_builtin(index)) {
        array_builtin(index, in, value, cursor);
        return;
    }
    BuiltinHandler h = routed_to_bank1(index) ? builtin_func1(index) : builtin_func2(index);
    if (!h) not_implemented();
    BuiltinCall call{in, value, cursor, index};
    h(call);
}

void capitalised_name(FILE* in, Operand& value, TokenNode*& cursor) {
    if (token_is(token, "Compile")) {
        compile_call(in, value, cursor);
        return;
    }
    int index = stored_lookup(cursor);
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
    TokenNode* node = cursor;  // the name's own node in a stored list
    scanner(in, token, cursor);
    call_user_function(in, name, value, cursor, node);
}

}  // namespace tolmex
