// Out-of-memory recovery: each statement of a set runs with its n-th
// allocation refused, for every n up to the number of allocations the
// statement makes (or a sample of them). The statement must either end in
// error 375 ("Out of memory.") or succeed; afterwards every stored value
// must display as before and the statement, run again, must give the same
// output as it did without a failure.
//
// The whole system runs in this process, as in the statement fuzzer. The
// pools and the digit storage ask the countdown of base/alloc_faults.h;
// operator new, replaced below, asks it too, so std::vector and std::string
// fail on demand as well.
#include <gtest/gtest.h>
#include <stdio_ext.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "base/alloc_faults.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "numbers/modular_state.h"
#include "storage/free_lists.h"

// ---------------------------------------------------------------------------
// operator new that asks the countdown (and plain malloc and free beneath)

#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t n) {
    if (tolmex::allocation_refused()) throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return ::operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    if (tolmex::allocation_refused()) return nullptr;
    return std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
    return ::operator new(n, t);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using tolmex::refuse_allocation;

// What the countdown still had when the last session ended.
int64_t countdown_left = 0;

// Runs `text` as the session's standard input until it ends, with the n-th
// allocation refused when n > 0; returns what the session wrote on standard
// output. The countdown is off again when the session has ended.
std::string session(const std::string& text, int64_t n = 0, bool sticky = false) {
    std::fflush(stdout);
    const int in = memfd_create("statements", 0);
    const int out = memfd_create("output", 0);
    if (in < 0 || out < 0) std::abort();
    if (write(in, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
    lseek(in, 0, SEEK_SET);
    const int saved_out = dup(STDOUT_FILENO);
    dup2(in, STDIN_FILENO);
    dup2(out, STDOUT_FILENO);
    close(in);
    __fpurge(stdin);
    std::clearerr(stdin);
    refuse_allocation(n, sticky);
    try {
        tolmex::run_command_loop();
    } catch (tolmex::QuitProgram&) {
    }
    countdown_left = tolmex::alloc_fault_countdown;
    refuse_allocation(0);
    std::fflush(stdout);
    tolmex::reset_to_top_level();
    dup2(saved_out, STDOUT_FILENO);
    close(saved_out);
    std::string result(static_cast<size_t>(lseek(out, 0, SEEK_END)), '\0');
    if (pread(out, result.data(), result.size(), 0) != static_cast<ssize_t>(result.size()))
        std::abort();
    close(out);
    return result;
}

// What "&_G" does, right before a faulted run (a session's own end frees
// records): the free records go back to their stashes, so that the records
// too are taken by allocations that can be refused.
void give_back_free_records() {
    tolmex::give_back_to_stash(tolmex::quolystash, tolmex::quolygarb);
    tolmex::give_back_to_stash(tolmex::polystash, tolmex::polygarb);
    if (!tolmex::lintmode) tolmex::give_back_to_stash(tolmex::imagstash, tolmex::imhead);
}

// How a faulted run ended: "ok" (no error at all), "375", or the first line
// of any other error report.
std::string outcome(const std::string& out) {
    static const char* const kReportLines[] = {
        "*** Inappropriate symbol: ", "*** Error occurred at this point:",
        "*** Stopped right before this:", "*** The most recent function evaluations were:",
        "*** Function was interrupted at:"};
    bool oom = false;
    size_t at = 0;
    while ((at = out.find("***", at)) != std::string::npos) {
        const size_t eol = out.find('\n', at);
        const std::string line = out.substr(at, eol == std::string::npos ? eol : eol - at);
        at += 3;
        if (line == "*** Out of memory.") {
            oom = true;
            continue;
        }
        bool known = false;
        for (const char* k : kReportLines) known |= line.rfind(k, 0) == 0;
        if (!known) return line;
    }
    return oom ? "375" : "ok";
}

// The values every run checks, and the statements run under failures. The
// statements assign only t and u, which the check does not display.
const char* const kSetup =
    "&J x\n&J y\n"
    "a := 123456789012345678901234567890^3:\n"
    "b := -98765432109876543210:\n"
    "p := (x + 2y - 3)^4:\n"
    "r := 22/7:\n"
    "f := (x^2 - 1)/3:\n"
    "g := 3x^2*y - 5y + 7:\n";
const char* const kCheck = "a\nb\np\nr\nf\ng\n";

const char* const kStatements[] = {
    "t := a*b - a/b:\n",
    "t := a*a*b*b + 17; u := a/b - r\n",
    "t := 7^3000 * 11^2500:\n",
    "t := 7^3000 / 11^1200 - 3^1500 / 7^200:\n",
    "3^2000 | (7^400 + 1)\n",
    "t := 200!:\n",
    "t := (p + r)*(p - b)\n",
    "t := f^2 + 1/7\n",
    "a*p\n",
    "p^2\n",
    "t := p/(x + 2y - 3)\n",
    "t := (a*x + b*y)^3 - g*f\n",
    "u := (2^300 + 1)/(2^150 - 1)\n",
    "t := (x + y + 1)^12 * (x - y + 2)^9:\n",
    "t := ((x + y + 1)^10 - 1) / (x + y):\n",
    "(x^30 + 3x + 1) | (x^7 + 2)\n",
};

// The same values and more statements in modular arithmetic.
const char* const kToModular = "&(p = 101)\n";
const char* const kModularStatements[] = {
    "t := (x + y + 1)^20 * g:\n",
    "t := a^100 * p - r\n",
    "p^3\n",
    "t := 1/a + r*g\n",
    "t := (x^40 - 1) / (x - 1):\n",
    "(x^30 + 3x + 1) | (x^7 + 2)\n",
};

class AllocFailures : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool started = false;
        if (started) return;
        started = true;
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        std::vector<char> arg0(self.begin(), self.end());
        arg0.push_back('\0');
        char* argv[] = {arg0.data(), nullptr};
        std::fflush(stdout);
        const int saved_out = dup(STDOUT_FILENO);
        const int sink = memfd_create("startup", 0);
        dup2(sink, STDOUT_FILENO);
        tolmex::start_system(1, argv);
        std::fflush(stdout);
        dup2(saved_out, STDOUT_FILENO);
        close(saved_out);
        close(sink);
        session(kSetup);
    }
};

