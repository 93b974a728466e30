// Files replaced only when complete: the new text is written under a
// temporary name in the target's own directory, flushed to the disk and
// renamed over the target. A full disk, a file-size limit, an interrupt or
// a crash on the way leaves the former file exactly as it was.
#pragma once

#include <cstdio>
#include <string>

namespace tolmex {

class AtomicFile {
public:
    // Creates the temporary file beside `target`; ok() tells whether that
    // worked (error_number() holds errno when it did not). A target that is
    // a directory is refused (EISDIR), and so is one that exists but is not
    // a regular file (ENOTSUP). A symbolic link is followed: the file it
    // names is the one replaced. The new file keeps the old one's
    // permissions (and owner, where allowed).
    explicit AtomicFile(const std::string& target);
    // Removes the temporary file unless it was committed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool ok() const { return stream_ != nullptr; }
    FILE* stream() const { return stream_; }
    // Copies the target's present contents to the start of the new text
    // (nothing when there is no target yet).
    bool copy_target();
    // Flushes, syncs and renames the temporary file over the target; on
    // any failure the temporary file goes and the target stays.
    bool commit();
    int error_number() const { return errno_; }

private:
    bool fail(int e);
    std::string target_;
    std::string dir_;
    std::string temp_;
    FILE* stream_ = nullptr;
    int errno_ = 0;
    bool committed_ = false;
};

// Whether a file of that name could be written now (its directory accepts
// a new file and the name is not a directory); errno_out tells why not.
bool can_replace_file(const std::string& target, int& errno_out);

}  // namespace tolmex
