// A cell's value as text (the number rule included), counts, and R1C1
// addresses read as numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "bridge/NumberText.h"
#include "tests/bridge/bridge_test_support.h"
#include "tests/bridge/fake_dispatch.h"

namespace bridge_test {
namespace {

// `text` with every "." replaced by the user's decimal point, as the number
// rule writes fixed forms.
std::wstring Localised(std::wstring text) {
  for (wchar_t& c : text) {
    if (c == L'.') c = UserDecimalPoint();
  }
  return text;
}

TEST(NumberTextTest, OleTextLendsItsNumberOfDecimals) {
  struct Case {
    const char* name;
    double value;
    const wchar_t* oleText;
    wchar_t point;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {"plain decimals keep OLE digits", 2.5, L"2.5", L'.', L"2.5"},
      {"half", 0.5, L"0.5", L'.', L"0.5"},
      {"comma as the decimal point", 0.5, L"0.5", L',', L"0,5"},
      {"negative", -2.5, L"-2.5", L'.', L"-2.5"},
      {"integer: no point in the OLE text", 1234, L"1234", L'.', L"1234"},
      {"zero is the OLE text", 0, L"0", L'.', L"0"},
      {"exponent form without decimals to borrow", 1e20, L"1E+20", L'.', L"1E+20"},
      {"exponent form lends its length", 1.2e-6, L"1.2E-06", L'.', L"0.00000"},
      {"fifteen significant digits", 12.345678901234567, L"12.3456789012346", L'.',
       L"12.3456789012346"},
      {"binary noise is rounded away", 0.1 + 0.2, L"0.3", L'.', L"0.3"},
      {"eighteen decimals after one digit become sixteen", 1.5, L"1.234567890123456789", L'.',
       L"1.5000000000000000"},
      {"empty OLE text", 2.5, L"", L'.', L""},
      {"comma only touches the fixed form", 1e20, L"1E+20", L',', L"1E+20"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring text = L"stale";
    FormatNumberLikeOleText(c.value, c.oleText, std::wcslen(c.oleText), c.point, text);
    EXPECT_EQ(text, c.expected);
  }
}

TEST(NumberTextTest, ExtractValuePropertyUsesTheOleTextOfTheNumber) {
  struct Case {
    const char* name;
    double value;
    const wchar_t* expected;  // before localising the decimal point
  };
  const Case cases[] = {
      {"2.5", 2.5, L"2.5"},
      {"1E+20 stays in exponent form", 1e20, L"1E+20"},
      {"1E+15 stays in exponent form", 1e15, L"1E+15"},
      {"0.0000012 is plain in OLE text, so all digits are kept", 1.2e-6, L"0.0000012"},
      {"pi to fifteen digits", 3.14159265358979323846, L"3.14159265358979"},
      {"large integer", 123456789012.0, L"123456789012"},
      {"negative fraction", -0.125, L"-0.125"},
      {"zero", 0.0, L"0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    VARIANT value;
    value.vt = VT_R8;
    value.dblVal = c.value;
    std::wstring text;
    ExcelBase::ExtractValueProperty(value, text);
    const bool fixedForm = std::wcschr(c.expected, L'E') == nullptr;
    EXPECT_EQ(text, fixedForm ? Localised(c.expected) : std::wstring(c.expected));
  }
}

// Reads the text of a one-cell range whose "Value" answers `value`.
struct ReadCase {
  const char* name;
  VARIANT value;
  const wchar_t* expected;
};

VARIANT Number(double d) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = d;
  return v;
}

VARIANT Boolean(VARIANT_BOOL b) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = b;
  return v;
}

VARIANT ErrorValue(uint32_t code) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  v.scode = static_cast<SCODE>(code);
  return v;
}

VARIANT Integer(LONG n) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}

TEST(GetValuePropertyDataTest, CellValuesBecomeText) {
  VARIANT empty;
  VariantInit(&empty);
  const ReadCase cases[] = {
      {"number", Number(2.5), L"2.5"},
      {"whole number", Number(1234), L"1234"},
      {"true", Boolean(VARIANT_TRUE), L"TRUE"},
      {"false", Boolean(VARIANT_FALSE), L"FALSE"},
      {"#DIV/0! reads as empty text", ErrorValue(0x800A07D7u), L""},
      {"#N/A reads as empty text", ErrorValue(0x800A07FAu), L""},
      {"empty cell", empty, L""},
      {"other types go through VariantChangeType", Integer(42), L"42"},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDispatch cell;
    cell.On(L"Value", ReturnsVariant(c.value));
    InspectableExcelBase base;
    std::unique_ptr<wchar_t[]> text(base.GetValuePropertyData(&cell));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::wstring(text.get()), Localised(c.expected));
    const RecordedCall& call = cell.Calls().at(0);
    EXPECT_EQ(call.kind, DISPATCH_PROPERTYGET);
    EXPECT_EQ(call.argumentCount, 0u);
  }
}

