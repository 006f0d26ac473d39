// Range and application primitives: the member each calls, its arguments, and
// that every object reference it takes is given back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/bridge/bridge_test_support.h"
#include "tests/bridge/fake_dispatch.h"

namespace bridge_test {
namespace {

std::wstring TextOf(VARIANT& value, ExcelBase& base) {
  std::wstring text = value.vt == VT_BSTR ? value.bstrVal : L"<not text>";
  base.ReleaseVariant(&value);
  return text;
}

// A block of `rows` x `columns` cells: Rows.Count and Columns.Count answer the
// sizes, Item answers `cell`, whose R1C1 address is `lastCell`.
struct Block {
  FakeDispatch range;
  FakeDispatch rows;
  FakeDispatch columns;
  FakeDispatch cell;

  Block(LONG rowCount, LONG columnCount, const std::wstring& lastCell) {
    range.On(L"Rows", ReturnsObject(&rows));
    range.On(L"Columns", ReturnsObject(&columns));
    range.On(L"Item", ReturnsObject(&cell));
    rows.On(L"Count", ReturnsLong(rowCount));
    columns.On(L"Count", ReturnsLong(columnCount));
    cell.On(L"Address", ReturnsText(lastCell));
  }
  bool AllReleased() const {
    return range.References() == 1 && rows.References() == 1 && columns.References() == 1 &&
           cell.References() == 1;
  }
};

TEST(RangePrimitivesTest, AddressesInEachForm) {
  FakeDispatch cell;
  cell.On(L"Address", [](const RecordedCall& call, VARIANT* result, EXCEPINFO*, UINT*) {
    result->vt = VT_BSTR;
    if (call.namedArguments.empty()) {
      result->bstrVal = SysAllocString(L"$B$3");
    } else if (call.namedArguments[0] == L"referencestyle") {
      result->bstrVal = SysAllocString(call.arguments[0].integer == -4150 ? L"R3C2" : L"?");
    } else {
      result->bstrVal = SysAllocString(L"B3");
    }
    return S_OK;
  });
  InspectableExcelBase base;
  VARIANT absolute = base.GetAddressFromDispatch(&cell, 1);
  EXPECT_EQ(TextOf(absolute, base), L"$B$3");
  VARIANT relative = base.GetAddressFromDispatch(&cell, 0);
  EXPECT_EQ(TextOf(relative, base), L"B3");
  VARIANT reference = base.GetReferenceAddressFromDispatch(&cell);
  EXPECT_EQ(TextOf(reference, base), L"R3C2");

  const RecordedCall& relativeCall = cell.Calls().at(1);
  EXPECT_EQ(relativeCall.namedArguments,
            (std::vector<std::wstring>{L"rowabsolute", L"columnabsolute"}));
  EXPECT_EQ(relativeCall.arguments.at(0).vt, VT_BOOL);
  EXPECT_EQ(relativeCall.arguments.at(0).integer, VARIANT_FALSE);
  EXPECT_EQ(relativeCall.arguments.at(1).integer, VARIANT_FALSE);
  EXPECT_EQ(cell.Calls().at(2).arguments.at(0).vt, VT_I2);
}

TEST(RangePrimitivesTest, LastItemOfABlockIsItsBottomRightCell) {
  Block block(4, 3, L"R5C4");  // B2:D5
  InspectableExcelBase base;
  VARIANT address = base.GetRangeLastItemPositionEx(&block.range);
  EXPECT_EQ(TextOf(address, base), L"R5C4");
  const RecordedCall& item = block.range.Calls().back();
  EXPECT_EQ(item.member, L"item");
  EXPECT_EQ(item.namedArguments, std::vector<std::wstring>{L"rowindex"});
  EXPECT_EQ(item.arguments.at(0).vt, VT_I8);
  EXPECT_EQ(item.arguments.at(0).integer, 12);
  EXPECT_TRUE(block.AllReleased());
}

TEST(RangePrimitivesTest, SingleCellNeedsOneRowAndOneColumn) {
  struct Case {
    const char* name;
    LONG rows;
    LONG columns;
    int expected;
  };
  const Case cases[] = {
      {"C7", 1, 1, 1},
      {"C7:C8", 2, 1, 0},
      {"C7:D7", 1, 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Block block(c.rows, c.columns, L"");
    InspectableExcelBase base;
    EXPECT_EQ(base.IsRangeContainSingleCell(&block.range), c.expected);
    int rows = -1;
    int columns = -1;
    EXPECT_EQ(base.GetRangeTotalRowsCoulms(&block.range, rows, columns), 1);
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(columns, c.columns);
    EXPECT_TRUE(block.AllReleased());
  }
}

TEST(RangePrimitivesTest, CountThatCannotBeReadIsZero) {
  FakeDispatch range;
  FakeDispatch rows;
  range.On(L"Rows", ReturnsObject(&rows));
  range.On(L"Columns", Fails(E_FAIL));
  rows.On(L"Count", Fails(E_FAIL));
  InspectableExcelBase base;
  int rowCount = -1;
  int columnCount = -1;
  EXPECT_EQ(base.GetRangeTotalRowsCoulms(&range, rowCount, columnCount), 1);
  EXPECT_EQ(rowCount, 0);
  EXPECT_EQ(columnCount, 0);
  EXPECT_EQ(rows.References(), 1u);
}

TEST(RangePrimitivesTest, NullInputMakesNoCallAndGivesEmpty) {
  InspectableExcelBase base;
  int rows = 0;
  int columns = 0;
  EXPECT_EQ(base.IsRangeContainSingleCell(nullptr), 0);
  EXPECT_EQ(base.GetRangeTotalRowsCoulms(nullptr, rows, columns), 0);
  EXPECT_EQ(base.DeleteDispatchRow(nullptr), 0);
  EXPECT_EQ(base.SelectRange(nullptr), 0);
  EXPECT_EQ(base.SetApplicationDisplayAlerts(nullptr, 1), 0);
  VARIANT out;
  EXPECT_EQ(base.GetRangeSafeArrayValue(nullptr, &out), 0);
  const VARIANT results[] = {
      base.GetReferenceAddressFromDispatch(nullptr),
      base.GetAddressFromDispatch(nullptr, 1),
      base.GetRangeRowsDispatcher(nullptr),
      base.GetRangeColumnDispatcher(nullptr),
      base.GetRangeCount(nullptr),
      base.GetRangeSpecificRowsDispatcher(nullptr, 1),
      base.GetRangeFirstItemPosition(nullptr),
      base.GetRangeSpecificItemPosition(nullptr, 1, 1),
      base.GetRangeLastItemPositionEx(nullptr),
      base.GetRangeLastItemPosition(nullptr),
      base.GetRangeOffSetDispatcher(nullptr, 1, 1),
      base.GetRangeArrayValue2(nullptr),
      base.PutRangeArrayValue2(nullptr, L"x"),
      base.GetEntireRow(nullptr),
      base.RunMacroMethod(nullptr, L"Macro1", {}),
      base.GetName(nullptr),
      base.GetApplication(nullptr),
  };
  for (const VARIANT& result : results) EXPECT_EQ(result.vt, VT_EMPTY);
  EXPECT_STREQ(base.ErrorMessageText(), L"");
}

TEST(RangePrimitivesTest, EachPrimitiveCallsItsMemberWithItsArguments) {
  struct Case {
    const char* name;
    const wchar_t* member;  // lower case, as the fake records it
    WORD kind;
    std::vector<std::wstring> named;
    std::vector<long long> integers;
    VARTYPE firstType;
  };
  const Case cases[] = {
      {"GetRangeFirstItemPosition", L"item", DISPATCH_PROPERTYGET, {L"rowindex"}, {1}, VT_I2},
      {"GetRangeLastItemPosition", L"specialcells", DISPATCH_METHOD, {L"type"}, {11}, VT_I2},
      {"GetRangeOffSetDispatcher", L"offset", DISPATCH_PROPERTYGET,
       {L"rowoffset", L"columnoffset"}, {2, -1}, VT_I4},
      {"GetRangeSafeArrayValue", L"value", DISPATCH_PROPERTYGET, {L"rangevaluedatatype"}, {10},
       VT_I2},
      {"GetRangeArrayValue2", L"value2", DISPATCH_PROPERTYGET, {}, {}, VT_EMPTY},
      {"GetRangeCount", L"count", DISPATCH_PROPERTYGET, {}, {}, VT_EMPTY},
      {"GetEntireRow", L"entirerow", DISPATCH_PROPERTYGET, {}, {}, VT_EMPTY},
      {"GetName", L"name", DISPATCH_PROPERTYGET, {}, {}, VT_EMPTY},
      {"GetApplication", L"application", DISPATCH_PROPERTYGET, {}, {}, VT_EMPTY},
      {"SelectRange", L"select", DISPATCH_METHOD, {}, {}, VT_EMPTY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDispatch range;
    FakeDispatch answer;
    for (const wchar_t* member : {L"Item", L"SpecialCells", L"Offset", L"Value", L"Value2",
                                  L"Count", L"EntireRow", L"Name", L"Application", L"Select"}) {
      range.On(member, ReturnsObject(&answer));
    }
    InspectableExcelBase base;
    const std::string name = c.name;
    VARIANT result;
    VariantInit(&result);
    if (name == "GetRangeFirstItemPosition") result = base.GetRangeFirstItemPosition(&range);
    if (name == "GetRangeLastItemPosition") result = base.GetRangeLastItemPosition(&range);
    if (name == "GetRangeOffSetDispatcher") result = base.GetRangeOffSetDispatcher(&range, 2, -1);
    if (name == "GetRangeSafeArrayValue") {
      EXPECT_EQ(base.GetRangeSafeArrayValue(&range, &result), 1);
    }
    if (name == "GetRangeArrayValue2") result = base.GetRangeArrayValue2(&range);
    if (name == "GetRangeCount") result = base.GetRangeCount(&range);
    if (name == "GetEntireRow") result = base.GetEntireRow(&range);
    if (name == "GetName") result = base.GetName(&range);
    if (name == "GetApplication") result = base.GetApplication(&range);
    if (name == "SelectRange") {
      EXPECT_EQ(base.SelectRange(&range), 1);
    }
    if (name != "SelectRange") {
      EXPECT_EQ(result.vt, VT_DISPATCH);
      EXPECT_EQ(result.pdispVal, &answer);
    }
    base.ReleaseVariant(&result);

    ASSERT_EQ(range.Calls().size(), 1u);
    const RecordedCall& call = range.Calls()[0];
    EXPECT_EQ(call.member, c.member);
    EXPECT_EQ(call.kind, c.kind);
    EXPECT_EQ(call.namedArguments, c.named);
    ASSERT_EQ(call.arguments.size(), c.integers.size());
    for (size_t i = 0; i < c.integers.size(); ++i) {
      EXPECT_EQ(call.arguments[i].vt, c.firstType);
      EXPECT_EQ(call.arguments[i].integer, c.integers[i]);
    }
    EXPECT_EQ(answer.References(), 1u);
    EXPECT_EQ(base.ArgumentCount(), 0);
  }
}

TEST(RangePrimitivesTest, ItemIndexThatOverflowsIsNotRequested) {
  FakeDispatch range;
  range.On(L"Item", ReturnsNothing());
  InspectableExcelBase base;
  VARIANT result = base.GetRangeSpecificItemPosition(&range, 1LL << 40, 1LL << 40);
  EXPECT_EQ(result.vt, VT_EMPTY);
  EXPECT_TRUE(range.Calls().empty());
}

TEST(RangePrimitivesTest, SpecificRowIsItemOfTheRows) {
  FakeDispatch range;
  FakeDispatch rows;
  FakeDispatch row;
  range.On(L"Rows", ReturnsObject(&rows));
  rows.On(L"Item", ReturnsObject(&row));
  InspectableExcelBase base;
  VARIANT result = base.GetRangeSpecificRowsDispatcher(&range, 3);
  EXPECT_EQ(result.pdispVal, &row);
  base.ReleaseVariant(&result);
  const RecordedCall& item = rows.Calls().at(0);
  EXPECT_TRUE(item.namedArguments.empty());
  EXPECT_EQ(item.arguments.at(0).vt, VT_I4);
  EXPECT_EQ(item.arguments.at(0).integer, 3);
  EXPECT_EQ(rows.References(), 1u);
  EXPECT_EQ(row.References(), 1u);
}

TEST(RangePrimitivesTest, DeleteDispatchRowDeletesTheEntireRow) {
  FakeDispatch range;
  FakeDispatch entireRow;
  range.On(L"EntireRow", ReturnsObject(&entireRow));
  entireRow.On(L"Delete", ReturnsNothing());
  InspectableExcelBase base;
  EXPECT_EQ(base.DeleteDispatchRow(&range), 1);
  const RecordedCall& deletion = entireRow.Calls().at(0);
  EXPECT_EQ(deletion.kind, DISPATCH_PROPERTYGET);
  EXPECT_EQ(deletion.argumentCount, 0u);
  EXPECT_EQ(entireRow.References(), 1u);

  FakeDispatch failing;
  FakeDispatch failingRow;
  failing.On(L"EntireRow", ReturnsObject(&failingRow));
  failingRow.On(L"Delete", RaisesException(1004, L"Delete method of Range class failed"));
  EXPECT_EQ(base.DeleteDispatchRow(&failing), 0);
  EXPECT_EQ(failingRow.References(), 1u);
}

TEST(RangePrimitivesTest, PutValue2AndDisplayAlertsArePuts) {
  FakeDispatch range;
  range.On(L"Value2", ReturnsNothing());
  FakeDispatch application;
  application.On(L"DisplayAlerts", ReturnsNothing());
  InspectableExcelBase base;
  VARIANT result = base.PutRangeArrayValue2(&range, L"=A1+1");
  EXPECT_EQ(result.vt, VT_EMPTY);
  EXPECT_EQ(base.SetApplicationDisplayAlerts(&application, 0), 1);

  const RecordedCall& put = range.Calls().at(0);
  EXPECT_EQ(put.kind, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(put.namedArguments, std::vector<std::wstring>{L"<put>"});
  EXPECT_EQ(put.arguments.at(0).text, L"=A1+1");
  const RecordedCall& alerts = application.Calls().at(0);
  EXPECT_EQ(alerts.kind, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(alerts.arguments.at(0).vt, VT_BOOL);
  EXPECT_EQ(alerts.arguments.at(0).integer, VARIANT_FALSE);
}

TEST(RunMacroMethodTest, MacroNameAndArgumentsAreNamedInOrder) {
  FakeDispatch application;
  application.On(L"Run", ReturnsText(L"done"));
  InspectableExcelBase base;
  VARIANT result = base.RunMacroMethod(&application, L"Book1!Greet", {L"one", L"two"});
  EXPECT_EQ(TextOf(result, base), L"done");
  const RecordedCall& call = application.Calls().at(0);
  EXPECT_EQ(call.kind, DISPATCH_METHOD);
  EXPECT_EQ(call.namedArguments, (std::vector<std::wstring>{L"macro", L"arg1", L"arg2"}));
  EXPECT_EQ(application.LastResolvedNames(),
            (std::vector<std::wstring>{L"Run", L"Macro", L"Arg1", L"Arg2"}));
  EXPECT_EQ(call.arguments.at(0).text, L"Book1!Greet");
  EXPECT_EQ(call.arguments.at(1).text, L"one");
  EXPECT_EQ(call.arguments.at(2).text, L"two");
}

TEST(RunMacroMethodTest, ThirtyFourArgumentsFitAndThirtyFiveAreRefused) {
  FakeDispatch application;
  application.On(L"Run", ReturnsNothing());
  InspectableExcelBase base;
  std::vector<std::wstring> arguments(34, L"v");
  VARIANT result = base.RunMacroMethod(&application, L"Many", arguments);
  ASSERT_EQ(application.Calls().size(), 1u);
  EXPECT_EQ(application.Calls()[0].argumentCount, 35u);
  EXPECT_EQ(application.LastResolvedNames().back(), L"Arg34");
  base.ReleaseVariant(&result);

  arguments.push_back(L"one too many");
  result = base.RunMacroMethod(&application, L"Many", arguments);
  EXPECT_EQ(result.vt, VT_EMPTY);
  EXPECT_EQ(application.Calls().size(), 1u);  // no second call
  EXPECT_STREQ(base.ErrorMessageText(),
               L"Run: Too many macro arguments (35); at most 34 are supported.");
}

TEST(RunMacroMethodTest, UnknownMacroFailsWithTheApplicationsMessage) {
  FakeDispatch application;
  application.On(L"Run", RaisesException(1004, L"Cannot run the macro 'Nope'."));
  InspectableExcelBase base;
  VARIANT result = base.RunMacroMethod(&application, L"Nope", {});
  EXPECT_EQ(result.vt, VT_EMPTY);
  EXPECT_STREQ(base.ErrorMessageText(), L"Run: Error 1004: Cannot run the macro 'Nope'.");
}

}  // namespace
}  // namespace bridge_test
