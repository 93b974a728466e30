#include "interpreter/line_source.h"

#include <histedit.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/errors.h"
#include "interpreter/line_edit_support.h"

namespace tolmex {

namespace {

constexpr int kHistoryLines = 1000;

struct Editor {
    EditLine* el = nullptr;
    History* hist = nullptr;
    FILE* terminal = nullptr;    // the real standard output: the editor draws here
    std::string history_path;    // empty: the history is not kept in a file
    std::string prompt;          // what the editor shows before the line
    std::string reprompt;        // the prompt of a read an interrupt cut short
    std::string line;            // the line being handed out
    size_t pos = 0;
    bool at_eof = false;
    bool interrupted = false;    // the last read ended by a keyboard interrupt
};

Editor ed;
bool editing = false;    // the editor was started
bool from_editor = false;  // ... and standard input is the terminal now
LineTail tail;  // written on the terminal since the last line end
// Set when the process goes on after a stop (Ctrl-Z, then fg): the shell
// may have changed the terminal's modes meanwhile.
volatile std::sig_atomic_t continued = 0;

void note_continue(int) { continued = 1; }

void watch_continue() {
    struct sigaction sa;
    std::memset(&sa, 0, sizeof sa);
    sa.sa_handler = note_continue;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // the editor's read returns, to set the terminal up again
    sigaction(SIGCONT, &sa, nullptr);
}

// ---------------------------------------------------------------------------
// Standard output, followed on its way to the terminal.

ssize_t write_terminal(void*, const char* buf, size_t n) {
    size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(STDOUT_FILENO, buf + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return done > 0 ? static_cast<ssize_t>(done) : -1;
        done += static_cast<size_t>(w);
    }
    tail.note(buf, n);
    return static_cast<ssize_t>(n);
}

bool follow_standard_output() {
    cookie_io_functions_t io{nullptr, write_terminal, nullptr, nullptr};
    FILE* f = fopencookie(nullptr, "w", io);
    if (!f) return false;
    std::setvbuf(f, nullptr, _IOLBF, BUFSIZ);
    std::fflush(stdout);
    stdout = f;
    return true;
}

// ---------------------------------------------------------------------------
// The editor's hooks.

char* current_prompt(EditLine*) { return ed.prompt.data(); }

// Back from a stop: the editor's terminal modes again, and the line redrawn.
void resume_editing(EditLine* el) {
    continued = 0;
    el_set(el, EL_PREP_TERM, 1);
    el_set(el, EL_REFRESH);
}

// One key from the terminal. A keyboard interrupt ends the read (the line
// typed so far is dropped, as the terminal itself drops it); other signals
// do not.
int read_key(EditLine* el, wchar_t* key) {
    for (;;) {
        unsigned char b;
        ssize_t r = ::read(STDIN_FILENO, &b, 1);
        if (r == 1) {
            *key = b;
            return 1;
        }
        if (r == 0) return 0;
        if (errno != EINTR) return -1;
        if (interrupt_pending) return -1;
        if (continued) resume_editing(el);
    }
}

void list_names(const std::vector<std::string>& names) {
    std::string text = "\n";
    for (const std::string& n : names) text += n + "  ";
    text += "\n";
    std::fputs(text.c_str(), ed.terminal);
    std::fflush(ed.terminal);
}

// TAB: completes the name before the cursor as far as it is unambiguous;
// when it already is that far, lists the candidates. Where no name ends at
// the cursor it is a tab (indentation, pasted text).
unsigned char complete_name(EditLine* el, int) {
    const LineInfo* li = el_line(el);
    std::string before(li->buffer, static_cast<size_t>(li->cursor - li->buffer));
    std::string prefix = before.substr(name_start(before, before.size()));
    if (prefix.empty()) {
        el_insertstr(el, "\t");
        return CC_REFRESH;
    }
    std::vector<std::string> names = names_starting(prefix);
    if (names.empty()) return CC_ERROR;
    std::string common = common_prefix(names);
    if (common.size() > prefix.size()) {
        el_insertstr(el, common.c_str() + prefix.size());
        return CC_REFRESH;
    }
    if (names.size() == 1) return CC_NORM;
    list_names(names);
    return CC_REDISPLAY;
}

// ---------------------------------------------------------------------------
// History.

void load_history() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return;
    ed.history_path = std::string(home) + "/.tolmex_history";
    HistEvent ev;
    history(ed.hist, &ev, H_LOAD, ed.history_path.c_str());  // none yet: fine
}

// Enters a line that has something on it; the file is rewritten at once so
// that a session that ends abruptly keeps it. A file that cannot be written
// is no error: the history is then kept for this session only.
void remember(std::string entry) {
    while (!entry.empty() && (entry.back() == '\n' || entry.back() == '\r')) entry.pop_back();
    if (entry.find_first_not_of(" \t") == std::string::npos) return;
    HistEvent ev;
    history(ed.hist, &ev, H_ENTER, entry.c_str());
    if (!ed.history_path.empty()) history(ed.hist, &ev, H_SAVE, ed.history_path.c_str());
}

bool start_editor(FILE* terminal) {
    ed.terminal = terminal;
    ed.el = el_init("tolmex", stdin, terminal, stderr);
    ed.hist = history_init();
    if (!ed.el || !ed.hist) return false;
    HistEvent ev;
    history(ed.hist, &ev, H_SETSIZE, kHistoryLines);
    history(ed.hist, &ev, H_SETUNIQUE, 1);
    el_set(ed.el, EL_EDITOR, "emacs");
    el_set(ed.el, EL_PROMPT, current_prompt);
    el_set(ed.el, EL_HIST, history, ed.hist);
    el_set(ed.el, EL_GETCFN, read_key);
    el_set(ed.el, EL_ADDFN, "tolmex-complete", "Complete a Tolmex name", complete_name);
    el_set(ed.el, EL_BIND, "^I", "tolmex-complete", nullptr);
    el_set(ed.el, EL_BIND, "^R", "em-inc-search-prev", nullptr);
    el_source(ed.el, nullptr);  // the user's own bindings, if any
    load_history();
    return true;
}

void stop_editor() {
    if (ed.el) el_end(ed.el);
    if (ed.hist) history_end(ed.hist);
    ed.el = nullptr;
    ed.hist = nullptr;
}

// ---------------------------------------------------------------------------
// Reading a line.

// The editor draws its prompt from the start of the line: what Tolmex wrote
// on the line is taken over as the prompt and the cursor goes back to the
// start, so that the text is redrawn in place, not written twice. After an
// interrupted read the same prompt is shown again on a line of its own.
void choose_prompt() {
    std::fflush(stdout);
    ed.prompt = tail.text().empty() ? ed.reprompt : tail.text();
    ed.reprompt.clear();
    if (!tail.text().empty()) {
        std::fputc('\r', ed.terminal);
        std::fflush(ed.terminal);
    }
}

void end_interrupted_read() {
    ed.interrupted = true;
    ed.reprompt = ed.prompt;
    std::fputc('\n', ed.terminal);
    std::fflush(ed.terminal);
    errno = EINTR;  // as a read cut short by the interrupt reports it
}

bool fetch_line() {
    choose_prompt();
    el_resize(ed.el);  // the window may have changed size since the last line
    int count = 0;
    const char* got = el_gets(ed.el, &count);
    tail.clear();
    const bool whole = got && count > 0 && got[count - 1] == '\n';
    if (interrupt_pending && !whole) {
        end_interrupted_read();
        return false;
    }
    if (!got || count <= 0) {
        ed.at_eof = true;
        return false;
    }
    ed.line.assign(got, static_cast<size_t>(count));
    ed.pos = 0;
    remember(ed.line);
    return true;
}

bool edited(FILE* in) { return from_editor && in == stdin; }

}  // namespace

