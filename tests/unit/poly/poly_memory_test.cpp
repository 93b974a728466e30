// Polys when memory runs out: powers whose size is known to exceed memory
// are refused before the work; refused allocations inside products and
// powers end in error 375 with the operands intact.
#include <gtest/gtest.h>

#include "base/alloc_faults.h"
#include "poly_support.h"
#include "raised.h"

using namespace tolmex;
using namespace polytest;

namespace {

// 1 + x1 + ... + xn.
Poly simplex(int n) {
    Poly p = int_poly(1);
    for (int k = 1; k <= n; ++k) {
        Poly x = var_poly(k);
        p = sum(p.get(), x.get());
    }
    return p;
}

}  // namespace

TEST(PolyMemory, PowersThatCannotFitAreRefusedAtOnce) {
    use_vars(3);
    Ring ring(0);
    Poly p = simplex(3);
    Poly r;
    // (1 + x + y + z)^n has C(n + 3, 3) terms: for n = 10^6 some 1.7 * 10^17.
    EXPECT_EQ(unit::raised_code([&] { poly_power(p.get(), 1000000, r, nullptr); }),
              kErrOutOfMemory);
    EXPECT_FALSE(r);
    // Mixed signs may cancel terms, but the leading coefficient's power
    // stays: (2^(2^20) x - 1)^(2^20) has a coefficient of 2^40 bits.
    Number c;
    set_int64(1, c);
    shift_left(c, int64_t{1} << 20);
    Poly lead;
    scalar_to_poly(std::move(c), lead);
    Poly x = var_poly(1);
    Poly t = product(lead.get(), x.get());
    Poly one = int_poly(1);
    Poly q;
    poly_sub(t.get(), one.get(), q);
    EXPECT_EQ(unit::raised_code([&] { poly_power(q.get(), 1 << 20, r, nullptr); }),
              kErrOutOfMemory);
    // What fits is computed: C(23, 3) = 1771 terms.
    EXPECT_EQ(unit::raised_code([&] { poly_power(p.get(), 20, r, nullptr); }), -1);
    EXPECT_EQ(expand(r.get(), 3).terms().size(), 1771u);
    // In modular arithmetic terms may vanish: no term bound is applied
    // ((1 + x)^101 = 1 + x^101 modulo 101).
    Ring mod(101);
    Poly s = simplex(1);
    EXPECT_EQ(unit::raised_code([&] { poly_power(s.get(), 101, r, nullptr); }), -1);
    EXPECT_EQ(expand(r.get(), 3).terms().size(), 2u);
}

TEST(PolyMemory, EachRefusedAllocationOfAPowerEndsInError) {
    use_vars(2);
    Ring ring(0);
    Poly p = simplex(2);
    Poly before(copy_poly(p.get()));
    Poly expected;
    poly_power(p.get(), 9, expected, nullptr);
    testing::internal::CaptureStdout();
    int refusals = 0;
    for (int64_t n = 1;; ++n) {
        Poly r;
        refuse_allocation(n);
        const int code = unit::raised_code([&] { poly_power(p.get(), 9, r, nullptr); });
        const bool refused = alloc_fault_countdown == 0;
        refuse_allocation(0);
        if (!refused) {
            EXPECT_EQ(code, -1);
            EXPECT_TRUE(same_poly(r.get(), expected.get(), 2));
            break;
        }
        EXPECT_EQ(code, kErrOutOfMemory) << "allocation " << n;
        EXPECT_TRUE(same_poly(p.get(), before.get(), 2)) << "allocation " << n;
        ++refusals;
    }
    testing::internal::GetCapturedStdout();
    EXPECT_GT(refusals, 10);
}
