// Case-insensitive comparison of wide text, as Windows compares ProgIDs,
// moniker display names and file names. The C library's towlower maps only
// ASCII in the "C" locale the library runs in, so the simple lower-case
// mapping of the Latin, Greek and Cyrillic letters is applied here instead.
//
// The server's engine keeps its own copy (server/engine/case_fold.h: the
// server reaches the platform only through the Windows API surface); both
// follow Unicode's simple case folding over the same blocks and are tested
// against one table of cases (tests/common/case_fold_cases.h) and against
// each other over every code point.
#pragma once

#include <string>
#include <string_view>

wchar_t FoldCaseChar(wchar_t c);
std::wstring FoldCase(std::wstring_view text);
bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);
