// Writes the initialization data directory: generated tables and copies of
// the hand-written files of data/.
#include <cstdio>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkdata OUTDIR DATADIR\n");
        return 2;
    }
    fs::path out = argv[1], src = argv[2];
    fs::create_directories(out);
    for (const auto& e : fs::directory_iterator(src)) {
        if (!e.is_regular_file()) continue;
        fs::copy_file(e.path(), out / e.path().filename(), fs::copy_options::overwrite_existing);
    }
    return 0;
}
