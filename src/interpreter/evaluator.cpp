#include "interpreter/evaluator.h"

#include "interpreter/ampersand.h"
#include "interpreter/errors.h"
#include "interpreter/scanner.h"

namespace tolmex {

int integerflag = 0;

void parse(FILE* in, TokenNode*& cursor) {
    if (token_is(token, ";")) {
        set_token(token, "@");
        return;
    }
    if (token_is(token, "&")) {
        ampersand_command(in, cursor);
        return;
    }
    error(2, token.text);
}

void restricted_statement(FILE*, TokenNode*&) { error(2, token.text); }

}  // namespace tolmex
