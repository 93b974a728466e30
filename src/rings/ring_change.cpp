#include "rings/ring_change.h"

#include <cstdio>
#include <new>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "base/resets.h"
#include "gcd/gcd_state.h"
#include "numbers/display_settings.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/mul_div.h"
#include "numbers/residue.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "rings/modout_install.h"
#include "storage/free_lists.h"

namespace tolmex {

void (*for_each_user_value)(QuolyVisitor) = nullptr;
void (*after_ring_change)() = nullptr;
void (*ring_change_step)() = nullptr;
QuolyRec* denom[kDenomSize];
int need_to_set_char_poly = 1;
int chpoly_block = 1;

namespace {

constexpr int32_t kCutoffAfterChange = 40;

// An undo record: the holder of a piece of system data and the original it
// held before the holder received a converted copy. Recycled through
// fixgarb.
struct Fix {
    Fix* next;       // the list link; also the free-list link
    void* holder;    // PolyNode** or QuolyRec**
    void* original;  // PolyNode* or QuolyRec*
    int32_t kind;
};
constexpr int32_t kPolyHolder = 0;
constexpr int32_t kQuolyHolder = 1;

Fix* masterfix = nullptr;
// The symmetric-display switch the user had before a field mode forced it
// off; restored on leaving the field.
int saved_alt_form_display = -1;
// Changes under way, and the command levels opened meanwhile (an error
// report that came back, or an interrupt).
int changes_under_way = 0;
int64_t levels_opened = 0;

void count_level(int) {
    if (changes_under_way > 0) ++levels_opened;
}

void to_residue(Number& x) { change_num(x, true, false); }
void from_residue(Number& x) { residue_to_number(x.lint(), x); }

void warn_zero_denominator() {
    std::printf("Warning. A zero quoly denominator was found. That quoly was set to 0.\n");
}

void push_fix(Fix* f, void* holder, void* original, int32_t kind) noexcept {
    f->holder = holder;
    f->original = original;
    f->kind = kind;
    f->next = masterfix;
    masterfix = f;
}

// A spare undo record, given back unless it was used.
class SpareFix {
public:
    SpareFix() : f_(heap_alloc<Fix>(fixgarb)) {}
    SpareFix(SpareFix&& o) noexcept : f_(std::exchange(o.f_, nullptr)) {}
    SpareFix& operator=(SpareFix&&) = delete;
    ~SpareFix() {
        if (f_) fixgarb.push(f_);
    }
    Fix* take() noexcept { return std::exchange(f_, nullptr); }

private:
    Fix* f_;
};

// ---------------------------------------------------------------------------
// The state a change sets, saved so that a change that fails puts it back.

struct RingState {
    int modularmode, lintmode, f256, f2t16, finf, smallmodulus, mod_is_prime, was_in_rat;
    int limit_char_arrays, alt_form_display, saved_alt_form_display;
    int32_t modulus, half_modulus, two28_mod;
    double rmodulus;
    int poly_cutoff, div_poly_cutoff;
    std::vector<std::pair<PolyVar*, int32_t>> cutoffs;  // each variable's own cutoff
};

RingState ring_state() {
    RingState s{modularmode,       lintmode,         f256,       f2t16,
                finf,              smallmodulus,     mod_is_prime, was_in_rat,
                limit_char_arrays, alt_form_display, saved_alt_form_display,
                modulus,           half_modulus,     two28_mod,  rmodulus,
                poly_cutoff,       div_poly_cutoff,  {}};
    for (PolyVar* t = polynames; t; t = t->next) s.cutoffs.emplace_back(t, t->cutoff);
    return s;
}

void put_ring_state(const RingState& s) noexcept {
    modularmode = s.modularmode;
    lintmode = s.lintmode;
    f256 = s.f256;
    f2t16 = s.f2t16;
    finf = s.finf;
    smallmodulus = s.smallmodulus;
    mod_is_prime = s.mod_is_prime;
    was_in_rat = s.was_in_rat;
    limit_char_arrays = s.limit_char_arrays;
    alt_form_display = s.alt_form_display;
    saved_alt_form_display = s.saved_alt_form_display;
    modulus = s.modulus;
    half_modulus = s.half_modulus;
    two28_mod = s.two28_mod;
    rmodulus = s.rmodulus;
    poly_cutoff = s.poly_cutoff;
    div_poly_cutoff = s.div_poly_cutoff;
    // Variables made meanwhile (at a command level the change let open)
    // keep theirs.
    for (PolyVar* t = polynames; t; t = t->next)
        for (const auto& [var, cutoff] : s.cutoffs)
            if (var == t) t->cutoff = cutoff;
}

void reset_ring_cutoffs(int32_t div_cutoff) {
    reset_cutoffs(poly_cutoff, kCutoffAfterChange);
    poly_cutoff = kCutoffAfterChange;
    div_poly_cutoff = div_cutoff;
}

void set_modular_state(int32_t n) {
    f256 = n == 256;
    f2t16 = n == 65536;
    finf = f256 || f2t16;
    rmodulus = n;
    smallmodulus = n < 65535;
    modulus = n;
    modularmode = lintmode = 1;
    half_modulus = n / 2;
    reset_ring_cutoffs(25);
    two28_mod = static_cast<int32_t>((int64_t{1} << 28) % n);
    mod_is_prime = is_prime(n);
    if (limit_char_arrays > n) limit_char_arrays = n;
}

void set_rational_state() {
    modularmode = lintmode = f256 = f2t16 = finf = 0;
    reset_ring_cutoffs(6);
}

// ---------------------------------------------------------------------------
// One change: converted copies of everything first, then the commit, which
// cannot fail. Until the commit nothing stored has been touched; a change
// abandoned before it frees the copies and puts the saved state back.

class Conversion {
public:
    Conversion() : saved_(ring_state()) { ++changes_under_way; }
    ~Conversion() {
        if (!committed_) {
            drop();
            put_ring_state(saved_);
        }
        --changes_under_way;
    }
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;

