#include "platform/internal/utf8_codec.h"

char32_t DecodeUtf8(const unsigned char* bytes, size_t size, size_t* used, bool* valid) {
  const unsigned char lead = bytes[0];
  *used = 1;
  *valid = true;
  if (lead < 0x80) return lead;
  size_t length;
  char32_t value;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    *valid = false;
    return kReplacementCharacter;
  }
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = i < size ? bytes[i] : 0;
    const bool inRange = i < size && (i == 1 ? (next >= low && next <= high) : (next >= 0x80 && next <= 0xBF));
    if (!inRange) {
      *used = i;
      *valid = false;
      return kReplacementCharacter;
    }
    value = (value << 6) | (next & 0x3F);
  }
  *used = length;
  return value;
}

size_t EncodeUtf8(char32_t scalar, char* out) {
  if (scalar < 0x80) {
    out[0] = static_cast<char>(scalar);
    return 1;
  }
  if (scalar < 0x800) {
    out[0] = static_cast<char>(0xC0 | (scalar >> 6));
    out[1] = static_cast<char>(0x80 | (scalar & 0x3F));
    return 2;
  }
  if (scalar < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (scalar >> 12));
    out[1] = static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (scalar & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (scalar >> 18));
  out[1] = static_cast<char>(0x80 | ((scalar >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((scalar >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (scalar & 0x3F));
  return 4;
}

std::string WideToUtf8(std::wstring_view text) {
  std::string result;
  result.reserve(text.size());
  char buffer[4];
  for (wchar_t c : text) {
    const uint32_t value = static_cast<uint32_t>(c);
    result.append(buffer, EncodeUtf8(IsScalarValue(value) ? value : kReplacementCharacter, buffer));
  }
  return result;
}

std::wstring Utf8ToWide(std::string_view text) {
  std::wstring result;
  result.reserve(text.size());
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  size_t at = 0;
  while (at < text.size()) {
    size_t used;
    bool valid;
    result.push_back(static_cast<wchar_t>(DecodeUtf8(bytes + at, text.size() - at, &used, &valid)));
    at += used;
  }
  return result;
}
