// The ground ring of a test, for the tests of every layer from numbers up:
// m = 0 is rational arithmetic, 256 and 65536 the fields. The modular state
// comes back when the guard ends.
#pragma once

#include <cstdint>

#include "numbers/gcd.h"
#include "numbers/modular_state.h"

namespace unit {

class RingScope {
public:
    explicit RingScope(int32_t m) {
        tolmex::modularmode = tolmex::lintmode = m != 0;
        tolmex::modulus = m ? m : -1;
        tolmex::finf = m == 256 || m == 65536;
        tolmex::f256 = m == 256;
        tolmex::f2t16 = m == 65536;
        if (m == 0) return;
        tolmex::half_modulus = m / 2;
        tolmex::rmodulus = m;
        tolmex::smallmodulus = m < 65535 || tolmex::finf;
        tolmex::mod_is_prime = tolmex::finf || tolmex::is_prime(m);
        tolmex::two28_mod = static_cast<int32_t>((int64_t{1} << 28) % m);
    }
    ~RingScope() {
        tolmex::modularmode = mode_;
        tolmex::lintmode = lint_;
        tolmex::smallmodulus = small_;
        tolmex::mod_is_prime = prime_;
        tolmex::finf = finf_;
        tolmex::f256 = f256_;
        tolmex::f2t16 = f2t16_;
        tolmex::modulus = mod_;
        tolmex::half_modulus = half_;
        tolmex::rmodulus = rmod_;
        tolmex::two28_mod = two28_;
    }
    RingScope(const RingScope&) = delete;
    RingScope& operator=(const RingScope&) = delete;

private:
    int mode_ = tolmex::modularmode, lint_ = tolmex::lintmode, small_ = tolmex::smallmodulus,
        prime_ = tolmex::mod_is_prime, finf_ = tolmex::finf, f256_ = tolmex::f256,
        f2t16_ = tolmex::f2t16;
    int32_t mod_ = tolmex::modulus, half_ = tolmex::half_modulus, two28_ = tolmex::two28_mod;
    double rmod_ = tolmex::rmodulus;
};

}  // namespace unit
