// The start-up reader of the initialization data files: the tables the
// program computes with read back and checked against values computed here
// (GMP for the big numbers, carry-less products for the fields), and a
// damaged copy of each file reported with exactly its message while the
// other files still load.
#include "interpreter/data_files.h"

#include "base/errors.h"

#include <gmp.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "data_dir.h"
#include "numbers/gmp_oracle.h"
#include "interpreter/builtins.h"
#include "interpreter/startup.h"
#include "numbers/number.h"
#include "numbers/tables.h"
#include "numbers/field_tables.h"
#include "poly/poly_eval.h"
#include "storage/accounting.h"
#include "storage/free_lists.h"
#include "storage/stash.h"

namespace {

using namespace tolmex;
using datatest::ScratchDir;
using numtest::Mpz;

struct Start : ::testing::Environment {
    void SetUp() override {
        open_node_pools(node_sizes());
        init_numbers();
    }
};
const auto* const start_environment = ::testing::AddGlobalTestEnvironment(new Start);

// True while the tables hold the good directory's data.
bool tables_good = false;

// Reads a data directory the way start-up does; returns what was printed.
std::string load(const std::string& dir) {
    tables_good = false;
    ::testing::internal::CaptureStdout();
    subinitialize(dir);
    read_late_data();
    std::fflush(stdout);
    return ::testing::internal::GetCapturedStdout();
}

void ensure_good() {
    if (tables_good) return;
    ASSERT_EQ(load(datatest::good_dir()), "");
    tables_good = true;
}

std::string report(const std::string& text) {
    return "*** Tolmex error. " + text + "\n";
}

// ---------------------------------------------------------------------------
// Oracles

// The decimal string of a base-10^8 number.
std::string decimal_string(const Number& x) {
    std::string s;
    char group[16];
    for (int32_t g : digits_msf(x)) {
        std::snprintf(group, sizeof group, s.empty() ? "%d" : "%08d", g);
        s += group;
    }
    return s;
}

int32_t gf_mult(uint32_t a, uint32_t b, uint32_t poly, int bits) {
    uint32_t r = 0;
    for (int i = 0; i < bits; ++i)
        if (b >> i & 1) r ^= a << i;
    for (int i = 2 * bits - 2; i >= bits; --i)
        if (r >> i & 1) r ^= poly << (i - bits);
    return static_cast<int32_t>(r);
}

int64_t int_of(const Number& x) {
    int64_t v = 0;
    EXPECT_TRUE(to_int64(x, v));
    return v;
}

// The poly c[0] x^e[0] + c[1] x^e[1] + ... (exponents decreasing).
Poly terms_poly(std::initializer_list<std::pair<int32_t, int64_t>> terms) {
    TermList list;
    for (auto [e, c] : terms) list.append(e, number_from_int64(c));
    return Poly(list.release());
}

// The files whose tables hold their known values.
std::set<std::string> loaded_files() {
    std::set<std::string> s;
    if (std::strcmp(error_text(376), "*** Exponent too large for a machine word.") == 0 &&
        std::strcmp(builtin[0].name, "Array") == 0 && std::strcmp(builtin[109].name, "Zlc") == 0)
        s.insert("Qerrs");
    if (two_28[129] && binom[1899] && facts[21] && binom[79] && binom[79].lint() == 155117520)
        s.insert("pow228");
    if (prime[603] && prime[603].lint() == 48869 && num_prod[598].size() == 332 &&
        invs_prod[598] != 0)
        s.insert("pprods");
    if (small_prime[1228] == 9973 && med_prime[2465] == 42349) s.insert("primelist");
    if (big_prime[1515] == 65521) s.insert("bprimes");
    if (lrgpme[1999] == 2147483629) s.insert("lrgpmes");
    if (f256inv[255] == 28 && f256prod[255][255] == 19 && f256sqr[255] == 78 &&
        f256prod[254][1] == 254)
        s.insert("f256d");
    if (f2t16exp[65535] == 1 && f2t16exp[64507] == 44214 && f2t16inv[65535] == 2196 &&
        f2t16log[65535] == 23025 && f2t16sqr[65535] == 16618)
        s.insert("f2t16d");
    if (pol_entry(11, 10)) s.insert("chdat");
    return s;
}

std::set<std::string> all_but(const std::string& name) {
    std::set<std::string> s(std::begin(datatest::kDataFiles), std::end(datatest::kDataFiles));
    s.erase(name);
    return s;
}

// ---------------------------------------------------------------------------
// Round trips

TEST(DataFiles, GoodDirectoryLoadsSilently) {
    ensure_good();
    EXPECT_EQ(loaded_files(), all_but(""));
    EXPECT_STREQ(error_text(1), "*** Missing right parenthesis.");
    EXPECT_STREQ(error_text(377), "*** Error 377.");
}

// pow228: the powers of 2^28 in decimal, the factorials of multiples of 10
// (and of 0 .. 12 as words), the binomials C(n, k) for n = 3, 6, .., 150
// (the first ones also as words).
TEST(DataFiles, PowersFactorialsAndBinomials) {
    ensure_good();
    Mpz m;
    for (int k = 1; k <= kTwo28Entries; ++k) {
        mpz_ui_pow_ui(m.z, 2, 28ul * k);
        char* s = mpz_get_str(nullptr, 10, m.z);
        EXPECT_EQ(decimal_string(two_28[k - 1]), s) << "k = " << k;
        std::free(s);
    }
    int64_t f = 1;
    for (int k = 0; k < kFactEntries; ++k) {
        if (k > 0 && k <= 12) f *= k;
        EXPECT_EQ(factnum[k], k <= 12 ? f : -1) << k;
        mpz_fac_ui(m.z, 10ul * k);
        EXPECT_TRUE(numtest::same(facts[k], m)) << "(10 * " << k << ")!";
    }
    EXPECT_EQ(facts[1].lint(), 3628800);
    int index = 0;
    for (unsigned n = 3; n <= 150; n += 3)
        for (unsigned k = 1; k <= n / 2; ++k, ++index) {
            mpz_bin_uiui(m.z, n, k);
            ASSERT_TRUE(binom[index]);
            EXPECT_TRUE(numtest::same(binom[index], m)) << "C(" << n << ", " << k << ")";
            if (index < kBinomLintEntries) {
                EXPECT_EQ(binom[index].lint(), mpz_get_si(m.z));
            }
        }
    EXPECT_EQ(index, kBinomEntries);
}

TEST(DataFiles, FieldTables) {
    ensure_good();
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; ++b)
            ASSERT_EQ(f256prod[a][b], gf_mult(a, b, 0x11B, 8)) << a << " " << b;
        if (a) {
            EXPECT_EQ(f256prod[a][f256inv[a]], 1) << a;
        }
        EXPECT_EQ(f256prod[f256sqr[a]][f256sqr[a]], a) << a;
    }
    uint32_t v = 1;
    for (uint32_t s = 0; s < 65535; ++s) {
        ASSERT_EQ(f2t16exp[s], v) << s;
        ASSERT_EQ(f2t16log[v], s) << s;
        v = static_cast<uint32_t>(gf_mult(v, 2, 0x1100B, 16));
    }
    EXPECT_EQ(f2t16exp[65535], 1);
    for (uint32_t a = 0; a < 65536; ++a) {
        if (a) {
            ASSERT_EQ(gf_mult(a, f2t16inv[a], 0x1100B, 16), 1) << a;
        }
        ASSERT_EQ(gf_mult(f2t16sqr[a], f2t16sqr[a], 0x1100B, 16), static_cast<int32_t>(a)) << a;
    }
}

