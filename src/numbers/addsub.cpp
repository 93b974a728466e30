// Addition and subtraction of big integers, in base 2^28 and base 10^8.
//
// Each digit carries the number's sign, so the kernels read magnitudes and
// write the result's sign into every digit. A sum of like signs adds the
// magnitudes; of unlike signs subtracts the smaller from the larger and takes
// the sign of the larger. Results are written in place when the destination
// is an operand and has room.
#include "numbers/kernels.h"
#include "numbers/lint_ops.h"
#include "numbers/number.h"
#include "numbers/storage.h"

namespace tolmex {

using namespace numstore;

namespace {

int sign_of(const Digit* d, int64_t n) {
    // The digits of a raw chain carry the sign; its top may be zero.
    for (int64_t i = n - 1; i >= 0; --i)
        if (d[i]) return d[i] > 0 ? 1 : -1;
    return 0;
}

// r := A + B, or A - B when `negate_b`, on raw digit runs.
template <class B>
void signed_add(DigitSpan as, DigitSpan bs, bool negate_b, Number& r) {
    const Digit* a = as.data();
    const Digit* b = bs.data();
    int64_t na = kern::strip(a, static_cast<int64_t>(as.size()));
    int64_t nb = kern::strip(b, static_cast<int64_t>(bs.size()));
    int sa = sign_of(a, na), sb = sign_of(b, nb);
    if (negate_b) sb = -sb;
    bool separate = false;
    if (r) separate = overlaps_shifted(r.get(), as) || overlaps_shifted(r.get(), bs);
    if (sa == 0 && sb == 0) {
        ResultDigits out(r, 1, separate);
        out.data()[0] = 0;
        out.commit(1);
        return;
    }
    if (sa == 0 || sb == 0 || sa == sb) {
        const Digit m = (sa ? sa : sb) < 0 ? -1 : 0;
        if (na < nb) {
            std::swap(a, b);
            std::swap(na, nb);
        }
        ResultDigits out(r, na + 1, separate);
        out.commit(kern::add_abs<B>(out.data(), a, na, b, nb, m));
        return;
    }
    const int c = kern::cmp_abs(a, na, b, nb);
    if (c == 0) {
        ResultDigits out(r, 1, separate);
        out.data()[0] = 0;
        out.commit(1);
        return;
    }
    int s = sa;
    if (c < 0) {
        std::swap(a, b);
        std::swap(na, nb);
        s = sb;
    }
    ResultDigits out(r, na, separate);
    out.commit(kern::sub_abs<B>(out.data(), a, na, b, nb, s < 0 ? -1 : 0));
}

}  // namespace

void fastsum(Number& a, const Number& b) {
    if (lintmode) {
        a.set_lint(lint_add(a.lint(), b.lint()));
        return;
    }
    // Single digits: one machine addition.
    if (a.size() == 1 && b.size() == 1) {
        Digit s = a.digits()[0] + b.digits()[0];
        if (s < kBase && s > -kBase) {
            digits_of(a.get())[0] = s;
            return;
        }
    }
    signed_add<kern::Base28>(a.digits(), b.digits(), false, a);
}

void fastdiff(Number& a, const Number& b) {
    if (lintmode) {
        a.set_lint(lint_sub(a.lint(), b.lint()));
        return;
    }
    if (a.size() == 1 && b.size() == 1) {
        Digit s = a.digits()[0] - b.digits()[0];
        if (s < kBase && s > -kBase) {
            digits_of(a.get())[0] = s;
            return;
        }
    }
    signed_add<kern::Base28>(a.digits(), b.digits(), true, a);
}

void summ(const Number& a, const Number& b, Number& r) {
    if (lintmode) {
        ensure(r)->lint = lint_add(a.lint(), b.lint());
        return;
    }
    if (a.size() == 1 && b.size() == 1) {
        Digit s = a.digits()[0] + b.digits()[0];
        if (s < kBase && s > -kBase) {
            ResultDigits out(r, 1, false);
            out.data()[0] = s;
            out.commit(1);
            return;
        }
    }
    signed_add<kern::Base28>(a.digits(), b.digits(), false, r);
}

void diff(const Number& a, const Number& b, Number& r) {
    if (lintmode) {
        ensure(r)->lint = lint_sub(a.lint(), b.lint());
        return;
    }
    if (a.size() == 1 && b.size() == 1) {
        Digit s = a.digits()[0] - b.digits()[0];
        if (s < kBase && s > -kBase) {
            ResultDigits out(r, 1, false);
            out.data()[0] = s;
            out.commit(1);
            return;
        }
    }
    signed_add<kern::Base28>(a.digits(), b.digits(), true, r);
}

void medsum(DigitSpan a, DigitSpan b, Number& r) { signed_add<kern::Base28>(a, b, false, r); }

void meddiff(DigitSpan a, DigitSpan b, Number& r) { signed_add<kern::Base28>(a, b, true, r); }

void summ_base_10(const Number& a, const Number& b, Number& r) {
    signed_add<kern::Base1e8>(a.digits(), b.digits(), false, r);
}

void diff_base_10(const Number& a, const Number& b, Number& r) {
    signed_add<kern::Base1e8>(a.digits(), b.digits(), true, r);
}

}  // namespace tolmex
