// The command driver: start-up, the read-evaluate-display loop, command
// levels 1 to 9, timing and the startup file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "interpreter/operand.h"
#include "interpreter/token_nodes.h"
#include "base/resets.h"
#include "numbers/display_settings.h"

namespace tolmex {

extern FILE* Input;   // stream from which statements are read
extern FILE* Output;  // stream on which values are displayed

extern int levelcount;  // current command level, 1 to 9
extern int time_level;  // 1-based timing slot of the current level

struct ClockReading {
    int64_t wall;  // seconds
    int64_t cpu;   // milliseconds
};
constexpr int kMaxLevels = 9;
extern ClockReading mytime[kMaxLevels + 2];
extern ClockReading time_off[kMaxLevels + 2];
extern ClockReading breaktime[kMaxLevels + 2];

extern TokenNode* zilch;  // null while reading text
extern char prompt[16];
extern int promptsize;  // 0: the carriage-return prompt
extern int noisy;
extern int timerflag;
extern int errorpush;
extern int statcount;     // user-function evaluations in progress
extern int time_to_quit;  // set by the level-pop command
extern int globalpoly;    // positive while the variable table is rebuilt
extern int command_int;   // command interrupt on
extern int m_interrupt;   // its level, 1 or 2
extern int danger_ok;
extern int windy;  // extra verbose comments during computations

// Function evaluations in progress, newest last (filled by user functions):
// the names of their function records, which live while they run.
extern std::vector<const char*> lastf;
// The stored statement being executed by a function body.
extern TokenNode* startexpr;
extern TokenNode* prev_expr;

// Context texts kept by the function-definition reader for error reports.
extern std::string last_line_read;        // error 132
extern std::string last_definition_line;  // errors 38, 103, 129 in a definition
extern std::string current_func;

// The directory of the initialization data files, ending in "/".
extern std::string data_directory;

// The process entry; returns the exit status.
int tolmex_main(int argc, char** argv);
// Start-up without the command loop: pools, data files, defaults and the
// startup file. argv[0] locates the data directory.
void start_system(int argc, char** argv);
// The top-level command loop on standard input; it ends only by throwing
// QuitProgram (the quit command, or the end of the input).
[[noreturn]] void run_command_loop();

// Finds the executable's path: 0 absolute, 1 relative (not canonicalised),
// 2 canonicalised with realpath, -1 nothing found (out empty).
int GetExecName(const char* argv0, std::string& out);
// The data directory for an executable path: its directory plus "BACKWARD/".
std::string data_dir_for(const std::string& exec_path);

// The timing line for a statement of w wall seconds and c CPU milliseconds.
std::string timing_line(int64_t w, int64_t c);
ClockReading clock_now();

// Writes the prompt of the current level (the level number above level 1).
void write_prompt();
// Discards what is left of the current input line after an error, so that
// the next statement starts on a fresh line.
void rewind_input(FILE* in);

// Runs one statement whose first token has been read; used by the command
// loops, the startup file and the read command. Returns with the
// terminator in `token`.
void dispatch_statement(FILE* in, Operand& value, TokenNode*& cursor);

}  // namespace tolmex
