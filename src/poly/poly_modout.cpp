// Reduction by modding polys (see the header).
#include "poly/poly_modout.h"

#include "base/errors.h"
#include "poly/polyvars.h"

namespace tolmex {

int modout_above_field = 0;

void mod_out_poly(Poly&, const PolyNode*, int, PolyVar*) { internal_stop("mod_out_poly"); }
void total_poly_modout(Poly&, PolyVar*) { internal_stop("total_poly_modout"); }
void above_field_modout(Poly&) { internal_stop("above_field_modout"); }

}  // namespace tolmex