void open_line_source() {
    if (editing || !isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) return;
    FILE* terminal = stdout;
    if (!start_editor(terminal) || !follow_standard_output()) {
        stop_editor();
        return;
    }
    watch_continue();
    editing = true;
    from_editor = true;
}

void standard_input_replaced() {
    from_editor = editing && isatty(STDIN_FILENO);
    ed.line.clear();
    ed.pos = 0;
    ed.at_eof = false;
    ed.interrupted = false;
}

void close_line_source() {
    if (!editing) return;
    std::fflush(stdout);
    stop_editor();
    editing = from_editor = false;
}

bool line_editing() { return editing; }

int source_getc(FILE* in) {
    if (!edited(in)) return std::getc(in);
    if (ed.pos >= ed.line.size()) {
        if (ed.at_eof || !fetch_line()) return EOF;
    }
    return static_cast<unsigned char>(ed.line[ed.pos++]);
}

void source_ungetc(int c, FILE* in) {
    if (!edited(in)) {
        std::ungetc(c, in);
        return;
    }
    if (c != EOF && ed.pos > 0) --ed.pos;
}

bool source_eof(FILE* in) { return edited(in) ? ed.at_eof : std::feof(in) != 0; }

bool source_error(FILE* in) { return edited(in) ? ed.interrupted : std::ferror(in) != 0; }

void source_clearerr(FILE* in) {
    if (!edited(in)) {
        std::clearerr(in);
        return;
    }
    ed.at_eof = false;
    ed.interrupted = false;
}

char* source_gets(char* buf, int n, FILE* in) {
    if (!edited(in)) return std::fgets(buf, n, in);
    int len = 0;
    while (len < n - 1) {
        int c = source_getc(in);
        if (c == EOF) break;
        buf[len++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    if (len == 0) return nullptr;
    buf[len] = '\0';
    return buf;
}

}  // namespace tolmex
