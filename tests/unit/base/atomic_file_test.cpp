// Files replaced only when complete: whatever goes wrong before the commit,
// the former file stays byte for byte and no temporary file is left over.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "base/atomic_file.h"

using namespace tolmex;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/atomic_file_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        target_ = dir_ + "/save";
    }
    void TearDown() override {
        for (const std::string& name : entries()) std::remove((dir_ + "/" + name).c_str());
        rmdir((dir_ + "/sub").c_str());
        rmdir(dir_.c_str());
    }
    // The names in the directory.
    std::set<std::string> entries() const {
        std::set<std::string> names;
        DIR* d = opendir(dir_.c_str());
        while (dirent* e = d ? readdir(d) : nullptr)
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.insert(e->d_name);
        if (d) closedir(d);
        return names;
    }
    static void put(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    static std::string get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string dir_, target_;
};

bool write_text(AtomicFile& f, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), f.stream()) == text.size();
}

TEST_F(AtomicFileTest, CommitReplacesAndCopyTargetKeepsTheEarlierText) {
    put(target_, "first\n");
    {
        AtomicFile f(target_);
        ASSERT_TRUE(f.ok());
        EXPECT_EQ(get(target_), "first\n");  // nothing shows before the commit
        ASSERT_TRUE(f.copy_target());
        ASSERT_TRUE(write_text(f, "second\n"));
        ASSERT_TRUE(f.commit());
    }
    EXPECT_EQ(get(target_), "first\nsecond\n");
    EXPECT_EQ(entries(), std::set<std::string>{"save"});
    // Without copy_target the new text stands alone; a missing target
    // copies as nothing.
    std::remove(target_.c_str());
    AtomicFile f(target_);
    ASSERT_TRUE(f.copy_target());
    ASSERT_TRUE(write_text(f, "alone\n"));
    ASSERT_TRUE(f.commit());
    EXPECT_EQ(get(target_), "alone\n");
}

TEST_F(AtomicFileTest, AnAbandonedWriteLeavesTheOldFileAndNoTemporary) {
    const std::string old = std::string(100000, 'x') + "\n&x;\n";
    put(target_, old);
    {
        AtomicFile f(target_);
        ASSERT_TRUE(f.ok());
        ASSERT_TRUE(write_text(f, std::string(300000, 'y')));
        EXPECT_EQ(entries().size(), 2u);  // the temporary beside the target
    }
    EXPECT_EQ(get(target_), old);
    EXPECT_EQ(entries(), std::set<std::string>{"save"});
}

TEST_F(AtomicFileTest, DirectoriesMissingPlacesAndSpecialFilesAreRefused) {
    ASSERT_EQ(mkdir((dir_ + "/sub").c_str(), 0755), 0);
    struct Case {
        std::string path;
        int err;
    } cases[] = {
        {dir_ + "/sub", EISDIR},
        {dir_ + "/sub/", EISDIR},
        {"", EISDIR},
        {dir_ + "/none/save", ENOENT},
        {dir_ + "/plain/save", ENOTDIR},  // the parent is a regular file
        {dir_ + "/fifo", ENOTSUP},        // a rename would take the pipe away
    };
    put(dir_ + "/plain", "p");
    ASSERT_EQ(mkfifo((dir_ + "/fifo").c_str(), 0600), 0);
    for (const Case& c : cases) {
        AtomicFile f(c.path);
        EXPECT_FALSE(f.ok()) << c.path;
        EXPECT_EQ(f.error_number(), c.err) << c.path;
        EXPECT_FALSE(f.commit()) << c.path;
        int e = 0;
        EXPECT_FALSE(can_replace_file(c.path, e)) << c.path;
        EXPECT_EQ(e, c.err) << c.path;
    }
    EXPECT_EQ(entries(), (std::set<std::string>{"fifo", "plain", "sub"}));
    // Only probed: a device is never renamed over, not even by a test.
    int e = 0;
    EXPECT_FALSE(can_replace_file("/dev/null", e));
    EXPECT_EQ(e, ENOTSUP);
}

TEST_F(AtomicFileTest, TheNewFileKeepsTheModeAndALinkStaysALink) {
    put(target_, "old");
    ASSERT_EQ(chmod(target_.c_str(), 0604), 0);
    const std::string link = dir_ + "/link";
    ASSERT_EQ(symlink("save", link.c_str()), 0);
    {
        AtomicFile f(link);
        ASSERT_TRUE(write_text(f, "new"));
        ASSERT_TRUE(f.commit());
    }
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(stat(target_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(get(target_), "new");
    // A new file gets the usual permissions under the umask.
    const mode_t mask = umask(022);
    {
        AtomicFile f(dir_ + "/fresh");
        ASSERT_TRUE(f.commit());
    }
    umask(mask);
    ASSERT_EQ(stat((dir_ + "/fresh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

// Writes past a file-size limit set in a child process, where the signal
// of that limit is ignored as the console ignores it. The exit status
// tells which step went wrong.
int write_past_size_limit(const std::string& target) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{8192, 8192};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
    AtomicFile f(target);
    if (!f.ok() || !f.copy_target()) return 11;
    for (int i = 0; i < 1000; ++i) std::fputs("0123456789abcdef\n", f.stream());
    if (f.commit()) return 12;
    return f.error_number() == EFBIG ? 0 : 13;
}

TEST_F(AtomicFileTest, AWritePastTheFileSizeLimitFailsAndKeepsTheOldFile) {
    const std::string old = "old snapshot\n&x;\n";
    put(target_, old);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(write_past_size_limit(target_));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(get(target_), old);
    EXPECT_EQ(entries(), std::set<std::string>{"save"});
}

}  // namespace
