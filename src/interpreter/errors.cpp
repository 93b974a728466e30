#include "interpreter/errors.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "interpreter/command_level.h"
#include "interpreter/command_line.h"
#include "interpreter/data_files.h"
#include "interpreter/driver.h"
#include "interpreter/arrays.h"
#include "interpreter/evaluator.h"
#include "interpreter/functions.h"
#include "interpreter/save_load.h"
#include "interpreter/scanner.h"
#include "interpreter/statement_value.h"
#include "interpreter/line_source.h"
#include "gcd/gcd_state.h"
#include "numbers/modular_state.h"
#include "storage/work_arrays.h"

namespace tolmex {

namespace {

void print_delicate_modular() {
    std::printf("\n*** You have interrupted at a delicate time. You are now in modular "
                "arithmetic.  Beware!\n");
    std::printf("    Your variables are unreadable and unusable.  If you wish\n");
    std::printf("    to revert, do &(p=_i:) .\n\n");
}

void print_delicate_poly_table_head() {
    std::printf("*** You have interrupted at a delicate time. The global poly table has been\n");
    std::printf("    changed. Your variables that are polynomials are unreadable and unusable.\n");
}

// Where the error happened.
void report_context(int code) {
    if (code == 132) {
        std::printf("Here is the last line read:\n%s\n", last_line_read.c_str());
    }
    if (code == 38 || code == 103 || (code == 129 && func_def_count >= 1)) {
        std::printf("Here is the last line successfully read:\n%s\n",
                    last_definition_line.c_str());
        std::printf("*** Definition of %s cancelled.\n", current_func.c_str());
    }
    if (tt_flag == 0 && inpuf) {
        std::printf("*** Stopped right before this:\n");
        char line[256];
        for (int i = 0; i < 3 && std::fgets(line, sizeof line, inpuf); ++i) {
            size_t n = std::strlen(line);
            if (n && line[n - 1] == '\n') line[n - 1] = '\0';
            std::printf("%s\n", line);
        }
        if (close_inpuf) {
            std::fclose(inpuf);
            inpuf = nullptr;
            std::printf("\n*** Closing file %s\n", input_file_name);
            input_file_name[0] = '\0';
        }
    } else if (code > 0 && tt_flag && !ring_empty()) {
        std::printf("*** Error occurred at this point:\n");
        ring_print(stdout);
        // The ring's texts are written back to back: the reports that follow
        // start on a line of their own.
        if (!lastf.empty()) std::printf("\n");
    }
}

// The function evaluations in progress, newest first, with runs of one name
// shortened; when the level is not pushed they are unwound.
void report_function_stack(bool push) {
    if (lastf.empty()) return;
    std::printf("*** The most recent function evaluations were:\n ");
    int written = 0;
    size_t i = lastf.size();
    while (i > 0 && written < 5000) {
        const char* name = lastf[i - 1];
        size_t run = 0;
        while (i > 0 && std::strcmp(lastf[i - 1], name) == 0) {
            --i;
            ++run;
        }
        size_t shown = run < 10 ? run : 10;
        for (size_t k = 0; k < shown; ++k) {
            std::printf("%s ", name);
            if (++written % 20 == 0) std::printf("\n ");
        }
        if (run > shown) std::printf(" ... %d more with this name. \n", static_cast<int>(run - shown));
    }
    std::printf("\n");
    if (!push) unwind_function_evaluations();
}

void print_tokens(TokenNode* from, TokenNode* upto, int& col) {
    for (TokenNode* t = from; t && t != upto; t = t->next) {
        const char* text = std::strcmp(t->text, kEndOfBody) == 0 ? ";" : t->text;
        if (col > 68) {
            std::printf("\n");
            col = 0;
        }
        std::printf("%s ", text);
        col += static_cast<int>(std::strlen(text)) + 1;
    }
}

void report_stored_statement() {
    if (!startexpr) return;
    std::printf("\n*** Function was interrupted at:\n");
    int col = 0;
    if (prev_expr) print_tokens(prev_expr, nullptr, col);
    std::printf("\n");
    col = 0;
    print_tokens(startexpr, currentchar, col);
    std::printf("\n");
}

// State saved by a pushed level and restored when it is popped: the level
// reads statements of its own, from the terminal. (The reading state of
// the statement it interrupted is cleared by the push itself: a return to
// the top level leaves it to the guards that unwind.)
struct SavedState {
    int tt_flag, doing_sys_func, func_def_count, integerflag, modularmode, lintmode, done_load;
    int32_t modulus;
    Token token;
    int statement_as_factor, abs_depth;
    TokenNode* cursor;
};

// Back to reading statements from the terminal: no system function, no
// function definition, no integer mode, no file being loaded.
void reset_reading_modes() {
    tt_flag = 1;
    doing_sys_func = 0;
    func_def_count = 0;
    integerflag = 0;
    done_load = 0;
}

SavedState save_and_reset_state() {
    SavedState s{tt_flag,   doing_sys_func, func_def_count, integerflag,         modularmode,
                 lintmode,  done_load,      modulus,        token,               statement_as_factor,
                 abs_depth, zilch};
    reset_reading_modes();
    if (mod_is_changed > 0) modularmode = 1;
    return s;
}

void restore_state(const SavedState& s) {
    tt_flag = s.tt_flag;
    doing_sys_func = s.doing_sys_func;
    func_def_count = s.func_def_count;
    integerflag = s.integerflag;
    modularmode = s.modularmode;
    lintmode = s.lintmode;
    done_load = s.done_load;
    token = s.token;
    statement_as_factor = s.statement_as_factor;
    abs_depth = s.abs_depth;
    zilch = s.cursor;
}

[[noreturn]] void return_to_top_level(int code) {
    reset_to_top_level();
    throw RestartTopLevel{code};
}

}  // namespace

void reset_to_top_level() {
    forget_held_lines();
    level_just_opened = false;
    levelcount = 1;
    time_level = 1;
    for (auto& t : time_off) t = {0, 0};
    std::fflush(stdout);
    mod_is_changed = 0;
    set_token(token, "");
    run_resets(ResetPoint::TopLevel, 0);
}

namespace {

// What a nested level changes in the reading of its input and puts back
// when it resumes the statement it interrupted: the pending character, the
// token history, and the rest of that statement's line.
struct InputHeld {
    int leftover;
    bool waiting;
    RingSnapshot ring;
    explicit InputHeld(FILE* in) : leftover(tolmex::leftover), waiting(waiting_for_statement) {
        ring_save(ring);
        ring_clear();
        hold_rest_of_line(in);
        tolmex::leftover = 0;
    }
    void give_back(FILE* in) const {
        give_back_held_line(in);
        ring_restore(ring);
        tolmex::leftover = leftover;
        waiting_for_statement = waiting;
    }
};

// A new command level, run right here, inside the computation it stopped.
void push_level(const SavedState& saved) {
    levelcount += 1;
    if (levelcount > kMaxLevels) {
        std::printf("*** Highest legal command level is 9.\n");
        error(0, " ");
    }
    if (was_in_rat && modularmode) {
        was_modulus = modulus;
        modularmode = 0;
        lintmode = 0;
        std::printf("\n*** You have interrupted at a delicate time. Tolmex had switched\n");
        std::printf("    internally to arithmetic mod p. It has switched back for your \n");
        std::printf("    convenience during this interrupt. Do not do any significant \n");
        std::printf("    polynomial computations.  To abort, enter &@ followed by  &(p=_i:) .\n\n");
    }
    if (globalpoly > 0) {
        std::printf("\n");
        print_delicate_poly_table_head();
        std::printf("    Beware! (You can use ZZ3 to display a variable.)\n\n");
    }
    breaktime[time_level] = clock_now();
    time_level += 1;
    time_off[time_level] = {0, 0};
    std::fflush(stdout);
    write_prompt();
    const InputHeld input(Input);
    statement_as_factor = 0;
    abs_depth = 0;
    zilch = nullptr;
    level_just_opened = true;
    run_nested_level();
    level_just_opened = false;
    time_to_quit = 0;
    if (was_modulus > 0) modulus = was_modulus;
    was_modulus = -1;
    levelcount -= 1;
    time_level -= 1;
    ClockReading now = clock_now();
    time_off[time_level].wall += now.wall - breaktime[time_level].wall;
    time_off[time_level].cpu += now.cpu - breaktime[time_level].cpu;
    std::printf("*** Resuming earlier command level\n");
    std::fflush(stdout);
    restore_state(saved);
    input.give_back(Input);
    // Back at a command prompt that was waiting for input: show it again.
    if (input.waiting) write_prompt();
}

// Input nested too deeply leaves no room for a command level: its
// statement is abandoned instead of opening one.
bool level_fits(int code) { return code != kErrTooDeep; }

}  // namespace

void report_error(int code, const char* name, bool may_return) {
    if (code == 0 && was_modulus > 0) {
        modulus = was_modulus;
        modularmode = 1;
        lintmode = 1;
    }
    const bool push = errorpush && (statcount >= 1 || levelcount > 1);
    run_resets(ResetPoint::AnyError, code);
    if (code >= 0) {
        run_resets(ResetPoint::Abandon, code);
        if (code > 0) was_modulus = -1;
    }
    if (extra_line) std::printf("\n");
    std::string nm = name ? name : "";
    if (nm == kEndOfBody) nm.assign(1, ';');
    if (code == 0) {
        std::printf("*** Panic stop.\n");
        if (levelcount == 1 && statcount < 1)
            std::printf("    You were already at the lowest level.\n");
        if (was_in_rat && modularmode) print_delicate_modular();
    } else if (code < 0) {
        std::printf("*** New command level.\n");
    } else {
        if (may_return && levelcount > 1 && demotable(code)) {
            warning(code, nm.c_str());
            ring_clear();
            return;
        }
        std::printf("*** Inappropriate symbol: %s\n", nm.c_str());
        if (code == 17)
            std::printf("After &, legal symbols are: v,f,F,r,R,d,D,C,B,I,X,L,K,c,W,@,_s,_t,_G\n");
        out_err_mess(code);
        if (code == 139) {
            std::printf("that you have just deleted.  Any reference to this parameter \n");
            std::printf("%s may crash Tolmex. There may be other such dangling array parameters.\n",
                        nm.c_str());
        }
        report_context(code);
    }
    report_function_stack(code < 0 || (push && code > 0));
    report_stored_statement();
    if (extra_line) std::printf("\n");
    if (code > 0 && quit_on_error) throw QuitProgram{1};
    const int level = levelcount;  // where the failing statement was typed
    SavedState saved = save_and_reset_state();
    if (code == 0 || (!push && code > 0)) {
        statcount = 0;
        if (globalpoly > 0) {
            std::printf("\n");
            print_delicate_poly_table_head();
            std::printf("    Beware!  You should probably quit immediately.\n\n");
            globalpoly = 0;
        }
    }
    if (code >= 0 && (!push || code == 0)) return_to_top_level(code);
    if (!level_fits(code)) {
        restore_state(saved);
        abandon_to_level(level, code);
    }
    push_level(saved);
    // The level an error opened is for looking around: popping it abandons
    // the computation that failed, which never goes on past its error.
    if (code > 0 || !may_return) abandon_to_level(level, code);
}

void abandon_to_level(int level, int code) {
    if (level > 1) throw AbandonStatement{level};
    unwind_function_evaluations();
    statcount = 0;
    return_to_top_level(code);
}

void recover_at_level(const StatementMark& mark) {
    zilch = nullptr;
    leftover = 0;
    ring_clear();
    set_token(token, "");
    statcount = mark.statcount;
    if (lastf.size() > mark.evaluations) lastf.resize(mark.evaluations);
    reset_reading_modes();
    time_to_quit = 0;
    level_just_opened = false;
    time_off[time_level] = {0, 0};
    source_clearerr(Input);
    drop_held_lines(Input, mark.held);
    std::printf("\n");
    write_prompt();
}

StatementMark mark_statement() {
    return StatementMark{statcount, lastf.size(), held_line_count()};
}

void abandon_command() {
    run_resets(ResetPoint::AnyError, 0);
    run_resets(ResetPoint::Abandon, 0);
    abandon_to_level(levelcount, 0);
}

void install_error_handler() { set_error_handler(report_error); }

}  // namespace tolmex