// Refuses each allocation of the statement in turn (sampled when there are
// many) and checks the outcome and the state afterwards.
void run_with_failures(const std::string& stmt, bool sticky, size_t max_runs) {
    const std::string values = session(kCheck);
    const std::string expected = session(stmt);
    ASSERT_EQ(outcome(expected), "ok") << stmt << expected;
    // The allocations the statement makes: arm far beyond them and see how
    // many the countdown still had.
    constexpr int64_t kFar = int64_t{1} << 40;
    give_back_free_records();
    session(stmt, kFar);
    const int64_t count = kFar - countdown_left;
    ASSERT_GT(count, 0) << stmt;
    const int64_t step = std::max<int64_t>(1, count / static_cast<int64_t>(max_runs));
    int refused = 0;
    for (int64_t n = 1; n <= count + 1; n += step) {
        give_back_free_records();
        const std::string out = session(stmt, n, sticky);
        const std::string how = outcome(out);
        EXPECT_TRUE(how == "ok" || how == "375")
            << stmt << "allocation " << n << " refused: " << how << "\n" << out;
        refused += how == "375";
        EXPECT_EQ(session(kCheck), values) << stmt << "allocation " << n << " refused:\n" << out;
        EXPECT_EQ(session(stmt), expected) << stmt << "allocation " << n << " refused:\n" << out;
        if (testing::Test::HasFailure()) return;
    }
    EXPECT_GT(refused, 0) << stmt << "no refusal ever ended it in error 375";
}

