// UTF-8 <-> code point primitives shared by the code-page conversions and the
// file-system path translation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Decodes one code point from bytes[0..size). Sets *used to the bytes
// consumed (at least 1): a valid sequence, or the maximal ill-formed prefix,
// which decodes as U+FFFD with *valid false.
char32_t DecodeUtf8(const unsigned char* bytes, size_t size, size_t* used, bool* valid);

// True for Unicode scalar values (not surrogates, not above U+10FFFF).
inline bool IsScalarValue(uint32_t value) { return value < 0xD800 || (value > 0xDFFF && value <= 0x10FFFF); }

// Appends the UTF-8 form of a scalar value (1-4 bytes); returns the count.
size_t EncodeUtf8(char32_t scalar, char* out);

// Whole-string helpers with U+FFFD replacement.
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);
