// Installing and removing modding polys (see the header).
#include "rings/modout_install.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "base/errors.h"
#include "gcd/factor.h"
#include "gcd/gcd_methods.h"
#include "gcd/gcd_state.h"
#include "gcd/rat_irreducible.h"
#include "numbers/gcd.h"
#include "numbers/modular_state.h"
#include "numbers/number_theory.h"
#include "numbers/residue.h"
#include "poly/poly_coefs.h"
#include "poly/poly_modout.h"
#include "poly/poly_settings.h"
#include "poly/poly_terms.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "quoly/quoly_display.h"
#include "rings/ring_change.h"
#include "rings/tower_field.h"

namespace tolmex {

int using_new_polynames = 0;

namespace {

// Guards that hold moduli out of their records (a command level opened by
// an interrupt meanwhile must not remove variables).
int moduli_aside = 0;

// Marks of a modded-out variable (mod_state): its modulus made a field
// when it was installed, or not.
constexpr int32_t kFieldMark = kModFieldMark;
constexpr int32_t kOutsideMark = kModOutsideMark;
constexpr int32_t kUnused = -1;

// Input errors of a modding poly.
constexpr int kNotAPoly = 182;
constexpr int kHasDenominator = 186;
constexpr int kNotMonic = 140;
constexpr int kNegativeExponent = 141;

// The candidates of the auxiliary lists: the primes of the word-size tables
// (med_prime, the multi-modular moduli, big_prime) run without a gap from
// 17021 to 65521; nextprime walks the same primes in the same order and
// goes on beyond them.
constexpr int32_t kFirstCandidateBase = 17020;
constexpr int32_t kAuxListSpace = 4583;
constexpr size_t kFewPrimes = 5;
constexpr int32_t kReportTermLimit = 199;
constexpr int kManyFieldVars = 3;

PolyVar* var_at(int level) {
    for (PolyVar* t = polynames; t; t = t->next)
        if (t->level == level) return t;
    return nullptr;
}

bool is_modded(const PolyVar* t) { return t && t->mod_poly; }

// The levels of the field variables, deepest first.
std::vector<PolyVar*> field_tower() {
    std::vector<PolyVar*> tower;
    if (field_depth <= 0) return tower;
    for (int k = number_polys; k >= field_depth; --k) tower.push_back(var_at(k));
    return tower;
}

// The `laurent` switch is off while a modding poly is installed.
class LaurentOff {
public:
    LaurentOff() : saved_(laurent) { laurent = 0; }
    ~LaurentOff() { laurent = saved_; }
    LaurentOff(const LaurentOff&) = delete;
    LaurentOff& operator=(const LaurentOff&) = delete;

private:
    int saved_;
};

// ---------------------------------------------------------------------------
// Irreducibility modulo a candidate prime

// The tower to keep irreducible: the field variables with their moduli,
// deepest first, then the new modulus on top.
using Tower = std::vector<std::pair<PolyVar*, const PolyNode*>>;

Tower tower_with(PolyVar* t, const PolyNode* m) {
    Tower tower;
    for (PolyVar* v : field_tower())
        if (v != t) tower.emplace_back(v, v->mod_poly);
    if (t) tower.emplace_back(t, m);
    return tower;
}

// The moduli of a tower's variables out of force while the tower is
// tested (the factoring code would reduce by them); back when the guard
// ends.
class ModuliAside {
public:
    explicit ModuliAside(const Tower& tower) {
        ++moduli_aside;
        for (const auto& [v, m] : tower) saved_.emplace_back(v, std::exchange(v->mod_poly, nullptr));
    }
    ~ModuliAside() {
        for (auto& [v, m] : saved_) v->mod_poly = m;
        --moduli_aside;
    }
    ModuliAside(const ModuliAside&) = delete;
    ModuliAside& operator=(const ModuliAside&) = delete;

private:
    std::vector<std::pair<PolyVar*, PolyNode*>> saved_;
};

// The elements the field test of a tower tries are drawn from this seed,
// so that the lists come out the same every time.
constexpr uint64_t kTowerSeed = 0x746f776572;

// Whether the tower (moduli with residue coefficients) makes a field over
// the prime field in force: one level by the factoring code, several by
// the minimal polynomial of a generator.
bool tower_is_field(const Tower& tower, int64_t p) {
    ModuliAside aside(tower);
    if (tower.size() == 1) return irreducible_poly(tower[0].second, tower[0].first) == 1;
    std::vector<const PolyNode*> moduli;
    for (const auto& vm : tower) moduli.push_back(vm.second);
    return tower_makes_field(moduli, p, kTowerSeed);
}

// The tower (integer coefficients) modulo the prime p.
bool tower_irreducible_mod(const Tower& tower, int32_t p) {
    TempModulus in_p(p);
    std::vector<Poly> images;
    Tower reduced;
    for (const auto& [v, m] : tower) {
        images.emplace_back(residue_image(m));
        reduced.emplace_back(v, images.back().get());
    }
    return tower_is_field(reduced, p);
}

// Primes keeping the tower irreducible among `candidates` primes after
// `start`; last := the last candidate examined.
std::vector<int32_t> count_aux_primes(const Tower& tower, int32_t start, int32_t candidates,
                                      int32_t& last) {
    std::vector<int32_t> found;
    int32_t p = start;
    for (int32_t i = 0; i < candidates && i < kAuxListSpace; ++i) {
        poll_interrupt();
        p = nextprime(p);
        if (tower_irreducible_mod(tower, p)) found.push_back(p);
    }
    last = p;
    return found;
}

void few_primes_warning() {
    std::printf(" *** Warning. Few auxiliary primes found.\n");
    std::printf("     Expect slow g.c.d. performance.  It would be better\n");
    std::printf("     to restart Tolmex and use &X to increase the\n");
    std::printf("     first auxiliary search factor.  Current factor is ");
    std::printf("%1d\n", aux_num_1factor);
}

// The last candidate the first list examined: the second list goes on
// from there.
int32_t first_list_end = kFirstCandidateBase;

// A decision of the field rule with the first auxiliary list it found.
struct Decision {
    FieldVerdict verdict = FieldVerdict::NotField;
    std::vector<int32_t> primes;
    int32_t last = kFirstCandidateBase;
};

bool adjacent_to_field(const PolyVar* t) {
    return field_depth > 0 ? t->level == field_depth - 1 : t->level == number_polys;
}

// t's own modulus is out of force while its field is decided.
class OwnModulusAside {
public:
    explicit OwnModulusAside(PolyVar* t) : t_(t), own_(std::exchange(t->mod_poly, nullptr)) {
        ++moduli_aside;
    }
    ~OwnModulusAside() {
        t_->mod_poly = own_;
        --moduli_aside;
    }
    OwnModulusAside(const OwnModulusAside&) = delete;
    OwnModulusAside& operator=(const OwnModulusAside&) = delete;

private:
    PolyVar* t_;
    PolyNode* own_;
};

Decision decide(PolyVar* t, const PolyNode* m, bool messages) {
    Decision d;
    if (!adjacent_to_field(t)) return d;
    OwnModulusAside aside(t);
    if (lintmode) {
        // Over the fields of 2^8 and 2^16 elements the factoring code
        // decides the new level over the field below it (the deeper moduli
        // stay in force); over a prime field the tower test does.
        const bool prime_field = mod_is_prime && !finf;
        const Tower tower = tower_with(t, m);
        if ((finf && irreducible_poly(m, t) == 1) ||
            (prime_field && tower_is_field(tower, modulus)))
            d.verdict = FieldVerdict::Field;
        return d;
    }
    if (messages && !auxptr.empty()) std::printf("  First auxiliary list is already empty.\n");
    if (messages) std::printf("  Computing and counting first auxiliary list.\n");
    d.primes = count_aux_primes(tower_with(t, m), kFirstCandidateBase, aux_num_1factor, d.last);
    if (!d.primes.empty()) {
        d.verdict = FieldVerdict::Field;
        if (messages && d.primes.size() < kFewPrimes) few_primes_warning();
    } else if (field_depth == 0 && height_is_1(m) && rat_irreducible(m, t)) {
        // Irreducible over Q yet reducible modulo every prime (x^4 + 1).
        d.verdict = FieldVerdict::Field;
    }
    return d;
}

// ---------------------------------------------------------------------------
// Dropping a modulus

// Frees t's modulus (and the original a change of ground ring keeps for
// it). Field variables above t leave the field: their moduli were
// irreducible over a field that is gone.
void drop_modulus(PolyVar* t) {
    drop_system_data(t->mod_poly);
    t->mod_state = kUnused;
    for (PolyVar* v = polynames; v && v != t; v = v->next)
        if (v->mod_poly && v->mod_state == kFieldMark) v->mod_state = kOutsideMark;
    recompute_field();
}

// The lists for the field now in force, built again without messages.
void rebuild_aux_lists() {
    clear_aux_lists();
    if (field_depth == 0 || lintmode) return;
    build_first_aux_list(false);
    build_second_aux_list(var_at(field_depth), false);
}

// ---------------------------------------------------------------------------
// Stored values

void report_zero_denominator_install() {
    std::printf(" Warning.  In converting to poly-mod-out, a denominator became 0.\n");
    std::printf("   That quoly has been set to 0.\n");
}

void report_zero_denominator_recheck() {
    std::printf(" On converting a quoly to poly-mod-out, a denominator became 0.\n");
    std::printf(" The quoly was set to 1.\n");
}

// Every variable and array entry reduced by the moduli in force; a value
// whose denominator became 0 takes `fallback` (0 when installing, 1 on a
// re-check). The value stays in place until its reduced copy is ready.
void convert_stored_values(int32_t fallback) {
    if (!for_each_user_value) return;
    for_each_user_value([fallback](QuolyRec*& q) {
        if (!q || quoly_is_number(q)) return;
        Quoly c = quoly_copy(q);
        if (!mod_out_quoly(c)) {
            fallback == 0 ? report_zero_denominator_install() : report_zero_denominator_recheck();
            quoly_set(fallback, c);
        }
        QuolyRec* old = std::exchange(q, c.release());
        free_quoly(old);
    });
    if (after_ring_change) after_ring_change();  // sparse entries that became 0
}

// ---------------------------------------------------------------------------
// The report

void show_modulus(const PolyVar* t) {
    Poly p(copy_poly(t->mod_poly));
    wrap_to_top(p, t->level);
    const int64_t terms = monomial_count(p.get());
    if (terms > kReportTermLimit) {
        std::printf(" a poly of %0d terms.\n", static_cast<int>(terms));
        return;
    }
    Quoly q;
    p_q_take(std::move(p), q);
    int col = 5;
    quoly_print_inline(stdout, q.get(), col);
    std::printf("\n");
}

void report(const PolyVar* t) {
    std::printf(" Now modding out polynomial variable %s, using \n", t->name);
    std::printf("     ");
    show_modulus(t);
    if (t->mod_state != kFieldMark) {
        std::printf(" *** Not a field. Be careful dividing! Some things will not work right.\n");
        return;
    }
    std::printf("     This creates a field.\n");
    // The auxiliary primes serve the GCDs over Z: rational mode only.
    if (lintmode) return;
    std::printf("     auxiliary primes (%1d):\n", static_cast<int>(auxptr.size()));
    if (auxptr.empty()) {
        std::printf(" *** no auxiliary primes.  OK, but polygcd might run slowly.\n");
        return;
    }
    for (int32_t p : auxptr) std::printf(" %0d", p);
    std::printf("\n");
}

void install(PolyVar* t, Poly&& m) {
    LaurentOff off;
    pseudo_polynames = polynames;  // the variables as the installation sees them
    const bool replacing = t->mod_poly != nullptr;
    if (replacing) {
        std::printf(" *** Warning. Was already modding out on %s.\n", t->name);
        std::printf("     Will discard former modding polynomial.\n");
        drop_modulus(t);
    }
    // The modulus is read as typed: its coefficients are reduced by the
    // deeper moduli here (t's own is not in force yet).
    total_poly_modout(m, t);
    Decision d = decide(t, m.get(), true);
    if (lintmode) changed_in_modmode = 1;  // the modulus has no rational original
    t->mod_poly = m.release();
    t->mod_state = d.verdict == FieldVerdict::Field ? kFieldMark : kOutsideMark;
    recompute_field();
    if (d.verdict == FieldVerdict::Field && !lintmode) {
        auxptr = std::move(d.primes);
        first_list_end = d.last;
        build_second_aux_list(t, verbose != 0);
    } else if (replacing) {
        rebuild_aux_lists();  // the lists of the field the former modulus was part of
    }
    free_gcd_stash();  // its GCDs belong to the old ring
    convert_stored_values(0);
    if (field_depth > 0 && number_polys - field_depth > kManyFieldVars)
        std::printf(
            " *** Warning. Many poly vars are in the field. Performance may slow, especially "
            "over Z.\n");
    std::printf(" Converting variables...\n");
    report(t);
}

}  // namespace

// ---------------------------------------------------------------------------

int check_for_monic_poly(const QuolyRec* m, Poly& inner) {
    if (!m || quoly_is_number(m)) error(kNotAPoly, "P");
    if (!quoly_is_poly(m)) error(kHasDenominator, "P");
    const PolyNode* p = quoly_numerator(m);
    if (poly_is_const(p)) error(kNotAPoly, "P");
    for (int32_t e : poly_lowest_exponents(p))
        if (e < 0) error(kNegativeExponent, "P");
    int level = 0;
    unwrap_main(p, inner, level);
    if (!poly_eq_1(leading_level_coef(inner.get(), 2))) error(kNotMonic, "P");
    return level;
}

void set_mod_out(const QuolyRec* m) {
    Poly inner;
    const int level = check_for_monic_poly(m, inner);
    PolyVar* t = var_at(level);
    if (!t) internal_stop("set_mod_out: no variable at the level.");
    Poly bare;
    base_poly(bare, 1);
    if (poly_equal(inner.get(), bare.get())) return remove_mod_out(t);
    install(t, std::move(inner));
}

void remove_mod_out(PolyVar* t) {
    if (!t->mod_poly) {
        std::printf(" *** Warning. Wasn't modding out on %s.\n", t->name);
        return;
    }
    drop_modulus(t);
    rebuild_aux_lists();
    free_gcd_stash();
    std::printf(" No longer modding out polynomial variable %s.\n", t->name);
    if (field_depth == 0) std::printf(" There are no fields.\n");
}

void recompute_field() {
    field_depth = 0;
    for (int k = number_polys; k >= 1; --k) {
        PolyVar* v = var_at(k);
        if (!is_modded(v) || v->mod_state != kFieldMark) break;
        field_depth = k;
    }
    modout_above_field = 0;
    for (PolyVar* v = polynames; v; v = v->next) {
        if (!v->mod_poly) continue;
        if (field_depth > 0 && v->level >= field_depth) continue;
        modout_above_field = 1;
        if (v->mod_state == kFieldMark) v->mod_state = kOutsideMark;
    }
}

FieldVerdict decide_field(PolyVar* t, const PolyNode* m, bool count_primes) {
    Decision d = decide(t, m, false);
    if (count_primes && d.verdict == FieldVerdict::Field && !lintmode) {
        auxptr = std::move(d.primes);
        first_list_end = d.last;
    }
    return d.verdict;
}

void build_first_aux_list(bool messages) {
    auxptr.clear();
    if (field_depth == 0 || lintmode) return;
    if (messages) std::printf("  Computing and counting first auxiliary list.\n");
    int32_t last = kFirstCandidateBase;
    auxptr = count_aux_primes(tower_with(nullptr, nullptr), kFirstCandidateBase, aux_num_1factor, last);
    first_list_end = last;
    if (messages && !auxptr.empty() && auxptr.size() < kFewPrimes) few_primes_warning();
}

void build_second_aux_list(PolyVar* t, bool messages) {
    no_aux_primes2 = 1;
    second_aux_num = 0;
    if (!t || lintmode) return;
    if (messages) std::printf(" Computing secondary auxiliary primes for poly mod out...\n");
    int32_t last = first_list_end;
    std::vector<int32_t> found =
        count_aux_primes(tower_with(nullptr, nullptr), first_list_end, aux_num_2factor, last);
    // The list hangs on the outermost field variable only.
    for (PolyVar* v = polynames; v; v = v->next) {
        delete v->numbers;
        v->numbers = nullptr;
        v->count = 0;
    }
    t->numbers = new std::vector<Number>();
    for (int32_t p : found) t->numbers->push_back(number_from_int64(p));
    t->count = static_cast<int16_t>(found.size());
    second_aux_num = static_cast<int32_t>(found.size());
    if (messages) std::printf(" Number of secondary auxiliary primes for gcd: %d\n", second_aux_num);
    if (second_aux_num > 4) {
        no_aux_primes2 = 0;
        return;
    }
    if (messages) {
        std::printf(" *** Warning:  This is a small number.  Try restarting Tolmex,\n");
        std::printf("         then use &A to increase the search factor.  Current\n");
        std::printf("         search factor is %1d.\n", aux_num_2factor);
    }
}

void clear_aux_lists() {
    auxptr.clear();
    no_aux_primes2 = 1;
    second_aux_num = 0;
    first_list_end = kFirstCandidateBase;
    for (PolyVar* v = polynames; v; v = v->next) {
        delete v->numbers;
        v->numbers = nullptr;
        v->count = 0;
    }
}

void modout_ring_changed(bool announce) {
    // Only moduli installed here carry a mark.
    bool any = false;
    for (PolyVar* v = polynames; v; v = v->next) any |= v->mod_poly && v->mod_state != kUnused;
    if (!any) {
        if (!auxptr.empty() || !no_aux_primes2) clear_aux_lists();
        return;
    }
    // The tower is decided again from the deepest level up.
    for (PolyVar* v = polynames; v; v = v->next)
        if (v->mod_poly) v->mod_state = kOutsideMark;
    recompute_field();
    for (int k = number_polys; k >= 1; --k) {
        PolyVar* v = var_at(k);
        if (!is_modded(v) || decide(v, v->mod_poly, false).verdict != FieldVerdict::Field) break;
        v->mod_state = kFieldMark;
        recompute_field();
    }
    rebuild_aux_lists();
    free_gcd_stash();
    convert_stored_values(1);
    if (!announce) return;
    for (int k = number_polys; k >= 1; --k)
        if (PolyVar* v = var_at(k); is_modded(v)) report(v);
    if (field_depth == 0) std::printf(" There are no fields.\n");
}

void recheck(Quoly& q) {
    if (!q || quoly_is_number(q.get())) return;
    if (mod_out_quoly(q)) return;
    report_zero_denominator_recheck();
    quoly_set(1, q);
}

bool need_to_turn_off_mod_out() {
    for (PolyVar* v = polynames; v; v = v->next)
        if (v->mod_poly && (field_depth == 0 || v->level < field_depth)) return true;
    return false;
}

namespace {

// The moduli set aside while suspended, with their variables.
std::vector<std::pair<PolyVar*, PolyNode*>> suspended;

// The outermost levels, down to the last one outside the field.
int suspended_depth() { return field_depth > 0 ? field_depth - 1 : number_polys; }

void adjust_polyname_ptrs() {
    for (PolyVar* v = polynames; v; v = v->next) {
        if (!v->mod_poly || (field_depth > 0 && v->level >= field_depth)) continue;
        suspended.emplace_back(v, std::exchange(v->mod_poly, nullptr));
    }
    const int last = suspended_depth();
    using_new_polynames = 1;
    modout_above_field = 0;
    if (verbose) std::printf("Polymodding suspended on vars 1 to %d\n", last);
}

void resume_old_polynames() noexcept {
    for (auto& [v, m] : suspended) v->mod_poly = m;
    suspended.clear();
    using_new_polynames = 0;
    recompute_field();
    if (verbose) std::printf("Polymodding resumed on vars 1 to %d\n", suspended_depth());
}

}  // namespace

SuspendModout::SuspendModout() {
    if (using_new_polynames || !need_to_turn_off_mod_out()) return;
    adjust_polyname_ptrs();
    active_ = true;
}

SuspendModout::~SuspendModout() {
    if (active_) resume_old_polynames();
}

bool modout_involves_level(int k) {
    // Moduli held aside (a field decision, a suspension) are not in their
    // records: no variable goes while they are.
    if (moduli_aside > 0 || using_new_polynames) return true;
    for (PolyVar* v = polynames; v; v = v->next) {
        if (!v->mod_poly) continue;
        if (v->level == k) return true;
        if (v->level < k && poly_involves_level(v->mod_poly, k - v->level + 1)) return true;
    }
    return false;
}

}  // namespace tolmex
