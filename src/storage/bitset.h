// Bit sets of small integers in n 16-bit words. Element e lives in word
// n - 1 - e / 16, bit e % 16: the last word holds 0 to 15, word 0 the
// highest elements. Used for the scanner's and parsers' character classes.
#pragma once

#include <cstdint>

namespace tolmex {

void PSet_Init(uint16_t* set, int16_t n);
void PSet_Set(uint16_t* set, int16_t n, unsigned e);
int PSet_Test(const uint16_t* set, int16_t n, unsigned e);

// A 256-member character class (16 words).
struct CharSet {
    uint16_t words[16];
    CharSet() { PSet_Init(words, 16); }
    void add(unsigned char c) { PSet_Set(words, 16, c); }
    void add(const char* chars) {
        for (; *chars; ++chars) add(static_cast<unsigned char>(*chars));
    }
    bool has(int c) const {
        return c >= 0 && PSet_Test(words, 16, static_cast<unsigned>(c)) != 0;
    }
};

}  // namespace tolmex
