// Residue arithmetic and the conversion between big integers and residues.
#include "numbers/residue.h"

#include <cstdio>

#include "base/resets.h"
#include "base/errors.h"
#include "numbers/display_settings.h"
#include "numbers/field_tables.h"
#include "numbers/modular_state.h"
#include "numbers/storage.h"

namespace tolmex {

int warn_cnt = 0;
int verbose = 0;

namespace {

constexpr int kWarnCap = 20;

int32_t field_product(int32_t a, int32_t b) {
    if (f256) return f256prod[a & 0xFF][b & 0xFF];
    if (a == 0 || b == 0) return 0;
    const uint32_t s = uint32_t{f2t16log[a & 0xFFFF]} + f2t16log[b & 0xFFFF];
    return f2t16exp[s < 65535 ? s : s - 65535];
}

int32_t field_inverse(int32_t a) { return f256 ? f256inv[a & 0xFF] : f2t16inv[a & 0xFFFF]; }

void warn(const char* text, int32_t value, bool with_value) {
    if (!verbose) return;
    if (warn_cnt < kWarnCap) {
        if (with_value)
            std::printf(text, value);
        else
            std::printf("%s", text);
    } else if (warn_cnt == kWarnCap) {
        std::printf(" ....etc...\n");
    }
    ++warn_cnt;
}

void reset_warnings(int) { warn_cnt = 0; }

}  // namespace

int64_t euclid_inverse(int64_t a, int64_t m, int64_t& g) {
    int64_t r0 = m, r1 = a, s0 = 0, s1 = 1;
    while (r1 != 0) {
        const int64_t q = r0 / r1;
        int64_t t = r0 - q * r1;
        r0 = r1;
        r1 = t;
        t = s0 - q * s1;
        s0 = s1;
        s1 = t;
    }
    g = r0;
    if (s0 < 0) s0 += m;
    return s0;
}

int32_t mod_add(int32_t a, int32_t b, int32_t m) {
    if (finf) return a ^ b;
    const int64_t s = int64_t{a} + b;
    return static_cast<int32_t>(s >= m ? s - m : s);
}

int32_t mod_sub(int32_t a, int32_t b, int32_t m) {
    if (finf) return a ^ b;
    const int64_t d = int64_t{a} - b;
    return static_cast<int32_t>(d < 0 ? d + m : d);
}

int32_t spec_mod_add(int32_t a, int32_t d, int32_t m) {
    int32_t r = d % m;
    if (r < 0) r += m;
    return mod_add(a, r, m);
}

int32_t modmult(int32_t a, int32_t b) {
    if (finf) return field_product(a, b);
    if (smallmodulus) {
        const uint32_t p = static_cast<uint32_t>(a) * static_cast<uint32_t>(b);
        const uint32_t m = static_cast<uint32_t>(modulus);
        return static_cast<int32_t>(p < m ? p : p % m);
    }
    const uint64_t p = static_cast<uint64_t>(static_cast<uint32_t>(a)) * static_cast<uint32_t>(b);
    const uint64_t m = static_cast<uint64_t>(modulus);
    return static_cast<int32_t>(p < m ? p : p % m);
}

int32_t mod_mult(int32_t a, int32_t b, int32_t m) {
    if (finf) return field_product(a, b);
    const uint32_t p = static_cast<uint32_t>(a) * static_cast<uint32_t>(b);
    return static_cast<int32_t>(p % static_cast<uint32_t>(m));
}

void emod_inverse(int32_t a, int32_t& r) {
    if (finf) {
        r = field_inverse(a);
        return;
    }
    int64_t g = 0;
    const int64_t x = a == 0 ? 0 : euclid_inverse(a, modulus, g);
    if (g != 1) {
        std::printf("bad1: %2d\n", a);
        error(85, " ");
        r = 0;
        return;
    }
    r = static_cast<int32_t>(x);
}

void mod_number_power(int32_t a, int32_t e, int32_t& r) {
    if (e > 15 && mod_is_prime) {
        if (a == 0) {
            r = 0;
            return;
        }
        e = static_cast<int32_t>(e % (int64_t{modulus} - 1));
        if (e == 0) {
            r = 1;
            return;
        }
    }
    if (e <= 0) {
        r = 1;
        return;
    }
    // Left to right from the highest set bit of e.
    int bit = 31 - __builtin_clz(static_cast<uint32_t>(e));
    int32_t p = a;
    while (--bit >= 0) {
        p = modmult(p, p);
        if (e >> bit & 1) p = modmult(p, a);
    }
    r = p;
}

int64_t digits_mod(const Number& x, int64_t m) {
    const uint64_t um = static_cast<uint64_t>(m);
    uint64_t rem = 0;
    DigitSpan d = x.digits();
    for (size_t i = d.size(); i-- > 0;)
        rem = ((rem << kDigitBits) | static_cast<uint32_t>(d[i] < 0 ? -d[i] : d[i])) % um;
    return static_cast<int64_t>(rem);
}

int32_t residue_power(int32_t a, const Number& e) {
    DigitSpan d = e.digits();
    size_t n = d.size();
    while (n > 0 && d[n - 1] == 0) --n;
    if (n == 0) return 1;
    if (a == 0) return 0;
    if (mod_is_prime) {
        // a^(p - 1) = 1 for every unit a of the field.
        int32_t r;
        const int64_t k = digits_mod(e, int64_t{modulus} - 1);
        if (k == 0) return 1;
        mod_number_power(a, static_cast<int32_t>(k), r);
        return r;
    }
    // Left to right over the bits of |e|, from its highest set bit.
    int32_t p = 1;
    bool started = false;
    for (size_t i = n; i-- > 0;) {
        if ((i & 1023) == 0) poll_interrupt();
        const uint32_t digit = static_cast<uint32_t>(d[i] < 0 ? -d[i] : d[i]);
        for (int bit = kDigitBits - 1; bit >= 0; --bit) {
            if (started) p = modmult(p, p);
            if (digit >> bit & 1) {
                p = started ? modmult(p, a) : a;
                started = true;
            }
        }
    }
    return p;
}

void change_num(Number& x, bool free_digits, bool check_sign) {
    const int32_t n = modulus;
    if (has_no_digits(x)) {
        // A machine integer (the word) rather than digits.
        const int32_t w = x.lint();
        int32_t r = finf ? (w < 0 ? -(w % n) : w % n) : w % n;
        if (r < 0) r += n;
        numstore::put_word(x, r);
        return;
    }
    DigitSpan d = x.digits();
    int32_t r = 0;
    if (d.size() == 1) {
        const int32_t v = d[0];
        if (!finf) {
            r = v % n;
            if (r < 0) r += n;
        } else {
            if (v < 0 || v >= n || (check_sign && v < 0))
                warn("*** Warning. in going to finite field, outsized value encountered: %d\n", v,
                     true);
            r = (v < 0 ? -v : v) % n;
        }
    } else if (d.size() > 1) {
        if (!finf) {
            r = d.back() % n;
            if (r < 0) r += n;
            for (size_t i = d.size() - 1; i-- > 0;)
                r = spec_mod_add(modmult(r, two28_mod), d[i], n);
        } else {
            warn(" *** Warning. outsized values encountered. Expect garbage.\n", 0, false);
            const int32_t v = d[0];
            r = (v < 0 ? -v : v) % n;
        }
    }
    // Without free_digits the digits stay as the integer the residue was
    // made from.
    numstore::keep_word(x, r);
    x.get()->kept = 1;
    if (free_digits) give_up_digits(x);
}

void residue_to_number(int32_t r, Number& x) {
    int64_t v = r;
    if (alt_form_display && v > modulus / 2) v -= modulus;
    set_int64(v, x);
    numstore::keep_word(x, r);
    x.get()->kept = 0;
}

void register_residue_resets() {
    on_reset(ResetPoint::StatementStart, reset_warnings);
    on_reset(ResetPoint::AnyError, reset_warnings);
    register_stretch_resets();
}

}  // namespace tolmex
