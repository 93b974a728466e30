#include "bignum.hpp"

#include <algorithm>
#include <cstdlib>

namespace mkdata {

Big Big::from_i64(std::int64_t v) {
    Big r;
    r.neg_ = v < 0;
    std::uint64_t m = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    while (m != 0) {
        r.limbs_.push_back(static_cast<std::uint32_t>(m % kBase));
        m /= kBase;
    }
    return r;
}

Big& Big::mul_small(std::uint32_t m) {
    if (m == 0) {
        limbs_.clear();
        neg_ = false;
        return *this;
    }
    std::uint64_t carry = 0;
    for (auto& limb : limbs_) {
        std::uint64_t t = static_cast<std::uint64_t>(limb) * m + carry;
        limb = static_cast<std::uint32_t>(t % kBase);
        carry = t / kBase;
    }
    while (carry != 0) {
        limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
        carry /= kBase;
    }
    return *this;
}

std::uint32_t Big::div_small(std::uint32_t m) {
    std::uint64_t rem = 0;
    for (auto it = limbs_.rbegin(); it != limbs_.rend(); ++it) {
        std::uint64_t t = rem * kBase + *it;
        *it = static_cast<std::uint32_t>(t / m);
        rem = t % m;
    }
    while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
    if (limbs_.empty()) neg_ = false;
    return static_cast<std::uint32_t>(rem);
}

Big& Big::shift_digit() {
    if (!limbs_.empty()) limbs_.insert(limbs_.begin(), 0u);
    return *this;
}

Big& Big::negate() {
    if (!limbs_.empty()) neg_ = !neg_;
    return *this;
}

std::vector<std::uint32_t> Big::groups_1e8() const {
    std::vector<std::uint32_t> out;
    Big t = *this;
    t.neg_ = false;
    while (!t.is_zero()) out.push_back(t.div_small(100000000u));
    if (out.empty()) out.push_back(0);
    std::reverse(out.begin(), out.end());
    return out;
}

std::size_t Big::decimal_digits() const {
    auto g = groups_1e8();
    std::size_t top = std::to_string(g.front()).size();
    return top + 8 * (g.size() - 1);
}

std::vector<std::int64_t> Big::signed_digits() const {
    std::vector<std::int64_t> out;
    if (limbs_.empty()) {
        out.push_back(0);
        return out;
    }
    for (auto it = limbs_.rbegin(); it != limbs_.rend(); ++it)
        out.push_back(neg_ ? -static_cast<std::int64_t>(*it) : static_cast<std::int64_t>(*it));
    return out;
}

void append_digit_form(std::string& out, const Big& x) {
    auto d = x.signed_digits();
    out += std::to_string(d.size());
    for (auto v : d) {
        out += ' ';
        out += std::to_string(v);
    }
    out += '\n';
}

}  // namespace mkdata
