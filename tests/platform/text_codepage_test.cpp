#include <gtest/gtest.h>

#include <string>

#include "platform/windows_api.h"

namespace {

// Converts all of bytes (explicit length) to wide text through the size query
// and a second call, as callers do.
std::wstring ToWide(const std::string& bytes) {
  int needed = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  EXPECT_GT(needed, 0);
  std::wstring wide(static_cast<size_t>(needed), L'\0');
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), needed),
            needed);
  return wide;
}

std::string ToUtf8(const std::wstring& wide) {
  int needed = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                   nullptr);
  EXPECT_GT(needed, 0);
  std::string bytes(static_cast<size_t>(needed), '\0');
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), needed,
                                nullptr, nullptr),
            needed);
  return bytes;
}

TEST(MultiByteToWideChar, WellFormedTextGivesOneWideCharacterPerCodePoint) {
  EXPECT_EQ(ToWide("abc"), L"abc");
  EXPECT_EQ(ToWide("\xC3\xA9"), L"\u00E9");
  EXPECT_EQ(ToWide("\xE2\x82\xAC"), L"\u20AC");
  EXPECT_EQ(ToWide("\xF0\x9F\x98\x80"), std::wstring(1, static_cast<wchar_t>(0x1F600)));
  EXPECT_EQ(ToWide(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(MultiByteToWideChar, EachMalformedSequenceBecomesOneReplacementCharacter) {
  const struct Case {
    const char* name;
    std::string bytes;
    std::wstring wide;
  } kCases[] = {
      {"lone continuation byte", "a\x80z", L"a\uFFFDz"},
      {"two continuation bytes", "\x80\xBF", L"\uFFFD\uFFFD"},
      {"overlong two-byte", "\xC0\xAF", L"\uFFFD\uFFFD"},
      {"overlong three-byte", "\xE0\x80\xAF", L"\uFFFD\uFFFD\uFFFD"},
      {"truncated three-byte at end", "a\xE2\x82", L"a\uFFFD"},
      {"truncated three-byte before ASCII", "\xE2\x82z", L"\uFFFDz"},
      {"encoded surrogate", "\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"F5 lead byte", "\xF5\x80", L"\uFFFD\uFFFD"},
      {"FF byte", "\xFF", L"\uFFFD"},
      {"truncated four-byte", "\xF0\x9F\x98", L"\uFFFD"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToWide(c.bytes), c.wide);
  }
}

TEST(MultiByteToWideChar, MinusOneLengthIncludesTheTerminator) {
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, nullptr, 0), 4);
  wchar_t out[4];
  ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", -1, out, 4), 4);
  EXPECT_STREQ(out, L"abc");
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "", -1, out, 4), 1);
}

TEST(MultiByteToWideChar, FailuresReturnZeroAndSetTheLastError) {
  wchar_t out[2];
  const struct Case {
    const char* name;
    UINT codePage;
    DWORD flags;
    const char* text;
    int length;
    wchar_t* buffer;
    int size;
    DWORD error;
  } kCases[] = {
      {"buffer too small", CP_UTF8, 0, "abc", 3, out, 2, ERROR_INSUFFICIENT_BUFFER},
      {"zero length", CP_UTF8, 0, "abc", 0, out, 2, ERROR_INVALID_PARAMETER},
      {"null text", CP_UTF8, 0, nullptr, -1, out, 2, ERROR_INVALID_PARAMETER},
      {"negative size", CP_UTF8, 0, "a", 1, out, -1, ERROR_INVALID_PARAMETER},
      {"other code page", 1252, 0, "a", 1, out, 2, ERROR_INVALID_PARAMETER},
      {"unknown flag", CP_UTF8, 0x1, "a", 1, out, 2, ERROR_INVALID_FLAGS},
      {"strict and malformed", CP_UTF8, MB_ERR_INVALID_CHARS, "\xFF", 1, out, 2, ERROR_NO_UNICODE_TRANSLATION},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(c.codePage, c.flags, c.text, c.length, c.buffer, c.size), 0);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST(WideCharToMultiByte, ScalarValuesEncodeAndOthersBecomeReplacementCharacters) {
  const struct Case {
    const char* name;
    std::wstring wide;
    std::string bytes;
  } kCases[] = {
      {"ASCII", L"abc", "abc"},
      {"two-byte", L"\u00E9", "\xC3\xA9"},
      {"supplementary", std::wstring(1, static_cast<wchar_t>(0x1F600)), "\xF0\x9F\x98\x80"},
      {"high surrogate", std::wstring(1, static_cast<wchar_t>(0xD800)), "\xEF\xBF\xBD"},
      {"low surrogate between letters", std::wstring{L'a', static_cast<wchar_t>(0xDC00), L'b'}, "a\xEF\xBF\xBD" "b"},
      {"above U+10FFFF", std::wstring(1, static_cast<wchar_t>(0x110000)), "\xEF\xBF\xBD"},
      {"negative wchar_t", std::wstring(1, static_cast<wchar_t>(-1)), "\xEF\xBF\xBD"},
      {"embedded NUL", std::wstring(L"a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ToUtf8(c.wide), c.bytes);
  }
}

TEST(WideCharToMultiByte, SizesAndFailures) {
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"\u00E9", -1, nullptr, 0, nullptr, nullptr), 3);
  char out[3];
  SetLastError(0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"\u00E9x", -1, out, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  BOOL usedDefault = FALSE;
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"x", 1, out, 3, nullptr, &usedDefault), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  const wchar_t lone[] = {static_cast<wchar_t>(0xD800), 0};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, -1, out, 3, nullptr, nullptr), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

}  // namespace