    const RingState& saved() const { return saved_; }

    // Forgets the copies made so far.
    void drop() noexcept {
        values_.clear();
        data_.clear();
    }

    // Exact copies of the user values (null stands for 0).
    void copy_values() {
        std::vector<QuolyRec**> holders;
        if (for_each_user_value) for_each_user_value([&](QuolyRec*& q) { holders.push_back(&q); });
        values_.reserve(holders.size());
        for (QuolyRec** h : holders) values_.push_back({h, quoly_copy_exact(*h)});
    }

    // Exact copies of the system data that goes to residues: the polys of
    // poly-mod-out and, when set up, the characteristic-polynomial table.
    // Data converted for an earlier modulus is copied from its original.
    void copy_system_data() {
        for (PolyVar* t = polynames; t; t = t->next) {
            for (PolyNode** h : {&t->mod_poly, &t->mod_poly2, &t->attached1, &t->attached2})
                if (original_of(h)) add_poly(h);
            // A second poly without a mod-out poly: the mod-out poly is 0.
            if (original_of(&t->mod_poly2) && !original_of(&t->mod_poly)) add_poly(&t->mod_poly);
        }
        if (need_to_set_char_poly == 0 && mod_is_prime && !chpoly_block)
            for (int i = 1; i < kDenomSize && i < limit_char_arrays; ++i) add_quoly(&denom[i]);
    }

    // Brings every copy into the ring now in force.
    void map_all(CoefficientMap f) {
        for (PendingValue& v : values_) {
            if (!v.fresh)
                quoly_set(0, v.fresh);
            else if (!quoly_map_coefficients(v.fresh, f))
                warn_zero_denominator();
            if (ring_change_step) ring_change_step();
        }
        for (PendingData& d : data_) {
            if (d.kind == kQuolyHolder) {
                if (!d.quoly)
                    quoly_set(0, d.quoly);
                else if (!quoly_map_coefficients(d.quoly, f))
                    warn_zero_denominator();
            } else if (!d.poly) {
                poly_set(0, d.poly);
            } else {
                poly_map_coefficients(d.poly.raw(), f);
            }
        }
    }

    // Installs the copies: system data goes back to its originals (from
    // an earlier modulus), then receives the new copies and keeps the
    // originals on the undo list; user values replace the old ones.
    void commit() noexcept {
        restore_from_mod();
        for (PendingValue& v : values_) {
            QuolyRec* old = std::exchange(*v.holder, v.fresh.release());
            free_quoly(old);
        }
        for (PendingData& d : data_) {
            void* original;
            if (d.kind == kQuolyHolder) {
                auto* h = static_cast<QuolyRec**>(d.holder);
                original = std::exchange(*h, d.quoly.release());
            } else {
                auto* h = static_cast<PolyNode**>(d.holder);
                original = std::exchange(*h, d.poly.release());
            }
            push_fix(d.fix.take(), d.holder, original, d.kind);
        }
        drop();
        free_gcd_stash();  // its GCDs belong to the old ring
        committed_ = true;
        if (after_ring_change) after_ring_change();
    }

private:
    struct PendingValue {
        QuolyRec** holder;
        Quoly fresh;
    };
    struct PendingData {
        void* holder;
        int32_t kind;
        Poly poly;
        Quoly quoly;
        SpareFix fix;
    };

