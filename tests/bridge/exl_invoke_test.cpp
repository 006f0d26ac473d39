// The late-bound call: resolve and invoke phases, the retry policy while the
// application rejects calls, DISPPARAMS layout, and the failure lines.
#include <gtest/gtest.h>

#include <string>

#include "tests/bridge/bridge_test_support.h"
#include "tests/bridge/fake_dispatch.h"

namespace bridge_test {
namespace {

constexpr HRESULT kBusy = static_cast<HRESULT>(0x800AC472u);

TEST(ExlInvokeTest, GetReturnsValueAndClearsListWhenAsked) {
  FakeDispatch range;
  range.On(L"Value", ReturnsDouble(2.5));
  InspectableExcelBase base;
  base.AddArgumentInt2(L"RangeValueDataType", 0, 10);
  VARIANT result;
  EXPECT_EQ(base.ExlInvoke(&range, L"Value", &result, DISPATCH_PROPERTYGET, 2), 1);
  EXPECT_EQ(result.vt, VT_R8);
  EXPECT_EQ(result.dblVal, 2.5);
  EXPECT_EQ(base.ArgumentCount(), 0);
  EXPECT_EQ(base.NamedArgumentCount(), 0);
  ASSERT_EQ(range.Calls().size(), 1u);
  EXPECT_EQ(range.Calls()[0].namedArguments, std::vector<std::wstring>{L"rangevaluedatatype"});
  EXPECT_EQ(range.LastResolvedNames(), (std::vector<std::wstring>{L"Value", L"RangeValueDataType"}));
  EXPECT_STREQ(base.ErrorMessageText(), L"");
}

TEST(ExlInvokeTest, ListIsKeptWithoutTheClearOption) {
  FakeDispatch range;
  range.On(L"Value", ReturnsNothing());
  InspectableExcelBase base;
  base.AddArgumentLong(nullptr, 0, 7);
  EXPECT_EQ(base.ExlInvoke(&range, L"Value", nullptr, DISPATCH_PROPERTYGET, 0), 1);
  EXPECT_EQ(base.ArgumentCount(), 1);
  base.ClearAllArgs();
}

TEST(ExlInvokeTest, PositionalArgumentsArePassedInTheOrderAdded) {
  // Callers add the last argument first: Cells(row 3, column 5) adds 5, then 3.
  FakeDispatch sheet;
  sheet.On(L"Cells", ReturnsNothing());
  InspectableExcelBase base;
  base.AddArgumentLong(nullptr, 0, 5);
  base.AddArgumentLong(nullptr, 0, 3);
  ASSERT_EQ(base.ExlInvoke(&sheet, L"Cells", nullptr, DISPATCH_PROPERTYGET, 2), 1);
  const RecordedCall& call = sheet.Calls().at(0);
  ASSERT_EQ(call.arguments.size(), 2u);
  EXPECT_EQ(call.arguments[0].integer, 5);
  EXPECT_EQ(call.arguments[1].integer, 3);
  EXPECT_TRUE(call.namedArguments.empty());
}

TEST(ExlInvokeTest, NamedArgumentsArePairedWithTheirNames) {
  FakeDispatch range;
  range.On(L"Offset", ReturnsNothing());
  InspectableExcelBase base;
  base.AddArgumentLong(L"RowOffset", 0, 2);
  base.AddArgumentLong(L"ColumnOffset", 0, -1);
  ASSERT_EQ(base.ExlInvoke(&range, L"Offset", nullptr, DISPATCH_PROPERTYGET, 2), 1);
  const RecordedCall& call = range.Calls().at(0);
  EXPECT_EQ(call.namedArguments, (std::vector<std::wstring>{L"rowoffset", L"columnoffset"}));
  EXPECT_EQ(call.arguments.at(0).integer, 2);
  EXPECT_EQ(call.arguments.at(1).integer, -1);
}

TEST(ExlInvokeTest, PutPassesOneNamedPropertyPutAndNoResult) {
  FakeDispatch range;
  range.On(L"Value2", ReturnsNothing());
  InspectableExcelBase base;
  base.AddArgumentOLEString(nullptr, 0, L"hello");
  VARIANT result;
  result.vt = VT_I4;
  result.lVal = 99;
  ASSERT_EQ(base.ExlInvoke(&range, L"Value2", &result, DISPATCH_PROPERTYPUT, 2), 1);
  EXPECT_EQ(result.vt, VT_EMPTY);
  const RecordedCall& call = range.Calls().at(0);
  EXPECT_EQ(call.kind, DISPATCH_PROPERTYPUT);
  EXPECT_FALSE(call.resultRequested);
  EXPECT_EQ(call.namedArguments, std::vector<std::wstring>{L"<put>"});
  ASSERT_EQ(call.arguments.size(), 1u);
  EXPECT_EQ(call.arguments[0].text, L"hello");
  // GetIDsOfNames saw only the member: the put is not a named argument there.
  EXPECT_EQ(range.LastResolvedNames(), std::vector<std::wstring>{L"Value2"});
}

TEST(ExlInvokeTest, PutWithoutValueIsRefusedBeforeTheCall) {
  FakeDispatch range;
  range.On(L"Value2", ReturnsNothing());
  InspectableExcelBase base;
  EXPECT_EQ(base.ExlInvoke(&range, L"Value2", nullptr, DISPATCH_PROPERTYPUT, 2), 0);
  EXPECT_TRUE(range.Calls().empty());
  EXPECT_STREQ(base.ErrorMessageText(), L"Value2: Incorrect number of arguments.");
}

TEST(ExlInvokeTest, UnknownMemberFailsInResolveWithoutInvokeAndKeepsTheList) {
  FakeDispatch range;
  InspectableExcelBase base;
  base.AddArgumentLong(nullptr, 0, 1);
  base.AddArgumentOLEString(nullptr, 0, L"kept");
  VARIANT result;
  EXPECT_EQ(base.ExlInvoke(&range, L"Vaule", &result, DISPATCH_PROPERTYGET, 2), 0);
  EXPECT_TRUE(range.Calls().empty());
  EXPECT_STREQ(base.ErrorMessageText(), L"Vaule: Unknown name or named argument.");
  EXPECT_EQ(base.ArgumentCount(), 2);
  base.ClearAllArgs();
}

TEST(ExlInvokeTest, NullTargetIsRefusedWithoutACrash) {
  InspectableExcelBase base;
  base.AddArgumentLong(nullptr, 0, 1);
  EXPECT_EQ(base.ExlInvoke(nullptr, L"Value", nullptr, DISPATCH_PROPERTYGET, 2), 0);
  EXPECT_STREQ(base.ErrorMessageText(), L"Value: Unknown error occured.");
  EXPECT_EQ(base.ArgumentCount(), 0);
}

TEST(ExlInvokeTest, RejectedThreeTimesThenAcceptedSucceedsAfterThreeWaits) {
  struct Case {
    const char* name;
    bool inResolve;
    HRESULT code;
  };
  const Case cases[] = {
      {"invoke rejected", false, RPC_E_CALL_REJECTED},
      {"invoke busy", false, kBusy},
      {"resolve rejected", true, RPC_E_CALL_REJECTED},
      {"resolve busy", true, kBusy},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SleepRecorder sleeps;
    FakeDispatch range;
    range.On(L"Value", ReturnsLong(4));
    if (c.inResolve) {
      range.RejectResolve(3, c.code);
    } else {
      range.RejectInvoke(3, c.code);
    }
    InspectableExcelBase base;
    base.AddArgumentInt2(L"RangeValueDataType", 0, 10);
    VARIANT result;
    EXPECT_EQ(base.ExlInvoke(&range, L"Value", &result, DISPATCH_PROPERTYGET, 2), 1);
    EXPECT_EQ(result.lVal, 4);
    // The accepted attempt still carries the argument list.
    const RecordedCall& accepted = range.Calls().back();
    EXPECT_EQ(accepted.namedArguments, std::vector<std::wstring>{L"rangevaluedatatype"});
    EXPECT_EQ(accepted.arguments.at(0).integer, 10);
    EXPECT_EQ(SleepRecorder::Count(), 3);
    EXPECT_EQ(SleepRecorder::TotalMilliseconds(), 6000u);
    // The retry lines are formatted in the error message text itself.
    EXPECT_STREQ(base.ErrorMessageText(), L"Retrying Excel call 3 times in 2000 milliseconds.");
  }
}

TEST(ExlInvokeTest, RetryWritesTwoLogLinesPerRejectedAttempt) {
  CapturedLog log;
  SleepRecorder sleeps;
  FakeDispatch range;
  range.On(L"Value", ReturnsLong(4));
  range.RejectResolve(1, RPC_E_CALL_REJECTED);
  range.RejectInvoke(2, kBusy);
  InspectableExcelBase base;
  VARIANT result;
  ASSERT_EQ(base.ExlInvoke(&range, L"Value", &result, DISPATCH_PROPERTYGET, 2), 1);
  const std::vector<std::wstring> expected = {
      L"ExlInvoke->GetIDsOfNames : Value: Application waits for user to finish editing.",
      L"ExlInvoke->GetIDsOfNames : Retrying Excel call 1 times in 2000 milliseconds.",
      L"ExlInvoke->Invoke : Value: Application waits for user to finish editing.",
      L"ExlInvoke->Invoke : Retrying Excel call 1 times in 2000 milliseconds.",
      L"ExlInvoke->Invoke : Value: Application waits for user to finish editing.",
      L"ExlInvoke->Invoke : Retrying Excel call 2 times in 2000 milliseconds.",
  };
  std::vector<std::wstring> lines = log.Lines();
  // Lines written by the log itself (its enabling line) come first.
  ASSERT_GE(lines.size(), expected.size());
  lines.erase(lines.begin(), lines.end() - expected.size());
  EXPECT_EQ(lines, expected);
}

TEST(ExlInvokeTest, RejectedTenTimesGivesUpAfterTenWaits) {
  struct Case {
    const char* name;
    bool inResolve;
    HRESULT code;
    const wchar_t* message;
    size_t invokes;
  };
  const Case cases[] = {
      {"invoke rejected", false, RPC_E_CALL_REJECTED,
       L"Value: Application waits for user to finish editing.", 10},
      {"invoke busy", false, kBusy, L"Value: Unknown error occured.", 10},
      {"resolve rejected", true, RPC_E_CALL_REJECTED,
       L"Value: Application waits for user to finish editing.", 0},
      {"resolve busy", true, kBusy, L"Value: Unknown error occured.", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SleepRecorder sleeps;
    FakeDispatch range;
    range.On(L"Value", ReturnsLong(4));
    if (c.inResolve) {
      range.RejectResolve(11, c.code);
    } else {
      range.RejectInvoke(11, c.code);
    }
    InspectableExcelBase base;
    VARIANT result;
    EXPECT_EQ(base.ExlInvoke(&range, L"Value", &result, DISPATCH_PROPERTYGET, 2), 0);
    EXPECT_EQ(result.vt, VT_EMPTY);
    EXPECT_EQ(SleepRecorder::Count(), 10);
    EXPECT_EQ(range.ResolveCalls(), c.inResolve ? 10 : 1);
    EXPECT_EQ(range.Calls().size(), c.invokes);
    EXPECT_STREQ(base.ErrorMessageText(), c.message);
  }
}

TEST(ExlInvokeTest, EveryFailureHasItsLine) {
  struct Case {
    const char* name;
    HRESULT hr;
    const wchar_t* message;
  };
  const Case cases[] = {
      {"call rejected (no retry left is simulated by a handler)", RPC_E_CALL_REJECTED,
       L"Find: Application waits for user to finish editing."},
      {"member not found", DISP_E_MEMBERNOTFOUND, L"Find: method or property not found."},
      {"parameter not found", DISP_E_PARAMNOTFOUND, L"Find: Argument not found, argument 3."},
      {"type mismatch", DISP_E_TYPEMISMATCH, L"Find: Type mismatch, argument 3."},
      {"unknown name", DISP_E_UNKNOWNNAME, L"Find: Unknown name or named argument."},
      {"no named arguments", DISP_E_NONAMEDARGS,
       L"Find: Object implementation does not support named arguments."},
      {"overflow", DISP_E_OVERFLOW, L"Find: Overflow while coercing argument values."},
      {"unknown locale", DISP_E_UNKNOWNLCID, L"Find: The locale ID is unknown."},
      {"bad parameter count", DISP_E_BADPARAMCOUNT, L"Find: Incorrect number of arguments."},
      {"parameter not optional", DISP_E_PARAMNOTOPTIONAL, L"Find: Missing a required parameter."},
      {"busy", kBusy, L"Find: Unknown error occured."},
      {"bad index", DISP_E_BADINDEX, L"Find: Unknown error occured."},
      {"generic failure", E_FAIL, L"Find: Unknown error occured."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDispatch range;
    InspectableExcelBase base;
    base.SetErrorCode(L"EXCEL_QUV_FIND_100");
    if (c.hr == RPC_E_CALL_REJECTED || c.hr == kBusy) {
      // A retry code reaches the failure line only after ten rejections.
      SleepRecorder sleeps;
      range.On(L"Find", ReturnsNothing());
      range.RejectInvoke(10, c.hr);
      EXPECT_EQ(base.ExlInvoke(&range, L"Find", nullptr, DISPATCH_METHOD, 2), 0);
    } else {
      range.On(L"Find", Fails(c.hr, 3));
      EXPECT_EQ(base.ExlInvoke(&range, L"Find", nullptr, DISPATCH_METHOD, 2), 0);
    }
    EXPECT_STREQ(base.ErrorMessageText(), c.message);
    EXPECT_STREQ(base.ErrorCodeText(), L"");
  }
}

TEST(ExlInvokeTest, FailureLogsTheCodeLineThenTheMessage) {
  CapturedLog log;
  FakeDispatch range;
  range.On(L"Select", Fails(DISP_E_MEMBERNOTFOUND));
  InspectableExcelBase base;
  ASSERT_EQ(base.ExlInvoke(&range, L"Select", nullptr, DISPATCH_METHOD, 2), 0);
  std::vector<std::wstring> lines = log.Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2], L"ExlInvoke : Select: Error code. 0x80020003");
  EXPECT_EQ(lines[lines.size() - 1], L"ExlInvoke : Select: method or property not found.");
}

TEST(ExlInvokeTest, ExceptionLineCarriesCodeAndDescription) {
  struct Case {
    const char* name;
    WORD code;
    const wchar_t* description;
    const wchar_t* message;
  };
  const Case cases[] = {
      {"with description", 1004, L"Unable to get the Find property of the Range class",
       L"Range: Error 1004: Unable to get the Find property of the Range class"},
      {"without description, code 0", 0, nullptr, L"Range: Error 0: "},
      {"largest code", 0xFFFF, L"x", L"Range: Error 65535: x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeDispatch sheet;
    sheet.On(L"Range", RaisesException(c.code, c.description));
    InspectableExcelBase base;
    base.AddArgumentOLEString(nullptr, 0, L"A0");
    VARIANT result;
    // The EXCEPINFO texts are freed after the line is written; a leak shows
    // under the sanitizer build.
    EXPECT_EQ(base.ExlInvoke(&sheet, L"Range", &result, DISPATCH_PROPERTYGET, 2), 0);
    EXPECT_STREQ(base.ErrorMessageText(), c.message);
    EXPECT_EQ(base.ArgumentCount(), 0);
  }
}

TEST(ExlInvokeTest, LongExceptionDescriptionIsCutToTheErrorText) {
  const std::wstring description(10000, L'd');
  FakeDispatch sheet;
  sheet.On(L"Range", RaisesException(1004, description.c_str()));
  InspectableExcelBase base;
  base.AddArgumentOLEString(nullptr, 0, L"A1");
  EXPECT_EQ(base.ExlInvoke(&sheet, L"Range", nullptr, DISPATCH_PROPERTYGET, 2), 0);
  const std::wstring message = base.ErrorMessageText();
  EXPECT_EQ(message.size(), static_cast<size_t>(ExcelBase::kErrorTextSize - 1));
  EXPECT_EQ(message.substr(0, 19), L"Range: Error 1004: ");
}

TEST(ExlInvokeTest, ArgumentListOverflowRefusesTheCall) {
  FakeDispatch application;
  application.On(L"Union", ReturnsNothing());
  InspectableExcelBase base;
  for (int i = 0; i < ExcelBase::kMaxArguments; ++i) {
    ASSERT_EQ(base.AddArgumentLong(nullptr, 0, i), 1);
  }
  EXPECT_EQ(base.AddArgumentLong(nullptr, 0, 35), 0);
  EXPECT_EQ(base.ArgumentCount(), ExcelBase::kMaxArguments);
  EXPECT_EQ(base.ExlInvoke(&application, L"Union", nullptr, DISPATCH_PROPERTYGET, 2), 0);
  EXPECT_TRUE(application.Calls().empty());
  EXPECT_STREQ(base.ErrorMessageText(), L"Union: Incorrect number of arguments.");
  EXPECT_EQ(base.ArgumentCount(), 0);
  // A cleared list accepts arguments and calls again.
  base.AddArgumentLong(nullptr, 0, 1);
  EXPECT_EQ(base.ExlInvoke(&application, L"Union", nullptr, DISPATCH_PROPERTYGET, 2), 1);
}

TEST(ExlInvokeTest, FullListReleasesADispatchItWasHanded) {
  FakeDispatch application;
  FakeDispatch cell;
  InspectableExcelBase base;
  for (int i = 0; i < ExcelBase::kMaxArguments; ++i) base.AddArgumentLong(nullptr, 0, i);
  cell.AddRef();  // the reference handed to the list
  EXPECT_EQ(base.AddArgumentDispatch(nullptr, 0, &cell), 0);
  EXPECT_EQ(cell.References(), 1u);
  base.ClearAllArgs();
}

TEST(ExlInvokeTest, ResetBaseErrorDataEmptiesBothTexts) {
  FakeDispatch range;
  range.On(L"Value", Fails(E_FAIL));
  InspectableExcelBase base;
  base.ExlInvoke(&range, L"Value", nullptr, DISPATCH_PROPERTYGET, 2);
  base.SetErrorCode(L"EXCEL_QUV_GET_SINGLE_CELL_101");
  base.ResetBaseErrorData();
  EXPECT_STREQ(base.ErrorMessageText(), L"");
  EXPECT_STREQ(base.ErrorCodeText(), L"");
}

}  // namespace
}  // namespace bridge_test
