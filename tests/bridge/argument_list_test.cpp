// The argument list (adders, ownership, clearing) and VARIANT release.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/bridge/bridge_test_support.h"
#include "tests/bridge/fake_dispatch.h"

namespace bridge_test {
namespace {

std::wstring ElementText(SAFEARRAY* array, LONG index) {
  VARIANT element;
  VariantInit(&element);
  if (FAILED(SafeArrayGetElement(array, &index, &element))) return L"<missing>";
  std::wstring text = element.vt == VT_BSTR ? element.bstrVal : L"<not text>";
  VariantClear(&element);
  return text;
}

TEST(ArgumentListTest, ScalarAddersStoreTypeAndValue) {
  InspectableExcelBase base;
  ASSERT_EQ(base.AddArgumentEmpty(nullptr, 0), 1);
  ASSERT_EQ(base.AddArgumentInt2(nullptr, 0, 0x12345), 1);
  ASSERT_EQ(base.AddArgumentInt2(nullptr, 0, -4150), 1);
  ASSERT_EQ(base.AddArgumentLong(nullptr, 0, -7), 1);
  ASSERT_EQ(base.AddArgumentLong64(nullptr, 0, 17179869184LL), 1);
  ASSERT_EQ(base.AddArgumentBool(nullptr, 0, 5), 1);
  ASSERT_EQ(base.AddArgumentBool(nullptr, 0, 0), 1);
  ASSERT_EQ(base.AddArgumentBool(nullptr, 0, -1), 1);
  ASSERT_EQ(base.AddArgumentDouble(nullptr, 0, 2.5), 1);
  ASSERT_EQ(base.AddArgumentOLEString(nullptr, 0, L"B3"), 1);
  ASSERT_EQ(base.ArgumentCount(), 10);
  EXPECT_EQ(base.NamedArgumentCount(), 0);

  EXPECT_EQ(base.Argument(0).vt, VT_EMPTY);
  EXPECT_EQ(base.Argument(1).vt, VT_I2);
  EXPECT_EQ(base.Argument(1).iVal, 0x2345);  // the low 16 bits
  EXPECT_EQ(base.Argument(2).iVal, -4150);
  EXPECT_EQ(base.Argument(3).vt, VT_I4);
  EXPECT_EQ(base.Argument(3).lVal, -7);
  EXPECT_EQ(base.Argument(4).vt, VT_I8);
  EXPECT_EQ(base.Argument(4).llVal, 17179869184LL);
  EXPECT_EQ(base.Argument(5).vt, VT_BOOL);
  EXPECT_EQ(base.Argument(5).boolVal, VARIANT_TRUE);  // any non-zero value is true (-1)
  EXPECT_EQ(base.Argument(6).boolVal, VARIANT_FALSE);
  EXPECT_EQ(base.Argument(7).boolVal, VARIANT_TRUE);
  EXPECT_EQ(base.Argument(8).vt, VT_R8);
  EXPECT_EQ(base.Argument(8).dblVal, 2.5);
  EXPECT_EQ(base.Argument(9).vt, VT_BSTR);
  EXPECT_STREQ(base.Argument(9).bstrVal, L"B3");
  base.ClearAllArgs();
  EXPECT_EQ(base.ArgumentCount(), 0);
}

TEST(ArgumentListTest, NamedArgumentsAreCountedAndKeepTheCallersNames) {
  InspectableExcelBase base;
  const wchar_t* what = L"What";
  base.AddArgumentOLEString(what, 0, L"needle");
  base.AddArgumentInt2(L"LookIn", 0, -4163);
  EXPECT_EQ(base.NamedArgumentCount(), 2);
  EXPECT_EQ(base.ArgumentName(0), what);  // the pointer itself, not a copy
  EXPECT_STREQ(base.ArgumentName(1), L"LookIn");
  base.ClearAllArgs();
  EXPECT_EQ(base.NamedArgumentCount(), 0);
}

TEST(ArgumentListTest, StringWithoutCopyIsNotAdded) {
  InspectableExcelBase base;
  EXPECT_EQ(base.AddArgumentOLEString(L"What", 0, nullptr), 0);
  EXPECT_EQ(base.ArgumentCount(), 0);
  EXPECT_EQ(base.NamedArgumentCount(), 0);
}

TEST(ArgumentListTest, StringArraysHoldOneTextPerElementFromIndexZero) {
  InspectableExcelBase base;
  ASSERT_EQ(base.AddArgumentStringArray(nullptr, 0, {L"a", L"", L"ccc"}), 1);
  const wchar_t* texts[] = {L"x", L"y"};
  ASSERT_EQ(base.AddArgumentCStringArray(nullptr, 0, texts, 2), 1);
  ASSERT_EQ(base.AddArgumentStringArray(nullptr, 0, {}), 1);

  const VARIANT& first = base.Argument(0);
  EXPECT_EQ(first.vt, VT_ARRAY | VT_VARIANT);
  LONG lower = -1;
  LONG upper = -1;
  SafeArrayGetLBound(first.parray, 1, &lower);
  SafeArrayGetUBound(first.parray, 1, &upper);
  EXPECT_EQ(lower, 0);
  EXPECT_EQ(upper, 2);
  EXPECT_EQ(ElementText(first.parray, 0), L"a");
  EXPECT_EQ(ElementText(first.parray, 1), L"");
  EXPECT_EQ(ElementText(first.parray, 2), L"ccc");
  EXPECT_EQ(ElementText(base.Argument(1).parray, 1), L"y");
  base.ClearAllArgs();  // frees the arrays and their texts (checked by the sanitizer build)
}

TEST(ArgumentListTest, CStringArrayWithANullTextAddsNothing) {
  InspectableExcelBase base;
  const wchar_t* texts[] = {L"x", nullptr, L"z"};
  EXPECT_EQ(base.AddArgumentCStringArray(L"Values", 0, texts, 3), 0);
  EXPECT_EQ(base.ArgumentCount(), 0);
  EXPECT_EQ(base.NamedArgumentCount(), 0);
}

TEST(ArgumentListTest, CommonAdderPreparesAnEntryWithoutCountingIt) {
  InspectableExcelBase base;
  ASSERT_EQ(base.AddArgumentCommon(L"Type", 0x0001, VT_I2), 1);
  EXPECT_EQ(base.ArgumentCount(), 0);
  EXPECT_EQ(base.NamedArgumentCount(), 1);
  EXPECT_EQ(base.Argument(0).vt, VT_I2);
  EXPECT_EQ(base.ArgumentFlags(0), 0x0001);
}

TEST(ArgumentListTest, ClearingReleasesOwnedDispatchAndForgetsBorrowedOne) {
  FakeDispatch owned;
  FakeDispatch borrowed;
  InspectableExcelBase base;
  owned.AddRef();  // handed over to the list
  base.AddArgumentDispatch(L"Arg1", 0, &owned);
  base.AddArgumentDispatch(L"Arg2", ExcelBase::kArgumentBorrowed, &borrowed);
  EXPECT_EQ(owned.References(), 2u);
  base.ClearAllArgs();
  EXPECT_EQ(owned.References(), 1u);
  EXPECT_EQ(borrowed.References(), 1u);
  EXPECT_EQ(base.Argument(1).vt, VT_EMPTY);
}

TEST(ArgumentListTest, DestructionReleasesWhatTheListStillOwns) {
  FakeDispatch owned;
  {
    InspectableExcelBase base;
    owned.AddRef();
    base.AddArgumentDispatch(nullptr, 0, &owned);
    base.AddArgumentOLEString(nullptr, 0, L"freed by the destructor");
  }
  EXPECT_EQ(owned.References(), 1u);
}

TEST(ReleaseVariantTest, ArrayOfVariantReleasesEveryElementOfEveryDimension) {
  FakeDispatch cell;
  SAFEARRAYBOUND bounds[2] = {{3, 1}, {2, 1}};  // 3 rows, 2 columns, from 1
  SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
  ASSERT_NE(array, nullptr);
  for (LONG row = 1; row <= 3; ++row) {
    for (LONG column = 1; column <= 2; ++column) {
      LONG index[2] = {row, column};
      VARIANT* element = nullptr;
      ASSERT_EQ(SafeArrayPtrOfIndex(array, index, reinterpret_cast<void**>(&element)), S_OK);
      if (column == 1) {
        cell.AddRef();
        element->vt = VT_DISPATCH;
        element->pdispVal = &cell;
      } else {
        element->vt = VT_BSTR;
        element->bstrVal = SysAllocString(L"text");
      }
    }
  }
  ASSERT_EQ(cell.References(), 4u);
  VARIANT value;
  value.vt = VT_ARRAY | VT_VARIANT;
  value.parray = array;
  InspectableExcelBase base;
  base.ReleaseVariant(&value);
  EXPECT_EQ(cell.References(), 1u);  // three element references released once each
  EXPECT_EQ(value.vt, VT_EMPTY);
  EXPECT_EQ(value.parray, nullptr);
}

TEST(ReleaseVariantTest, NestedArraysAreReleasedRecursively) {
  FakeDispatch cell;
  SAFEARRAY* inner = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  SAFEARRAY* outer = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  LONG index = 0;
  VARIANT* element = nullptr;
  SafeArrayPtrOfIndex(inner, &index, reinterpret_cast<void**>(&element));
  cell.AddRef();
  element->vt = VT_DISPATCH;
  element->pdispVal = &cell;
  SafeArrayPtrOfIndex(outer, &index, reinterpret_cast<void**>(&element));
  element->vt = VT_ARRAY | VT_VARIANT;
  element->parray = inner;
  VARIANT value;
  value.vt = VT_ARRAY | VT_VARIANT;
  value.parray = outer;
  InspectableExcelBase base;
  base.ReleaseVariant(&value);
  EXPECT_EQ(cell.References(), 1u);
}

TEST(ReleaseVariantTest, NonVariantArrayIsDestroyedAndLogged) {
  CapturedLog log;
  SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 4);
  VARIANT value;
  value.vt = VT_ARRAY | VT_I4;
  value.parray = array;
  InspectableExcelBase base;
  base.ReleaseVariant(&value);
  EXPECT_EQ(value.vt, VT_EMPTY);
  std::vector<std::wstring> lines = log.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), L"ReleaseVariant : ReleaseVariant: Array contains non-variant type");
}

