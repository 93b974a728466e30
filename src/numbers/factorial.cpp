// The factorial: table values for small arguments, else a balanced product
// tree over word-sized packets of consecutive factors, starting from the
// largest tabulated factorial.
#include <cmath>
#include <vector>

#include "base/errors.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "numbers/storage.h"
#include "numbers/tables.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "storage/free_lists.h"

namespace tolmex {

namespace {

// r := (lo + 1) * (lo + 2) * ... * hi, for 0 <= lo <= hi.
void range_product(int64_t lo, int64_t hi, Number& r) {
    // Packets: products of consecutive factors that stay below 2^56.
    std::vector<Number> level;
    uint64_t packet = 1;
    for (int64_t k = lo + 1; k <= hi; ++k) {
        const uint64_t f = static_cast<uint64_t>(k);
        if (packet > (uint64_t{1} << 56) / f) {
            level.push_back(number_from_int64(static_cast<int64_t>(packet)));
            packet = 1;
        }
        packet *= f;
    }
    level.push_back(number_from_int64(static_cast<int64_t>(packet)));
    // Multiply neighbours until one number is left: operands stay balanced.
    while (level.size() > 1) {
        poll_interrupt();
        std::vector<Number> next;
        next.reserve(level.size() / 2 + 1);
        for (size_t i = 0; i + 1 < level.size(); i += 2) {
            Number p;
            fast_mult(level[i], level[i + 1], p);
            next.push_back(std::move(p));
        }
        if (level.size() % 2) next.push_back(std::move(level.back()));
        level = std::move(next);
    }
    r = std::move(level[0]);
}

bool usable(const Number& x) { return x && x.size() > 0; }

}  // namespace

int32_t residue_factorial(int64_t v) {
    if (!finf && v >= modulus) return 0;  // the modulus divides v!
    int32_t p = 1;
    for (int64_t k = 2; k <= v; ++k) {
        if ((k & 0xFFFF) == 0) poll_interrupt();
        p = modmult(p, static_cast<int32_t>(finf ? k & 1 : k % modulus));
        if (p == 0) break;
    }
    return p;
}

void factorial(const Number& n, Number& r) {
    if (lintmode) {
        const int64_t v = n.lint();
        if (v < 0) error(130, "!");
        if (modularmode) {
            numstore::put_word(r, residue_factorial(v));
            return;
        }
        uint32_t p = 1;
        for (int64_t k = 2; k <= v && p; ++k) p *= static_cast<uint32_t>(k);
        numstore::put_word(r, static_cast<int32_t>(p));
        return;
    }
    if (n.sign() < 0) error(130, "!");
    int64_t v = 0;
    if (!to_int64(n, v) || v > INT32_MAX) storage_exhausted();
    // Refuse at once what could not be stored: v! > (v / e)^v, so v! has
    // more than v log2(v / e) bits.
    if (v > 100)
        require_digits(static_cast<double>(v) *
                       (std::log2(static_cast<double>(v)) - 1.4426950408889634) / kDigitBits);
    const int32_t lint = r ? r.lint() : 0;
    if (v < kFactEntries && v <= 12 && factnum[v] > 0) {
        Number s;
        set_int64(factnum[v], s);
        r = std::move(s);
    } else {
        // The largest tabulated (10 k)! not above v, then the rest.
        int64_t k = std::min<int64_t>(v / 10, kFactEntries - 1);
        while (k > 0 && !usable(facts[k])) --k;
        Number rest;
        range_product(10 * k, v, rest);
        if (k > 0) {
            fast_mult(facts[k], rest, rest);
        }
        r = std::move(rest);
    }
    r.set_lint(lint);
}

}  // namespace tolmex
