// Modular poly products and divisions timed against FLINT on the same
// random dense operands in the same run: one-variable products and
// quotient-with-remainder (degree 2n by degree n) over Z/p for p = 32003 and
// p = 2147483629, against nmod_poly; quotient-with-remainder of unbalanced
// shapes over Z/65521 (quotients from 3 to 25 times as long as the divisor,
// whose degree is in the hundreds or thousands: the block division), against
// nmod_poly; dense two-variable products over Z/32003 against nmod_mpoly. Each case alternates a batch of ours with a batch of
// FLINT's, so that both see the same load on a shared machine, checks once
// that both sides computed the same thing, and reports both CPU times and
// the ratio ours / FLINT as counters. A table at the end collects the ratios
// and the growth of the times when the degree is multiplied by 10.
//
// Without FLINT (TOLMEX_HAVE_FLINT unset) only our side is timed.
//
// The ring is set up the way the "&p" command does it: change_to_modular
// before each case and change_to_rational after, so the cutoffs are those a
// user gets after switching to modular mode. The environment variables
// listed at setting_from_env override them, to re-measure a threshold.
#include <benchmark/benchmark.h>

#ifdef TOLMEX_HAVE_FLINT
#include <flint/nmod_mpoly.h>
#include <flint/nmod_poly.h>
#endif

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "interpreter/startup.h"
#include "numbers/number.h"
#include "poly/poly.h"
#include "poly/poly_arith.h"
#include "poly/poly_divide.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "numbers/modular_state.h"
#include "rings/ring_change.h"
#include "storage/stash.h"

using namespace tolmex;

