#include <gtest/gtest.h>

#include "tests/common/number_text_cases.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <cstdint>
#include <limits>
#include <string>

#include "counted_dispatch.h"
#include "platform/windows_api.h"

namespace {

VARIANT MakeR8(double value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_R8;
  v.dblVal = value;
  return v;
}

VARIANT MakeText(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}

// Converts to VT_BSTR; returns the text, or "<failed 0x...>".
std::wstring AsText(const VARIANT& source, USHORT flags = 0) {
  VARIANT result;
  VariantInit(&result);
  HRESULT hr = VariantChangeType(&result, &source, flags, VT_BSTR);
  if (FAILED(hr)) return L"<failed " + std::to_wstring(static_cast<uint32_t>(hr)) + L">";
  EXPECT_EQ(result.vt, VT_BSTR);
  std::wstring text(result.bstrVal, SysStringLen(result.bstrVal));
  VariantClear(&result);
  return text;
}

std::wstring Failed(HRESULT hr) { return L"<failed " + std::to_wstring(static_cast<uint32_t>(hr)) + L">"; }

TEST(VariantChangeTypeToText, DoubleUsesFifteenDigitsAndFixedFormWhileItFits) {
  for (const NumberTextCase& c : kNumberTextCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(AsText(MakeR8(c.value)), c.text);
  }
}

TEST(VariantChangeTypeToText, FloatUsesSevenDigits) {
  struct Case {
    float value;
    const wchar_t* text;
  } const kCases[] = {
      {1.5f, L"1.5"}, {0.1f, L"0.1"}, {3.14159265f, L"3.141593"}, {1e7f, L"1E+07"}, {1.5e-5f, L"0.000015"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R4;
    v.fltVal = c.value;
    EXPECT_EQ(AsText(v), c.text);
  }
}

TEST(VariantChangeTypeToText, BooleanIsMinusOneOrZeroUnlessAlphaBoolAsked) {
  struct Case {
    VARIANT_BOOL value;
    USHORT flags;
    const wchar_t* text;
  } const kCases[] = {
      {VARIANT_TRUE, 0, L"-1"},
      {VARIANT_FALSE, 0, L"0"},
      {VARIANT_TRUE, VARIANT_ALPHABOOL, L"True"},
      {VARIANT_FALSE, VARIANT_ALPHABOOL, L"False"},
      {VARIANT_TRUE, VARIANT_LOCALBOOL, L"True"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = c.value;
    EXPECT_EQ(AsText(v, c.flags), c.text);
  }
}

TEST(VariantChangeTypeToText, DateShowsDateTimeOrBothInUsForm) {
  struct Case {
    double value;
    std::wstring text;
  } const kCases[] = {
      {0.0, L"12:00:00 AM"},
      {0.25, L"6:00:00 AM"},
      {0.5, L"12:00:00 PM"},
      {0.75, L"6:00:00 PM"},
      {1.0, L"12/31/1899"},
      {365.0, L"12/30/1900"},
      {365.25, L"12/30/1900 6:00:00 AM"},
      {3.34, L"1/2/1900 8:09:36 AM"},
      {45000.0, L"3/15/2023"},
      {-1.25, L"12/29/1899 6:00:00 AM"},
      {-657434.0, L"1/1/100"},
      {2958465.0, L"12/31/9999"},
      {2958466.0, Failed(E_INVALIDARG)},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.value);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DATE;
    v.date = c.value;
    EXPECT_EQ(AsText(v), c.text);
  }
}

TEST(VariantChangeTypeToText, CurrencyDropsTrailingZeros) {
  struct Case {
    LONGLONG scaled;
    const wchar_t* text;
  } const kCases[] = {
      {10000, L"1"},
      {15000, L"1.5"},
      {-15000, L"-1.5"},
      {9, L"0.0009"},
      {0, L"0"},
      {INT64_MAX, L"922337203685477.5807"},
      {INT64_MIN, L"-922337203685477.5808"},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.text);
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_CY;
    v.cyVal.int64 = c.scaled;
    EXPECT_EQ(AsText(v), c.text);
  }
}

TEST(VariantChangeTypeToText, IntegersAndDecimalArePlainDigits) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = INT32_MIN;
  EXPECT_EQ(AsText(v), L"-2147483648");
  v.vt = VT_I2;
  v.iVal = -7;
  EXPECT_EQ(AsText(v), L"-7");
  v.vt = VT_UI1;
  v.bVal = 255;
  EXPECT_EQ(AsText(v), L"255");
  v.vt = VT_I8;
  v.llVal = INT64_MIN;
  EXPECT_EQ(AsText(v), L"-9223372036854775808");
  v.vt = VT_UI8;
  v.ullVal = UINT64_MAX;
  EXPECT_EQ(AsText(v), L"18446744073709551615");

