// Ampersand commands: the command reader and the system commands. The
// switches are in switches.cpp, the numeric settings in settings.cpp and the
// status display in status.cpp.
#include "interpreter/ampersand.h"

#include <cstring>
#include <ctime>

#include "gcd/gcd_stash.h"
#include "gcd/gcd_state.h"
#include "interpreter/ampersand_internal.h"
#include "interpreter/arrays.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/func_listing.h"
#include "interpreter/functions.h"
#include "interpreter/ground_ring.h"
#include "interpreter/integer_eval.h"
#include "interpreter/names.h"
#include "interpreter/save_load.h"
#include "interpreter/scanner.h"
#include "interpreter/statement_value.h"
#include "interpreter/value_reader.h"
#include "matrix/minor_stash.h"
#include "numbers/number.h"
#include "poly/poly_modout.h"
#include "poly/polyvars.h"
#include "quoly/quoly_display.h"
#include "rings/modout_install.h"
#include "numbers/modular_state.h"
#include "storage/accounting.h"
#include "storage/free_lists.h"
#include "storage/stash.h"

namespace tolmex {

void read_terminator(FILE* in, TokenNode*& cursor) {
    scanner(in, token, cursor);
    quiet_terminator();
}

void value_terminator(FILE* in, TokenNode*& cursor) { scanner(in, token, cursor); }

void quiet_terminator() {
    if (!statement_as_factor && (token_is(token, ";") || token_is(token, ":")))
        set_token(token, "@");
}

void take_pending_line_end(FILE* in) {
    if (tt_flag && peek_char(in) == '\n') read_char(in);
}

void show_value_line(const QuolyRec* q) {
    int col = 0;
    quoly_display(stdout, true, true, q, col);
}

void show_int_line(int64_t v) {
    Quoly q = make_numeric(number_from_int64(v));
    show_value_line(q.get());
}

namespace {

void set_value(Operand& value, int64_t v) { value.set(make_numeric(number_from_int64(v))); }

void pop_level_command(FILE* in, TokenNode*& cursor) {
    time_to_quit = 1;
    read_terminator(in, cursor);
}

void push_level_command(FILE* in, TokenNode*& cursor) {
    error(-1, " ");
    if (tt_flag || cursor) scanner(in, token, cursor);
    if (!tt_flag || levelcount == 1) set_token(token, "@");
}

void list_variables(FILE* in, TokenNode*& cursor) {
    scanner(in, token, cursor);
    int mode = 1;
    if (token_is(token, ";"))
        mode = 1;
    else if (token_is(token, ":"))
        mode = 0;
    else
        error(303, token.text);
    listvars(mode);
    quiet_terminator();
}

void gcd_stashing(FILE* in, TokenNode*& cursor, Operand& value) {
    scanner(in, token, cursor);
    const char* msg;
    if (token_is(token, "+")) {
        lookupgcd += 1;
        if (lookupgcd == 1) gcd_stash_switched_on();  // drop GCDs of another ring
        msg = lookupgcd > 0 ? " stashing on." : " pushed, but stashing still off.";
    } else if (token_is(token, "-")) {
        lookupgcd -= 1;
        msg = lookupgcd > 0 ? " popped, but stashing remains in effect." : " stashing off.";
        if (lookupgcd == 0) free_gcd_stash();
    } else {
        error(285, token.text);
        return;
    }
    if (!cursor) std::printf("%s\n", msg);
    set_value(value, lookupgcd);
    value_terminator(in, cursor);
}

void array_origin(FILE* in, TokenNode*& cursor, Operand& value) {
    addresser = addresser ? 0 : 1;
    if (levelcount == 1) std::printf(" Array initial index now %1d.\n", addresser);
    set_value(value, addresser);
    value_terminator(in, cursor);
}

void available_memory(FILE* in, TokenNode*& cursor, Operand& value) {
    uint64_t m = memavail();
    if (lintmode && levelcount == 1) std::printf("%u\n", static_cast<unsigned>(m));
    set_value(value, static_cast<int64_t>(m));
    value_terminator(in, cursor);
}

void cpu_clock(FILE* in, TokenNode*& cursor, Operand& value) {
    set_value(value, static_cast<int64_t>(std::clock() / (CLOCKS_PER_SEC / 1000)));
    value_terminator(in, cursor);
}

// The minor figures are those of the last expansion by minors.
void memory_line(FILE* in, TokenNode*& cursor) {
    const MinorStats& s = last_minor_stats();
    std::printf(
        " memavail, minor memory, garbsize, minor prime, total branches, leaf count, stash nodes, "
        "hits: %u, %u, %d, %d, %d, %d, %d, %d\n",
        static_cast<unsigned>(memavail()), static_cast<unsigned>(s.minor_memory), static_cast<int>(garbsize()),
        s.prime, static_cast<int>(s.branches), static_cast<int>(s.leaves), static_cast<int>(s.nodes),
        static_cast<int>(s.hits));
    read_terminator(in, cursor);
}

// "&_G": the records parked on the free lists of quolys, polys and (outside
// single-word mode) numbers go back to their stashes. Only slugs of the
// stash go back; a record made on the heap stays on its list, so the
// stashes' counts of used slugs stay true.
void give_back_free_lists(FILE* in, TokenNode*& cursor) {
    give_back_to_stash(quolystash, quolygarb);
    give_back_to_stash(polystash, polygarb);
    if (!lintmode) give_back_to_stash(imagstash, imhead);
    read_terminator(in, cursor);
}

void loop_flag_command(const char* name, int& flag, FILE* in, TokenNode*& cursor) {
    if (cursor || statcount > 0)
        flag = 1;
    else
        std::printf("Warning. &%s ignored.\n", name);
    read_terminator(in, cursor);
}

void machine_expression(FILE* in, TokenNode*& cursor, Operand& value) {
    scanner(in, token, cursor);
    if (!token_is(token, "(")) error(177, token.text);
    scanner(in, token, cursor);
    Quoly q;
    if (integer_mode_here(cursor)) {
        int32_t v;
        {
            IntegerStretch integers;
            v = old_iexpre(in, cursor);
        }
        q = machine_quoly(v);
    } else {
        ModularSuspend off;
        old_expre(in, q, cursor);
    }
    if (!token_is(token, ")")) error(1, token.text);
    value.set(std::move(q));
    value_terminator(in, cursor);
}

// "&_n": a value in the raw written-out form, taken as it stands.
void raw_value(FILE* in, TokenNode*& cursor, Operand& value) {
    scanner(in, token, cursor);
    Quoly q;
    quoly_readin(in, cursor, q);
    value.set(std::move(q));
}

// "&P": a modding poly read from the terminal (or the current input);
// "&(P = m)" reads it from the command. The bare variable removes the
// variable's modding.
// A modulus changes the ring every value lives in: like a change of ground
// ring it waits for the top level, where no computation is under way.
void check_may_mod_out() {
    if (levelcount > 1) error(73, "P");
    refuse_inside_expression("P");
}

void mod_out_value(const Quoly& m) {
    set_mod_out(m.get());
    quoly_set(0, prevnum);
}

void mod_out_command(FILE* in, TokenNode*& cursor) {
    check_may_mod_out();
    std::printf("Changing polynomial mod out.\n");
    std::printf(" Enter polynomial:\n");
    write_prompt();
    take_pending_line_end(in);
    scanner(in, token, cursor);
    Quoly m;
    {
        ModOutSuspension plain;  // the modulus as typed
        old_expre(in, m, cursor);
    }
    mod_out_value(m);
    quiet_terminator();
}

void mod_out_setting(FILE* in, TokenNode*& cursor) {
    check_may_mod_out();
    Quoly m;
    {
        ModOutSuspension plain;  // the modulus as typed
        old_expre(in, m, cursor);
    }
    if (!token_is(token, ")")) error(135, token.text);
    mod_out_value(m);
}

// "&(name = value)".
void parenthesised_form(FILE* in, TokenNode*& cursor, Operand& value) {
    scanner(in, token, cursor);
    char name[kTokenText + 1];
    std::snprintf(name, sizeof name, "%s", token.text);
    if (token_is(token, "_")) {
        scanner(in, token, cursor);
        std::snprintf(name, sizeof name, "_%s", token.text);
    }
    scanner(in, token, cursor);
    if (!token_is(token, "=")) error(4, token.text);
    scanner(in, token, cursor);
    if (!std::strcmp(name, "J")) {
        adjoin_command(in, cursor);
        if (!token_is(token, ")")) error(135, token.text);
    } else if (!std::strcmp(name, "S")) {
        return save_setting(in, cursor);
    } else if (!std::strcmp(name, "R")) {
        return read_setting(in, cursor);
    } else if (!std::strcmp(name, "M")) {
        char text[256];
        read_name_or_text(in, cursor, text, sizeof text);
        if (!token_is(token, ")")) error(135, token.text);
        set_prompt_text(text, true);
    } else if (!std::strcmp(name, "p")) {
        return ring_setting(in, cursor);
    } else if (!std::strcmp(name, "P")) {
        mod_out_setting(in, cursor);
    } else {
        // The whole form is read before anything is changed.
        IntValue v = read_setting_value(in, cursor);
        if (!token_is(token, ")")) error(135, token.text);
        if (!set_number_setting(name, v.v, v.is_number, value)) {
            if (!is_flag_name(name)) error(136, name);
            if (!v.is_number) error(147, name);
            if (v.v < 0) error(137, name);
            set_flag(name, v.v);
        }
    }
    read_terminator(in, cursor);
}

// One command name after "&"; "&_" names the second family.
void command_name(FILE* in, TokenNode*& cursor, char* name, size_t room) {
    scanner(in, token, cursor);
    if (std::strlen(token.text) > 1) error(114, token.text);
    if (token_is(token, "_")) {
        scanner(in, token, cursor);
        if (std::strlen(token.text) > 1) error(114, token.text);
        std::snprintf(name, room, "_%s", token.text);
        return;
    }
    std::snprintf(name, room, "%s", token.text);
}

bool is(const char* name, const char* command) { return std::strcmp(name, command) == 0; }

}  // namespace

void ampersand_command(FILE* in, Operand& value, TokenNode*& cursor) {
    char name[kTokenText + 2];
    command_name(in, cursor, name, sizeof name);
    if (is(name, "(")) return parenthesised_form(in, cursor, value);
    if (toggle_command(name, in, cursor)) return;
    if (prompted_setting(name, in, value, cursor)) return;
    if (is(name, "q") || is(name, "Q")) throw QuitProgram();
    if (is(name, "@")) return error(0, " ");
    if (is(name, "_p")) return pop_level_command(in, cursor);
    if (is(name, "_P")) return push_level_command(in, cursor);
    if (is(name, "J")) {
        scanner(in, token, cursor);
        adjoin_command(in, cursor);
        return quiet_terminator();
    }
    if (is(name, "v")) return list_variables(in, cursor);
    if (is(name, "f") || is(name, "F")) return listfuncs(in, cursor);
    if (is(name, "g")) {
        global_dump();
        return read_terminator(in, cursor);
    }
    if (is(name, "G")) {
        garbage('g');
        return read_terminator(in, cursor);
    }
    if (is(name, "_G")) return give_back_free_lists(in, cursor);
    if (is(name, "j")) return memory_line(in, cursor);
    if (is(name, "h")) return available_memory(in, cursor, value);
    if (is(name, "T")) return cpu_clock(in, cursor, value);
    if (is(name, "a")) return array_origin(in, cursor, value);
    if (is(name, "C")) return gcd_stashing(in, cursor, value);
    if (is(name, "x")) {
        if (!tt_flag) done_load = 1;
        return read_terminator(in, cursor);
    }
    if (is(name, "}")) return loop_flag_command("}", exit_flag, in, cursor);
    if (is(name, ">")) return loop_flag_command(">", leave_flag, in, cursor);
    if (is(name, "]")) return loop_flag_command("]", cycle_flag, in, cursor);
    if (is(name, "o")) return error(262, name);
    if (is(name, "_m")) return machine_expression(in, cursor, value);
    if (is(name, "p")) return ring_command(in, cursor);
    if (is(name, "_n")) return raw_value(in, cursor, value);
    if (is(name, "P")) return mod_out_command(in, cursor);
    if (is(name, "4")) {
        show_temporary_array();
        return read_terminator(in, cursor);
    }
    if (is(name, "s") || is(name, "S")) return save_command(in, cursor, is(name, "S"));
    if (is(name, "r") || is(name, "R")) return read_command(in, cursor, is(name, "R"));
    error(17, name);
}

}  // namespace tolmex
