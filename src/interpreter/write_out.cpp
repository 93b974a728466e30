#include "interpreter/write_out.h"

#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/scanner.h"
#include "interpreter/statement_value.h"
#include "quoly/quoly_display.h"

namespace tolmex {

namespace {

long quote_width(FILE* in, TokenNode*& cursor) {
    IntValue w = read_setting_value(in, cursor);
    return w.is_number && w.fits ? static_cast<long>(w.v) : 0;
}

bool ends_items() {
    return token_is(token, ";") || token_is(token, ":") || token_is(token, ")") ||
           token_is(token, kEndOfBody);
}

}  // namespace

void write_out(FILE* in, TokenNode*& cursor) {
    scanner(in, token, cursor);
    const bool paren = token_is(token, "(");
    if (paren) scanner(in, token, cursor);
    int col = 0;
    while (!ends_items()) {
        if (token_is(token, "'")) {
            handle_quote(in, cursor, stdout, quote_width);
        } else {
            Quoly q;
            old_expre(in, q, cursor);
            quoly_print_inline(stdout, q.get(), col);
        }
        if (!token_is(token, ",")) break;
        scanner(in, token, cursor);
    }
    if (paren) {
        if (!token_is(token, ")")) error(1, token.text);
        scanner(in, token, cursor);
    }
    std::fputc('\n', stdout);
    if (!statement_as_factor && (token_is(token, ";") || token_is(token, ":")))
        set_token(token, "@");
}

}  // namespace tolmex
