// The digit-span kernels on exact-size buffers with canary digits around
// every output, against GMP's mpn layer on the same magnitudes.
#include <gmp.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "base/errors.h"
#include "numbers/kernels.h"
#include "numbers/mul_div.h"
#include "support.h"

using namespace tolmex;

namespace {

constexpr Digit kCanary = 0x5A5A5A5;
constexpr int kPad = 8;

// A buffer of n digits with canaries on both sides.
struct Guarded {
    std::vector<Digit> v;
    explicit Guarded(int64_t n) : v(static_cast<size_t>(n + 2 * kPad), kCanary) {}
    Digit* data() { return v.data() + kPad; }
    bool intact() const {
        for (int i = 0; i < kPad; ++i)
            if (v[static_cast<size_t>(i)] != kCanary || v[v.size() - 1 - static_cast<size_t>(i)] != kCanary)
                return false;
        return true;
    }
};

std::vector<Digit> random_mag(std::mt19937_64& rng, int64_t n, bool top_nonzero = true) {
    std::vector<Digit> d(static_cast<size_t>(n));
    const int kind = static_cast<int>(rng() % 4);
    for (auto& x : d) x = kind == 0 ? (1 << 28) - 1 : static_cast<Digit>(rng() & 0xFFFFFFF);
    if (top_nonzero && d.back() == 0) d.back() = 1;
    return d;
}

void to_mpz(const Digit* d, int64_t n, mpz_t z) {
    mpz_import(z, static_cast<size_t>(n), -1, 4, 0, 4, d);
}

}  // namespace

TEST(Kernels, ProductsStayInsideTheirBuffers) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(numtest::seed() + 50);
    mpz_t x, y, want, got;
    mpz_inits(x, y, want, got, nullptr);
    for (int64_t cut : {1, 4, 32}) {
        for (int64_t na : {1, 2, 3, 5, 16, 33, 64, 65, 130, 257, 300}) {
            for (int64_t nb : {int64_t{1}, na / 3 + 1, na / 2 + 1, na}) {
                auto a = random_mag(rng, na), b = random_mag(rng, nb);
                Guarded r(na + nb), w(kern::mul_scratch(na, nb, cut) + 1);
                kern::mul_mag<kern::Base28>(r.data(), a.data(), na, b.data(), nb, w.data(), cut);
                ASSERT_TRUE(r.intact()) << na << "x" << nb << " cut " << cut;
                ASSERT_TRUE(w.intact()) << na << "x" << nb << " cut " << cut;
                to_mpz(a.data(), na, x);
                to_mpz(b.data(), nb, y);
                mpz_mul(want, x, y);
                to_mpz(r.data(), na + nb, got);
                ASSERT_EQ(mpz_cmp(got, want), 0) << na << "x" << nb << " cut " << cut;
                Guarded s(na + nb);
                kern::mul_basecase<kern::Base28>(s.data(), a.data(), na, b.data(), nb);
                ASSERT_TRUE(s.intact());
                to_mpz(s.data(), na + nb, got);
                ASSERT_EQ(mpz_cmp(got, want), 0);
            }
        }
    }
    mpz_clears(x, y, want, got, nullptr);
}

TEST(Kernels, DivisionStaysInsideItsBuffers) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(numtest::seed() + 51);
    mpz_t x, y, q, r, got;
    mpz_inits(x, y, q, r, got, nullptr);
    for (int64_t nb : {2, 3, 7, 40}) {
        for (int64_t extra : {0, 1, 2, 9, 50}) {
            const int64_t na = nb + extra;
            auto a = random_mag(rng, na), b = random_mag(rng, nb);
            if (rng() % 3 == 0) b.back() = 1;  // a small top digit: a large normalising shift
            Guarded qq(na - nb + 1), rr(nb), w(kern::divrem_scratch(na, nb) + 1);
            // The scratch must be aligned for 64-bit words.
            Digit* wa = w.data() + (reinterpret_cast<uintptr_t>(w.data()) % 8 ? 1 : 0);
            kern::divrem(qq.data(), rr.data(), a.data(), na, b.data(), nb, wa);
            ASSERT_TRUE(qq.intact() && rr.intact() && w.intact()) << na << "/" << nb;
            to_mpz(a.data(), na, x);
            to_mpz(b.data(), nb, y);
            mpz_tdiv_qr(q, r, x, y);
            to_mpz(qq.data(), na - nb + 1, got);
            ASSERT_EQ(mpz_cmp(got, q), 0) << na << "/" << nb;
            to_mpz(rr.data(), nb, got);
            ASSERT_EQ(mpz_cmp(got, r), 0) << na << "%" << nb;
        }
    }
    mpz_clears(x, y, q, r, got, nullptr);
}

