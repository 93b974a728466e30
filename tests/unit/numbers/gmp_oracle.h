// GMP as the oracle of the tests of every layer: the value of a big integer
// and back, and a comparison with a readable failure message.
#pragma once

#include <gmp.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numbers/number.h"

namespace numtest {

using tolmex::Number;

class Mpz {
public:
    Mpz() { mpz_init(z); }
    explicit Mpz(const char* dec) { mpz_init_set_str(z, dec, 10); }
    explicit Mpz(const Number& x);  // the value of x
    ~Mpz() { mpz_clear(z); }
    Mpz(const Mpz&) = delete;
    Mpz& operator=(const Mpz&) = delete;
    mpz_t z;
    std::string str() const;
};

inline std::string Mpz::str() const {
    char* s = mpz_get_str(nullptr, 10, z);
    std::string r = s;
    void (*freefunc)(void*, size_t);
    mp_get_memory_functions(nullptr, nullptr, &freefunc);
    freefunc(s, r.size() + 1);
    return r;
}

inline void to_mpz(const Number& x, Mpz& out) {
    mpz_set_ui(out.z, 0);
    auto d = x.digits();
    for (size_t i = d.size(); i-- > 0;) {
        mpz_mul_2exp(out.z, out.z, 28);
        mpz_add_ui(out.z, out.z, static_cast<unsigned long>(d[i] < 0 ? -d[i] : d[i]));
    }
    if (!d.empty() && x.sign() < 0) mpz_neg(out.z, out.z);
}

inline Mpz::Mpz(const Number& x) {
    mpz_init(z);
    to_mpz(x, *this);
}

inline Number from_mpz(const Mpz& in) {
    size_t count = 0;
    std::vector<uint32_t> buf(mpz_sizeinbase(in.z, 2) / 28 + 2);
    mpz_export(buf.data(), &count, -1, 4, 0, 4, in.z);
    if (count == 0) count = 1, buf[0] = 0;
    std::vector<int32_t> msf;
    const int s = mpz_sgn(in.z);
    for (size_t i = count; i-- > 0;)
        msf.push_back(s < 0 ? -static_cast<int32_t>(buf[i]) : static_cast<int32_t>(buf[i]));
    return tolmex::number_from_digits(msf);
}

// The digits must be normalised with every digit carrying the sign.
inline bool well_formed(const Number& x) {
    auto d = x.digits();
    if (d.empty()) return false;
    if (d.size() > 1 && d.back() == 0) return false;
    const int s = x.sign();
    for (int32_t v : d) {
        if (v >= (1 << 28) || v <= -(1 << 28)) return false;
        if ((s > 0 && v < 0) || (s < 0 && v > 0)) return false;
    }
    return true;
}

// x equals the GMP value, with a readable failure message.
inline ::testing::AssertionResult same(const Number& x, const Mpz& m) {
    if (!well_formed(x)) return ::testing::AssertionFailure() << "malformed digits";
    Mpz got;
    to_mpz(x, got);
    if (mpz_cmp(got.z, m.z) == 0) return ::testing::AssertionSuccess();
    std::string g = got.str(), w = m.str();
    if (g.size() > 200) g = g.substr(0, 90) + "..." + g.substr(g.size() - 90);
    if (w.size() > 200) w = w.substr(0, 90) + "..." + w.substr(w.size() - 90);
    return ::testing::AssertionFailure() << "got " << g << "\nwant " << w;
}

}  // namespace numtest