TEST(DataFiles, BuiltinTable) {
    ensure_good();
    EXPECT_EQ(numbuiltins, 109);
    for (int i = 1; i <= numbuiltins; ++i)
        EXPECT_LT(std::strcmp(builtin[i - 1].name, builtin[i].name), 0) << i;
    EXPECT_EQ(find_built_in(0, numbuiltins, "Array"), 0);
    EXPECT_EQ(find_built_in(0, numbuiltins, "Zlc"), 109);
    EXPECT_EQ(find_built_in(0, numbuiltins, "Poly"), 63);
}

// ---------------------------------------------------------------------------
// The readers of "chdat" on small streams

struct Stream {
    explicit Stream(const char* text)
        : f(fmemopen(const_cast<char*>(text), std::strlen(text), "r")) {}
    ~Stream() { std::fclose(f); }
    FILE* f;
};

// Polys and quolys in digit-count form; damaged forms are refused.
TEST(DataFiles, DirectReaders) {
    Poly p;
    ASSERT_TRUE(direct_poly_read(Stream("3 1 1 1 0 1 -4 1 0").f, p));
    EXPECT_TRUE(poly_equal(p.get(), terms_poly({{3, 1}, {1, -4}}).get()));
    ASSERT_TRUE(direct_poly_read(Stream("2 1 0 1 0 1 0").f, p));
    EXPECT_TRUE(poly_iszero(p.get()));
    EXPECT_FALSE(direct_poly_read(Stream("-1").f, p));
    EXPECT_FALSE(direct_poly_read(Stream("2 1 1 1 1").f, p));
    Quoly q;
    ASSERT_TRUE(direct_quoly_read(Stream("1 3 0 1 2").f, q));  // 2 / 3
    EXPECT_TRUE(quoly_is_rational(q.get()));
    EXPECT_EQ(int_of(poly_constant(quoly_numerator(q.get()))), 2);
    EXPECT_EQ(int_of(poly_constant(quoly_denominator(q.get()))), 3);
    // (x - 1) / -2 becomes (-x + 1) / 2.
    ASSERT_TRUE(direct_quoly_read(Stream("1 -2 1 1 1 1 -1").f, q));
    EXPECT_EQ(int_of(poly_constant(quoly_denominator(q.get()))), 2);
    EXPECT_TRUE(poly_equal(quoly_numerator(q.get()), terms_poly({{1, -1}, {0, 1}}).get()));
    EXPECT_FALSE(direct_quoly_read(Stream("1 0 0 1 1").f, q));
}

