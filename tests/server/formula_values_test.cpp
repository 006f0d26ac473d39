// Formulas and their values as the application documents them: operators
// and their precedence, coercions and empty cells, error values, references
// (ranges, whole rows and columns, other sheets, intersections, unions) and
// the worksheet functions, each written into a cell through Value and read
// back through Value2.
#include <cmath>

#include "tests/server/server_fixture.h"

namespace sheetwright::test {

namespace {

struct Expected {
  VARTYPE type;
  double number = 0;
  const wchar_t* text = L"";
};
Expected N(double n) { return {VT_R8, n}; }
Expected S(const wchar_t* t) { return {VT_BSTR, 0, t}; }
Expected B(bool b) { return {VT_BOOL, b ? 1.0 : 0.0}; }
Expected E(int code) { return {VT_ERROR, double(code)}; }
constexpr int kNull = 2000, kDiv0 = 2007, kValue = 2015, kRef = 2023, kName = 2029, kNum = 2036, kNA = 2042;

struct FormulaCase {
  const wchar_t* formula;
  Expected expected;
};

// The sheet the formulas read (typed as a user types it).
//        A          B      C                        D      E  F
//   1    10         20     abc                      TRUE      '5
//   2    2.5        -3     Hello World              #N/A
//   3    1/2/2020   0      "  lots   of  spaces "
//   4    apple      1
//   5    banana     2
//   6    cherry     3
//   7    1          10
//   8    2          20
//   9    3          30
//  10    4          40
const std::vector<std::vector<std::wstring>> kGrid = {
    {L"10", L"20", L"abc", L"TRUE", L"", L"'5"},
    {L"2.5", L"-3", L"Hello World", L"#N/A"},
    {L"1/2/2020", L"0", L"  lots   of  spaces "},
    {L"apple", L"1"},
    {L"banana", L"2"},
    {L"cherry", L"3"},
    {L"1", L"10"},
    {L"2", L"20"},
    {L"3", L"30"},
    {L"4", L"40"},
};

// Every formula is written into H20.
const FormulaCase kCases[] = {
    // Operators, precedence, coercions.
    {L"=1+2*3", N(7)},
    {L"=(1+2)*3", N(9)},
    {L"=-2^2", N(4)},
    {L"=2^3^2", N(64)},
    {L"=10%", N(0.1)},
    {L"=50%*A1", N(5)},
    {L"=A1/B3", E(kDiv0)},
    {L"=0^0", E(kNum)},
    {L"=A1&B1", S(L"1020")},
    {L"=\"a\"&TRUE&A2", S(L"aTRUE2.5")},
    {L"=1=1", B(true)},
    {L"=\"abc\"=\"ABC\"", B(true)},
    {L"=\"a\"<\"b\"", B(true)},
    {L"=1<\"a\"", B(true)},
    {L"=TRUE>1", B(true)},
    {L"=E1=0", B(true)},
    {L"=E1=\"\"", B(true)},
    {L"=E1+1", N(1)},
    {L"=E1", N(0)},
    {L"=C1+1", E(kValue)},
    {L"=F1+1", N(6)},
    {L"=\"1/2/2020\"+0", N(43832)},
    {L"=D1+1", N(2)},
    {L"=D2+1", E(kNA)},
    {L"=#DIV/0!", E(kDiv0)},
    {L"=FOO(1)", E(kName)},
    {L"=undefinedname", E(kName)},
    // References.
    {L"=A1:A2 B1:B2", E(kNull)},
    {L"=SUM(A1:B2 B1:B3)", N(17)},
    {L"=SUM((A1,B1))", N(30)},
    {L"=Sheet1!A1*2", N(20)},
    {L"='Sheet1'!B1", N(20)},
    {L"=Missing!A1", E(kRef)},
    {L"=SUM(A:A)", N(43854.5)},
    {L"=SUM(1:1)", N(30)},
    {L"=SUM(A7:A8:A10)", N(10)},
    // Math.
    {L"=SUM(A1:B2)", N(29.5)},
    {L"=SUM(1,\"2\",TRUE)", N(4)},
    {L"=SUM(\"x\")", E(kValue)},
    {L"=SUM(C1:D2)", E(kNA)},
    {L"=SUM({1,2;3,4})", N(10)},
    {L"=SUMPRODUCT(A7:A10,B7:B10)", N(300)},
    {L"=SUMPRODUCT((A7:A10>2)*B7:B10)", N(70)},
    {L"=SUMPRODUCT(A7:A10,B7:B9)", E(kValue)},
    {L"=ROUND(2.675,2)", N(2.68)},
    {L"=ROUND(-2.5,0)", N(-3)},
    {L"=ROUND(1234.5,-2)", N(1200)},
    {L"=ROUNDUP(3.2,0)", N(4)},
    {L"=ROUNDUP(-3.2,0)", N(-4)},
    {L"=ROUNDDOWN(-3.7,0)", N(-3)},
    {L"=INT(-3.5)", N(-4)},
    {L"=MOD(-3,2)", N(1)},
    {L"=MOD(3,-2)", N(-1)},
    {L"=MOD(1,0)", E(kDiv0)},
    {L"=ABS(-2)", N(2)},
    {L"=POWER(2,10)", N(1024)},
    {L"=SQRT(16)", N(4)},
    {L"=SQRT(-1)", E(kNum)},
    // Statistics and conditions.
    {L"=COUNT(A1:D3)", N(6)},
    {L"=COUNT(1,\"2\",\"x\",TRUE)", N(3)},
    {L"=COUNTA(A1:D3)", N(11)},
    {L"=COUNTBLANK(E1:E5)", N(5)},
    {L"=COUNTIF(A4:A6,\"b*\")", N(1)},
    {L"=COUNTIF(A7:A10,\">2\")", N(2)},
    {L"=COUNTIF(A1:A10,\"APPLE\")", N(1)},
    {L"=COUNTIF(E1:E4,\"\")", N(4)},
    {L"=COUNTIF(A7:A10,\"<>2\")", N(3)},
    {L"=COUNTIFS(A7:A10,\">1\",B7:B10,\"<40\")", N(2)},
    {L"=SUMIF(A7:A10,\">=3\",B7:B10)", N(70)},
    {L"=SUMIF(A7:A10,3)", N(3)},
    {L"=SUMIFS(B7:B10,A7:A10,\"<>2\")", N(80)},
    {L"=SUMIFS(B7:B10,A7:A10,\">1\",A7:A9,\"<4\")", E(kValue)},
    {L"=AVERAGE(A7:A10)", N(2.5)},
    {L"=AVERAGEIF(A7:A10,\">2\",B7:B10)", N(35)},
    {L"=AVERAGE(E1:E3)", E(kDiv0)},
    {L"=MIN(A7:A10,-1)", N(-1)},
    {L"=MAX(A7:A10)", N(4)},
    {L"=MAX(E1:E3)", N(0)},
    {L"=MEDIAN(1,5,2,8)", N(3.5)},
    {L"=MEDIAN(E1:E2)", E(kNum)},
    // Logical and information.
    {L"=IF(A1>5,\"big\",\"small\")", S(L"big")},
    {L"=IF(FALSE,1)", B(false)},
    {L"=IF(\"x\",1,2)", E(kValue)},
    {L"=IFERROR(1/0,\"x\")", S(L"x")},
    {L"=IFERROR(A1,\"x\")", N(10)},
    {L"=IFNA(D2,\"none\")", S(L"none")},
    {L"=IFNA(1/0,1)", E(kDiv0)},
    {L"=AND(TRUE,1)", B(true)},
    {L"=OR(FALSE,0)", B(false)},
    {L"=AND(C1:C2)", E(kValue)},
    {L"=OR(A7:A10>3)", B(true)},
    {L"=NOT(0)", B(true)},
    {L"=ISBLANK(E1)", B(true)},
    {L"=ISBLANK(C1)", B(false)},
    {L"=ISNUMBER(F1)", B(false)},
    {L"=ISNUMBER(A3)", B(true)},
    {L"=ISTEXT(C1)", B(true)},
    {L"=ISERROR(D2)", B(true)},
    {L"=ISNA(1/0)", B(false)},
    // Text.
    {L"=CONCATENATE(\"a\",1,TRUE)", S(L"a1TRUE")},
    {L"=CONCAT(A7:A9)", S(L"123")},
    {L"=TEXTJOIN(\"-\",TRUE,A7:A9,E1,\"x\")", S(L"1-2-3-x")},
    {L"=TEXTJOIN(\"-\",FALSE,A7:A8,E1)", S(L"1-2-")},
    {L"=LEFT(C2,5)", S(L"Hello")},
    {L"=RIGHT(C2)", S(L"d")},
    {L"=MID(C2,7,3)", S(L"Wor")},
    {L"=MID(C2,0,3)", E(kValue)},
    {L"=LEN(C2)", N(11)},
    {L"=LEN(A2)", N(3)},
    {L"=TRIM(C3)", S(L"lots of spaces")},
    {L"=UPPER(C1)", S(L"ABC")},
    {L"=LOWER(\"ABC\")", S(L"abc")},
    {L"=PROPER(\"hello wORLD o'neil\")", S(L"Hello World O'Neil")},
    {L"=SUBSTITUTE(\"a-b-c\",\"-\",\"+\")", S(L"a+b+c")},
    {L"=SUBSTITUTE(\"a-b-c\",\"-\",\"+\",2)", S(L"a-b+c")},
    {L"=REPLACE(\"abcdef\",2,3,\"X\")", S(L"aXef")},
    {L"=FIND(\"o\",C2)", N(5)},
    {L"=FIND(\"O\",C2)", E(kValue)},
    {L"=SEARCH(\"w*d\",C2)", N(7)},
    {L"=SEARCH(\"O\",C2,6)", N(8)},
    {L"=VALUE(\"1,000\")", N(1000)},
    {L"=VALUE(\"abc\")", E(kValue)},
    {L"=TEXT(1234.567,\"#,##0.00\")", S(L"1,234.57")},
    {L"=TEXT(0.256,\"0.0%\")", S(L"25.6%")},
    {L"=TEXT(A3,\"yyyy-mm-dd\")", S(L"2020-01-02")},
    {L"=TEXT(A3,\"mmm d, yyyy\")", S(L"Jan 2, 2020")},
    {L"=TEXT(A3,\"dddd\")", S(L"Thursday")},
    {L"=TEXT(0.75,\"h:mm AM/PM\")", S(L"6:00 PM")},
    {L"=TEXT(0.5+1/1440,\"hh:mm:ss\")", S(L"12:01:00")},
    {L"=TEXT(5,\"000\")", S(L"005")},
    {L"=TEXT(-5,\"0;(0)\")", S(L"(5)")},
    {L"=TEXT(1234567,\"0.00E+00\")", S(L"1.23E+06")},
    {L"=TEXT(12.5,\"$#,##0.00\")", S(L"$12.50")},
    // Dates.
    {L"=DATE(2020,1,2)", N(43832)},
    {L"=DATE(2020,13,1)", N(44197)},
    {L"=DATE(2020,3,0)", N(43890)},
    {L"=DATE(-1,1,1)", E(kNum)},
    {L"=TIME(12,0,0)", N(0.5)},
    {L"=YEAR(A3)", N(2020)},
    {L"=MONTH(A3)", N(1)},
    {L"=DAY(A3)", N(2)},
    {L"=DAY(60)", N(29)},
    {L"=MONTH(61)", N(3)},
    {L"=HOUR(0.75)", N(18)},
    {L"=MINUTE(0.5+1/1440)", N(1)},
    {L"=SECOND(30/86400)", N(30)},
    {L"=YEAR(-1)", E(kNum)},
    {L"=WEEKDAY(A3)", N(5)},
    {L"=WEEKDAY(A3,2)", N(4)},
    {L"=WEEKDAY(A3,3)", N(3)},
    {L"=EOMONTH(A3,1)", N(43890)},
    {L"=EOMONTH(A3,-1)", N(43830)},
    {L"=EDATE(DATE(2020,1,31),1)", N(43890)},
    {L"=YEAR(TODAY())>2000", B(true)},
    {L"=NOW()>=TODAY()", B(true)},
    // Lookup and reference.
    {L"=VLOOKUP(\"banana\",A4:B6,2,FALSE)", N(2)},
    {L"=VLOOKUP(\"BAN*\",A4:B6,2,FALSE)", N(2)},
    {L"=VLOOKUP(\"kiwi\",A4:B6,2,FALSE)", E(kNA)},
    {L"=VLOOKUP(2.5,A7:B10,2)", N(20)},
    {L"=VLOOKUP(0,A7:B10,2)", E(kNA)},
    {L"=VLOOKUP(\"apple\",A4:B6,3,FALSE)", E(kRef)},
    {L"=HLOOKUP(20,A1:B2,2,FALSE)", N(-3)},
    {L"=INDEX(B7:B10,3)", N(30)},
    {L"=INDEX(A4:B6,2,1)", S(L"banana")},
    {L"=INDEX(B7:B10,5)", E(kRef)},
    {L"=SUM(INDEX(A7:B10,0,2))", N(100)},
    {L"=SUM(B7:INDEX(B7:B10,2))", N(30)},
    {L"=MATCH(\"cherry\",A4:A6,0)", N(3)},
    {L"=MATCH(3.5,A7:A10)", N(3)},
    {L"=MATCH(5,A7:A10,0)", E(kNA)},
    {L"=XLOOKUP(\"cherry\",A4:A6,B4:B6)", N(3)},
    {L"=XLOOKUP(\"kiwi\",A4:A6,B4:B6,\"none\")", S(L"none")},
    {L"=XLOOKUP(2.5,A7:A10,B7:B10,,-1)", N(20)},
    {L"=XLOOKUP(2.5,A7:A10,B7:B10,,1)", N(30)},
    {L"=XLOOKUP(9,A7:A10,B7:B10)", E(kNA)},
    {L"=CHOOSE(2,\"a\",\"b\",\"c\")", S(L"b")},
    {L"=CHOOSE(4,\"a\",\"b\",\"c\")", E(kValue)},
    {L"=ROW()", N(20)},
    {L"=COLUMN()", N(8)},
    {L"=ROW(B7)", N(7)},
    {L"=ROWS(A1:B5)", N(5)},
    {L"=COLUMNS(A1:C1)", N(3)},
    {L"=SUM(OFFSET(A7,1,1,2,1))", N(50)},
    {L"=OFFSET(A1,-1,0)", E(kRef)},
    {L"=INDIRECT(\"B\"&\"1\")", N(20)},
    {L"=INDIRECT(\"Sheet1!A1\")", N(10)},
    {L"=INDIRECT(\"R1C2\",FALSE)", N(20)},
    {L"=INDIRECT(\"nowhere!A1\")", E(kRef)},
    // Nesting.
    {L"=IF(AND(A1>5,B1<30),ROUND(A2*2,0),\"no\")", N(5)},
    {L"=_xlfn.CONCAT(\"a\",\"b\")", S(L"ab")},
};

std::wstring Show(const Expected& e) {
  switch (e.type) {
    case VT_R8: return L"R8:" + std::to_wstring(e.number);
    case VT_BSTR: return std::wstring(L"BSTR:") + e.text;
    case VT_BOOL: return e.number ? L"BOOL:1" : L"BOOL:0";
    default: return L"ERROR:" + std::to_wstring(int(e.number));
  }
}

}  // namespace

class FormulaValuesTest : public ServerTest {};

TEST_F(FormulaValuesTest, FormulasGiveTheValuesTheApplicationDocuments) {
  FillGrid(kGrid);
  Ref target = RangeOf(L"H20");
  for (const FormulaCase& c : kCases) {
    SCOPED_TRACE(std::string(c.formula, c.formula + wcslen(c.formula)));
    ASSERT_EQ(Put(target.get(), L"Value", Str(c.formula)).hr, S_OK);
    Result got = Get(target.get(), L"Value2");
    ASSERT_EQ(got.hr, S_OK);
    const VARIANT& v = got.value;
    if (c.expected.type == VT_R8 && v.vt == VT_R8) {
      EXPECT_NEAR(v.dblVal, c.expected.number, 1e-9 * std::max(1.0, std::fabs(c.expected.number)));
    } else {
      EXPECT_EQ(Describe(v), Show(c.expected));
    }
    EXPECT_EQ(ValueOf(L"H20", L"Formula"), std::wstring(L"BSTR:") + c.formula);
  }
}

}  // namespace sheetwright::test
