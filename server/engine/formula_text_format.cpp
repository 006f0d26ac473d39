#include "server/engine/formula_text_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "server/engine/date_serial.h"
#include "server/engine/value_text.h"
#include "server/engine/workbook.h"

namespace sheetwright::engine {

namespace {

wchar_t Lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c + 32) : c; }

// The format's sections split at ';' outside quotes and escapes.
std::vector<std::wstring> Sections(std::wstring_view format) {
  std::vector<std::wstring> out(1);
  bool quoted = false;
  for (size_t i = 0; i < format.size(); ++i) {
    const wchar_t c = format[i];
    if (c == L'"') quoted = !quoted;
    if (!quoted && c == L'\\' && i + 1 < format.size()) {
      out.back() += c;
      out.back() += format[++i];
      continue;
    }
    if (!quoted && c == L';') {
      out.emplace_back();
      continue;
    }
    out.back() += c;
  }
  return out;
}

// Whether a section formats a date or time: y, d, h, s or m outside quotes
// and brackets, or AM/PM.
bool IsDateSection(std::wstring_view s) {
  bool quoted = false;
  for (size_t i = 0; i < s.size(); ++i) {
    const wchar_t c = Lower(s[i]);
    if (s[i] == L'"') quoted = !quoted;
    if (quoted) continue;
    if (s[i] == L'\\') {
      ++i;
      continue;
    }
    if (s[i] == L'[') {
      while (i < s.size() && s[i] != L']') ++i;
      continue;
    }
    if (c == L'y' || c == L'd' || c == L'h' || c == L's' || c == L'm') return true;
  }
  return false;
}

const wchar_t* const kMonths[] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                  L"July",    L"August",   L"September", L"October", L"November", L"December"};
const wchar_t* const kDays[] = {L"Sunday", L"Monday", L"Tuesday", L"Wednesday", L"Thursday", L"Friday", L"Saturday"};

std::wstring Two(int n) {
  wchar_t buffer[8];
  std::swprintf(buffer, 8, L"%02d", n);
  return buffer;
}

std::optional<std::wstring> FormatDate(double serial, std::wstring_view s) {
  auto t = CivilFromSerial(serial);
  if (!t) return std::nullopt;
  // AM/PM anywhere makes the hours 12-hour.
  bool twelve = false;
  for (size_t i = 0; i + 1 < s.size(); ++i)
    if ((Lower(s[i]) == L'a' && (s.substr(i, 5).size() == 5 && Lower(s[i + 1]) == L'm' && s[i + 2] == L'/')) ||
        (Lower(s[i]) == L'a' && s[i + 1] == L'/'))
      twelve = true;
  std::wstring out;
  bool lastWasHour = false;
  for (size_t i = 0; i < s.size();) {
    const wchar_t c = Lower(s[i]);
    size_t run = 1;
    while (i + run < s.size() && Lower(s[i + run]) == c) ++run;
    if (s[i] == L'"') {
      size_t close = s.find(L'"', i + 1);
      if (close == std::wstring_view::npos) close = s.size();
      out.append(s.substr(i + 1, close - i - 1));
      i = close + 1;
      continue;
    }
    if (s[i] == L'\\' && i + 1 < s.size()) {
      out += s[i + 1];
      i += 2;
      continue;
    }
    if (s[i] == L'[') {
      const size_t close = s.find(L']', i);
      i = close == std::wstring_view::npos ? s.size() : close + 1;
      continue;
    }
    if (c == L'a' && (s.substr(i, 5) == L"AM/PM" || s.substr(i, 5) == L"am/pm")) {
      out += t->hour < 12 ? L"AM" : L"PM";
      i += 5;
      continue;
    }
    if (c == L'a' && i + 2 < s.size() + 0 && s.substr(i, 3).size() == 3 && s[i + 1] == L'/') {
      out += t->hour < 12 ? L"A" : L"P";
      i += 3;
      continue;
    }
    switch (c) {
      case L'y': out += run <= 2 ? Two(t->year % 100) : std::to_wstring(t->year); break;
      case L'd':
        if (run == 1) out += std::to_wstring(t->day);
        else if (run == 2) out += Two(t->day);
        else if (run == 3) out += std::wstring(kDays[t->weekday]).substr(0, 3);
        else out += kDays[t->weekday];
        break;
      case L'h': {
        int h = t->hour;
        if (twelve) h = h % 12 == 0 ? 12 : h % 12;
        out += run == 1 ? std::to_wstring(h) : Two(h);
        lastWasHour = true;
        i += run;
        continue;
      }
      case L's': out += run == 1 ? std::to_wstring(t->second) : Two(t->second); break;
      case L'm': {
        // Minutes right after hours or right before seconds, months otherwise.
        size_t next = i + run;
        while (next < s.size() && (s[next] == L':' || s[next] == L' ')) ++next;
        const bool minutes = run <= 2 && (lastWasHour || (next < s.size() && Lower(s[next]) == L's'));
        if (minutes) out += run == 1 ? std::to_wstring(t->minute) : Two(t->minute);
        else if (run == 1) out += std::to_wstring(t->month);
        else if (run == 2) out += Two(t->month);
        else if (run == 3) out += std::wstring(kMonths[t->month - 1]).substr(0, 3);
        else if (run == 5) out += kMonths[t->month - 1][0];
        else out += kMonths[t->month - 1];
        break;
      }
      default:
        out += s[i];
        i += 1;
        if (c != L':' && c != L' ') lastWasHour = false;
        continue;
    }
    lastWasHour = false;
    i += run;
  }
  return out;
}