// More than 1900 binomials: reported, and the table keeps its 1900 entries.
TEST(DataFiles, OverlongBinomialStream) {
    tables_good = false;
    std::string text;
    Mpz m;
    for (unsigned n = 3; n <= 153; n += 3) {
        size_t len = 1;
        for (unsigned k = 1; k <= n / 2; ++k) {
            mpz_bin_uiui(m.z, n, k);
            const size_t digits = (mpz_sizeinbase(m.z, 2) + 27) / 28;
            if (digits > len) {
                text += "-1 ";
                len = digits;
            }
            std::vector<unsigned long> d(digits);
            Mpz t;
            mpz_set(t.z, m.z);
            for (size_t i = digits; i-- > 0;) {
                d[i] = mpz_fdiv_ui(t.z, 1ul << 28);
                mpz_fdiv_q_2exp(t.z, t.z, 28);
            }
            for (unsigned long v : d) text += std::to_string(v) + " ";
        }
    }
    Stream s(text.c_str());
    ::testing::internal::CaptureStdout();
    const int stored = data_detail::read_binomials(s.f, 153);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              report(" k > 1900.  bad binomial data in pow228"));
    EXPECT_EQ(stored, kBinomEntries);
    mpz_bin_uiui(m.z, 150, 75);
    EXPECT_TRUE(numtest::same(binom[kBinomEntries - 1], m));
}

// ---------------------------------------------------------------------------
// Damaged copies

TEST(DataFiles, MissingFilesAreReportedAndSkipped) {
    const char* messages[] = {"can't find chdat.", "can't find Qerrs",     "can't find pow228.",
                              "can't find pprods", "can't find primelist", "can't find bprimes",
                              "can't find f256d",  "can't find f2t16d",    "can't find lrgpmes"};
    for (size_t i = 0; i < std::size(datatest::kDataFiles); ++i) {
        const std::string name = datatest::kDataFiles[i];
        SCOPED_TRACE(name);
        ScratchDir dir;
        dir.remove(name);
        EXPECT_EQ(load(dir.path()), report(messages[i]));
        EXPECT_EQ(loaded_files(), all_but(name));
    }
    // Without "Qerrs" there are no error texts and no built-ins; without
    // "pow228" no binomials, and pol[0][0] is there without "chdat".
    ScratchDir dir;
    dir.remove("Qerrs");
    dir.remove("pow228");
    dir.remove("chdat");
    EXPECT_EQ(load(dir.path()), report("can't find chdat.") + report("can't find Qerrs") +
                                    report("can't find pow228."));
    EXPECT_EQ(numbuiltins, -1);
    EXPECT_STREQ(error_text(1), "*** Error 1.");
    EXPECT_FALSE(binom[0]);
    ASSERT_TRUE(pol_entry(0, 0) && quoly_is_number(pol_entry(0, 0)));
    EXPECT_EQ(int_of(quoly_number(pol_entry(0, 0))), 1);
}

struct Damage {
    const char* file;
    size_t index;       // value replaced
    const char* value;  // "": the file is cut before the value instead
    const char* message;
};

// Positions of the checked values in the files.
constexpr size_t kF256Sqr = 255 + 256 * 257 / 2;
constexpr size_t kF2t16Inv = 65536, kF2t16Log = kF2t16Inv + 65535, kF2t16Sqr = kF2t16Log + 65535;

