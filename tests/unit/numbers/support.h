// Shared helpers of the big-integer tests: seeded random operands of every
// size class and the start-up the numbers need (GMP is the oracle).
#pragma once

#include <gmp.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "numbers/decimal.h"
#include "numbers/gmp_oracle.h"
#include "numbers/number.h"
#include "numbers/field_tables.h"
#include "storage/stash.h"

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


// Random operands: n digits, the given sign (0 gives zero); the top digit is
// nonzero. Some operands are all-ones or have runs of zero digits, to drive
// the carries and borrows.
Number random_number(std::mt19937_64& rng, int n, int sign);
// The sizes every arithmetic test runs through.
inline const std::vector<int>& sizes() {
    static const std::vector<int> s{1, 2, 3, 15, 16, 17, 31, 32, 33, 100, 1000, 5000};
    return s;
}

// ---------------------------------------------------------------------------
// Slug size of the pools of poly nodes, quoly records and sparse entries.
constexpr int32_t kTestRecordBytes = 128;

inline void ensure_started() {
    static bool done = false;
    if (done) return;
    done = true;
    // The records of the layers above numbers get slugs of kTestRecordBytes,
    // room enough for any of them (tests of those layers assert it).
    tolmex::open_node_pools({kTestRecordBytes, kTestRecordBytes, tolmex::kDigitSlugBytes,
                             tolmex::kNumberRecordBytes, kTestRecordBytes});
    tolmex::init_numbers();
    tolmex::compute_field_tables();
}

struct Start : ::testing::Environment {
    void SetUp() override { ensure_started(); }
};
inline const auto* const start_environment = ::testing::AddGlobalTestEnvironment(new Start);

inline Number random_number(std::mt19937_64& rng, int n, int sign) {
    if (sign == 0 || n == 0) return tolmex::number_from_digits(std::vector<int32_t>{0});
    std::vector<int32_t> msf(static_cast<size_t>(n));
    const int kind = static_cast<int>(rng() % 8);
    for (int i = 0; i < n; ++i) {
        int32_t v;
        if (kind == 0)
            v = (1 << 28) - 1;  // all ones: carries everywhere
        else if (kind == 1)
            v = (rng() % 3 == 0) ? static_cast<int32_t>(rng() & 0xFFFFFFF) : 0;  // zero runs
        else
            v = static_cast<int32_t>(rng() & 0xFFFFFFF);
        msf[static_cast<size_t>(i)] = v;
    }
    if (msf[0] == 0) msf[0] = 1 + static_cast<int32_t>(rng() % 1000);
    if (sign < 0)
        for (auto& v : msf) v = -v;
    return tolmex::number_from_digits(msf);
}

}  // namespace numtest
