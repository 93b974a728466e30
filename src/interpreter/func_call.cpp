// Calls of user functions: binding arguments to parameters, running the
// body, and undoing the bindings. A call's parameters are variable (and
// array) records pushed at the head of their buckets, so that they hide
// global names spelled the same while the call runs; each carries the
// call's frame number, so that it is found again for removal even when
// the body has pushed or cancelled names meanwhile.
#include <cstring>
#include <vector>

#include "interpreter/arrays.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/func_store.h"
#include "interpreter/functions.h"
#include "interpreter/ring_excursion.h"
#include "interpreter/scanner.h"
#include "poly/polyvars.h"
#include "storage/free_lists.h"

namespace tolmex {

namespace {

uint32_t frames_made = 0;

bool is(const char* t) { return token_is(token, t); }
void next(FILE* in, TokenNode*& cursor) { scanner(in, token, cursor); }
bool is_lower(char c) { return c >= 'a' && c <= 'z'; }

Quoly zero_value() {
    Quoly q;
    quoly_set(0, q);
    return q;
}

// One argument bound to one parameter.
struct Binding {
    const ParamRec* param;
    Quoly value;
    ArrayRec* array = nullptr;      // an array argument: the parameter record made for it
    ArrayRec* argument = nullptr;   // the array passed
    bool by_reference = false;
    char source[kTokenText] = "";   // the variable a reference argument came from
    ElementRef element;             // or the array element
};

// "^" argument: a variable name or an element of a dense array.
void read_reference(FILE* in, TokenNode*& cursor, Binding& b) {
    if (is(")")) error(206, b.param->name);
    int level = 0;
    if (!is_lower(token.text[0]) || (polynames && is_poly_name(token.text, level))) error(207, token.text);
    char name[kTokenText];
    std::memcpy(name, token.text, sizeof name);
    next(in, cursor);
    b.by_reference = true;
    if (is("[")) {
        ArrayRec* a = array_seek(name);
        if (a->is_sparse()) error(318, name);
        Operand element;
        array_element(in, name, element, cursor);
        if (!element.elem.on) error(318, name);
        b.element = element.elem;
        b.value = element.take();
        return;
    }
    std::memcpy(b.source, name, sizeof name);
    VarRec* v = find_var(name);
    if (v && v->array_param) error(207, name);
    b.value = v && v->value ? quoly_copy(v->value) : zero_value();
}

// Reads the arguments in the caller's scope (setargs, first half): nothing
// is bound until every argument has been read.
// Argument lists are recycled: a call then allocates nothing for them.
std::vector<std::vector<Binding>> spare_lists;

std::vector<Binding> new_list() {
    if (spare_lists.empty()) return {};
    std::vector<Binding> v = std::move(spare_lists.back());
    spare_lists.pop_back();
    return v;
}

void recycle(std::vector<Binding>& v) {
    v.clear();
    if (spare_lists.size() < 64) spare_lists.push_back(std::move(v));
}

std::vector<Binding> read_arguments(FILE* in, TokenNode*& cursor, const FuncRec* f) {
    std::vector<Binding> bindings = new_list();
    bindings.reserve(f->param_count);
    const bool parens = is("(");
    if (parens) next(in, cursor);
    for (const ParamRec* p = f->params; p; p = p->next) {
        int level = 0;
        if (polynames && is_poly_name(p->name, level)) error(125, p->name);
        Binding& b = bindings.emplace_back();
        b.param = p;
        const bool used_up = !parens || is(")");
        if (p->by_reference) {
            if (!parens) error(206, p->name);
            read_reference(in, cursor, b);
        } else if (used_up) {
            b.value = zero_value();
        } else if (is("[")) {
            b.argument = read_array_argument(in, cursor);
        } else {
            old_expre(in, b.value, cursor);
        }
        if (used_up) continue;
        if (p->next) {
            if (is(","))
                next(in, cursor);
            else if (!is(")"))
                error(14, token.text);
        }
    }
    if (parens) {
        if (!is(")")) error(15, token.text);
        next(in, cursor);
    }
    return bindings;
}

VarRec* push_parameter(const ParamRec* p, uint32_t frame, Quoly&& value, bool array) {
    VarRec* v = heap_alloc<VarRec>(var_garb);
    std::memcpy(v->name, p->name, sizeof v->name);
    v->code = p->code;
    v->value = array ? nullptr : value.release();
    v->array_param = array;
    v->frame = frame;
    v->next = sca_store[v->code];
    sca_store[v->code] = v;
    ++var_table_epoch;
    return v;
}

// Unlinks the call's record for p; its value, or none when the body
// cancelled it.
Quoly unlink_parameter(const ParamRec* p, uint32_t frame) {
    for (VarRec** link = &sca_store[p->code]; *link; link = &(*link)->next) {
        VarRec* v = *link;
        if (v->frame != frame || std::strcmp(v->name, p->name) != 0) continue;
        *link = v->next;
        ++var_table_epoch;
        Quoly value(v->value);
        var_garb.push(v);
        return value;
    }
    return Quoly();
}

// A call in progress. Its destructor undoes what the call did to the
// tables when the call is abandoned (an error, a panic stop): parameters
// are removed and reference arguments keep the values they had before.
class CallFrame {
public:
    CallFrame(FuncRec* f, std::vector<Binding>&& bindings)
        : f_(f), id_(++frames_made), bindings_(std::move(bindings)), saved_integer_(integerflag),
          saved_statcount_(statcount), depth_(lastf.size()) {
        ++f_->active_calls;
        call_started();
        lastf.emplace_back(f->name);
        statcount = saved_statcount_ + 1;
        integerflag = 0;
    }
    // Pushes the parameters (setargs, second half). Called once the frame
    // exists, so that its destructor undoes a binding cut short.
    void bind() {
        for (Binding& b : bindings_) {
            if (b.argument) b.array = make_array_parameter(b.param->name, b.argument);
            push_parameter(b.param, id_, std::move(b.value), b.argument != nullptr);
        }
    }
    ~CallFrame() {
        if (!returned_) {
            call_ending(depth(), false);
            unbind(false);
        }
        exit_flag = leave_flag = cycle_flag = 0;
        integerflag = saved_integer_;
        statcount = saved_statcount_;
        if (lastf.size() > depth_) lastf.resize(depth_);
        call_closed();
        recycle(bindings_);
        if (--f_->active_calls == 0 && f_->removed) free_func(f_);
    }
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

