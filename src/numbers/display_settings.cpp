#include "numbers/display_settings.h"

namespace tolmex {

int dispcutoff = 76;
int continuation = '`';
int uglyprint = 0;
int alt_form_display = 1;
int disp_size = 5;
int extra_line = 1;

}  // namespace tolmex
