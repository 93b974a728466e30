#include "interpreter/ring_excursion.h"

#include <vector>

#include "base/resets.h"
#include "interpreter/builtins.h"
#include "interpreter/driver.h"
#include "interpreter/names.h"
#include "matrix/array_store.h"
#include "numbers/modular_state.h"
#include "rings/ring_change.h"

namespace tolmex {

namespace {

struct Ring {
    int modular;
    int32_t modulus;
    bool operator==(const Ring& o) const { return modular == o.modular && (!modular || modulus == o.modulus); }
};

Ring current_ring() { return Ring{modularmode, modulus}; }

struct Excursion {
    bool active = false;
    bool abandoned = false;  // its call was abandoned: settle at the next statement
    Ring entry{0, 0};
    int owner = 0;           // depth of the call that made the first change
    std::vector<VarRec*> vars;
};
Excursion excursion;

// What existed when each call in progress started: the next variable
// creation number and the next array serial.
struct Births {
    uint32_t vars;
    int32_t arrays;
};
std::vector<Births> frames;

void switch_to(const Ring& r) {
    if (current_ring() == r) return;
    if (!r.modular)
        change_to_rational(false);
    else if (!modularmode)
        change_to_modular(r.modulus, false);
    else
        change_modulus(r.modulus, false);
}

void put_back() {
    unhide_global_vars(excursion.vars);
    unhide_arrays();
    excursion = Excursion();
}

// Back in the entry ring with everything put back, then (when `stay` is
// another ring) over to it again with everything converted.
void settle(const Ring& stay) {
    switch_to(excursion.entry);
    put_back();
    switch_to(stay);
    reset_random_denominator();
}

}  // namespace

bool ring_excursion_active() { return excursion.active; }

void call_started() { frames.push_back(Births{var_births, array_time}); }

void call_closed() {
    if (!frames.empty()) frames.pop_back();
}

void ring_change_starting() {
    if (excursion.active || statcount < 1) return;
    excursion.active = true;
    excursion.entry = current_ring();
    excursion.owner = statcount;
    const Births before = frames.empty() ? Births{var_births, array_time} : frames.back();
    hide_global_vars(excursion.vars, before.vars);
    hide_arrays([&](const ArrayRec* a) {
        return !a->is_parameter() && a->serial < before.arrays && !has_array_parameter(a);
    });
}

void ring_change_done() {
    if (excursion.active && !excursion.abandoned && current_ring() == excursion.entry) put_back();
}

void call_ending(int depth, bool normal) {
    if (!excursion.active || excursion.owner != depth) return;
    if (normal)
        settle(current_ring());
    else
        excursion.abandoned = true;
}

void register_ring_excursion() {
    // Outside any call (the statement is over or abandoned): an abandoned
    // call's ring change is undone.
    auto settle_abandoned = [](int) {
        if (excursion.active && excursion.abandoned) settle(excursion.entry);
    };
    on_reset(ResetPoint::StatementStart, settle_abandoned);
}

}  // namespace tolmex