  VARIANT d;
  VariantInit(&d);
  d.decVal = DECIMAL{};
  d.decVal.Lo64 = 123450;
  d.decVal.scale = 3;
  d.decVal.sign = DECIMAL_NEG;
  d.vt = VT_DECIMAL;
  EXPECT_EQ(AsText(d), L"-123.45");
}

TEST(VariantChangeTypeToText, EmptyGivesEmptyNonNullText) {
  VARIANT empty;
  VariantInit(&empty);
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(VariantChangeType(&result, &empty, 0, VT_BSTR), S_OK);
  ASSERT_EQ(result.vt, VT_BSTR);
  EXPECT_NE(result.bstrVal, nullptr);
  EXPECT_EQ(SysStringLen(result.bstrVal), 0u);
  VariantClear(&result);
}

TEST(VariantChangeTypeToText, NullErrorAndArraysFailAndLeaveTheDestinationAlone) {
  VARIANT null;
  VariantInit(&null);
  null.vt = VT_NULL;
  VARIANT error;
  VariantInit(&error);
  error.vt = VT_ERROR;
  error.scode = DISP_E_PARAMNOTFOUND;
  VARIANT array;
  VariantInit(&array);
  array.vt = VT_ARRAY | VT_VARIANT;
  array.parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);

  for (const VARIANT* source : {&null, &error, &array}) {
    SCOPED_TRACE(source->vt);
    VARIANT destination;
    VariantInit(&destination);
    destination.vt = VT_I4;
    destination.lVal = 7;
    EXPECT_EQ(VariantChangeType(&destination, source, 0, VT_BSTR), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(destination.vt, VT_I4);
    EXPECT_EQ(destination.lVal, 7);
  }
  VariantClear(&array);
}

TEST(VariantChangeTypeToText, ByteArrayBecomesItsRawBytes) {
  VARIANT array;
  VariantInit(&array);
  array.vt = VT_ARRAY | VT_UI1;
  array.parray = SafeArrayCreateVector(VT_UI1, 0, 8);
  std::memcpy(array.parray->pvData, "\x41\0\0\0\x42\0\0\0", 8);
  EXPECT_EQ(AsText(array), L"AB");
  VariantClear(&array);
}

TEST(VariantChangeTypeToText, ObjectIsReadThroughItsDefaultValue) {
  int live = 0;
  auto* object = new CountedDispatch(&live);
  VARIANT value = MakeR8(2.5);
  object->SetValue(value);
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_DISPATCH;
  source.pdispVal = object;
  EXPECT_EQ(AsText(source), L"2.5");
  EXPECT_EQ(object->invocations(), 1);
  EXPECT_EQ(AsText(source, VARIANT_NOVALUEPROP), Failed(DISP_E_TYPEMISMATCH));

  object->SetValueFailure(DISP_E_EXCEPTION);
  EXPECT_EQ(AsText(source), Failed(DISP_E_TYPEMISMATCH));

  VARIANT none;
  VariantInit(&none);
  none.vt = VT_DISPATCH;
  none.pdispVal = nullptr;
  EXPECT_EQ(AsText(none), Failed(DISP_E_TYPEMISMATCH));

  VariantClear(&source);
  EXPECT_EQ(live, 0);
}

TEST(VariantChangeTypeToText, ObjectWhoseValueIsItselfFailsInsteadOfRecursingForever) {
  int live = 0;
  auto* object = new CountedDispatch(&live);
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_DISPATCH;
  self.pdispVal = object;
  object->SetValue(self);  // the object now holds a reference on itself
  EXPECT_EQ(AsText(self), Failed(DISP_E_TYPEMISMATCH));
  VARIANT empty;
  VariantInit(&empty);
  object->SetValue(empty);  // breaks the cycle
  VariantClear(&self);
  EXPECT_EQ(live, 0);
}

TEST(VariantChangeType, DestinationMayBeTheSource) {
  VARIANT v = MakeR8(0.25);
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_BSTR), S_OK);
  EXPECT_STREQ(v.bstrVal, L"0.25");
  ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_R8), S_OK);
  EXPECT_EQ(v.vt, VT_R8);
  EXPECT_EQ(v.dblVal, 0.25);
}

