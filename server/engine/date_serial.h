// Calendar dates and times of the 1900 date system's serial numbers, with
// the application's phantom 29 February 1900 (serial 60).
#pragma once

#include <cstdint>
#include <optional>

namespace sheetwright::engine {

struct CivilTime {
  int year = 1900, month = 1, day = 0;  // serial 0 is "1/0/1900"
  int hour = 0, minute = 0, second = 0;
  int weekday = 0;  // 0 = Sunday
};

// nullopt for a negative serial or one past 31 December 9999.
std::optional<CivilTime> CivilFromSerial(double serial);
// The serial of a date; month and day may run over (month 13 is January of
// the next year, day 0 the last day of the month before). nullopt past the
// dates the application knows (before 1/0/1900 or after 12/31/9999).
std::optional<double> SerialFromCivil(int64_t year, int64_t month, int64_t day);
// Days from 1970-01-01 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day);
void CivilFromDays(int64_t days, int& year, int& month, int& day);
// Days in a month.
int DaysInMonth(int year, int month);

}  // namespace sheetwright::engine
