// Members of the object model as the library calls them, with their results
// and the HRESULTs a caller sees when a call does not fit.
#include "tests/server/server_fixture.h"

namespace sheetwright::test {

namespace {

// A call on a range given by address; `expected` is Describe() of the result
// or, for an object result, its relative address.
struct RangeCall {
  const char* name;
  const wchar_t* range;
  const wchar_t* member;
  WORD kind;
  std::vector<Arg> (*args)();
  HRESULT hr;
  const wchar_t* expected;
};

std::vector<Arg> None() { return {}; }

const RangeCall kRangeCalls[] = {
    {"Count of a block", L"B2:D5", L"Count", DISPATCH_PROPERTYGET, None, S_OK, L"I4:12"},
    {"Count sums areas", L"A1:B2,D4", L"Count", DISPATCH_PROPERTYGET, None, S_OK, L"I4:5"},
    {"Count beyond 32 bits fails", L"A:XFD", L"Count", DISPATCH_PROPERTYGET, None, DISP_E_EXCEPTION, nullptr},
    {"Item RowIndex I2 1", L"B2:D5", L"Item", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{I2(1, L"RowIndex")}; }, S_OK, L"B2"},
    {"Item RowIndex I8 rows*cols", L"B2:D5", L"Item", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{I8(12, L"RowIndex")}; }, S_OK, L"D5"},
    {"Item continues below", L"B2:D5", L"Item", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{I4(14)}; }, S_OK, L"C6"},
    {"Item row, column", L"B2:D5", L"Item", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{I4(2), I4(3)}; }, S_OK, L"D3"},
    {"Cells I2 1,1", L"B2:D5", L"Cells", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{I2(1), I2(1)}; }, S_OK, L"B2"},
    {"Cells letters column", L"B2:D5", L"Cells", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{I4(1), Str(L"B")}; }, S_OK, L"C2"},
    {"Offset named", L"B2", L"Offset", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{I4(1, L"RowOffset"), I4(-1, L"ColumnOffset")}; }, S_OK, L"A3"},
    {"Offset off the sheet", L"A1", L"Offset", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{I4(0, L"RowOffset"), I4(-1, L"ColumnOffset")}; }, DISP_E_EXCEPTION, nullptr},
    {"EntireRow", L"B2:C3", L"EntireRow", DISPATCH_PROPERTYGET, None, S_OK, L"2:3"},
    {"EntireColumn", L"B2:C3", L"EntireColumn", DISPATCH_PROPERTYGET, None, S_OK, L"B:C"},
    {"SpecialCells unnamed 11", L"A1", L"SpecialCells", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{I2(11)}; }, S_OK, L"E7"},
    {"SpecialCells named Type", L"A1", L"SpecialCells", DISPATCH_METHOD, [] { return std::vector<Arg>{I2(11, L"Type")}; }, S_OK, L"E7"},
    {"SpecialCells other type", L"A1", L"SpecialCells", DISPATCH_METHOD, [] { return std::vector<Arg>{I2(2, L"Type")}; }, DISP_E_EXCEPTION, nullptr},
    {"Row", L"C7", L"Row", DISPATCH_PROPERTYGET, None, S_OK, L"I4:7"},
    {"unknown named argument id", L"A1", L"Offset", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{I4(1, L"Nope")}; }, DISP_E_UNKNOWNNAME, nullptr},
    {"too many arguments", L"A1", L"Offset", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{I4(1), I4(1), I4(1)}; }, DISP_E_BADPARAMCOUNT, nullptr},
    {"argument of the wrong type", L"A1", L"Offset", DISPATCH_PROPERTYGET, [] { return std::vector<Arg>{Str(L"abc", L"RowOffset")}; }, DISP_E_TYPEMISMATCH, nullptr},
    {"method kind on a property", L"A1", L"Count", DISPATCH_METHOD, None, DISP_E_MEMBERNOTFOUND, nullptr},
    {"unknown member", L"A1", L"Frobnicate", DISPATCH_PROPERTYGET, None, DISP_E_UNKNOWNNAME, nullptr},
    {"member names ignore case", L"b2:c3", L"aDdReSs", DISPATCH_PROPERTYGET, None, S_OK, L"BSTR:$B$2:$C$3"},
};

}  // namespace

