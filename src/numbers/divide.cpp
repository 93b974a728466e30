// Division of big integers: the signed quotient and remainder over the
// long and recursive division kernels (kernels.cpp, divide_recursive.cpp),
// the language's integer operators and the reductions used by modular mode.
#include <optional>

#include "base/errors.h"
#include "numbers/kernels.h"
#include "numbers/mul_div.h"
#include "numbers/storage.h"
#include "numbers/modular_state.h"

namespace tolmex {

using namespace numstore;

namespace {

// Long divisions of at least this many digit steps (divisor digits times
// quotient digits) check for a keyboard interrupt first.
constexpr int64_t kPollWork = 65536;

bool aliases(const Number* x, DigitSpan s) {
    if (!x || !*x) return false;
    const Digit* d = digits_of(x->get());
    return s.data() >= d && s.data() < d + capacity_of(x->get());
}

// q := A div B, r := A mod B on magnitudes, then every digit of q takes the
// sign qs and every digit of r the sign rs. q may be null. B is nonzero.
void divmod(DigitSpan as, DigitSpan bs, Number* q, Number* r, int qs, int rs) {
    const int64_t na = kern::strip(as.data(), static_cast<int64_t>(as.size()));
    const int64_t nb = kern::strip(bs.data(), static_cast<int64_t>(bs.size()));
    const bool sep_q = q && (aliases(q, as) || aliases(q, bs));
    const bool sep_r = r && (aliases(r, as) || aliases(r, bs));
    Magnitude ma(as.first(static_cast<size_t>(na))), mb(bs.first(static_cast<size_t>(nb)));
    const Digit qm = qs < 0 ? -1 : 0, rm = rs < 0 ? -1 : 0;
    if (kern::cmp_abs(ma.data(), na, mb.data(), nb) < 0) {
        // Quotient 0, remainder A.
        if (r) {
            ResultDigits ro(*r, na < 1 ? 1 : na, sep_r);
            Digit* d = ro.data();
            if (na == 0) d[0] = 0;
            for (int64_t i = 0; i < na; ++i) d[i] = kern::with_sign(ma.data()[i], rm);
            if (q) {
                ResultDigits qo(*q, 1, sep_q);
                qo.data()[0] = 0;
                qo.commit(1);
            }
            ro.commit(na < 1 ? 1 : na);
        } else if (q) {
            ResultDigits qo(*q, 1, sep_q);
            qo.data()[0] = 0;
            qo.commit(1);
        }
        return;
    }
    const int64_t nq = na - nb + 1;
    if (nb == 1) {
        const uint32_t dv = static_cast<uint32_t>(mb.data()[0]);
        uint32_t rem;
        if (q) {
            ResultDigits qo(*q, nq + 1, sep_q);
            Digit* d = qo.data();
            rem = kern::divrem_1(d, ma.data(), na, dv);
            for (int64_t i = 0; i < na; ++i) d[i] = kern::with_sign(d[i], qm);
            if (r) {
                ResultDigits ro(*r, 1, sep_r);
                ro.data()[0] = kern::with_sign(static_cast<Digit>(rem), rm);
                qo.commit(na);
                ro.commit(1);
            } else {
                qo.commit(na);
            }
        } else if (r) {
            rem = kern::mod_1(ma.data(), na, dv);
            ResultDigits ro(*r, 1, sep_r);
            ro.data()[0] = kern::with_sign(static_cast<Digit>(rem), rm);
            ro.commit(1);
        }
        return;
    }
    // A long division takes keyboard interrupts before it starts and
    // between the kernel's steps; its results are then built apart from q
    // and r, so that an abandoned division leaves them as they were.
    const bool polls = nb * nq >= kPollWork;
    if (polls) poll_interrupt();
    const kern::Between between = polls ? &poll_interrupt : nullptr;
    // The recursive division's products of up to 2 nb + 8 digits use the
    // transform, whose tables are built here, outside the kernel.
    if (nb >= kern::div_recursive_cut()) kern::ntt_prepare(2 * nb + 8);
    DigitBuffer w(kern::divrem_scratch(na, nb));
    std::optional<ResultDigits> qo;
    if (q) qo.emplace(*q, nq, sep_q || polls);
    if (r) {
        ResultDigits ro(*r, nb, sep_r || polls);
        kern::divrem(qo ? qo->data() : nullptr, ro.data(), ma.data(), na, mb.data(), nb, w.data(),
                     between);
        Digit* d = ro.data();
        if (rm)
            for (int64_t i = 0; i < nb; ++i) d[i] = -d[i];
        if (qo) {
            Digit* e = qo->data();
            if (qm)
                for (int64_t i = 0; i < nq; ++i) e[i] = -e[i];
            qo->commit(nq);
        }
        ro.commit(nb);
    } else {
        DigitBuffer rr(nb);
        kern::divrem(qo->data(), rr.data(), ma.data(), na, mb.data(), nb, w.data(), between);
        Digit* e = qo->data();
        if (qm)
            for (int64_t i = 0; i < nq; ++i) e[i] = -e[i];
        qo->commit(nq);
    }
}

bool is_zero(const Number& x) { return x.size() == 1 && x.digits()[0] == 0; }

}  // namespace

void pos_divide(const Number& a, const Number& b, Number& q, Number& r) {
    divmod(a.digits(), b.digits(), &q, &r, 1, 1);
}

void divide(const Number& a, const Number& b, Number& q, Number& r) {
    if (is_zero(b)) return;
    const int s = (a.sign() < 0 ? -1 : 1) * b.sign();
    divmod(a.digits(), b.digits(), &q, &r, s, s);
}

void mod_or_div(const Number& a, const Number& b, Number& res, int op, int posmod) {
    const char name[2] = {static_cast<char>(op), '\0'};
    if (lintmode) {
        const int64_t x = a.lint(), y = b.lint();
        if (y == 0) {
            // At a nested command level the error is only a warning: the
            // result is then 0.
            error(22, name);
            setvalue(0, res);
            return;
        }
        int64_t v;
        if (op == '|') {
            v = x % y;
            if (posmod && v < 0) v += y < 0 ? -y : y;
        } else {
            v = x / y;
        }
        numstore::put_word(res, static_cast<int32_t>(v));
        return;
    }
    if (is_zero(b)) {
        error(22, name);
        setvalue(0, res);
        return;
    }
    Number q, r;
    divide(a, b, q, r);
    if (op == '|') {
        if (b.sign() < 0) in_place_neg(r);
        if (posmod && r.sign() < 0) {
            Number fixed;
            if (b.sign() < 0)
                diff(r, b, fixed);
            else
                summ(r, b, fixed);
            res = std::move(fixed);
        } else {
            res = std::move(r);
        }
    } else {
        res = std::move(q);
    }
}

int32_t quotient_of(const Number& x, int32_t d) {
    DigitSpan s = x.digits();
    uint64_t rem = 0, quo = 0;
    for (size_t i = s.size(); i-- > 0;) {
        const uint64_t t = (rem << kDigitBits) | static_cast<uint32_t>(s[i]);
        quo = (quo << kDigitBits) + t / static_cast<uint64_t>(d);
        rem = t % static_cast<uint64_t>(d);
    }
    return static_cast<int32_t>(quo);
}

}  // namespace tolmex
