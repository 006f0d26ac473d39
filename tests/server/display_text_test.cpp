// The text a cell shows for numbers the formats cannot fit: huge percentages
// and serials that are no dates (NaN, infinities, negative, past 9999).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "server/engine/value_text.h"

namespace sheetwright::engine {
namespace {

TEST(DisplayText, PercentOfAnyMagnitudeIsWhole) {
  struct Case {
    double value;
    int decimals;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0.5, 0, L"50%"},
      {0.125, 2, L"12.50%"},
      {-0.03, 0, L"-3%"},
      {1e13, 0, L"1000000000000000%"},
      {1.23456789012345e18, 0, L"123456789012345000000%"},
      {-1.5e20, 2, L"-15000000000000000000000.00%"},
      {std::numeric_limits<double>::infinity(), 0, L"0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(PercentText(c.value, c.decimals), c.text);
  }
  // 1E+300 in 0%: 303 characters, where a fixed buffer used to overflow.
  const std::wstring huge = PercentText(1e300, 0);
  EXPECT_EQ(huge, L"1" + std::wstring(302, L'0') + L"%");
}

TEST(DisplayText, SerialsThatAreNoDatesShowHashes) {
  const double cases[] = {std::nan(""), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), -1, 2958466, 1e19, 1e300};
  for (double serial : cases) {
    SCOPED_TRACE(serial);
    EXPECT_EQ(DateText(serial), L"########");
  }
  EXPECT_EQ(DateText(2958465), L"12/31/9999");
  EXPECT_EQ(DateText(60), L"2/29/1900");
  EXPECT_EQ(DateText(0.5), L"12:00:00 PM");
}

}  // namespace
}  // namespace sheetwright::engine
