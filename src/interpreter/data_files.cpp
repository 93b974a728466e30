#include "interpreter/data_files.h"

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include "interpreter/builtins.h"
#include "interpreter/errors.h"
#include "numbers/tables.h"
#include "numbers/field_tables.h"
#include "storage/accounting.h"

namespace tolmex {

Quoly pol[kPolSize][kPolSize];

namespace {


// What the last reading added to size_data_strucs, so that a reset can take
// it back.
int64_t accounted = 0;

void account(int64_t bytes) {
    size_data_strucs += bytes;
    accounted += bytes;
}

// Fixed amounts of the accounting.
constexpr int64_t kF256TableBytes = 132096;
constexpr int64_t kF2t16TableBytes = 524280;
constexpr int64_t kFixedTableBytes = 1799036;
constexpr int64_t kBytesPerBuiltin = 22;
constexpr int64_t kClosingBytes = 20000;

// Check values. The 2^16 ones are those of our field
// (x^16 + x^12 + x^3 + x + 1, generator x).
constexpr int32_t kLastMedPrime = 42349;
constexpr int32_t kLastBigPrime = 65521;
constexpr int32_t kLastLargePrime = 2147483629;
constexpr int32_t kLastModulus = 48869;
constexpr int kLastNumProdDigits = 332;
constexpr int kMinBuiltins = 54;
constexpr int kMaxBuiltins = kBuiltins - 1;
constexpr int kBinomLastN = 150;

// The moduli that precede the ones of "pprods".
constexpr int32_t kFixedModuli[5] = {3001, 16087, 16273, 16339, 19997};

// Bounds that keep a damaged file from asking for absurd amounts of memory:
// the longest number in the files has a few hundred digits, the longest
// poly of "chdat" degree 10.
constexpr long kMaxCount = 1L << 16;
constexpr long kMaxDegree = 1L << 12;

// A data file opened from the data directory; closed when done with.
class DataFile {
public:
    DataFile() = default;
    ~DataFile() { close(); }
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;

