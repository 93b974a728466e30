#include "interpreter/command_level.h"

#include <cstdio>
#include <new>

#include "interpreter/command_line.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/line_source.h"
#include "interpreter/scanner.h"
#include "interpreter/statement_value.h"
#include "numbers/modular_state.h"

namespace tolmex {

bool waiting_for_statement = false;
bool level_just_opened = false;

bool input_exhausted() {
    if (Input != stdin) return false;
    source_clearerr(stdin);
    if (peek_char(stdin) != EOF) return false;
    // The statements of the command line have run: the terminal follows.
    return !resume_terminal() || peek_char(stdin) == EOF;
}

namespace {

bool is_terminator(const Token& t) {
    return token_is(t, ";") || token_is(t, ":") || token_is(t, "@") || token_is(t, kEndOfBody);
}

// After a statement, the line end that closed it is consumed, so that the
// next statement starts on a new line. Anything else that follows on the
// same line (a second statement) is left for the scanner.
void consume_statement_line_end() {
    if (promptsize == 0) {
        if (peek_char(stdin) == '\n') read_char(stdin);
        return;
    }
    if (peek_char(Input) == '\n') read_char(Input);
}

void display_step(Operand& value) {
    if (token_is(token, ":")) {
        if (extra_line) std::fputc('\n', stdout);
        return;
    }
    show_pending_system_array();
    if (extra_line) std::fputc('\n', stdout);
    if (noisy) std::fflush(stdout);
    if (!token_is(token, "@") && noisy) display_statement_value(value);
    if (no_poly_variables() && noisy && extra_line) std::fputc('\n', stdout);
}

bool statement_step(bool nested) {
    run_resets(ResetPoint::StatementStart, 0);
    waiting_for_statement = true;
    if (input_exhausted()) throw QuitProgram();
    scanner(Input, token, zilch);
    waiting_for_statement = false;
    level_just_opened = false;
    const int tl = time_level;
    mytime[tl] = clock_now();
    Operand sysnum;
    dispatch_statement(Input, sysnum, zilch);
    zilch = nullptr;
    ClockReading now = clock_now();
    int64_t wall = now.wall - mytime[tl].wall - time_off[tl].wall;
    int64_t cpu = now.cpu - mytime[tl].cpu - time_off[tl].cpu;
    time_off[tl] = {0, 0};
    if (!is_terminator(token)) error(129, token.text);
    ring_clear();
    display_step(sysnum);
    clear_pending_system_array();
    if (timerflag) {
        std::fputs(timing_line(wall, cpu).c_str(), stdout);
        if (extra_line) std::fputc('\n', stdout);
    }
    std::fflush(stdout);
    keep_as_previous(sysnum, nested);
    if (time_to_quit) {
        if (nested) {
            consume_statement_line_end();
            return true;
        }
        time_to_quit = 0;
        std::printf(" You must use \"&q\" to quit the highest level.\n");
    }
    std::fflush(stdout);
    write_prompt();
    consume_statement_line_end();
    return false;
}

}  // namespace

void report_out_of_memory() { fail(kErrOutOfMemory, token.text); }

bool command_step(bool nested) {
    try {
        return statement_step(nested);
    } catch (const std::bad_alloc&) {
        // Unwinding has freed the statement's temporaries; a value is only
        // ever replaced by a complete new one, so every stored value is whole.
        report_out_of_memory();
    }
}

void run_nested_level() {
    const int level = levelcount;
    for (;;) {
        const StatementMark mark = mark_statement();
        try {
            if (command_step(true)) return;
        } catch (AbandonStatement& a) {
            if (a.level != level) throw;
            recover_at_level(mark);
        }
    }
}

}  // namespace tolmex