TEST_F(AllocFailures, EachAllocationOfEachStatementInTurn) {
    for (const char* s : kStatements) {
        SCOPED_TRACE(s);
        run_with_failures(s, false, 400);
        if (HasFailure()) return;
    }
}

TEST_F(AllocFailures, ReportWhileEveryLaterAllocationFails) {
    for (const char* s : kStatements) {
        SCOPED_TRACE(s);
        run_with_failures(s, true, 30);
        if (HasFailure()) return;
    }
}

TEST_F(AllocFailures, GivingBackFreeRecordsLeavesValuesAlone) {
    const std::string values = session(kCheck);
    const std::string out = session("&_G\n&_G\n");
    EXPECT_EQ(outcome(out), "ok") << out;
    EXPECT_EQ(session(kCheck), values);
    EXPECT_EQ(outcome(session("t := p*g*f\n")), "ok");
}

// From a state whose values display as `before`, runs `change` with each of
// its allocations refused in turn: it must end in error 375 with the values
// as they were, or complete with the values `after` (and `undo` then goes
// back).
void all_or_nothing(const std::string& change, const std::string& undo, const std::string& check,
                    const std::string& before, const std::string& after) {
    constexpr int64_t kFar = int64_t{1} << 40;
    give_back_free_records();
    session(change, kFar);
    const int64_t count = kFar - countdown_left;
    session(undo);
    for (int64_t n = 1; n <= count + 1; ++n) {
        give_back_free_records();
        const std::string out = session(change, n);
        const std::string how = outcome(out);
        ASSERT_TRUE(how == "ok" || how == "375") << change << "allocation " << n << ": " << how
                                                 << "\n" << out;
        // Refused after the change was complete (the statement's own work
        // that follows it), the values are all converted.
        const std::string values = session(check);
        if (how == "375" && values == before) continue;
        ASSERT_EQ(values, after) << change << "allocation " << n << " refused:\n" << out;
        session(undo);
        ASSERT_EQ(session(check), before) << change;
    }
}

// A change of the ground ring converts every stored value: rational to
// modular, back, and from one modulus to another.
TEST_F(AllocFailures, RingChangeIsAllOrNothing) {
    const std::string to_rational = std::string("&p\n") + kSetup, to_other = "&(p = 103)\n";
    const std::string rational = session(kCheck);
    session(kToModular);
    const std::string modular = session(kCheck);
    session(to_other);
    const std::string other = session(kCheck);
    session(kToModular);
    ASSERT_EQ(session(kCheck), modular);
    session("&p\n");
    const std::string back = session(kCheck);
    session(to_rational);
    ASSERT_EQ(session(kCheck), rational);
    all_or_nothing(kToModular, to_rational, kCheck, rational, modular);
    session(kToModular);
    all_or_nothing("&p\n", kToModular, kCheck, modular, back);
    all_or_nothing(to_other, kToModular, kCheck, modular, other);
    session(to_rational);
    ASSERT_EQ(session(kCheck), rational);
}

// Adjoining a variable wraps every stored poly once; taking it away again
// unwraps them.
TEST_F(AllocFailures, AdjoiningAVariable) {
    // The values, and whether w is a variable.
    const std::string check = std::string(kCheck) + "w - w\n";
    const std::string without = session(check);
    session("&J w\n");
    const std::string with = session(check);
    session("&J - w\n");
    ASSERT_EQ(session(check), without);
    all_or_nothing("&J w\n", "&J - w\n", check, without, with);
    session("&J w\n");
    all_or_nothing("&J - w\n", "&J w\n", check, with, without);
    session("&J - w\n");
    ASSERT_EQ(session(check), without);
}

// Runs last: it leaves the session in modular arithmetic.
TEST_F(AllocFailures, ZModularArithmetic) {
    ASSERT_EQ(outcome(session(kToModular)), "ok");
    for (const char* s : kModularStatements) {
        SCOPED_TRACE(s);
        run_with_failures(s, false, 400);
        run_with_failures(s, true, 20);
        if (HasFailure()) return;
    }
}

}  // namespace
