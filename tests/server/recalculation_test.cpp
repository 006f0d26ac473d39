// When formulas calculate: a write recalculates its dependents in
// dependency order; circular references, long chains, deep nesting and
// formulas the application refuses; the Calculate members; deletions.
#include <string>

#include "server/engine/calculation.h"
#include "server/engine/typed_input.h"
#include "server/engine/workbook.h"
#include "tests/server/server_fixture.h"

namespace sheetwright::test {

using engine::Calculation;
using engine::Cell;
using engine::CellType;
using engine::FormulaProblem;
using engine::Sheet;
using engine::Workbook;

namespace {

void Type(Workbook& book, Sheet& sheet, int32_t row, int32_t col, const std::wstring& text) {
  ASSERT_TRUE(engine::StoreTypedValue(book, sheet, row, col, engine::InterpretTypedText(text))) << "typing " << std::string(text.begin(), text.end());
}

double NumberAt(const Sheet& sheet, int32_t row, int32_t col) {
  const Cell* cell = sheet.Find(row, col);
  return cell && cell->type == CellType::Number ? cell->number : -999999;
}

}  // namespace

class RecalculationTest : public ServerTest {};

// A1 -> B1 -> C1 -> D1 with A1 read by each: every write leaves the graph
// consistent, whatever order the formulas were entered in.
TEST(Recalculation, DependentsFollowInDependencyOrder) {
  Workbook book;
  Sheet& sheet = book.AddWorksheet(L"S");
  // Entered out of order: D1 and C1 before what they read.
  Type(book, sheet, 1, 4, L"=SUM(A1:C1)");
  Type(book, sheet, 1, 3, L"=B1+A1");
  Type(book, sheet, 1, 2, L"=A1*2");
  Type(book, sheet, 1, 1, L"5");
  EXPECT_EQ(NumberAt(sheet, 1, 2), 10);
  EXPECT_EQ(NumberAt(sheet, 1, 3), 15);
  EXPECT_EQ(NumberAt(sheet, 1, 4), 30);
  // A formula rewritten: its old references no longer count.
  Type(book, sheet, 1, 2, L"=E1*3");
  Type(book, sheet, 1, 5, L"2");
  EXPECT_EQ(NumberAt(sheet, 1, 2), 6);
  EXPECT_EQ(NumberAt(sheet, 1, 3), 11);
  EXPECT_EQ(NumberAt(sheet, 1, 4), 22);
  Type(book, sheet, 1, 1, L"1");
  EXPECT_EQ(NumberAt(sheet, 1, 3), 7);
  EXPECT_EQ(NumberAt(sheet, 1, 4), 14);
  // A formula replaced by a value: its dependents read the value.
  Type(book, sheet, 1, 2, L"100");
  EXPECT_EQ(NumberAt(sheet, 1, 3), 101);
  EXPECT_EQ(NumberAt(sheet, 1, 4), 202);
  // Emptied: read as 0.
  Type(book, sheet, 1, 2, L"");
  EXPECT_EQ(NumberAt(sheet, 1, 4), 2);
}

TEST(Recalculation, OtherSheetsAndRangesAreFollowed) {
  Workbook book;
  Sheet& data = book.AddWorksheet(L"My Data");
  Sheet& summary = book.AddWorksheet(L"Summary");
  Type(book, summary, 1, 1, L"=SUM('My Data'!A:A)");
  Type(book, summary, 2, 1, L"=COUNTIF('my data'!A1:A100,\">1\")");
  Type(book, summary, 3, 1, L"=A1*2");
  Type(book, data, 50, 1, L"3");
  Type(book, data, 7, 1, L"1");
  EXPECT_EQ(NumberAt(summary, 1, 1), 4);
  EXPECT_EQ(NumberAt(summary, 2, 1), 1);
  EXPECT_EQ(NumberAt(summary, 3, 1), 8);
}

TEST(Recalculation, CircularReferencesGiveZeroAndNeverHang) {
  Workbook book;
  Sheet& sheet = book.AddWorksheet(L"S");
  Type(book, sheet, 1, 1, L"=A1+1");
  EXPECT_EQ(NumberAt(sheet, 1, 1), 0);
  Type(book, sheet, 2, 1, L"=B2+1");
  Type(book, sheet, 2, 2, L"=A2+1");
  EXPECT_EQ(NumberAt(sheet, 2, 1), 0);
  EXPECT_EQ(NumberAt(sheet, 2, 2), 0);
  // A long cycle through 10,000 cells (entered bottom up, so that each new
  // formula has no dependents yet), closed at the bottom.
  for (int32_t row = 9999; row >= 1; --row) Type(book, sheet, row, 3, L"=C" + std::to_wstring(row + 1) + L"+1");
  Type(book, sheet, 10000, 3, L"=C1+1");
  EXPECT_EQ(NumberAt(sheet, 5000, 3), 0);
  // The whole sheet summed from inside it.
  Type(book, sheet, 1, 5, L"=SUM(A:XFD)");
  EXPECT_EQ(NumberAt(sheet, 1, 5), 0);
  // Broken by a value: everything calculates again.
  Type(book, sheet, 10000, 3, L"7");
  EXPECT_EQ(NumberAt(sheet, 1, 3), 10006);
}

// 100,000 formulas each reading the one above, changed at the top: no
// recursion anywhere, so no stack overflow.
TEST(Recalculation, LongChainsCalculateWithoutRecursion) {
  Workbook book;
  Sheet& sheet = book.AddWorksheet(L"S");
  Type(book, sheet, 1, 1, L"1");
  for (int32_t row = 2; row <= 100000; ++row) Type(book, sheet, row, 1, L"=A" + std::to_wstring(row - 1) + L"+1");
  EXPECT_EQ(NumberAt(sheet, 100000, 1), 100000);
  Type(book, sheet, 1, 1, L"11");
  EXPECT_EQ(NumberAt(sheet, 100000, 1), 100010);
  // The formulas of the column share one program.
  EXPECT_EQ(book.calculation->ProgramCount(), 1u);
  EXPECT_EQ(book.FormulaText(sheet.Find(77, 1)->formula), L"A76+1");
}

TEST_F(RecalculationTest, FormulasTheApplicationRefusesAreErrors1004AndTheCellIsKept) {
  SetValue(L"A1", L"keep");
  std::wstring deep = L"=";
  for (int i = 0; i < 1000; ++i) deep += L"(";
  deep += L"1";
  for (int i = 0; i < 1000; ++i) deep += L")";
  std::wstring deepFunctions = L"=";
  for (int i = 0; i < 1000; ++i) deepFunctions += L"ABS(";
  deepFunctions += L"1";
  for (int i = 0; i < 1000; ++i) deepFunctions += L")";
  const std::wstring tooLong = L"=" + std::wstring(8192, L'1');  // 8,193 characters with the '='
  for (const std::wstring& formula : {deep, deepFunctions, tooLong, std::wstring(L"=1+*2"), std::wstring(L"=SUM(1,2"),
                                      std::wstring(L"=ROUND(1)"), std::wstring(L"=A1 ! B1"), std::wstring(L"={1,2;3}")}) {
    SCOPED_TRACE(std::string(formula.begin(), formula.begin() + std::min<size_t>(formula.size(), 20)));
    Ref cell = RangeOf(L"A1");
    Result put = Put(cell.get(), L"Formula", Str(formula));
    EXPECT_EQ(put.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(put.scode, SCODE(0x800A03EC));
    EXPECT_EQ(ValueOf(L"A1"), L"BSTR:keep");
  }
  // Nesting within the limit, and references past the edge.
  std::wstring nested = L"=";
  for (int i = 0; i < 64; ++i) nested += L"ABS(";
  nested += L"-2";
  for (int i = 0; i < 64; ++i) nested += L")";
  SetValue(L"B1", nested);
  EXPECT_EQ(ValueOf(L"B1"), L"R8:2");
  // Prefix operators are not nesting: 8,000 of them are one long formula.
  SetValue(L"C1", L"=" + std::wstring(8000, L'-') + L"3");
  EXPECT_EQ(ValueOf(L"C1"), L"R8:3");
  SetValue(L"XFD1048576", L"=XFD1048575+1");
  EXPECT_EQ(ValueOf(L"XFD1048576"), L"R8:1");
}

// Every prefix of some long formulas, and each with one character dropped:
// refused or calculated, never a crash.
TEST(Recalculation, TruncatedAndMangledFormulasAreRefusedOrCalculated) {
  Workbook book;
  Sheet& sheet = book.AddWorksheet(L"S");
  Sheet& other = book.AddWorksheet(L"My sheet");
  for (int32_t row = 1; row <= 5; ++row) {
    Type(book, sheet, row, 1, std::to_wstring(row));
    Type(book, other, row, 2, L"t" + std::to_wstring(row));
  }
  const std::wstring formulas[] = {
      L"=IF(AND(A1>0,'My sheet'!B2<>\"\"),SUMIFS(A1:A5,A1:A5,\">=2\")/COUNTIF(A:A,\"<>\"),-1)",
      L"=TEXT(DATE(2020,13,1)+TIME(1,2,3),\"yyyy-mm-dd hh:mm:ss\")&\" \"&TEXTJOIN(\",\",TRUE,{1,2;3,4})",
      L"=XLOOKUP(3,A1:A5,INDEX(A1:B5,0,1),\"none\",-1)+SUM(OFFSET(A1,1,0,2,1) A2:A9)%",
      L"=INDIRECT(\"'My sheet'!B\"&ROW())&MID(\"abc\",2,1)&-(-A1)^2",
  };
  size_t calculated = 0;
  for (const std::wstring& formula : formulas) {
    for (size_t length = 1; length <= formula.size(); ++length) {
      const std::wstring prefix = formula.substr(0, length);
      std::wstring dropped = formula;
      dropped.erase(length - 1, 1);
      for (const std::wstring& text : {prefix, dropped}) {
        engine::TypedValue value = engine::InterpretTypedText(text);
        if (engine::StoreTypedValue(book, sheet, 9, 3, value)) ++calculated;
        (void)book.FormulaText(sheet.Find(9, 3) ? sheet.Find(9, 3)->formula : 0);
      }
    }
    ASSERT_TRUE(engine::StoreTypedValue(book, sheet, 9, 3, engine::InterpretTypedText(formula)));
    EXPECT_NE(sheet.Find(9, 3)->type, CellType::Empty);
  }
  EXPECT_GT(calculated, 0u);
}

TEST_F(RecalculationTest, CalculateMembersAndVolatileFormulas) {
  SetValue(L"A1", L"=RAND()");
  SetValue(L"B1", L"=A1*0+1");
  const std::wstring first = ValueOf(L"A1", L"Value2");
  EXPECT_EQ(Method(app_.get(), L"Calculate").hr, S_OK);
  EXPECT_NE(ValueOf(L"A1", L"Value2"), first);
  EXPECT_EQ(Method(sheet_.get(), L"Calculate").hr, S_OK);
  Ref b1 = RangeOf(L"B1");
  EXPECT_EQ(Method(b1.get(), L"Calculate").hr, S_OK);
  EXPECT_EQ(Method(app_.get(), L"CalculateFull").hr, S_OK);
  EXPECT_EQ(ValueOf(L"B1"), L"R8:1");
  // Any write recalculates the volatile formulas.
  const std::wstring before = ValueOf(L"A1", L"Value2");
  SetValue(L"Z9", L"1");
  EXPECT_NE(ValueOf(L"A1", L"Value2"), before);
}

TEST_F(RecalculationTest, ABlockWrittenAtOnceIsRecalculatedOnceAfterward) {
  SetValue(L"B1", L"=SUM(A1:A3)*C1");
  SetValue(L"C1", L"1");
  SetValue(L"A1:A3", L"2");
  EXPECT_EQ(ValueOf(L"B1"), L"R8:6");
  // Formulas written into a block read each other's new values.
  SetValue(L"C1:C2", L"=A1+1");
  EXPECT_EQ(ValueOf(L"C2", L"Formula"), L"BSTR:=A1+1");
  EXPECT_EQ(ValueOf(L"B1"), L"R8:18");
}

TEST_F(RecalculationTest, DeletionsMoveReferencesAndCalculateAgain) {
  FillGrid({{L"1", L"=SUM(A1:A5)", L"=A3*10"}, {L"2"}, {L"3"}, {L"4"}, {L"5"}});
  EXPECT_EQ(ValueOf(L"B1"), L"R8:15");
  Ref row2 = GetObject(sheet_.get(), L"Rows", {I4(2)});
  ASSERT_EQ(Method(row2.get(), L"Delete").hr, S_OK);
  EXPECT_EQ(ValueOf(L"B1", L"Formula"), L"BSTR:=SUM(A1:A4)");
  EXPECT_EQ(ValueOf(L"B1"), L"R8:13");
  EXPECT_EQ(ValueOf(L"C1", L"Formula"), L"BSTR:=A2*10");
  EXPECT_EQ(ValueOf(L"C1"), L"R8:30");
  Ref row = GetObject(sheet_.get(), L"Rows", {I4(2)});
  ASSERT_EQ(Method(row.get(), L"Delete").hr, S_OK);
  EXPECT_EQ(ValueOf(L"C1", L"Formula"), L"BSTR:=#REF!*10");
  EXPECT_EQ(ValueOf(L"C1"), L"ERROR:2023");
  // A written value reaches the moved formulas.
  SetValue(L"A2", L"100");
  EXPECT_EQ(ValueOf(L"B1"), L"R8:106");
  // Cleared cells count as empty.
  Ref a1 = RangeOf(L"A1:A2");
  ASSERT_EQ(Method(a1.get(), L"ClearContents").hr, S_OK);
  EXPECT_EQ(ValueOf(L"B1"), L"R8:5");
}

}  // namespace sheetwright::test
