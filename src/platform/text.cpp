#include "platform/text.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace platform {
namespace {

// 0x80..0x9F of Windows-1252; the five unassigned bytes map to the C1 control of the same value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsSpace(char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D); }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

char16_t Cp1252ToUnit(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
  return char16_t(byte);
}

std::u16string Cp1252ToU16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (char b : bytes) out.push_back(Cp1252ToUnit(static_cast<unsigned char>(b)));
  return out;
}

std::string U16ToCp1252(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(char(c));
      continue;
    }
    char mapped = ' ';
    for (int i = 0; i < 32; ++i) {
      if (kCp1252High[i] == c) {
        mapped = char(0x80 + i);
        break;
      }
    }
    out.push_back(mapped);
  }
  return out;
}

std::u16string Utf8ToU16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    unsigned char c = text[i];
    uint32_t cp = 0xFFFD;
    size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
    }
    if (len > 1) {
      if (i + len > text.size()) {
        len = 1;
      } else {
        cp = c & (0x7F >> len);
        bool ok = true;
        for (size_t k = 1; k < len; ++k) {
          unsigned char cc = text[i + k];
          if ((cc & 0xC0) != 0x80) {
            ok = false;
            break;
          }
          cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
          cp = 0xFFFD;
          len = 1;
        }
      }
    }
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp > 0x10FFFF ? 0xFFFD : cp));
    }
    i += len;
  }
  return out;
}

std::string U16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string Utf16LEToU16(const uint8_t* bytes, size_t size) {
  std::u16string out(size / 2, u'\0');
  for (size_t i = 0; i < size / 2; ++i) out[i] = char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return out;
}

std::vector<uint8_t> U16ToUtf16LE(std::u16string_view text, bool withBom) {
  std::vector<uint8_t> out;
  out.reserve(text.size() * 2 + 2);
  if (withBom) {
    out.push_back(0xFF);
    out.push_back(0xFE);
  }
  for (char16_t c : text) {
    out.push_back(uint8_t(c & 0xFF));
    out.push_back(uint8_t(c >> 8));
  }
  return out;
}

char16_t AsciiToLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

std::u16string AsciiLower(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = AsciiToLower(c);
  return out;
}

int32_t WToI(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int64_t value = 0;
  bool saturated = false;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    if (saturated) continue;
    value = value * 10 + (text[i] - u'0');
    if (value > int64_t(INT32_MAX) + 1) saturated = true;
  }
  if (negative) {
    if (saturated || value > int64_t(INT32_MAX) + 1) return INT32_MIN;
    return int32_t(-value);
  }
  if (saturated || value > INT32_MAX) return INT32_MAX;
  return int32_t(value);
}

double WToF(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  std::string number;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) {
    number.push_back(char(text[i++]));
    ++digits;
  }
  if (i < text.size() && text[i] == u'.') {
    number.push_back('.');
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      number.push_back(char(text[i++]));
      ++digits;
    }
  }
  if (digits == 0) return 0.0;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < text.size() && (text[j] == u'+' || text[j] == u'-')) exponent.push_back(char(text[j++]));
    size_t expDigits = 0;
    while (j < text.size() && IsDigit(text[j])) {
      exponent.push_back(char(text[j++]));
      ++expDigits;
    }
    if (expDigits > 0) number += exponent;
  }
  double value = 0.0;
  auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Tell overflow from underflow by the magnitude the text spells.
    size_t e = number.find('e');
    int exp10 = e == std::string::npos ? 0 : std::atoi(number.c_str() + e + 1);
    value = exp10 > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

uint32_t WToUL16(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
      i + 2 < text.size() && HexDigit(text[i + 2]) >= 0)
    i += 2;
  uint64_t value = 0;
  bool overflow = false;
  for (; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
    value = value * 16 + uint64_t(HexDigit(text[i]));
    if (value > 0xFFFFFFFFull) overflow = true, value = 0xFFFFFFFFull;
  }
  if (overflow) return 0xFFFFFFFFu;
  uint32_t v = uint32_t(value);
  return negative ? uint32_t(0u - v) : v;
}

