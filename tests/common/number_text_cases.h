// The text of a double as the application shows it: 15 significant digits,
// fixed form while the digits fit in 15 decimals, exponent form otherwise.
// The platform's VariantChangeType and the server's engine each have their
// own routine for it (the server reaches the platform only through the
// Windows API surface); both run through this one table, so they cannot drift
// apart.
#pragma once

struct NumberTextCase {
  double value;
  const wchar_t* text;
};

inline constexpr NumberTextCase kNumberTextCases[] = {
    {0.5, L"0.5"},
    {0.56789, L"0.56789"},
    {5.6789e-6, L"0.0000056789"},
    {5.6789e-11, L"0.000000000056789"},
    {5.6789e-12, L"5.6789E-12"},
    {1.2e-6, L"0.0000012"},
    {1e-15, L"1E-15"},
    {12, L"12"},
    {1e14, L"100000000000000"},
    {999999999999999.0, L"999999999999999"},
    {1e15, L"1E+15"},
    {1.2e15, L"1.2E+15"},
    {1.234e16, L"1.234E+16"},
    {1e20, L"1E+20"},
    {3.14159265358979323846, L"3.14159265358979"},
    {12.345678901234567, L"12.3456789012346"},
    {-1.5, L"-1.5"},
    {0.0, L"0"},
    {-0.0, L"0"},
    {-1e-300 * 1e-300, L"0"},
    {123456789012345678.0, L"1.23456789012346E+17"},
};
