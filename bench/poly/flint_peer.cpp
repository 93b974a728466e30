// The peer measurements of bench/peers.sh in FLINT: the same workloads as
// the Tolmex statements, timed in CPU seconds around the operation only.
// Built by the script against libflint; Tolmex never links FLINT.
//
// usage: flint_peer sparse N | dense2 | power | onevar FILE |
//        gcd VARS G C1 C2 | ratsum N | gcdmodp FILE | detpoly FILE |
//        detint FILE | factor FILE | matform KIND FILE |
//        intfact N | intpow B E | intmul KA KB
// prints the CPU seconds of the operation and the term count of the result
// (the integer workloads: the digit count; intfact and intpow include the
// decimal text, intmul makes a = 3^KA and b = 7^KB first and prints the
// seconds per product of a repetition lasting a fifth of a second).
#include <flint/fmpz.h>
#include <flint/fmpz_mat.h>
#include <flint/fmpz_mpoly.h>
#include <flint/fmpz_poly.h>
#include <flint/nmod_mat.h>
#include <flint/nmod_poly.h>
#include <flint/nmod_poly_factor.h>

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

// The names of "x,y,..." as C strings (kept alive by names).
std::vector<const char*> var_names(const std::string& vars, std::vector<std::string>& names) {
    for (std::string v = vars; !v.empty();) {
        const size_t k = v.find(',');
        names.push_back(v.substr(0, k));
        v = k == std::string::npos ? "" : v.substr(k + 1);
    }
    std::vector<const char*> out;
    for (auto& n : names) out.push_back(n.c_str());
    return out;
}

// gcd(g c1, g c2) over Z; vars is "x,y,...", the polys are written out.
int gcd(const char* vars, const char* gs, const char* c1s, const char* c2s) {
    std::vector<std::string> names;
    std::vector<const char*> v = var_names(vars, names);
    fmpz_mpoly_ctx_t ctx;
    fmpz_mpoly_ctx_init(ctx, static_cast<slong>(v.size()), ORD_LEX);
    fmpz_mpoly_t g, c1, c2, a, b, r;
    for (auto* p : {g, c1, c2, a, b, r}) fmpz_mpoly_init(p, ctx);
    if (fmpz_mpoly_set_str_pretty(g, gs, v.data(), ctx) ||
        fmpz_mpoly_set_str_pretty(c1, c1s, v.data(), ctx) ||
        fmpz_mpoly_set_str_pretty(c2, c2s, v.data(), ctx))
        return 3;
    fmpz_mpoly_mul(a, g, c1, ctx);
    fmpz_mpoly_mul(b, g, c2, ctx);
    const double t0 = cpu();
    fmpz_mpoly_gcd(r, a, b, ctx);
    const double t1 = cpu();
    std::printf("%.4f %ld\n", t1 - t0, static_cast<long>(fmpz_mpoly_length(r, ctx)));
    return 0;
}

// The sum of 1/(x + i y) for i = 1 .. n, term by term, as num/den with the
// GCD cancelled after every step.
int ratsum(long n) {
    fmpz_mpoly_ctx_t ctx;
    fmpz_mpoly_ctx_init(ctx, 2, ORD_LEX);
    fmpz_mpoly_t num, den, t, u, g;
    for (auto* p : {num, den, t, u, g}) fmpz_mpoly_init(p, ctx);
    const char* v[] = {"x", "y"};
    fmpz_mpoly_one(den, ctx);
    const double t0 = cpu();
    for (long i = 1; i <= n; ++i) {
        const std::string term = "x+" + std::to_string(i) + "*y";
        fmpz_mpoly_set_str_pretty(t, term.c_str(), v, ctx);
        fmpz_mpoly_mul(u, num, t, ctx);
        fmpz_mpoly_add(num, u, den, ctx);
        fmpz_mpoly_mul(den, den, t, ctx);
        fmpz_mpoly_gcd(g, num, den, ctx);
        if (!fmpz_mpoly_is_one(g, ctx)) {
            fmpz_mpoly_divexact(num, num, g, ctx);
            fmpz_mpoly_divexact(den, den, g, ctx);
        }
    }
    const double t1 = cpu();
    std::printf("%.4f %ld\n", t1 - t0, static_cast<long>(fmpz_mpoly_length(num, ctx)));
    return 0;
}

// gcd(a c, b c) over Z/32003; the file holds a, b, c, constant term first.
int gcdmodp(const char* file) {
    std::ifstream in(file);
    nmod_poly_t p[3], x, y, r;
    for (auto& q : p) nmod_poly_init(q, 32003);
    for (auto* q : {x, y, r}) nmod_poly_init(q, 32003);
    for (auto& q : p) {
        std::string line;
        std::getline(in, line);
        char* s = line.data();
        long i = 0;
        for (char* tok = std::strtok(s, " "); tok; tok = std::strtok(nullptr, " "))
            nmod_poly_set_coeff_ui(q, i++, std::strtoul(tok, nullptr, 10));
    }
    nmod_poly_mul(x, p[0], p[2]);
    nmod_poly_mul(y, p[1], p[2]);
    const double t0 = cpu();
    nmod_poly_gcd(r, x, y);
    const double t1 = cpu();
    std::printf("%.4f %ld\n", t1 - t0, static_cast<long>(nmod_poly_degree(r)));
    return 0;
}