TEST_F(ServerTest, RangeMemberCalls) {
  SetValue(L"E7", L"last");
  SetValue(L"B3", L"x");
  for (const RangeCall& c : kRangeCalls) {
    SCOPED_TRACE(c.name);
    Ref range = RangeOf(c.range);
    Result result = Call(range.get(), c.member, c.kind, c.args());
    EXPECT_EQ(result.hr, c.hr);
    if (c.hr != S_OK || !c.expected) continue;
    if (result.value.vt == VT_DISPATCH) {
      Ref object(result.TakeObject());
      EXPECT_EQ(AddressOf(object.get()), c.expected);
    } else {
      EXPECT_EQ(Describe(result.value), c.expected);
    }
  }
}

TEST_F(ServerTest, TypeMismatchAndUnknownNamedArgumentNameTheArgument) {
  Ref cell = RangeOf(L"A1");
  Result mismatch = Get(cell.get(), L"Offset", {I4(1, L"ColumnOffset"), Str(L"abc", L"RowOffset")});
  EXPECT_EQ(mismatch.hr, DISP_E_TYPEMISMATCH);
  EXPECT_EQ(mismatch.argErr, 1u);
  // A named DISPID the member does not have (GetIDsOfNames bypassed).
  DISPID id = 0;
  LPOLESTR name = const_cast<LPOLESTR>(L"Offset");
  ASSERT_EQ(cell.get()->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  VARIANT arg;
  arg.vt = VT_I4;
  arg.lVal = 1;
  DISPID namedId = 7;
  DISPPARAMS params{&arg, &namedId, 1, 1};
  VARIANT result;
  VariantInit(&result);
  UINT argErr = 99;
  EXPECT_EQ(cell.get()->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, &result, nullptr, &argErr),
            DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(argErr, 0u);
  // Unknown names leave DISPID_UNKNOWN in their slot.
  LPOLESTR names[2] = {const_cast<LPOLESTR>(L"offset"), const_cast<LPOLESTR>(L"Sideways")};
  DISPID ids[2] = {0, 0};
  EXPECT_EQ(cell.get()->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], id);
  EXPECT_EQ(ids[1], DISPID_UNKNOWN);
  // Missing arguments (VT_ERROR / DISP_E_PARAMNOTFOUND) count as omitted.
  VARIANT missing;
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  DISPPARAMS omitted{&missing, nullptr, 1, 0};
  ASSERT_EQ(cell.get()->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &omitted, &result, nullptr, nullptr), S_OK);
  Ref same(result.pdispVal);
  EXPECT_EQ(AddressOf(same.get()), L"A1");
}

TEST_F(ServerTest, RowsAndColumnsCountAndIndexByRowOrColumn) {
  Ref block = RangeOf(L"B2:D5");
  Ref rows = GetObject(block.get(), L"Rows");
  EXPECT_EQ(Describe(Get(rows.get(), L"Count").value), L"I4:4");
  Ref second = GetObject(rows.get(), L"Item", {I4(2)});
  EXPECT_EQ(AddressOf(second.get()), L"B3:D3");
  Ref columns = GetObject(block.get(), L"Columns");
  EXPECT_EQ(Describe(Get(columns.get(), L"Count").value), L"I4:3");
  Ref third = GetObject(columns.get(), L"Item", {I4(3)});
  EXPECT_EQ(AddressOf(third.get()), L"D2:D5");
  Ref sheetRows = GetObject(sheet_.get(), L"Rows");
  EXPECT_EQ(Describe(Get(sheetRows.get(), L"Count").value), L"I4:1048576");
  Ref sheetColumns = GetObject(sheet_.get(), L"Columns");
  EXPECT_EQ(Describe(Get(sheetColumns.get(), L"Count").value), L"I4:16384");
  Ref rows35 = GetObject(sheet_.get(), L"Rows", {Str(L"3:5")});
  EXPECT_EQ(Get(rows35.get(), L"Address").Text(), L"$3:$5");
  Ref all = GetObject(sheet_.get(), L"Cells");
  EXPECT_EQ(Get(all.get(), L"Address").Text(), L"$1:$1048576");
}

