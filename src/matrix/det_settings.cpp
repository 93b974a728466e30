#include "matrix/det_settings.h"

namespace tolmex {

int mod_matrix_ok = 1;
int lagrange_stash = 0;
int gauss_cutoff = 0;
int32_t rat_det_method_cut = 5000;
int32_t mod_det_method_cut = 150;
int32_t detcutoff = -1;
int pseudet_heur = 0;

}  // namespace tolmex
