#include <gtest/gtest.h>

#include <cstring>

#include "platform/windows_api.h"

namespace {

TEST(Bstr, LengthPrefixHoldsByteCountAndDataIsTerminated) {
  BSTR text = SysAllocString(L"abc");
  ASSERT_NE(text, nullptr);
  DWORD prefix;
  std::memcpy(&prefix, reinterpret_cast<char*>(text) - sizeof(DWORD), sizeof prefix);
  EXPECT_EQ(prefix, 3 * sizeof(OLECHAR));
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(SysStringByteLen(text), 3 * sizeof(OLECHAR));
  EXPECT_EQ(text[3], L'\0');
  EXPECT_STREQ(text, L"abc");
  SysFreeString(text);
}

TEST(Bstr, NullInputsFollowTheAutomationRules) {
  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  EXPECT_EQ(SysStringByteLen(nullptr), 0u);
  SysFreeString(nullptr);

  BSTR empty = SysAllocStringLen(nullptr, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  EXPECT_EQ(empty[0], L'\0');
  SysFreeString(empty);

  BSTR reserved = SysAllocStringLen(nullptr, 5);
  ASSERT_NE(reserved, nullptr);
  EXPECT_EQ(SysStringLen(reserved), 5u);
  EXPECT_EQ(reserved[5], L'\0');
  SysFreeString(reserved);
}

TEST(Bstr, EmbeddedNulCountsInTheLength) {
  const OLECHAR data[] = {L'a', L'\0', L'b'};
  BSTR text = SysAllocStringLen(data, 3);
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(text[2], L'b');
  SysFreeString(text);
}

TEST(Bstr, ByteLengthStringKeepsOddByteCounts) {
  BSTR bytes = SysAllocStringByteLen("hello", 5);
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(SysStringByteLen(bytes), 5u);
  EXPECT_EQ(SysStringLen(bytes), 5u / sizeof(OLECHAR));
  EXPECT_EQ(std::memcmp(bytes, "hello", 5), 0);
  SysFreeString(bytes);
}

TEST(Bstr, ReallocationMayTakeTextFromTheOldString) {
  BSTR text = SysAllocString(L"abcdef");
  ASSERT_TRUE(SysReAllocStringLen(&text, text + 2, 3));
  EXPECT_STREQ(text, L"cde");
  ASSERT_TRUE(SysReAllocString(&text, L"longer text"));
  EXPECT_EQ(SysStringLen(text), 11u);
  ASSERT_TRUE(SysReAllocString(&text, nullptr));
  EXPECT_EQ(text, nullptr);
}

}  // namespace
