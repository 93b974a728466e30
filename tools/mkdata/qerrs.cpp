// Checks of the hand-written "Qerrs": 376 error texts, one per line (line k
// is the text of error code k), then `numbuiltins` and the built-in name
// table, one "name alias" pair per line.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <sstream>

#include "generators.hpp"

namespace mkdata {

namespace {

constexpr int kErrorLines = 376;
constexpr std::size_t kMaxErrorText = 65;
constexpr std::size_t kMaxName = 10;
constexpr int kTableSize = 110;

struct Fixed {
    int index;
    const char* name;
};

// Names whose index selects code that names the operation itself.
constexpr Fixed kFixedNames[] = {
    {0, "Array"},    {3, "Chpoly"},     {6, "Colreduce"}, {19, "FFLU"},    {20, "FFLUC"},
    {24, "Func"},    {25, "Function"},  {29, "Hermite"},  {32, "Iszero"},  {42, "MSmith"},
    {45, "Minors"},  {54, "Normalize"}, {63, "Poly"},     {67, "Pseudet"}, {73, "Redrowech"},
    {76, "Reverse"}, {78, "Rowreduce"}, {81, "STrans"},   {83, "Smith"},   {84, "Sort"},
    {85, "Sparse"},
};

// Indices whose code only says "not implemented".
constexpr int kNotImplemented[] = {1, 4, 5, 7, 9, 12, 14, 40, 41, 66, 68, 70, 79, 82, 89, 101, 103};

// Indices 0..42 run in bank 1; above that, these do too.
constexpr int kBank1Above42[] = {45, 49, 52, 53, 54, 55, 58, 60, 62, 63, 67, 69, 71,
                                 73, 76, 78, 80, 81, 83, 84, 86, 87, 88, 94, 109};

bool is_not_implemented(int i) {
    return std::find(std::begin(kNotImplemented), std::end(kNotImplemented), i) !=
           std::end(kNotImplemented);
}

bool in_bank1(int i) {
    return i <= 42 || std::find(std::begin(kBank1Above42), std::end(kBank1Above42), i) !=
                          std::end(kBank1Above42);
}

// A name the scanner can produce: a capital letter, then letters, digits or "_".
bool is_callable(const std::string& s) {
    if (s.empty() || !std::isupper(static_cast<unsigned char>(s[0]))) return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

std::string where(int line) {
    return "Qerrs line " + std::to_string(line) + ": ";
}

}  // namespace

void check_qerrs(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    for (int k = 1; k <= kErrorLines; ++k) {
        require(static_cast<bool>(std::getline(in, line)), "Qerrs: fewer than 376 error lines");
        require(line.size() <= kMaxErrorText, where(k) + "error text longer than 65 characters");
        require(line.rfind("*** ", 0) == 0, where(k) + "error text must begin with \"*** \"");
        require(line.find('\r') == std::string::npos, where(k) + "carriage return in error text");
    }

    // The system keeps these codes for itself.
    std::istringstream again(text);
    std::vector<std::string> errors;
    for (int k = 1; k <= kErrorLines && std::getline(again, line); ++k) errors.push_back(line);
    require(errors[374] == "*** Out of memory.",
            "Qerrs: code 375 must read \"*** Out of memory.\"");
    require(errors[375] == "*** Exponent too large for a machine word.",
            "Qerrs: code 376 must read \"*** Exponent too large for a machine word.\"");

    int numbuiltins = -1;
    require(std::getline(in, line) && (std::istringstream(line) >> numbuiltins) &&
                line.find("***") == std::string::npos,
            where(kErrorLines + 1) + "expected numbuiltins right after the 376 error lines");
    require(numbuiltins >= 54 && numbuiltins <= 109,
            "Qerrs: numbuiltins must lie between 54 and 109");
    require(numbuiltins == kTableSize - 1,
            "Qerrs: the built-in table must have 110 entries (numbuiltins 109)");

    std::vector<std::string> names, aliases;
    std::string name, alias;
    while (in >> name) {
        require(static_cast<bool>(in >> alias), "Qerrs: built-in " + name + " has no second word");
        names.push_back(name);
        aliases.push_back(alias);
    }
    require(static_cast<int>(names.size()) == numbuiltins + 1,
            "Qerrs: expected " + std::to_string(numbuiltins + 1) + " built-in entries, found " +
                std::to_string(names.size()));

    for (int i = 0; i < static_cast<int>(names.size()); ++i) {
        const std::string tag = "Qerrs: built-in " + std::to_string(i) + " (" + names[i] + ")";
        require(names[i].size() <= kMaxName && aliases[i].size() <= kMaxName,
                tag + ": longer than 10 characters");
        if (i > 0)
            require(std::strcmp(names[i - 1].c_str(), names[i].c_str()) < 0,
                    tag + ": not after " + names[i - 1] + " in byte order");
        bool is_alias = aliases[i][0] == '*';
        if (is_alias) {
            require(is_not_implemented(i), tag + ": an alias may only take an index without code");
            std::string target = aliases[i].substr(1);
            auto it = std::find(names.begin(), names.end(), target);
            require(it != names.end() && aliases[it - names.begin()][0] != '*',
                    tag + ": alias target is not a built-in");
            require(is_callable(names[i]), tag + ": an alias must be a name users can write");
        } else if (is_not_implemented(i)) {
            require(!is_callable(names[i]),
                    tag + ": an index without code must carry a name nobody can write");
        } else {
            require(is_callable(names[i]), tag + ": not a name users can write");
        }
    }
    for (const auto& f : kFixedNames)
        require(names[f.index] == f.name,
                "Qerrs: built-in " + std::to_string(f.index) + " must be " + f.name);

    auto det = std::find(names.begin(), names.end(), "Det");
    require(det != names.end(), "Qerrs: no Det built-in");
    int det_index = static_cast<int>(det - names.begin());
    require(in_bank1(det_index) && !is_not_implemented(det_index),
            "Qerrs: Det must sit at a bank-1 index with code");
}

}  // namespace mkdata
