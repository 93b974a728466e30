// Shared helpers of the big-integer tests: GMP as the oracle, seeded random
// operands of every size class, and the start-up the numbers need.
#pragma once

#include <gmp.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "numbers/number.h"

namespace numtest {

using tolmex::Number;

// The seed of this run: TOLMEX_SEED from the environment, else a fixed one.
inline uint64_t seed() {
    static const uint64_t s = [] {
        const char* e = std::getenv("TOLMEX_SEED");
        return e ? std::strtoull(e, nullptr, 10) : 20261206ull;
    }();
    return s;
}

#define NUMTEST_SEED_TRACE() SCOPED_TRACE("seed " + std::to_string(numtest::seed()))

// Opens the node pools and builds the constants once.
void ensure_started();

class Mpz {
public:
    Mpz() { mpz_init(z); }
    explicit Mpz(const char* dec) { mpz_init_set_str(z, dec, 10); }
    ~Mpz() { mpz_clear(z); }
    Mpz(const Mpz&) = delete;
    Mpz& operator=(const Mpz&) = delete;
    mpz_t z;
    std::string str() const;
};

void to_mpz(const Number& x, Mpz& out);
Number from_mpz(const Mpz& in);
// The digits must be normalised with every digit carrying the sign.
bool well_formed(const Number& x);
// x equals the GMP value, with a readable failure message.
::testing::AssertionResult same(const Number& x, const Mpz& m);

// Random operands: n digits, the given sign (0 gives zero); the top digit is
// nonzero. Some operands are all-ones or have runs of zero digits, to drive
// the carries and borrows.
Number random_number(std::mt19937_64& rng, int n, int sign);
// The sizes every arithmetic test runs through.
inline const std::vector<int>& sizes() {
    static const std::vector<int> s{1, 2, 3, 15, 16, 17, 31, 32, 33, 100, 1000, 5000};
    return s;
}

}  // namespace numtest
