#include "interpreter/startup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "gcd/gcd_state.h"
#include "interpreter/builtins.h"
#include "interpreter/command_level.h"
#include "interpreter/names.h"
#include "interpreter/data_files.h"
#include "interpreter/driver.h"
#include "interpreter/errors.h"
#include "interpreter/evaluator.h"
#include "interpreter/scanner.h"
#include "numbers/display_settings.h"
#include "numbers/number.h"
#include "interpreter/statement_value.h"
#include "poly/poly.h"
#include "quoly/quoly.h"
#include "numbers/residue.h"
#include "rings/ring_change.h"
#include "storage/accounting.h"
#include "storage/work_arrays.h"
#include "interpreter/arrays.h"
#include "interpreter/ring_excursion.h"

namespace tolmex {

NodeSizes node_sizes() {
    // The records of the pooled types; see their subsystems. Sparse-matrix
    // entry nodes are three words.
    return NodeSizes{static_cast<int32_t>(sizeof(PolyNode)), static_cast<int32_t>(sizeof(QuolyRec)),
                     kDigitSlugBytes, kNumberRecordBytes, 3 * static_cast<int32_t>(sizeof(void*))};
}

void initialize(const std::string& dir) {
    init_scanner_sets();
    init_ring();
    init_numbers();
    register_gcd_resets();
    register_work_array_resets();
    register_residue_resets();
    register_name_tables();
    register_arrays();
    register_ring_excursion();
    reset_random_denominator();
    Set_prods_for_char();
    subinitialize(dir);
    read_late_data();
}

void set_driver_defaults() {
    levelcount = 1;
    noisy = 1;
    errorpush = 0;
    timerflag = 0;
    set_continuation('`');
    std::strcpy(prompt, ">");
    promptsize = 1;
}

namespace {

// Restores the scanner's mode around the startup file, also on errors.
struct StartupModeGuard {
    int tt, pending, integer;
    StartupModeGuard() : tt(tt_flag), pending(leftover), integer(integerflag) {
        tt_flag = 0;
        leftover = 0;
    }
    ~StartupModeGuard() {
        tt_flag = tt;
        leftover = pending;
        integerflag = integer;
    }
};

struct FileCloser {
    FILE* f;
    ~FileCloser() {
        if (f) std::fclose(f);
    }
};

bool startup_terminator(const Token& t) {
    return token_is(t, ";") || token_is(t, "@") || token_is(t, kEndOfBody);
}

void set_budget(long megabytes) {
    initial_memory = static_cast<uint64_t>(megabytes) * 225000u;
    virtual_cut = initial_memory / 5;
}

}  // namespace

bool load_startup(const std::string& dir) {
    StartupModeGuard guard;
    FileCloser file{std::fopen("tolstart.txt", "r")};
    if (!file.f) file.f = std::fopen((dir + "tolstart.txt").c_str(), "r");
    if (!file.f) {
        std::fprintf(stderr, "No tolstart.txt file.\n");
        set_budget(kDefaultMegabytes);
        return true;
    }
    int mb = 0;
    if (std::fscanf(file.f, "%d", &mb) == 1 && mb > 0) {
        std::printf(" Amount of RAM you specified (mbytes): %d.\n", mb);
        set_budget(mb);
    } else {
        set_budget(kDefaultMegabytes);
    }
    skip_line(file.f);
    try {
        while (peek_char(file.f) != EOF) {
            TokenNode* cursor = nullptr;
            run_resets(ResetPoint::StatementStart, 0);
            scanner(file.f, token, cursor);
            try {
                Operand value;
                dispatch_statement(file.f, value, cursor);
            } catch (const std::bad_alloc&) {
                report_out_of_memory();
            }
            if (!startup_terminator(token)) error(129, token.text);
            // One statement a line: the rest of the line goes, with the
            // character the scanner read past the statement's last name.
            skip_line(file.f);
            leftover = 0;
        }
    } catch (RestartTopLevel&) {
        return false;
    }
    return true;
}

int GetExecName(const char* argv0, std::string& out) {
    out.clear();
    if (!argv0 || !*argv0) return -1;
    std::string path = argv0;
    int result = 0;
    if (path[0] == '/') {
        out = path;
        result = 0;
    } else {
        if (path.rfind("./", 0) == 0) {
            path = path.substr(2);
        } else if (path.rfind("../", 0) == 0) {
            // used unchanged
        } else if (path.find('/') == std::string::npos) {
            const char* env = std::getenv("PATH");
            std::string found;
            if (env) {
                std::string p = env;
                size_t start = 0;
                while (start <= p.size()) {
                    size_t end = p.find(':', start);
                    if (end == std::string::npos) end = p.size();
                    std::string cand = p.substr(start, end - start) + "/" + path;
                    struct stat st;
                    if (access(cand.c_str(), X_OK) == 0 && stat(cand.c_str(), &st) == 0 &&
                        !S_ISDIR(st.st_mode)) {
                        found = cand;
                        break;
                    }
                    start = end + 1;
                }
            }
            if (found.empty()) return -1;
            path = found;
        }
        if (path[0] != '/') {
            char cwd[PATH_MAX];
            if (!getcwd(cwd, sizeof cwd)) return -1;
            path = std::string(cwd) + "/" + path;
        }
        out = path;
        result = 1;
        char real[PATH_MAX];
        if (realpath(path.c_str(), real)) {
            out = real;
            result = 2;
        }
    }
    char link[1024];
    ssize_t n = readlink(out.c_str(), link, 1023);
    if (n > 0) {
        link[n] = '\0';
        std::string target = link;
        size_t slash = out.rfind('/');
        if (target[0] == '/' || slash == std::string::npos)
            out = target;
        else
            out = out.substr(0, slash + 1) + target;
    }
    return result;
}

std::string data_dir_for(const std::string& exec_path) {
    size_t slash = exec_path.rfind('/');
    std::string dir = slash == std::string::npos ? "./" : exec_path.substr(0, slash + 1);
    return dir + "BACKWARD/";
}

}  // namespace tolmex
