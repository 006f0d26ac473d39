#include "bridge/CellAddressText.h"

#include <climits>

#include "bridge/FixedTextWriter.h"
#include "support/TextConversion.h"

namespace {

// No column number that fits a LONG needs more letters than this.
constexpr int kMaxColumnLetters = 260;
// GenerateCellAddress composes into a buffer of this many characters.
constexpr size_t kCellAddressBufferSize = 20;

bool IsAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

int HexDigitValue(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

}  // namespace

std::wstring GetColumnName(LONG column) {
  wchar_t letters[kMaxColumnLetters];
  int count = 0;
  long long n = column;
  while (n > 0 && count < kMaxColumnLetters) {
    const long long digit = n % 26;
    letters[count++] = digit == 0 ? L'Z' : static_cast<wchar_t>(L'A' + digit - 1);
    n = n / 26 - (digit == 0 ? 1 : 0);
  }
  std::wstring name;
  name.reserve(count);
  while (count > 0) name.push_back(letters[--count]);
  return name;
}

std::wstring GetColumnFromCell(const std::wstring& address) {
  std::wstring letters;
  for (wchar_t c : address) {
    if (IsAsciiLetter(c)) letters.push_back(c);
  }
  return letters;
}

int GetRowNumFromCell(const std::wstring& address) {
  long long row = 0;
  bool anyDigit = false;
  for (wchar_t c : address) {
    if (c < L'0' || c > L'9') continue;
    anyDigit = true;
    row = row * 10 + (c - L'0');
    // No row number comes this large; such text is not an address.
    if (row > INT_MAX) return 0;
  }
  return anyDigit ? static_cast<int>(row) : 0;
}

std::wstring GenerateCellAddress(const std::wstring& column, int row) {
  wchar_t buffer[kCellAddressBufferSize];
  FixedTextWriter(buffer, kCellAddressBufferSize).Text(column.c_str()).Decimal(row);
  return buffer;
}

std::vector<std::wstring> GetAllCellAddress(std::wstring& text, wchar_t separator) {
  std::vector<std::wstring> items;
  if (text.empty()) return items;
  if (text.back() != separator) text.push_back(separator);
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != separator) continue;
    if (i > start) items.emplace_back(text, start, i - start);
    start = i + 1;
  }
  return items;
}

int ReplaceAll(std::wstring& text, const std::wstring& search, const std::wstring& replacement) {
  if (search.empty()) return 0;
  int replaced = 0;
  size_t position = 0;
  while ((position = text.find(search, position)) != std::wstring::npos) {
    text.replace(position, search.size(), replacement);
    position += replacement.size();
    replaced = 1;
  }
  return replaced;
}

int IsContainOnlyAlpha(const std::wstring& text) {
  for (wchar_t c : text) {
    if (!IsAsciiLetter(c)) return 0;
  }
  return 1;
}

int IsContainComma(const std::wstring& text) {
  return text.find(L',') != std::wstring::npos ? 1 : 0;
}

std::wstring UrlDecode(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  bool decodedAny = false;
  // Characters that were never escaped keep their own value: each run of them
  // is appended as UTF-8 when an escape (or the end) is reached.
  size_t runStart = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const bool escaped = c == L'%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
                         HexDigitValue(text[i + 2]) >= 0;
    if (!escaped && c != L'+') continue;
    AppendWideAsUtf8(bytes, text.data() + runStart, i - runStart);
    if (escaped) {
      bytes.push_back(static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2])));
      i += 2;
    } else {
      bytes.push_back(' ');
    }
    decodedAny = true;
    runStart = i + 1;
  }
  if (!decodedAny) return text;
  AppendWideAsUtf8(bytes, text.data() + runStart, text.size() - runStart);
  return ConvertStringToWstring(bytes);
}
