// A deliberately small signed big integer for the data generator.
//
// Invariants: the magnitude is held in base 2^28, least significant limb
// first, with no zero limb at the top; zero is the empty limb vector and is
// never negative. Only the operations the generator needs are provided:
// products and exact quotients by one machine word, which is how every
// table (powers, factorials, binomials, prime products) is built.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mkdata {

class Big {
  public:
    static constexpr std::uint32_t kBase = 1u << 28;

    Big() = default;
    static Big from_i64(std::int64_t v);

    [[nodiscard]] bool is_zero() const { return limbs_.empty(); }
    [[nodiscard]] bool negative() const { return neg_; }
    // Number of base-2^28 digits; zero counts as one digit, as in Tolmex.
    [[nodiscard]] std::size_t digit_count() const { return limbs_.empty() ? 1 : limbs_.size(); }

    Big& mul_small(std::uint32_t m);
    // Divides in place by m > 0 and returns the remainder of the magnitude.
    std::uint32_t div_small(std::uint32_t m);
    // Multiplies by 2^28 (appends one zero digit at the bottom).
    Big& shift_digit();
    Big& negate();

    // Base-10^8 groups of |x|, most significant first ({0} for zero).
    [[nodiscard]] std::vector<std::uint32_t> groups_1e8() const;
    // Decimal digit count of |x| (1 for zero).
    [[nodiscard]] std::size_t decimal_digits() const;
    // Base-2^28 digits, most significant first, each carrying the sign.
    [[nodiscard]] std::vector<std::int64_t> signed_digits() const;

    friend bool operator==(const Big&, const Big&) = default;

  private:
    std::vector<std::uint32_t> limbs_;
    bool neg_ = false;
};

// Appends "m d1 d2 ... dm" (digit-count form) to out, followed by a newline.
void append_digit_form(std::string& out, const Big& x);

}  // namespace mkdata