namespace {

#ifdef TOLMEX_HAVE_FLINT
constexpr bool kHaveFlint = true;
#else
constexpr bool kHaveFlint = false;
#endif

constexpr int32_t kSmallPrime = 32003;
constexpr int32_t kLargePrime = 2147483629;

std::mt19937_64 rng(20240611);

// Dense coefficients: c[e] is the coefficient of x^e, every one nonzero.
using Coeffs = std::vector<uint32_t>;
// Two variables: c[i][j] is the coefficient of x^i y^j.
using Coeffs2 = std::vector<Coeffs>;

Coeffs random_coeffs(int32_t deg, int32_t p) {
    Coeffs c(static_cast<size_t>(deg) + 1);
    for (auto& v : c) v = static_cast<uint32_t>(rng() % static_cast<uint64_t>(p - 1)) + 1;
    return c;
}

// ---------------------------------------------------------------------------
// Tolmex operands (modular mode: residues in the lint word)

PolyNode* residue_node(uint32_t v) {
    Number x;
    setvalue(0, x);
    x.set_lint(static_cast<int32_t>(v));
    return number_node(std::move(x));
}

// The poly sum c[e] x_k^e at the level of x_k: terms of decreasing exponent,
// the constant term a number node, coefficients of the other terms the
// one-node lists one level down. Null when every coefficient is 0.
PolyNode* onevar_poly(const Coeffs& c) {
    Poly head;
    PolyNode** tail = &head.raw();
    for (size_t i = c.size(); i-- > 0;) {
        if (c[i] == 0) continue;
        PolyNode* n = residue_node(c[i]);
        if (i != 0) n = term_node(static_cast<int32_t>(i), n);
        *tail = n;
        tail = &n->next;
    }
    return head.release();
}

// The poly sum c[i][j] x^i y^j with x at level 1 and y at level 2.
PolyNode* twovar_poly(const Coeffs2& c) {
    Poly head;
    PolyNode** tail = &head.raw();
    for (size_t i = c.size(); i-- > 0;) {
        PolyNode* inner = onevar_poly(c[i]);
        if (!inner) continue;
        PolyNode* n =
            i == 0 && poly_is_const(inner) ? inner : term_node(static_cast<int32_t>(i), inner);
        *tail = n;
        tail = &n->next;
    }
    return head.release();
}

#ifdef TOLMEX_HAVE_FLINT
// Our results read back as coefficients, to compare with FLINT's: the
// residue of a term of a one-variable list, then whole polys.
uint32_t term_residue(const PolyNode* n) {
    return static_cast<uint32_t>(n->isnum ? n->num.lint() : n->sub->num.lint());
}

Coeffs onevar_coeffs(const PolyNode* p) {
    Coeffs c;
    if (poly_iszero(p)) return c;
    c.assign(static_cast<size_t>(p->isnum ? 0 : p->expo) + 1, 0);
    for (; p; p = p->next) c[static_cast<size_t>(p->isnum ? 0 : p->expo)] = term_residue(p);
    return c;
}

Coeffs2 twovar_coeffs(const PolyNode* p) {
    Coeffs2 c;
    if (poly_iszero(p)) return c;
    c.resize(static_cast<size_t>(p->isnum ? 0 : p->expo) + 1);
    for (; p; p = p->next) {
        if (p->isnum)
            c[0] = Coeffs{static_cast<uint32_t>(p->num.lint())};
        else
            c[static_cast<size_t>(p->expo)] = onevar_coeffs(p->sub);
    }
    return c;
}

// Drops high zero coefficients, so that results compare by value.
void trim(Coeffs& c) {
    while (!c.empty() && c.back() == 0) c.pop_back();
}
void trim(Coeffs2& c) {
    for (auto& row : c) trim(row);
    while (!c.empty() && c.back().empty()) c.pop_back();
}
#endif

// A setting from the environment, when given: TOLMEX_POLY_CUTOFF,
// TOLMEX_DIV_POLY_CUTOFF, TOLMEX_FAST_GCD_SIZE, TOLMEX_SIMPLEST_POLY_CUTOFF
// and TOLMEX_FAST_MULT_CUT re-measure the thresholds of the modular poly
// arithmetic.
void setting_from_env(const char* var, int& setting) {
    if (const char* v = std::getenv(var)) setting = std::atoi(v);
}

// The ring of one case: modular mode with modulus p (and the cutoffs that
// switching gives, unless the environment sets them), rational mode again
// when the case ends.
class ModularRing {
public:
    explicit ModularRing(int32_t p) {
        change_to_modular(p, false);
        setting_from_env("TOLMEX_POLY_CUTOFF", poly_cutoff);
        setting_from_env("TOLMEX_DIV_POLY_CUTOFF", div_poly_cutoff);
        setting_from_env("TOLMEX_FAST_GCD_SIZE", fast_gcd_size);
        setting_from_env("TOLMEX_SIMPLEST_POLY_CUTOFF", simplest_poly_cutoff);
        setting_from_env("TOLMEX_FAST_MULT_CUT", fast_mult_cut);
    }
    ~ModularRing() { change_to_rational(false); }
    ModularRing(const ModularRing&) = delete;
    ModularRing& operator=(const ModularRing&) = delete;
};

// ---------------------------------------------------------------------------
// FLINT operands

#ifdef TOLMEX_HAVE_FLINT
struct FlintPoly {
    nmod_poly_t f;
    explicit FlintPoly(int32_t p) { nmod_poly_init(f, static_cast<mp_limb_t>(p)); }
    FlintPoly(int32_t p, const Coeffs& c) : FlintPoly(p) {
        nmod_poly_fit_length(f, static_cast<slong>(c.size()));
        for (size_t i = 0; i < c.size(); ++i)
            nmod_poly_set_coeff_ui(f, static_cast<slong>(i), c[i]);
    }
    ~FlintPoly() { nmod_poly_clear(f); }
    FlintPoly(const FlintPoly&) = delete;
    FlintPoly& operator=(const FlintPoly&) = delete;
    Coeffs coeffs() const {
        Coeffs c(static_cast<size_t>(nmod_poly_length(f)));
        for (size_t i = 0; i < c.size(); ++i)
            c[i] = static_cast<uint32_t>(nmod_poly_get_coeff_ui(f, static_cast<slong>(i)));
        return c;
    }
};

struct FlintRing2 {
    nmod_mpoly_ctx_t ctx;
    explicit FlintRing2(int32_t p) {
        nmod_mpoly_ctx_init(ctx, 2, ORD_LEX, static_cast<mp_limb_t>(p));
    }
    ~FlintRing2() { nmod_mpoly_ctx_clear(ctx); }
    FlintRing2(const FlintRing2&) = delete;
    FlintRing2& operator=(const FlintRing2&) = delete;
};

struct FlintPoly2 {
    const FlintRing2& r;
    nmod_mpoly_t f;
    explicit FlintPoly2(const FlintRing2& ring) : r(ring) { nmod_mpoly_init(f, r.ctx); }
    FlintPoly2(const FlintRing2& ring, const Coeffs2& c) : FlintPoly2(ring) {
        for (size_t i = 0; i < c.size(); ++i)
            for (size_t j = 0; j < c[i].size(); ++j) {
                if (c[i][j] == 0) continue;
                ulong e[2] = {i, j};
                nmod_mpoly_push_term_ui_ui(f, c[i][j], e, r.ctx);
            }
        nmod_mpoly_sort_terms(f, r.ctx);
        nmod_mpoly_combine_like_terms(f, r.ctx);
    }
    ~FlintPoly2() { nmod_mpoly_clear(f, r.ctx); }
    FlintPoly2(const FlintPoly2&) = delete;
    FlintPoly2& operator=(const FlintPoly2&) = delete;
    Coeffs2 coeffs() const {
        Coeffs2 c;
        const slong n = nmod_mpoly_length(f, r.ctx);
        for (slong t = 0; t < n; ++t) {
            ulong e[2];
            nmod_mpoly_get_term_exp_ui(e, f, t, r.ctx);
            if (c.size() <= e[0]) c.resize(e[0] + 1);
            Coeffs& row = c[e[0]];
            if (row.size() <= e[1]) row.resize(e[1] + 1, 0);
            row[e[1]] = static_cast<uint32_t>(nmod_mpoly_get_term_coeff_ui(f, t, r.ctx));
        }
        trim(c);
        return c;
    }
};
#endif

// ---------------------------------------------------------------------------
// Timing

// Thread CPU time: the machine is shared, and wall-clock time would charge
// each side for the other processes that ran meanwhile.
double cpu_ns() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e9 + static_cast<double>(ts.tv_nsec);
}