    bool open(const std::string& dir, const char* name) {
        close();
        f_ = std::fopen((dir + name).c_str(), "r");
        return f_ != nullptr;
    }
    void close() {
        if (f_) std::fclose(f_);
        f_ = nullptr;
    }
    FILE* get() const { return f_; }
    explicit operator bool() const { return f_ != nullptr; }

private:
    FILE* f_ = nullptr;
};

// The files subinitialize leaves open for read_late_data.
DataFile chdat_file, pow228_file, pprods_file;

// One whitespace-separated decimal integer, as " %ld" takes it: blanks,
// an optional sign, at least one digit. The character after the number is
// left in the stream. A value beyond the range of long is clamped.
bool read_long(FILE* f, long& v) {
    int c;
    do c = getc_unlocked(f);
    while (c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f');
    bool negative = false;
    if (c == '-' || c == '+') {
        negative = c == '-';
        c = getc_unlocked(f);
    }
    if (c < '0' || c > '9') {
        if (c != EOF) ungetc(c, f);
        return false;
    }
    unsigned long m = 0;
    constexpr unsigned long kLimit = static_cast<unsigned long>(LONG_MAX) + 1;
    for (; c >= '0' && c <= '9'; c = getc_unlocked(f)) {
        const unsigned long d = static_cast<unsigned long>(c - '0');
        m = m > (kLimit - d) / 10 ? kLimit : m * 10 + d;
    }
    if (c != EOF) ungetc(c, f);
    if (negative)
        v = m >= kLimit ? LONG_MIN : -static_cast<long>(m);
    else
        v = m >= kLimit ? LONG_MAX : static_cast<long>(m);
    return true;
}

// The integers of one file: after the first value that cannot be read,
// every further read fails too, so the rest of the file is left alone.
class Values {
public:
    explicit Values(FILE* f) : f_(f) {}
    bool next(long& v) {
        if (ok_) ok_ = read_long(f_, v);
        return ok_;
    }

private:
    FILE* f_;
    bool ok_ = true;
};

// n base-2^28 digits, most significant first, all of one sign.
bool read_digit_run(FILE* f, long n, std::vector<int32_t>& msf) {
    msf.resize(static_cast<size_t>(n));
    int sign = 0;
    for (long i = 0; i < n; ++i) {
        long d;
        if (!read_long(f, d) || d <= -kBase || d >= kBase) return false;
        const int s = (d > 0) - (d < 0);
        if (s && sign && s != sign) return false;
        if (s) sign = s;
        msf[static_cast<size_t>(i)] = static_cast<int32_t>(d);
    }
    return true;
}

// A number in digit-count form; its digit count goes to *count.
bool read_counted_number(FILE* f, Number& x, long* count) {
    long m;
    if (!read_long(f, m) || m < 1 || m > kMaxCount) return false;
    std::vector<int32_t> msf;
    if (!read_digit_run(f, m, msf)) return false;
    x = number_from_digits(msf);
    if (count) *count = m;
    return true;
}

bool is_zero(const Number& x) { return spec_is_longint(x, 0); }

// ---------------------------------------------------------------------------
// "Qerrs"

// The first stretch: one line per error code.
void read_error_texts(FILE* f) {
    char line[1024];
    for (int k = 0; k < kErrorCodes; ++k) {
        if (!std::fgets(line, sizeof line, f)) break;
        // A longer line's rest stays in the stream; drop it.
        if (!std::strchr(line, '\n')) {
            int c;
            while ((c = std::fgetc(f)) != EOF && c != '\n') {
            }
        }
        line[std::strcspn(line, "\n")] = '\0';
        set_error_text(k + 1, line);
    }
}

void set_entry_text(char (&slot)[11], const char* text) {
    std::snprintf(slot, sizeof slot, "%.10s", text);
}

void clear_builtin_table() {
    for (BuiltinEntry& e : builtin) {
        set_entry_text(e.name, "b");
        e.alias[0] = '\0';
    }
    numbuiltins = -1;
}

// The second stretch: numbuiltins, then numbuiltins + 1 pairs of words.
// A count outside 54 .. 109 is reported and kept as far as the table
// allows (at most 110 entries are read, and the search stops at 109).
// Returns the number of entries read.
int read_builtin_table(FILE* f) {
    int n = -1;
    if (std::fscanf(f, "%d", &n) != 1) n = -1;
    if (n < kMinBuiltins || n > kMaxBuiltins) tolmex_error("number builtins is wrong.", 0);
    const int pairs = n < 0 ? 0 : (n + 1 > kBuiltins ? kBuiltins : n + 1);
    int read = 0;
    char name[1024], alias[1024];
    while (read < pairs && std::fscanf(f, "%1023s %1023s", name, alias) == 2) {
        set_entry_text(builtin[read].name, name);
        set_entry_text(builtin[read].alias, alias);
        ++read;
    }
    numbuiltins = n > kMaxBuiltins ? kMaxBuiltins : n;
    return read;
}

// ---------------------------------------------------------------------------
// "pow228"

// The first part up to the binomials.
void read_powers_and_factorials(FILE* f) {
    std::vector<int32_t> groups;
    for (int k = 0; k < kTwo28Entries; ++k) {
        long m;
        if (!read_long(f, m) || m < 1 || m > kMaxCount) return;
        const long n = (m + 7) / 8;
        groups.resize(static_cast<size_t>(n));
        for (long i = 0; i < n; ++i) {
            long g;
            if (!read_long(f, g) || g < 0 || g >= kTensBase) return;
            groups[static_cast<size_t>(i)] = static_cast<int32_t>(g);
        }
        two_28[k] = number_from_digits(groups);
        account(8 * n);
    }
    for (int k = 0; k < kFactEntries; ++k) {
        long v;
        if (!read_long(f, v)) return;
        factnum[k] = static_cast<int32_t>(v);
    }
    for (int k = 0; k < kFactEntries; ++k) {
        long m;
        if (!read_counted_number(f, facts[k], &m)) return;
        if (facts[k].size() == 1)
            facts[k].set_lint(static_cast<int32_t>(low_digits_value(facts[k])));
        account(8 * m);
    }
    data_detail::read_binomials(f, kBinomLastN);
}

// The last part: the single-word values of the first binomials.
void read_binomial_words(FILE* f) {
    Values in(f);
    for (int k = 0; k < kBinomLintEntries; ++k) {
        long v;
        if (!in.next(v)) return;
        if (binom[k]) binom[k].set_lint(static_cast<int32_t>(v));
    }
}

// ---------------------------------------------------------------------------
// "primelist", "bprimes", "lrgpmes", "f256d", "f2t16d"

template <class T>
void read_values(Values& in, T* table, int from, int to) {
    long v;
    for (int i = from; i <= to && in.next(v); ++i) table[i] = static_cast<T>(v);
}

void read_primelist(FILE* f) {
    Values in(f);
    read_values(in, small_prime, 0, kSmallPrimes - 1);
    read_values(in, med_prime, 0, kMedPrimes - 1);
    if (med_prime[kMedPrimes - 1] != kLastMedPrime)
        tolmex_error("primelist file is damaged, medium.", 0);
    if (small_prime[kSmallPrimes - 1] == 0) tolmex_error("primelist file is damaged, small.", 0);
}

void read_bprimes(FILE* f) {
    Values in(f);
    read_values(in, big_prime, 0, kBigPrimes - 1);
    if (big_prime[kBigPrimes - 1] != kLastBigPrime) tolmex_error("bprimes file is damaged.", 0);
}

void read_lrgpmes(FILE* f) {
    Values in(f);
    read_values(in, lrgpme, 0, kLargePrimes - 1);
    if (lrgpme[kLargePrimes - 1] != kLastLargePrime) tolmex_error("lrgpmes file is damaged.", 0);
}

void read_f256d(FILE* f) {
    Values in(f);
    read_values(in, f256inv, 1, 255);
    if (f256inv[255] != 28) tolmex_error("f256d file is damaged 1.", 0);
    for (int a = 0; a < 256; ++a) read_values(in, f256prod[a], a, 255);
    if (f256prod[255][255] != 19) tolmex_error("f256d file is damaged 2.", 0);
    read_values(in, f256sqr, 0, 255);
    if (f256sqr[255] != 78) tolmex_error("f256d file is damaged 3.", 0);
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < a; ++b) f256prod[a][b] = f256prod[b][a];
}

void read_f2t16d(FILE* f) {
    Values in(f);
    read_values(in, f2t16exp, 0, 65535);
    if (f2t16exp[65535] != 1) tolmex_error("f2t16d file is damaged 1.", 0);
    if (f2t16exp[64507] != 44214) tolmex_error("f2t16d file is damaged 1.5.", 0);
    read_values(in, f2t16inv, 1, 65535);
    if (f2t16inv[65535] != 2196) tolmex_error("f2t16d file is damaged 2.", 0);
    read_values(in, f2t16log, 1, 65535);
    if (f2t16log[65535] != 23025) tolmex_error("f2t16d file is damaged 3.", 0);
    read_values(in, f2t16sqr, 0, 65535);
    if (f2t16sqr[65535] != 16618) tolmex_error("f2t16d file is damaged 4.", 0);
}

// ---------------------------------------------------------------------------
// "pprods"

void set_modulus(int k, int32_t v) {
    Number& p = prime[k];
    set_int64(v, p);
    p.set_lint(v);
}

void read_pprods(FILE* f) {
    long last = 0;
    {
        Values in(f);
        long v;
        for (int k = 5; k < kPrimeModuli && in.next(v); ++k) {
            set_modulus(k, static_cast<int32_t>(v));
            if (k == kPrimeModuli - 1) last = v;
        }
    }
    if (last != kLastModulus) {
        tolmex_error("error in pprods, last prime.", 0);
        std::printf("%d %c %d\n", static_cast<int>(last), ' ', kLastModulus);
        std::fflush(stdout);
    }
    compute_invs_prod();
    for (int j = 0; j < kNumProds; ++j)
        if (!read_counted_number(f, num_prod[j], nullptr)) break;
    if (num_prod[kNumProds - 1].size() != kLastNumProdDigits)
        tolmex_error("error in pprods, last num_prod.", 0);
}

// ---------------------------------------------------------------------------
// "chdat"

void read_pol_table(FILE* f) {
    for (int i = 1; i < kPolRowsUsed; ++i)
        for (int j = 0; j < i; ++j) {
            Quoly q;
            if (!direct_quoly_read(f, q)) return;
            pol[i][j] = std::move(q);
        }
}

}  // namespace

// ---------------------------------------------------------------------------

const QuolyRec* pol_entry(int i, int j) {
    if (i < 0 || i >= kPolSize || j < 0 || j >= kPolSize) return nullptr;
    return pol[i][j].get();
}

bool direct_poly_read(FILE* f, Poly& p) {
    long d;
    if (!read_long(f, d) || d < 0 || d > kMaxDegree) return false;
    // Terms in decreasing exponent, zero coefficients left out.
    TermList terms;
    for (long e = d; e >= 0; --e) {
        Number c;
        if (!read_counted_number(f, c, nullptr)) return false;
        if (!is_zero(c)) terms.append(static_cast<int32_t>(e), std::move(c));
    }
    if (terms.empty())
        scalar_to_poly(number_from_int64(0), p);
    else
        p.reset(terms.release());
    return true;
}

bool direct_quoly_read(FILE* f, Quoly& q) {
    Number den;
    Poly num;
    if (!read_counted_number(f, den, nullptr) || !direct_poly_read(f, num)) return false;
    if (is_zero(den)) return false;
    if (spec_is_longint(den, 1)) {
        p_q_take(std::move(num), q);
        return true;
    }
    // The denominator is positive in normal form.
    if (den.sign() < 0) {
        in_place_neg(den);
        poly_inplace(num.get());
    }
    const int ratflag = poly_is_const(num.get()) ? 1 : 0;
    q = make_quotient(std::move(num), Poly(number_node(std::move(den))), ratflag);
    return true;
}

namespace data_detail {

int read_binomials(FILE* f, int last_n) {
    // The digit count restarts at 1 for each n; a negative marker before an
    // entry means one digit more than the entry before.
    int stored = 0;
    std::vector<int32_t> msf;
    for (int n = 3; n <= last_n; n += 3) {
        long len = 1;
        for (int k = 1; k <= n / 2; ++k) {
            long first;
            if (!read_long(f, first)) return stored;
            if (first < 0) {
                if (++len > kMaxCount || !read_long(f, first)) return stored;
            }
            if (first <= 0 || first >= kBase) return stored;
            msf.resize(static_cast<size_t>(len));
            msf[0] = static_cast<int32_t>(first);
            for (long i = 1; i < len; ++i) {
                long d;
                if (!read_long(f, d) || d < 0 || d >= kBase) return stored;
                msf[static_cast<size_t>(i)] = static_cast<int32_t>(d);
            }
            if (stored >= kBinomEntries) {
                tolmex_error(" k > 1900.  bad binomial data in pow228", 0);
                return stored;
            }
            binom[stored++] = number_from_digits(msf);
            account(20 + 8 * len);
        }
    }
    return stored;
}

void prefill_free_lists() {
    constexpr int kFill = 5001;
    prefill_digit_slots(kFill);
    prefill_poly_nodes(kFill);
}

}  // namespace data_detail

void reset_data_tables() {
    chdat_file.close();
    pow228_file.close();
    pprods_file.close();
    set_error_text(0, nullptr);
    clear_builtin_table();
    for (Number& x : two_28) x.reset();
    for (Number& x : facts) x.reset();
    for (Number& x : binom) x.reset();
    for (Number& x : prime) x.reset();
    for (Number& x : num_prod) x.reset();
    std::memset(factnum, 0, sizeof factnum);
    std::memset(small_prime, 0, sizeof small_prime);
    std::memset(med_prime, 0, sizeof med_prime);
    std::memset(big_prime, 0, sizeof big_prime);
    std::memset(lrgpme, 0, sizeof lrgpme);
    std::memset(invs_prod, 0, sizeof invs_prod);
    std::memset(f256inv, 0, sizeof f256inv);
    std::memset(f256prod, 0, sizeof f256prod);
    std::memset(f256sqr, 0, sizeof f256sqr);
    std::memset(f2t16exp, 0, sizeof f2t16exp);
    std::memset(f2t16inv, 0, sizeof f2t16inv);
    std::memset(f2t16log, 0, sizeof f2t16log);
    std::memset(f2t16sqr, 0, sizeof f2t16sqr);
    for (auto& row : pol)
        for (Quoly& q : row) q.reset();
    size_data_strucs -= accounted;
    accounted = 0;
}

void subinitialize(const std::string& dir) {
    reset_data_tables();

    if (!chdat_file.open(dir, "chdat")) tolmex_error("can't find chdat.", 0);

    DataFile qerrs;
    if (!qerrs.open(dir, "Qerrs"))
        tolmex_error("can't find Qerrs", 0);
    else
        read_error_texts(qerrs.get());

    if (!pow228_file.open(dir, "pow228"))
        tolmex_error("can't find pow228.", 0);
    else
        read_powers_and_factorials(pow228_file.get());

    int builtins_read = 0;
    if (qerrs) builtins_read = read_builtin_table(qerrs.get());
    qerrs.close();

    DataFile primelist, bprimes, f256d, f2t16d, lrgpmes;
    if (!pprods_file.open(dir, "pprods")) tolmex_error("can't find pprods", 0);
    if (!primelist.open(dir, "primelist")) tolmex_error("can't find primelist", 0);
    if (!bprimes.open(dir, "bprimes")) tolmex_error("can't find bprimes", 0);
    if (!f256d.open(dir, "f256d")) tolmex_error("can't find f256d", 0);
    if (!f2t16d.open(dir, "f2t16d")) tolmex_error("can't find f2t16d", 0);
    if (!lrgpmes.open(dir, "lrgpmes")) tolmex_error("can't find lrgpmes", 0);

    if (primelist) read_primelist(primelist.get());
    if (bprimes) read_bprimes(bprimes.get());
    if (lrgpmes) read_lrgpmes(lrgpmes.get());
    if (f256d) read_f256d(f256d.get());
    if (f2t16d) read_f2t16d(f2t16d.get());

    account(kF256TableBytes + kF2t16TableBytes + kFixedTableBytes +
            kBytesPerBuiltin * builtins_read + kClosingBytes);
}

void read_late_data() {
    static bool lists_filled = false;
    if (!lists_filled) {
        data_detail::prefill_free_lists();
        lists_filled = true;
    }

    for (int k = 0; k < 5; ++k) set_modulus(k, kFixedModuli[k]);
    if (pprods_file) read_pprods(pprods_file.get());
    pprods_file.close();

    if (pow228_file) read_binomial_words(pow228_file.get());
    pow228_file.close();

    Number one;
    set_int64(1, one);
    pol[0][0] = make_numeric(std::move(one));
    if (chdat_file) read_pol_table(chdat_file.get());
    chdat_file.close();
}

}  // namespace tolmex
