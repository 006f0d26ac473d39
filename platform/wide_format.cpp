#include "platform/wide_format.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/internal/utf8_codec.h"

namespace {

constexpr int kWsprintfLimit = 1024;

// Appends to a caller buffer of `capacity` characters, always leaving room
// for the NUL; remembers whether anything was cut.
class BoundedWriter {
 public:
  BoundedWriter(LPWSTR buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {}

  void Put(wchar_t c) {
    if (length_ + 1 < capacity_) {
      buffer_[length_++] = c;
    } else {
      truncated_ = true;
    }
  }
  void Repeat(wchar_t c, int count) {
    for (int i = 0; i < count; ++i) Put(c);
  }
  void Finish() { buffer_[length_] = L'\0'; }
  bool truncated() const { return truncated_; }
  int length() const { return static_cast<int>(length_); }

 private:
  LPWSTR buffer_;
  size_t capacity_;
  size_t length_ = 0;
  bool truncated_ = false;
};

struct Directive {
  bool left = false;
  bool zero = false;
  bool alternate = false;
  int width = 0;
  int precision = -1;
  enum Size { kDefault, kShort, kLong, kWide64 } size = kDefault;
  bool narrowText = false;  // %hs, %S, %hc, %C
};

void Pad(BoundedWriter& out, const Directive& directive, int length, bool before) {
  if (directive.width > length && directive.left != before) out.Repeat(L' ', directive.width - length);
}

void PutText(BoundedWriter& out, const Directive& directive, const std::wstring& text) {
  int length = static_cast<int>(text.size());
  if (directive.precision >= 0 && directive.precision < length) length = directive.precision;
  Pad(out, directive, length, true);
  for (int i = 0; i < length; ++i) out.Put(text[static_cast<size_t>(i)]);
  Pad(out, directive, length, false);
}

void PutInteger(BoundedWriter& out, const Directive& directive, unsigned long long magnitude, bool negative, unsigned base,
                bool upper) {
  const char* digitsOf = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::wstring digits;
  do {
    digits.insert(digits.begin(), static_cast<wchar_t>(digitsOf[magnitude % base]));
    magnitude /= base;
  } while (magnitude != 0);
  if (directive.precision >= 0 && static_cast<int>(digits.size()) < directive.precision) {
    digits.insert(0, static_cast<size_t>(directive.precision) - digits.size(), L'0');
  }
  std::wstring prefix = negative ? L"-" : L"";
  if (directive.alternate && base == 16) prefix += upper ? L"0X" : L"0x";
  const int length = static_cast<int>(prefix.size() + digits.size());
  if (directive.zero && !directive.left && directive.precision < 0) {
    for (wchar_t c : prefix) out.Put(c);
    if (directive.width > length) out.Repeat(L'0', directive.width - length);
    for (wchar_t c : digits) out.Put(c);
    return;
  }
  Pad(out, directive, length, true);
  for (wchar_t c : prefix) out.Put(c);
  for (wchar_t c : digits) out.Put(c);
  Pad(out, directive, length, false);
}

int Number(LPCWSTR& at) {
  int value = 0;
  while (*at >= L'0' && *at <= L'9') {
    if (value < 100000) value = value * 10 + (*at - L'0');
    ++at;
  }
  return value;
}

// Formats into out; out records whether the text was cut.
void Format(BoundedWriter& out, LPCWSTR format, va_list args) {
  for (LPCWSTR at = format; *at;) {
    if (*at != L'%') {
      out.Put(*at++);
      continue;
    }
    ++at;
    if (*at == L'%') {
      out.Put(*at++);
      continue;
    }
    Directive directive;
    for (;; ++at) {
      if (*at == L'-') directive.left = true;
      else if (*at == L'0') directive.zero = true;
      else if (*at == L'#') directive.alternate = true;
      else break;
    }
    directive.width = Number(at);
    if (*at == L'.') {
      ++at;
      directive.precision = Number(at);
    }
    if (*at == L'l') {
      directive.size = Directive::kLong;
      ++at;
    } else if (*at == L'h') {
      directive.size = Directive::kShort;
      directive.narrowText = true;
      ++at;
    } else if (*at == L'w') {
      ++at;
    } else if (at[0] == L'I' && at[1] == L'6' && at[2] == L'4') {
      directive.size = Directive::kWide64;
      at += 3;
    }
    const wchar_t type = *at;
    if (!type) break;
    ++at;
    switch (type) {
      case L'C':
        directive.narrowText = directive.size != Directive::kLong;
        [[fallthrough]];
      case L'c': {
        const int value = va_arg(args, int);
        wchar_t c = directive.narrowText ? static_cast<wchar_t>(static_cast<unsigned char>(value)) : static_cast<wchar_t>(value);
        PutText(out, directive, std::wstring(1, c));
        break;
      }
      case L'S':
        directive.narrowText = directive.size != Directive::kLong;
        [[fallthrough]];
      case L's': {
        if (directive.narrowText) {
          const char* text = va_arg(args, const char*);
          PutText(out, directive, text ? Utf8ToWide(text) : std::wstring(L"(null)"));
        } else {
          const wchar_t* text = va_arg(args, const wchar_t*);
          PutText(out, directive, text ? std::wstring(text) : std::wstring(L"(null)"));
        }
        break;
      }
      case L'd':
      case L'i': {
        long long value;
        if (directive.size == Directive::kWide64) value = va_arg(args, long long);
        else if (directive.size == Directive::kShort) value = static_cast<short>(va_arg(args, int));
        else value = va_arg(args, int);
        const bool negative = value < 0;
        const unsigned long long magnitude =
            negative ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
        PutInteger(out, directive, magnitude, negative, 10, false);
        break;
      }
      case L'u':
      case L'x':
      case L'X': {
        unsigned long long value;
        if (directive.size == Directive::kWide64) value = va_arg(args, unsigned long long);
        else if (directive.size == Directive::kShort) value = static_cast<unsigned short>(va_arg(args, unsigned));
        else value = va_arg(args, unsigned);
        PutInteger(out, directive, value, false, type == L'u' ? 10 : 16, type == L'X');
        break;
      }
      case L'p': {
        Directive pointer = directive;
        pointer.zero = true;
        pointer.width = static_cast<int>(2 * sizeof(void*));
        PutInteger(out, pointer, reinterpret_cast<uintptr_t>(va_arg(args, void*)), false, 16, true);
        break;
      }
      default:
        out.Put(type);
    }
  }
}

}  // namespace

int wvnsprintfW(PWSTR pszDest, int cchDest, PCWSTR pszFmt, va_list args) {
  if (!pszDest || cchDest <= 0) return -1;
  BoundedWriter out(pszDest, static_cast<size_t>(cchDest));
  if (pszFmt) Format(out, pszFmt, args);
  out.Finish();
  return out.truncated() ? -1 : out.length();
}

int wnsprintfW(PWSTR pszDest, int cchDest, PCWSTR pszFmt, ...) {
  va_list args;
  va_start(args, pszFmt);
  int written = wvnsprintfW(pszDest, cchDest, pszFmt, args);
  va_end(args);
  return written;
}

int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) {
  int written = wvnsprintfW(buffer, kWsprintfLimit, format, args);
  return written < 0 ? kWsprintfLimit : written;  // a cut text answers the limit itself
}

int wsprintfW(LPWSTR buffer, LPCWSTR format, ...) {
  va_list args;
  va_start(args, format);
  int written = wvsprintfW(buffer, format, args);
  va_end(args);
  return written;
}
