// Range.Delete: shifts, whole rows and columns, multi-area ranges.
#include "server/engine/address.h"
#include "tests/server/server_fixture.h"

namespace sheetwright::test {

namespace {

// A 4 x 4 grid whose cells hold their own address ("A1" ... "D4").
class DeleteTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    std::vector<std::vector<std::wstring>> grid(4, std::vector<std::wstring>(4));
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) grid[size_t(r)][size_t(c)] = engine::ColumnLetters(c + 1) + std::to_wstring(r + 1);
    FillGrid(grid);
  }
  // The grid A1:D4 as rows of texts, "." for an empty cell.
  std::vector<std::wstring> Grid() {
    std::vector<std::wstring> rows;
    Ref block = RangeOf(L"A1:D4");
    Result value = Get(block.get(), L"Value");
    for (LONG r = 1; r <= 4; ++r) {
      std::wstring line;
      for (LONG c = 1; c <= 4; ++c) {
        LONG index[2] = {r, c};
        VARIANT v;
        VariantInit(&v);
        SafeArrayGetElement(value.value.parray, index, &v);
        if (c > 1) line += L' ';
        line += v.vt == VT_BSTR ? std::wstring(v.bstrVal) : L".";
        VariantClear(&v);
      }
      rows.push_back(line);
    }
    return rows;
  }
};

struct DeleteCase {
  const char* name;
  const wchar_t* range;
  short shift;  // 0 = omitted
  bool viaEntireRow;
  std::vector<std::wstring> expected;
};

const DeleteCase kDeleteCases[] = {
    {"block shift up", L"B2:C2", -4162, false, {L"A1 B1 C1 D1", L"A2 B3 C3 D2", L"A3 B4 C4 D3", L"A4 . . D4"}},
    {"block shift left", L"B2:B3", -4159, false, {L"A1 B1 C1 D1", L"A2 C2 D2 .", L"A3 C3 D3 .", L"A4 B4 C4 D4"}},
    {"wide block without shift moves up", L"A2:C2", 0, false, {L"A1 B1 C1 D1", L"A3 B3 C3 D2", L"A4 B4 C4 D3", L". . . D4"}},
    {"tall block without shift moves left", L"A2:A3", 0, false, {L"A1 B1 C1 D1", L"B2 C2 D2 .", L"B3 C3 D3 .", L"A4 B4 C4 D4"}},
    {"whole row ignores shift", L"2:2", -4159, false, {L"A1 B1 C1 D1", L"A3 B3 C3 D3", L"A4 B4 C4 D4", L". . . ."}},
    {"entire row of a cell", L"C3", 0, true, {L"A1 B1 C1 D1", L"A2 B2 C2 D2", L"A4 B4 C4 D4", L". . . ."}},
    {"whole columns", L"B:C", 0, false, {L"A1 D1 . .", L"A2 D2 . .", L"A3 D3 . .", L"A4 D4 . ."}},
    {"multi-area whole rows", L"1:1,3:3", 0, false, {L"A2 B2 C2 D2", L"A4 B4 C4 D4", L". . . .", L". . . ."}},
    {"multi-area cells shift up", L"A1,C3", -4162, false, {L"A2 B1 C1 D1", L"A3 B2 C2 D2", L"A4 B3 C4 D3", L". B4 . D4"}},
};

}  // namespace

TEST_F(DeleteTest, ShiftsAndWholeRowsAndColumns) {
  for (const DeleteCase& c : kDeleteCases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    Ref range = RangeOf(c.range);
    if (c.viaEntireRow) range = GetObject(range.get(), L"EntireRow");
    // The library calls Delete with the property-get kind when it passes no Shift.
    Result deleted = c.shift ? Method(range.get(), L"Delete", {I2(c.shift, L"Shift")}) : Get(range.get(), L"Delete");
    ASSERT_EQ(deleted.hr, S_OK);
    EXPECT_EQ(Grid(), c.expected);
  }
}

TEST_F(DeleteTest, OverlappingOrMixedAreasAndBadShiftFailWith1004) {
  for (const wchar_t* address : {L"A1:B2,B2:C3", L"1:1,B:B"}) {
    Ref range = RangeOf(address);
    EXPECT_EQ(Get(range.get(), L"Delete").hr, DISP_E_EXCEPTION);
  }
  Ref cell = RangeOf(L"A1");
  EXPECT_EQ(Method(cell.get(), L"Delete", {I2(7, L"Shift")}).hr, DISP_E_EXCEPTION);
  EXPECT_EQ(Grid()[0], L"A1 B1 C1 D1");
}

TEST_F(DeleteTest, UsedRangeAndLastCellFollowDeletions) {
  Ref rows = RangeOf(L"3:4");
  ASSERT_EQ(Get(rows.get(), L"Delete").hr, S_OK);
  Ref used = GetObject(sheet_.get(), L"UsedRange");
  EXPECT_EQ(Get(used.get(), L"Address").Text(), L"$A$1:$D$2");
  Ref last = GetObject(used.get(), L"SpecialCells", {I2(11)});
  EXPECT_EQ(Get(last.get(), L"Address").Text(), L"$D$2");
}

}  // namespace sheetwright::test
