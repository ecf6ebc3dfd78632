// Text conversions and the size format shown to users.
//
// Narrow text is UTF-8 everywhere, including what older code called the
// system "ANSI" code page; wide text is UTF-16 in char16_t. Decoding is
// lenient: an invalid byte or a lone surrogate becomes U+FFFD and the rest
// of the text is kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

std::u16string utf8ToUtf16(std::string_view utf8);
std::string utf16ToUtf8(std::u16string_view utf16);

// The narrow system encoding is UTF-8; these name the intent at call sites
// that read or write "ANSI" text.
inline std::u16string ansiToUtf16(std::string_view ansi) {
    return utf8ToUtf16(ansi);
}
inline std::string utf16ToAnsi(std::u16string_view utf16) {
    return utf16ToUtf8(utf16);
}

// The text with the ASCII letters A to Z in lower case; other bytes,
// UTF-8 sequences included, unchanged.
std::string lowerAscii(std::string_view text);

// The text without the blanks, tabs and carriage returns at either end.
std::string_view trimBlanks(std::string_view text);

// The value of a hexadecimal digit, or -1 for any other character.
int hexDigitValue(char c);

// Length of a NUL-terminated char16_t string (0 for nullptr).
std::size_t u16length(const char16_t* text);

// A byte count with two decimals: above 1073741824 "%.2fGB", else above
// 1048576 "%.2fMB", else above 1024 "%.2fKB", else "%.2fB".
std::string formatSize(std::int64_t bytes);

}  // namespace platform
