// The A1 reference parser and the address printer: an address that parses,
// printed and parsed again, names the same areas, and printing that gives
// the same text. The column-letter helpers of the library are exercised on
// the same text.
#include <cstdint>
#include <string>

#include "bridge/CellAddressText.h"
#include "server/engine/address.h"
#include "tests/fuzz/fuzz_support.h"

using namespace sheetwright;

namespace {

bool SameAreas(const std::vector<engine::CellRect>& a, const std::vector<engine::CellRect>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].r1 != b[i].r1 || a[i].c1 != b[i].c1 || a[i].r2 != b[i].r2 || a[i].c2 != b[i].c2) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text = fuzz::DecodeAnyWide(std::string_view(reinterpret_cast<const char*>(data), size));
  if (auto areas = engine::ParseA1Reference(text, L"Sheet1")) {
    for (const bool absolute : {true, false}) {
      engine::AddressForm form;
      form.rowAbsolute = form.columnAbsolute = absolute;
      const std::wstring printed = engine::FormatAddress(*areas, form);
      auto again = engine::ParseA1Reference(printed, L"Sheet1");
      if (!again) fuzz::Finding("a printed address does not parse");
      if (!SameAreas(*areas, *again)) fuzz::Finding("a printed address names other areas");
      if (engine::FormatAddress(*again, form) != printed) fuzz::Finding("printing is not stable");
    }
  }
  if (auto col = engine::ColumnNumber(text)) {
    std::wstring upper = text;
    for (wchar_t& c : upper) {
      if (c >= L'a' && c <= L'z') c = wchar_t(c - L'a' + L'A');
    }
    if (engine::ColumnLetters(*col) != upper) fuzz::Finding("column letters do not print back");
    if (GetColumnName(*col) != upper) fuzz::Finding("GetColumnName disagrees with the server");
  }
  (void)GetColumnFromCell(text);
  (void)GetRowNumFromCell(text);
  std::wstring copy = text;
  (void)GetAllCellAddress(copy, L',');
  (void)UrlDecode(text);
  return 0;
}
