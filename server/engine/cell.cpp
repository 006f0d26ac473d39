#include "server/engine/cell.h"

#include "server/engine/case_fold.h"

namespace sheetwright::engine {

namespace {
struct ErrorInfo {
  ErrorValue value;
  const wchar_t* text;
  int32_t number;
};
constexpr ErrorInfo kErrors[] = {
    {ErrorValue::Null, L"#NULL!", 2000}, {ErrorValue::Div0, L"#DIV/0!", 2007},
    {ErrorValue::Value, L"#VALUE!", 2015}, {ErrorValue::Ref, L"#REF!", 2023},
    {ErrorValue::Name, L"#NAME?", 2029}, {ErrorValue::Num, L"#NUM!", 2036},
    {ErrorValue::NA, L"#N/A", 2042},
};
}  // namespace

const wchar_t* ErrorValueText(ErrorValue error) {
  for (const ErrorInfo& info : kErrors)
    if (info.value == error) return info.text;
  return L"#N/A";
}

std::optional<ErrorValue> ParseErrorValue(std::wstring_view text) {
  for (const ErrorInfo& info : kErrors) {
    std::wstring_view name(info.text);
    if (name.size() != text.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) same = FoldCase(text[i]) == FoldCase(name[i]);
    if (same) return info.value;
  }
  return std::nullopt;
}

int32_t ErrorValueNumber(ErrorValue error) {
  for (const ErrorInfo& info : kErrors)
    if (info.value == error) return info.number;
  return 2042;
}

std::optional<ErrorValue> ErrorValueFromNumber(int32_t number) {
  for (const ErrorInfo& info : kErrors)
    if (info.number == number) return info.value;
  return std::nullopt;
}

}  // namespace sheetwright::engine