struct Result {
    std::string name;
    double ours_ns = 0, flint_ns = 0;  // flint_ns 0: not measured
};
std::vector<Result>& results() {
    static std::vector<Result> r;
    return r;
}
void record(const std::string& name, double ours, double flint) {
    for (auto& r : results())
        if (r.name == name) {
            r.ours_ns = ours;
            r.flint_ns = flint;
            return;
        }
    results().push_back({name, ours, flint});
}

// Calls per batch, so that reading the clock costs little beside a batch.
int64_t batch_for(int64_t deg) {
    return deg <= 100 ? 64 : deg <= 1000 ? 4 : 1;
}

// Runs a batch of ours and a batch of FLINT's alternately in each
// iteration; the counters are milliseconds of CPU time per call and the
// ratio.
template <class Ours, class Ref>
void compare(benchmark::State& st, const std::string& name, int64_t batch, Ours ours, Ref ref) {
    double t_ours = 0, t_ref = 0;
    int64_t rounds = 0;
    for (auto _ : st) {
        const double t0 = cpu_ns();
        for (int64_t i = 0; i < batch; ++i) ours();
        const double t1 = cpu_ns();
        if (kHaveFlint)
            for (int64_t i = 0; i < batch; ++i) ref();
        const double t2 = cpu_ns();
        t_ours += t1 - t0;
        t_ref += t2 - t1;
        ++rounds;
    }
    const double n = static_cast<double>(rounds * batch);
    st.counters["ours_ms"] = t_ours / n / 1e6;
    if (kHaveFlint) {
        st.counters["flint_ms"] = t_ref / n / 1e6;
        st.counters["ratio"] = t_ours / t_ref;
    }
    record(name, t_ours / n, kHaveFlint ? t_ref / n : 0);
}

std::string case_name(const char* op, int32_t p, int64_t deg) {
    return std::string(op) + "/p" + std::to_string(p) + "/" + std::to_string(deg);
}

// Unwinding through a Tolmex error ends the case with a message.
template <class Body>
void guarded(benchmark::State& st, Body body) {
    try {
        body();
    } catch (const RestartTopLevel&) {
        st.SkipWithError("a Tolmex error ended the case");
    }
}

// ---------------------------------------------------------------------------
// The cases: modulus p, degree n (in each variable for two variables).

void BM_mul1(benchmark::State& st, int32_t p, int32_t n) {
    const std::string name = case_name("mul", p, n);
    guarded(st, [&] {
        ModularRing ring(p);
        const Coeffs ca = random_coeffs(n, p), cb = random_coeffs(n, p);
        Poly a(onevar_poly(ca)), b(onevar_poly(cb)), c;
#ifdef TOLMEX_HAVE_FLINT
        FlintPoly fa(p, ca), fb(p, cb), fc(p);
        poly_mult(a.get(), b.get(), c, nullptr);
        nmod_poly_mul(fc.f, fa.f, fb.f);
        if (onevar_coeffs(c.get()) != fc.coeffs()) {
            st.SkipWithError("product differs from FLINT's");
            return;
        }
        auto ref = [&] {
            nmod_poly_mul(fc.f, fa.f, fb.f);
            benchmark::ClobberMemory();
        };
#else
        auto ref = [] {};
#endif
        compare(
            st, name, batch_for(n),
            [&] {
                poly_mult(a.get(), b.get(), c, nullptr);
                benchmark::ClobberMemory();
            },
            ref);
    });
}

