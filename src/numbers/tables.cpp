// The number tables of the initialization data.
#include "numbers/tables.h"

#include "numbers/kernels.h"
#include "numbers/residue.h"
#include "numbers/storage.h"

namespace tolmex {

Number two_28[kTwo28Entries];
int32_t factnum[kFactEntries];
Number facts[kFactEntries];
Number binom[kBinomEntries];
int16_t small_prime[kSmallPrimes];
int32_t med_prime[kMedPrimes];
int32_t big_prime[kBigPrimes];
int32_t lrgpme[kLargePrimes];
Number prime[kPrimeModuli];
Number num_prod[kNumProds];
int32_t invs_prod[kNumProds];

bool two_28_loaded() {
    for (const Number& p : two_28)
        if (!p || p.size() == 0) return false;
    return true;
}

void build_two_28() {
    // (2^28)^k in base 10^8: each entry is the previous one times 2^28.
    Number cur;
    {
        const Digit first[2] = {static_cast<Digit>(kBase % kTensBase),
                                static_cast<Digit>(kBase / kTensBase)};
        numstore::assign_digits(cur, first, 2);
    }
    for (int k = 0; k < kTwo28Entries; ++k) {
        Number next;
        const int64_t n = cur.size();
        numstore::ResultDigits out(next, n + 2, true);
        Digit* d = out.data();
        const Digit* s = cur.digits().data();
        uint64_t c = 0;
        for (int64_t i = 0; i < n; ++i) {
            const uint64_t t = static_cast<uint64_t>(s[i]) * static_cast<uint64_t>(kBase) + c;
            d[i] = static_cast<Digit>(t % kTensBase);
            c = t / kTensBase;
        }
        d[n] = static_cast<Digit>(c % kTensBase);
        d[n + 1] = static_cast<Digit>(c / kTensBase);
        out.commit(n + 2);
        two_28[k] = std::move(cur);
        cur = std::move(next);
    }
}

void compute_invs_prod() {
    // Running product of the earlier moduli, reduced modulo each new one.
    invs_prod[0] = 1;
    for (int j = 1; j < kNumProds; ++j) {
        const int64_t p = prime[5 + j] ? prime[5 + j].lint() : 0;
        if (p <= 1) {
            invs_prod[j] = 0;
            continue;
        }
        int64_t prod = 1;
        for (int i = 0; i < j; ++i) prod = prod * (prime[5 + i].lint() % p) % p;
        int64_t g;
        invs_prod[j] = static_cast<int32_t>(euclid_inverse(prod, p, g));
    }
}

}  // namespace tolmex
