// The reusable residue copy of a matrix for numeric determinants in
// modular mode: grown on demand and kept between calls, so that repeated
// determinants (the evaluations of Lagrange interpolation, the images of
// the multi-modular methods) allocate nothing.
#pragma once

#include <cstdint>
#include <vector>

namespace tolmex {

extern std::vector<int32_t> mod_mode_matrix;  // row by row
extern int64_t mod_matrix_size;               // entries it can hold
extern int mod_mode_matrix_in_use;            // busy while a method holds it

// row[c] -= f pivot[c] for c < len, without reduction (the lazy
// eliminations keep 64-bit entries congruent to the residues): for f and
// the pivot entries below 2^26 each product is below 2^52.
void residue_multiply_subtract(int64_t* row, const uint32_t* pivot, int32_t len, uint32_t f);

// Holds mod_mode_matrix, grown to n x n, for the holder's lifetime (also
// when an error unwinds); when it is busy a private array stands in.
class ResidueMatrix {
public:
    explicit ResidueMatrix(int32_t n);
    ~ResidueMatrix();
    ResidueMatrix(const ResidueMatrix&) = delete;
    ResidueMatrix& operator=(const ResidueMatrix&) = delete;
    std::vector<int32_t>& rows() { return shared_ ? mod_mode_matrix : own_; }
    bool shared() const { return shared_; }

private:
    bool shared_ = false;
    std::vector<int32_t> own_;
};

}  // namespace tolmex
