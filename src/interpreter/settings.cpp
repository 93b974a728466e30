// The numeric settings: the prompted commands ("&X", "&#", ...) and the
// numbers of the parenthesised form.
#include <cstdio>
#include <cstring>

#include "gcd/gcd_state.h"
#include "interpreter/ampersand_internal.h"
#include "interpreter/builtins.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/scanner.h"
#include "interpreter/line_source.h"
#include "matrix/det_settings.h"
#include "numbers/decimal.h"
#include "numbers/display_settings.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "quoly/quoly_display.h"

namespace tolmex {

namespace {

constexpr int64_t kMaxAux1 = 4283;
constexpr int64_t kMaxAux2 = 19990;
constexpr int kDetcutoffNote = 40;
constexpr int kVeryLargeDispSize = 1000;

// The answer to a prompt: the prompt text, the level prompt, then a
// restricted expression from the current input. Not a number: error 147.
IntValue prompted_value(const char* text, FILE* in, TokenNode*& cursor) {
    std::fputs(text, stdout);
    write_prompt();
    take_pending_line_end(in);
    scanner(in, token, cursor);
    IntValue v = read_setting_value(in, cursor);
    if (!v.is_number || !v.fits) error(147, "&");
    return v;
}

int32_t as_int(int64_t v) { return static_cast<int32_t>(v); }

// Each setting's rule and confirmation, shared by both forms; paren tells
// which form's wording to use. Returns false when the value was refused.
void set_aux1(int64_t v, bool paren) {
    if (v > kMaxAux1) error(295, "X");
    aux_num_1factor = as_int(v);
    std::printf(paren ? " first auxiliary prime search factor now %1d.\n"
                      : " first auxiliary prime search factor: %1d\n",
                aux_num_1factor);
}

void set_aux2(int64_t v, bool paren) {
    if (v > kMaxAux2) error(272, "A");
    aux_num_2factor = as_int(v);
    std::printf(paren ? " second auxiliary prime search factor now %1d.\n"
                      : " second auxiliary prime search factor: %1d\n",
                aux_num_2factor);
}

void set_lagrange(int64_t v) {
    rat_det_method_cut = v < 0 ? 2147483647 : as_int(v);
    mod_det_method_cut = rat_det_method_cut / 33;
    std::printf(" LaGrange cut off \"mass\": %1d\n", rat_det_method_cut);
}

void set_gauss(int64_t v, bool paren) {
    gauss_cutoff = as_int(v);
    if (paren) {
        std::printf(" Gauss-Bareiss switch: %1d\n", gauss_cutoff);
        return;
    }
    std::printf(" Gauss-Bareiss: %1d means", gauss_cutoff);
    std::printf(gauss_cutoff == 1 ? " will try Gauss-Bareiss.\n" : " will not use Gauss-Bareiss.\n");
}

void set_poly_cutoff(int64_t v, bool paren) {
    if (v <= 5) {
        std::printf(" *** smallest legal value is 6. will use 6.\n");
        v = 6;
    }
    reset_cutoffs(poly_cutoff, as_int(v));
    poly_cutoff = as_int(v);
    std::printf(paren ? " poly_cutoff now %1d.\n" : " poly_cutoff: %1d\n", poly_cutoff);
}

void set_detcutoff(int64_t v) {
    if (v < 0) {
        detcutoff = -1;
        std::printf(" Will set detcutoff using defaults.\n");
        return;
    }
    detcutoff = v == 1 ? 0 : as_int(v);
    std::printf(" Detcutoff now %1d.\n", detcutoff);
    if (detcutoff > kDetcutoffNote)
        std::printf(
            " Note: This value for sparse arrays only. For ordinary arrays, max value is %d.\n",
            kDetcutoffNote);
}

void set_pivot_heuristic(int64_t v) {
    if (v < 0 || v > 5) {
        std::printf(" Value entered is too big or too small; will use 0.\n");
        v = 0;
    }
    pseudet_heur = as_int(v);
    std::printf(" Sparse pivot heuristic now %1d.\n", pseudet_heur);
}

void set_columns(int64_t v, bool paren) {
    dispcutoff = as_int(v);
    std::printf(paren ? " Columns to display is now: \n" : " Number of columns to display is now: \n");
    show_int_line(dispcutoff);
}

void set_random_denominator(int64_t v) {
    quoly_set(as_int(v), rand_denom);
    std::printf(" Denominator for random is now: \n");
    show_value_line(rand_denom.get());
}

void set_karatsuba(int64_t v) {
    simplest_poly_cutoff = as_int(v);
    std::printf(" Karatsuba cutoff is now: \n");
    show_int_line(simplest_poly_cutoff);
}

void set_disp_size(int64_t v) {
    if (v < 0) v = 0;
    if (v > kVeryLargeDispSize) std::printf("Warning.  Very large disp_size.\n");
    disp_size = as_int(v);
    init_disp_cons();
    std::printf("new display size: %2d\n", disp_size);
}

void command_interrupt(int64_t v) {
    command_int = (v == 1 || v == 2) ? 1 : 0;
    if (command_int) m_interrupt = as_int(v);
    std::printf(" Command interrupt now ");
    print_command_interrupt_state();
}

void set_value_int(Operand& value, int64_t v) {
    Quoly q;
    quoly_set(as_int(v), q);
    value.set(std::move(q));
}

// "&M": one line of at most 9 characters from standard input.
void prompt_command() {
    std::printf(" Enter prompt:\n");
    write_prompt();
    take_pending_line_end(stdin);
    char line[256];
    if (!source_gets(line, sizeof line, stdin)) line[0] = '\0';
    line[std::strcspn(line, "\n")] = '\0';
    line[9] = '\0';
    set_prompt_text(line, false);
}

}  // namespace

void set_prompt_text(const char* text, bool from_parenthesis) {
    char p[16];
    std::snprintf(p, sizeof p, "%s", text);
    if (from_parenthesis && std::strlen(text) > 10) {
        std::printf("*** Warning.  prompt name truncated to 10 characters.\n");
        p[10] = '\0';
    }
    if (!std::strcmp(p, " ")) {
        prompt[0] = '\0';
        promptsize = 0;
        std::printf(" Prompt now: <cr>\n");
        return;
    }
    if (p[0] == '\0') std::strcpy(p, " ");
    std::strcpy(prompt, p);
    promptsize = static_cast<int>(std::strlen(prompt));
    std::printf(" Prompt now:%s\n", prompt);
}

bool prompted_setting(const char* name, FILE* in, Operand& value, TokenNode*& cursor) {
    if (!std::strcmp(name, "M")) {
        // The answer line ended the statement.
        prompt_command();
        set_token(token, "@");
        return true;
    }
    struct Prompted {
        const char* name;
        const char* text;
        void (*apply)(int64_t);
        bool value_shown;  // the value is the statement's value
    };
    static const Prompted kPrompts[] = {
        {"X", " Enter first auxiliary prime search factor:\n", [](int64_t v) { set_aux1(v, false); }, false},
        {"A", " Enter second auxiliary prime search factor:\n", [](int64_t v) { set_aux2(v, false); }, true},
        {"L", " Enter LaGrange cut off:\n", set_lagrange, false},
        {"K", " Enter Gauss-Bareiss switch:\n", [](int64_t v) { set_gauss(v, false); }, false},
        {"#", " Enter poly_cutoff (usually 10-90):\n", [](int64_t v) { set_poly_cutoff(v, false); }, false},
        {"_d", " Enter number of columns to display:\n", [](int64_t v) { set_columns(v, false); }, false},
        {"_r", " Enter new denominator for random:\n", set_random_denominator, false},
        {"_k", " Enter Karatsuba cutoff:\n", set_karatsuba, false},
        {"m", " Enter command interrupt level:\n", command_interrupt, true},
        {"D", " Enter detcutoff:\n", set_detcutoff, false},
        {"u", " Enter sparse pivot heuristic:\n", set_pivot_heuristic, false},
        {"d", "Enter display size. \n", set_disp_size, false},
    };
    const Prompted* p = nullptr;
    for (const Prompted& e : kPrompts)
        if (!std::strcmp(e.name, name)) p = &e;
    if (!p) return false;
    IntValue v = prompted_value(p->text, in, cursor);
    p->apply(v.v);
    // The expression's terminator ends the statement.
    if (p->value_shown) {
        set_value_int(value, name[0] == 'A' ? aux_num_2factor : v.v);
    } else {
        quiet_terminator();
    }
    return true;
}

bool set_number_setting(const char* name, int64_t v, bool is_number, Operand& value) {
    static const char* const kNumberSettings[] = {"X", "A", "L", "K", "#", "D", "u", "4", "_d", "3", "_r"};
    bool known = false;
    for (const char* n : kNumberSettings) known |= !std::strcmp(n, name);
    if (!known) return false;
    if (!is_number) error(147, name);
    (void)value;
    if (!std::strcmp(name, "X")) set_aux1(v, true);
    else if (!std::strcmp(name, "A")) set_aux2(v, true);
    else if (!std::strcmp(name, "L")) set_lagrange(v);
    else if (!std::strcmp(name, "K")) set_gauss(v, true);
    else if (!std::strcmp(name, "#")) set_poly_cutoff(v, true);
    else if (!std::strcmp(name, "D")) set_detcutoff(v);
    else if (!std::strcmp(name, "u")) set_pivot_heuristic(v);
    else if (!std::strcmp(name, "4") || !std::strcmp(name, "_d")) set_columns(v, true);
    else set_random_denominator(v);
    return true;
}

}  // namespace tolmex