TEST_F(ServerTest, WorksheetCellsTakesNamedOrPositionalIndexes) {
  Ref named = GetObject(sheet_.get(), L"Cells", {I4(4, L"RowIndex"), I4(2, L"ColumnIndex")});
  EXPECT_EQ(AddressOf(named.get()), L"B4");
  Ref positional = GetObject(sheet_.get(), L"Cells", {I4(4), I4(2)});
  EXPECT_EQ(AddressOf(positional.get()), L"B4");
  EXPECT_EQ(Get(sheet_.get(), L"Cells", {I4(0), I4(1)}).hr, DISP_E_EXCEPTION);
  EXPECT_EQ(Get(sheet_.get(), L"Cells", {I4(1048577), I4(1)}).hr, DISP_E_EXCEPTION);
}

TEST_F(ServerTest, SelectAndActiveCellFollowTheActiveSheet) {
  Ref block = RangeOf(L"C3:D4");
  ASSERT_EQ(Method(block.get(), L"Select").hr, S_OK);
  Ref active = GetObject(app_.get(), L"ActiveCell");
  EXPECT_EQ(AddressOf(active.get()), L"C3");
  // A workbook that is not active cannot select.
  Ref books = GetObject(app_.get(), L"Workbooks");
  Ref other(Method(books.get(), L"Add").TakeObject());
  Result select = Method(block.get(), L"Select");
  EXPECT_EQ(select.hr, DISP_E_EXCEPTION);
  EXPECT_EQ(select.description, L"Select method of Range class failed");
  ASSERT_EQ(Get(book_.get(), L"Activate").hr, S_OK);
  EXPECT_EQ(Method(block.get(), L"Select").hr, S_OK);
}

TEST_F(ServerTest, SheetsByNameOrIndexAndMissingSheets) {
  Ref byName = GetObject(book_.get(), L"Sheets", {Str(L"sHEET1")});
  EXPECT_EQ(Get(byName.get(), L"Name").Text(), L"Sheet1");
  Ref byIndex = GetObject(book_.get(), L"Worksheets", {I2(1)});
  EXPECT_EQ(Get(byIndex.get(), L"Name").Text(), L"Sheet1");
  std::vector<Result> missing;
  missing.push_back(Get(book_.get(), L"Sheets", {Str(L"Nope")}));
  missing.push_back(Get(book_.get(), L"Worksheets", {I2(2)}));
  missing.push_back(Get(book_.get(), L"Sheets", {I2(0)}));
  for (const Result& r : missing) {
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.description, L"Subscript out of range");
  }
  ASSERT_EQ(Get(byName.get(), L"Activate").hr, S_OK);
  EXPECT_EQ(Put(sheet_.get(), L"AutoFilterMode", Bool(false)).hr, S_OK);
  EXPECT_EQ(Put(sheet_.get(), L"AutoFilterMode", Bool(true)).hr, DISP_E_EXCEPTION);
  EXPECT_EQ(Put(app_.get(), L"Visible", I2(1)).hr, S_OK);
  EXPECT_EQ(Describe(Get(app_.get(), L"Visible").value), L"BOOL:1");
  EXPECT_EQ(Put(sheet_.get(), L"UsedRange", Bool(true)).hr, DISP_E_MEMBERNOTFOUND);
}

TEST_F(ServerTest, UnionMakesAMultiAreaRangeOfOneSheet) {
  Ref a1 = RangeOf(L"A1");
  Ref c3 = RangeOf(L"C3");
  Ref b2 = RangeOf(L"B2:B4");
  Ref joined = GetObject(app_.get(), L"Union", {Obj(a1.get(), L"Arg1"), Obj(c3.get(), L"Arg2"), Obj(b2.get(), L"Arg3")});
  EXPECT_EQ(Get(joined.get(), L"Address").Text(), L"$A$1,$C$3,$B$2:$B$4");
  EXPECT_EQ(Describe(Get(joined.get(), L"Count").value), L"I4:5");
  EXPECT_EQ(Get(app_.get(), L"Union", {Obj(a1.get(), L"Arg1")}).hr, DISP_E_PARAMNOTOPTIONAL);
  Ref books = GetObject(app_.get(), L"Workbooks");
  Ref other(Method(books.get(), L"Add").TakeObject());
  Ref otherSheet = GetObject(other.get(), L"ActiveSheet");
  Ref elsewhere = GetObject(otherSheet.get(), L"Range", {Str(L"A1")});
  EXPECT_EQ(Get(app_.get(), L"Union", {Obj(a1.get(), L"Arg1"), Obj(elsewhere.get(), L"Arg2")}).hr, DISP_E_EXCEPTION);
}

}  // namespace sheetwright::test
