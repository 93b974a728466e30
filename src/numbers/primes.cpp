// Trial-division primes, the sieve, the modular square root and
// pseudo-random integers.
#include <cmath>
#include <cstdlib>
#include <ctime>

#include "base/errors.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"

namespace tolmex {

int32_t sqrt_mod = 0, sqrt_m = 0, sqrt_s = 0, sqrt_c = 0;

namespace {

int64_t trial_bound(int64_t n) { return static_cast<int64_t>(std::sqrt(static_cast<double>(n))) + 2; }

// The smallest prime factor of n >= 2 by trial division (n itself when n is
// prime).
int64_t smallest_factor(int64_t n) {
    if (n % 2 == 0) return 2;
    if (n % 3 == 0) return n == 3 ? 3 : 3;
    if (n % 5 == 0) return 5;
    if (n % 7 == 0) return 7;
    const int64_t limit = trial_bound(n);
    for (int64_t p = 11; p <= limit; p += 6) {
        if (n % p == 0) return p == n ? n : p;
        if (n % (p + 2) == 0) return p + 2 == n ? n : p + 2;
    }
    return n;
}

uint64_t powmod(uint64_t a, uint64_t e, uint64_t p) {
    uint64_t r = 1;
    a %= p;
    while (e) {
        if (e & 1) r = r * a % p;
        a = a * a % p;
        e >>= 1;
    }
    return r;
}

}  // namespace

bool is_prime(int32_t n) {
    if (n < 2) return false;
    return smallest_factor(n) == n;
}

int32_t long_is_prime(int32_t n) {
    if (n < 2) return 1;
    const int64_t f = smallest_factor(n);
    return f == n ? 1 : static_cast<int32_t>(f);
}

int32_t nextprime(int32_t n) {
    if (n < 2) return 2 + (n == 1);  // 0 gives 2, 1 gives 3
    // Odd candidates from the first one above n.
    for (int64_t c = (n % 2 == 0) ? int64_t{n} + 1 : int64_t{n} + 2; c <= INT32_MAX; c += 2) {
        if (c > 5 && (c % 3 == 0 || c % 5 == 0)) continue;
        if (smallest_factor(c) == c) return static_cast<int32_t>(c);
    }
    return 0;
}

std::vector<uint32_t> odd_primes_up_to(uint32_t n) {
    // composite[i] stands for 2 i + 1; one bit each keeps the sieve for the
    // largest factorials at a few megabytes.
    const uint32_t half = n < 3 ? 0 : (n - 1) / 2 + 1;
    std::vector<bool> composite(half, false);
    std::vector<uint32_t> primes;
    for (uint32_t i = 1; i < half; ++i) {
        if (composite[i]) continue;
        const uint64_t p = 2 * uint64_t{i} + 1;
        primes.push_back(static_cast<uint32_t>(p));
        if ((i & 0xFFFF) == 0) poll_interrupt();
        for (uint64_t j = p * p / 2; j < half; j += p) composite[j] = true;
    }
    return primes;
}

bool its_a_square(int32_t v) {
    if (v == 0) return false;
    const uint64_t p = static_cast<uint64_t>(modulus);
    return powmod(static_cast<uint64_t>(v), (p - 1) / 2, p) == 1;
}

int32_t modular_sqrt(int32_t v) {
    const uint64_t p = static_cast<uint64_t>(modulus);
    const uint64_t a = static_cast<uint64_t>(v) % p;
    if (a == 0) return 0;
    if (p == 2) return static_cast<int32_t>(a);
    uint64_t r;
    if (p % 4 == 3) {
        r = powmod(a, (p + 1) / 4, p);
        if (r * r % p != a) return 0;
    } else {
        if (static_cast<int32_t>(p) != sqrt_mod) {
            // p - 1 = 2^s m with m odd, and c = z^m for the first non-residue z.
            uint64_t m = p - 1;
            int32_t s = 0;
            while (m % 2 == 0) {
                m /= 2;
                ++s;
            }
            uint64_t z = 2;
            while (powmod(z, (p - 1) / 2, p) == 1) ++z;
            sqrt_m = static_cast<int32_t>(m);
            sqrt_s = s;
            sqrt_c = static_cast<int32_t>(powmod(z, m, p));
            sqrt_mod = static_cast<int32_t>(p);
        }
        if (powmod(a, (p - 1) / 2, p) != 1) return 0;
        // Tonelli-Shanks.
        uint64_t c = static_cast<uint64_t>(sqrt_c);
        uint64_t t = powmod(a, static_cast<uint64_t>(sqrt_m), p);
        r = powmod(a, (static_cast<uint64_t>(sqrt_m) + 1) / 2, p);
        int32_t level = sqrt_s;
        while (t != 1) {
            int32_t i = 0;
            uint64_t tt = t;
            while (tt != 1) {
                tt = tt * tt % p;
                ++i;
            }
            uint64_t b = c;
            for (int32_t k = 0; k < level - i - 1; ++k) b = b * b % p;
            level = i;
            c = b * b % p;
            t = t * c % p;
            r = r * b % p;
        }
    }
    return static_cast<int32_t>(r < p - r ? r : p - r);
}

int32_t rand_integer2() {
    return static_cast<int32_t>(static_cast<double>(random()) / 2147483647.0 * 16384.0);
}

int32_t rand_integer3() {
    const uint32_t r = static_cast<uint32_t>(static_cast<double>(random()) / 2147483647.0 * 16384.0);
    return static_cast<int32_t>((r * static_cast<uint32_t>(clock())) % 48871u);
}

}  // namespace tolmex
