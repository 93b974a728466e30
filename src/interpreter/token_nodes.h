// Token nodes: the records behind stored token lists (captured statements,
// function bodies) and their compiled annotations. Recycled through the
// free list name_garb; a whole list goes back in one splice.
#pragma once

#include <cstdint>

namespace tolmex {

constexpr int kTokenText = 12;  // at most 11 characters and a terminator

struct TokenNode {
    TokenNode* next;  // next token of the list; the free-list link (first word)
    char text[kTokenText];
    int16_t code;   // cached hash bucket, -1 when not yet computed
    void* ref;      // value bound to the token when a body is linked
    void* ann1;     // binding data of the linker, cleared on allocation
    void* ann2;
    int32_t kind;   // 1 scalar reference, 2 array reference, 3 array element
};

// A token node from name_garb or the heap, with its link annotations cleared.
TokenNode* newname();
// Splices the whole list starting at n onto name_garb.
void freename(TokenNode* n);

}  // namespace tolmex
