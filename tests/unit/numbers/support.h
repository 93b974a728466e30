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

#include "numbers/decimal.h"
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

inline std::string Mpz::str() const {
    char* s = mpz_get_str(nullptr, 10, z);
    std::string r = s;
    void (*freefunc)(void*, size_t);
    mp_get_memory_functions(nullptr, nullptr, &freefunc);
    freefunc(s, r.size() + 1);
    return r;
}

inline void to_mpz(const Number& x, Mpz& out) {
    mpz_set_ui(out.z, 0);
    auto d = x.digits();
    for (size_t i = d.size(); i-- > 0;) {
        mpz_mul_2exp(out.z, out.z, 28);
        mpz_add_ui(out.z, out.z, static_cast<unsigned long>(d[i] < 0 ? -d[i] : d[i]));
    }
    if (!d.empty() && x.sign() < 0) mpz_neg(out.z, out.z);
}

inline Number from_mpz(const Mpz& in) {
    size_t count = 0;
    std::vector<uint32_t> buf(mpz_sizeinbase(in.z, 2) / 28 + 2);
    mpz_export(buf.data(), &count, -1, 4, 0, 4, in.z);
    if (count == 0) count = 1, buf[0] = 0;
    std::vector<int32_t> msf;
    const int s = mpz_sgn(in.z);
    for (size_t i = count; i-- > 0;)
        msf.push_back(s < 0 ? -static_cast<int32_t>(buf[i]) : static_cast<int32_t>(buf[i]));
    return tolmex::number_from_digits(msf);
}

inline bool well_formed(const Number& x) {
    auto d = x.digits();
    if (d.empty()) return false;
    if (d.size() > 1 && d.back() == 0) return false;
    const int s = x.sign();
    for (int32_t v : d) {
        if (v >= (1 << 28) || v <= -(1 << 28)) return false;
        if ((s > 0 && v < 0) || (s < 0 && v > 0)) return false;
    }
    return true;
}

inline ::testing::AssertionResult same(const Number& x, const Mpz& m) {
    if (!well_formed(x)) return ::testing::AssertionFailure() << "malformed digits";
    Mpz got;
    to_mpz(x, got);
    if (mpz_cmp(got.z, m.z) == 0) return ::testing::AssertionSuccess();
    std::string g = got.str(), w = m.str();
    if (g.size() > 200) g = g.substr(0, 90) + "..." + g.substr(g.size() - 90);
    if (w.size() > 200) w = w.substr(0, 90) + "..." + w.substr(w.size() - 90);
    return ::testing::AssertionFailure() << "got " << g << "\nwant " << w;
}

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
