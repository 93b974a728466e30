#include "poly/poly_settings.h"

namespace tolmex {

int poly_cutoff = 20;
int simplest_poly_cutoff = 140;
int fast_mult_cut = 10;
int fast_gcd_size = 25000;
int div_poly_cutoff = 6;
int laurent = 0;
int nomodpolyreadin = 0;
int monomial_list = 0;
int do_line_sup = 1;
int try_rat = 1;
int rat_yes = 1;
int field_depth = 0;

}  // namespace tolmex
