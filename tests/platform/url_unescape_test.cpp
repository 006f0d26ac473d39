#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "platform/windows_api.h"

namespace {

TEST(UrlUnescape, PercentPairsBecomeSingleCharactersAndTheRestIsCopied) {
  const struct Case {
    const wchar_t* url;
    DWORD flags;
    const wchar_t* unescaped;
  } kCases[] = {
      {L"https://host/My%20Book.xlsx", 0, L"https://host/My Book.xlsx"},
      {L"a%2fb%2Fc", 0, L"a/b/c"},
      {L"a+b", 0, L"a+b"},
      {L"%C3%A9", 0, L"\u00C3\u00A9"},  // bytes, not UTF-8 decoded
      {L"100%", 0, L"100%"},
      {L"%zz%4", 0, L"%zz%4"},
      {L"%%41", 0, L"%A"},
      {L"x?a%20b#c%20d", 0, L"x?a b#c d"},
      {L"x%20y?a%20b", URL_DONT_UNESCAPE_EXTRA_INFO, L"x y?a%20b"},
      {L"", 0, L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << std::string(c.url, c.url + std::wcslen(c.url)));
    std::wstring url = c.url;
    wchar_t out[64];
    DWORD size = 64;
    ASSERT_EQ(UrlUnescapeW(url.data(), out, &size, c.flags), S_OK);
    EXPECT_STREQ(out, c.unescaped);
    EXPECT_EQ(size, std::wcslen(c.unescaped));

    ASSERT_EQ(UrlUnescapeW(url.data(), nullptr, nullptr, c.flags | URL_UNESCAPE_INPLACE), S_OK);
    EXPECT_STREQ(url.c_str(), c.unescaped);
  }
}

TEST(UrlUnescape, SmallBufferGivesPointerErrorAndTheSizeNeeded) {
  wchar_t url[] = L"a%20b%20c";  // unescapes to 5 characters
  wchar_t out[8];
  const struct Case {
    DWORD size;
    HRESULT hr;
    DWORD after;
  } kCases[] = {{5, E_POINTER, 6}, {0, E_POINTER, 6}, {6, S_OK, 5}};
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.size);
    DWORD size = c.size;
    EXPECT_EQ(UrlUnescapeW(url, out, &size, 0), c.hr);
    EXPECT_EQ(size, c.after);
  }
  DWORD size = 8;
  EXPECT_EQ(UrlUnescapeW(nullptr, out, &size, 0), E_INVALIDARG);
  EXPECT_EQ(UrlUnescapeW(url, nullptr, &size, 0), E_INVALIDARG);
}

}  // namespace
