#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "api/random.h"
#include "api/vbnum.h"
#include "api/vbstring.h"

namespace vss {
namespace {

TEST(Numerics, RoundsHalvesToEven) {
  const std::pair<double, double> cases[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},    {-0.5, 0},
                                             {-1.5, -2}, {-2.5, -2}, {2.4999, 2}, {2.5001, 3}};
  for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
  EXPECT_EQ(CInt(3866.5), 3866);
  EXPECT_EQ(CInt(3867.5), 3868);
  EXPECT_EQ(CLng(1234.5), 1234);
}

TEST(Numerics, ConversionsRaiseOverflowOutsideTheirRange) {
  EXPECT_EQ(CInt(32767.4), 32767);
  EXPECT_EQ(CInt(-32768.5), -32768);  // the half goes to the even -32768
  EXPECT_THROW(CInt(32767.5), RuntimeError);
  EXPECT_THROW(CInt(-32769), RuntimeError);
  EXPECT_EQ(CLng(2147483647.0), 2147483647);
  EXPECT_THROW(CLng(2147483647.5), RuntimeError);
  EXPECT_THROW(CLng(std::nan("")), RuntimeError);
  EXPECT_THROW(CLng(std::numeric_limits<double>::infinity()), RuntimeError);
  try {
    CInt(40000);
    FAIL() << "no error";
  } catch (const RuntimeError& error) {
    EXPECT_EQ(error.Number(), ErrorNumber::Overflow);
  }
}

TEST(Numerics, CheckedArithmetic) {
  EXPECT_EQ(AddLng(2147483000, 647), 2147483647);
  EXPECT_THROW(AddLng(2147483647, 1), RuntimeError);
  EXPECT_THROW(AddLng(-2147483647 - 1, -1), RuntimeError);
  EXPECT_EQ(MulLng(500, 7200), 3600000);
  EXPECT_THROW(MulLng(65536, 32768), RuntimeError);
  EXPECT_THROW(CSng(1e39), RuntimeError);
}

TEST(Strings, NumericTestAndValue) {
  const std::optional<double> none;
  const std::pair<const char*, std::optional<double>> cases[] = {
      {"1234", 1234},  {" 1234", 1234},    {"-5", -5},    {"+7", 7},     {"1.5", 1.5},
      {".5", 0.5},     {"5.", 5},          {"1e3", 1000}, {"2d2", 200},  {"&h1F", 31},
      {"&o17", 15},    {"&hFFFFFFFF", -1}, {"", none},    {" ", none},   {"/p 1", none},
      {":1234", none}, {"p 1234", none},   {"1e", none},  {".", none},   {"-", none},
      {"1 2", none},   {"&h", none},       {"&hG", none}, {"&o8", none}, {"1e999", none},
      {"0x10", none},  {"1,000", none}};
  for (const auto& [text, value] : cases)
    EXPECT_EQ(NumericValue(text), value) << '"' << text << '"';
  EXPECT_EQ(CLngText(" 600"), 600);
  EXPECT_THROW(CLngText("abc"), RuntimeError);
}

TEST(Random, FollowsTheRuntimesSequenceAndReseedsFromTheClock) {
  // The runtime's well-known first values without a reseed.
  RandomNumbers fresh;
  for (const float expected : {0.7055475f, 0.533424f, 0.5795186f, 0.2895625f, 0.301948f}) {
    EXPECT_FLOAT_EQ(fresh.Next(), expected);
  }
  auto firstAfter = [](double seconds) {
    RandomNumbers numbers;
    numbers.Randomize(seconds);
    return numbers.Next();
  };
  EXPECT_NE(firstAfter(1000.25), 0.7055475f);
  EXPECT_NE(firstAfter(1000.25), firstAfter(2000.75));
  EXPECT_EQ(firstAfter(1000.25), firstAfter(1000.25));
}

}  // namespace
}  // namespace vss
