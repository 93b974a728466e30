// The peer measurements of bench/peers.sh in FLINT: the same workloads as
// the Tolmex statements, timed in CPU seconds around the operation only.
// Built by the script against libflint; Tolmex never links FLINT.
//
// usage: flint_peer sparse N | dense2 | power | onevar FILE
// prints the CPU seconds of the operation and the term count of the result.
#include <flint/fmpz_mpoly.h>
#include <flint/fmpz_poly.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

double cpu() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

int sparse(long n) {
    fmpz_mpoly_ctx_t ctx;
    fmpz_mpoly_ctx_init(ctx, 4, ORD_LEX);
    fmpz_mpoly_t f, g, h;
    fmpz_mpoly_init(f, ctx);
    fmpz_mpoly_init(g, ctx);
    fmpz_mpoly_init(h, ctx);
    const char* v[] = {"x", "y", "z", "t"};
    fmpz_mpoly_set_str_pretty(f, "1+x+y+z+t", v, ctx);
    fmpz_mpoly_pow_ui(f, f, static_cast<ulong>(n), ctx);
    const double t0 = cpu();
    fmpz_mpoly_add_ui(g, f, 1, ctx);
    fmpz_mpoly_mul(h, f, g, ctx);
    const double t1 = cpu();
    std::printf("%.4f %ld\n", t1 - t0, static_cast<long>(fmpz_mpoly_length(h, ctx)));
    return 0;
}

int dense2() {
    fmpz_mpoly_ctx_t ctx;
    fmpz_mpoly_ctx_init(ctx, 2, ORD_LEX);
    fmpz_mpoly_t f, g, h;
    fmpz_mpoly_init(f, ctx);
    fmpz_mpoly_init(g, ctx);
    fmpz_mpoly_init(h, ctx);
    const char* v[] = {"x", "y"};
    fmpz_mpoly_set_str_pretty(f, "x+y+1", v, ctx);
    fmpz_mpoly_pow_ui(f, f, 200, ctx);
    const double t0 = cpu();
    fmpz_mpoly_add_ui(g, f, 1, ctx);
    fmpz_mpoly_mul(h, f, g, ctx);
    const double t1 = cpu();
    std::printf("%.4f %ld\n", t1 - t0, static_cast<long>(fmpz_mpoly_length(h, ctx)));
    return 0;
}

int power() {
    fmpz_mpoly_ctx_t ctx;
    fmpz_mpoly_ctx_init(ctx, 3, ORD_LEX);
    fmpz_mpoly_t p;
    fmpz_mpoly_init(p, ctx);
    const char* v[] = {"x", "y", "z"};
    fmpz_mpoly_set_str_pretty(p, "x+y+z+1", v, ctx);
    const double t0 = cpu();
    fmpz_mpoly_pow_ui(p, p, 40, ctx);
    const double t1 = cpu();
    std::printf("%.4f %ld\n", t1 - t0, static_cast<long>(fmpz_mpoly_length(p, ctx)));
    return 0;
}

// The file holds two lines of decimal coefficients, constant term first.
int onevar(const char* file) {
    std::ifstream in(file);
    fmpz_poly_t a[2], c;
    fmpz_poly_init(c);
    fmpz_t x;
    fmpz_init(x);
    for (auto& p : a) {
        fmpz_poly_init(p);
        std::string line;
        std::getline(in, line);
        char* s = line.data();
        long i = 0;
        for (char* tok = std::strtok(s, " "); tok; tok = std::strtok(nullptr, " ")) {
            fmpz_set_str(x, tok, 10);
            fmpz_poly_set_coeff_fmpz(p, i++, x);
        }
    }
    const double t0 = cpu();
    fmpz_poly_mul(c, a[0], a[1]);
    const double t1 = cpu();
    std::printf("%.4f %ld\n", t1 - t0, static_cast<long>(fmpz_poly_length(c)));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string w = argv[1];
    if (w == "sparse" && argc > 2) return sparse(std::atol(argv[2]));
    if (w == "dense2") return dense2();
    if (w == "power") return power();
    if (w == "onevar" && argc > 2) return onevar(argv[2]);
    return 2;
}
