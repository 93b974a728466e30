// Big-integer kernels timed against GMP on the same operands in the same
// run: each case alternates batches of ours and GMP's, so that both see the
// same load on a shared machine, and reports both times and the ratio
// ours / GMP as counters; a table at the end collects the ratios.
//
// TOLMEX_MULTCUT=n re-measures the Karatsuba threshold.
#include <benchmark/benchmark.h>
#include <gmp.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "interpreter/startup.h"
#include "numbers/decimal.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "numbers/number.h"
#include "numbers/tables.h"
#include "storage/stash.h"

using namespace tolmex;

namespace {

std::mt19937_64 rng(12345);

Number random_digits(int64_t n) {
    std::vector<int32_t> msf(static_cast<size_t>(n));
    for (auto& d : msf) d = static_cast<int32_t>(rng() & 0xFFFFFFF);
    if (msf[0] == 0) msf[0] = 1;
    return number_from_digits(msf);
}

void to_mpz(const Number& x, mpz_t z) {
    auto d = x.digits();
    std::vector<uint32_t> mag(d.size());
    for (size_t i = 0; i < d.size(); ++i) mag[i] = static_cast<uint32_t>(d[i] < 0 ? -d[i] : d[i]);
    mpz_import(z, mag.size(), -1, 4, 0, 4, mag.data());
    if (x.sign() < 0) mpz_neg(z, z);
}

std::map<std::string, std::pair<double, double>>& results() {
    static std::map<std::string, std::pair<double, double>> r;
    return r;
}

struct Pair {
    Number a, b;
    mpz_t za, zb;
    Pair(int64_t na, int64_t nb) : a(random_digits(na)), b(random_digits(nb)) {
        mpz_inits(za, zb, nullptr);
        to_mpz(a, za);
        to_mpz(b, zb);
    }
    ~Pair() { mpz_clears(za, zb, nullptr); }
};

using Clock = std::chrono::steady_clock;

template <class Ours, class Gmp>
void compare(benchmark::State& st, const char* name, int64_t batch, Ours ours, Gmp gmp) {
    double t_ours = 0, t_gmp = 0;
    int64_t rounds = 0;
    for (auto _ : st) {
        const auto t0 = Clock::now();
        for (int64_t i = 0; i < batch; ++i) ours();
        const auto t1 = Clock::now();
        for (int64_t i = 0; i < batch; ++i) gmp();
        const auto t2 = Clock::now();
        t_ours += std::chrono::duration<double, std::nano>(t1 - t0).count();
        t_gmp += std::chrono::duration<double, std::nano>(t2 - t1).count();
        ++rounds;
    }
    const double n = static_cast<double>(rounds * batch);
    st.counters["ours_ns"] = t_ours / n;
    st.counters["gmp_ns"] = t_gmp / n;
    st.counters["ratio"] = t_ours / t_gmp;
    results()[std::string(name) + "/" + std::to_string(st.range(0))] = {t_ours / n, t_gmp / n};
}

int64_t batch_for(int64_t digits) { return digits <= 10 ? 512 : digits <= 100 ? 32 : 1; }

void BM_add(benchmark::State& st, const char* name) {
    Pair p(st.range(0), st.range(0));
    Number r;
    mpz_t zr;
    mpz_init(zr);
    compare(
        st, name, batch_for(st.range(0)),
        [&] {
            summ(p.a, p.b, r);
            benchmark::ClobberMemory();
        },
        [&] {
            mpz_add(zr, p.za, p.zb);
            benchmark::ClobberMemory();
        });
    mpz_clear(zr);
}

void BM_mul(benchmark::State& st, const char* name) {
    Pair p(st.range(0), st.range(0));
    Number r;
    mpz_t zr;
    mpz_init(zr);
    compare(
        st, name, batch_for(st.range(0)),
        [&] {
            fast_mult(p.a, p.b, r);
            benchmark::ClobberMemory();
        },
        [&] {
            mpz_mul(zr, p.za, p.zb);
            benchmark::ClobberMemory();
        });
    mpz_clear(zr);
}

// range(0) is the number of decimal digits of both operands. Measured with
// the four-row basecase and the cut-offs of kernels.cpp (ours / GMP, two
// runs): 100 digits 1.76-2.26, 300 1.6, 1000 1.15, 3000 1.15, 5000 1.45,
// 10^4 1.95, 2 10^4 1.5, 10^5 0.84, 10^6 0.6. Squares: 100 2.0,
// 300 2.3-2.5, 1000 1.25-1.4, 2000 1.45, 10^4 1.95-2.2, 10^5 0.93, 10^6 0.73.
// Products a * b, or squares a * a (the powers' and Karatsuba's own
// squares) when `square`.
template <bool square>
void BM_mul_decimal(benchmark::State& st, const char* name) {
    const int64_t n = static_cast<int64_t>(static_cast<double>(st.range(0)) / 8.4288) + 1;
    Pair p(n, n);
    const Number& b = square ? p.a : p.b;
    mpz_srcptr zb = square ? p.za : p.zb;
    Number r;
    mpz_t zr;
    mpz_init(zr);
    compare(
        st, name, n <= 12 ? 512 : n <= 120 ? 32 : 1,
        [&] {
            fast_mult(p.a, b, r);
            benchmark::ClobberMemory();
        },
        [&] {
            mpz_mul(zr, p.za, zb);
            benchmark::ClobberMemory();
        });
    mpz_clear(zr);
}

// Divisions of 2n digits by n digits, ours against mpz_tdiv_qr.
void divide_case(benchmark::State& st, const char* name, int64_t n, int64_t batch) {
    Pair p(2 * n, n);
    Number q, r;
    mpz_t zq, zr;
    mpz_inits(zq, zr, nullptr);
    compare(
        st, name, batch,
        [&] {
            divide(p.a, p.b, q, r);
            benchmark::ClobberMemory();
        },
        [&] {
            mpz_tdiv_qr(zq, zr, p.za, p.zb);
            benchmark::ClobberMemory();
        });
    mpz_clears(zq, zr, nullptr);
}

void BM_div(benchmark::State& st, const char* name) {
    divide_case(st, name, st.range(0), batch_for(st.range(0)));
}

// range(0) is the number of decimal digits of the divisor; the dividend has
// twice as many. Measured (ours / GMP, two runs on a loaded machine):
// 1000 digits 2.77 / 2.80, 10^4 2.36 / 2.69, 10^5 1.75 / 1.73 and 10^6
// 1.38 / 1.28 (the reciprocal; 2.14 / 2.02 by halves alone).
void BM_div_decimal(benchmark::State& st, const char* name) {
    const int64_t n = static_cast<int64_t>(static_cast<double>(st.range(0)) / 8.4288) + 1;
    divide_case(st, name, n, n <= 120 ? 32 : 1);
}

void BM_gcd(benchmark::State& st, const char* name) {
    Pair p(st.range(0), st.range(0));
    Number g;
    mpz_t zg;
    mpz_init(zg);
    compare(
        st, name, batch_for(st.range(0)) / 8 + 1,
        [&] {
            binary_gcd(p.a, p.b, g);
            benchmark::ClobberMemory();
        },
        [&] {
            mpz_gcd(zg, p.za, p.zb);
            benchmark::ClobberMemory();
        });
    mpz_clear(zg);
}

// range(0) is the number of decimal digits.
void BM_decimal_out(benchmark::State& st, const char* name) {
    const int64_t digits = st.range(0);
    Number x = random_digits(static_cast<int64_t>(static_cast<double>(digits) / 8.4288) + 1);
    mpz_t z;
    mpz_init(z);
    to_mpz(x, z);
    std::vector<char> buf(mpz_sizeinbase(z, 10) + 2);
    compare(
        st, name, 1,
        [&] {
            std::string s = number_to_decimal(x);
            benchmark::DoNotOptimize(s.data());
        },
        [&] {
            mpz_get_str(buf.data(), 10, z);
            benchmark::DoNotOptimize(buf.data());
        });
    mpz_clear(z);
}

void BM_factorial(benchmark::State& st, const char* name) {
    Number n = number_from_int64(st.range(0)), r;
    mpz_t z;
    mpz_init(z);
    compare(
        st, name, 1,
        [&] {
            factorial(n, r);
            benchmark::ClobberMemory();
        },
        [&] {
            mpz_fac_ui(z, static_cast<unsigned long>(st.range(0)));
            benchmark::ClobberMemory();
        });
    mpz_clear(z);
}

// The cut-off between factorial's two methods: here the "ours" column is
// the prime swing and the "gmp" column the product of ranges, which starts
// from the tabulated (10 k)! as it does once the data files are read.
void BM_factorial_cut(benchmark::State& st, const char* name) {
    for (int k = 0; k < kFactEntries; ++k) {
        mpz_t f;
        mpz_init(f);
        mpz_fac_ui(f, static_cast<unsigned long>(10 * k));
        std::vector<uint32_t> mag(mpz_sizeinbase(f, 2) / 28 + 2);
        size_t count = 0;
        mpz_export(mag.data(), &count, -1, 4, 0, 4, f);
        std::vector<int32_t> msf;
        for (size_t i = count; i-- > 0;) msf.push_back(static_cast<int32_t>(mag[i]));
        facts[k] = number_from_digits(msf);
        mpz_clear(f);
    }
    Number r;
    compare(
        st, name, st.range(0) < 1000 ? 32 : 1,
        [&] {
            factorial_by_swing(st.range(0), r);
            benchmark::ClobberMemory();
        },
        [&] {
            factorial_by_ranges(st.range(0), r);
            benchmark::ClobberMemory();
        });
}

void register_case(const char* name, void (*fn)(benchmark::State&, const char*),
                   const std::vector<int64_t>& args) {
    auto* b = benchmark::RegisterBenchmark(name, fn, name);
    for (int64_t a : args) b->Arg(a);
}

void print_table() {
    std::printf("\n%-24s %14s %14s %9s\n", "case", "ours (ns)", "gmp (ns)", "ours/gmp");
    for (const auto& [name, t] : results())
        std::printf("%-24s %14.1f %14.1f %9.2f\n", name.c_str(), t.first, t.second,
                    t.first / t.second);
}

}  // namespace

int main(int argc, char** argv) {
    open_node_pools(node_sizes());
    init_numbers();
    if (const char* c = std::getenv("TOLMEX_MULTCUT")) multcut = std::atoi(c);
    register_case("add", BM_add, {1, 2, 10, 100, 1000, 10000});
    register_case("mul", BM_mul, {1, 2, 10, 100, 1000, 10000});
    register_case("mul_decimal", BM_mul_decimal<false>, {100, 300, 1000, 3000, 5000, 10000, 20000, 100000, 1000000});
    register_case("sqr_decimal", BM_mul_decimal<true>, {100, 300, 1000, 2000, 10000, 100000, 1000000});
    register_case("div2n_n", BM_div, {10, 100, 1000});
    register_case("div_decimal", BM_div_decimal, {1000, 10000, 100000, 1000000});
    register_case("gcd", BM_gcd, {10, 100});
    register_case("decimal_out", BM_decimal_out, {10000, 100000, 1000000});
    register_case("factorial", BM_factorial, {10000, 30000, 100000, 1000000});
    register_case("fact_swing/ranges", BM_factorial_cut, {20, 100, 200, 300, 350, 400, 450, 500, 1000});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    print_table();
    benchmark::Shutdown();
    return 0;
}
