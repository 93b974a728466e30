// Integer square roots by Newton's method from a floating-point estimate, or
// for long numbers from the root of their leading half, computed
// recursively.
#include <cmath>

#include "base/errors.h"
#include "numbers/gcd.h"
#include "numbers/kernels.h"
#include "numbers/mul_div.h"
#include "numbers/storage.h"

namespace tolmex {

using namespace numstore;

int32_t sqcut = 16;

namespace {

uint64_t isqrt64(uint64_t v) {
    uint64_t r = static_cast<uint64_t>(std::sqrt(static_cast<double>(v)));
    while (r > 0 && (r > 0xFFFFFFFFull || r * r > v)) --r;
    while ((r + 1) <= 0xFFFFFFFFull && (r + 1) * (r + 1) <= v) ++r;
    return r;
}

// y := an estimate of sqrt(x) for x of n >= 3 digits (x >= 0).
void estimate(const Number& x, Number& y) {
    DigitSpan d = x.digits();
    const int64_t n = static_cast<int64_t>(d.size());
    if (n < sqcut) {
        // The two leading digits, then (n - 2) / 2 zero digits, times 2^14
        // when n - 2 is odd.
        const double top = static_cast<double>(d[n - 1]) * kBase + d[n - 2];
        set_int64(static_cast<int64_t>(std::floor(std::sqrt(top) + 0.5)), y);
        shift_left(y, kDigitBits * ((n - 2) / 2) + ((n - 2) % 2 ? 14 : 0));
        return;
    }
    // The root of the leading n / 2 + 2 digits (one more to leave an even
    // number dropped), followed by half the dropped digits as zeros.
    int64_t keep = n / 2 + 2;
    if ((n - keep) % 2) ++keep;
    Number head, root;
    fast_num_assign(d.subspan(static_cast<size_t>(n - keep)), head);
    int_sqrt(head, root);
    shift_left(root, kDigitBits * ((n - keep) / 2));
    y = std::move(root);
}

}  // namespace

void int_sqrt(const Number& x, Number& r) {
    LintmodeOff guard;
    const int64_t n = x.size();
    if (n <= 2) {
        int64_t v = 0;
        to_int64(x, v);
        Number s;
        set_int64(static_cast<int64_t>(isqrt64(static_cast<uint64_t>(v))), s);
        r = std::move(s);
        return;
    }
    Number y, q, rem, e;
    estimate(x, y);
    if (y.sign() <= 0) special_set(1, y);
    // Newton: y := y - (y - x div y) / 2 until the step is at most 1.
    for (;;) {
        poll_interrupt();
        pos_divide(x, y, q, rem);
        diff(y, q, e);
        if (e.size() == 1 && e.digits()[0] >= -1 && e.digits()[0] <= 1) break;
        const bool negative = e.sign() < 0;
        if (negative) in_place_neg(e);
        shift_right(e, 1);
        if (negative) in_place_neg(e);
        fastdiff(y, e);
    }
    // y is within one of the root: make it the floor.
    Number sq;
    fast_mult(y, y, sq);
    while (compare(sq, x) > 0) {
        fastdiff(y, number_1);
        fast_mult(y, y, sq);
    }
    for (;;) {
        Number next, nsq;
        summ(y, number_1, next);
        fast_mult(next, next, nsq);
        if (compare(nsq, x) > 0) break;
        y = std::move(next);
    }
    r = std::move(y);
}

}  // namespace tolmex
