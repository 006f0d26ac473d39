// Text utilities for A1 cell addresses and plain wide strings. Pure functions:
// no server, no state, no exceptions.
//
// A1 form: column letters then the row number, either optionally preceded by
// "$". Columns count from 1 in bijective base 26 ("A" = 1, "Z" = 26,
// "AA" = 27, "XFD" = 16384); rows count from 1.
#pragma once

#include "platform/windows_api.h"

#include <string>
#include <vector>

// Column letters of column `column`: 1 -> "A", 27 -> "AA". Empty for 0 or
// less.
std::wstring GetColumnName(LONG column);

// The ASCII letters of `address` in order, case kept: "$b$12" -> "b".
std::wstring GetColumnFromCell(const std::wstring& address);

// The ASCII digits of `address` read as one decimal number: "$B$12" -> 12,
// "A1B2" -> 12. 0 when there are no digits or the number does not fit an int.
int GetRowNumFromCell(const std::wstring& address);

// `column` immediately followed by `row` in decimal ("B", 12 -> "B12"), cut to
// at most 19 characters.
std::wstring GenerateCellAddress(const std::wstring& column, int row);

// Splits `text` at `separator`, skipping empty items, without trimming. Appends
// the separator to `text` itself when it does not already end with one.
std::vector<std::wstring> GetAllCellAddress(std::wstring& text, wchar_t separator);

// Replaces every occurrence of `search` in `text` from left to right; inserted
// text is not searched again. 1 when anything was replaced, else 0 (also for
// an empty `search`).
int ReplaceAll(std::wstring& text, const std::wstring& search, const std::wstring& replacement);

// 1 when every character is an ASCII letter (the empty text included), else 0.
int IsContainOnlyAlpha(const std::wstring& text);

// 1 when `text` contains ",", else 0.
int IsContainComma(const std::wstring& text);

// Decodes "%hh" escapes and "+" (a blank), then reads the bytes as UTF-8.
// Text without any escape comes back unchanged; a "%" not followed by two hex
// digits is kept as it is.
std::wstring UrlDecode(const std::wstring& text);
