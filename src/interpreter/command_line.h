// The command line: files to read and statements to run before the
// terminal, batch runs, --help and --version.
//
//   tolmex [-q] [-e STATEMENTS] [FILE] ...
//
// The arguments are taken in order: a FILE is read as "&(R = 'FILE');"
// reads it (its statements run, nothing is displayed), -e STATEMENTS runs
// them as if typed at the prompt. Then the terminal follows, or with -q
// the run ends; in a -q run the first error ends it with exit status 1.
#pragma once

#include <cstdio>
#include <string>

namespace tolmex {

struct CommandLine {
    std::string script;        // the statements the arguments stand for
    bool quit_at_end = false;  // -q
    bool help = false;
    bool version = false;
    std::string bad;           // an argument not understood (or unusable)
};

CommandLine parse_command_line(int argc, char** argv);
void print_usage(FILE* out);

// Puts the script in front of standard input. At its end the former
// standard input comes back (resume_terminal), or with quit_at_end the
// input ends there.
void feed_script(const std::string& script, bool quit_at_end);
// Called when standard input has ended: true when the former standard
// input was put back in its place.
bool resume_terminal();

// A -q run: the first error ends it with exit status 1.
extern bool quit_on_error;

}  // namespace tolmex