void BM_div1(benchmark::State& st, int32_t p, int32_t n) {
    const std::string name = case_name("divrem", p, n);
    guarded(st, [&] {
        ModularRing ring(p);
        const Coeffs ca = random_coeffs(2 * n, p), cb = random_coeffs(n, p);
        Poly a(onevar_poly(ca)), b(onevar_poly(cb)), q, r;
#ifdef TOLMEX_HAVE_FLINT
        FlintPoly fa(p, ca), fb(p, cb), fq(p), fr(p);
        mod_and_div(a.get(), b.get(), q, r);
        nmod_poly_divrem(fq.f, fr.f, fa.f, fb.f);
        if (onevar_coeffs(q.get()) != fq.coeffs() || onevar_coeffs(r.get()) != fr.coeffs()) {
            st.SkipWithError("quotient or remainder differs from FLINT's");
            return;
        }
        auto ref = [&] {
            nmod_poly_divrem(fq.f, fr.f, fa.f, fb.f);
            benchmark::ClobberMemory();
        };
#else
        auto ref = [] {};
#endif
        compare(
            st, name, batch_for(n),
            [&] {
                mod_and_div(a.get(), b.get(), q, r);
                benchmark::ClobberMemory();
            },
            ref);
    });
}

// Unbalanced shapes: a dense dividend of degree da by a dense divisor of
// degree db.
constexpr int32_t kShapePrime = 65521;

std::string shape_name(int32_t da, int32_t db) {
    return "divrem/p" + std::to_string(kShapePrime) + "/" + std::to_string(da) + "by" +
           std::to_string(db);
}

void BM_div_shape(benchmark::State& st, int32_t da, int32_t db) {
    const int32_t p = kShapePrime;
    const std::string name = shape_name(da, db);
    guarded(st, [&] {
        ModularRing ring(p);
        const Coeffs ca = random_coeffs(da, p), cb = random_coeffs(db, p);
        Poly a(onevar_poly(ca)), b(onevar_poly(cb)), q, r;
#ifdef TOLMEX_HAVE_FLINT
        FlintPoly fa(p, ca), fb(p, cb), fq(p), fr(p);
        mod_and_div(a.get(), b.get(), q, r);
        nmod_poly_divrem(fq.f, fr.f, fa.f, fb.f);
        if (onevar_coeffs(q.get()) != fq.coeffs() || onevar_coeffs(r.get()) != fr.coeffs()) {
            st.SkipWithError("quotient or remainder differs from FLINT's");
            return;
        }
        auto ref = [&] {
            nmod_poly_divrem(fq.f, fr.f, fa.f, fb.f);
            benchmark::ClobberMemory();
        };
#else
        auto ref = [] {};
#endif
        compare(
            st, name, 1,
            [&] {
                mod_and_div(a.get(), b.get(), q, r);
                benchmark::ClobberMemory();
            },
            ref);
    });
}

void BM_mul2(benchmark::State& st, int32_t p, int32_t n) {
    const std::string name = case_name("mul2", p, n);
    guarded(st, [&] {
        ModularRing ring(p);
        Coeffs2 ca(static_cast<size_t>(n) + 1), cb(static_cast<size_t>(n) + 1);
        for (auto& row : ca) row = random_coeffs(n, p);
        for (auto& row : cb) row = random_coeffs(n, p);
        Poly a(twovar_poly(ca)), b(twovar_poly(cb)), c;
#ifdef TOLMEX_HAVE_FLINT
        FlintRing2 fring(p);
        FlintPoly2 fa(fring, ca), fb(fring, cb), fc(fring);
        poly_mult(a.get(), b.get(), c, nullptr);
        nmod_mpoly_mul(fc.f, fa.f, fb.f, fring.ctx);
        Coeffs2 ours = twovar_coeffs(c.get());
        trim(ours);
        if (ours != fc.coeffs()) {
            st.SkipWithError("product differs from FLINT's");
            return;
        }
        auto ref = [&] {
            nmod_mpoly_mul(fc.f, fa.f, fb.f, fring.ctx);
            benchmark::ClobberMemory();
        };
#else
        auto ref = [] {};
#endif
        compare(
            st, name, 1,
            [&] {
                poly_mult(a.get(), b.get(), c, nullptr);
                benchmark::ClobberMemory();
            },
            ref);
    });
}

