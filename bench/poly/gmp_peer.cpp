// The integer measurements of bench/peers.sh in GMP: the same workloads as
// the Tolmex statements, timed in CPU seconds around the operation only.
// Built by the script against libgmp; Tolmex never links it outside the
// tests and benchmarks.
//
// usage: gmp_peer fact N | pow B E | mul KA KB
//   fact, pow: N! or B^E and its decimal text (mpz_get_str); prints the
//   seconds and the digit count.
//   mul: a = 3^KA and b = 7^KB are made first; a * b is repeated until a
//   fifth of a second has passed; prints the seconds per product and the
//   product's digit count.
#include <gmp.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

double cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// The decimal text of z, its length printed after the seconds t.
void report_with_text(const mpz_t z, double t0) {
    std::vector<char> buf(mpz_sizeinbase(z, 10) + 2);
    mpz_get_str(buf.data(), 10, z);
    const double t1 = cpu();
    std::printf("%.4f %zu\n", t1 - t0, std::strlen(buf.data()));
}

int fact(unsigned long n) {
    mpz_t z;
    mpz_init(z);
    const double t0 = cpu();
    mpz_fac_ui(z, n);
    report_with_text(z, t0);
    mpz_clear(z);
    return 0;
}

int power(unsigned long b, unsigned long e) {
    mpz_t z;
    mpz_init(z);
    const double t0 = cpu();
    mpz_ui_pow_ui(z, b, e);
    report_with_text(z, t0);
    mpz_clear(z);
    return 0;
}

int mul(unsigned long ka, unsigned long kb) {
    mpz_t a, b, c;
    mpz_inits(a, b, c, nullptr);
    mpz_ui_pow_ui(a, 3, ka);
    mpz_ui_pow_ui(b, 7, kb);
    long reps = 0;
    const double t0 = cpu();
    double t = 0;
    for (long batch = 1; t < 0.2; batch *= 2) {
        for (long i = 0; i < batch; ++i) mpz_mul(c, a, b);
        reps += batch;
        t = cpu() - t0;
    }
    std::printf("%.3g %zu\n", t / static_cast<double>(reps), mpz_sizeinbase(c, 10));
    mpz_clears(a, b, c, nullptr);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string w = argv[1];
    const unsigned long x = std::strtoul(argv[2], nullptr, 10);
    if (w == "fact") return fact(x);
    if (argc < 4) return 2;
    const unsigned long y = std::strtoul(argv[3], nullptr, 10);
    if (w == "pow") return power(x, y);
    if (w == "mul") return mul(x, y);
    return 2;
}
