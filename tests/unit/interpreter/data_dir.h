// A scratch copy of the data directory for the reader's tests: every file
// is a link to the build's good file until a test replaces or removes it.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace datatest {

inline const char* const kDataFiles[] = {"chdat",   "Qerrs", "pow228", "pprods", "primelist",
                                         "bprimes", "f256d", "f2t16d", "lrgpmes"};

// The build's data directory (ends with "/").
inline std::string good_dir() {
    const char* e = std::getenv("TOLMEX_DATA_DIR");
    std::string d = e && *e ? e : "BACKWARD/";
    if (d.back() != '/') d += '/';
    return d;
}

inline std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    in.seekg(0, std::ios::end);
    text.resize(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    return text;
}

class ScratchDir {
public:
    ScratchDir() {
        char tmpl[] = "/tmp/tolmex_data_XXXXXX";
        if (!mkdtemp(tmpl)) std::abort();
        dir_ = std::string(tmpl) + "/";
        for (const char* name : kDataFiles)
            std::filesystem::create_symlink(std::filesystem::absolute(good_dir() + name),
                                            dir_ + name);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return dir_; }

    void remove(const std::string& name) { std::filesystem::remove(dir_ + name); }
    void write(const std::string& name, const std::string& text) {
        remove(name);
        std::ofstream(dir_ + name, std::ios::binary) << text;
    }
    // The good file with its whitespace-separated value number `index`
    // (counting from 0) replaced.
    void replace_value(const std::string& name, size_t index, const std::string& value) {
        std::string text = read_text(good_dir() + name);
        const size_t at = value_offset(text, index);
        if (at == text.size()) std::abort();
        text.replace(at, text.find_first_of(kBlanks, at) - at, value);
        write(name, text);
    }
    // The good file cut before its value number `keep`.
    void truncate_values(const std::string& name, size_t keep) {
        std::string text = read_text(good_dir() + name);
        text.resize(value_offset(text, keep));
        write(name, text);
    }

private:
    static constexpr const char* kBlanks = " \t\r\n";
    // Where value number `index` begins (the text's size when it has fewer).
    static size_t value_offset(const std::string& text, size_t index) {
        size_t at = text.find_first_not_of(kBlanks);
        for (size_t i = 0; i < index && at != std::string::npos; ++i)
            at = text.find_first_not_of(kBlanks, text.find_first_of(kBlanks, at));
        return at == std::string::npos ? text.size() : at;
    }
    std::string dir_;
};

}  // namespace datatest