TEST(VariantChangeType, ByReferenceSourceIsDereferenced) {
  double number = 4.5;
  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_R8 | VT_BYREF;
  reference.pdblVal = &number;
  EXPECT_EQ(AsText(reference), L"4.5");
}

struct NumericCase {
  const char* name;
  VARIANT source;
  VARTYPE target;
  HRESULT hr;
  double expected;  // read back as double when hr is S_OK
};

double ReadBack(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_UI4: return v.ulVal;
    case VT_I8: return static_cast<double>(v.llVal);
    case VT_UI8: return static_cast<double>(v.ullVal);
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_DATE: return v.date;
    case VT_CY: return static_cast<double>(v.cyVal.int64);
    case VT_BOOL: return v.boolVal;
    default: return std::nan("");
  }
}

VARIANT Make(VARTYPE vt, double value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  switch (vt) {
    case VT_I2: v.iVal = static_cast<SHORT>(value); break;
    case VT_I4: v.lVal = static_cast<LONG>(value); break;
    case VT_UI4: v.ulVal = static_cast<ULONG>(value); break;
    case VT_R4: v.fltVal = static_cast<float>(value); break;
    case VT_R8: v.dblVal = value; break;
    case VT_DATE: v.date = value; break;
    case VT_CY: v.cyVal.int64 = static_cast<LONGLONG>(value); break;
    case VT_BOOL: v.boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    default: break;
  }
  return v;
}

TEST(VariantChangeType, NumbersRoundHalfToEvenAndOverflowOutsideTheTargetRange) {
  VARIANT empty;
  VariantInit(&empty);
  const NumericCase kCases[] = {
      {"2.5 -> I4 rounds to even", Make(VT_R8, 2.5), VT_I4, S_OK, 2},
      {"3.5 -> I4 rounds to even", Make(VT_R8, 3.5), VT_I4, S_OK, 4},
      {"-2.5 -> I4", Make(VT_R8, -2.5), VT_I4, S_OK, -2},
      {"2.6 -> I2", Make(VT_R8, 2.6), VT_I2, S_OK, 3},
      {"I4 max + 0.4", Make(VT_R8, 2147483647.4), VT_I4, S_OK, 2147483647},
      {"I4 max + 1", Make(VT_R8, 2147483648.0), VT_I4, DISP_E_OVERFLOW, 0},
      {"NaN -> I4", Make(VT_R8, std::nan("")), VT_I4, DISP_E_OVERFLOW, 0},
      {"256 -> UI1", Make(VT_I4, 256), VT_UI1, DISP_E_OVERFLOW, 0},
      {"-1 -> UI1", Make(VT_I4, -1), VT_UI1, DISP_E_OVERFLOW, 0},
      {"-1 -> UI4", Make(VT_I4, -1), VT_UI4, DISP_E_OVERFLOW, 0},
      {"70000 -> I2", Make(VT_I4, 70000), VT_I2, DISP_E_OVERFLOW, 0},
      {"UI4 max -> I4", Make(VT_UI4, 4294967295.0), VT_I4, DISP_E_OVERFLOW, 0},
      {"true -> I2", Make(VT_BOOL, 1), VT_I2, S_OK, -1},
      {"true -> R8", Make(VT_BOOL, 1), VT_R8, S_OK, -1},
      {"empty -> I4", empty, VT_I4, S_OK, 0},
      {"I4 -> R4", Make(VT_I4, 3), VT_R4, S_OK, 3},
      {"1e39 -> R4", Make(VT_R8, 1e39), VT_R4, DISP_E_OVERFLOW, 0},
      {"R8 -> DATE", Make(VT_R8, 45000.5), VT_DATE, S_OK, 45000.5},
      {"3e6 -> DATE", Make(VT_R8, 3e6), VT_DATE, DISP_E_OVERFLOW, 0},
      {"1.23456 -> CY", Make(VT_R8, 1.23456), VT_CY, S_OK, 12346},
      {"1e16 -> CY", Make(VT_R8, 1e16), VT_CY, DISP_E_OVERFLOW, 0},
      {"I4 -> CY", Make(VT_I4, 7), VT_CY, S_OK, 70000},
      {"CY 2.5 -> I4", Make(VT_CY, 25000), VT_I4, S_OK, 2},
      {"CY 3.5 -> I4", Make(VT_CY, 35000), VT_I4, S_OK, 4},
      {"CY -> R8", Make(VT_CY, 15000), VT_R8, S_OK, 1.5},
      {"0.0 -> BOOL", Make(VT_R8, 0.0), VT_BOOL, S_OK, VARIANT_FALSE},
      {"0.1 -> BOOL", Make(VT_R8, 0.1), VT_BOOL, S_OK, VARIANT_TRUE},
  };
  for (const NumericCase& c : kCases) {
    SCOPED_TRACE(c.name);
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(VariantChangeType(&result, &c.source, 0, c.target), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(result.vt, c.target);
      EXPECT_EQ(ReadBack(result), c.expected);
    } else {
      EXPECT_EQ(result.vt, VT_EMPTY);
    }
  }
}

