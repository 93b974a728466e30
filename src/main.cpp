#include "interpreter/driver.h"

int main(int argc, char** argv) { return tolmex::tolmex_main(argc, argv); }
