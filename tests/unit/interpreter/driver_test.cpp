// The command driver's helpers: finding the executable, the data
// directory, and the four forms of the timing line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "interpreter/driver.h"

using namespace tolmex;
namespace fs = std::filesystem;

namespace {

// A scratch directory with an executable file "prog" in bin/.
struct Scratch {
    fs::path root;
    Scratch() {
        char tmpl[] = "/tmp/tolmex_exec_XXXXXX";
        root = mkdtemp(tmpl);
        fs::create_directories(root / "bin");
        std::ofstream(root / "bin" / "prog") << "#!/bin/sh\n";
        fs::permissions(root / "bin" / "prog", fs::perms::owner_all);
    }
    ~Scratch() { fs::remove_all(root); }
};

// Runs f with the working directory set to dir.
template <class F>
void in_directory(const fs::path& dir, F f) {
    fs::path saved = fs::current_path();
    fs::current_path(dir);
    f();
    fs::current_path(saved);
}

}  // namespace

// An absolute path is taken as it is (the data directory sits beside it);
// relative ones are resolved from the working directory and canonicalised.
TEST(GetExecName, AbsoluteAndRelativePaths) {
    Scratch s;
    std::string out;
    std::string path = (s.root / "bin" / "prog").string();
    EXPECT_EQ(GetExecName(path.c_str(), out), 0);
    EXPECT_EQ(out, path);
    EXPECT_EQ(data_dir_for(out), (s.root / "bin").string() + "/BACKWARD/");
    EXPECT_EQ(data_dir_for("prog"), "./BACKWARD/");
    const std::string canonical = fs::canonical(s.root / "bin" / "prog").string();
    fs::create_directories(s.root / "other");
    for (auto [dir, name] : {std::pair{"bin", "./prog"}, {"other", "../bin/prog"}, {"", "bin/prog"}})
        in_directory(s.root / dir, [&] {
            EXPECT_EQ(GetExecName(name, out), 2) << name;
            EXPECT_EQ(out, canonical) << name;
        });
}

TEST(GetExecName, BareNamesAreSearchedAlongThePath) {
    Scratch s;
    const char* old = std::getenv("PATH");
    std::string saved = old ? old : "";
    std::string path = "/nonexistent:" + (s.root / "bin").string();
    setenv("PATH", path.c_str(), 1);
    std::string out;
    EXPECT_EQ(GetExecName("prog", out), 2);
    EXPECT_EQ(out, fs::canonical(s.root / "bin" / "prog").string());
    EXPECT_EQ(GetExecName("no_such_program_anywhere", out), -1);
    EXPECT_TRUE(out.empty());
    setenv("PATH", saved.c_str(), 1);
}

TEST(GetExecName, SymbolicLinksLeadToTheirTarget) {
    Scratch s;
    fs::create_directories(s.root / "links");
    fs::create_symlink(s.root / "bin" / "prog", s.root / "links" / "abs");
    std::string out;
    std::string link = (s.root / "links" / "abs").string();
    EXPECT_EQ(GetExecName(link.c_str(), out), 0);
    EXPECT_EQ(out, (s.root / "bin" / "prog").string());
    // A relative target replaces the last component.
    fs::create_symlink("../bin/prog", s.root / "links" / "rel");
    std::string rel = (s.root / "links" / "rel").string();
    EXPECT_EQ(GetExecName(rel.c_str(), out), 0);
    EXPECT_EQ(out, (s.root / "links").string() + "/../bin/prog");
}

TEST(TimingLine, FourForms) {
    EXPECT_EQ(timing_line(3, 2345), " Elapsed CPU time:  2.345\n");
    EXPECT_EQ(timing_line(7, 61250), " Elapsed real time:  7.  CPU time:  1.250\n");
    EXPECT_EQ(timing_line(65, 65001), " Elapsed real time:  1: 5.  CPU time: 1: 5.001\n");
    EXPECT_EQ(timing_line(3725, 3725000),
              " Elapsed real time: 1: 2: 5.  CPU time: 62: 5.000\n");
    EXPECT_EQ(timing_line(0, 0), " Elapsed CPU time:  0.000\n");
}
