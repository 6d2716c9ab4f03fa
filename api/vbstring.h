// The runtime's string and number operations, on 8-bit (ANSI) text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vss {

// Removes leading and trailing spaces (only the space character, as the
// runtime's Trim does; tabs stay).
std::string Trim(const std::string& text);
std::string LCase(const std::string& text);
// First and last n characters; the whole text when it is shorter.
std::string Left(const std::string& text, std::size_t n);
std::string Right(const std::string& text, std::size_t n);

// The runtime's numeric test and value: optional spaces, an optional sign,
// digits with an optional decimal point and exponent ("1e3", ".5"), or a
// hexadecimal or octal literal ("&h1F", "&o17"). Empty text is not numeric.
std::optional<double> NumericValue(const std::string& text);
inline bool IsNumeric(const std::string& text) { return NumericValue(text).has_value(); }

// Decimal text of an integer: no leading space or plus sign.
std::string CStr(std::int32_t value);

// The text of a stored 32-bit integer: like the runtime's conversion of a
// numeric text to Long, with its overflow test; raises the type-mismatch
// style error (invalid procedure call) when the text is not numeric.
std::int32_t CLngText(const std::string& text);

}  // namespace vss
