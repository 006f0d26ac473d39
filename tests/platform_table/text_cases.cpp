// UTF-8 conversions on valid and invalid input, the shlwapi path and URL
// helpers, and the wide formats the library writes its failure texts with.
#include <cstring>
#include <string>

#include "case_output.h"

namespace platform_table {
namespace {

// The call's result and then the thread's last error, read in that order.
std::string WithLastError(int result) {
  const DWORD error = GetLastError();
  return std::to_string(result) + " error " + std::to_string(error);
}

std::string Bytes(const char* bytes, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(bytes[i]));
    out += hex;
  }
  return out.empty() ? "-" : out;
}

// The count a conversion returns, printed in code points: on Windows a wide
// count of UTF-16 units is turned into code points by Quoted's pairing, so
// the count is reported as the length of what Quoted shows.
std::string WideResult(int written, const wchar_t* wide, DWORD error) {
  if (written == 0) return "0 error " + std::to_string(error);
  return "ok " + Quoted(wide, static_cast<size_t>(written));
}

void ToWide(const std::string& name, const char* bytes, int count, DWORD flags) {
  SetLastError(0);
  const int needed = MultiByteToWideChar(CP_UTF8, flags, bytes, count, nullptr, 0);
  const DWORD sizeError = GetLastError();
  wchar_t wide[64] = {};
  SetLastError(0);
  const int written = MultiByteToWideChar(CP_UTF8, flags, bytes, count, wide, 64);
  Case("MultiByteToWideChar " + name,
       (needed == 0 ? "size 0 error " + std::to_string(sizeError) : "size>0") + " " +
           WideResult(written, wide, GetLastError()));
}

void ToBytes(const std::string& name, const wchar_t* wide, int count, DWORD flags) {
  SetLastError(0);
  const int needed = WideCharToMultiByte(CP_UTF8, flags, wide, count, nullptr, 0, nullptr, nullptr);
  const DWORD sizeError = GetLastError();
  char bytes[64] = {};
  SetLastError(0);
  const int written = WideCharToMultiByte(CP_UTF8, flags, wide, count, bytes, 64, nullptr, nullptr);
  const DWORD error = GetLastError();
  Case("WideCharToMultiByte " + name,
       "size " + std::to_string(needed) + (needed == 0 ? " error " + std::to_string(sizeError) : "") +
           " written " + std::to_string(written) +
           (written == 0 ? " error " + std::to_string(error) : " " + Bytes(bytes, written)));
}

}  // namespace

void CodePageCases() {
  ToWide("ascii -1", "abc", -1, 0);
  ToWide("ascii 3", "abc", 3, 0);
  ToWide("two-byte", "\xc3\xa9t\xc3\xa9", -1, 0);
  ToWide("four-byte", "\xf0\x9f\x98\x80", -1, 0);
  ToWide("lone continuation", "a\x80" "b", -1, 0);
  ToWide("truncated three-byte", "a\xe4\xb8" "b", -1, 0);
  ToWide("overlong slash", "\xc0\xaf", -1, 0);
  ToWide("encoded surrogate", "\xed\xa0\x80", -1, 0);
  ToWide("above 10FFFF", "\xf4\x90\x80\x80", -1, 0);
  ToWide("byte FF", "\xff", -1, 0);
  ToWide("lone continuation strict", "a\x80" "b", -1, MB_ERR_INVALID_CHARS);
  ToWide("embedded NUL 3", "a\0b", 3, 0);
  ToWide("empty 0", "", 0, 0);
  SetLastError(0);
  Case("MultiByteToWideChar null input", WithLastError(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, nullptr, 0)));
  wchar_t small[2];
  SetLastError(0);
  Case("MultiByteToWideChar small buffer", WithLastError(MultiByteToWideChar(CP_UTF8, 0, "abcd", -1, small, 2)));
  SetLastError(0);
  Case("MultiByteToWideChar bad flag", WithLastError(MultiByteToWideChar(CP_UTF8, 0x1, "a", -1, small, 2)));

  ToBytes("ascii -1", L"abc", -1, 0);
  ToBytes("two-byte", L"\x00e9t\x00e9", -1, 0);
  ToBytes("CJK", L"\x4e2d\x6587", 2, 0);
  const wchar_t lone[] = {L'a', static_cast<wchar_t>(0xD800), L'b', 0};
  ToBytes("lone high surrogate", lone, -1, 0);
  ToBytes("lone high surrogate strict", lone, -1, WC_ERR_INVALID_CHARS);
  const wchar_t lowFirst[] = {static_cast<wchar_t>(0xDC00), 0};
  ToBytes("lone low surrogate", lowFirst, -1, 0);
  ToBytes("empty 0", L"", 0, 0);
  char tiny[2];
  SetLastError(0);
  Case("WideCharToMultiByte small buffer",
       WithLastError(WideCharToMultiByte(CP_UTF8, 0, L"abc", -1, tiny, 2, nullptr, nullptr)));
  BOOL usedDefault = FALSE;
  SetLastError(0);
  Case("WideCharToMultiByte UTF-8 with used-default",
       WithLastError(WideCharToMultiByte(CP_UTF8, 0, L"a", -1, tiny, 2, nullptr, &usedDefault)));
}

