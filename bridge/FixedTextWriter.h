// Composes text into a caller-owned, fixed-size wide buffer without allocating.
// The buffer always stays zero-terminated; text that does not fit is cut at
// capacity - 1 characters.
//
//   FixedTextWriter(m_errorMessage, 4096).Text(member).Text(L": Error code. 0x").Hex(hr);
#pragma once

#include <cstddef>
#include <cstdint>

class FixedTextWriter {
 public:
  // Empties the buffer. `capacity` counts the terminator and must be > 0.
  FixedTextWriter(wchar_t* buffer, size_t capacity) : buffer_(buffer), capacity_(capacity) {
    buffer_[0] = L'\0';
  }

  // Appends `text`; null appends nothing.
  FixedTextWriter& Text(const wchar_t* text) {
    if (text == nullptr) return *this;
    while (*text != L'\0' && length_ + 1 < capacity_) buffer_[length_++] = *text++;
    buffer_[length_] = L'\0';
    return *this;
  }

  // Appends `value` in decimal with a leading "-" when negative.
  FixedTextWriter& Decimal(int64_t value) {
    wchar_t digits[24];
    size_t count = 0;
    // Works on the magnitude as unsigned so INT64_MIN does not overflow.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
      digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
      magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits[count++] = L'-';
    return Reversed(digits, count);
  }

  // Appends `value` in lower-case hexadecimal without prefix or padding.
  FixedTextWriter& Hex(uint32_t value) {
    wchar_t digits[8];
    size_t count = 0;
    do {
      digits[count++] = L"0123456789abcdef"[value & 0xF];
      value >>= 4;
    } while (value != 0);
    return Reversed(digits, count);
  }

  size_t Length() const { return length_; }

 private:
  FixedTextWriter& Reversed(const wchar_t* digits, size_t count) {
    while (count > 0 && length_ + 1 < capacity_) buffer_[length_++] = digits[--count];
    buffer_[length_] = L'\0';
    return *this;
  }

  wchar_t* buffer_;
  size_t capacity_;
  size_t length_ = 0;
};
