// Declaring arrays (the built-in Array), deleting them ("@[a]", "@[*]")
// and describing them (listings and save files).
#include <algorithm>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "interpreter/array_internal.h"
#include "interpreter/arrays.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/scanner.h"
#include "poly/polyvars.h"

namespace tolmex {

namespace {

bool tok(const char* t) { return token_is(token, t); }
void next(FILE* in, TokenNode*& cursor) { scanner(in, token, cursor); }

ArrayRec* declare_one(FILE* in, TokenNode*& cursor) {
    if (!(token.text[0] >= 'a' && token.text[0] <= 'z')) error(40, token.text);
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    int level = 0;
    if (polynames && is_poly_name(name, level)) error(125, name);
    next(in, cursor);
    if (!tok("[")) error(178, token.text);
    next(in, cursor);
    const int64_t rows = read_index(in, cursor, 27);
    int64_t cols = 1;
    bool onedim = true;
    if (tok(",")) {
        next(in, cursor);
        cols = read_index(in, cursor, 27);
        onedim = false;
    }
    if (!tok("]")) error(61, token.text);
    next(in, cursor);
    ArrayRec* a;
    if (tok("Sparse")) {
        next(in, cursor);
        a = sparse_create(name, rows, cols, onedim, true);
    } else {
        a = insertarr(name, rows, cols, onedim);
    }
    new_array = 1;
    return a;
}

}  // namespace

namespace {

// The arrays of one declaration: when it ends in an error, none of them
// stays.
class Declared {
public:
    ~Declared() {
        if (std::uncaught_exceptions() <= pending_) return;
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) remove_array_storage(*it);
    }
    void add(ArrayRec* a) { made_.push_back(a); }

private:
    int pending_ = std::uncaught_exceptions();
    std::vector<ArrayRec*> made_;
};

}  // namespace

void create_array(FILE* in, TokenNode*& cursor) {
    Declared declared;
    for (;;) {
        declared.add(declare_one(in, cursor));
        if (!tok(",")) break;
        next(in, cursor);
    }
}

// ---------------------------------------------------------------------------
// Deletion

void removearray(const char* name, bool in_use) {
    ArrayRec* a = array_seek(name);
    if (a->is_parameter()) {
        if (levelcount > 1 || in_use) {
            std::printf(" Cancel aborted.\n");
            error(138, name);
        }
        std::printf(" Warning.  About to delete an array parameter.\n");
    } else if (has_array_parameter(a)) {
        // A running function reads and writes its entries through the
        // parameter: deleting it would leave the parameter dangling.
        std::printf(" Cancel aborted.\n");
        error(138, name);
    }
    const int32_t serial = a->serial;
    char deleted[kArrNameText];
    std::memcpy(deleted, a->name, sizeof deleted);
    remove_array_storage(a);
    if (levelcount != 1 || serial < 0) return;
    for_each_array([&](ArrayRec* b) {
        if (b->serial == -serial) {
            std::printf(" Warning. Encountered array parameter named %s,\n", b->name);
            std::printf(" which is an alias of %s.  Delete it immediately.\n", deleted);
        }
    });
}

void cancel_array(FILE* in, TokenNode*& cursor) {
    next(in, cursor);  // past "["
    if (tok("*")) {
        next(in, cursor);
        if (!tok("]")) error(24, token.text);
        std::vector<std::string> names;
        for_each_array([&](ArrayRec* a) {
            if (!a->is_parameter()) names.emplace_back(a->name);
        });
        for (const std::string& n : names) removearray(n.c_str(), false);
        next(in, cursor);
        return;
    }
    if (!(token.text[0] >= 'a' && token.text[0] <= 'z')) error(24, token.text);
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    next(in, cursor);
    if (!tok("]")) error(24, token.text);
    removearray(name, false);
    next(in, cursor);
}

// ---------------------------------------------------------------------------
// Descriptions

void arrdescribe(FILE* out, const ArrayRec* a) {
    std::fprintf(out, "Array %s[%1d", a->name, a->rows);
    if (a->onedim)
        std::fprintf(out, "]");
    else
        std::fprintf(out, ",%1d]", a->cols());
    std::fprintf(out, a->is_sparse() ? " Sparse;\n" : ";\n");
}

void list_arrays() {
    std::vector<ArrayRec*> all;
    for_each_array([&](ArrayRec* a) { all.push_back(a); });
    if (all.size() > 1000) {
        int shown = 0;
        for (ArrayRec* head : arr_store) {
            int in_bucket = 0, rest = 0;
            for (ArrayRec* a = head; a; a = a->chain) {
                if (in_bucket < 20 && shown < 1500) {
                    arrdescribe(stdout, a);
                    ++in_bucket;
                    ++shown;
                } else {
                    ++rest;
                }
            }
            if (rest && shown < 1500) std::printf(" ... %d more.\n", rest);
        }
        if (all.size() > 1500) std::printf("   ....\n");
        std::printf(" There are %d arrays.\n", static_cast<int>(all.size()));
        if (all.size() > 1500)
            std::printf("   %d were not described here.\n", static_cast<int>(all.size()) - shown);
        return;
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const ArrayRec* a, const ArrayRec* b) { return std::strcmp(a->name, b->name) < 0; });
    size_t i = 0;
    while (i < all.size()) {
        size_t j = i;
        while (j < all.size() && !std::strcmp(all[j]->name, all[i]->name)) ++j;
        const size_t shown = std::min<size_t>(j - i, 9);
        for (size_t k = i; k < i + shown; ++k) arrdescribe(stdout, all[k]);
        if (j - i > shown) std::printf(" ... %d more with this name. \n", static_cast<int>(j - i - shown));
        i = j;
    }
}

}  // namespace tolmex
