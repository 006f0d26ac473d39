// Case-insensitive comparison of wide text, as Windows compares ProgIDs,
// moniker display names and file names. The C library's towlower maps only
// ASCII in the "C" locale the library runs in, so the simple lower-case
// mapping of the Latin, Greek and Cyrillic letters is applied here instead.
#pragma once

#include <string>
#include <string_view>

wchar_t FoldCaseChar(wchar_t c);
std::wstring FoldCase(std::wstring_view text);
bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);
