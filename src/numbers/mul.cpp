// Products of big integers: the dispatcher over the product kernels
// (schoolbook, Karatsuba, Toom-3, number-theoretic transform).
// The kernels (kernels.cpp) multiply magnitudes; this file handles signs,
// storage, aliasing and lintmode.
#include <algorithm>
#include <type_traits>

#include "base/errors.h"

#include "numbers/kernels.h"
#include "numbers/lint_ops.h"
#include "numbers/mul_div.h"
#include "numbers/storage.h"

namespace tolmex {

using namespace numstore;

int32_t multcut = 48;
int pos_mod = 1;

namespace {

// Karatsuba threshold of the base-10^8 products.
constexpr int64_t kBase10Cut = 32;
// Products with an operand of at least this many digits take keyboard
// interrupts before the kernel runs and between its steps.
constexpr int64_t kPollDigits = 256;
// Scratch up to this many digits (products of up to about 150 digits) lives
// on the stack rather than in a pooled array.
constexpr int64_t kStackScratch = 6144;

// mul_mag with its scratch on the stack: a function of its own, so that
// the shorter products do not pay for the large frame (its page probes).
template <class B>
[[gnu::noinline]] void mul_stack_scratch(Digit* d, const Digit* a, int64_t na, const Digit* b,
                                         int64_t nb, int64_t cut, kern::Between between) {
    Digit w[kStackScratch];
    kern::mul_mag<B>(d, a, na, b, nb, w, cut, between);
}

template <class B>
void product(const Number& a, const Number& b, Number& r, int64_t cut) {
    const int64_t na = a.size(), nb = b.size();
    const int s = a.sign() * b.sign();
    if (s == 0) {
        ResultDigits out(r, 1, false);
        out.data()[0] = 0;
        out.commit(1);
        return;
    }
    if (na == 1 && nb == 1) {
        const int64_t p = static_cast<int64_t>(a.digits()[0]) * b.digits()[0];
        const int64_t m = p < 0 ? -p : p;
        ResultDigits out(r, 2, false);
        const Digit sm = p < 0 ? -1 : 0;
        out.data()[0] = kern::with_sign(static_cast<Digit>(m % B::kB), sm);
        out.data()[1] = kern::with_sign(static_cast<Digit>(m / B::kB), sm);
        out.commit(2);
        return;
    }
    if constexpr (std::is_same_v<B, kern::Base28>) {
        if (na <= 2 && nb <= 2) {
            // Two words: one 128-bit product, at most four digits.
            const Digit* x = a.digits().data();
            const Digit* y = b.digits().data();
            const uint64_t u = static_cast<uint64_t>(kern::mag(x[0])) |
                               (na > 1 ? static_cast<uint64_t>(kern::mag(x[1])) << 28 : 0);
            const uint64_t v = static_cast<uint64_t>(kern::mag(y[0])) |
                               (nb > 1 ? static_cast<uint64_t>(kern::mag(y[1])) << 28 : 0);
            unsigned __int128 p = static_cast<unsigned __int128>(u) * v;
            const Digit sm = s < 0 ? -1 : 0;
            Digit d[4];
            int n = 0;
            do {
                d[n++] = kern::with_sign(static_cast<Digit>(static_cast<uint64_t>(p) & kDigitMask), sm);
                p >>= 28;
            } while (p);
            NumRec* rec = ensure(r);
            Digit* o = n <= capacity_of(rec) ? digits_of(rec) : reserve_fresh(rec, n);
            for (int i = 0; i < n; ++i) o[i] = d[i];
            rec->len = n;
            return;
        }
    }
    // A long product takes keyboard interrupts before it starts and between
    // the kernel's sub-products; it is then built apart from r, so that an
    // abandoned product leaves r as it was.
    const bool polls = na >= kPollDigits || nb >= kPollDigits;
    if (polls) poll_interrupt();
    // a * a keeps one magnitude for both, so that the kernels see a square.
    const bool square = na == nb && a.digits().data() == b.digits().data();
    Magnitude ma(a.digits()), mb(square ? DigitSpan{} : b.digits());
    const Digit* pa = ma.data();
    const Digit* pb = square ? pa : mb.data();
    const bool separate = polls || r.get() == a.get() || r.get() == b.get();
    ResultDigits out(r, na + nb, separate);
    // The transform's tables of roots are built here, outside the kernel.
    if (std::min(na, nb) >= kern::ntt_cut<B>()) kern::ntt_prepare(na + nb);
    const int64_t ws = kern::mul_scratch(na, nb, cut);
    Digit* d = out.data();
    if (ws > 0 && ws <= kStackScratch) {
        mul_stack_scratch<B>(d, pa, na, pb, nb, cut, polls ? &poll_interrupt : nullptr);
    } else if (ws > 0) {
        DigitBuffer w(ws);
        kern::mul_mag<B>(d, pa, na, pb, nb, w.data(), cut,
                         polls ? &poll_interrupt : nullptr);
    } else {
        kern::mul_basecase<B>(d, pa, na, pb, nb);
    }
    if (s < 0)
        for (int64_t i = 0; i < na + nb; ++i) d[i] = -d[i];
    out.commit(na + nb);
}

}  // namespace

// Products of one- or two-digit operands: one 128-bit product written
// straight into r when it has room for four digits.
inline bool short_product(const Number& a, const Number& b, Number& r) {
    const int32_t na = a.size(), nb = b.size();
    if (na > 2 || nb > 2 || !r || capacity_of(r.get()) < 4) return false;
    const Digit* x = a.digits().data();
    const Digit* y = b.digits().data();
    const Digit xt = x[na - 1], yt = y[nb - 1];
    const uint64_t u = static_cast<uint64_t>(kern::mag(x[0])) |
                       (na > 1 ? static_cast<uint64_t>(kern::mag(x[1])) << 28 : 0);
    const uint64_t v = static_cast<uint64_t>(kern::mag(y[0])) |
                       (nb > 1 ? static_cast<uint64_t>(kern::mag(y[1])) << 28 : 0);
    const unsigned __int128 p = static_cast<unsigned __int128>(u) * v;
    const Digit m = (xt ^ yt) < 0 ? -1 : 0;
    const uint64_t lo = static_cast<uint64_t>(p);
    const Digit d0 = static_cast<Digit>(lo & kDigitMask), d1 = static_cast<Digit>((lo >> 28) & kDigitMask);
    const uint64_t hi = static_cast<uint64_t>(p >> 56);
    const Digit d2 = static_cast<Digit>(hi & kDigitMask), d3 = static_cast<Digit>(hi >> 28);
    NumRec* rec = r.get();
    Digit* d = digits_of(rec);
    d[0] = kern::with_sign(d0, m);
    d[1] = kern::with_sign(d1, m);
    d[2] = kern::with_sign(d2, m);
    d[3] = kern::with_sign(d3, m);
    rec->len = d3 ? 4 : d2 ? 3 : d1 ? 2 : 1;
    return true;
}

void fast_mult(const Number& a, const Number& b, Number& r) {
    if (lintmode) {
        put_word(r, lint_mul(a.lint(), b.lint()));
        return;
    }
    if (short_product(a, b, r)) return;
    product<kern::Base28>(a, b, r, multcut < 1 ? 1 : multcut);
}

void base_10_fast_mult(const Number& a, const Number& b, Number& r) {
    product<kern::Base1e8>(a, b, r, kBase10Cut);
}

bool oversize(int32_t u, int32_t v) {
    const int64_t p = static_cast<int64_t>(u) * v;
    return p >= kBase || p <= -kBase || p > 1000000;
}

}  // namespace tolmex