TEST(GetValuePropertyDataTest, TextKeepsEmbeddedCharacters) {
  FakeDispatch cell;
  cell.On(L"Value", ReturnsText(L"h\u00e9llo \u4e16"));
  InspectableExcelBase base;
  std::unique_ptr<wchar_t[]> text(base.GetValuePropertyData(&cell));
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text.get(), L"h\u00e9llo \u4e16");
}

TEST(GetValuePropertyDataTest, ErrorValueIsLogged) {
  CapturedLog log;
  FakeDispatch cell;
  VARIANT value = ErrorValue(0x800A07D7u);
  cell.On(L"Value", ReturnsVariant(value));
  InspectableExcelBase base;
  std::unique_ptr<wchar_t[]> text(base.GetValuePropertyData(&cell));
  std::vector<std::wstring> lines = log.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), L"GetValuePropertyData : Error in Retrive Property value");
}

TEST(GetValuePropertyDataTest, MultiCellRangeGivesNullWithAMessageInsteadOfThrowing) {
  SAFEARRAYBOUND bounds[2] = {{2, 1}, {1, 1}};
  VARIANT block;
  block.vt = VT_ARRAY | VT_VARIANT;
  block.parray = SafeArrayCreate(VT_VARIANT, 2, bounds);
  FakeDispatch range;
  range.On(L"Value", ReturnsVariant(block));
  InspectableExcelBase base;
  EXPECT_EQ(base.GetValuePropertyData(&range), nullptr);
  EXPECT_EQ(std::wstring(base.ErrorMessageText()).rfind(L"Value: The value cannot be read", 0), 0u)
      << "message: " << base.ErrorMessageText();
  SafeArrayDestroy(block.parray);
}

TEST(GetValuePropertyDataTest, FailedReadOrNullRangeGivesNull) {
  FakeDispatch range;
  range.On(L"Value", RaisesException(1004, L"Unable to get the Value property of the Range class"));
  InspectableExcelBase base;
  EXPECT_EQ(base.GetValuePropertyData(&range), nullptr);
  EXPECT_STREQ(base.ErrorMessageText(),
               L"Value: Error 1004: Unable to get the Value property of the Range class");
  EXPECT_EQ(base.GetValuePropertyData(nullptr), nullptr);
}

TEST(GetCountValueTest, CountsReadAsLong) {
  InspectableExcelBase base;
  VARIANT empty;
  VariantInit(&empty);
  EXPECT_EQ(base.GetCountValue(empty), 0);
  EXPECT_EQ(base.GetCountValue(Integer(1048576)), 1048576);
  EXPECT_EQ(base.GetCountValue(Number(3.0)), 3);
  VARIANT text;
  text.vt = VT_BSTR;
  text.bstrVal = SysAllocString(L"not a number");
  EXPECT_EQ(base.GetCountValue(text), 0);
  SysFreeString(text.bstrVal);
}

TEST(ReferenceAddressTest, R1C1TextGivesRowAndColumn) {
  struct Case {
    const wchar_t* address;
    LONG row;
    LONG column;
  };
  const Case cases[] = {
      {L"R12C7", 12, 7},
      {L"R5C3", 5, 3},
      {L"R1C1:R5C3", 1, 1},  // the first cell of a block
      {L"R1048576C16384", 1048576, 16384},
      {L"r5c3", 5, 3},       // lower-case letters
      {L"Z5S3", 5, 3},       // letters are taken from the text
      {L"R5", 5, 0},         // no column letter: column read from the whole text
      {L"12", 12, 12},       // no row letter: both from the whole text
      {L"R[2]C[1]", 0, 0},   // relative form holds no plain numbers
      {L"", 0, 0},
      {nullptr, 0, 0},
      {L"R99999999999C1", 2147483647, 1},  // clamped, not wrapped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address != nullptr ? std::string(c.address, c.address + std::wcslen(c.address))
                                      : std::string("null"));
    InspectableExcelBase base;
    LONG row = -9;
    LONG column = -9;
    base.GetRowColIndexFromReferenceAddress(c.address, row, column);
    EXPECT_EQ(row, c.row);
    EXPECT_EQ(column, c.column);
  }
}

TEST(ReferenceAddressTest, RowAndColumnLetters) {
  struct Case {
    const wchar_t* address;
    char row;
    char column;
  };
  const Case cases[] = {
      {L"R3C2", 'R', 'C'}, {L"Z5S3", 'Z', 'S'}, {L"", 'R', 'C'},
      {L"5S", 'R', 'S'},   {L"Q", 'Q', 'C'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.address, c.address + std::wcslen(c.address)));
    InspectableExcelBase base;
    char row = 0;
    char column = 0;
    base.GetRowColumnCharacter(c.address, row, column);
    EXPECT_EQ(row, c.row);
    EXPECT_EQ(column, c.column);
  }
}

}  // namespace
}  // namespace bridge_test
