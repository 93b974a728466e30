// Mapping the coefficients of a poly: the change of ground ring rewrites
// every number and drops what vanished in the new ring.
#include "poly/poly.h"
#include "poly/poly_internal.h"

namespace tolmex {

using namespace polyimpl;

namespace {

// Maps the list p; terms that vanish are unlinked and freed, so p may end
// empty (null). The list stays linked and freeable at every step.
void map_list(PolyNode*& p, CoefficientMap f) {
    PolyNode** link = &p;
    while (PolyNode* n = *link) {
        bool vanished;
        if (n->isnum) {
            f(n->num);
            vanished = num_is_zero(n->num);
        } else {
            map_list(n->sub, f);
            vanished = n->sub == nullptr;
            if (!vanished) settle_term(n);
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

}  // namespace

void poly_map_coefficients(PolyNode*& p, CoefficientMap f) {
    map_list(p, f);
    if (!p) p = zero_node();
}

PolyNode* copy_poly_exact(const PolyNode* p) {
    LintmodeOff digits;
    return copy_poly(p);
}

}  // namespace tolmex
