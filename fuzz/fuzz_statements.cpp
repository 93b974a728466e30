// Fuzzing target: arbitrary bytes typed at the Tolmex prompt.
//
// The whole system runs in this process. Each input becomes standard input
// and the command loop runs until the input ends (or "&q"); values, arrays
// and switches carry over from one input to the next, as in one long
// session. Output goes to /dev/null. A watchdog raises a keyboard interrupt
// every kWatchdogSeconds of CPU time: the nested level it opens reads the
// rest of the input and quits at its end, so a long computation must give
// way at its next safe point. A statement that never reaches a
// safe point shows up as a libFuzzer timeout.
//
// Run from a directory holding a tolstart.txt (the memory budget); the data
// directory BACKWARD/ is found next to this executable.
#include <stdio_ext.h>
#include <sys/mman.h>
#include <sys/time.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>

#include "base/errors.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"

namespace {

constexpr int kWatchdogSeconds = 2;

extern "C" void watchdog(int) { tolmex::interrupt_pending = 1; }

void arm_watchdog(int seconds) {
    itimerval t{};
    t.it_value.tv_sec = seconds;
    t.it_interval.tv_sec = seconds;  // again and again: a nested level may compute too
    setitimer(ITIMER_PROF, &t, nullptr);
}

// Makes `data` the whole of standard input.
bool feed_stdin(const uint8_t* data, size_t size) {
    const int fd = memfd_create("statements", 0);
    if (fd < 0) return false;
    bool ok = static_cast<size_t>(write(fd, data, size)) == size && lseek(fd, 0, SEEK_SET) == 0;
    if (ok) ok = dup2(fd, STDIN_FILENO) >= 0;
    close(fd);
    __fpurge(stdin);
    std::clearerr(stdin);
    return ok;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    std::signal(SIGPROF, watchdog);
    static const uint8_t nothing[] = "";
    feed_stdin(nothing, 0);
    tolmex::start_system(1, *argv);
    (void)argc;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!feed_stdin(data, size)) return 0;
    tolmex::interrupt_pending = 0;
    arm_watchdog(kWatchdogSeconds);
    try {
        tolmex::run_command_loop();
    } catch (tolmex::QuitProgram&) {
    }
    arm_watchdog(0);
    tolmex::interrupt_pending = 0;
    tolmex::reset_to_top_level();
    return 0;
}
