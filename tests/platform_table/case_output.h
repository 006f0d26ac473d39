// Printing of the platform table: one case per line, "name: result", in a
// form that is the same whichever platform the program runs on. Wide text is
// printed by code point (UTF-16 pairs joined on Windows), so the two sides'
// different wchar_t widths do not show; numbers and HRESULTs are printed in
// fixed formats.
#pragma once

#include <cstdio>
#include <string>

#include "platform/windows_api.h"

namespace platform_table {

// Writes one case line.
void Case(const std::string& name, const std::string& result);

// "0x8002000A".
std::string Hr(HRESULT hr);

// Wide text in double quotes: printable ASCII as is, '"' and '\\' escaped,
// everything else as \u{hex code point}.
std::string Quoted(const wchar_t* text, size_t length);
std::string Quoted(const wchar_t* text);  // null prints as null

// A double with 17 significant digits ("%.17g").
std::string Number(double value);

// "VT_BSTR \"1.5\"", "VT_R8 1.5", "VT_BOOL -1", ... ; a BSTR by its length.
std::string Describe(const VARIANT& value);

// The VARTYPE's name ("VT_I4", "VT_ARRAY|VT_VARIANT", "vt 0x7fff").
std::string TypeName(VARTYPE vt);

// Each part of the table; main runs them in this order.
void VariantConversionCases();
void VariantFailureCases();
void BstrCases();
void SafeArrayCases();
void CodePageCases();
void ShellPathCases();
void FileFindCases(const wchar_t* folder);
void RunningObjectTableCases();
void WideFormatCases();

}  // namespace platform_table
