// Runtime numerics: 16-bit booleans, checked 16/32-bit integers, rounding
// halves to even, and the one runtime error that ends the program.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vss {

// The runtime's boolean: -1 for true, 0 for false, in memory and in text.
using Boolean = std::int16_t;
inline constexpr Boolean True = -1;
inline constexpr Boolean False = 0;
inline constexpr Boolean CBool(bool value) { return value ? True : False; }

// Error numbers keep the runtime's classic values so an exit code reads the
// same as the error a user of the original runtime would have seen.
enum class ErrorNumber : int {
  InvalidProcedureCall = 5,
  Overflow = 6,
  OutOfMemory = 7,
  SubscriptOutOfRange = 9,
  InternalError = 51,
  ObjectVariableNotSet = 91,
  ResourceNotFound = 326,
  InvalidPropertyValue = 380,
  InvalidPropertyArrayIndex = 381,
  InvalidPicture = 481,
  NotSupported = 438,
};

// Raised for overflow, bad subscripts and failing runtime calls. Nothing in
// the behaviour catches it; the entry point turns it into an orderly end.
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(ErrorNumber number, const std::string& what)
      : std::runtime_error(what), number_(number) {}
  ErrorNumber Number() const { return number_; }

 private:
  ErrorNumber number_;
};

// Nearest integer, halves to the even neighbour (the runtime's rounding).
double RoundHalfEven(double value);

// Conversions and arithmetic with the runtime's overflow test.
std::int16_t CInt(double value);
std::int32_t CLng(double value);
float CSng(double value);
std::int32_t AddLng(std::int32_t a, std::int32_t b);
std::int32_t MulLng(std::int32_t a, std::int32_t b);

}  // namespace vss
