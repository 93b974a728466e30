// Prime lists: "primelist", "bprimes" and "lrgpmes".
#include <algorithm>

#include "generators.hpp"

namespace mkdata {

std::vector<std::uint32_t> primes_below(std::uint32_t limit) {
    std::vector<bool> composite(limit, false);
    std::vector<std::uint32_t> out;
    for (std::uint32_t i = 2; i < limit; ++i) {
        if (composite[i]) continue;
        out.push_back(i);
        for (std::uint64_t j = static_cast<std::uint64_t>(i) * i; j < limit; j += i)
            composite[j] = true;
    }
    return out;
}

namespace {

std::uint64_t pow_mod(std::uint64_t b, std::uint64_t e, std::uint64_t m) {
    std::uint64_t r = 1;
    b %= m;
    while (e != 0) {
        if (e & 1) r = r * b % m;
        b = b * b % m;
        e >>= 1;
    }
    return r;
}

// The `count` largest primes below `limit`, ascending.
std::vector<std::uint32_t> largest_primes_below(std::uint32_t limit, std::size_t count) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t n = limit - 1; out.size() < count && n >= 2; --n)
        if (is_prime_u32(n)) out.push_back(n);
    std::reverse(out.begin(), out.end());
    return out;
}

// The `count` consecutive primes ending with `last`, ascending.
std::vector<std::uint32_t> primes_ending_with(const std::vector<std::uint32_t>& primes,
                                              std::uint32_t last, std::size_t count) {
    auto it = std::find(primes.begin(), primes.end(), last);
    require(it != primes.end(), std::to_string(last) + " is not in the prime table");
    auto end = it + 1;
    require(static_cast<std::size_t>(end - primes.begin()) >= count,
            "not enough primes below " + std::to_string(last));
    return {end - static_cast<std::ptrdiff_t>(count), end};
}

}  // namespace

// Deterministic Miller-Rabin: the bases 2, 3, 5 and 7 decide every n below
// 3,215,031,751, which covers all 32-bit moduli Tolmex uses (n < 2^31).
bool is_prime_u32(std::uint32_t n) {
    if (n < 2) return false;
    for (std::uint32_t p : {2u, 3u, 5u, 7u}) {
        if (n % p == 0) return n == p;
    }
    std::uint32_t d = n - 1;
    int s = 0;
    while ((d & 1) == 0) {
        d >>= 1;
        ++s;
    }
    for (std::uint64_t a : {2u, 3u, 5u, 7u}) {
        std::uint64_t x = pow_mod(a, d, n);
        if (x == 1 || x == n - 1) continue;
        bool composite = true;
        for (int r = 1; r < s; ++r) {
            x = x * x % n;
            if (x == n - 1) {
                composite = false;
                break;
            }
        }
        if (composite) return false;
    }
    return true;
}

// "primelist": the 1229 primes below 10,000 (small_prime), then the 2466
// consecutive primes ending with 42349 (med_prime).
std::string gen_primelist() {
    auto primes = primes_below(65536);
    std::vector<std::uint32_t> small(primes.begin(),
                                     std::lower_bound(primes.begin(), primes.end(), 10000u));
    require(small.size() == 1229, "primelist: expected 1229 primes below 10000");
    auto med = primes_ending_with(primes, 42349, 2466);
    std::string out;
    append_values(out, small, 10);
    append_values(out, med, 10);
    return out;
}

// "bprimes": the 1516 largest primes below 2^16, ascending.
std::string gen_bprimes() {
    auto big = largest_primes_below(65536, 1516);
    require(big.size() == 1516 && big.back() == 65521, "bprimes: the last prime must be 65521");
    auto sieved = primes_below(65536);
    require(std::equal(big.begin(), big.end(), sieved.end() - 1516),
            "bprimes: sieve and Miller-Rabin disagree");
    std::string out;
    append_values(out, big, 10);
    return out;
}

// "lrgpmes": the 2000 largest primes below 2^31 - 1, ascending.
std::string gen_lrgpmes() {
    auto large = largest_primes_below(2147483647u, 2000);
    require(large.size() == 2000 && large.back() == 2147483629u,
            "lrgpmes: the last prime must be 2147483629");
    std::string out;
    append_values(out, large, 8);
    return out;
}

}  // namespace mkdata
