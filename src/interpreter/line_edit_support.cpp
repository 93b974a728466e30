#include "interpreter/line_edit_support.h"

#include <algorithm>
#include <cctype>

#include "interpreter/builtins.h"
#include "interpreter/func_store.h"
#include "interpreter/names.h"
#include "matrix/array_store.h"

namespace tolmex {

void LineTail::note(const char* text, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (text[i] == '\n' || text[i] == '\r')
            text_.clear();
        else
            text_ += text[i];
    }
    if (text_.size() > kLimit) text_.erase(0, text_.size() - kLimit);
}

namespace {

bool in_name(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Only names a user can write: the table also holds entries such as
// "Lterm~40" for indices without code.
bool writable(const std::string& name) {
    return !name.empty() && std::isalpha(static_cast<unsigned char>(name[0])) &&
           std::all_of(name.begin(), name.end(), in_name);
}

void add_if_starting(std::vector<std::string>& out, const char* name, const std::string& prefix) {
    const std::string n(name);
    if (writable(n) && n.compare(0, prefix.size(), prefix) == 0) out.push_back(n);
}

}  // namespace

size_t name_start(const std::string& line, size_t cursor) {
    size_t start = std::min(cursor, line.size());
    while (start > 0 && in_name(line[start - 1])) --start;
    // A name starts with a letter: digits or "_" before it belong to no name.
    while (start < cursor && !std::isalpha(static_cast<unsigned char>(line[start]))) ++start;
    return start;
}

std::string common_prefix(const std::vector<std::string>& names) {
    if (names.empty()) return "";
    std::string common = names.front();
    for (const std::string& n : names) {
        size_t k = 0;
        while (k < common.size() && k < n.size() && common[k] == n[k]) ++k;
        common.resize(k);
    }
    return common;
}

std::vector<std::string> names_starting(const std::string& prefix) {
    std::vector<std::string> out;
    for (int i = 0; i <= numbuiltins && i < kBuiltins; ++i)
        add_if_starting(out, builtin[i].name, prefix);
    for_each_func([&](const FuncRec* f) {
        if (!f->removed) add_if_starting(out, f->name, prefix);
    });
    for_each_var([&](const VarRec* v) {
        if (v->frame == 0) add_if_starting(out, v->name, prefix);
    });
    for_each_array([&](const ArrayRec* a) {
        if (!a->is_parameter()) add_if_starting(out, a->name, prefix);
    });
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

}  // namespace tolmex
