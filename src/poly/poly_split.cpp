// In-place splits of term lists (see poly_split.h).
#include "poly/poly_split.h"

#include <new>

#include "poly/poly_internal.h"

namespace tolmex::polyimpl {

ListSplit ListSplit::by_count(PolyNode* p, int32_t count, int32_t shift) {
    PolyNode* cut = p;
    for (int32_t i = 1; i < count; ++i) cut = cut->next;
    return ListSplit(p, cut, shift);
}

ListSplit ListSplit::by_exponent(PolyNode* p, int32_t threshold, int32_t shift) {
    PolyNode* cut = p;
    while (cut->next && cut->next->expo >= threshold) cut = cut->next;
    return ListSplit(p, cut, shift);
}

ListSplit::ListSplit(PolyNode* p, PolyNode* cut, int32_t shift) : shift_(shift), active_(true) {
    low_ = cut->next;
    cut->next = nullptr;
    high_ = p;
    PolyNode** link = &high_;
    while (PolyNode* n = *link) {
        if (n->isnum) {
            PolyNode* w = term_node(shift, n, n->next);
            n->next = nullptr;
            *link = w;
            wrapper_ = w;
            link = &w->next;
            continue;
        }
        n->expo += shift;
        if (n->expo == 0 && poly_is_const(n->sub)) {
            PolyNode* s = n->sub;
            s->next = n->next;
            *link = s;
            parked_ = n;
            link = &s->next;
            continue;
        }
        link = &n->next;
    }
}

void ListSplit::restore() noexcept {
    if (!active_) return;
    active_ = false;
    PolyNode** link = &high_;
    PolyNode* last = nullptr;
    while (PolyNode* n = *link) {
        if (parked_ && n == parked_->sub) {
            PolyNode* t = parked_;
            t->next = n->next;
            n->next = nullptr;
            t->expo -= shift_;
            *link = t;
            last = t;
            link = &t->next;
            continue;
        }
        if (n == wrapper_) {
            PolyNode* s = n->sub;
            s->next = n->next;
            *link = s;
            n->next = nullptr;
            n->isnum = 1;
            new (&n->num) Number();
            free_poly(n);
            last = s;
            link = &s->next;
            continue;
        }
        if (!n->isnum) n->expo -= shift_;
        last = n;
        link = &n->next;
    }
    last->next = low_;
}

}  // namespace tolmex::polyimpl
