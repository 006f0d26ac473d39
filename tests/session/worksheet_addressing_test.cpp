// The worksheet addressing helpers that later commands build on. No command
// of this layer shows their results directly, so a session subclass calls
// them on a workbook it opened itself.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "session/CExcelCom.h"
#include "tests/session/session_test_support.h"

namespace session_test {
namespace {

class AddressingProbe : public CExcelCom {
 public:
  using CExcelCom::ExtractRange;
  using CExcelCom::GetActiveCellStringValue;
  using CExcelCom::GetCellAddressFromOption;
  using CExcelCom::GetCellValueByRowCol;
  using CExcelCom::GetLastCellAddress;
  using CExcelCom::GetWorkSheetRanges;
  using CExcelCom::GetWorkSheetTotalColumnsCount;
  using CExcelCom::GetWorkSheetTotalRowsCount;
  using CExcelCom::GetWorkSheetUsedRangeData;
  using CExcelCom::GetWorkSheetUsedRangeDispatcher;

  // The text of an address result, released; "<empty>" for VT_EMPTY.
  std::wstring Take(VARIANT value) {
    std::wstring text = value.vt == VT_EMPTY ? L"<empty>"
                        : value.vt == VT_BSTR && value.bstrVal != nullptr
                            ? std::wstring(value.bstrVal, SysStringLen(value.bstrVal))
                            : L"";
    ReleaseVariant(&value);
    return text;
  }
  // The absolute address of a range result, released.
  std::wstring AddressOf(VARIANT range) {
    std::wstring text = L"<empty>";
    if (range.vt == VT_DISPATCH && range.pdispVal != nullptr) {
      text = Take(GetAddressFromDispatch(range.pdispVal, 1));
    }
    ReleaseVariant(&range);
    return text;
  }
  // A text result, freed; "<null>" for null.
  static std::wstring TakeText(wchar_t* text) {
    std::wstring result = text != nullptr ? std::wstring(text) : L"<null>";
    delete[] text;
    return result;
  }
};

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

class WorksheetAddressingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    start_ = LiveServerObjects();
    probe_ = std::make_unique<AddressingProbe>();
    const std::wstring path = Wide(FixturePath("shapes.xlsx"));
    ASSERT_EQ(probe_->OpenExcelEx(path.c_str(), L"BlockB2D4", L"", L"", 1, 0, 0), 1);
  }
  void TearDown() override {
    probe_->CloseExcelEx(0);
    probe_.reset();
    EXPECT_EQ(LiveServerObjects(), start_);
  }
  std::unique_ptr<AddressingProbe> probe_;
  long start_ = 0;
};

TEST_F(WorksheetAddressingTest, RangesFromTwoCornersOrWholeRows) {
  struct Case {
    const wchar_t* from;
    const wchar_t* to;
    const wchar_t* address;
  };
  const Case cases[] = {
      {L"B2", L"D4", L"$B$2:$D$4"},
      {L"2", L"4", L"$2:$4"},
      {L"C3", L"C3", L"$C$3"},
      {L"A0", L"B2", L"<empty>"},
      {L"", L"", L"<empty>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.from << " to " << c.to);
    EXPECT_EQ(probe_->AddressOf(probe_->GetWorkSheetRanges(c.from, c.to)), c.address);
  }
}

TEST_F(WorksheetAddressingTest, AddressesByOption) {
  struct Case {
    int option;
    const wchar_t* address;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {0, L"", L"$A$1"},
      {1, L"", L"$D$4"},    // the last used cell of B2:D4
      {2, L"", L"$A$1"},    // the active cell of a freshly opened sheet
      {3, L"c7", L"$C$7"},
      {3, L"XFE1", L"<empty>"},
      {7, L"B2", L"<empty>"},
      {-1, L"B2", L"<empty>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.option);
    EXPECT_EQ(probe_->Take(probe_->GetCellAddressFromOption(c.option, c.address)), c.expected);
  }
  EXPECT_EQ(probe_->Take(probe_->GetLastCellAddress()), L"$D$4");
}

TEST_F(WorksheetAddressingTest, UsedRangeCornersAndSheetSize) {
  LONG startRow = 0, endRow = 0, startColumn = 0, endColumn = 0;
  ASSERT_EQ(probe_->GetWorkSheetUsedRangeData(startRow, endRow, startColumn, endColumn), 1);
  EXPECT_EQ(startRow, 2);
  EXPECT_EQ(endRow, 4);
  EXPECT_EQ(startColumn, 2);
  EXPECT_EQ(endColumn, 4);
  EXPECT_EQ(probe_->GetWorkSheetTotalRowsCount(), 1048576);
  EXPECT_EQ(probe_->GetWorkSheetTotalColumnsCount(), 16384);
}

TEST_F(WorksheetAddressingTest, CornerNamingOnlyARowOrAColumnIsCompleted) {
  VARIANT usedRange = probe_->GetWorkSheetUsedRangeDispatcher();
  ASSERT_EQ(usedRange.vt, VT_DISPATCH);
  struct Case {
    const wchar_t* corner;
    const wchar_t* expected;
  };
  // The used range B2:D4 has 3 rows and 3 columns.
  const Case cases[] = {
      {L"$D", L"$D$3"}, {L"$20", L"$C$20"}, {L"$D$4", L"$D$4"}, {L"", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "corner " << c.corner);
    EXPECT_EQ(probe_->Take(probe_->ExtractRange(usedRange.pdispVal, c.corner)), c.expected);
  }
  probe_->ReleaseVariant(&usedRange);
}

TEST_F(WorksheetAddressingTest, CellTextsByPosition) {
  ASSERT_EQ(probe_->SwitchToSheet(1, 0, L"Mixed", 0), 1);
  struct Case {
    LONG row;
    LONG column;
    const wchar_t* text;
  };
  // Mixed: A1 1, B1 TRUE, C1 #DIV/0!, A2 empty, B2 FALSE, C2 "t".
  const Case cases[] = {
      {1, 1, L"1"}, {1, 2, L"-1"}, {1, 3, L"<null>"}, {2, 1, L""}, {2, 2, L"<null>"}, {2, 3, L"t"},
      {0, 1, L"<null>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.row << "," << c.column);
    EXPECT_EQ(AddressingProbe::TakeText(probe_->GetCellValueByRowCol(c.row, c.column)), c.text);
  }
  // The active cell A1 holds 1.
  EXPECT_EQ(AddressingProbe::TakeText(probe_->GetActiveCellStringValue()), L"1");
}

}  // namespace
}  // namespace session_test
