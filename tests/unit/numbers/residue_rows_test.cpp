// The word-modulus row kernels against plain 64-bit remainders, on prime
// and composite moduli from 2 to the largest word modulus, rows of every
// length the vector loops split at.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "numbers/residue_rows.h"

using namespace tolmex;

namespace {

const std::vector<uint32_t> kModuli{2, 3, 4, 9, 32003, 65536, 1000000, 2147483629u, 2147483646u, 2147483647u};

std::vector<int32_t> residues(std::mt19937_64& rng, size_t len, uint32_t p) {
    std::vector<int32_t> v(len);
    for (auto& x : v) x = static_cast<int32_t>(rng() % p);
    if (len > 0) v[0] = static_cast<int32_t>(p - 1);  // the largest residue
    return v;
}

TEST(ResidueRows, KernelsAgreeWithRemainders) {
    const uint64_t seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937_64 rng(seed);
    for (uint32_t p : kModuli)
        for (int32_t len : {0, 1, 3, 7, 8, 9, 31, 100}) {
            const std::vector<int32_t> rk = residues(rng, len, p);
            std::vector<int32_t> ri = residues(rng, len, p);
            const std::vector<int32_t> before = ri;
            std::vector<uint32_t> f(len), fs(len);
            for (int32_t k = 0; k < len; ++k) {
                f[k] = k == 1 ? p - 1 : static_cast<uint32_t>(rng() % p);
                fs[k] = ShoupFactor(f[k], p).fs;
            }
            const uint32_t g = len % 2 ? p - 1 : static_cast<uint32_t>(rng() % p);
            residue_row_submul(ri.data(), rk.data(), len, g, p);
            uint64_t dot = 0;
            for (int32_t k = 0; k < len; ++k) {
                const uint64_t prod = static_cast<uint64_t>(g) * static_cast<uint32_t>(rk[k]) % p;
                ASSERT_EQ(static_cast<uint64_t>(ri[k]), (before[k] + p - prod) % p) << "p " << p << " k " << k;
                ASSERT_EQ(ShoupFactor(g, p).times(rk[k]), prod);
                dot = (dot + static_cast<uint64_t>(f[k]) * static_cast<uint32_t>(rk[k])) % p;
            }
            EXPECT_EQ(residue_dot(rk.data(), f.data(), fs.data(), len, p), dot) << "p " << p << " len " << len;
            EXPECT_EQ(residue_add(p - 1, p - 1, p), (2ull * (p - 1)) % p);
            EXPECT_EQ(residue_sub(0, p - 1, p), 1u % p);
        }
}

}  // namespace
