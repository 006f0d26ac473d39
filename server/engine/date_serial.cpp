#include "server/engine/date_serial.h"

#include <cmath>

namespace sheetwright::engine {

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = int(doy - (153 * mp + 2) / 5 + 1);
  m = int(mp < 10 ? mp + 3 : mp - 9);
  y = int(yoe + era * 400 + (m <= 2));
}

namespace {

// 1899-12-30 in days from 1970-01-01: serial s > 60 is that day + s.
constexpr int64_t kSerialEpoch = -25569;
constexpr double kLastSerial = 2958465;  // 12/31/9999

}  // namespace

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month == 2 && ((year % 4 == 0 && year % 100 != 0) || year % 400 == 0)) return 29;
  return kDays[(month - 1) % 12];
}

std::optional<CivilTime> CivilFromSerial(double serial) {
  if (!(serial >= 0) || serial >= kLastSerial + 1) return std::nullopt;
  int64_t day = int64_t(std::floor(serial));
  int64_t seconds = int64_t(std::llround((serial - double(day)) * 86400.0));
  if (seconds >= 86400) {
    ++day;
    seconds -= 86400;
  }
  CivilTime t;
  t.hour = int(seconds / 3600);
  t.minute = int(seconds / 60 % 60);
  t.second = int(seconds % 60);
  // Serial 1 (1/1/1900) was a Sunday by the application's count.
  t.weekday = int((day + 6) % 7);
  if (day == 0) {
    t.year = 1900, t.month = 1, t.day = 0;
  } else if (day == 60) {
    t.year = 1900, t.month = 2, t.day = 29;
  } else {
    CivilFromDays(kSerialEpoch + day + (day < 60 ? 1 : 0), t.year, t.month, t.day);
  }
  return t;
}

std::optional<double> SerialFromCivil(int64_t year, int64_t month, int64_t day) {
  if (year < 0 || year > 9999) return std::nullopt;
  if (year < 1900) year += 1900;
  // Months run over into years.
  year += (month - 1) >= 0 ? (month - 1) / 12 : -((12 - month) / 12);
  month = ((month - 1) % 12 + 12) % 12 + 1;
  if (year < 1900 || year > 9999) return std::nullopt;
  int64_t serial = DaysFromCivil(year, month, 1) - kSerialEpoch + (day - 1);
  // Before 1 March 1900 the application counts one day less (it believes
  // in 29 February 1900).
  if (serial < 61) --serial;
  if (year == 1900 && month == 2 && day == 29) serial = 60;
  if (serial < 0 || double(serial) > kLastSerial) return std::nullopt;
  return double(serial);
}

}  // namespace sheetwright::engine
