#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "platform/windows_api.h"

namespace {

TEST(WsprintfW, ConversionsFollowWindowsConventions) {
  const struct Case {
    const char* name;
    int (*format)(wchar_t* buffer);
    const wchar_t* expected;
  } kCases[] = {
      {"%s is wide", [](wchar_t* b) { return wsprintfW(b, L"[%s]", L"wide"); }, L"[wide]"},
      {"%ls is wide", [](wchar_t* b) { return wsprintfW(b, L"[%ls]", L"wide"); }, L"[wide]"},
      {"%S is narrow", [](wchar_t* b) { return wsprintfW(b, L"[%S]", "narrow"); }, L"[narrow]"},
      {"%hs is narrow UTF-8", [](wchar_t* b) { return wsprintfW(b, L"[%hs]", "n\xC3\xA9"); }, L"[n\u00E9]"},
      {"%d negative", [](wchar_t* b) { return wsprintfW(b, L"%d", -42); }, L"-42"},
      {"%i", [](wchar_t* b) { return wsprintfW(b, L"%i", 7); }, L"7"},
      {"%ld is 32-bit", [](wchar_t* b) { return wsprintfW(b, L"%ld", static_cast<LONG>(-2147483647 - 1)); }, L"-2147483648"},
      {"%u", [](wchar_t* b) { return wsprintfW(b, L"%u", 4294967295u); }, L"4294967295"},
      {"%lu", [](wchar_t* b) { return wsprintfW(b, L"%lu", static_cast<ULONG>(7)); }, L"7"},
      {"%x", [](wchar_t* b) { return wsprintfW(b, L"%x", 0x800a03ecu); }, L"800a03ec"},
      {"%08X", [](wchar_t* b) { return wsprintfW(b, L"%08X", 0x3ecu); }, L"000003EC"},
      {"%#x", [](wchar_t* b) { return wsprintfW(b, L"%#x", 255u); }, L"0xff"},
      {"%lx of an HRESULT", [](wchar_t* b) { return wsprintfW(b, L"0x%lx", static_cast<HRESULT>(0x80020009u)); }, L"0x80020009"},
      {"%I64d", [](wchar_t* b) { return wsprintfW(b, L"%I64d", -9223372036854775807LL - 1); }, L"-9223372036854775808"},
      {"%hd truncates to short", [](wchar_t* b) { return wsprintfW(b, L"%hd", 65535); }, L"-1"},
      {"%c is wide", [](wchar_t* b) { return wsprintfW(b, L"%c%c", L'A', 0x20AC); }, L"A\u20AC"},
      {"%C is narrow", [](wchar_t* b) { return wsprintfW(b, L"%C", 'z'); }, L"z"},
      {"%5d", [](wchar_t* b) { return wsprintfW(b, L"[%5d]", 42); }, L"[   42]"},
      {"%-5d", [](wchar_t* b) { return wsprintfW(b, L"[%-5d]", 42); }, L"[42   ]"},
      {"%05d", [](wchar_t* b) { return wsprintfW(b, L"[%05d]", -42); }, L"[-0042]"},
      {"%.3d", [](wchar_t* b) { return wsprintfW(b, L"[%.3d]", 7); }, L"[007]"},
      {"%-6s", [](wchar_t* b) { return wsprintfW(b, L"[%-6s]", L"ab"); }, L"[ab    ]"},
      {"%.2s", [](wchar_t* b) { return wsprintfW(b, L"[%.2s]", L"abcdef"); }, L"[ab]"},
      {"null string", [](wchar_t* b) { return wsprintfW(b, L"[%s]", static_cast<const wchar_t*>(nullptr)); }, L"[(null)]"},
      {"%%", [](wchar_t* b) { return wsprintfW(b, L"100%%"); }, L"100%"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    wchar_t buffer[1024];
    const int written = c.format(buffer);
    EXPECT_STREQ(buffer, c.expected);
    EXPECT_EQ(written, static_cast<int>(std::wcslen(c.expected)));
  }
}

TEST(WsprintfW, OutputStopsAt1023CharactersAndAnswersTheLimit) {
  std::wstring longText(5000, L'x');
  wchar_t buffer[2048];
  buffer[1023] = L'?';
  EXPECT_EQ(wsprintfW(buffer, L"%s", longText.c_str()), 1024);
  EXPECT_EQ(std::wcslen(buffer), 1023u);
}

TEST(WnsprintfW, CutTextIsTerminatedAndReportedWithMinusOne) {
  wchar_t buffer[8];
  const struct Case {
    int size;
    int result;
    const wchar_t* text;
  } kCases[] = {
      {8, 5, L"ab-42"},
      {6, 5, L"ab-42"},
      {5, -1, L"ab-4"},
      {1, -1, L""},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.size);
    EXPECT_EQ(wnsprintfW(buffer, c.size, L"%s%d", L"ab", -42), c.result);
    EXPECT_STREQ(buffer, c.text);
  }
  EXPECT_EQ(wnsprintfW(buffer, 0, L"x"), -1);
}

}  // namespace