// The factorisation of the poly in FILE (the modulus, then the coefficients
// constant first) into irreducibles.
int factor(const char* file) {
    std::ifstream in(file);
    unsigned long m = 0;
    in >> m;
    nmod_poly_t f;
    nmod_poly_init(f, m);
    unsigned long c = 0;
    for (long i = 0; in >> c; ++i) nmod_poly_set_coeff_ui(f, i, c);
    nmod_poly_factor_t fac;
    nmod_poly_factor_init(fac);
    const double t0 = cpu();
    nmod_poly_factor(fac, f);
    const double t1 = cpu();
    std::printf("%.4f %ld\n", t1 - t0, static_cast<long>(fac->num));
    return 0;
}

// The determinant of the n x n polynomial matrix a over Z (destroyed) by
// fraction-free elimination: exact divisions by the previous pivot.
void bareiss(std::vector<fmpz_mpoly_struct>& a, long n, fmpz_mpoly_t det, const fmpz_mpoly_ctx_t ctx) {
    auto at = [&](long r, long c) { return &a[static_cast<size_t>(r * n + c)]; };
    fmpz_mpoly_t prev, t, u;
    for (auto* p : {prev, t, u}) fmpz_mpoly_init(p, ctx);
    fmpz_mpoly_one(prev, ctx);
    int sign = 1;
    for (long k = 0; k + 1 < n; ++k) {
        long r = k;
        while (r < n && fmpz_mpoly_is_zero(at(r, k), ctx)) ++r;
        if (r == n) {
            fmpz_mpoly_zero(det, ctx);
            return;
        }
        if (r != k) {
            sign = -sign;
            for (long c = 0; c < n; ++c) fmpz_mpoly_swap(at(r, c), at(k, c), ctx);
        }
        for (long i = k + 1; i < n; ++i)
            for (long j = k + 1; j < n; ++j) {
                fmpz_mpoly_mul(t, at(k, k), at(i, j), ctx);
                fmpz_mpoly_mul(u, at(i, k), at(k, j), ctx);
                fmpz_mpoly_sub(t, t, u, ctx);
                fmpz_mpoly_divexact(at(i, j), t, prev, ctx);
            }
        fmpz_mpoly_set(prev, at(k, k), ctx);
    }
    fmpz_mpoly_set(det, at(n - 1, n - 1), ctx);
    if (sign < 0) fmpz_mpoly_neg(det, det, ctx);
}

// The determinant of a polynomial matrix, computed reps times. The file
// holds the size, the repetitions, the variables "x,y,..." and the
// entries row by row, one a line.
int detpoly(const char* file) {
    std::ifstream in(file);
    long n = 0, reps = 1;
    std::string vars, line;
    in >> n >> reps >> vars;
    std::getline(in, line);
    std::vector<std::string> names;
    std::vector<const char*> v = var_names(vars, names);
    fmpz_mpoly_ctx_t ctx;
    fmpz_mpoly_ctx_init(ctx, static_cast<slong>(v.size()), ORD_LEX);
    std::vector<fmpz_mpoly_struct> a(static_cast<size_t>(n * n)), w(a.size());
    for (auto& e : a) {
        fmpz_mpoly_init(&e, ctx);
        std::getline(in, line);
        if (fmpz_mpoly_set_str_pretty(&e, line.c_str(), v.data(), ctx)) return 3;
    }
    for (auto& e : w) fmpz_mpoly_init(&e, ctx);
    fmpz_mpoly_t det;
    fmpz_mpoly_init(det, ctx);
    const double t0 = cpu();
    for (long k = 0; k < reps; ++k) {
        for (size_t i = 0; i < a.size(); ++i) fmpz_mpoly_set(&w[i], &a[i], ctx);
        bareiss(w, n, det, ctx);
    }
    const double t1 = cpu();
    std::printf("%.4f %ld\n", (t1 - t0) / static_cast<double>(reps), static_cast<long>(fmpz_mpoly_length(det, ctx)));
    return 0;
}

// The determinant of an integer matrix: the size, then the entries.
int detint(const char* file) {
    std::ifstream in(file);
    long n = 0;
    in >> n;
    fmpz_mat_t m;
    fmpz_mat_init(m, n, n);
    for (long r = 0; r < n; ++r)
        for (long c = 0; c < n; ++c) {
            long x = 0;
            in >> x;
            fmpz_set_si(fmpz_mat_entry(m, r, c), x);
        }
    fmpz_t d;
    fmpz_init(d);
    const double t0 = cpu();
    fmpz_mat_det(d, m);
    const double t1 = cpu();
    std::printf("%.4f %ld\n", t1 - t0, static_cast<long>(fmpz_sizeinbase(d, 10)));
    return 0;
}