    // What the holder held before any conversion: the oldest undo record
    // for it, else what it holds.
    template <class T>
    static T* original_of(T** h) {
        T* original = *h;
        for (Fix* f = masterfix; f; f = f->next)
            if (f->holder == h) original = static_cast<T*>(f->original);
        return original;
    }
    void add_poly(PolyNode** h) {
        data_.emplace_back();
        PendingData& d = data_.back();
        d.holder = h;
        d.kind = kPolyHolder;
        d.poly.reset(copy_poly_exact(original_of(h)));
    }
    void add_quoly(QuolyRec** h) {
        data_.emplace_back();
        PendingData& d = data_.back();
        d.holder = h;
        d.kind = kQuolyHolder;
        d.quoly = quoly_copy_exact(original_of(h));
    }

    RingState saved_;
    std::vector<PendingValue> values_;
    std::vector<PendingData> data_;
    bool committed_ = false;
};

void register_level_count() {
    static const bool registered = (on_reset(ResetPoint::AnyError, count_level), true);
    (void)registered;
}

// The report of the new ring, and the field modes' own settings.
void finish_modular(bool announce) {
    was_in_rat = 0;
    if (finf) {
        modulus = 2;
        mod_is_prime = 1;
    }
    if (announce) {
        std::printf(" Now in modular mode. Modulus is %1d,", modulus);
        std::printf(mod_is_prime ? " a prime" : " not a prime");
        if (f256)
            std::printf("; working over the prime field of 2^8 = 256 elements.\n");
        else if (f2t16)
            std::printf("; working over the prime field of 2^16 = 65536 elements.\n");
        else
            std::printf(".\n");
    }
    if (finf) {
        saved_alt_form_display = alt_form_display;
        alt_form_display = 0;
        mod_is_prime = 1;
        modulus = f256 ? 256 : 65536;
        smallmodulus = 1;
    }
}

void finish_rational(bool was_field) {
    modulus = -1;
    limit_char_arrays = 998;
    was_in_rat = 1;
    if (was_field && saved_alt_form_display >= 0) alt_form_display = saved_alt_form_display;
    saved_alt_form_display = -1;
}

// Copies of the values, lifted from residues to integers in rational mode.
void lift_values(Conversion& change) {
    const bool was_field = finf;
    set_rational_state();
    change.copy_values();
    change.map_all(from_residue);
    finish_rational(was_field);
}

void modular_change(int32_t n, bool announce) {
    register_level_count();
    Conversion change;
    // A command level opened on the way may have changed the values: the
    // round starts over from the values as they are then.
    for (;;) {
        const int64_t seen = levels_opened;
        change.drop();
        put_ring_state(change.saved());
        set_modular_state(n);
        change.copy_system_data();
        change.copy_values();
        change.map_all(to_residue);
        if (levels_opened == seen) break;
    }
    change.commit();
    finish_modular(announce);
}

// Meanwhile residues are read as integers: no level may open.
void rational_change() {
    InterruptHold hold;
    Conversion change;
    lift_values(change);
    change.commit();
}

// From one modulus to another through rational mode, as one change.
void modulus_change(int32_t n, bool announce) {
    InterruptHold hold;
    Conversion change;
    lift_values(change);
    set_modular_state(n);
    change.copy_system_data();
    change.map_all(to_residue);
    change.commit();
    finish_modular(announce);
}

}  // namespace

void Set_prods_for_char() {
    for (int i = 1; i < kDenomSize; ++i) {
        free_quoly(denom[i]);
        Quoly q;
        quoly_set(i, q);
        denom[i] = q.release();
    }
    need_to_set_char_poly = 1;
}

// ---------------------------------------------------------------------------
// One value at a time.

namespace {

// Converts the value q in place with f (q is null meanwhile, so that an
// error on the way leaves no half-converted value behind); false when the
// denominator vanished.
bool convert_in_place(QuolyRec*& q, CoefficientMap f) {
    Quoly hold(q);
    q = nullptr;
    const bool ok = quoly_map_coefficients(hold, f);
    q = hold.release();
    return ok;
}

}  // namespace

void poly_change_num(PolyNode*& p) { poly_map_coefficients(p, to_residue); }

void quoly_change_num(QuolyRec*& q) {
    if (q && !convert_in_place(q, to_residue)) warn_zero_denominator();
}

void poly_change_from_mod(PolyNode*& p) { poly_map_coefficients(p, from_residue); }

void quoly_change_from_mod(QuolyRec*& q) {
    if (q) (void)convert_in_place(q, from_residue);  // residues lift to nonzero integers
}

void poly_change_to_mod(PolyNode*& p) {
    SpareFix fix;
    Poly fresh(copy_poly_exact(p));
    if (!fresh)
        poly_set(0, fresh);
    else
        poly_map_coefficients(fresh.raw(), to_residue);
    PolyNode* original = std::exchange(p, fresh.release());
    push_fix(fix.take(), &p, original, kPolyHolder);
}

void quoly_change_to_mod(QuolyRec*& q) {
    SpareFix fix;
    Quoly fresh = quoly_copy_exact(q);
    if (!fresh)
        quoly_set(0, fresh);
    else if (!quoly_map_coefficients(fresh, to_residue))
        warn_zero_denominator();
    QuolyRec* original = std::exchange(q, fresh.release());
    push_fix(fix.take(), &q, original, kQuolyHolder);
}

void restore_from_mod() noexcept {
    while (Fix* f = masterfix) {
        masterfix = f->next;
        if (f->kind == kQuolyHolder) {
            auto* h = static_cast<QuolyRec**>(f->holder);
            QuolyRec* converted = std::exchange(*h, static_cast<QuolyRec*>(f->original));
            free_quoly(converted);
        } else {
            auto* h = static_cast<PolyNode**>(f->holder);
            PolyNode* converted = std::exchange(*h, static_cast<PolyNode*>(f->original));
            free_poly(converted);
        }
        fixgarb.push(f);
    }
}

void drop_system_data(PolyNode*& p) noexcept {
    for (Fix** link = &masterfix; *link;) {
        Fix* f = *link;
        if (f->holder != &p) {
            link = &f->next;
            continue;
        }
        *link = f->next;
        auto* original = static_cast<PolyNode*>(f->original);
        free_poly(original);
        fixgarb.push(f);
    }
    free_poly(p);
}

Poly rational_form(PolyNode* const* holder, bool& exact) {
    for (Fix* f = masterfix; f; f = f->next)
        if (f->holder == holder && f->kind == kPolyHolder) {
            exact = true;
            return Poly(copy_poly_exact(static_cast<const PolyNode*>(f->original)));
        }
    exact = false;
    Poly p(copy_poly_exact(*holder));
    if (p) poly_map_coefficients(p.raw(), from_residue);
    return p;
}

int64_t masterfix_length() {
    int64_t n = 0;
    for (Fix* f = masterfix; f; f = f->next) ++n;
    return n;
}

bool ring_change_in_progress() { return changes_under_way > 0; }

// ---------------------------------------------------------------------------
// The switch. Exhausted memory in the containers ends the command like any
// other exhaustion; the change has been undone by then.

void change_to_rational(bool announce) {
    if (announce) std::printf(" Changing to rational arithmetic.\n");
    if (changed_in_modmode) error(353, "p");
    try {
        rational_change();
    } catch (const std::bad_alloc&) {
        fail(kErrOutOfMemory, "p");
    }
    modout_ring_changed(announce);
}

void change_to_modular(int32_t n, bool announce) {
    try {
        modular_change(n, announce);
    } catch (const std::bad_alloc&) {
        fail(kErrOutOfMemory, "p");
    }
    modout_ring_changed(announce);
}

void change_modulus(int32_t n, bool announce) {
    if (announce) std::printf(" Changing to rational arithmetic.\n");
    if (changed_in_modmode) error(353, "p");
    if (announce) std::printf(" Changing to modular arithmetic.\n");
    try {
        modulus_change(n, announce);
    } catch (const std::bad_alloc&) {
        fail(kErrOutOfMemory, "p");
    }
    modout_ring_changed(announce);
}

}  // namespace tolmex
