// The typed-text interpretation "SetCell" uses: any text becomes a value or
// is refused; a value is stored, shown and read back as entered without
// fault; numbers are finite; what a Boolean or error value shows types back
// to the same value.
#include <cmath>
#include <cstdint>
#include <string>

#include "server/engine/typed_input.h"
#include "server/engine/value_text.h"
#include "tests/fuzz/fuzz_support.h"

using namespace sheetwright;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring text = fuzz::DecodeAnyWide(std::string_view(reinterpret_cast<const char*>(data), size));
  const engine::TypedValue value = engine::InterpretTypedText(text);
  if (value.kind == engine::TypedValue::Kind::Number && !std::isfinite(value.number)) {
    fuzz::Finding("typed text gave a number that is not finite");
  }
  engine::Workbook book;
  engine::Sheet& sheet = book.AddWorksheet(L"fuzz");
  if (!engine::StoreTypedValue(book, sheet, 3, 2, value)) return 0;
  const engine::Cell* cell = sheet.Find(3, 2);
  if (!cell) return 0;
  const std::wstring shown = engine::DisplayText(book, *cell);
  (void)engine::EnteredText(book, *cell);
  if (value.kind == engine::TypedValue::Kind::Boolean || value.kind == engine::TypedValue::Kind::Error) {
    const engine::TypedValue retyped = engine::InterpretTypedText(shown);
    if (retyped.kind != value.kind || retyped.boolean != value.boolean || retyped.error != value.error) {
      fuzz::Finding("a shown Boolean or error value types back to something else");
    }
  }
  return 0;
}
