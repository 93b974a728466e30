// The dense modular kernels against plain references: the schoolbook
// convolution (vector and portable code) and the array Karatsuba against a
// 128-bit reference convolution, and the two-variable product on shifted
// and unbalanced row blocks, prime and composite moduli. (The array division
// is checked with the other division entries.)
#include "poly/poly_dense.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <vector>

#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_divide_methods.h"
#include "poly/poly_internal.h"
#include "poly/poly_mult_methods.h"
#include "poly/poly_settings.h"
#include "poly_support.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"

using namespace tolmex;
using namespace tolmex::polyimpl;
using namespace polytest;

namespace {

std::vector<int32_t> reference_product(const std::vector<int32_t>& x,
                                       const std::vector<int32_t>& y) {
    std::vector<int32_t> z(x.size() + y.size() - 1, 0);
    for (size_t k = 0; k < z.size(); ++k) {
        unsigned __int128 s = 0;
        int32_t f = 0;
        for (size_t i = 0; i < x.size(); ++i) {
            if (k < i || k - i >= y.size()) continue;
            if (finf)
                f ^= modmult(x[i], y[k - i]);
            else
                s += static_cast<uint64_t>(x[i]) * static_cast<uint64_t>(y[k - i]);
        }
        z[k] = finf ? f : static_cast<int32_t>(s % static_cast<uint64_t>(modulus));
    }
    return z;
}

// Random residues; with `extreme` every entry is m - 1 (the largest sums).
std::vector<int32_t> residues(std::mt19937_64& rng, size_t n, bool extreme) {
    const int32_t top = finf ? (modulus == 256 ? 255 : 65535) : modulus - 1;
    std::vector<int32_t> v(n);
    for (auto& e : v)
        e = extreme ? top : static_cast<int32_t>(rng() % (static_cast<uint64_t>(top) + 1));
    return v;
}

class VectorKernels {
public:
    explicit VectorKernels(bool on) : saved_(dense_vector_kernels) { dense_vector_kernels = on; }
    ~VectorKernels() { dense_vector_kernels = saved_; }

private:
    bool saved_;
};

const std::vector<int32_t> kModuli = {2,     3,          7,          32003, 32749,
                                      32767, 32768,      32769,      65521, 65535,
                                      65537, 2147483629, 2147483646, 256,   65536};

}  // namespace

TEST(DenseKernels, BasecaseMatchesReference) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 71);
    const std::vector<std::pair<int, int>> sizes = {
        {1, 1},   {1, 9},   {2, 2},   {3, 17},   {7, 8},   {8, 8},    {9, 9},    {15, 16},
        {16, 17}, {31, 33}, {40, 40}, {41, 200}, {100, 3}, {257, 64}, {300, 300}};
    for (int32_t m : kModuli) {
        Ring ring(m);
        for (auto [nx, ny] : sizes) {
            for (bool extreme : {false, true}) {
                const auto x = residues(rng, nx, extreme), y = residues(rng, ny, extreme);
                const auto want = reference_product(x, y);
                for (bool vec : {true, false}) {
                    VectorKernels k(vec);
                    // Guard words around the output catch overruns.
                    std::vector<int32_t> z(want.size() + 16, -7);
                    mul_basecase(x.data(), nx, y.data(), ny, z.data() + 8);
                    for (int i = 0; i < 8; ++i) {
                        ASSERT_EQ(z[i], -7);
                        ASSERT_EQ(z[z.size() - 1 - i], -7);
                    }
                    const std::vector<int32_t> got(z.begin() + 8, z.end() - 8);
                    ASSERT_EQ(got, want) << "modulus " << m << " sizes " << nx << " x " << ny
                                         << " vector " << vec << " extreme " << extreme;
                }
            }
        }
    }
}

TEST(DenseKernels, ArrayKaratsubaMatchesReference) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 72);
    for (int32_t m : {7, 32003, 65521, 2147483629, 65536}) {
        Ring ring(m);
        for (int cutoff : {2, 5, 40}) {
            Cutoffs cut(cutoff, 10, 25000, 140);
            for (auto [nx, ny] : std::vector<std::pair<int, int>>{
                     {90, 90}, {91, 37}, {250, 13}, {129, 300}, {333, 101}}) {
                const auto x = residues(rng, nx, false), y = residues(rng, ny, false);
                std::vector<int32_t> z(nx + ny - 1);
                fast_array_onevar_mult(x.data(), nx, y.data(), ny, z.data());
                ASSERT_EQ(z, reference_product(x, y))
                    << "modulus " << m << " cutoff " << cutoff << " sizes " << nx << " x " << ny;
            }
        }
    }
}

TEST(DenseKernels, TwoVariableBlocksWithOffsets) {
    POLYTEST_SEED_TRACE();
    std::mt19937_64 rng(seed() + 74);
    use_vars(2);
    for (int32_t m : {7, 6, 65521, 2147483629}) {
        Ring ring(m);
        // Main exponents lo_x .. hi_x, inner exponents lo_y .. hi_y.
        auto make = [&](int lo_x, int hi_x, int lo_y, int hi_y) {
            Poly acc;
            poly_set(0, acc);
            for (int i = lo_x; i <= hi_x; ++i)
                for (int j = lo_y; j <= hi_y; ++j) {
                    if (i != hi_x && rng() % 5 == 0) continue;
                    best_poly_add(
                        std::move(acc),
                        monomial_poly(int_number(1 + static_cast<int64_t>(rng() % 100000)), {i, j}),
                        acc);
                }
            return acc;
        };
        for (int round = 0; round < 3; ++round) {
            Poly a = make(3, 45, 4, 19), b = make(round == 0 ? 0 : 2, round == 2 ? 40 : 33, 7, 11);
            ASSERT_TRUE(try_fast_2_var(a.get(), b.get()));
            const Expansion want = exp_mult(expand(a.get(), 2), expand(b.get(), 2));
            for (int cutoff : {2, 40}) {
                Cutoffs cut(cutoff, 10, 25000, 140);
                Poly c;
                fastest_poly2_mult(a.get(), b.get(), c);
                ASSERT_TRUE(well_formed(c.get()));
                EXPECT_TRUE(expand(c.get(), 2) == want) << "modulus " << m << " round " << round;
                poly_mult(a.get(), b.get(), c, nullptr);  // the dispatcher picks it
                EXPECT_TRUE(expand(c.get(), 2) == want);
            }
            // Unbalanced main degrees refuse the method.
            EXPECT_FALSE(try_fast_2_var(a.get(), make(0, 3, 0, 3).get()));
        }
    }
}
