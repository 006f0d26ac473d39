// Text forms of cell values: the number text of the General format (the
// same digits OLE Automation gives a double converted to text), date text
// (m/d/yyyy, with h:mm:ss AM/PM when there is a time), date serials, and the
// text a cell shows or holds as entered, which Find and Replace work on.
#pragma once

#include <cstdint>
#include <string>

#include "server/engine/cell.h"

namespace sheetwright::engine {

class Workbook;

// 15 significant digits; fixed below 1E+15 and while the digits fit in 15
// decimals, exponent form ("1E+15", "5.6789E-12") otherwise.
std::wstring NumberText(double value);

// Serial of a calendar date in the 1900 date system (1 = 1/1/1900, with the
// application's phantom 2/29/1900 = 60); nullopt-free: callers validate.
double DateSerial(int year, int month, int day);
// The serial of 1/1/10000: dates run from serial 0 up to just before it.
inline constexpr double kFirstSerialPastYear9999 = 2958466;

// "m/d/yyyy", "m/d/yyyy h:mm:ss AM" or "h:mm:ss AM" of a 1900-system serial;
// "########" for a serial outside the dates (negative, past 9999, NaN).
std::wstring DateText(double serial);
// A number in a percent format with `decimals` decimals: "12%", "3.50%".
std::wstring PercentText(double value, int decimals);
// Between the workbook's date serials and OLE Automation DATE values.
double SerialToOleDate(double serial, bool date1904);
double OleDateToSerial(double date, bool date1904);

// What the cell shows: formatted number, date, TRUE/FALSE, error text, text;
// a formula without a cached value shows its formula text.
std::wstring DisplayText(const Workbook& book, const Cell& cell);
// What the cell holds as entered: "=" + formula for a formula cell, else the
// constant as typed (the display text).
std::wstring EnteredText(const Workbook& book, const Cell& cell);

}  // namespace sheetwright::engine
