#include "server/files/serial_date.h"

#include <charconv>
#include <cstdint>

#include "server/engine/date_serial.h"

namespace sheetwright::files {

namespace {
bool ReadInt(std::string_view s, size_t& i, size_t digits, int& out) {
  if (i + digits > s.size()) return false;
  auto r = std::from_chars(s.data() + i, s.data() + i + digits, out);
  if (r.ec != std::errc() || r.ptr != s.data() + i + digits) return false;
  i += digits;
  return true;
}
}  // namespace

std::optional<double> IsoDateToSerial(std::string_view iso, bool date1904) {
  size_t i = 0;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
  double fraction = 0;
  bool hasDate = false;
  if (iso.size() >= 10 && iso[4] == '-') {
    if (!ReadInt(iso, i, 4, y) || iso[i++] != '-' || !ReadInt(iso, i, 2, mo) || i >= iso.size() || iso[i++] != '-' ||
        !ReadInt(iso, i, 2, d)) {
      return std::nullopt;
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return std::nullopt;
    hasDate = true;
    if (i < iso.size() && (iso[i] == 'T' || iso[i] == ' ')) ++i;
  }
  if (i < iso.size() && iso[i] != 'Z') {
    if (!ReadInt(iso, i, 2, h) || i >= iso.size() || iso[i++] != ':' || !ReadInt(iso, i, 2, mi)) return std::nullopt;
    if (i < iso.size() && iso[i] == ':') {
      ++i;
      if (!ReadInt(iso, i, 2, sec)) return std::nullopt;
      if (i < iso.size() && iso[i] == '.') {
        size_t start = i;
        ++i;
        while (i < iso.size() && iso[i] >= '0' && iso[i] <= '9') ++i;
        std::from_chars(iso.data() + start, iso.data() + i, fraction);
      }
    }
  }
  if (i < iso.size() && iso[i] == 'Z') ++i;
  if (i != iso.size() || h > 24 || mi > 59 || sec > 60) return std::nullopt;
  double days = 0;
  if (hasDate) {
    int64_t civil = engine::DaysFromCivil(y, mo, d);
    if (date1904) {
      days = static_cast<double>(civil - engine::DaysFromCivil(1904, 1, 1));
    } else {
      days = static_cast<double>(civil - engine::DaysFromCivil(1899, 12, 30));
      if (days < 61) days -= 1;  // before the phantom 1900-02-29
      if (days < 0) return std::nullopt;
    }
  }
  return days + (h * 3600.0 + mi * 60.0 + sec + fraction) / 86400.0;
}

}  // namespace sheetwright::files