TEST(ReleaseVariantTest, EachKindIsReleasedOrForgotten) {
  FakeDispatch object;
  InspectableExcelBase base;
  VARIANT value;

  object.AddRef();
  value.vt = VT_DISPATCH;
  value.pdispVal = &object;
  base.ReleaseVariant(&value);
  EXPECT_EQ(object.References(), 1u);
  EXPECT_EQ(value.vt, VT_EMPTY);

  object.AddRef();
  value.vt = VT_UNKNOWN;
  value.punkVal = &object;
  base.ReleaseVariant(&value);
  EXPECT_EQ(object.References(), 1u);

  IDispatch* pointer = &object;
  value.vt = VT_BYREF | VT_DISPATCH;
  value.ppdispVal = &pointer;
  base.ReleaseVariant(&value);  // by reference: only forgotten
  EXPECT_EQ(object.References(), 1u);
  EXPECT_EQ(value.vt, VT_EMPTY);

  value.vt = VT_DISPATCH;
  value.pdispVal = nullptr;
  base.ReleaseVariant(&value);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(L"freed");
  base.ReleaseVariant(&value);
  EXPECT_EQ(value.bstrVal, nullptr);
  value.vt = VT_ARRAY | VT_VARIANT;
  value.parray = nullptr;
  base.ReleaseVariant(&value);
  base.ReleaseVariant(nullptr);
}

TEST(ReleaseVariantTest, ClearVariantForgetsWithoutReleasing) {
  FakeDispatch object;
  VARIANT value;
  value.vt = VT_DISPATCH;
  value.pdispVal = &object;
  InspectableExcelBase base;
  base.ClearVariant(&value);
  EXPECT_EQ(value.vt, VT_EMPTY);
  EXPECT_EQ(object.References(), 1u);
}

}  // namespace
}  // namespace bridge_test
