// Big-number tables: "pow228", "pprods" and "chdat".
#include <algorithm>
#include <numeric>

#include "bignum.hpp"
#include "generators.hpp"

namespace mkdata {

namespace {

// Appends a number as its decimal-digit count m followed by the ceil(m/8)
// base-10^8 groups, most significant first.
void append_decimal_form(std::string& out, const Big& x) {
    auto groups = x.groups_1e8();
    std::size_t m = x.decimal_digits();
    require((m + 7) / 8 == groups.size(), "pow228: decimal group count");
    out += std::to_string(m);
    for (auto g : groups) {
        out += ' ';
        out += std::to_string(g);
    }
    out += '\n';
}

}  // namespace

// "pow228", in the order the start-up reader takes it:
//   two_28  (2^28)^k for k = 1..130 in decimal groups;
//   factnum k! for k = 0..12, then -1 (no machine-word value) for 13..21;
//   facts   (10k)! for k = 0..21 in digit-count form;
//   binom   C(n, k) for n = 3, 6, ..., 150 and k = 1..floor(n/2), as bare
//           base-2^28 digits; the digit count restarts at 1 for each n and
//           an entry one digit longer than the one before is preceded by
//           the marker -1;
//   last part: the single-word values of binom[0..79].
std::string gen_pow228() {
    std::string out;

    Big power = Big::from_i64(1);
    for (int k = 1; k <= 130; ++k) {
        power.shift_digit();
        append_decimal_form(out, power);
    }

    std::vector<std::int64_t> factnum;
    std::int64_t f = 1;
    for (int k = 0; k <= 21; ++k) {
        if (k > 0 && k <= 12) f *= k;
        factnum.push_back(k <= 12 ? f : -1);
    }
    require(factnum[12] == 479001600, "pow228: 12!");
    append_values(out, factnum, 11);

    Big fact = Big::from_i64(1);
    for (int k = 0; k <= 21; ++k) {
        if (k > 0)
            for (int m = 10 * (k - 1) + 1; m <= 10 * k; ++m)
                fact.mul_small(static_cast<std::uint32_t>(m));
        if (k == 1) require(fact == Big::from_i64(3628800), "pow228: 10!");
        append_digit_form(out, fact);
    }

    std::vector<std::int64_t> single_words;
    std::size_t entries = 0;
    for (int n = 3; n <= 150; n += 3) {
        Big c = Big::from_i64(1);
        std::size_t len = 1;
        for (int k = 1; k <= n / 2; ++k) {
            c.mul_small(static_cast<std::uint32_t>(n - k + 1));
            require(c.div_small(static_cast<std::uint32_t>(k)) == 0,
                    "pow228: inexact binomial step");
            auto digits = c.signed_digits();
            if (digits.size() == len + 1) {
                out += "-1 ";
                ++len;
            }
            require(digits.size() == len, "pow228: a binomial grew by more than one digit");
            for (std::size_t i = 0; i < digits.size(); ++i) {
                out += std::to_string(digits[i]);
                out += i + 1 == digits.size() ? '\n' : ' ';
            }
            if (entries < 80) {
                require(digits.size() <= 2, "pow228: single-word binomial too large");
                std::int64_t v =
                    digits.size() == 1 ? digits[0] : digits[0] * Big::kBase + digits[1];
                require(v <= 2147483647, "pow228: single-word binomial too large");
                single_words.push_back(v);
            }
            ++entries;
        }
    }
    require(entries == 1900, "pow228: expected 1900 binomials");
    require(single_words.back() == 155117520, "pow228: binom[79] must be C(30, 15)");
    append_values(out, single_words, 10);
    return out;
}

// "pprods": the 599 consecutive primes ending with 48869 (prime[5..603];
// prime[0..4] are fixed in the program), then num_prod[j], the product of
// prime[5..5+j], in digit-count form.
std::string gen_pprods() {
    auto primes = primes_below(65536);
    auto last = std::find(primes.begin(), primes.end(), 48869u);
    require(last != primes.end(), "pprods: 48869 is not prime");
    std::vector<std::uint32_t> moduli(last - 598, last + 1);
    for (std::uint32_t fixed : {3001u, 16087u, 16273u, 16339u, 19997u}) {
        require(std::find(primes.begin(), primes.end(), fixed) != primes.end(),
                "pprods: a fixed modulus is not prime");
        require(std::find(moduli.begin(), moduli.end(), fixed) == moduli.end(),
                "pprods: clash with a fixed modulus");
    }
    std::string out;
    append_values(out, moduli, 10);
    Big prod = Big::from_i64(1);
    for (auto p : moduli) {
        prod.mul_small(p);
        append_digit_form(out, prod);
    }
    require(prod.digit_count() == 332, "pprods: num_prod[598] must have 332 digits");
    return out;
}

// "chdat": row i (1 <= i <= 11) holds the Lagrange basis polynomials for the
// nodes 0, 1, ..., i-1:
//     L_{i,j}(x) = prod_{k != j, 0 <= k < i} (x - k) / (j - k),   j = 0..i-1,
// each written as an integer polynomial over a positive integer denominator
// in lowest terms: the denominator in digit-count form (1 1 for none), then
// the degree d and the d + 1 coefficients for x^d .. x^0 in digit-count form.
// Interpolating det(A - kI) at k = 0..n with row n + 1 gives the
// characteristic polynomial of an n x n matrix.
std::string gen_chdat() {
    std::string out;
    int quolys = 0;
    for (int i = 1; i <= 11; ++i) {
        for (int j = 0; j < i; ++j) {
            std::vector<std::int64_t> num{1};  // coefficients, constant term first
            std::int64_t den = 1;
            for (int k = 0; k < i; ++k) {
                if (k == j) continue;
                std::vector<std::int64_t> next(num.size() + 1, 0);
                for (std::size_t e = 0; e < num.size(); ++e) {
                    next[e + 1] += num[e];
                    next[e] -= k * num[e];
                }
                num = std::move(next);
                den *= j - k;
            }
            if (den < 0) {
                den = -den;
                for (auto& c : num) c = -c;
            }
            std::int64_t g = den;
            for (auto c : num) g = std::gcd(g, c);
            den /= g;
            for (auto& c : num) c /= g;

            // L_{i,j}(k) must be 1 at k = j and 0 at the other nodes.
            for (int k = 0; k < i; ++k) {
                std::int64_t v = 0;
                for (auto e = num.size(); e-- > 0;) v = v * k + num[e];
                require(v == (k == j ? den : 0), "chdat: interpolation check failed");
            }

            append_digit_form(out, Big::from_i64(den));
            out += std::to_string(num.size() - 1);
            out += '\n';
            for (auto e = num.size(); e-- > 0;) append_digit_form(out, Big::from_i64(num[e]));
            ++quolys;
        }
    }
    require(quolys == 66, "chdat: expected 66 quolys");
    return out;
}

}  // namespace mkdata
