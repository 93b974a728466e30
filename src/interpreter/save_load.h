// Reading and saving files of statements: the state the read command keeps.
#pragma once

#include <cstdio>

namespace tolmex {

extern FILE* inpuf;               // the file being read by the read command
extern int close_inpuf;           // close it when an error occurs
extern char input_file_name[256]; // its name, empty when none
extern int done_load;             // "&x": stop reading after this statement
extern FILE* outpuf;              // the save file
extern char output_file_name[256];

}  // namespace tolmex
