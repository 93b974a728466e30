// The parts of line editing that do not touch the terminal: the text
// written since the last line end (what the editor must show as its
// prompt), the name under the cursor and the names it may complete to.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tolmex {

// Follows what is written to the terminal: the text after the last line
// end or carriage return. Past kLimit characters only the newest are kept
// (such a line is no prompt the editor could redraw anyway).
class LineTail {
public:
    static constexpr size_t kLimit = 1024;
    void note(const char* text, size_t n);
    const std::string& text() const { return text_; }
    void clear() { text_.clear(); }

private:
    std::string text_;
};

// Where the name that ends at `cursor` of `line` starts: a letter followed
// by letters, digits and "_". Returns `cursor` when no name ends there.
size_t name_start(const std::string& line, size_t cursor);

// The longest text every name starts with ("" for no names).
std::string common_prefix(const std::vector<std::string>& names);

// The built-in names, user function names, variable and array names that
// start with `prefix` (case matters), sorted, each once.
std::vector<std::string> names_starting(const std::string& prefix);

}  // namespace tolmex