void ShellPathCases() {
  const wchar_t* urls[] = {L"http://host/a.xlsx", L"https://h/x%20y.xlsx", L"file:///C:/a.xlsx",
                           L"C:\\Book.xlsx",      L"\\\\server\\share\\b.xlsx", L"mailto:x@y",
                           L"x-y.z:stuff",        L"ab",           L"", L"1a:b", L"a b:c"};
  for (const wchar_t* url : urls) Case("PathIsURLW " + Quoted(url), std::to_string(PathIsURLW(url)));

  const wchar_t* escaped[] = {L"a%20b",     L"%41%42",    L"100%",       L"%zz",  L"%C3%A9",
                              L"x?y%20z",   L"x#a%20b",   L"http://h/%2F%5c", L""};
  for (const wchar_t* text : escaped) {
    wchar_t source[128];
    wcscpy(source, text);
    wchar_t out[128] = {};
    DWORD capacity = 128;
    const HRESULT hr = UrlUnescapeW(source, out, &capacity, 0);
    Case("UrlUnescapeW " + Quoted(text), Hr(hr) + " " + Quoted(out) + " count " + std::to_string(capacity));
  }
  {
    wchar_t source[] = L"a%20bc";
    wchar_t out[4] = {};
    DWORD capacity = 4;
    const HRESULT hr = UrlUnescapeW(source, out, &capacity, 0);
    Case("UrlUnescapeW small buffer", Hr(hr) + " count " + std::to_string(capacity));
    wchar_t inPlace[] = L"a%20b";
    Case("UrlUnescapeW in place", Hr(UrlUnescapeW(inPlace, nullptr, nullptr, URL_UNESCAPE_INPLACE)) + " " +
                                      Quoted(inPlace));
  }

  struct Join {
    const wchar_t* path;
    const wchar_t* more;
  } joins[] = {{L"C:\\logs", L"Norvix.Sheetwright.log"}, {L"C:\\logs\\", L"a.log"},
               {L"C:\\logs", L"\\a.log"},                {L"C:\\logs", L""},
               {L"", L"a.log"},                          {L"C:\\logs", L"..\\a.log"},
               {L"C:\\logs", L"sub\\a.log"},             {L"C:\\logs", L"\\\\srv\\share\\a.log"},
               {L"C:\\a\\.\\b", L"c"},                   {L"logs/x", L"a.log"}};
  for (const Join& j : joins) {
    wchar_t buffer[MAX_PATH];
    wcscpy(buffer, j.path);
    const BOOL ok = PathAppendW(buffer, j.more);
    Case("PathAppendW " + Quoted(j.path) + " + " + Quoted(j.more), std::to_string(ok != FALSE) + " " + Quoted(buffer));
  }
  {
    wchar_t buffer[MAX_PATH];
    std::wstring longDir(250, L'd');
    wcscpy(buffer, longDir.c_str());
    const BOOL ok = PathAppendW(buffer, L"0123456789.log");
    Case("PathAppendW past MAX_PATH", std::to_string(ok != FALSE) + " length " + std::to_string(wcslen(buffer)));
    wchar_t combined[MAX_PATH];
    LPWSTR result = PathCombineW(combined, L"C:\\a", L"b.txt");
    Case("PathCombineW", result ? Quoted(result) : "null");
  }
}

void WideFormatCases() {
  struct Format {
    const char* name;
    int (*write)(wchar_t*);
  } formats[] = {
      {"%d", [](wchar_t* b) { return wsprintfW(b, L"[%d]", -42); }},
      {"%5d|%-5d|%05d", [](wchar_t* b) { return wsprintfW(b, L"[%5d|%-5d|%05d]", 42, 42, 42); }},
      {"%u of -1", [](wchar_t* b) { return wsprintfW(b, L"[%u]", -1); }},
      {"%x %X %#x", [](wchar_t* b) { return wsprintfW(b, L"[%x %X %#x]", 255, 255, 255); }},
      {"%08lX", [](wchar_t* b) { return wsprintfW(b, L"[%08lX]", 0x8002000AL); }},
      {"%ld", [](wchar_t* b) { return wsprintfW(b, L"[%ld]", 2147483647L); }},
      {"%I64d", [](wchar_t* b) { return wsprintfW(b, L"[%I64d]", static_cast<LONGLONG>(-9000000000LL)); }},
      {"%s", [](wchar_t* b) { return wsprintfW(b, L"[%s]", L"wide"); }},
      {"%ls", [](wchar_t* b) { return wsprintfW(b, L"[%ls]", L"wide"); }},
      {"%S", [](wchar_t* b) { return wsprintfW(b, L"[%S]", "narrow"); }},
      {"%hs", [](wchar_t* b) { return wsprintfW(b, L"[%hs]", "narrow"); }},
      {"%s null", [](wchar_t* b) { return wsprintfW(b, L"[%s]", static_cast<const wchar_t*>(nullptr)); }},
      {"%.3s", [](wchar_t* b) { return wsprintfW(b, L"[%.3s]", L"abcdef"); }},
      {"%-6s|", [](wchar_t* b) { return wsprintfW(b, L"[%-6s|%6s]", L"ab", L"cd"); }},
      {"%c", [](wchar_t* b) { return wsprintfW(b, L"[%c]", L'Z'); }},
      {"%%", [](wchar_t* b) { return wsprintfW(b, L"[100%%]"); }},
      {"%d non-ASCII", [](wchar_t* b) { return wsprintfW(b, L"[\x00e9%d]", 7); }},
      {"%f not supported", [](wchar_t* b) { return wsprintfW(b, L"[%f]", 1.5); }},
      {"long text cut", [](wchar_t* b) {
         static const std::wstring text(2000, L'x');
         return wsprintfW(b, L"%s", text.c_str());
       }},
  };
  for (const Format& f : formats) {
    wchar_t buffer[1100] = {};
    const int count = f.write(buffer);
    const size_t length = wcslen(buffer);
    Case(std::string("wsprintfW ") + f.name,
         std::to_string(count) + " " + (length > 40 ? "length " + std::to_string(length) : Quoted(buffer)));
  }
}

}  // namespace platform_table
