// Case-insensitive comparison of wide text, as the COM runtime uses for
// ProgIDs and moniker display names.
#pragma once

#include <string>
#include <string_view>

std::wstring FoldCase(std::wstring_view text);
bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b);
