// End in the four directions, Selection after Select on blocks, rows, columns
// and several areas, and the shape members the selection commands rely on.
#include <gtest/gtest.h>

#include "tests/server/server_fixture.h"

namespace sheetwright::test {
namespace {

constexpr LONG kUp = -4162;
constexpr LONG kDown = -4121;
constexpr LONG kToLeft = -4159;
constexpr LONG kToRight = -4161;

TEST_F(ServerTest, EndMovesLikeControlArrow) {
  // Column B: B2:B4 filled, gap, B8 filled. Row 2: B2:D2 filled, gap, G2.
  FillGrid({{L"", L"", L"", L"", L"", L"", L""},
            {L"", L"b2", L"c2", L"d2", L"", L"", L"g2"},
            {L"", L"b3"},
            {L"", L"b4"},
            {},
            {},
            {},
            {L"", L"b8"}});
  struct Case {
    const wchar_t* from;
    LONG direction;
    const wchar_t* to;
  };
  const Case cases[] = {
      {L"B2", kDown, L"B4"},        // to the end of the filled run
      {L"B4", kDown, L"B8"},        // across the gap to the next filled cell
      {L"B8", kDown, L"B1048576"},  // nothing further: the sheet's edge
      {L"B5", kDown, L"B8"},        // from an empty cell: the next filled one
      {L"B8", kUp, L"B4"},
      {L"B2", kUp, L"B1"},
      {L"B1", kUp, L"B1"},          // at the edge already
      {L"B2", kToRight, L"D2"},
      {L"D2", kToRight, L"G2"},
      {L"G2", kToRight, L"XFD2"},
      {L"G2", kToLeft, L"D2"},
      {L"A2", kToLeft, L"A2"},
      {L"B2:C9", kDown, L"B4"},     // a block moves from its top-left cell
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.from, c.from + wcslen(c.from)) << " " << c.direction);
    Ref start = RangeOf(c.from);
    Ref end = GetObject(start.get(), L"End", {I4(c.direction)});
    EXPECT_EQ(AddressOf(end.get()), c.to);
  }
  Ref cell = RangeOf(L"B2");
  Ref named = GetObject(cell.get(), L"End", {I4(kDown, L"Direction")});
  EXPECT_EQ(AddressOf(named.get()), L"B4");
  EXPECT_EQ(Get(cell.get(), L"End", {I4(7)}).hr, DISP_E_EXCEPTION);
  EXPECT_EQ(Get(cell.get(), L"End").hr, DISP_E_PARAMNOTOPTIONAL);
}

TEST_F(ServerTest, SelectionFollowsSelectOnBlocksRowsColumnsAndAreas) {
  // A new sheet's selection is its active cell.
  Ref initial = GetObject(app_.get(), L"Selection");
  EXPECT_EQ(AddressOf(initial.get()), L"A1");
  struct Case {
    const wchar_t* address;
    const wchar_t* selection;
    const wchar_t* active;
  };
  const Case cases[] = {
      {L"B2:D4", L"B2:D4", L"B2"},
      {L"5:8", L"5:8", L"A5"},
      {L"C:E", L"C:E", L"C1"},
      {L"A1,C3:D4", L"A1,C3:D4", L"A1"},
  };
  for (const Case& c : cases) {
    Ref range = RangeOf(c.address);
    ASSERT_EQ(Method(range.get(), L"Select").hr, S_OK);
    Ref selection = GetObject(app_.get(), L"Selection");
    EXPECT_EQ(AddressOf(selection.get()), c.selection);
    Ref active = GetObject(app_.get(), L"ActiveCell");
    EXPECT_EQ(AddressOf(active.get()), c.active);
  }
  // Rows of a block reach outside it; EntireRow and EntireColumn cover it.
  Ref block = RangeOf(L"B3:C4");
  Ref entireRow = GetObject(block.get(), L"EntireRow");
  EXPECT_EQ(AddressOf(entireRow.get()), L"3:4");
  Ref entireColumn = GetObject(block.get(), L"EntireColumn");
  EXPECT_EQ(AddressOf(entireColumn.get()), L"B:C");
}

}  // namespace
}  // namespace sheetwright::test
