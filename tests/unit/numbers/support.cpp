#include "support.h"

#include "interpreter/startup.h"
#include "numbers/decimal.h"
#include "rings/field_tables.h"
#include "storage/stash.h"

namespace numtest {

void ensure_started() {
    static bool done = false;
    if (done) return;
    done = true;
    tolmex::open_node_pools(tolmex::node_sizes());
    tolmex::init_numbers();
    tolmex::compute_field_tables();
}

namespace {
struct Start : ::testing::Environment {
    void SetUp() override { ensure_started(); }
};
const auto* env = ::testing::AddGlobalTestEnvironment(new Start);
}  // namespace

std::string Mpz::str() const {
    char* s = mpz_get_str(nullptr, 10, z);
    std::string r = s;
    void (*freefunc)(void*, size_t);
    mp_get_memory_functions(nullptr, nullptr, &freefunc);
    freefunc(s, r.size() + 1);
    return r;
}

void to_mpz(const Number& x, Mpz& out) {
    mpz_set_ui(out.z, 0);
    auto d = x.digits();
    for (size_t i = d.size(); i-- > 0;) {
        mpz_mul_2exp(out.z, out.z, 28);
        mpz_add_ui(out.z, out.z, static_cast<unsigned long>(d[i] < 0 ? -d[i] : d[i]));
    }
    if (!d.empty() && x.sign() < 0) mpz_neg(out.z, out.z);
}

Number from_mpz(const Mpz& in) {
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

bool well_formed(const Number& x) {
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

::testing::AssertionResult same(const Number& x, const Mpz& m) {
    if (!well_formed(x)) return ::testing::AssertionFailure() << "malformed digits";
    Mpz got;
    to_mpz(x, got);
    if (mpz_cmp(got.z, m.z) == 0) return ::testing::AssertionSuccess();
    std::string g = got.str(), w = m.str();
    if (g.size() > 200) g = g.substr(0, 90) + "..." + g.substr(g.size() - 90);
    if (w.size() > 200) w = w.substr(0, 90) + "..." + w.substr(w.size() - 90);
    return ::testing::AssertionFailure() << "got " << g << "\nwant " << w;
}

Number random_number(std::mt19937_64& rng, int n, int sign) {
    if (sign == 0 || n == 0) return tolmex::number_from_digits(std::vector<int32_t>{0});
    std::vector<int32_t> msf(static_cast<size_t>(n));
    const int kind = static_cast<int>(rng() % 8);
    for (int i = 0; i < n; ++i) {
        int32_t v;
        if (kind == 0)
            v = (1 << 28) - 1;  // all ones: carries everywhere
        else if (kind == 1)
            v = (rng() % 3 == 0) ? static_cast<int32_t>(rng() & 0xFFFFFFF) : 0;  // zero runs
        else
            v = static_cast<int32_t>(rng() & 0xFFFFFFF);
        msf[static_cast<size_t>(i)] = v;
    }
    if (msf[0] == 0) msf[0] = 1 + static_cast<int32_t>(rng() % 1000);
    if (sign < 0)
        for (auto& v : msf) v = -v;
    return tolmex::number_from_digits(msf);
}

}  // namespace numtest
