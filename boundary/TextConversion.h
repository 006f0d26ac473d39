// The two conversions between the wire messages (UTF-8, narrow) and the
// library's wide text (wchar_t: UTF-16 on Windows, UTF-32 on Linux).
//
// Neither fails visibly: a malformed sequence or a lone surrogate becomes
// U+FFFD, an embedded NUL is converted like any other character, and empty
// input gives empty output.
#pragma once

#include <string>

std::wstring ConvertStringToWstring(const std::string& text);
std::string ConvertWStringTostring(const std::wstring& text);
