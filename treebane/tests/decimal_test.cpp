#include "services/decimal.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace treebane {
namespace {

TEST(ToDecimal, PlainDigitsWithoutPadding) {
  EXPECT_EQ(ToDecimal(0), "0");
  EXPECT_EQ(ToDecimal(7), "7");
  EXPECT_EQ(ToDecimal(10), "10");
  EXPECT_EQ(ToDecimal(262144), "262144");
  EXPECT_EQ(ToDecimal(-5), "-5");
  EXPECT_EQ(ToDecimal(INT64_MAX), "9223372036854775807");
  EXPECT_EQ(ToDecimal(INT64_MIN), "-9223372036854775808");
}

}  // namespace
}  // namespace treebane