// Every division method on the same operands against mpz_tdiv_qr: divisors
// on both sides of the recursive cut-off and well above it, dividends of 1
// to 5 times their length, divisors with the top digit 1 or maximal, and
// dividends just below a multiple of the divisor (the add-back steps).
TEST(Kernels, DivisionMethodsAgreeWithGmp) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(numtest::seed() + 53);
    using kern::DivMethod;
    const int64_t c = kern::div_recursive_cut();
    mpz_t x, y, m, q, r, got;
    mpz_inits(x, y, m, q, r, got, nullptr);
    for (int64_t nb : {c - 1, c, c + 1, 2 * c + 3, 7 * c, int64_t{3000}, int64_t{12000}}) {
        kern::ntt_prepare(2 * nb + 8);
        for (int64_t na : {nb, nb + 1, nb + c / 2, 2 * nb - 1, 2 * nb, 5 * nb + 3}) {
            if (nb > 5000 && na != 2 * nb && na != 5 * nb + 3) continue;
            const int kind = static_cast<int>(rng() % 4);
            auto b = random_mag(rng, nb), a = random_mag(rng, na);
            if (kind == 1) b.back() = 1;
            if (kind == 2) b.back() = (1 << 28) - 1;
            to_mpz(b.data(), nb, y);
            if (kind == 3) {
                // a = b m - 1 for some m of na - nb digits.
                auto md = random_mag(rng, std::max<int64_t>(1, na - nb));
                to_mpz(md.data(), static_cast<int64_t>(md.size()), m);
                mpz_mul(x, y, m);
                mpz_sub_ui(x, x, 1);
                std::fill(a.begin(), a.end(), 0);
                mpz_export(a.data(), nullptr, -1, 4, 0, 4, x);
            }
            to_mpz(a.data(), na, x);
            mpz_tdiv_qr(q, r, x, y);
            for (DivMethod method : {DivMethod::kSchoolbook, DivMethod::kRecursive,
                                     DivMethod::kNewton, DivMethod::kAuto}) {
                if (nb > 5000 && method == DivMethod::kSchoolbook) continue;
                for (bool with_q : {true, false}) {
                    Guarded qq(na - nb + 1), rr(nb), w(kern::divrem_scratch(na, nb) + 1);
                    Digit* wa = w.data() + (reinterpret_cast<uintptr_t>(w.data()) % 8 ? 1 : 0);
                    kern::divrem(with_q ? qq.data() : nullptr, rr.data(), a.data(), na, b.data(),
                                 nb, wa, nullptr, method);
                    const std::string what = std::to_string(na) + "/" + std::to_string(nb) +
                                             " kind " + std::to_string(kind) + " method " +
                                             std::to_string(static_cast<int>(method));
                    ASSERT_TRUE(qq.intact() && rr.intact() && w.intact()) << what;
                    to_mpz(rr.data(), nb, got);
                    ASSERT_EQ(mpz_cmp(got, r), 0) << what;
                    if (!with_q) continue;
                    to_mpz(qq.data(), na - nb + 1, got);
                    ASSERT_EQ(mpz_cmp(got, q), 0) << what;
                }
            }
        }
    }
    mpz_clears(x, y, m, q, r, got, nullptr);
}

