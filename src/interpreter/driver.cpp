#include "interpreter/driver.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <csignal>
#include <new>

#include "base/stack.h"
#include "interpreter/arrays.h"
#include "interpreter/command_level.h"
#include "interpreter/command_line.h"
#include "interpreter/data_files.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/line_source.h"
#include "interpreter/scanner.h"
#include "interpreter/startup.h"
#include "storage/accounting.h"
#include "storage/free_lists.h"
#include "storage/stash.h"

namespace tolmex {

FILE* Input = nullptr;
FILE* Output = nullptr;
int levelcount = 1;
int time_level = 1;
ClockReading mytime[kMaxLevels + 2];
ClockReading time_off[kMaxLevels + 2];
ClockReading breaktime[kMaxLevels + 2];
TokenNode* zilch = nullptr;
char prompt[16] = ">";
int promptsize = 1;
int noisy = 1;
int timerflag = 0;
int errorpush = 0;
int statcount = 0;
int time_to_quit = 0;
int globalpoly = 0;
int command_int = 1;
int m_interrupt = 1;
int danger_ok = 0;
int windy = 0;
std::vector<const char*> lastf;
TokenNode* startexpr = nullptr;
TokenNode* prev_expr = nullptr;
std::string last_line_read;
std::string last_definition_line;
std::string current_func;
std::string data_directory;

ClockReading clock_now() {
    return {static_cast<int64_t>(std::time(nullptr)),
            static_cast<int64_t>(std::clock() / (CLOCKS_PER_SEC / 1000))};
}

std::string timing_line(int64_t w, int64_t c) {
    if (w < 0) w = 0;
    if (c < 0) c = 0;
    unsigned long h = w / 3600, m = (w % 3600) / 60, s = w % 60;
    unsigned long cm = c / 60000, cs = (c / 1000) % 60;
    char frac[16];
    std::snprintf(frac, sizeof frac, "%0.3f", static_cast<double>(c % 1000) / 1000.0);
    const char* f = frac + 2;  // drop the leading "0."
    char line[160];
    if (h == 0 && m == 0 && s < 5)
        std::snprintf(line, sizeof line, " Elapsed CPU time: %2lu.%s\n", cs, f);
    else if (h == 0 && m == 0)
        std::snprintf(line, sizeof line, " Elapsed real time: %2lu.  CPU time: %2lu.%s\n", s, cs, f);
    else if (h == 0)
        std::snprintf(line, sizeof line, " Elapsed real time: %2lu:%2lu.  CPU time: %lu:%2lu.%s\n",
                      m, s, cm, cs, f);
    else
        std::snprintf(line, sizeof line,
                      " Elapsed real time: %lu:%2lu:%2lu.  CPU time: %lu:%2lu.%s\n", h, m, s, cm,
                      cs, f);
    return line;
}

void write_prompt() {
    if (levelcount > 1) std::printf("%1d", levelcount);
    if (promptsize > 0) std::fputs(prompt, stdout);
    std::fflush(stdout);
}

void rewind_input(FILE* in) {
    source_clearerr(in);
    if (tt_flag) discard_rest_of_line(in);
}

namespace {

bool is_array_marker(const Token& t) {
    char c = t.text[0];
    return token_is(t, "Trans") || token_is(t, "Diag") || c == '"' || c == '[' || c == '~' ||
           token_is(t, "Adjoint") || token_is(t, "Altmult") || token_is(t, "Altpower") ||
           token_is(t, "MPowermod");
}

}  // namespace

void dispatch_statement(FILE* in, Operand& value, TokenNode*& cursor) {
    value.clear();
    if (is_array_marker(token)) {
        arr_parse(in, cursor);
    } else if ((token.text[0] == 'A' || token.text[0] == 'M')) {
        restricted_statement(in, value, cursor);
    } else {
        parse(in, value, cursor);
    }
}

namespace {

// Raises the stack limit to at least 1 MB; returns the limit in force.
size_t raise_stack_limit() {
    // Taken when the limit cannot be read, or when there is none: the usual
    // default, so that deep input still ends in an error.
    constexpr size_t kAssumedStack = size_t{8} << 20;
    struct rlimit rl;
    if (getrlimit(RLIMIT_STACK, &rl) != 0) return kAssumedStack;
    const rlim_t want = 1048576;
    if (rl.rlim_cur != RLIM_INFINITY && rl.rlim_cur < want) {
        rl.rlim_cur = want;
        int r = setrlimit(RLIMIT_STACK, &rl);
        if (r != 0) std::fprintf(stderr, "setrlimit returned result = %d\n", r);
        if (getrlimit(RLIMIT_STACK, &rl) != 0) return kAssumedStack;
    }
    if (rl.rlim_cur == RLIM_INFINITY) return kAssumedStack;
    return static_cast<size_t>(rl.rlim_cur);
}

void print_banner() {
    struct utsname u;
    std::string platform = "POSIX";
    if (uname(&u) == 0) platform = std::string(u.sysname) + " " + u.machine;
    std::printf("\nTolmex %s, exact computer algebra, for %s.\n\n", TOLMEX_VERSION,
                platform.c_str());
}

void print_date_line() {
    std::time_t now = std::time(nullptr);
    std::printf("\n %s", std::asctime(std::localtime(&now)));
}

void startup(int argc, char** argv) {
    mytime[1] = clock_now();
    note_stack_start(raise_stack_limit());
    open_node_pools(node_sizes());
    std::string exec;
    GetExecName(argc > 0 ? argv[0] : "", exec);
    data_directory = data_dir_for(exec);
    print_banner();
    std::printf("Reading initialization data from directory %s\n", data_directory.c_str());
    std::printf(" initializing...\n");
    std::fflush(stdout);
    initialize(data_directory);
    print_date_line();
    set_driver_defaults();
    initial_memory = memavail() / 4;
    virtual_cut = memavail() / 5;
    bool completed = load_startup(data_directory);
    totalavailablememory = initial_memory * 4;
    if (completed && timerflag) {
        ClockReading now = clock_now();
        std::printf("\n%s",
                    timing_line(now.wall - mytime[1].wall, now.cpu - mytime[1].cpu).c_str());
    }
}

// Where the top level starts and where errors return to.
void restart_point() {
    std::printf("\n");
    leftover = 0;
    ring_clear();
    rewind_input(stdin);
    if (promptsize > 0) std::fputs(prompt, stdout);
    std::fflush(stdout);
}

}  // namespace

void start_system(int argc, char** argv) {
    open_line_source();  // first: it may take over standard output
    Input = stdin;
    Output = stdout;
    install_interrupt_handler();
    // A write past the file-size limit fails with an error the save command
    // reports, instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    install_error_handler();
    storage_exhausted_handler = report_out_of_memory;
    try {
        startup(argc, argv);
    } catch (RestartTopLevel&) {
        // An error in the initialization data: go on to the top level.
    }
}

void run_command_loop() {
    for (;;) {
        try {
            restart_point();
            for (;;) command_step(false);
        } catch (RestartTopLevel&) {
        } catch (const std::bad_alloc&) {
            // The report of an exhausted memory ran out of memory itself.
            out_err_mess(kErrOutOfMemory);
            reset_to_top_level();
        }
    }
}

int tolmex_main(int argc, char** argv) {
    const CommandLine cl = parse_command_line(argc, argv);
    if (!cl.bad.empty()) {
        std::fprintf(stderr, "tolmex: cannot use the argument %s\n", cl.bad.c_str());
        print_usage(stderr);
        return 2;
    }
    if (cl.help || cl.version) {
        if (cl.version) std::printf("Tolmex %s\n", TOLMEX_VERSION);
        if (cl.help) print_usage(stdout);
        return 0;
    }
    try {
        start_system(argc, argv);
        if (!cl.script.empty() || cl.quit_at_end) feed_script(cl.script, cl.quit_at_end);
        quit_on_error = cl.quit_at_end;
        run_command_loop();
    } catch (QuitProgram& q) {
        std::printf("\n bye\n");
        std::fflush(stdout);
        close_line_source();
        return q.status;
    }
    close_line_source();
    return 0;
}

}  // namespace tolmex
