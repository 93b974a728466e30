// The reusable residue array of the modular determinants.
#include "matrix/residue_work.h"

#include <algorithm>

namespace tolmex {

std::vector<int32_t> mod_mode_matrix;
int64_t mod_matrix_size = 0;
int mod_mode_matrix_in_use = 0;

__attribute__((target_clones("avx2", "default"))) void residue_multiply_subtract(int64_t* row, const uint32_t* pivot,
                                                                                 int32_t len, uint32_t f) {
    for (int32_t c = 0; c < len; ++c) row[c] -= static_cast<int64_t>(static_cast<uint64_t>(f) * pivot[c]);
}

ResidueMatrix::ResidueMatrix(int32_t n) {
    const int64_t need = static_cast<int64_t>(n) * n;
    if (mod_mode_matrix_in_use) {
        own_.assign(static_cast<size_t>(need), 0);
        return;
    }
    if (need > mod_matrix_size) {
        mod_mode_matrix.resize(static_cast<size_t>(need));
        mod_matrix_size = need;
    }
    std::fill(mod_mode_matrix.begin(), mod_mode_matrix.begin() + need, 0);
    mod_mode_matrix_in_use = 1;
    shared_ = true;
}

ResidueMatrix::~ResidueMatrix() {
    if (shared_) mod_mode_matrix_in_use = 0;
}

}  // namespace tolmex
