#include "support/TextConversion.h"

#include <climits>

#include "platform/windows_api.h"

namespace {

// The platform conversions count in int; longer input is cut at that bound.
int ClampCount(size_t length) { return length > INT_MAX ? INT_MAX : static_cast<int>(length); }

}  // namespace

void AppendUtf8AsWide(std::wstring& out, const char* text, size_t length) {
  if (text == nullptr || length == 0) return;
  const int count = ClampCount(length);
  // Flags 0: malformed input becomes U+FFFD instead of failing.
  const int needed = MultiByteToWideChar(CP_UTF8, 0, text, count, nullptr, 0);
  if (needed <= 0) return;
  const size_t start = out.size();
  out.resize(start + static_cast<size_t>(needed));
  const int written = MultiByteToWideChar(CP_UTF8, 0, text, count, out.data() + start, needed);
  out.resize(written > 0 ? start + static_cast<size_t>(written) : start);
}

void AppendWideAsUtf8(std::string& out, const wchar_t* text, size_t length) {
  if (text == nullptr || length == 0) return;
  const int count = ClampCount(length);
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, text, count, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return;
  const size_t start = out.size();
  out.resize(start + static_cast<size_t>(needed));
  const int written = WideCharToMultiByte(CP_UTF8, 0, text, count, out.data() + start, needed,
                                          nullptr, nullptr);
  out.resize(written > 0 ? start + static_cast<size_t>(written) : start);
}

std::wstring ConvertStringToWstring(const std::string& text) {
  std::wstring out;
  AppendUtf8AsWide(out, text.data(), text.size());
  return out;
}

std::string ConvertWStringTostring(const std::wstring& text) {
  std::string out;
  AppendWideAsUtf8(out, text.data(), text.size());
  return out;
}
