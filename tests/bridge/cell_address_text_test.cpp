// The cell-address text utilities.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/CellAddressText.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

TEST(CellAddressTextTest, ColumnNumbersBecomeBijectiveLetters) {
  struct Case {
    LONG column;
    const wchar_t* letters;
  };
  const Case cases[] = {
      {1, L"A"},     {26, L"Z"},     {27, L"AA"},         {52, L"AZ"},   {53, L"BA"},
      {702, L"ZZ"},  {703, L"AAA"},  {16384, L"XFD"},     {0, L""},      {-3, L""},
      {2147483647, L"FXSHRXW"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.column);
    EXPECT_EQ(GetColumnName(c.column), c.letters);
  }
}

TEST(CellAddressTextTest, LettersAndRowOfAnAddress) {
  struct Case {
    const wchar_t* address;
    const wchar_t* letters;
    int row;
  };
  const Case cases[] = {
      {L"$b$12", L"b", 12},
      {L"$B$12", L"B", 12},
      {L"A1B2", L"AB", 12},
      {L"12", L"", 12},
      {L"B", L"B", 0},
      {L"", L"", 0},
      {L"A1:C5", L"AC", 15},
      {L"A2147483647", L"A", 2147483647},
      // A digit run past the int range is no row: 0 rather than an exception.
      {L"A99999999999", L"A", 0},
      {L"\u00c41", L"", 1},  // only ASCII letters count
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.address));
    EXPECT_EQ(GetColumnFromCell(c.address), c.letters);
    EXPECT_EQ(GetRowNumFromCell(c.address), c.row);
  }
}

TEST(CellAddressTextTest, GeneratedAddressIsLettersThenRow) {
  struct Case {
    const wchar_t* column;
    int row;
    const wchar_t* address;
  };
  const Case cases[] = {
      {L"B", 12, L"B12"},
      {L"B", 0, L"B0"},
      {L"B", -1, L"B-1"},
      {L"XFD", 1048576, L"XFD1048576"},
      {L"", 7, L"7"},
      // At most 19 characters: the row is cut, never written past the end.
      {L"ABCDEFGHIJKLMNOP", 12345, L"ABCDEFGHIJKLMNOP123"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.address));
    EXPECT_EQ(GenerateCellAddress(c.column, c.row), c.address);
  }
}

TEST(CellAddressTextTest, AddressListSplitsAtTheSeparator) {
  struct Case {
    const wchar_t* text;
    std::vector<std::wstring> items;
    const wchar_t* textAfter;
  };
  const Case cases[] = {
      {L"A1,B2", {L"A1", L"B2"}, L"A1,B2,"},
      {L",A1,,B2,", {L"A1", L"B2"}, L",A1,,B2,"},
      {L"A1, B2", {L"A1", L" B2"}, L"A1, B2,"},
      {L"A1", {L"A1"}, L"A1,"},
      {L",", {}, L","},
      {L"", {}, L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    std::wstring text = c.text;
    EXPECT_EQ(GetAllCellAddress(text, L','), c.items);
    EXPECT_EQ(text, c.textAfter);
  }
}

TEST(CellAddressTextTest, ReplaceAllDoesNotRescanInsertedText) {
  struct Case {
    const wchar_t* text;
    const wchar_t* search;
    const wchar_t* replacement;
    const wchar_t* result;
    int replaced;
  };
  const Case cases[] = {
      {L"a-b-c", L"-", L"+", L"a+b+c", 1},
      {L"a-b-c", L"b", L"bb", L"a-bb-c", 1},
      {L"aaa", L"a", L"aa", L"aaaaaa", 1},
      {L"a-b-c", L"x", L"y", L"a-b-c", 0},
      {L"a-b-c", L"", L"y", L"a-b-c", 0},
      {L"abab", L"ab", L"", L"", 1},
      {L"", L"a", L"b", L"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.text) + " / " + Narrow(c.search));
    std::wstring text = c.text;
    EXPECT_EQ(ReplaceAll(text, c.search, c.replacement), c.replaced);
    EXPECT_EQ(text, c.result);
  }
}

TEST(CellAddressTextTest, LetterAndCommaChecks) {
  EXPECT_EQ(IsContainOnlyAlpha(L"AbZ"), 1);
  EXPECT_EQ(IsContainOnlyAlpha(L""), 1);
  EXPECT_EQ(IsContainOnlyAlpha(L"A1"), 0);
  EXPECT_EQ(IsContainOnlyAlpha(L"\u00c4"), 0);
  EXPECT_EQ(IsContainComma(L"A1,B2"), 1);
  EXPECT_EQ(IsContainComma(L"A1"), 0);
  EXPECT_EQ(IsContainComma(L""), 0);
}

TEST(CellAddressTextTest, UrlDecodeUnescapesOnlyWhatIsEscaped) {
  struct Case {
    const char* name;
    const wchar_t* text;
    const wchar_t* decoded;
  };
  const Case cases[] = {
      {"blank", L"My%20Book.xlsx", L"My Book.xlsx"},
      {"plus is a blank", L"a+b", L"a b"},
      {"UTF-8 sequence", L"%C3%A9", L"\u00e9"},
      {"lower-case hex", L"%c3%a9", L"\u00e9"},
      {"trailing percent", L"100%", L"100%"},
      {"percent without hex digits", L"%zz", L"%zz"},
      {"escaped percent", L"50%25", L"50%"},
      {"percent cut short", L"a%2", L"a%2"},
      {"no escapes keeps the text", L"C:\\Data\\\u00e9t\u00e9.xlsx", L"C:\\Data\\\u00e9t\u00e9.xlsx"},
      {"unescaped non-ASCII next to an escape survives", L"\u00e9t\u00e9%20x", L"\u00e9t\u00e9 x"},
      {"URL", L"https://host/sites/Shared%20Documents/Q1+Plan.xlsx",
       L"https://host/sites/Shared Documents/Q1 Plan.xlsx"},
      {"invalid UTF-8 becomes the replacement character", L"%FF", L"\ufffd"},
      {"empty", L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(UrlDecode(c.text), c.decoded);
  }
}

}  // namespace