TEST(VariantChangeType, TextIsReadAsNumberBooleanOrDate) {
  const struct Case {
    const wchar_t* text;
    VARTYPE target;
    HRESULT hr;
    double expected;
  } kCases[] = {
      {L"42", VT_I4, S_OK, 42},
      {L"  1,234.5 ", VT_R8, S_OK, 1234.5},
      {L"-0.25", VT_R8, S_OK, -0.25},
      {L"(12)", VT_I4, S_OK, -12},
      {L"1.5E3", VT_R8, S_OK, 1500},
      {L"&HFF", VT_I4, S_OK, 255},
      {L"&O17", VT_I4, S_OK, 15},
      {L"2.5", VT_I4, S_OK, 2},
      {L"abc", VT_R8, DISP_E_TYPEMISMATCH, 0},
      {L"", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {L"12abc", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {L"1e400", VT_R8, DISP_E_OVERFLOW, 0},
      {L"99999999999", VT_I4, DISP_E_OVERFLOW, 0},
      {L"True", VT_BOOL, S_OK, VARIANT_TRUE},
      {L"false", VT_BOOL, S_OK, VARIANT_FALSE},
      {L"0", VT_BOOL, S_OK, VARIANT_FALSE},
      {L"2", VT_BOOL, S_OK, VARIANT_TRUE},
      {L"maybe", VT_BOOL, DISP_E_TYPEMISMATCH, 0},
      {L"3/15/2023", VT_DATE, S_OK, 45000},
      {L"2023-03-15 18:00", VT_DATE, S_OK, 45000.75},
      {L"6:00 PM", VT_DATE, S_OK, 0.75},
      {L"1/2/1900 8:09:36 AM", VT_DATE, S_OK, 3 + 29376.0 / 86400},
      {L"13/1/2023", VT_DATE, DISP_E_TYPEMISMATCH, 0},
      {L"2/30/2023", VT_DATE, DISP_E_TYPEMISMATCH, 0},
      {L"1.5", VT_CY, S_OK, 15000},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << std::string(c.text, c.text + std::wcslen(c.text)));
    VARIANT source = MakeText(c.text);
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(VariantChangeType(&result, &source, 0, c.target), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(result.vt, c.target);
      EXPECT_NEAR(ReadBack(result), c.expected, 1e-9);
    }
    VariantClear(&source);
    VariantClear(&result);
  }
}

TEST(VariantChangeType, LargeIntegerTextKeepsEveryDigit) {
  VARIANT source = MakeText(L"9223372036854775807");
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(VariantChangeType(&result, &source, 0, VT_I8), S_OK);
  EXPECT_EQ(result.llVal, INT64_MAX);
  VariantClear(&source);
  source = MakeText(L"18446744073709551615");
  ASSERT_EQ(VariantChangeType(&result, &source, 0, VT_UI8), S_OK);
  EXPECT_EQ(result.ullVal, UINT64_MAX);
  VariantClear(&source);
}

TEST(VariantChangeType, InterfacesConvertByQueryInterfaceOnly) {
  int live = 0;
  auto* object = new CountedDispatch(&live);
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_DISPATCH;
  source.pdispVal = object;
  VARIANT result;
  VariantInit(&result);
  ASSERT_EQ(VariantChangeType(&result, &source, 0, VT_UNKNOWN), S_OK);
  EXPECT_EQ(result.vt, VT_UNKNOWN);
  EXPECT_EQ(object->references(), 2u);
  VariantClear(&result);
  VariantClear(&source);
  EXPECT_EQ(live, 0);
}

TEST(VariantChangeType, InvalidTypesAreRefused) {
  VARIANT source = MakeR8(1);
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(VariantChangeType(&result, &source, 0, VT_LPWSTR), DISP_E_BADVARTYPE);
  source.vt = 15;
  EXPECT_EQ(VariantChangeType(&result, &source, 0, VT_BSTR), DISP_E_BADVARTYPE);
  EXPECT_EQ(result.vt, VT_EMPTY);
}

}  // namespace
