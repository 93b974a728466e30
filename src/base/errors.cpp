#include "base/errors.h"

#include <signal.h>

#include <cstdio>
#include <cstring>

#include "base/resets.h"

namespace tolmex {

volatile std::sig_atomic_t interrupt_pending = 0;
int interrupt_hold = 0;

namespace {

ErrorHandler handler = nullptr;

char texts[kErrorCodes][kErrorSlot];

extern "C" void interrupt(int) { interrupt_pending = 1; }

}  // namespace

void set_error_handler(ErrorHandler h) { handler = h; }

namespace {

void raise_error(int code, const char* name, bool may_return) {
    if (handler) {
        handler(code, name, may_return);
        return;
    }
    if (code < 0) return;  // no command level to open: the computation goes on
    throw RestartTopLevel{code};
}

}  // namespace

void error(int code, const char* name) { raise_error(code, name, code < 0 || demotable(code)); }

void fail(int code, const char* name) {
    raise_error(code, name, false);
    // The handler does not return here; should one ever do so, the
    // computation still must not go on.
    throw RestartTopLevel{code};
}

void warning(int code, const char* name) {
    std::printf("\n *** Warning.\n");
    switch (code) {
        case 0:
            std::printf(" *** Loop counter in Content is negative.  Will reset.\n");
            run_resets(ResetPoint::ContentWarning, 0);
            break;
        case 1: std::printf(" Specified factor for Det is unusable. Will ignore it.\n"); break;
        case 2: std::printf(" Specified degree is unreasonable. Will ignore it.\n"); break;
        case 3: std::printf(" Power is of use only over ground rings Z or Z/p.\n"); break;
        case 4:
            std::printf(" With even power, |power| must be 2^k, and modulus mod 4 must equal 3.\n");
            break;
        case 5: std::printf(" With odd power, gcd(|power|, modulus-1) must be 1.\n"); break;
        case 19: std::printf(" *** Undefined variable: %s.  will use 0\n", name); break;
        case 22:
            std::printf(" *** Trying to divide by 0, in variable: %s.  will set quotient to 0\n",
                        name);
            break;
        case 90: std::printf(" *** Can't do Det\n"); break;
        case 342:
            out_err_mess(342);
            std::printf(" If necessary, do a panic stop as soon as possible. Then if\n");
            std::printf(" necessary, delete the parameter %s.\n", name);
            break;
        default:
            std::printf(" *** Can't do %s\n", name);
            if (code == 17)
                std::printf(
                    "After &, legal symbols are: v,f,F,r,R,d,D,C,B,I,X,L,K,c,W,@,_s,_t,_G\n");
            out_err_mess(code);
            break;
    }
    std::printf("\n");
}

const char* error_text(int code) {
    static char fallback[32];
    if (code >= 1 && code <= kErrorCodes && texts[code - 1][0]) return texts[code - 1];
    std::snprintf(fallback, sizeof fallback, "*** Error %d.", code);
    return fallback;
}

void set_error_text(int code, const char* text) {
    if (!text) {
        std::memset(texts, 0, sizeof texts);
        return;
    }
    if (code < 1 || code > kErrorCodes) return;
    std::snprintf(texts[code - 1], kErrorSlot, "%.65s", text);
}

void out_err_mess(int code) { std::printf("%s\n", error_text(code)); }

void tolmex_error(const char* text, int push) {
    std::printf("*** Tolmex error. %s\n", text);
    std::fflush(stdout);
    if (push) error(-1, " ");
}

void tolmexerror(const char* text) { tolmex_error(text, 0); }

void internal_stop(const char* text) {
    tolmex_error(text, 0);
    fail(0, " ");
}

void install_interrupt_handler() {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = interrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a blocked read returns so the level opens at once
    sigaction(SIGINT, &sa, nullptr);
}

}  // namespace tolmex
