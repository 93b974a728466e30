#include "interpreter/save_load.h"

namespace tolmex {

FILE* inpuf = nullptr;
int close_inpuf = 0;
char input_file_name[256] = "";
int done_load = 0;
FILE* outpuf = nullptr;
char output_file_name[256] = "";

}  // namespace tolmex
