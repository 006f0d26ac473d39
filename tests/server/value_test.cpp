// Value / Value2 put (typed-text interpretation) and get (scalars, arrays).
#include "tests/server/server_fixture.h"

namespace sheetwright::test {

namespace {

struct TypedCase {
  const wchar_t* typed;
  const wchar_t* value;   // Describe(Value)
  const wchar_t* value2;  // Describe(Value2)
  const wchar_t* text;    // Text (what the cell shows)
};

const TypedCase kTypedCases[] = {
    {L"12", L"R8:12", L"R8:12", L"12"},
    {L"-1.5", L"R8:-1.5", L"R8:-1.5", L"-1.5"},
    {L"1E3", L"R8:1000", L"R8:1000", L"1000"},
    {L"00123", L"R8:123", L"R8:123", L"123"},
    {L"1,000", L"R8:1000", L"R8:1000", L"1000"},
    {L" 42 ", L"R8:42", L"R8:42", L"42"},
    {L"1,00", L"BSTR:1,00", L"BSTR:1,00", L"1,00"},
    {L"50%", L"R8:0.5", L"R8:0.5", L"50%"},
    {L"TRUE", L"BOOL:1", L"BOOL:1", L"TRUE"},
    {L"false", L"BOOL:0", L"BOOL:0", L"FALSE"},
    {L"#N/A", L"ERROR:2042", L"ERROR:2042", L"#N/A"},
    {L"#DIV/0!", L"ERROR:2007", L"ERROR:2007", L"#DIV/0!"},
    {L"1/2/2020", L"DATE:43832", L"R8:43832", L"1/2/2020"},
    {L"2020-01-02", L"DATE:43832", L"R8:43832", L"1/2/2020"},
    {L"'00123", L"BSTR:00123", L"BSTR:00123", L"00123"},
    {L"'TRUE", L"BSTR:TRUE", L"BSTR:TRUE", L"TRUE"},
    {L"hello world", L"BSTR:hello world", L"BSTR:hello world", L"hello world"},
    // Calculated (A1 is empty); the cell keeps the date format an earlier case gave it.
    {L"=A1+1", L"DATE:2", L"R8:1", L"1/1/1900"},
    {L"", L"EMPTY", L"EMPTY", L""},
    {L"2/30/2020", L"BSTR:2/30/2020", L"BSTR:2/30/2020", L"2/30/2020"},
    {L"1E400", L"BSTR:1E400", L"BSTR:1E400", L"1E400"},
};

}  // namespace

TEST_F(ServerTest, TypedTextIsInterpretedAsTheApplicationReadsInput) {
  for (const TypedCase& c : kTypedCases) {
    SCOPED_TRACE(std::string("typed '") + std::string(c.typed, c.typed + wcslen(c.typed)) + "'");
    SetValue(L"C3", L"previous");
    SetValue(L"C3", c.typed);
    EXPECT_EQ(ValueOf(L"C3"), c.value);
    EXPECT_EQ(ValueOf(L"C3", L"Value2"), c.value2);
    Ref cell = RangeOf(L"C3");
    EXPECT_EQ(Get(cell.get(), L"Text").Text(), c.text);
  }
}

TEST_F(ServerTest, MalformedFormulaIsRejectedWithError1004AndCellKept) {
  SetValue(L"A1", L"keep");
  for (const wchar_t* formula : {L"=", L"=(1+2", L"=1+", L"=\"open"}) {
    SCOPED_TRACE(std::string(formula, formula + wcslen(formula)));
    Ref cell = RangeOf(L"A1");
    Result put = Put(cell.get(), L"Value", Str(formula));
    EXPECT_EQ(put.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(put.scode, SCODE(0x800A03EC));
    EXPECT_EQ(put.description, L"Unable to set the Value property of the Range class");
    EXPECT_EQ(ValueOf(L"A1"), L"BSTR:keep");
  }
}

TEST_F(ServerTest, ScalarPutFillsEveryCellOfEveryArea) {
  Ref areas = RangeOf(L"A1:B2,D4");
  ASSERT_EQ(Put(areas.get(), L"Value2", Str(L"7")).hr, S_OK);
  for (const wchar_t* cell : {L"A1", L"B1", L"A2", L"B2", L"D4"}) EXPECT_EQ(ValueOf(cell), L"R8:7");
  EXPECT_EQ(ValueOf(L"C3"), L"EMPTY");
}

TEST_F(ServerTest, ValueOfABlockIsAOneBasedTwoDimensionalArrayInRowColumnOrder) {
  FillGrid({{L"a", L"1"}, {L"TRUE", L""}, {L"#REF!", L"1/2/2020"}});
  Ref block = RangeOf(L"A1:B3");
  for (const wchar_t* member : {L"Value", L"Value2"}) {
    SCOPED_TRACE(std::string(member, member + wcslen(member)));
    Result value = member == std::wstring(L"Value") ? Get(block.get(), member, {I2(10, L"RangeValueDataType")})
                                                    : Get(block.get(), member);
    ASSERT_EQ(value.hr, S_OK);
    ASSERT_EQ(value.value.vt, VT_ARRAY | VT_VARIANT);
    SAFEARRAY* array = value.value.parray;
    ASSERT_EQ(SafeArrayGetDim(array), 2u);
    LONG lb = 0, ub = 0;
    SafeArrayGetLBound(array, 1, &lb);
    SafeArrayGetUBound(array, 1, &ub);
    EXPECT_EQ(lb, 1);
    EXPECT_EQ(ub, 3);
    SafeArrayGetLBound(array, 2, &lb);
    SafeArrayGetUBound(array, 2, &ub);
    EXPECT_EQ(lb, 1);
    EXPECT_EQ(ub, 2);
    const bool asValue = member == std::wstring(L"Value");
    const std::vector<std::vector<std::wstring>> expected = {
        {L"BSTR:a", L"R8:1"}, {L"BOOL:1", L"EMPTY"}, {L"ERROR:2023", asValue ? L"DATE:43832" : L"R8:43832"}};
    for (LONG r = 1; r <= 3; ++r) {
      for (LONG c = 1; c <= 2; ++c) {
        LONG index[2] = {r, c};
        VARIANT element;
        VariantInit(&element);
        ASSERT_EQ(SafeArrayGetElement(array, index, &element), S_OK);
        EXPECT_EQ(Describe(element), expected[size_t(r - 1)][size_t(c - 1)]) << "row " << r << " col " << c;
        VariantClear(&element);
      }
    }
  }
}

TEST_F(ServerTest, ValueOfAMultiAreaRangeIsItsFirstArea) {
  SetValue(L"A1", L"first");
  SetValue(L"C3", L"second");
  Ref areas = RangeOf(L"A1,C3");
  EXPECT_EQ(Describe(Get(areas.get(), L"Value").value), L"BSTR:first");
}

TEST_F(ServerTest, ArrayPutFillsTheBlockAndPadsWithNA) {
  SAFEARRAYBOUND bounds[2] = {{2, 1}, {2, 1}};
  SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
  const wchar_t* texts[2][2] = {{L"1", L"x"}, {L"TRUE", L"50%"}};
  for (LONG r = 1; r <= 2; ++r)
    for (LONG c = 1; c <= 2; ++c) {
      LONG index[2] = {r, c};
      VARIANT v;
      v.vt = VT_BSTR;
      v.bstrVal = SysAllocString(texts[r - 1][c - 1]);
      SafeArrayPutElement(array, index, &v);
      VariantClear(&v);
    }
  Arg value{nullptr, {}};
  value.value.vt = VT_ARRAY | VT_VARIANT;
  value.value.parray = array;
  Ref block = RangeOf(L"B2:D3");
  ASSERT_EQ(Put(block.get(), L"Value", value).hr, S_OK);
  EXPECT_EQ(ValueOf(L"B2"), L"R8:1");
  EXPECT_EQ(ValueOf(L"C2"), L"BSTR:x");
  EXPECT_EQ(ValueOf(L"B3"), L"BOOL:1");
  EXPECT_EQ(ValueOf(L"C3"), L"R8:0.5");
  EXPECT_EQ(ValueOf(L"D2"), L"ERROR:2042");
}

TEST_F(ServerTest, NonTextPutsKeepTheirTypes) {
  Ref cell = RangeOf(L"A1");
  ASSERT_EQ(Put(cell.get(), L"Value", I4(5)).hr, S_OK);
  EXPECT_EQ(ValueOf(L"A1"), L"R8:5");
  ASSERT_EQ(Put(cell.get(), L"Value", Bool(true)).hr, S_OK);
  EXPECT_EQ(ValueOf(L"A1"), L"BOOL:1");
  Arg date{nullptr, {}};
  date.value.vt = VT_DATE;
  date.value.date = 43832.5;
  ASSERT_EQ(Put(cell.get(), L"Value", date).hr, S_OK);
  EXPECT_EQ(ValueOf(L"A1"), L"DATE:43832.5");
  EXPECT_EQ(ValueOf(L"A1", L"Value2"), L"R8:43832.5");
  // A currency amount gives the cell a currency format: Value answers a
  // currency again, Value2 the double.
  Arg amount{nullptr, {}};
  amount.value.vt = VT_CY;
  amount.value.cyVal.int64 = 12345678;
  ASSERT_EQ(Put(cell.get(), L"Value", amount).hr, S_OK);
  EXPECT_EQ(ValueOf(L"A1"), L"CY:12345678");
  EXPECT_EQ(ValueOf(L"A1", L"Value2"), L"R8:1234.5678");
}

}  // namespace sheetwright::test
