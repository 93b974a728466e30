// Big integers when memory runs out (each refused allocation of a statement
// is the fault tests' work): results known to be too large are refused
// before the work; the digit arrays taken from the heap are counted.
#include <gtest/gtest.h>

#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "raised.h"
#include "storage/accounting.h"
#include "support.h"

using namespace tolmex;

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