namespace {

struct Spec {
  bool left = false, zero = false, plus = false, space = false, alt = false;
  int width = 0;
  int precision = -1;
  char conv = 0;
};

void Pad(std::u16string& out, const std::u16string& body, const Spec& spec, bool numeric) {
  int pad = spec.width - int(body.size());
  if (pad <= 0) {
    out += body;
    return;
  }
  if (spec.left) {
    out += body;
    out.append(size_t(pad), u' ');
  } else if (spec.zero && numeric) {
    // Zeros go after a sign or a 0x prefix.
    size_t prefix = 0;
    if (!body.empty() && (body[0] == u'-' || body[0] == u'+' || body[0] == u' ')) prefix = 1;
    if (body.size() >= prefix + 2 && body[prefix] == u'0' &&
        (body[prefix + 1] == u'x' || body[prefix + 1] == u'X'))
      prefix += 2;
    out += body.substr(0, prefix);
    out.append(size_t(pad), u'0');
    out += body.substr(prefix);
  } else {
    out.append(size_t(pad), u' ');
    out += body;
  }
}

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::u16string FormatInteger(const FormatArg& arg, const Spec& spec) {
  int64_t sv = 0;
  uint64_t uv = 0;
  bool isSigned = true;
  if (auto p = std::get_if<int64_t>(&arg)) {
    sv = *p;
  } else if (auto p = std::get_if<uint64_t>(&arg)) {
    uv = *p;
    isSigned = false;
  } else if (auto p = std::get_if<double>(&arg)) {
    sv = int64_t(std::isfinite(*p) ? *p : 0.0);
  } else if (auto p = std::get_if<char16_t>(&arg)) {
    sv = *p;
  } else {
    return u"";
  }
  std::string digits;
  bool negative = false;
  char c = spec.conv;
  if (c == 'd' || c == 'i') {
    if (isSigned) {
      negative = sv < 0;
      uv = negative ? uint64_t(0) - uint64_t(sv) : uint64_t(sv);
    }
    digits = std::to_string(uv);
  } else {
    // Unsigned conversions of a value that fits 32 bits show its 32-bit two's complement.
    if (isSigned) uv = (sv >= INT32_MIN && sv <= INT32_MAX) ? uint64_t(uint32_t(int32_t(sv))) : uint64_t(sv);
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, uv, c == 'u' ? 10 : (c == 'o' ? 8 : 16));
    digits.assign(buf, r.ptr);
    if (c == 'X')
      for (auto& ch : digits) ch = char(std::toupper(static_cast<unsigned char>(ch)));
  }
  if (spec.precision >= 0) {
    if (spec.precision == 0 && uv == 0) digits.clear();
    while (int(digits.size()) < spec.precision) digits.insert(digits.begin(), '0');
  }
  std::string body;
  if (negative)
    body = "-";
  else if ((c == 'd' || c == 'i') && spec.plus)
    body = "+";
  else if ((c == 'd' || c == 'i') && spec.space)
    body = " ";
  if (spec.alt && uv != 0 && (c == 'x' || c == 'X')) body += c == 'x' ? "0x" : "0X";
  body += digits;
  Spec padSpec = spec;
  if (spec.precision >= 0) padSpec.zero = false;
  std::u16string out;
  Pad(out, Ascii(body), padSpec, true);
  return out;
}

std::u16string FormatFloat(const FormatArg& arg, const Spec& spec) {
  double v = 0.0;
  if (auto p = std::get_if<double>(&arg))
    v = *p;
  else if (auto p = std::get_if<int64_t>(&arg))
    v = double(*p);
  else if (auto p = std::get_if<uint64_t>(&arg))
    v = double(*p);
  else
    return u"";
  std::string body;
  bool negative = std::signbit(v);
  double mag = std::fabs(v);
  int precision = spec.precision < 0 ? 6 : spec.precision;
  if (std::isnan(v)) {
    body = "nan";
  } else if (std::isinf(v)) {
    body = "inf";
  } else {
    char buf[400];
    std::chars_format fmt = std::chars_format::fixed;
    char c = char(std::tolower(static_cast<unsigned char>(spec.conv)));
    if (c == 'e') fmt = std::chars_format::scientific;
    if (c == 'g') {
      fmt = std::chars_format::general;
      if (precision == 0) precision = 1;
    }
    auto r = std::to_chars(buf, buf + sizeof buf, mag, fmt, precision);
    body.assign(buf, r.ptr);
    if (c == 'e' || c == 'g') {
      // The runtime writes at least two exponent digits: 1e+05 rather than 1e+5.
      size_t e = body.find('e');
      if (e != std::string::npos && body.size() - e == 3) body.insert(e + 2, "0");
    }
    if (spec.alt && precision == 0 && c == 'f') body += '.';
    if (std::isupper(static_cast<unsigned char>(spec.conv)))
      for (auto& ch : body) ch = char(std::toupper(static_cast<unsigned char>(ch)));
  }
  std::string sign = negative ? "-" : (spec.plus ? "+" : (spec.space ? " " : ""));
  std::u16string out;
  Pad(out, Ascii(sign + body), spec, std::isfinite(v));
  return out;
}

}  // namespace

