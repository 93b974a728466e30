// The generators of the initialization data files. Each returns the full
// text of one file and checks its own result; a failed check throws
// std::runtime_error with a message that names the file and the check.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace mkdata {

inline void require(bool ok, const std::string& what) {
    if (!ok) throw std::runtime_error(what);
}

// Appends the values, `per_line` to a line, separated by blanks.
template <class T>
void append_values(std::string& out, const std::vector<T>& v, std::size_t per_line) {
    for (std::size_t i = 0; i < v.size(); ++i) {
        out += std::to_string(v[i]);
        out += (i + 1) % per_line == 0 || i + 1 == v.size() ? '\n' : ' ';
    }
}

// primes.cpp
std::vector<std::uint32_t> primes_below(std::uint32_t limit);
bool is_prime_u32(std::uint32_t n);
std::string gen_primelist();
std::string gen_bprimes();
std::string gen_lrgpmes();

// numbers.cpp
std::string gen_pow228();
std::string gen_pprods();
std::string gen_chdat();

// fields.cpp
// Values of the 2^16 tables at the positions the start-up reader checks.
struct F2t16Checks {
    unsigned exp_65535, exp_64507, inv_65535, log_65535, sqr_65535;
};
std::string gen_f256d();
std::string gen_f2t16d(F2t16Checks* checks);

// qerrs.cpp: validates the hand-written error texts and built-in name table.
void check_qerrs(const std::string& text);

}  // namespace mkdata
