// Big-integer kernels timed against GMP on the same operands in the same
// run. Every case runs twice, as "ours/..." and "gmp/..."; the table at the
// end gives the ratio ours / GMP of the two times.
#include <benchmark/benchmark.h>
#include <gmp.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "interpreter/startup.h"
#include "numbers/decimal.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "numbers/number.h"
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
    mpz_set_ui(z, 0);
    auto d = x.digits();
    std::vector<uint32_t> mag(d.size());
    for (size_t i = 0; i < d.size(); ++i) mag[i] = static_cast<uint32_t>(d[i] < 0 ? -d[i] : d[i]);
    mpz_import(z, mag.size(), -1, 4, 0, 4, mag.data());
    if (x.sign() < 0) mpz_neg(z, z);
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

void BM_add(benchmark::State& st, bool ours) {
    Pair p(st.range(0), st.range(0));
    Number r;
    mpz_t zr;
    mpz_init(zr);
    for (auto _ : st) {
        if (ours)
            summ(p.a, p.b, r);
        else
            mpz_add(zr, p.za, p.zb);
        benchmark::ClobberMemory();
    }
    mpz_clear(zr);
}

void BM_mul(benchmark::State& st, bool ours) {
    Pair p(st.range(0), st.range(0));
    Number r;
    mpz_t zr;
    mpz_init(zr);
    for (auto _ : st) {
        if (ours)
            fast_mult(p.a, p.b, r);
        else
            mpz_mul(zr, p.za, p.zb);
        benchmark::ClobberMemory();
    }
    mpz_clear(zr);
}

void BM_div(benchmark::State& st, bool ours) {
    Pair p(2 * st.range(0), st.range(0));
    Number q, r;
    mpz_t zq, zr;
    mpz_inits(zq, zr, nullptr);
    for (auto _ : st) {
        if (ours)
            divide(p.a, p.b, q, r);
        else
            mpz_tdiv_qr(zq, zr, p.za, p.zb);
        benchmark::ClobberMemory();
    }
    mpz_clears(zq, zr, nullptr);
}

void BM_gcd(benchmark::State& st, bool ours) {
    Pair p(st.range(0), st.range(0));
    Number g;
    mpz_t zg;
    mpz_init(zg);
    for (auto _ : st) {
        if (ours)
            binary_gcd(p.a, p.b, g);
        else
            mpz_gcd(zg, p.za, p.zb);
        benchmark::ClobberMemory();
    }
    mpz_clear(zg);
}

// range(0) is the number of decimal digits.
void BM_decimal_out(benchmark::State& st, bool ours) {
    const int64_t digits = st.range(0);
    Number x = random_digits(static_cast<int64_t>(digits / 8.4288) + 1);
    mpz_t z;
    mpz_init(z);
    to_mpz(x, z);
    std::vector<char> buf(mpz_sizeinbase(z, 10) + 2);
    for (auto _ : st) {
        if (ours) {
            std::string s = number_to_decimal(x);
            benchmark::DoNotOptimize(s.data());
        } else {
            mpz_get_str(buf.data(), 10, z);
            benchmark::DoNotOptimize(buf.data());
        }
    }
    mpz_clear(z);
}

void BM_factorial(benchmark::State& st, bool ours) {
    Number n = number_from_int64(st.range(0)), r;
    mpz_t z;
    mpz_init(z);
    for (auto _ : st) {
        if (ours)
            factorial(n, r);
        else
            mpz_fac_ui(z, static_cast<unsigned long>(st.range(0)));
        benchmark::ClobberMemory();
    }
    mpz_clear(z);
}

// Collects the times and prints the ratios at the end.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            const std::string name = r.benchmark_name();
            times_[name] = r.GetAdjustedRealTime();
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-28s %14s %14s %9s\n", "case", "ours", "gmp", "ours/gmp");
        for (const auto& [name, t] : times_) {
            if (name.rfind("ours/", 0) != 0) continue;
            const std::string rest = name.substr(5);
            auto g = times_.find("gmp/" + rest);
            if (g == times_.end()) continue;
            std::printf("%-28s %14.1f %14.1f %9.2f\n", rest.c_str(), t, g->second, t / g->second);
        }
    }

private:
    std::map<std::string, double> times_;
};

void register_both(const char* name, void (*fn)(benchmark::State&, bool),
                   const std::vector<int64_t>& args) {
    for (int ours = 1; ours >= 0; --ours) {
        std::string full = std::string(ours ? "ours/" : "gmp/") + name;
        auto* b = benchmark::RegisterBenchmark(full.c_str(), fn, ours != 0);
        for (int64_t a : args) b->Arg(a);
        b->Unit(benchmark::kNanosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    open_node_pools(node_sizes());
    init_numbers();
    register_both("add", BM_add, {1, 2, 10, 100, 1000, 10000});
    register_both("mul", BM_mul, {1, 2, 10, 100, 1000, 10000});
    register_both("div2n_n", BM_div, {10, 100, 1000});
    register_both("gcd", BM_gcd, {10, 100});
    register_both("decimal_out", BM_decimal_out, {10000, 100000});
    register_both("factorial", BM_factorial, {10000});
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