std::u16string FormatWArgs(std::u16string_view format, const std::vector<FormatArg>& args) {
  std::u16string out;
  size_t next = 0;
  auto take = [&]() -> const FormatArg* { return next < args.size() ? &args[next++] : nullptr; };
  auto takeInt = [&]() -> int {
    const FormatArg* a = take();
    if (!a) return 0;
    if (auto p = std::get_if<int64_t>(a)) return int(*p);
    if (auto p = std::get_if<uint64_t>(a)) return int(*p);
    return 0;
  };
  for (size_t i = 0; i < format.size(); ++i) {
    char16_t ch = format[i];
    if (ch != u'%') {
      out.push_back(ch);
      continue;
    }
    size_t start = i;
    ++i;
    if (i >= format.size()) {
      out.push_back(u'%');
      break;
    }
    if (format[i] == u'%') {
      out.push_back(u'%');
      continue;
    }
    Spec spec;
    for (; i < format.size(); ++i) {
      char16_t f = format[i];
      if (f == u'-') spec.left = true;
      else if (f == u'0') spec.zero = true;
      else if (f == u'+') spec.plus = true;
      else if (f == u' ') spec.space = true;
      else if (f == u'#') spec.alt = true;
      else break;
    }
    if (i < format.size() && format[i] == u'*') {
      spec.width = takeInt();
      if (spec.width < 0) spec.left = true, spec.width = -spec.width;
      ++i;
    } else {
      while (i < format.size() && IsDigit(format[i])) spec.width = spec.width * 10 + (format[i++] - u'0');
    }
    if (i < format.size() && format[i] == u'.') {
      ++i;
      spec.precision = 0;
      if (i < format.size() && format[i] == u'*') {
        spec.precision = takeInt();
        ++i;
      } else {
        while (i < format.size() && IsDigit(format[i]))
          spec.precision = spec.precision * 10 + (format[i++] - u'0');
      }
    }
    // Length modifiers carry no meaning for typed arguments.
    while (i < format.size() &&
           (format[i] == u'h' || format[i] == u'l' || format[i] == u'L' || format[i] == u'w' ||
            format[i] == u'I' || format[i] == u'z' || format[i] == u'j' || format[i] == u't' ||
            format[i] == u'q' || (format[i] == u'6' && i > 0 && format[i - 1] == u'I') ||
            (format[i] == u'4' && i > 0 && format[i - 1] == u'6')))
      ++i;
    if (i >= format.size()) {
      out.append(format.substr(start));
      break;
    }
    char16_t conv = format[i];
    spec.conv = conv < 128 ? char(conv) : 0;
    switch (conv) {
      case u'd': case u'i': case u'u': case u'x': case u'X': case u'o': {
        const FormatArg* a = take();
        if (a) out += FormatInteger(*a, spec);
        break;
      }
      case u'f': case u'F': case u'e': case u'E': case u'g': case u'G': {
        const FormatArg* a = take();
        if (a) out += FormatFloat(*a, spec);
        break;
      }
      case u's': case u'S': {
        const FormatArg* a = take();
        std::u16string body;
        if (a) {
          if (auto p = std::get_if<std::u16string_view>(a)) body = std::u16string(*p);
        }
        if (spec.precision >= 0 && size_t(spec.precision) < body.size()) body.resize(size_t(spec.precision));
        Pad(out, body, spec, false);
        break;
      }
      case u'c': case u'C': {
        const FormatArg* a = take();
        std::u16string body;
        if (a) {
          if (auto p = std::get_if<char16_t>(a)) body.push_back(*p);
          else if (auto p = std::get_if<int64_t>(a)) body.push_back(char16_t(*p));
          else if (auto p = std::get_if<uint64_t>(a)) body.push_back(char16_t(*p));
        }
        Pad(out, body, spec, false);
        break;
      }
      default:
        out.append(format.substr(start, i - start + 1));
        break;
    }
  }
  return out;
}

}  // namespace platform
