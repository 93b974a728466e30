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

// The permissions a new file gets: the target's own when it exists, else
// the usual ones under the process's umask.
mode_t new_file_mode(const std::string& target) {
    struct stat st;
    if (stat(target.c_str(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool is_directory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

AtomicFile::AtomicFile(const std::string& target) : target_(target) {
    if (target.empty() || target.back() == '/' || is_directory(target)) {
        errno_ = EISDIR;
        return;
    }
    std::string dir, base;
    split_path(target, dir, base);
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
    fchmod(fd, new_file_mode(target));
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
    return true;
}

bool can_replace_file(const std::string& target, int& errno_out) {
    AtomicFile probe(target);
    errno_out = probe.error_number();
    return probe.ok();
}

}  // namespace tolmex
