// The initialization data files read at start-up from the data directory.
#pragma once

#include <string>

namespace tolmex {

constexpr int kErrorCodes = 376;
constexpr int kErrorSlot = 66;  // at most 65 characters and a terminator

// The error table's text for code (1 to 376).
const char* error_text(int code);

// Reads the data files in their fixed order (the first stretch of "Qerrs",
// ...). A file that cannot be opened is reported and skipped.
void subinitialize(const std::string& dir);

}  // namespace tolmex
