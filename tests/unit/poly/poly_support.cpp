#include "poly_support.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <sstream>

#include "numbers/decimal.h"
#include "numbers/gmp_oracle.h"
#include "numbers/gcd.h"
#include "poly/poly_arith.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "numbers/field_tables.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "storage/stash.h"

using namespace tolmex;

namespace polytest {

namespace {

// Ring arithmetic on expansion coefficients.
void ring_reduce(mpz_t r) {
    if (!modularmode) return;
    if (finf) return;
    mpz_fdiv_r_ui(r, r, static_cast<unsigned long>(modulus));
}

uint32_t field_product(uint32_t a, uint32_t b) {
    return f256 ? field_mult(a, b, kF256Poly, 8) : field_mult(a, b, kF2t16Poly, 16);
}

void ring_add(mpz_t r, const mpz_t a, const mpz_t b, bool sub) {
    if (modularmode && finf) {
        mpz_set_ui(r, mpz_get_ui(a) ^ mpz_get_ui(b));
        return;
    }
    if (sub)
        mpz_sub(r, a, b);
    else
        mpz_add(r, a, b);
    ring_reduce(r);
}

void ring_mul_add(mpz_t r, const mpz_t a, const mpz_t b) {
    if (modularmode && finf) {
        mpz_set_ui(r, mpz_get_ui(r) ^ field_product(static_cast<uint32_t>(mpz_get_ui(a)),
                                                    static_cast<uint32_t>(mpz_get_ui(b))));
        return;
    }
    mpz_addmul(r, a, b);
    ring_reduce(r);
}

// Words in lintmode, big integers otherwise.
void number_to_mpz(const Number& x, mpz_t out) {
    if (lintmode) {
        mpz_set_si(out, x.lint());
        return;
    }
    numtest::Mpz m(x);
    mpz_set(out, m.z);
}

Number mpz_to_number(const mpz_t in) {
    Number x;
    if (lintmode) {
        setvalue(0, x);
        x.set_lint(static_cast<int32_t>(mpz_get_si(in)));
        return x;
    }
    numtest::Mpz m;
    mpz_set(m.z, in);
    return numtest::from_mpz(m);
}

void expand_into(const PolyNode* p, int level, std::vector<int32_t>& e, Expansion& out) {
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->isnum) {
            for (size_t i = static_cast<size_t>(level); i < e.size(); ++i) e[i] = 0;
            mpz_t c;
            mpz_init(c);
            number_to_mpz(n->num, c);
            out.add(Mono{e}, c);
            mpz_clear(c);
            continue;
        }
        e[static_cast<size_t>(level)] = n->expo;
        expand_into(n->sub, level + 1, e, out);
        e[static_cast<size_t>(level)] = 0;
    }
}

}  // namespace

uint64_t seed() {
    static const uint64_t s = [] {
        const char* e = std::getenv("TOLMEX_SEED");
        return e ? std::strtoull(e, nullptr, 10) : 4242ull;
    }();
    return s;
}

void use_vars(int n) {
    while (number_polys > 0) delete_poly_name(1);
    for (int i = 1; i <= n; ++i) {
        std::string name = "x";
        name += std::to_string(i);
        adjoin_poly_var(name.c_str(), true);
    }
}

Ring::Ring(int32_t m)
    : unit::RingScope(m), cutoff_(poly_cutoff), fmc_(fast_mult_cut), fgs_(fast_gcd_size),
      spc_(simplest_poly_cutoff), dpc_(div_poly_cutoff), laurent_(laurent) {}

Ring::~Ring() {
    poly_cutoff = cutoff_;
    fast_mult_cut = fmc_;
    fast_gcd_size = fgs_;
    simplest_poly_cutoff = spc_;
    div_poly_cutoff = dpc_;
    laurent = laurent_;
}

Cutoffs::Cutoffs(int poly, int fast_mult, int gcd_size, int simplest, int div)
    : poly_(poly_cutoff), fmc_(fast_mult_cut), fgs_(fast_gcd_size), spc_(simplest_poly_cutoff),
      div_(div_poly_cutoff) {
    poly_cutoff = poly;
    fast_mult_cut = fast_mult;
    fast_gcd_size = gcd_size;
    simplest_poly_cutoff = simplest;
    if (div >= 0) div_poly_cutoff = div;
}

Cutoffs::~Cutoffs() {
    poly_cutoff = poly_;
    fast_mult_cut = fmc_;
    fast_gcd_size = fgs_;
    simplest_poly_cutoff = spc_;
    div_poly_cutoff = div_;
}

// ---------------------------------------------------------------------------

