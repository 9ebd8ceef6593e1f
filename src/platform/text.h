// Text helpers of the C runtime that the game relies on, written locale-independently:
// UTF-16 strings, code-page conversions, number reading and printf-style formatting.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace platform {

// Windows-1252 ("ANSI") <-> UTF-16. Each byte gives one unit; a unit that has no
// Windows-1252 byte becomes a blank, as the system's conversion does.
char16_t Cp1252ToUnit(unsigned char byte);
std::u16string Cp1252ToU16(std::string_view bytes);
std::string U16ToCp1252(std::u16string_view text);

// UTF-8 is used only for paths and messages handed to the OS and for our content sources.
std::u16string Utf8ToU16(std::string_view text);
std::string U16ToUtf8(std::u16string_view text);

// UTF-16 little-endian bytes as they stand (surrogates pass through; an odd trailing byte is dropped).
std::u16string Utf16LEToU16(const uint8_t* bytes, size_t size);
std::vector<uint8_t> U16ToUtf16LE(std::u16string_view text, bool withBom);

// Case mapping of ASCII letters only.
char16_t AsciiToLower(char16_t c);
std::u16string AsciiLower(std::u16string_view text);

// Number reading as the wide C runtime reads it, independent of the locale:
// WToI skips white space, takes an optional sign and decimal digits up to the first
// other character (0 when there are none) and saturates on overflow.
int32_t WToI(std::u16string_view text);
// WToF reads decimal floating-point notation (sign, digits, '.', exponent); 0.0 when
// nothing can be read. Hex, "inf" and "nan" read as 0.
double WToF(std::u16string_view text);
// Hexadecimal as wcstoul(text, 16): optional white space, sign and "0x"; saturates at 0xFFFFFFFF.
uint32_t WToUL16(std::u16string_view text);

// One formatting argument. Text is always UTF-16.
using FormatArg = std::variant<int64_t, uint64_t, double, std::u16string_view, char16_t>;

// printf-style formatting as the wide runtime does it: %d %i %u %x %X %f %e %g %s %c %%,
// with flags (-, 0, +, blank, #), width and precision (also as *). %s takes UTF-16 text.
// Arguments are typed, so a mismatched or missing argument formats as empty text, never
// reads memory it was not given.
std::u16string FormatWArgs(std::u16string_view format, const std::vector<FormatArg>& args);

namespace detail {
inline FormatArg ToFormatArg(char16_t v) { return v; }
inline FormatArg ToFormatArg(bool v) { return int64_t(v); }
inline FormatArg ToFormatArg(int v) { return int64_t(v); }
inline FormatArg ToFormatArg(long v) { return int64_t(v); }
inline FormatArg ToFormatArg(long long v) { return int64_t(v); }
inline FormatArg ToFormatArg(unsigned v) { return uint64_t(v); }
inline FormatArg ToFormatArg(unsigned long v) { return uint64_t(v); }
inline FormatArg ToFormatArg(unsigned long long v) { return uint64_t(v); }
inline FormatArg ToFormatArg(float v) { return double(v); }
inline FormatArg ToFormatArg(double v) { return v; }
inline FormatArg ToFormatArg(const char16_t* v) { return std::u16string_view(v ? v : u""); }
inline FormatArg ToFormatArg(const std::u16string& v) { return std::u16string_view(v); }
inline FormatArg ToFormatArg(std::u16string_view v) { return v; }
}  // namespace detail

template <class... Args>
std::u16string FormatW(std::u16string_view format, const Args&... args) {
  return FormatWArgs(format, {detail::ToFormatArg(args)...});
}

}  // namespace platform
