// Start-up: defaults, the data directory and the startup file.
#pragma once

#include <string>

#include "storage/stash.h"

namespace tolmex {

// Memory budget, in megabytes, when no startup file gives one.
constexpr int kDefaultMegabytes = 4000;

// The sizes of the records that live in the five node pools.
NodeSizes node_sizes();

// Sets the defaults of the algorithm globals of every subsystem, joins their
// resets to the driver, and reads the initialization data files.
void initialize(const std::string& dir);

// The driver's and the language's defaults, set after the data files are
// read and before the startup file: command level 1, messages on, error
// pushing and timing off, the grave accent as continuation mark, prompt ">".
void set_driver_defaults();

// Reads "tolstart.txt" from the working directory or the data directory:
// the memory in megabytes, then one statement per line. Returns false when
// an error ended the reading early.
bool load_startup(const std::string& dir);

}  // namespace tolmex
