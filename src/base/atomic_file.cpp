#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace tolmex {

namespace {

// The directory part of a path ("." for a bare name) and the last part.
void split_path(const std::string& path, std::string& dir, std::string& base) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        dir = ".";
        base = path;
    } else {
        dir = slash == 0 ? "/" : path.substr(0, slash);
        base = path.substr(slash + 1);
    }
}

// The new file takes the target's permissions and owner when it exists,
// else the usual permissions under the process's umask. A change of owner
// that is not allowed leaves the file the writer's own.
void take_target_attributes(int fd, const std::string& target) {
    struct stat st;
    if (stat(target.c_str(), &st) == 0) {
        if (fchown(fd, st.st_uid, st.st_gid) != 0) errno = 0;
        fchmod(fd, st.st_mode & 07777);
        return;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
}

// The file a save of that name replaces: a symbolic link is followed, so
// that the file it points to gets the new text and the link stays a link.
// A dangling link is replaced itself.
std::string resolve_target(const std::string& target) {
    struct stat st;
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    char* real = realpath(target.c_str(), nullptr);
    if (!real) return target;
    std::string resolved(real);
    std::free(real);
    return resolved;
}

// Why the target cannot be replaced by a renamed file, or 0: a directory,
// or a file that is not a regular one (a device such as /dev/null, a pipe,
// a socket), which a rename would take away from everyone using it.
int unsuitable_target(const std::string& target) {
    if (target.empty() || target.back() == '/') return EISDIR;
    struct stat st;
    if (stat(target.c_str(), &st) != 0) return 0;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    return S_ISREG(st.st_mode) ? 0 : ENOTSUP;
}

// Makes a rename in the directory last through a crash.
void sync_directory(const std::string& dir) {
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(resolve_target(target)) {
    errno_ = unsuitable_target(target_);
    if (errno_) return;
    std::string dir, base;
    split_path(target_, dir, base);
    dir_ = dir;
    // Kept short enough for a file name of the longest length allowed.
    constexpr size_t kBaseKept = 200;
    std::string pattern = dir + "/." + base.substr(0, kBaseKept) + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        errno_ = errno;
        return;
    }
    temp_ = name.data();
    take_target_attributes(fd, target_);
    stream_ = fdopen(fd, "w");
    if (!stream_) {
        errno_ = errno;
        close(fd);
        unlink(temp_.c_str());
    }
}

AtomicFile::~AtomicFile() {
    if (stream_) std::fclose(stream_);
    if (!committed_ && !temp_.empty()) unlink(temp_.c_str());
}

bool AtomicFile::fail(int e) {
    errno_ = e ? e : EIO;
    return false;
}

bool AtomicFile::copy_target() {
    if (!stream_) return false;
    FILE* old = std::fopen(target_.c_str(), "r");
    if (!old) return errno == ENOENT ? true : fail(errno);
    char buf[1 << 16];
    size_t n;
    bool good = true;
    while (good && (n = std::fread(buf, 1, sizeof buf, old)) > 0)
        good = std::fwrite(buf, 1, n, stream_) == n;
    const int e = errno;
    good = good && !std::ferror(old);
    std::fclose(old);
    return good ? true : fail(e);
}

bool AtomicFile::commit() {
    if (!stream_) return false;
    errno = 0;
    bool good = std::fflush(stream_) == 0 && !std::ferror(stream_);
    good = good && fsync(fileno(stream_)) == 0;
    const int e = errno;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!good || !closed) return fail(good ? errno : e);
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) return fail(errno);
    committed_ = true;
    sync_directory(dir_);
    return true;
}

bool can_replace_file(const std::string& target, int& errno_out) {
    AtomicFile probe(target);
    errno_out = probe.error_number();
    return probe.ok();
}

}  // namespace tolmex
