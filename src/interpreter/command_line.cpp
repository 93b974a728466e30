#include "interpreter/command_line.h"

#include <unistd.h>

#include <cstring>

#include "interpreter/line_source.h"

namespace tolmex {

bool quit_on_error = false;

namespace {

// The descriptor of the standard input the script stands in front of; -1
// when there is none to come back to.
int saved_stdin = -1;

bool is(const char* arg, const char* option) { return std::strcmp(arg, option) == 0; }

void add_file(CommandLine& cl, const char* file) {
    // A quote cannot stand inside a quoted name.
    if (std::strchr(file, '\'') || std::strchr(file, '\n') || std::strlen(file) > 255) {
        cl.bad = file;
        return;
    }
    cl.script += "&(R = '";
    cl.script += file;
    cl.script += "');\n";
}

}  // namespace

CommandLine parse_command_line(int argc, char** argv) {
    CommandLine cl;
    for (int i = 1; i < argc && cl.bad.empty(); ++i) {
        const char* a = argv[i];
        if (is(a, "--help") || is(a, "-h")) {
            cl.help = true;
        } else if (is(a, "--version")) {
            cl.version = true;
        } else if (is(a, "-q")) {
            cl.quit_at_end = true;
        } else if (is(a, "-e")) {
            if (i + 1 == argc) {
                cl.bad = a;
            } else {
                cl.script += argv[++i];
                cl.script += "\n";
            }
        } else if (a[0] == '-' && a[1] != '\0') {
            cl.bad = a;
        } else {
            add_file(cl, a);
        }
    }
    return cl;
}

void print_usage(FILE* out) {
    std::fprintf(out,
                 "Usage: tolmex [-q] [-e STATEMENTS] [FILE] ...\n"
                 "  FILE           read the file's statements, as &r does (nothing displayed)\n"
                 "  -e STATEMENTS  run the statements as if typed at the prompt\n"
                 "  -q             quit after the arguments instead of reading the terminal;\n"
                 "                 the first error then ends the run with exit status 1\n"
                 "  --help         this text\n"
                 "  --version      the version\n"
                 "The arguments are taken in order. Exit status: 0 after a quit or the end of\n"
                 "the input, 1 when an error ended a -q run, 2 for an unusable argument.\n");
}

void feed_script(const std::string& script, bool quit_at_end) {
    FILE* f = std::tmpfile();
    if (!f) return;
    std::fwrite(script.data(), 1, script.size(), f);
    std::fflush(f);
    std::rewind(f);
    if (!quit_at_end) saved_stdin = dup(0);
    dup2(fileno(f), 0);
    std::fclose(f);
    std::clearerr(stdin);
    standard_input_replaced();
}

bool resume_terminal() {
    if (saved_stdin < 0) return false;
    dup2(saved_stdin, 0);
    close(saved_stdin);
    saved_stdin = -1;
    std::clearerr(stdin);
    standard_input_replaced();
    return true;
}

}  // namespace tolmex
