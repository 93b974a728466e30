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

// r := A + B, or A - B when `negate_b`, on digit runs.
template <class B>
void signed_add(DigitSpan as, DigitSpan bs, bool negate_b, Number& r) {
    const Digit* a = as.data();
    const Digit* b = bs.data();
    int64_t na = kern::strip(a, static_cast<int64_t>(as.size()));
    int64_t nb = kern::strip(b, static_cast<int64_t>(bs.size()));
    int sa = sign_of(a, na), sb = sign_of(b, nb);
    if (negate_b) sb = -sb;
    if (sa == 0 && sb == 0) {
        ResultDigits out(r, 1, false);
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
        ResultDigits out(r, na + 1, false);
        out.commit(kern::add_abs<B>(out.data(), a, na, b, nb, m));
        return;
    }
    const int c = kern::cmp_abs(a, na, b, nb);
    if (c == 0) {
        ResultDigits out(r, 1, false);
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
    ResultDigits out(r, na, false);
    out.commit(kern::sub_abs<B>(out.data(), a, na, b, nb, s < 0 ? -1 : 0));
}

// Operands of one or two digits: the result fits a machine word.
inline bool short_pair(const Number& a, const Number& b) {
    return static_cast<uint32_t>(a.size() - 1) < 2 && static_cast<uint32_t>(b.size() - 1) < 2;
}

inline int64_t short_value(const Number& x) {
    const Digit* d = x.digits().data();
    return x.size() == 1 ? d[0] : static_cast<int64_t>(d[1]) * kBase + d[0];
}

// r := v for |v| < 2^63, in place when r has room.
inline void put_short(Number& r, int64_t v) {
    NumRec* rec = ensure(r);
    const Digit m = v < 0 ? -1 : 0;
    const uint64_t u = static_cast<uint64_t>(v < 0 ? -v : v);
    const Digit d0 = static_cast<Digit>(u & kDigitMask), d1 = static_cast<Digit>((u >> 28) & kDigitMask),
                d2 = static_cast<Digit>(u >> 56);
    const int32_t n = d2 ? 3 : d1 ? 2 : 1;
    Digit* d = n <= capacity_of(rec) ? digits_of(rec) : reserve_fresh(rec, n);
    d[0] = kern::with_sign(d0, m);
    if (n > 1) d[1] = kern::with_sign(d1, m);
    if (n > 2) d[2] = kern::with_sign(d2, m);
    rec->len = n;
}

// Short operands whose magnitudes add (sign sa of a equals the effective
// sign of b): r := the sum with one carry chain, in r's own storage when it
// has room. False when the general path must run.
inline bool short_same_sign(const Number& a, const Number& b, Number& r) {
    int64_t na = a.size(), nb = b.size();
    if (na > 16 || nb > 16 || !r) return false;
    NumRec* rec = r.get();
    const int64_t need = (na > nb ? na : nb) + 1;
    if (need > capacity_of(rec)) return false;
    const Digit* x = a.digits().data();
    const Digit* y = b.digits().data();
    const Digit m = x[na - 1] < 0 ? -1 : 0;
    if (na < nb) {
        std::swap(x, y);
        std::swap(na, nb);
    }
    Digit* d = digits_of(rec);
    int32_t c = 0;
    int64_t i = 0;
    for (; i < nb; ++i) {
        const int32_t t = kern::mag(x[i]) + kern::mag(y[i]) + c;
        c = t >> kDigitBits;
        d[i] = kern::with_sign(t & kDigitMask, m);
    }
    for (; i < na; ++i) {
        const int32_t t = kern::mag(x[i]) + c;
        c = t >> kDigitBits;
        d[i] = kern::with_sign(t & kDigitMask, m);
    }
    d[na] = kern::with_sign(c, m);
    rec->len = static_cast<int32_t>(na + c);
    return true;
}

}  // namespace

void fastsum(Number& a, const Number& b) {
    if (lintmode) {
        a.set_lint(lint_add(a.lint(), b.lint()));
        return;
    }
    if (short_pair(a, b)) {
        put_short(a, short_value(a) + short_value(b));
        return;
    }
    if ((a.top() ^ b.top()) >= 0 && a.top() && b.top() && short_same_sign(a, b, a)) return;
    signed_add<kern::Base28>(a.digits(), b.digits(), false, a);
}

void fastdiff(Number& a, const Number& b) {
    if (lintmode) {
        a.set_lint(lint_sub(a.lint(), b.lint()));
        return;
    }
    if (short_pair(a, b)) {
        put_short(a, short_value(a) - short_value(b));
        return;
    }
    if ((a.top() ^ b.top()) < 0 && a.top() && b.top() && short_same_sign(a, b, a)) return;
    signed_add<kern::Base28>(a.digits(), b.digits(), true, a);
}

void summ(const Number& a, const Number& b, Number& r) {
    if (lintmode) {
        put_word(r, lint_add(a.lint(), b.lint()));
        return;
    }
    if (short_pair(a, b)) {
        put_short(r, short_value(a) + short_value(b));
        return;
    }
    if ((a.top() ^ b.top()) >= 0 && a.top() && b.top() && short_same_sign(a, b, r)) return;
    signed_add<kern::Base28>(a.digits(), b.digits(), false, r);
}

void diff(const Number& a, const Number& b, Number& r) {
    if (lintmode) {
        put_word(r, lint_sub(a.lint(), b.lint()));
        return;
    }
    if (short_pair(a, b)) {
        put_short(r, short_value(a) - short_value(b));
        return;
    }
    if ((a.top() ^ b.top()) < 0 && a.top() && b.top() && short_same_sign(a, b, r)) return;
    signed_add<kern::Base28>(a.digits(), b.digits(), true, r);
}

void summ_base_10(const Number& a, const Number& b, Number& r) {
    signed_add<kern::Base1e8>(a.digits(), b.digits(), false, r);
}

}  // namespace tolmex