Expansion::~Expansion() {
    for (auto& [m, c] : t_) {
        mpz_clear(*c);
        delete c;
    }
}

Expansion::Expansion(const Expansion& o) {
    for (auto& [m, c] : o.t_) add(m, *c);
}

Expansion& Expansion::operator=(const Expansion& o) {
    if (this == &o) return *this;
    Expansion tmp(o);
    std::swap(t_, tmp.t_);
    return *this;
}

void Expansion::add(const Mono& m, const mpz_t c) {
    auto it = t_.find(m);
    if (it == t_.end()) {
        if (mpz_sgn(c) == 0) return;
        auto* z = new mpz_t[1];
        mpz_init_set(*z, c);
        ring_reduce(*z);
        if (mpz_sgn(*z) == 0) {
            mpz_clear(*z);
            delete z;
            return;
        }
        t_.emplace(m, z);
        return;
    }
    ring_add(*it->second, *it->second, c, false);
    if (mpz_sgn(*it->second) == 0) {
        mpz_clear(*it->second);
        delete it->second;
        t_.erase(it);
    }
}

bool Expansion::operator==(const Expansion& o) const {
    if (t_.size() != o.t_.size()) return false;
    for (auto a = t_.begin(), b = o.t_.begin(); a != t_.end(); ++a, ++b) {
        if (a->first.e != b->first.e) return false;
        if (mpz_cmp(*a->second, *b->second) != 0) return false;
    }
    return true;
}

std::string Expansion::str() const {
    std::ostringstream s;
    bool first = true;
    for (auto& [m, c] : t_) {
        if (!first) s << " + ";
        first = false;
        char* txt = mpz_get_str(nullptr, 10, *c);
        s << txt;
        void (*freefunc)(void*, size_t);
        mp_get_memory_functions(nullptr, nullptr, &freefunc);
        freefunc(txt, std::strlen(txt) + 1);
        for (size_t i = 0; i < m.e.size(); ++i)
            if (m.e[i]) s << "*x" << i + 1 << "^" << m.e[i];
    }
    if (first) s << "0";
    return s.str();
}

Expansion expand(const PolyNode* p, int nvars) {
    Expansion out;
    std::vector<int32_t> e(static_cast<size_t>(nvars + 1), 0);
    expand_into(p, 0, e, out);
    return out;
}

Expansion exp_mult(const Expansion& a, const Expansion& b) {
    Expansion out;
    mpz_t c;
    mpz_init(c);
    for (auto& [ma, ca] : a.terms()) {
        for (auto& [mb, cb] : b.terms()) {
            Mono m{ma.e};
            for (size_t i = 0; i < m.e.size(); ++i) m.e[i] += mb.e[i];
            mpz_set_ui(c, 0);
            ring_mul_add(c, *ca, *cb);
            out.add(m, c);
        }
    }
    mpz_clear(c);
    return out;
}

Expansion exp_add(const Expansion& a, const Expansion& b, bool sub) {
    Expansion out(a);
    mpz_t c, z;
    mpz_init(c);
    mpz_init(z);
    for (auto& [m, cb] : b.terms()) {
        ring_add(c, z, *cb, sub);
        out.add(m, c);
    }
    mpz_clear(c);
    mpz_clear(z);
    return out;
}

Poly monomial_poly(const Number& c, const std::vector<int32_t>& e) {
    Number x;
    num_assign(c, x);
    PolyNode* node = number_node(std::move(x));
    for (size_t i = e.size(); i-- > 0;)
        if (e[i] != 0 || !node->isnum) node = term_node(e[i], node);
    return Poly(node);
}

Poly from_expansion(const Expansion& ex, int nvars) {
    Poly acc;
    poly_set(0, acc);
    for (auto& [m, c] : ex.terms()) {
        Number x = mpz_to_number(*c);
        std::vector<int32_t> e(m.e.begin(), m.e.begin() + nvars);
        best_poly_add(std::move(acc), monomial_poly(x, e), acc);
    }
    return acc;
}

Number int_number(int64_t v) {
    Number x;
    if (modularmode) {
        int64_t r = finf ? (v < 0 ? -v : v) % modulus : ((v % modulus) + modulus) % modulus;
        setvalue(0, x);
        x.set_lint(static_cast<int32_t>(r));
        return x;
    }
    set_int64(v, x);
    return x;
}

Poly int_poly(int64_t v) { return Poly(number_node(int_number(v))); }

