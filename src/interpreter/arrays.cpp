#include "interpreter/arrays.h"

#include "interpreter/errors.h"
#include "interpreter/scanner.h"

namespace tolmex {

int doing_sys_func = 0;

void arr_parse(FILE*, TokenNode*&) {
    // Arrays are not part of the language yet.
    error(2, token.text);
}

}  // namespace tolmex
