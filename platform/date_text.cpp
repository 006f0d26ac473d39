// DATE is days since 1899-12-30; for days before it the fraction still counts
// forward within the day (-1.25 is 12/29/1899 6:00 AM).
#include <cmath>
#include <cstdio>
#include <cwctype>

#include "platform/internal/automation_text.h"

namespace {

constexpr double kFirstDate = -657434.0;  // 1/1/100
constexpr double kLastDate = 2958465.0;   // 12/31/9999
constexpr long long kDaysFrom1970To1899Base = 25569;

// Proleptic Gregorian calendar conversions for days since 1970-01-01.
void CivilFromDays(long long z, long long* year, unsigned* month, unsigned* day) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  *day = doy - (153 * mp + 2) / 5 + 1;
  *month = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<long long>(yoe) + era * 400 + (*month <= 2);
}

long long DaysFromCivil(long long year, unsigned month, unsigned day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(year - era * 400);
  const unsigned doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

unsigned DaysInMonth(long long year, unsigned month) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// A small cursor over the text being parsed.
struct Scanner {
  std::wstring_view text;
  size_t at = 0;

  void SkipBlanks() {
    while (at < text.size() && (text[at] == L' ' || text[at] == L'\t')) ++at;
  }
  bool Done() {
    SkipBlanks();
    return at == text.size();
  }
  bool Number(unsigned maxDigits, long long* value, unsigned* digits = nullptr) {
    unsigned count = 0;
    long long result = 0;
    while (at < text.size() && count < maxDigits && text[at] >= L'0' && text[at] <= L'9') {
      result = result * 10 + (text[at++] - L'0');
      ++count;
    }
    if (digits) *digits = count;
    *value = result;
    return count > 0;
  }
  bool Take(wchar_t c) {
    if (at < text.size() && text[at] == c) {
      ++at;
      return true;
    }
    return false;
  }
};

// "h:mm[:ss] [AM|PM]" -> fraction of a day.
bool ParseTime(Scanner& in, double* fraction) {
  long long hour = 0, minute = 0, second = 0;
  if (!in.Number(2, &hour) || !in.Take(L':') || !in.Number(2, &minute)) return false;
  if (in.Take(L':') && !in.Number(2, &second)) return false;
  in.SkipBlanks();
  if (in.at + 2 <= in.text.size()) {
    const wchar_t half = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(in.text[in.at])));
    const wchar_t m = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(in.text[in.at + 1])));
    if ((half == L'A' || half == L'P') && m == L'M') {
      if (hour < 1 || hour > 12) return false;
      hour %= 12;
      if (half == L'P') hour += 12;
      in.at += 2;
    }
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  *fraction = static_cast<double>(hour * 3600 + minute * 60 + second) / 86400.0;
  return true;
}

bool ParseCalendarDate(Scanner& in, long long* days) {
  long long first = 0, second = 0, third = 0;
  unsigned firstDigits = 0, thirdDigits = 0;
  if (!in.Number(4, &first, &firstDigits)) return false;
  long long year;
  long long month;
  long long day;
  if (firstDigits == 4 && in.Take(L'-')) {
    if (!in.Number(2, &second) || !in.Take(L'-') || !in.Number(2, &third)) return false;
    year = first;
    month = second;
    day = third;
  } else if (firstDigits <= 2 && in.Take(L'/')) {
    if (!in.Number(2, &second) || !in.Take(L'/') || !in.Number(4, &third, &thirdDigits)) return false;
    month = first;
    day = second;
    year = third;
    if (thirdDigits <= 2) year += year < 30 ? 2000 : 1900;
  } else {
    return false;
  }
  if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, static_cast<unsigned>(month))) {
    return false;
  }
  *days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
          kDaysFrom1970To1899Base;
  return true;
}

}  // namespace

bool FormatDateText(DATE value, std::wstring* text) {
  if (!(value > kFirstDate - 1.0 && value < kLastDate + 1.0)) return false;
  const double whole = std::trunc(value);
  long long day = static_cast<long long>(whole);
  long long seconds = std::llround(std::fabs(value - whole) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    ++day;
  }
  wchar_t buffer[64];
  std::wstring result;
  if (day != 0) {
    long long year;
    unsigned month, dayOfMonth;
    CivilFromDays(day - kDaysFrom1970To1899Base, &year, &month, &dayOfMonth);
    std::swprintf(buffer, 64, L"%u/%u/%lld", month, dayOfMonth, year);
    result = buffer;
  }
  if (day == 0 || seconds != 0) {
    const long long hour = seconds / 3600;
    const long long hour12 = hour % 12 == 0 ? 12 : hour % 12;
    std::swprintf(buffer, 64, L"%lld:%02lld:%02lld %ls", hour12, (seconds / 60) % 60, seconds % 60,
                  hour < 12 ? L"AM" : L"PM");
    if (!result.empty()) result += L' ';
    result += buffer;
  }
  *text = result;
  return true;
}

bool ParseDateText(std::wstring_view text, DATE* value) {
  Scanner in{text};
  in.SkipBlanks();
  const size_t start = in.at;
  long long days = 0;
  double fraction = 0;
  bool haveDate = ParseCalendarDate(in, &days);
  if (!haveDate) in.at = start;
  if (haveDate) {
    in.SkipBlanks();
    in.Take(L'T');
    in.SkipBlanks();
    if (!in.Done() && !ParseTime(in, &fraction)) return false;
  } else if (!ParseTime(in, &fraction)) {
    return false;
  }
  if (!in.Done()) return false;
  *value = days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction;
  return true;
}
