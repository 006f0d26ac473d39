// UTF-8 <-> wide text for the file layer's hot paths (every cell text and
// shared string passes through here). Invalid input never fails: malformed
// UTF-8 becomes U+FFFD, and so does a wide character that is not a Unicode
// scalar value (a lone surrogate, or a value above U+10FFFF).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sheetwright::files {

// Appends the decoded text of `utf8` to `out`.
void AppendUtf8AsWide(std::string_view utf8, std::wstring& out);
std::wstring WideFromUtf8(std::string_view utf8);

// Appends the UTF-8 form of `wide` to `out`. On a 16-bit wchar_t, surrogate
// pairs are combined.
void AppendWideAsUtf8(std::wstring_view wide, std::string& out);
std::string Utf8FromWide(std::wstring_view wide);

// Appends the UTF-8 bytes of one Unicode scalar value (the caller has
// already replaced surrogates and values above U+10FFFF).
void AppendCodePointAsUtf8(uint32_t cp, std::string& out);

}  // namespace sheetwright::files
