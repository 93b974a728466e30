// Number theory on big integers for the built-ins.
#include "numbers/number_theory.h"

#include <cmath>
#include <cstdlib>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "numbers/mul_div.h"

namespace tolmex {

namespace {

Number from(int64_t v) { return number_from_int64(v); }

// r := x mod n in 0 .. n - 1 (n > 0).
void reduce(const Number& x, const Number& n, Number& r) { mod_or_div(x, n, r, '|', 1); }

bool is_zero(const Number& x) { return x.sign() == 0; }
bool is_odd(const Number& x) { return (x.digits()[0] & 1) != 0; }

int64_t mul_mod(int64_t a, int64_t b, int64_t m) {
    return static_cast<int64_t>(static_cast<__int128>(a) * b % m);
}

int64_t pow_mod(int64_t a, int64_t e, int64_t m) {
    int64_t r = 1 % m;
    a %= m;
    for (; e > 0; e >>= 1) {
        if (e & 1) r = mul_mod(r, a, m);
        a = mul_mod(a, a, m);
    }
    return r;
}

}  // namespace

void binomial(const Number& n, int64_t k, Number& r) {
    int64_t nn = 0;
    if (n.sign() >= 0 && to_int64(n, nn)) {
        if (k > nn) {
            setvalue(0, r);
            return;
        }
        k = std::min(k, nn - k);
    }
    Number acc = from(1);
    for (int64_t i = 1; i <= k; ++i) {
        poll_interrupt();
        // acc := acc * (n - k + i) / i, exact at every step.
        Number factor, t, q, rem;
        diff(n, from(k - i), factor);
        fast_mult(acc, factor, t);
        divide(t, from(i), q, rem);
        acc = std::move(q);
    }
    r = std::move(acc);
}

int jacobi(const Number& a0, const Number& n0) {
    Number a, n;
    reduce(a0, n0, a);
    num_assign(n0, n);
    int result = 1;
    while (!is_zero(a)) {
        poll_interrupt();
        int twos = 0;
        while (!is_odd(a)) {
            shift_right(a, 1);
            ++twos;
        }
        const int n8 = n.digits()[0] & 7;
        if ((twos & 1) && (n8 == 3 || n8 == 5)) result = -result;
        a.swap(n);
        if ((a.digits()[0] & 3) == 3 && (n.digits()[0] & 3) == 3) result = -result;
        Number t;
        reduce(a, n, t);
        a = std::move(t);
    }
    return is_longint(n, 1) ? result : 0;
}

void mod_pow(const Number& a, const Number& e, const Number& n, Number& r) {
    Number base, acc = from(1), t;
    reduce(a, n, base);
    reduce(acc, n, t);
    acc = std::move(t);
    const std::vector<int32_t> d = digits_msf(e);
    for (int32_t digit : d) {
        for (int bit = kDigitBits - 1; bit >= 0; --bit) {
            poll_interrupt();
            fast_mult(acc, acc, t);
            reduce(t, n, acc);
            if ((digit >> bit) & 1) {
                fast_mult(acc, base, t);
                reduce(t, n, acc);
            }
        }
    }
    r = std::move(acc);
}

bool mod_inverse(const Number& a, const Number& n, Number& r) {
    Number r0, r1, s0 = from(0), s1 = from(1);
    num_assign(n, r0);
    reduce(a, n, r1);
    while (!is_zero(r1)) {
        poll_interrupt();
        Number q, rem, qs, s2;
        divide(r0, r1, q, rem);
        fast_mult(q, s1, qs);
        diff(s0, qs, s2);
        r0 = std::move(r1);
        r1 = std::move(rem);
        s0 = std::move(s1);
        s1 = std::move(s2);
    }
    if (!is_longint(r0, 1)) return false;
    reduce(s0, n, r);
    return true;
}

void extended_gcd(const Number& a, const Number& b, Number& g, Number& s, Number& t) {
    Number r0, r1, s0 = from(1), s1 = from(0), t0 = from(0), t1 = from(1);
    num_assign(a, r0);
    num_assign(b, r1);
    while (!is_zero(r1)) {
        poll_interrupt();
        Number q, rem, qr, qs, qt, s2, t2;
        divide(r0, r1, q, rem);
        // The remainder from the quotient, whatever divide's signs.
        fast_mult(q, r1, qr);
        diff(r0, qr, rem);
        fast_mult(q, s1, qs);
        diff(s0, qs, s2);
        fast_mult(q, t1, qt);
        diff(t0, qt, t2);
        r0 = std::move(r1);
        r1 = std::move(rem);
        s0 = std::move(s1);
        s1 = std::move(s2);
        t0 = std::move(t1);
        t1 = std::move(t2);
    }
    if (r0.sign() < 0) {
        in_place_neg(r0);
        in_place_neg(s0);
        in_place_neg(t0);
    }
    g = std::move(r0);
    s = std::move(s0);
    t = std::move(t0);
}

int64_t valuation(const Number& n, const Number& p) {
    Number x;
    num_assign(n, x);
    int64_t e = 0;
    while (true) {
        poll_interrupt();
        Number q, rem;
        divide(x, p, q, rem);
        if (!is_zero(rem)) return e;
        x = std::move(q);
        ++e;
    }
}

bool is_prime64(int64_t n) {
    if (n < 2) return false;
    if (n < 4) return true;
    if (n % 2 == 0 || n % 3 == 0) return false;
    for (int64_t f = 5; f * f <= n; f += 6)
        if (n % f == 0 || n % (f + 2) == 0) return false;
    return true;
}

int64_t next_prime_after(int64_t n) {
    if (n < 2) return 2;
    int64_t c = n + 1;
    while (!is_prime64(c)) ++c;
    return c;
}

int64_t prime_sqrt(int64_t a, int64_t p) {
    a %= p;
    if (a == 0) return 0;
    if (pow_mod(a, (p - 1) / 2, p) != 1) return -1;
    // Tonelli and Shanks: p - 1 = 2^s q with q odd.
    int64_t q = p - 1, s = 0;
    while (q % 2 == 0) {
        q /= 2;
        ++s;
    }
    int64_t z = 2;
    while (pow_mod(z, (p - 1) / 2, p) != p - 1) ++z;
    int64_t m = s, c = pow_mod(z, q, p), t = pow_mod(a, q, p), r = pow_mod(a, (q + 1) / 2, p);
    while (t != 1) {
        int64_t i = 0, t2 = t;
        while (t2 != 1) {
            t2 = mul_mod(t2, t2, p);
            ++i;
        }
        const int64_t b = pow_mod(c, int64_t{1} << (m - i - 1), p);
        m = i;
        c = mul_mod(b, b, p);
        t = mul_mod(t, c, p);
        r = mul_mod(r, b, p);
    }
    return std::min(r, p - r);
}

int64_t primitive_root(int64_t p) {
    if (p == 2) return 1;
    std::vector<int64_t> factors;
    int64_t m = p - 1;
    for (int64_t f = 2; f * f <= m; ++f) {
        if (m % f) continue;
        factors.push_back(f);
        while (m % f == 0) m /= f;
    }
    if (m > 1) factors.push_back(m);
    for (int64_t g = 2;; ++g) {
        bool generates = true;
        for (int64_t f : factors) generates = generates && pow_mod(g, (p - 1) / f, p) != 1;
        if (generates) return g;
    }
}

int64_t discrete_log(int64_t a, int64_t g, int64_t p) {
    const int64_t order = p - 1;
    const int64_t steps = static_cast<int64_t>(std::ceil(std::sqrt(static_cast<double>(order))));
    std::unordered_map<int64_t, int64_t> baby;
    baby.reserve(static_cast<size_t>(steps) * 2);
    int64_t x = 1;
    for (int64_t j = 0; j < steps; ++j) {
        baby.emplace(x, j);
        x = mul_mod(x, g, p);
    }
    // Giant steps multiply by g^-steps.
    const int64_t stride = pow_mod(pow_mod(g, steps, p), p - 2, p);
    int64_t y = a % p;
    for (int64_t i = 0; i <= steps; ++i) {
        poll_interrupt();
        auto hit = baby.find(y);
        if (hit != baby.end()) return (i * steps + hit->second) % order;
        y = mul_mod(y, stride, p);
    }
    return -1;
}

void random_below(const Number& n, Number& r) {
    // A few digits more than n, so that the remainder is nearly uniform.
    std::vector<int32_t> digits(static_cast<size_t>(n.size()) + 2);
    for (int32_t& d : digits)
        d = static_cast<int32_t>(((random() & 0x3FFF) << 14) | (random() & 0x3FFF));
    Number x = number_from_digits(digits);
    reduce(x, n, r);
}

}  // namespace tolmex
