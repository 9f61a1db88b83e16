#pragma once
// Texts are 8-bit in the Western code page: Latin-1, except that 0x80..0x9F hold typographic
// characters where Latin-1 has control codes.
#include <cstdint>

namespace gui {

namespace western {
// Unicode of 0x80..0x9F; 0 where the code page leaves the byte unassigned.
inline constexpr std::uint16_t high[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};
} // namespace western

// The character a byte stands for (unassigned bytes as themselves).
constexpr std::uint32_t unicodeOfWestern(unsigned char c) {
    if (c >= 0x80 && c < 0xA0 && western::high[c - 0x80]) return western::high[c - 0x80];
    return c;
}

// The byte for a character; 0 when the code page has none.
constexpr unsigned char westernOfUnicode(std::uint32_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<unsigned char>(u);
    for (int i = 0; i < 32; ++i) {
        if (western::high[i] && western::high[i] == u) return static_cast<unsigned char>(0x80 + i);
    }
    return 0;
}

} // namespace gui