// Fixed iteration counts for the large sizes keep the whole run to a few
// minutes; the small ones let the library choose.
void register_cases() {
    struct Size {
        int32_t deg;
        int64_t iters;  // 0: the library chooses
    };
    const std::vector<Size> sizes1 = {{100, 0}, {1000, 0}, {10000, 10}, {25000, 5}};
    const std::vector<Size> sizes2 = {{100, 5}, {300, 2}};
    auto add = [](const char* op, void (*fn)(benchmark::State&, int32_t, int32_t), int32_t p,
                  const Size& s) {
        auto* b = benchmark::RegisterBenchmark(case_name(op, p, s.deg).c_str(), fn, p, s.deg);
        b->Unit(benchmark::kMillisecond);
        if (s.iters) b->Iterations(s.iters);
    };
    // Products first: the list phases of a product slow down once a large
    // division has scattered the free node lists, so this order times them
    // on pools close to the state of a fresh session.
    for (int32_t p : {kSmallPrime, kLargePrime})
        for (const Size& s : sizes1) add("mul", BM_mul1, p, s);
    for (int32_t p : {kSmallPrime, kLargePrime})
        for (const Size& s : sizes1) add("divrem", BM_div1, p, s);
    for (const Size& s : sizes2) add("mul2", BM_mul2, kSmallPrime, s);
    // Quotients much longer than divisors of hundreds to thousands.
    const std::vector<std::pair<int32_t, int32_t>> shapes = {
        {12000, 3000}, {12000, 1000}, {20000, 1000}, {25000, 1000}, {8000, 300}, {30000, 2000}};
    for (const auto& [da, db] : shapes) {
        auto* b = benchmark::RegisterBenchmark(shape_name(da, db).c_str(), BM_div_shape, da, db);
        b->Unit(benchmark::kMillisecond)->Iterations(5);
    }
}

// ---------------------------------------------------------------------------
// The summary

const Result* find(const std::string& name) {
    for (const auto& r : results())
        if (r.name == name) return &r;
    return nullptr;
}

void print_table() {
    std::printf("\n%-26s %14s %14s %10s\n", "case", "ours (ms)", "FLINT (ms)", "ours/FLINT");
    for (const auto& r : results()) {
        if (r.flint_ns > 0)
            std::printf("%-26s %14.4f %14.4f %10.2f\n", r.name.c_str(), r.ours_ns / 1e6,
                        r.flint_ns / 1e6, r.ours_ns / r.flint_ns);
        else
            std::printf("%-26s %14.4f %14s %10s\n", r.name.c_str(), r.ours_ns / 1e6, "-", "-");
    }
    if (!kHaveFlint) std::printf("FLINT reference missing: only Tolmex's times were measured.\n");

    // Growth: the time ratio between consecutive sizes and the exponent k
    // of time ~ degree^k it implies (2 is quadratic, 1.58 Karatsuba).
    std::printf("\n%-26s %-14s %12s %8s %12s %8s\n", "growth", "degrees", "ours", "k", "FLINT",
                "k");
    auto growth = [](const char* op, int32_t p, int64_t d0, int64_t d1) {
        const Result* r0 = find(case_name(op, p, d0));
        const Result* r1 = find(case_name(op, p, d1));
        if (!r0 || !r1 || r0->ours_ns <= 0 || r1->ours_ns <= 0) return;
        const double scale = std::log(static_cast<double>(d1) / static_cast<double>(d0));
        const double g = r1->ours_ns / r0->ours_ns;
        const std::string label = std::string(op) + "/p" + std::to_string(p);
        const std::string degs = std::to_string(d0) + "->" + std::to_string(d1);
        if (r0->flint_ns > 0 && r1->flint_ns > 0) {
            const double gf = r1->flint_ns / r0->flint_ns;
            std::printf("%-26s %-14s %12.1f %8.2f %12.1f %8.2f\n", label.c_str(), degs.c_str(), g,
                        std::log(g) / scale, gf, std::log(gf) / scale);
        } else {
            std::printf("%-26s %-14s %12.1f %8.2f %12s %8s\n", label.c_str(), degs.c_str(), g,
                        std::log(g) / scale, "-", "-");
        }
    };
    for (const char* op : {"mul", "divrem"})
        for (int32_t p : {kSmallPrime, kLargePrime}) {
            growth(op, p, 100, 1000);
            growth(op, p, 1000, 10000);
            growth(op, p, 10000, 25000);
        }
    growth("mul2", kSmallPrime, 100, 300);
}

}  // namespace

int main(int argc, char** argv) {
    open_node_pools(node_sizes());
    init_numbers();
    // x at level 1, y at level 2; made in rational mode, as a user would
    // before switching rings.
    adjoin_poly_var("y", false);
    adjoin_poly_var("x", false);
    register_cases();
    if (!kHaveFlint) std::printf("FLINT reference missing: timing Tolmex alone.\n");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    print_table();
    benchmark::Shutdown();
    return 0;
}