    // The normal end of the call (remove_args): reference arguments get the
    // parameters' final values.
    void finish() {
        call_ending(depth(), true);
        returned_ = true;
        unbind(true);
    }

private:
    void unbind(bool write_back);
    int depth() const { return saved_statcount_ + 1; }

    FuncRec* f_;
    uint32_t id_;
    std::vector<Binding> bindings_;
    int saved_integer_;
    int saved_statcount_;
    size_t depth_;
    bool returned_ = false;
};

void CallFrame::unbind(bool write_back) {
    const char* conflict = nullptr;
    for (Binding& b : bindings_) {
        b.value = unlink_parameter(b.param, id_);
        if (!b.array) continue;
        if (find_array(b.param->name) != b.array) conflict = b.param->name;
        remove_array_parameter(b.array);
        b.array = nullptr;
    }
    if (!write_back) return;
    if (conflict) {
        std::printf("*** Warning. On function termination, found an array with the same name as an \n");
        std::printf("       array parameter, namely: %s\n", conflict);
        error(30, conflict);
    }
    // Every parameter is gone: the names now find the caller's variables.
    for (Binding& b : bindings_) {
        if (!b.by_reference || !b.value) continue;
        if (b.element.on) {
            Operand ignored;
            assign_array_element(b.element, std::move(b.value), ignored);
        } else {
            insert_var(b.source, std::move(b.value));
        }
    }
}

}  // namespace

void unwind_function_evaluations() { lastf.clear(); }

void call_user_function(FILE* in, const char* name, Operand& value, TokenNode*& cursor, TokenNode* node) {
    FuncRec* f = find_func_at(name, node);
    if (!f) error(20, name);
    std::vector<Binding> bindings = read_arguments(in, cursor, f);
    // The terminator of the caller's statement is current: it is put back
    // when the body (which reads tokens of its own) is done.
    const Token after = token;
    Operand result;
    {
        CallFrame frame(f, std::move(bindings));
        frame.bind();
        eval_form(f->linked ? f->compiled : f->body, result);
        // The last value may refer to a parameter: copied before they go.
        if (result.present()) result.materialize();
        frame.finish();
    }
    token = after;
    if (result.present())
        value.set(result.take());
    else
        value.set(zero_value());
}

}  // namespace tolmex
