#include "interpreter/data_files.h"

#include <cstdio>
#include <cstring>

#include "interpreter/errors.h"

namespace tolmex {

namespace {

char erp[kErrorCodes][kErrorSlot];

// A data file opened from the data directory, closed when the reader is done.
class DataFile {
public:
    DataFile(const std::string& dir, const char* name)
        : f_(std::fopen((dir + name).c_str(), "r")) {}
    ~DataFile() {
        if (f_) std::fclose(f_);
    }
    DataFile(const DataFile&) = delete;
    DataFile& operator=(const DataFile&) = delete;
    FILE* get() const { return f_; }
    explicit operator bool() const { return f_ != nullptr; }

private:
    FILE* f_;
};

// The first stretch of "Qerrs": one line per error code.
void read_error_texts(FILE* f) {
    char line[1024];
    for (int k = 0; k < kErrorCodes; ++k) {
        if (!std::fgets(line, sizeof line, f)) break;
        // A longer line's rest stays in the stream; drop it.
        if (!std::strchr(line, '\n')) {
            int c;
            while ((c = std::fgetc(f)) != EOF && c != '\n') {
            }
        }
        line[std::strcspn(line, "\n")] = '\0';
        std::snprintf(erp[k], kErrorSlot, "%.65s", line);
    }
}

}  // namespace

const char* error_text(int code) {
    static char generic[kErrorSlot];
    if (code >= 1 && code <= kErrorCodes && erp[code - 1][0]) return erp[code - 1];
    std::snprintf(generic, sizeof generic, "*** Error %d.", code);
    return generic;
}

void subinitialize(const std::string& dir) {
    DataFile qerrs(dir, "Qerrs");
    if (!qerrs)
        tolmex_error("can't find Qerrs", 0);
    else
        read_error_texts(qerrs.get());
}

}  // namespace tolmex
