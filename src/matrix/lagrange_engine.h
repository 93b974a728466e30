// The evaluation and interpolation machinery of the Lagrange determinant
// methods (lagrange_det.cpp), on word residues. Internal to src/matrix.
//
// A matrix of polys is read once into terms: for every nonzero entry its
// terms with a key that packs the exponents of the variables the matrix
// involves (the "engine levels", the outermost poly level first) in mixed
// radix with the outermost level least significant, so that evaluating the
// outermost remaining variable merges runs of neighbouring terms. The
// coefficients stay where the entries hold them; each prime (or the
// modulus in force) turns them into residues.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "gcd/dense_gcd.h"
#include "numbers/number.h"
#include "numbers/residue.h"
#include "quoly/quoly.h"

namespace tolmex::lagrange {

struct Entry {
    int32_t row, col;
    const QuolyRec* q;  // a number or a poly (null or zero entries are skipped)
};

struct Cell {
    int32_t row, col;
    int64_t begin, end;  // its terms
};

struct TermMatrix {
    int32_t n = 0;
    int depth = 0;                    // the poly levels the entries reach
    std::vector<int> level;           // engine level -> poly level (1-based)
    std::vector<int32_t> extent;      // engine level -> 1 + its highest exponent
    std::vector<Cell> cells;          // nonzero entries, row by row
    std::vector<uint64_t> key;        // per term, ascending within a cell
    std::vector<const Number*> coef;  // per term, as the entry holds it
    int levels() const { return static_cast<int>(level.size()); }
    // The exponent of engine level j in term i.
    int32_t exponent(int64_t i, int j) const;
};

enum class Reading { Ok, Laurent, NotPolys, TooLarge };
// Reads the entries of an n x n matrix; Laurent when one has a negative
// exponent, NotPolys for a quotient, TooLarge when the keys would not fit
// 64 bits.
Reading read_terms(const std::vector<Entry>& entries, int32_t n, TermMatrix& t);

// Degree bounds of the determinant per engine level; for level 0 with a
// power above 1 the bound is in y = x^power.
struct Plan {
    std::vector<int32_t> degree;
    int32_t power = 1;
    int32_t main_degree = 0;  // level 0's bound in x itself
};
// The most coefficients a determinant may have here: the Newton arrays and
// the images of the primes are dense in them.
constexpr int64_t kMaxCoefficients = int64_t{1} << 22;
// From the entries' degrees: per level the smaller of the sums over rows
// and over columns of the largest degree there; caller_degree > 0 bounds
// level 0 as well. False when a row or column is zero (the determinant
// is 0).
bool make_plan(const TermMatrix& t, int32_t caller_degree, int32_t power, Plan& plan);

// Residue arithmetic of the ring in force: a prime modulus (through the
// dense GCD's Zp) or a field of 2^8 or 2^16 elements (its tables).
class Arith {
public:
    Arith();
    uint32_t mul(uint32_t a, uint32_t b) const {
        return field_ ? static_cast<uint32_t>(modmult(static_cast<int32_t>(a), static_cast<int32_t>(b))) : zp_.mul(a, b);
    }
    uint32_t add(uint32_t a, uint32_t b) const { return field_ ? a ^ b : zp_.add(a, b); }
    uint32_t sub(uint32_t a, uint32_t b) const { return field_ ? a ^ b : zp_.sub(a, b); }
    uint32_t inv(uint32_t a) const;
    uint32_t pow(uint32_t a, int64_t e) const;
    // The number of field elements.
    int64_t size() const { return size_; }
    // How many distinct values x^power takes over the field.
    int64_t distinct_powers(int32_t power) const;

private:
    bool field_;
    int64_t size_;
    gcdimpl::Zp zp_;
};

// The determinant's coefficients (dense, extents degree[j] + 1, level 0
// varying slowest) from the residues of t's terms (one per term) by
// evaluation at distinct random points and Newton interpolation, level by
// level. False when the field has too few points for the plan. The
// evaluated numeric matrices go to mod_determ, or, with sparse, to the
// dispatcher as sparse matrices.
bool interpolate_det(const TermMatrix& t, const std::vector<uint32_t>& residues, const Plan& plan, bool sparse,
                     std::vector<uint32_t>& out);

// The generator of evaluation points and prime choices (fixed seed, so
// that runs repeat).
std::mt19937_64& random_source();

}  // namespace tolmex::lagrange
