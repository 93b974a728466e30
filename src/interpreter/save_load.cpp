// The save and read commands: choosing the files, writing snapshots, and
// reading a file of statements. What a snapshot holds is in save_state.cpp.
#include "interpreter/save_load.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <string>

#include "base/atomic_file.h"
#include "base/errors.h"
#include "interpreter/ampersand_internal.h"
#include "interpreter/arrays.h"
#include "interpreter/driver.h"
#include "interpreter/evaluator.h"
#include "interpreter/statement_value.h"
#include "base/resets.h"
#include "matrix/matrix.h"
#include "interpreter/scanner.h"
#include "numbers/display_settings.h"
#include "numbers/number.h"
#include "quoly/quoly.h"

namespace tolmex {

FILE* inpuf = nullptr;
int close_inpuf = 0;
char input_file_name[256] = "";
int done_load = 0;
FILE* outpuf = nullptr;
char output_file_name[256] = "";

namespace {

constexpr size_t kNameMax = 255;
constexpr int kErrEmptyName = 248;
constexpr int kErrSameFile = 149;
constexpr int kErrQuoteOpen = 33;
constexpr int kErrNoFile = 374;
constexpr int kErrCannotWrite = 368;
constexpr int kErrReadInRead = 369;

// Files being read now (a read command inside one is refused).
int reading_depth = 0;
// The output file holds snapshots written in this session, which later
// snapshots keep.
bool snapshots_on_file = false;
// The last read of the input file stopped at "&x": the next one continues
// there. Kept apart from done_load, which the error machinery clears, so
// that a mistake typed at the prompt does not send the next read back to
// the start of the file.
bool stopped_at_section = false;

enum class Role { Output, Input };

bool ends_statement(const Token& t) { return token_is(t, ";") || token_is(t, ":"); }

void add_char(std::string& name, char c, bool& warned) {
    if (name.size() < kNameMax) {
        name.push_back(c);
    } else if (!warned) {
        std::printf("*** Warning. Name is too long.\n");
        warned = true;
    }
}

// The text up to the closing quote (the opening one has been read); the
// end of the input or of the line inside it is error 33.
void quoted_name(FILE* in, TokenNode*& cursor, std::string& name) {
    bool warned = false;
    for (;;) {
        int eol = 0;
        dumbscanner(in, token, cursor, eol);
        if (eol || token_is(token, kEndOfBody) || at_end_of_input(in, cursor))
            error(kErrQuoteOpen, "'");
        if (token.text[0] == '\'') return;
        if (cursor) {
            for (const char* t = token.text; *t; ++t) add_char(name, *t, warned);
        } else {
            add_char(name, token.text[0], warned);
        }
    }
}

// "[" name "]": the name spelled by the array's entries, character codes
// row by row; a 0 ends it.
void name_from_array(FILE* in, TokenNode*& cursor, std::string& name) {
    scanner(in, token, cursor);
    char array_name[kTokenText];
    std::snprintf(array_name, sizeof array_name, "%s", token.text);
    scanner(in, token, cursor);
    if (!token_is(token, "]")) error(24, token.text);
    ArrayRec* a = find_array(array_name);
    if (!a) error(28, array_name);
    const Matrix m = matrix_from_array(a);
    bool warned = false;
    for (int32_t r = 0; r < m.rows; ++r)
        for (int32_t c = 0; c < m.cols; ++c) {
            const QuolyRec* q = m.at(r, c);
            int64_t code = 0;
            if (q && (!quoly_is_number(q) || !to_int64(quoly_number(q), code) || code < 0 || code > 255))
                error(147, array_name);
            if (code == 0) return;
            add_char(name, static_cast<char>(code), warned);
        }
}

// The characters of a plain name after its first token, raw: a name like
// "run.2" is more than one token. It ends before a blank, a line end, ";",
// ":" or ")", which stay for the scanner.
void rest_of_word(FILE* in, std::string& name) {
    bool warned = false;
    for (;;) {
        const bool pending = leftover && leftover != ' ';
        if (leftover == ' ') return;
        const int c = pending ? leftover : peek_char(in);
        if (c == EOF || c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ';' || c == ':' ||
            c == ')')
            return;
        if (pending)
            leftover = 0;
        else
            read_char(in);
        add_char(name, static_cast<char>(c), warned);
    }
}

// A file name whose first token is current; "@" gives `at`. Reads nothing
// after the name.
void name_from_token(FILE* in, TokenNode*& cursor, std::string& name, bool& at) {
    name.clear();
    at = token_is(token, "@");
    if (at) return;
    if (token_is(token, "'")) return quoted_name(in, cursor, name);
    if (token_is(token, "[")) return name_from_array(in, cursor, name);
    name = token.text;
    if (!cursor) rest_of_word(in, name);
}

// Ends the command: the terminator follows the name, unless it came
// before it (the name was given on a line of its own).
void end_name_command(FILE* in, TokenNode*& cursor, bool terminated) {
    if (terminated) {
        // The name's line holds the name alone: the rest of it goes, so
        // that nothing typed after the name runs as a statement.
        if (!cursor) {
            leftover = 0;
            for (int c = peek_char(in); c != '\n' && c != EOF; c = peek_char(in)) read_char(in);
        }
        set_token(token, "@");
        return;
    }
    scanner(in, token, cursor);
    if (!ends_statement(token) && !token_is(token, "@") && !token_is(token, kEndOfBody))
        error(129, token.text);
    quiet_terminator();
}

// Asks for a file name and reads it: after the command on its line
// ("&s 'name';") or, when the statement ended there, on the next line.
// Returns false when "@" cancelled the command.
bool obtain_name(FILE* in, TokenNode*& cursor, Role role, std::string& name) {
    const bool output = role == Role::Output;
    if (tt_flag && !cursor) {
        std::printf(output ? "Enter name of output file: \n" : "Enter name of input file: \n");
        write_prompt();
    }
    scanner(in, token, cursor);
    const bool terminated = ends_statement(token);
    if (terminated) {
        take_pending_line_end(in);
        scanner(in, token, cursor);
        if (at_end_of_input(in, cursor)) error(kErrEmptyName, output ? "s" : "r");
    }
    bool at = false;
    name_from_token(in, cursor, name, at);
    end_name_command(in, cursor, terminated);
    if (at) {
        std::printf(output ? "*** Save cancelled\n" : "*** Read cancelled\n");
        return false;
    }
    return true;
}

bool quiet(const TokenNode* cursor) { return cursor != nullptr; }

void check_name(const std::string& name, const char* other, const char* command) {
    if (name.empty()) error(kErrEmptyName, command);
    if (other[0] && name == other) error(kErrSameFile, name.c_str());
}

void set_name(char* dst, const std::string& name) { std::snprintf(dst, 256, "%s", name.c_str()); }

// ---------------------------------------------------------------------------
// The output file

[[noreturn]] void cannot_write(const char* name, int e, const char* outcome) {
    std::printf(" *** Warning. %s: %s. %s\n", name, std::strerror(e), outcome);
    fail(kErrCannotWrite, name);
}

void choose_output(const std::string& name) {
    check_name(name, input_file_name, "s");
    int e = 0;
    if (!can_replace_file(name, e)) cannot_write(name.c_str(), e, "Save cancelled.");
    set_name(output_file_name, name);
    snapshots_on_file = false;
}

void close_output(bool quietly) {
    if (!output_file_name[0]) {
        std::printf(" *** Warning. No output file had been open.\n");
        return;
    }
    if (!quietly) std::printf(" Now closing %s.\n", output_file_name);
    output_file_name[0] = '\0';
    snapshots_on_file = false;
}

// Holds the snapshot's stream in outpuf while it is written.
struct OutputInUse {
    explicit OutputInUse(FILE* f) { outpuf = f; }
    ~OutputInUse() { outpuf = nullptr; }
};

void write_snapshot() {
    const char* const kUnchanged = "The file was not changed.";
    AtomicFile file(output_file_name);
    if (!file.ok()) cannot_write(output_file_name, file.error_number(), kUnchanged);
    if (snapshots_on_file && !file.copy_target())
        cannot_write(output_file_name, file.error_number(), kUnchanged);
    {
        OutputInUse in_use(file.stream());
        write_state(file.stream());
    }
    if (!file.commit()) cannot_write(output_file_name, file.error_number(), kUnchanged);
    snapshots_on_file = true;
    if (uglyprint)
        std::printf(" Warning: You saved with ugly format! File is unreadable, except for the "
                    "variables.\n");
}

// ---------------------------------------------------------------------------
// The input file

// Opens a file (not a directory) to read. The open does not wait: a named
// pipe that nobody writes to reads as empty instead of holding the console
// in the open, while one with a writer (a shell's process substitution)
// reads as usual once the descriptor blocks again.
FILE* open_to_read(const std::string& name) {
    const int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st;
    FILE* f = nullptr;
    if (fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode) && fcntl(fd, F_SETFL, 0) == 0)
        f = fdopen(fd, "r");
    if (!f) close(fd);
    return f;
}

void close_input(bool quietly) {
    if (!inpuf) {
        std::printf(" *** Warning. No input file had been open.\n");
        return;
    }
    if (!quietly) std::printf(" Now closing %s.\n", input_file_name);
    std::fclose(inpuf);
    inpuf = nullptr;
    input_file_name[0] = '\0';
    stopped_at_section = false;
}

void open_input(const std::string& name) {
    check_name(name, output_file_name, "r");
    FILE* f = open_to_read(name);
    if (!f) {
        std::printf(" *** Warning. %s: no such file. Read cancelled.\n", name.c_str());
        error(kErrNoFile, name.c_str());
    }
    if (inpuf) std::fclose(inpuf);
    inpuf = f;
    set_name(input_file_name, name);
    stopped_at_section = false;
}

// The reading state of the statement that gave the read command, set
// aside while the file's statements run (file mode, no integer mode) and
// restored afterwards, also when an error ends the reading.
class FileReading {
public:
    FileReading()
        : tt_(tt_flag), integer_(integerflag), leftover_(leftover), as_factor_(statement_as_factor),
          token_(token), uncaught_(std::uncaught_exceptions()) {
        tt_flag = 0;
        integerflag = 0;
        leftover = 0;
        statement_as_factor = 0;
        ++reading_depth;
    }
    ~FileReading() {
        --reading_depth;
        tt_flag = tt_;
        integerflag = integer_;
        leftover = leftover_;
        statement_as_factor = as_factor_;
        token = token_;
        // After an error the next read starts the file over.
        stopped_at_section = std::uncaught_exceptions() == uncaught_ && done_load;
        done_load = 0;
    }
    FileReading(const FileReading&) = delete;
    FileReading& operator=(const FileReading&) = delete;

private:
    int tt_, integer_, leftover_, as_factor_;
    Token token_;
    int uncaught_;
};

bool file_terminator(const Token& t) {
    return ends_statement(t) || token_is(t, "@") || token_is(t, kEndOfBody);
}

// Skips blanks and empty lines; true when a statement follows.
bool statement_follows(FILE* f) {
    for (;;) {
        const int c = peek_char(f);
        if (c == EOF) return false;
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return true;
        read_char(f);
    }
}

// Whether the file's last line has no line end, as in a file cut short
// (a save file ends its lines). Leaves the stream at its end; a stream
// that cannot seek, such as a pipe, is taken as ended properly.
bool ends_inside_line(FILE* f) {
    if (std::fseek(f, -1, SEEK_END) != 0) return false;
    return std::getc(f) != '\n';
}

// Runs the statements of the input file from where it stands until its
// end or "&x".
void read_statements() {
    FILE* const f = inpuf;
    FileReading reading;
    while (!done_load && statement_follows(f)) {
        TokenNode* cursor = nullptr;
        if (statcount == 0) run_resets(ResetPoint::StatementStart, 0);
        scanner(f, token, cursor);
        Operand value;
        dispatch_statement(f, value, cursor);
        clear_pending_system_array();  // a file's statements display nothing
        if (!file_terminator(token)) error(129, token.text);
        if (inpuf != f) return;  // closed by the report of an error
        // A statement ended by the end of the file, not by its terminator
        // (a terminator is read without looking past it), in the middle of
        // its line: a file cut short, whose last value may have lost a part.
        if (std::feof(f) && ends_inside_line(f))
            std::printf("*** Warning.  End of file %s encountered.\n", input_file_name);
        // One statement a line: the rest of the line goes.
        skip_line(f);
        leftover = 0;
    }
}

void read_input_file() {
    if (!stopped_at_section) std::rewind(inpuf);
    stopped_at_section = false;
    done_load = 0;
    std::clearerr(inpuf);
    if (peek_char(inpuf) == EOF) {
        std::printf("*** Warning.  End of file %s encountered.\n", input_file_name);
        return;
    }
    read_statements();
}

// The name of a parenthesised setting, then ")".
void setting_name(FILE* in, TokenNode*& cursor, std::string& name, bool& at) {
    name_from_token(in, cursor, name, at);
    scanner(in, token, cursor);
    if (!token_is(token, ")")) error(135, token.text);
    read_terminator(in, cursor);
}

}  // namespace

void save_command(FILE* in, TokenNode*& cursor, bool new_file) {
    if (output_file_name[0] && !new_file) {
        read_terminator(in, cursor);
        write_snapshot();
        return;
    }
    std::string name;
    if (!obtain_name(in, cursor, Role::Output, name)) return;
    choose_output(name);
}

void read_command(FILE* in, TokenNode*& cursor, bool new_file) {
    if (reading_depth > 0) error(kErrReadInRead, new_file ? "R" : "r");
    if (!inpuf || new_file) {
        std::string name;
        if (!obtain_name(in, cursor, Role::Input, name)) return;
        open_input(name);
    } else {
        read_terminator(in, cursor);
    }
    read_input_file();
}

void save_setting(FILE* in, TokenNode*& cursor) {
    std::string name;
    bool at = false;
    setting_name(in, cursor, name, at);
    if (at) return close_output(quiet(cursor));
    choose_output(name);
}

void read_setting(FILE* in, TokenNode*& cursor) {
    if (reading_depth > 0) error(kErrReadInRead, "R");
    std::string name;
    bool at = false;
    setting_name(in, cursor, name, at);
    if (at) return close_input(quiet(cursor));
    open_input(name);
    read_input_file();
}

}  // namespace tolmex