// x rounded half away from zero to `decimals` decimals, through the 15
// digits a cell holds.
double RoundTo(double x, int decimals) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.15g", x * std::pow(10.0, decimals));
  return std::round(std::strtod(buffer, nullptr)) / std::pow(10.0, decimals);
}

std::optional<std::wstring> FormatNumber(double value, std::wstring_view s, bool negativeSection) {
  std::wstring prefix, suffix;
  int intZeros = 0, intDigits = 0, decZeros = 0, decDigits = 0, percent = 0, scaleCommas = 0, expZeros = 0;
  bool grouping = false, point = false, scientific = false, expPlus = false, inNumber = false, afterNumber = false;
  for (size_t i = 0; i < s.size(); ++i) {
    const wchar_t c = s[i];
    std::wstring* literal = afterNumber || inNumber ? &suffix : &prefix;
    if (c == L'"') {
      size_t close = s.find(L'"', i + 1);
      if (close == std::wstring_view::npos) close = s.size();
      literal->append(s.substr(i + 1, close - i - 1));
      i = close;
      if (inNumber) afterNumber = true;
      continue;
    }
    if (c == L'\\' && i + 1 < s.size()) {
      *literal += s[++i];
      if (inNumber) afterNumber = true;
      continue;
    }
    if (c == L'[') {
      const size_t close = s.find(L']', i);
      i = close == std::wstring_view::npos ? s.size() : close;
      continue;
    }
    if (c == L'_' || c == L'*') {
      if (c == L'_') *literal += L' ';
      ++i;
      continue;
    }
    if (!afterNumber && (c == L'0' || c == L'#' || c == L'?')) {
      inNumber = true;
      if (scientific) {
        ++expZeros;
      } else if (point) {
        ++decDigits;
        if (c != L'#') ++decZeros;
      } else {
        ++intDigits;
        if (c != L'#') ++intZeros;
      }
      continue;
    }
    if (inNumber && !afterNumber && c == L'.' && !point && !scientific) {
      point = true;
      continue;
    }
    if (!inNumber && c == L'.' && i + 1 < s.size() && (s[i + 1] == L'0' || s[i + 1] == L'#')) {
      inNumber = true;
      point = true;
      continue;
    }
    if (inNumber && !afterNumber && c == L',') {
      // A comma between digit placeholders groups thousands; commas after
      // the last one divide by 1,000 each.
      size_t j = i;
      while (j < s.size() && s[j] == L',') ++j;
      if (j < s.size() && (s[j] == L'0' || s[j] == L'#' || s[j] == L'?') && !point) {
        grouping = true;
      } else {
        scaleCommas += int(j - i);
      }
      i = j - 1;
      continue;
    }
    if (inNumber && !afterNumber && (c == L'E' || c == L'e') && i + 1 < s.size() && (s[i + 1] == L'+' || s[i + 1] == L'-')) {
      scientific = true;
      expPlus = s[i + 1] == L'+';
      ++i;
      continue;
    }
    if (c == L'%') ++percent;
    if (inNumber) afterNumber = true;
    *literal += c;
  }
  // The application shows at most 30 decimals.
  decDigits = std::min(decDigits, 30);
  decZeros = std::min(decZeros, 30);
  intZeros = std::min(intZeros, 300);
  double x = std::fabs(value);
  for (int k = 0; k < percent; ++k) x *= 100;
  for (int k = 0; k < scaleCommas; ++k) x /= 1000;
  std::wstring number;
  if (!inNumber) {
    number.clear();
  } else if (scientific) {
    int exponent = x == 0 ? 0 : int(std::floor(std::log10(x)));
    if (intDigits > 1 && x != 0) exponent -= exponent % intDigits < 0 ? exponent % intDigits + intDigits : exponent % intDigits;
    double mantissa = x == 0 ? 0 : x / std::pow(10.0, exponent);
    mantissa = RoundTo(mantissa, decDigits);
    if (mantissa >= std::pow(10.0, std::max(intDigits, 1))) {
      mantissa /= 10;
      ++exponent;
    }
    wchar_t buffer[64] = {};
    std::swprintf(buffer, 64, L"%.*f", decDigits, mantissa);
    buffer[63] = 0;
    number = buffer;
    number += L'E';
    if (exponent < 0) number += L'-';
    else if (expPlus) number += L'+';
    std::wstring digits = std::to_wstring(std::abs(exponent));
    while (int(digits.size()) < expZeros) digits.insert(digits.begin(), L'0');
    number += digits;
  } else {
    x = RoundTo(x, decDigits);
    if (x >= 1e15 * std::pow(10.0, 0)) {
      number = NumberText(x);
    } else {
      wchar_t buffer[64] = {};
      std::swprintf(buffer, 64, L"%.*f", decDigits, x);
      buffer[63] = 0;
      std::wstring fixed = buffer;
      const size_t dot = fixed.find(L'.');
      std::wstring whole = fixed.substr(0, dot);
      std::wstring fraction = dot == std::wstring::npos ? L"" : fixed.substr(dot + 1);
      if (whole == L"0" && intZeros == 0) whole.clear();
      while (int(whole.size()) < intZeros) whole.insert(whole.begin(), L'0');
      if (grouping)
        for (int k = int(whole.size()) - 3; k > 0; k -= 3) whole.insert(size_t(k), 1, L',');
      while (int(fraction.size()) > decZeros && !fraction.empty() && fraction.back() == L'0') fraction.pop_back();
      number = whole;
      if (point) number += L'.' + fraction;
    }
  }
  const bool minus = value < 0 && !negativeSection && inNumber && number.find_first_not_of(L"0.,E+-") != std::wstring::npos;
  return (minus ? L"-" : L"") + prefix + number + suffix;
}

}  // namespace

std::optional<std::wstring> FormatNumberText(double value, std::wstring_view format, const Workbook& book) {
  std::vector<std::wstring> sections = Sections(format);
  size_t pick = 0;
  if (value < 0 && sections.size() >= 2) pick = 1;
  if (value == 0 && sections.size() >= 3) pick = 2;
  const std::wstring& s = sections[pick];
  std::wstring lower;
  for (wchar_t c : s) lower += Lower(c);
  if (lower.empty()) return std::wstring();
  if (lower == L"general" || lower == L"@") return NumberText(pick == 1 ? -value : value);
  if (IsDateSection(s)) {
    const double serial = book.date1904 ? value + 1462 : value;
    return FormatDate(serial, s);
  }
  return FormatNumber(value, s, pick == 1);
}

}  // namespace sheetwright::engine
