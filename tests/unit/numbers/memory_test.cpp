// Big integers when memory runs out: every allocation of an operation
// refused in turn ends it in error 375 with the operands intact; results
// known to be too large are refused before the work; the digit arrays taken
// from the heap are counted.
#include <gtest/gtest.h>

#include "base/alloc_faults.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "raised.h"
#include "storage/accounting.h"
#include "support.h"

using namespace tolmex;
using numtest::Mpz;

namespace {

struct Disarm {
    ~Disarm() { refuse_allocation(0); }
};

// Runs op with its n-th allocation refused for every n until it completes;
// each refusal must end it in error 375. Returns the number of refusals.
template <class Op>
int refuse_each(Op op) {
    Disarm d;
    testing::internal::CaptureStdout();  // the pools' out-of-memory reports
    int refusals = 0;
    for (int64_t n = 1;; ++n) {
        refuse_allocation(n);
        const int code = unit::raised_code(op);
        const bool refused = alloc_fault_countdown == 0;
        refuse_allocation(0);
        if (!refused) {
            testing::internal::GetCapturedStdout();
            EXPECT_EQ(code, -1) << "allocation " << n;
            return refusals;
        }
        EXPECT_EQ(code, kErrOutOfMemory) << "allocation " << n;
        ++refusals;
    }
}

}  // namespace

TEST(NumberMemory, EachRefusedAllocationEndsInErrorAndSparesTheOperands) {
    Mpz ma, mb;
    mpz_ui_pow_ui(ma.z, 7, 9000);  // some 900 digits: the Karatsuba products
    mpz_ui_pow_ui(mb.z, 11, 7000);
    mpz_neg(mb.z, mb.z);
    const Number a = numtest::from_mpz(ma), b = numtest::from_mpz(mb);
    Mpz prod, quot;
    mpz_mul(prod.z, ma.z, mb.z);
    mpz_tdiv_q(quot.z, ma.z, mb.z);
    const std::string a_text = ma.str(), b_text = mb.str();
    auto check_operands = [&] {
        Mpz x, y;
        numtest::to_mpz(a, x);
        numtest::to_mpz(b, y);
        EXPECT_EQ(x.str(), a_text);
        EXPECT_EQ(y.str(), b_text);
    };
    Number r;
    EXPECT_GT(refuse_each([&] { fast_mult(a, b, r); }), 0);
    check_operands();
    Mpz got;
    numtest::to_mpz(r, got);
    EXPECT_EQ(got.str(), prod.str());
    // Into one of the operands' own record.
    Number c;
    num_assign(a, c);
    refuse_each([&] {
        num_assign(a, c);
        fast_mult(c, b, c);
    });
    numtest::to_mpz(c, got);
    EXPECT_EQ(got.str(), prod.str());
    Number q, rem;
    EXPECT_GT(refuse_each([&] { divide(a, b, q, rem); }), 0);
    check_operands();
    numtest::to_mpz(q, got);
    EXPECT_EQ(got.str(), quot.str());
    // After all that the pools still serve correct arithmetic.
    Number again;
    fast_mult(a, b, again);
    EXPECT_TRUE(spec_equal(again, r));
}

TEST(NumberMemory, ResultsTooLargeAreRefusedBeforeTheWork) {
    Number n, r;
    set_int64(2147483647, n);
    EXPECT_EQ(unit::raised_code([&] { factorial(n, r); }), kErrOutOfMemory);
    set_int64(int64_t{1} << 40, n);
    EXPECT_EQ(unit::raised_code([&] { factorial(n, r); }), kErrOutOfMemory);
    EXPECT_FALSE(r);  // the destination was never touched
    EXPECT_EQ(unit::raised_code([] { require_digits(kMaxDigits + 1.0); }), kErrOutOfMemory);
    // 2^(2^20) to the power 2^20 has 2^40 bits.
    Number big;
    set_int64(1, big);
    shift_left(big, int64_t{1} << 20);
    EXPECT_EQ(unit::raised_code([&] { require_power_digits(big, int64_t{1} << 20); }),
              kErrOutOfMemory);
    // Never refused: what fits, and bases that do not grow.
    EXPECT_EQ(unit::raised_code([&] { require_power_digits(big, 3); }), -1);
    Number one, zero, minus_one;
    set_int64(1, one);
    set_int64(0, zero);
    set_int64(-1, minus_one);
    for (const Number* x : {&one, &zero, &minus_one})
        EXPECT_EQ(unit::raised_code([&] { require_power_digits(*x, int64_t{1} << 50); }), -1);
    set_int64(1000, n);
    EXPECT_EQ(unit::raised_code([&] { factorial(n, r); }), -1);
}

TEST(NumberMemory, HeapDigitArraysAreCounted) {
    std::vector<int32_t> digits(300000, 5);  // class of 524288 digits: 2 MiB
    const uint64_t before = heap_array_bytes;
    {
        Number x = number_from_digits(digits);
        EXPECT_EQ(heap_array_bytes - before, uint64_t{1} << 21);
    }
    // Arrays of a megabyte and more go back to the heap.
    EXPECT_EQ(heap_array_bytes, before);
    // Smaller ones stay parked on their class list and stay counted.
    digits.resize(5000);  // class of 8192 digits: 32 KiB
    uint64_t held;
    {
        Number y = number_from_digits(digits);
        held = heap_array_bytes;
        EXPECT_TRUE(held == before || held == before + 32768);
    }
    EXPECT_EQ(heap_array_bytes, held);
    // The three smallest classes are numstash slugs, counted by the stash.
    digits.resize(10);
    {
        Number z = number_from_digits(digits);
        EXPECT_EQ(heap_array_bytes, held);
    }
}
