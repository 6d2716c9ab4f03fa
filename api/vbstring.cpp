#include "api/vbstring.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "api/vbnum.h"

namespace vss {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string LCase(const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return result;
}

std::string Left(const std::string& text, std::size_t n) { return text.substr(0, n); }

std::string Right(const std::string& text, std::size_t n) {
  return n >= text.size() ? text : text.substr(text.size() - n);
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<double> RadixValue(const std::string& digits, int radix) {
  if (digits.empty() || digits.size() > 16) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    int digit = 0;
    if (IsDigit(c)) {
      digit = c - '0';
    } else if (radix == 16 && std::isxdigit(static_cast<unsigned char>(c))) {
      digit = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    } else {
      return std::nullopt;
    }
    if (digit >= radix) return std::nullopt;
    value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
  }
  // Literals of up to 32 bits are signed, as the runtime reads "&HFFFFFFFF" as -1.
  if (value <= 0xFFFFFFFFull) return static_cast<double>(static_cast<std::int32_t>(value));
  return static_cast<double>(value);
}

}  // namespace

std::optional<double> NumericValue(const std::string& text) {
  std::size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return std::nullopt;
  const std::size_t end = text.find_last_not_of(' ') + 1;
  const std::string body = text.substr(begin, end - begin);

  if (body.size() > 2 && body[0] == '&') {
    const char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(body[1])));
    if (kind == 'h') return RadixValue(body.substr(2), 16);
    if (kind == 'o') return RadixValue(body.substr(2), 8);
    return std::nullopt;
  }

  std::size_t i = 0;
  if (body[i] == '+' || body[i] == '-') ++i;
  std::size_t mantissaDigits = 0;
  while (i < body.size() && IsDigit(body[i])) ++i, ++mantissaDigits;
  if (i < body.size() && body[i] == '.') {
    ++i;
    while (i < body.size() && IsDigit(body[i])) ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) return std::nullopt;
  if (i < body.size() && (body[i] == 'e' || body[i] == 'E' || body[i] == 'd' || body[i] == 'D')) {
    ++i;
    if (i < body.size() && (body[i] == '+' || body[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    while (i < body.size() && IsDigit(body[i])) ++i, ++exponentDigits;
    if (exponentDigits == 0) return std::nullopt;
  }
  if (i != body.size()) return std::nullopt;

  std::string normalised = body;
  for (char& c : normalised) {
    if (c == 'd' || c == 'D') c = 'e';
  }
  const double value = std::strtod(normalised.c_str(), nullptr);
  // A value beyond the double range is not a number the runtime can hold.
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::string CStr(std::int32_t value) { return std::to_string(value); }

std::int32_t CLngText(const std::string& text) {
  const auto value = NumericValue(text);
  if (!value) throw RuntimeError(ErrorNumber::InvalidProcedureCall, "Type mismatch: " + text);
  return CLng(*value);
}

}  // namespace vss
