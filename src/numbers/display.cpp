// The printed layout of integers.
//
// An integer prints as its base-10^8 groups, the first without leading
// zeros (or right-aligned), the others as exactly eight digits, with nothing
// between them. Once the column reaches dispcutoff a group is followed by a
// space; with line breaks on, the line first ends in " " and the
// continuation mark, so that the next line begins with the space.
#include "base/errors.h"
#include "numbers/decimal.h"
#include "numbers/display_settings.h"
#include "numbers/kernels.h"
#include "numbers/number.h"
#include "numbers/modular_state.h"

namespace tolmex {

namespace {

int decimal_digits(int v) {
    int n = 1;
    while (v >= 10) {
        v /= 10;
        ++n;
    }
    return n;
}

// The separator after a group once the column has reached dispcutoff.
void group_break(FILE* out, bool breaks, int& col) {
    if (col < dispcutoff) return;
    if (breaks && !uglyprint) {
        std::fprintf(out, " %c\n", continuation);
        col = 0;
    }
    if (!uglyprint) std::fputc(' ', out);
}

}  // namespace

void showint(FILE* out, const Number& x, bool lead, bool pad, bool ready, bool aligned,
             bool minus_space, bool breaks, int& col) {
    Number converted;
    const Number* y = &x;
    if (!ready) {
        if (x.size() < kDecimalCut)
            make_base_10(x, converted);
        else
            verybig_base_10(x.digits(), converted);
        y = &converted;
    }
    DigitSpan g = y->digits();
    const int64_t groups = static_cast<int64_t>(g.size());
    if (groups > 1 && g[g.size() - 1] == 0) {
        tolmex_error("bad 0 node found in showint", 0);
        return;
    }
    const bool negative = y->sign() < 0;
    if (pad && groups < disp_size) {
        const int64_t zeros = 8 * (disp_size - groups);
        for (int64_t i = 1; i <= zeros; ++i) {
            std::fputc('0', out);
            if (i % 8 == 0) {
                col += 8;
                group_break(out, breaks, col);
            }
        }
    }
    if (!aligned && negative) {
        std::fputc('-', out);
        if (minus_space && !uglyprint) std::fputc(' ', out);
        col += 1;
    }
    for (int64_t i = groups - 1; i >= 0; --i) {
        const int v = kern::mag(g[static_cast<size_t>(i)]);
        if (i == groups - 1 && lead) {
            const int nd = decimal_digits(v);
            if (aligned) {
                for (int s = 0; s < 8 - nd; ++s) std::fputc(' ', out);
                std::fputc(negative ? '-' : ' ', out);
                std::fprintf(out, "%d", v);
                col += 8;
            } else {
                std::fprintf(out, "%1d", v);
                col += nd;
            }
        } else {
            std::fprintf(out, "%08d", v);
            col += 8;
        }
        if (i > 0) group_break(out, breaks, col);
    }
}

void display(FILE* out, bool breaks, bool aligned, const Number& x, int& col, bool sign) {
    if (!lintmode) {
        showint(out, x, true, false, false, aligned, sign, breaks, col);
        return;
    }
    int64_t v = x.lint();
    if (modularmode && alt_form_display && v > half_modulus) v -= modulus;
    if (v == 0) {
        std::fputc('0', out);
        col += 1;
        return;
    }
    const int h = logg2lint(static_cast<int32_t>(v));
    const int width = static_cast<int>(0.3 * h + 0.5) + 1;
    if (sign && v < 0) {
        std::fprintf(out, "- %lld", static_cast<long long>(-v));
        col += width + 2;
        return;
    }
    std::fprintf(out, "%1lld", static_cast<long long>(v));
    col += width;
}

}  // namespace tolmex