const Damage kDamages[] = {
    {"primelist", kSmallPrimes + kMedPrimes - 1, "42337", "primelist file is damaged, medium."},
    {"primelist", kSmallPrimes - 1, "0", "primelist file is damaged, small."},
    {"primelist", kSmallPrimes + 5, "", "primelist file is damaged, medium."},
    {"bprimes", kBigPrimes - 1, "65519", "bprimes file is damaged."},
    {"lrgpmes", kLargePrimes - 1, "2147483587", "lrgpmes file is damaged."},
    {"lrgpmes", kLargePrimes - 1, "", "lrgpmes file is damaged."},
    {"f256d", 254, "29", "f256d file is damaged 1."},
    {"f256d", kF256Sqr - 1, "18", "f256d file is damaged 2."},
    {"f256d", kF256Sqr + 255, "77", "f256d file is damaged 3."},
    {"f2t16d", 65535, "2", "f2t16d file is damaged 1."},
    {"f2t16d", 64507, "14", "f2t16d file is damaged 1.5."},
    {"f2t16d", kF2t16Inv + 65534, "3602", "f2t16d file is damaged 2."},
    {"f2t16d", kF2t16Log + 65534, "483", "f2t16d file is damaged 3."},
    {"f2t16d", kF2t16Sqr + 65535, "-23828", "f2t16d file is damaged 4."},
    {"f2t16d", kF2t16Sqr + 100, "", "f2t16d file is damaged 4."},
    {"pprods", 2 * kNumProds + 4, "", "error in pprods, last num_prod."},
};

TEST(DataFiles, DamagedFilesReportTheirCheck) {
    for (const Damage& d : kDamages) {
        SCOPED_TRACE(std::string(d.file) + " at " + std::to_string(d.index));
        ScratchDir dir;
        if (*d.value)
            dir.replace_value(d.file, d.index, d.value);
        else
            dir.truncate_values(d.file, d.index);
        EXPECT_EQ(load(dir.path()), report(d.message));
        EXPECT_EQ(loaded_files(), all_but(d.file));
    }
}

TEST(DataFiles, DamagedLastModulus) {
    ScratchDir dir;
    dir.replace_value("pprods", kNumProds - 1, "48871");
    EXPECT_EQ(load(dir.path()), report("error in pprods, last prime.") + "48871   48869\n");
    // The value read is kept and the products are read as usual.
    EXPECT_EQ(prime[603].lint(), 48871);
    EXPECT_EQ(num_prod[598].size(), 332);
    EXPECT_EQ(loaded_files(), all_but("pprods"));

    // Cut inside the moduli: neither check can pass.
    dir.truncate_values("pprods", kNumProds - 1);
    EXPECT_EQ(load(dir.path()), report("error in pprods, last prime.") + "0   48869\n" +
                                    report("error in pprods, last num_prod."));
    EXPECT_FALSE(prime[603]);
    EXPECT_EQ(loaded_files(), all_but("pprods"));
}

// Files without checks of their own: a short file is read as far as it goes,
// quietly, and the reading goes on.
TEST(DataFiles, UncheckedFilesCutShort) {
    ScratchDir dir;
    // "pow228" cut at a digit-count marker in the binomials (the markers are
    // the only lines that begin with -1); "chdat" inside pol[3][2].
    const auto pow228 = datatest::read_text(datatest::good_dir() + "pow228");
    const size_t cut = pow228.find("\n-1 ", pow228.size() / 2);
    ASSERT_NE(cut, std::string::npos);
    dir.write("pow228", pow228.substr(0, cut));
    dir.truncate_values("chdat", 40);
    EXPECT_EQ(load(dir.path()), "");
    EXPECT_TRUE(two_28[129] && facts[21] && binom[0]);
    EXPECT_FALSE(binom[kBinomEntries - 1]);
    EXPECT_EQ(binom[0].lint(), 0);  // the last part is gone with the cut
    EXPECT_TRUE(pol_entry(3, 0));
    EXPECT_FALSE(pol_entry(11, 10));
    std::set<std::string> loaded = all_but("pow228");
    loaded.erase("chdat");
    EXPECT_EQ(loaded_files(), loaded);
}

TEST(DataFiles, BuiltinCountOutOfRange) {
    const std::string good = datatest::read_text(datatest::good_dir() + "Qerrs");
    const size_t at = good.find("\n109\n");
    ASSERT_NE(at, std::string::npos);
    for (const char* count : {"53", "110"}) {
        SCOPED_TRACE(count);
        ScratchDir dir;
        std::string text = good;
        text.replace(at + 1, 3, count);
        dir.write("Qerrs", text);
        EXPECT_EQ(load(dir.path()), report("number builtins is wrong."));
        // The entries read are kept; the search never leaves the table.
        EXPECT_EQ(numbuiltins, std::string(count) == "53" ? 53 : 109);
        EXPECT_STREQ(builtin[53].name, "Nextprime");
        EXPECT_STREQ(builtin[54].name, std::string(count) == "53" ? "b" : "Normalize");
        EXPECT_STREQ(error_text(1), "*** Missing right parenthesis.");
        std::set<std::string> others = all_but("Qerrs");
        std::set<std::string> loaded = loaded_files();
        loaded.erase("Qerrs");
        EXPECT_EQ(loaded, others);
    }
}

}  // namespace