// The size and the entries of a square integer matrix.
void read_square(const char* file, fmpz_mat_t m) {
    std::ifstream in(file);
    long n = 0;
    in >> n;
    fmpz_mat_init(m, n, n);
    for (long r = 0; r < n; ++r)
        for (long c = 0; c < n; ++c) {
            long x = 0;
            in >> x;
            fmpz_set_si(fmpz_mat_entry(m, r, c), x);
        }
}

// A normal form of an integer matrix: hnf, snf, charpoly, or rref of the
// matrix reduced modulo 32003.
int matform(const std::string& kind, const char* file) {
    fmpz_mat_t m, out;
    read_square(file, m);
    const long n = fmpz_mat_nrows(m);
    fmpz_mat_init(out, n, n);
    double t0 = 0, t1 = 0;
    long size = 0;
    if (kind == "hnf" || kind == "snf") {
        t0 = cpu();
        if (kind == "hnf") fmpz_mat_hnf(out, m); else fmpz_mat_snf(out, m);
        t1 = cpu();
        size = static_cast<long>(fmpz_sizeinbase(fmpz_mat_entry(out, n - 1, n - 1), 10));
    } else if (kind == "charpoly") {
        fmpz_poly_t p;
        fmpz_poly_init(p);
        t0 = cpu();
        fmpz_mat_charpoly(p, m);
        t1 = cpu();
        size = fmpz_poly_length(p);
    } else if (kind == "rref") {
        nmod_mat_t a;
        nmod_mat_init(a, n, n, 32003);
        fmpz_mat_get_nmod_mat(a, m);
        t0 = cpu();
        size = nmod_mat_rref(a);
        t1 = cpu();
    } else {
        return 2;
    }
    std::printf("%.4f %ld\n", t1 - t0, size);
    return 0;
}

// The decimal text of z; prints the seconds since t0 and the digit count.
int report_with_text(const fmpz_t z, double t0) {
    char* text = fmpz_get_str(nullptr, 10, z);
    const double t1 = cpu();
    std::printf("%.4f %zu\n", t1 - t0, std::strlen(text));
    flint_free(text);
    return 0;
}

int intfact(ulong n) {
    fmpz_t z;
    fmpz_init(z);
    const double t0 = cpu();
    fmpz_fac_ui(z, n);
    report_with_text(z, t0);
    fmpz_clear(z);
    return 0;
}

int intpow(ulong b, ulong e) {
    fmpz_t z;
    fmpz_init(z);
    const double t0 = cpu();
    fmpz_set_ui(z, b);
    fmpz_pow_ui(z, z, e);
    report_with_text(z, t0);
    fmpz_clear(z);
    return 0;
}

int intmul(ulong ka, ulong kb) {
    fmpz_t a, b, c;
    fmpz_init(a);
    fmpz_init(b);
    fmpz_init(c);
    fmpz_set_ui(a, 3);
    fmpz_pow_ui(a, a, ka);
    fmpz_set_ui(b, 7);
    fmpz_pow_ui(b, b, kb);
    long reps = 0;
    const double t0 = cpu();
    double t = 0;
    for (long batch = 1; t < 0.2; batch *= 2) {
        for (long i = 0; i < batch; ++i) fmpz_mul(c, a, b);
        reps += batch;
        t = cpu() - t0;
    }
    std::printf("%.3g %zu\n", t / static_cast<double>(reps), fmpz_sizeinbase(c, 10));
    fmpz_clear(a);
    fmpz_clear(b);
    fmpz_clear(c);
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
    if (w == "gcd" && argc > 5) return gcd(argv[2], argv[3], argv[4], argv[5]);
    if (w == "ratsum" && argc > 2) return ratsum(std::atol(argv[2]));
    if (w == "gcdmodp" && argc > 2) return gcdmodp(argv[2]);
    if (w == "detpoly" && argc > 2) return detpoly(argv[2]);
    if (w == "detint" && argc > 2) return detint(argv[2]);
    if (w == "factor" && argc > 2) return factor(argv[2]);
    if (w == "matform" && argc > 3) return matform(argv[2], argv[3]);
    if (w == "intfact" && argc > 2) return intfact(std::strtoul(argv[2], nullptr, 10));
    if (w == "intpow" && argc > 3)
        return intpow(std::strtoul(argv[2], nullptr, 10), std::strtoul(argv[3], nullptr, 10));
    if (w == "intmul" && argc > 3)
        return intmul(std::strtoul(argv[2], nullptr, 10), std::strtoul(argv[3], nullptr, 10));
    return 2;
}
