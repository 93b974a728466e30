#include "interpreter/token_nodes.h"

#include "storage/free_lists.h"

namespace tolmex {

TokenNode* newname() {
    TokenNode* n = heap_alloc<TokenNode>(name_garb);
    n->next = nullptr;
    n->text[0] = '\0';
    n->code = -1;
    n->ref = nullptr;
    n->ann1 = nullptr;
    n->ann2 = nullptr;
    n->kind = 0;
    return n;
}

void freename(TokenNode* n) {
    if (!n) return;
    TokenNode* last = n;
    while (last->next) last = last->next;
    name_garb.splice(n, last);
}

}  // namespace tolmex