namespace {

Number random_coefficient(std::mt19937_64& rng, int digits) {
    if (modularmode) {
        Number x;
        setvalue(0, x);
        x.set_lint(static_cast<int32_t>(1 + rng() % static_cast<uint64_t>(modulus - 1)));
        return x;
    }
    const int n = 1 + static_cast<int>(rng() % static_cast<uint64_t>(digits));
    std::string s(rng() % 2 ? 1 : 0, '-');
    s += static_cast<char>('1' + rng() % 9);
    for (int i = 1; i < n; ++i) s += static_cast<char>('0' + rng() % 10);
    mpz_t z;
    mpz_init_set_str(z, s.c_str(), 10);
    Number x = mpz_to_number(z);
    mpz_clear(z);
    return x;
}

}  // namespace

Poly random_poly(std::mt19937_64& rng, const Shape& s) {
    Poly acc;
    poly_set(0, acc);
    for (int t = 0; t < s.terms; ++t) {
        std::vector<int32_t> e(static_cast<size_t>(s.nvars));
        for (auto& v : e) {
            v = static_cast<int32_t>(rng() % static_cast<uint64_t>(s.max_deg + 1));
            if (s.allow_negative_exponents && rng() % 3 == 0) v = -v;
        }
        Number c = random_coefficient(rng, s.digits);
        best_poly_add(std::move(acc), monomial_poly(c, e), acc);
    }
    return acc;
}

Poly dense_poly(std::mt19937_64& rng, int nvars, int deg, int digits) {
    Poly acc;
    poly_set(0, acc);
    std::vector<int32_t> e(static_cast<size_t>(nvars), 0);
    // Every exponent vector of total degree <= deg.
    std::function<void(int, int)> walk = [&](int i, int left) {
        if (i == nvars) {
            best_poly_add(std::move(acc), monomial_poly(random_coefficient(rng, digits), e), acc);
            return;
        }
        for (int d = 0; d <= left; ++d) {
            e[static_cast<size_t>(i)] = d;
            walk(i + 1, left - d);
        }
        e[static_cast<size_t>(i)] = 0;
    };
    walk(0, deg);
    return acc;
}

namespace {

::testing::AssertionResult check_list(const PolyNode* p, bool top) {
    if (!p) return ::testing::AssertionFailure() << "empty list";
    if (!top && poly_iszero(p)) return ::testing::AssertionFailure() << "zero coefficient stored";
    int32_t prev = 0;
    bool first = true;
    bool single = !p->next;
    for (const PolyNode* n = p; n; n = n->next) {
        if (!first && n->expo >= prev)
            return ::testing::AssertionFailure() << "exponents not decreasing at " << n->expo;
        first = false;
        prev = n->expo;
        if (n->isnum) {
            if (n->expo != 0) return ::testing::AssertionFailure() << "number node of exponent " << n->expo;
            if (!single && num_is_zero(n->num)) return ::testing::AssertionFailure() << "zero number node";
            if (n->next && !laurent) return ::testing::AssertionFailure() << "number node not last";
            if (modularmode && (n->num.lint() < 0 || n->num.lint() >= modulus))
                return ::testing::AssertionFailure() << "residue out of range " << n->num.lint();
            if (!lintmode && n->num.size() == 0) return ::testing::AssertionFailure() << "number without digits";
            continue;
        }
        if (n->expo == 0 && poly_is_const(n->sub))
            return ::testing::AssertionFailure() << "exponent-0 term over a constant";
        auto r = check_list(n->sub, false);
        if (!r) return r;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

::testing::AssertionResult well_formed(const PolyNode* p) { return check_list(p, true); }

std::string text(const PolyNode* p, int nvars) { return expand(p, nvars).str(); }

std::string plain_form(const PolyNode* p, int level) {
    std::string s;
    for (const PolyNode* n = p; n; n = n->next) {
        if (n != p) s += "+";
        s += "(";
        if (n->isnum) {
            s += lintmode ? std::to_string(n->num.lint()) : number_to_decimal(n->num);
            s += ")";
            continue;
        }
        s += plain_form(n->sub, level + 1);
        s += ")";
        if (n->expo == 0) continue;
        s += "*x";
        s += std::to_string(level);
        s += "^(";
        s += std::to_string(n->expo);
        s += ")";
    }
    return s;
}

::testing::AssertionResult same_poly(const PolyNode* p, const PolyNode* q, int nvars) {
    auto w = well_formed(p);
    if (!w) return w;
    if (poly_equal(p, q)) return ::testing::AssertionSuccess();
    std::string a = text(p, nvars), b = text(q, nvars);
    if (a.size() > 600) a = a.substr(0, 600) + "...";
    if (b.size() > 600) b = b.substr(0, 600) + "...";
    return ::testing::AssertionFailure() << "got  " << a << "\nwant " << b;
}

}  // namespace polytest
