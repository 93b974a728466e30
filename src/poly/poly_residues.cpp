#include "poly/poly_residues.h"

#include <numeric>

#include "numbers/modular_state.h"
#include "poly/poly_dense.h"
#include "poly/poly_internal.h"

namespace tolmex {

using polyimpl::term_number;

bool poly_residues(const PolyNode* p, std::vector<int32_t>& x, int32_t stride) {
    x.clear();
    if (poly_iszero(p)) return true;
    if (p->expo < 0 || p->expo % stride != 0) return false;
    x.assign(static_cast<size_t>(p->expo / stride) + 1, 0);
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->expo < 0 || n->expo % stride != 0) return false;
        if (!n->isnum && !poly_is_const(n->sub)) return false;
        x[n->expo / stride] = term_number(n).lint();
    }
    return true;
}

int32_t top_exponent_gcd(const PolyNode* p) {
    int32_t g = 0;
    for (; p; p = p->next) g = std::gcd(g, p->expo < 0 ? -p->expo : p->expo);
    return g;
}

PolyNode* residues_poly(const int32_t* z, int32_t n, int32_t stride) {
    PolyNode* r = nullptr;
    if (stride == 1) {
        r = polyimpl::array_to_poly(z, 0, n - 1);
    } else {
        TermList t;
        for (int32_t k = n - 1; k >= 0; --k) {
            if (z[k] == 0) continue;
            Number c;
            setvalue(z[k], c);
            t.append(k * stride, std::move(c));
        }
        r = t.release();
    }
    return r ? r : polyimpl::zero_node();
}

void residue_product(const int32_t* x, int32_t nx, const int32_t* y, int32_t ny, int32_t* z) {
    polyimpl::array_product(x, nx, y, ny, z);
}

PolyNode* factor_entry(int32_t mult, PolyNode* factor, PolyNode* next) {
    Poly hold(factor);  // freed should the node not come
    PolyNode* n = term_node(mult, nullptr, next);
    n->sub = hold.release();
    return n;
}

namespace {

// The root of the list p, or null when an exponent is not a multiple.
bool root_list(const PolyNode* p, int32_t pchar, NumberRoot root, Poly& r) {
    TermList t;
    for (const PolyNode* n = p; n; n = n->next) {
        if (n->expo % pchar != 0) return false;
        if (n->isnum) {
            Number c;
            setvalue(root(n->num.lint()), c);
            t.append(n->expo / pchar, std::move(c));
            continue;
        }
        Poly s;
        if (!root_list(n->sub, pchar, root, s)) return false;
        t.append(n->expo / pchar, s.release());
    }
    r.reset(t.release());
    return true;
}

}  // namespace

bool poly_pth_root(const PolyNode* p, int32_t pchar, NumberRoot root, Poly& r) {
    Poly s;
    if (!root_list(p, pchar, root, s)) return false;
    r = std::move(s);
    return true;
}

}  // namespace tolmex
