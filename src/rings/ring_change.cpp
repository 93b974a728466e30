#include "rings/ring_change.h"

#include <cstdio>

#include "gcd/gcd_state.h"
#include "base/errors.h"
#include "numbers/display_settings.h"
#include "numbers/gcd.h"
#include "numbers/mul_div.h"
#include "poly/poly_settings.h"
#include "poly/polyvars.h"
#include "quoly/quoly_arith.h"
#include "numbers/modular_state.h"
#include "numbers/residue.h"
#include "storage/free_lists.h"

namespace tolmex {

void (*for_each_user_value)(QuolyVisitor) = nullptr;
QuolyRec* denom[kDenomSize];
int need_to_set_char_poly = 1;
int chpoly_block = 1;

namespace {

constexpr int32_t kCutoffAfterChange = 40;

// An undo record: where a change happened, what was there, and how to undo
// it. Recycled through fixgarb.
struct Fix {
    Fix* next;           // the list link; also the free-list link
    PolyNode** where;    // the link that was changed
    PolyNode* old;       // the node that was there
    int32_t kind;        // 0 restore a link, 2 free a number node that was added
};

Fix* masterfix = nullptr;
// The symmetric-display switch the user had before a field mode forced it
// off; restored on leaving the field.
int saved_alt_form_display = -1;

void record(int kind, PolyNode** where, PolyNode* old) {
    Fix* f = heap_alloc<Fix>(fixgarb);
    f->where = where;
    f->old = old;
    f->kind = kind;
    f->next = masterfix;
    masterfix = f;
}

Quoly zero() {
    Quoly z;
    quoly_set(0, z);
    return z;
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
// User values to residues.

void poly_change_num(PolyNode*& p) {
    PolyNode** link = &p;
    while (*link) {
        PolyNode* n = *link;
        bool vanished;
        if (n->isnum) {
            change_num(n->num, true, false);
            vanished = n->num.lint() == 0;
        } else {
            poly_change_num(n->sub);
            vanished = n->sub == nullptr;
            if (!vanished && n->expo == 0 && poly_is_const(n->sub)) remove_dummy(n);
        }
        if (vanished) {
            *link = n->next;
            n->next = nullptr;
            free_poly(n);
        } else {
            link = &n->next;
        }
    }
}

namespace {

// A constant denominator that has no inverse modulo a composite modulus.
bool invertible_leading_coefficient(const PolyNode* d) {
    if (finf) return true;
    int32_t lc = leading_coef(d)->num.lint();
    return smallgcd(lc, modulus) == 1;
}

}  // namespace

void quoly_change_num(QuolyRec*& q) {
    if (!q) return;
    if (q->numflag) {
        change_num(q->num, true, false);
        return;
    }
    Quoly hold(q);
    q = nullptr;
    hold->ratflag = 0;
    poly_change_num(hold->nump);
    if (!hold->nump) return;  // the value is 0
    if (hold->denp) {
        poly_change_num(hold->denp);
        if (!hold->denp || !invertible_leading_coefficient(hold->denp)) {
            std::printf("Warning. A zero quoly denominator was found. That quoly was set to 0.\n");
            return;
        }
    }
    check_quoly(hold, laurent);
    q = hold.release();
}

// ---------------------------------------------------------------------------
// Residues back to integers.

void poly_change_from_mod(PolyNode* p) {
    for (; p; p = p->next) {
        if (p->isnum)
            residue_to_number(p->num.lint(), p->num);
        else
            poly_change_from_mod(p->sub);
    }
}

void quoly_change_from_mod(QuolyRec*& q) {
    if (!q) return;
    if (q->numflag) {
        residue_to_number(q->num.lint(), q->num);
        return;
    }
    poly_change_from_mod(q->nump);
    if (!q->denp) return;
    poly_change_from_mod(q->denp);
    Quoly hold(q);
    q = nullptr;
    sanitize(hold);
    normal_form(hold, laurent);
    q = hold.release();
}

// ---------------------------------------------------------------------------
// System data, reversibly: numbers keep their digits beside the residue;
// terms that vanish are unlinked (not freed) and recorded.

void poly_change_to_mod(PolyNode*& p) {
    PolyNode** link = &p;
    while (*link) {
        PolyNode* n = *link;
        bool vanished;
        if (n->isnum) {
            change_num(n->num, false, false);
            vanished = n->num.lint() == 0;
        } else {
            poly_change_to_mod(n->sub);
            vanished = poly_iszero(n->sub);
        }
        if (vanished) {
            record(0, link, n);
            *link = n->next;
        } else {
            link = &n->next;
        }
    }
    if (!p) {
        // Everything vanished: the poly reads as the constant 0 meanwhile.
        Number z;
        setvalue(0, z);
        p = number_node(std::move(z));
        record(2, &p, p);
    }
}

void quoly_change_to_mod(QuolyRec* q) {
    if (q->numflag) {
        change_num(q->num, false, false);
        return;
    }
    poly_change_to_mod(q->nump);
    if (q->denp) poly_change_to_mod(q->denp);
}

void restore_from_mod() {
    while (masterfix) {
        Fix* f = masterfix;
        masterfix = f->next;
        if (f->kind == 2) {
            PolyNode* added = *f->where;
            *f->where = nullptr;
            free_poly(added);
        } else {
            *f->where = f->old;
        }
        fixgarb.push(f);
    }
}

int64_t masterfix_length() {
    int64_t n = 0;
    for (Fix* f = masterfix; f; f = f->next) ++n;
    return n;
}

// ---------------------------------------------------------------------------
// The switch.

namespace {

void reset_ring_cutoffs(int32_t div_cutoff) {
    reset_cutoffs(poly_cutoff, kCutoffAfterChange);
    poly_cutoff = kCutoffAfterChange;
    div_poly_cutoff = div_cutoff;
}

void change_system_data_to_mod() {
    for (PolyVar* t = polynames; t; t = t->next) {
        if (t->mod_poly) poly_change_to_mod(t->mod_poly);
        if (t->mod_poly2) poly_change_to_mod(t->mod_poly2);
        if (t->mod_poly2 && !t->mod_poly) {
            Number z;
            setvalue(0, z);
            t->mod_poly = number_node(std::move(z));
            record(2, &t->mod_poly, t->mod_poly);
        }
    }
    if (need_to_set_char_poly == 0 && mod_is_prime && !chpoly_block)
        for (int i = 1; i < kDenomSize && i < limit_char_arrays; ++i)
            quoly_change_to_mod(denom[i]);
}

}  // namespace

void change_to_rational(bool announce) {
    if (announce) std::printf(" Changing to rational arithmetic.\n");
    if (changed_in_modmode) error(353, "p");
    if (lookupgcd > 0) free_gcd_stash();
    const bool was_field = finf;
    modularmode = lintmode = f256 = f2t16 = finf = 0;
    reset_ring_cutoffs(6);
    if (for_each_user_value) for_each_user_value(quoly_change_from_mod);
    if (need_to_set_char_poly == 0 || masterfix) restore_from_mod();
    modulus = -1;
    limit_char_arrays = 998;
    was_in_rat = 1;
    if (was_field && saved_alt_form_display >= 0) alt_form_display = saved_alt_form_display;
    saved_alt_form_display = -1;
}

void change_to_modular(int32_t n, bool announce) {
    f256 = n == 256;
    f2t16 = n == 65536;
    finf = f256 || f2t16;
    rmodulus = n;
    smallmodulus = n < 65535;
    modulus = n;
    free_gcd_stash();
    modularmode = lintmode = 1;
    half_modulus = n / 2;
    reset_ring_cutoffs(25);
    two28_mod = static_cast<int32_t>((int64_t{1} << 28) % n);
    mod_is_prime = is_prime(n);
    if (limit_char_arrays > n) limit_char_arrays = n;
    change_system_data_to_mod();
    if (for_each_user_value) for_each_user_value(quoly_change_num);
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

}  // namespace tolmex
