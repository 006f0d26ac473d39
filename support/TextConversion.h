// The two conversions between the wire messages (UTF-8, narrow) and the
// library's wide text (wchar_t: UTF-16 on Windows, UTF-32 on Linux).
//
// Neither fails visibly: a malformed sequence or a lone surrogate becomes
// U+FFFD, an embedded NUL is converted like any other character, and empty
// input (or a failed conversion) gives empty output. One string is limited to
// 2147483647 code units, the platform conversions' count type.
#pragma once

#include <cstddef>
#include <string>

std::wstring ConvertStringToWstring(const std::string& text);
std::string ConvertWStringTostring(const std::wstring& text);

// The same conversions appending to an existing string, so hot paths can
// reuse a buffer's storage. Nothing is appended when the conversion fails.
void AppendUtf8AsWide(std::wstring& out, const char* text, size_t length);
void AppendWideAsUtf8(std::string& out, const wchar_t* text, size_t length);
