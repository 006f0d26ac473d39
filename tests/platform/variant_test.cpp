#include <gtest/gtest.h>

#include "counted_dispatch.h"
#include "platform/windows_api.h"

namespace {

TEST(Variant, LayoutMatchesWindowsX64) {
  EXPECT_EQ(sizeof(VARIANT), 24u);
  VARIANT v;
  EXPECT_EQ(reinterpret_cast<char*>(&v.lVal) - reinterpret_cast<char*>(&v), 8);
  EXPECT_EQ(sizeof(LONG), 4u);
  EXPECT_EQ(sizeof(CY), 8u);
  EXPECT_EQ(sizeof(DECIMAL), 16u);
}

TEST(Variant, ClearReleasesWhatTheVariantOwns) {
  int live = 0;
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = new CountedDispatch(&live);
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_EQ(live, 0);

  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(L"freed by clear");
  EXPECT_EQ(VariantClear(&v), S_OK);  // the sanitizer build reports a leak otherwise

  v.vt = VT_ARRAY | VT_BSTR;
  v.parray = SafeArrayCreateVector(VT_BSTR, 0, 2);
  LONG index = 1;
  BSTR element = SysAllocString(L"element");
  SafeArrayPutElement(v.parray, &index, element);
  SysFreeString(element);
  EXPECT_EQ(VariantClear(&v), S_OK);
}

TEST(Variant, ClearLeavesByReferenceTargetsAlone) {
  BSTR text = SysAllocString(L"owned by the caller");
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR | VT_BYREF;
  v.pbstrVal = &text;
  EXPECT_EQ(VariantClear(&v), S_OK);
  EXPECT_EQ(v.vt, VT_EMPTY);
  EXPECT_STREQ(text, L"owned by the caller");
  SysFreeString(text);
}

TEST(Variant, ClearRefusesInvalidTypesAndLockedArrays) {
  struct Case {
    const char* name;
    VARTYPE vt;
  } const kInvalid[] = {
      {"VT_EMPTY|VT_BYREF", VT_EMPTY | VT_BYREF},
      {"plain VT_VARIANT", VT_VARIANT},
      {"VT_VECTOR", VT_VECTOR | VT_I4},
      {"unassigned 15", 15},
      {"VT_LPWSTR", VT_LPWSTR},
  };
  for (const Case& c : kInvalid) {
    SCOPED_TRACE(c.name);
    VARIANT v;
    VariantInit(&v);
    v.vt = c.vt;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
    EXPECT_EQ(v.vt, c.vt);
  }

  VARIANT locked;
  VariantInit(&locked);
  locked.vt = VT_ARRAY | VT_I4;
  locked.parray = SafeArrayCreateVector(VT_I4, 0, 1);
  SafeArrayLock(locked.parray);
  EXPECT_EQ(VariantClear(&locked), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(locked.vt, VT_ARRAY | VT_I4);
  SafeArrayUnlock(locked.parray);
  EXPECT_EQ(VariantClear(&locked), S_OK);
}

TEST(Variant, CopyIsDeepForTextAndArraysAndAddRefsInterfaces) {
  VARIANT source;
  VariantInit(&source);
  source.vt = VT_BSTR;
  source.bstrVal = SysAllocString(L"text");
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
  EXPECT_NE(copy.bstrVal, source.bstrVal);
  EXPECT_STREQ(copy.bstrVal, L"text");
  VariantClear(&source);
  EXPECT_STREQ(copy.bstrVal, L"text");

  int live = 0;
  auto* object = new CountedDispatch(&live);
  source.vt = VT_DISPATCH;
  source.pdispVal = object;
  ASSERT_EQ(VariantCopy(&copy, &source), S_OK);  // frees the earlier text copy
  EXPECT_EQ(object->references(), 2u);
  VariantClear(&source);
  EXPECT_EQ(live, 1);
  VariantClear(&copy);
  EXPECT_EQ(live, 0);

  source.vt = VT_ARRAY | VT_I4;
  source.parray = SafeArrayCreateVector(VT_I4, 1, 3);
  ASSERT_EQ(VariantCopy(&copy, &source), S_OK);
  EXPECT_NE(copy.parray, source.parray);
  LONG upper = 0;
  SafeArrayGetUBound(copy.parray, 1, &upper);
  EXPECT_EQ(upper, 3);
  VariantClear(&source);
  VariantClear(&copy);
}

TEST(Variant, CopyOntoItselfKeepsTheValue) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(L"same");
  EXPECT_EQ(VariantCopy(&v, &v), S_OK);
  EXPECT_STREQ(v.bstrVal, L"same");
  VariantClear(&v);
}

TEST(Variant, CopyIndFollowsTheReference) {
  LONG number = 42;
  VARIANT reference;
  VariantInit(&reference);
  reference.vt = VT_I4 | VT_BYREF;
  reference.plVal = &number;
  VARIANT value;
  VariantInit(&value);
  ASSERT_EQ(VariantCopyInd(&value, &reference), S_OK);
  EXPECT_EQ(value.vt, VT_I4);
  EXPECT_EQ(value.lVal, 42);

  BSTR text = SysAllocString(L"target");
  reference.vt = VT_BSTR | VT_BYREF;
  reference.pbstrVal = &text;
  ASSERT_EQ(VariantCopyInd(&reference, &reference), S_OK);
  EXPECT_EQ(reference.vt, VT_BSTR);
  EXPECT_NE(reference.bstrVal, text);
  EXPECT_STREQ(reference.bstrVal, L"target");
  VariantClear(&reference);
  SysFreeString(text);
}

}  // namespace
