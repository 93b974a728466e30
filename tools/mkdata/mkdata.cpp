// Writes the initialization data directory that Tolmex reads at start-up:
// the eight generated tables (computed here from first principles) and
// copies of the hand-written files of data/ ("Qerrs").
//
//   mkdata OUTDIR DATADIR          write OUTDIR (unchanged files are left alone)
//   mkdata --self-check DATADIR    generate and check everything, write nothing,
//                                  and print the check values
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "generators.hpp"

namespace fs = std::filesystem;
using namespace mkdata;

namespace {

std::string read_file(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    require(static_cast<bool>(in), "cannot read " + p.string());
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Writes `content` to `p` unless the file already holds exactly that, so
// that an unchanged table keeps its time stamp.
void write_if_changed(const fs::path& p, const std::string& content) {
    std::error_code ec;
    if (fs::is_regular_file(p, ec) && fs::file_size(p, ec) == content.size() &&
        read_file(p) == content)
        return;
    fs::path tmp = p;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        require(static_cast<bool>(out), "cannot write " + tmp.string());
        out << content;
        require(static_cast<bool>(out.flush()), "cannot write " + tmp.string());
    }
    fs::rename(tmp, p);
}

struct Generated {
    const char* name;
    std::string content;
};

std::vector<Generated> generate_all(F2t16Checks* checks) {
    std::vector<Generated> files;
    files.push_back({"pow228", gen_pow228()});
    files.push_back({"pprods", gen_pprods()});
    files.push_back({"primelist", gen_primelist()});
    files.push_back({"bprimes", gen_bprimes()});
    files.push_back({"lrgpmes", gen_lrgpmes()});
    files.push_back({"f256d", gen_f256d()});
    files.push_back({"f2t16d", gen_f2t16d(checks)});
    files.push_back({"chdat", gen_chdat()});
    return files;
}

int self_check(const fs::path& data) {
    auto start = std::chrono::steady_clock::now();
    check_qerrs(read_file(data / "Qerrs"));
    F2t16Checks c{};
    auto files = generate_all(&c);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    for (const auto& f : files) std::printf("%-10s %8zu bytes\n", f.name, f.content.size());
    std::printf("Qerrs      checked\n");
    std::printf(
        "f2t16 check values: exp[65535]=%u exp[64507]=%u inv[65535]=%u log[65535]=%u "
        "sqr[65535]=%u\n",
        c.exp_65535, c.exp_64507, c.inv_65535, c.log_65535, c.sqr_65535);
    std::printf("all checks passed in %lld ms\n", static_cast<long long>(ms));
    return 0;
}

int write_directory(const fs::path& out, const fs::path& data) {
    fs::create_directories(out);
    check_qerrs(read_file(data / "Qerrs"));
    for (const auto& e : fs::directory_iterator(data)) {
        if (!e.is_regular_file()) continue;
        write_if_changed(out / e.path().filename(), read_file(e.path()));
    }
    for (const auto& f : generate_all(nullptr)) write_if_changed(out / f.name, f.content);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkdata OUTDIR DATADIR\n       mkdata --self-check DATADIR\n");
        return 2;
    }
    try {
        if (std::string(argv[1]) == "--self-check") return self_check(argv[2]);
        return write_directory(argv[1], argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mkdata: %s\n", e.what());
        return 1;
    }
}