TEST(Kernels, SignedSumsInPlaceAndRipples) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(numtest::seed() + 52);
    mpz_t x, y, want, got;
    mpz_inits(x, y, want, got, nullptr);
    for (int64_t na : {1, 2, 15, 16, 17, 40, 200}) {
        for (int64_t nb : {int64_t{1}, na / 2 + 1, na}) {
            for (int rep = 0; rep < 4; ++rep) {
                auto a = random_mag(rng, na), b = random_mag(rng, nb);
                if (rep == 0) std::fill(a.begin(), a.end(), (1 << 28) - 1);  // ripple all the way
                Guarded r(na + 1);
                const int64_t n = kern::add_abs<kern::Base28>(r.data(), a.data(), na, b.data(), nb, -1);
                ASSERT_TRUE(r.intact());
                to_mpz(a.data(), na, x);
                to_mpz(b.data(), nb, y);
                mpz_add(want, x, y);
                std::vector<Digit> m(r.data(), r.data() + n);
                for (auto& d : m) {
                    ASSERT_LE(d, 0);
                    d = -d;
                }
                to_mpz(m.data(), n, got);
                ASSERT_EQ(mpz_cmp(got, want), 0);
                // a - b in place when |a| >= |b|.
                if (mpz_cmp(x, y) >= 0) {
                    std::vector<Digit> c = a;
                    const int64_t k = kern::sub_abs<kern::Base28>(c.data(), c.data(), na, b.data(), nb, 0);
                    mpz_sub(want, x, y);
                    to_mpz(c.data(), k, got);
                    ASSERT_EQ(mpz_cmp(got, want), 0);
                }
            }
        }
    }
    // Base 10^8: a run of 99999999 digits plus one.
    std::vector<Digit> nines(40, 99999999), one{1};
    Guarded r(41);
    const int64_t n = kern::add_abs<kern::Base1e8>(r.data(), nines.data(), 40, one.data(), 1, 0);
    ASSERT_TRUE(r.intact());
    EXPECT_EQ(n, 41);
    EXPECT_EQ(r.data()[40], 1);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(r.data()[i], 0);
    uint32_t borrow = kern::sub_into<kern::Base1e8>(r.data(), 41, one.data(), 1);
    EXPECT_EQ(borrow, 0u);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(r.data()[i], 99999999);
    mpz_clears(x, y, want, got, nullptr);
}

// The kernels leave a pending keyboard interrupt alone; the number-record
// operations take it before they start, leaving their destination as it was.
TEST(Kernels, NeverPollButTheirCallersDo) {
    NUMTEST_SEED_TRACE();
    std::mt19937_64 rng(numtest::seed() + 90);
    const int64_t na = 3000, nb = 1200;
    auto a = random_mag(rng, na), b = random_mag(rng, nb);
    std::vector<Digit> r(static_cast<size_t>(na + nb)), w(static_cast<size_t>(kern::mul_scratch(na, nb, 4)));
    interrupt_pending = 1;
    kern::mul_mag<kern::Base28>(r.data(), a.data(), na, b.data(), nb, w.data(), 4);
    std::vector<Digit> q(static_cast<size_t>(na - nb + 1)), rem(static_cast<size_t>(nb)),
        wd(static_cast<size_t>(kern::divrem_scratch(na, nb)));
    kern::divrem(q.data(), rem.data(), a.data(), na, b.data(), nb, wd.data());
    EXPECT_EQ(interrupt_pending, 1);

    // Taken, the interrupt unwinds as the code -1 (a new command level); the
    // handler here abandons the computation where it is taken.
    set_error_handler([](int code, const char*, bool) { throw RestartTopLevel{code}; });
    struct Restore {
        ~Restore() { set_error_handler(nullptr); }
    } restore;
    auto code_of = [](auto&& f) {
        try {
            f();
        } catch (RestartTopLevel& e) {
            return e.code;
        }
        return 0;  // no unwinding
    };
    Number x = numtest::random_number(rng, 600, 1), y = numtest::random_number(rng, 400, -1);
    Number dest = number_from_int64(77);
    EXPECT_EQ(code_of([&] { fast_mult(x, y, dest); }), -1);
    EXPECT_EQ(interrupt_pending, 0);
    int64_t v = 0;
    EXPECT_TRUE(to_int64(dest, v) && v == 77);
    interrupt_pending = 1;
    Number qq = number_from_int64(5), rr = number_from_int64(6);
    EXPECT_EQ(code_of([&] { divide(x, y, qq, rr); }), -1);
    EXPECT_EQ(interrupt_pending, 0);
    EXPECT_TRUE(to_int64(qq, v) && v == 5);
    // Without a pending interrupt both run to the end.
    EXPECT_EQ(code_of([&] { fast_mult(x, y, dest); }), 0);
    numtest::Mpz mx(x), my(y), mp;
    mpz_mul(mp.z, mx.z, my.z);
    EXPECT_TRUE(numtest::same(dest, mp));
}
