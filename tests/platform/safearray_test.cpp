#include <gtest/gtest.h>

#include "counted_dispatch.h"
#include "platform/windows_api.h"

namespace {

// A rows x columns array of VT_I4 as a spreadsheet range returns it:
// bounds {rows, 1}, {columns, 1}.
SAFEARRAY* MakeGrid(ULONG rows, ULONG columns) {
  SAFEARRAYBOUND bounds[2] = {{rows, 1}, {columns, 1}};
  return SafeArrayCreate(VT_I4, 2, bounds);
}

TEST(SafeArray, BoundsAreStoredReversedAndReadInCreationOrder) {
  SAFEARRAYBOUND bounds[2] = {{3, 1}, {5, 0}};
  SAFEARRAY* grid = SafeArrayCreate(VT_VARIANT, 2, bounds);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->cDims, 2);
  EXPECT_EQ(grid->rgsabound[1].cElements, 3u);  // first dimension stored last
  EXPECT_EQ(grid->rgsabound[1].lLbound, 1);
  EXPECT_EQ(grid->rgsabound[0].cElements, 5u);
  EXPECT_EQ(grid->rgsabound[0].lLbound, 0);

  const struct Case {
    UINT dim;
    HRESULT hr;
    LONG lower;
    LONG upper;
  } kCases[] = {
      {1, S_OK, 1, 3},
      {2, S_OK, 0, 4},
      {0, DISP_E_BADINDEX, 0, 0},
      {3, DISP_E_BADINDEX, 0, 0},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.dim);
    LONG lower = -99, upper = -99;
    EXPECT_EQ(SafeArrayGetLBound(grid, c.dim, &lower), c.hr);
    EXPECT_EQ(SafeArrayGetUBound(grid, c.dim, &upper), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(lower, c.lower);
      EXPECT_EQ(upper, c.upper);
    }
  }
  EXPECT_EQ(SafeArrayGetDim(grid), 2u);
  EXPECT_EQ(SafeArrayGetElemsize(grid), sizeof(VARIANT));
  EXPECT_EQ(SafeArrayDestroy(grid), S_OK);
}

TEST(SafeArray, FirstIndexVariesFastestInMemory) {
  SAFEARRAY* grid = MakeGrid(2, 3);
  for (LONG row = 1; row <= 2; ++row) {
    for (LONG column = 1; column <= 3; ++column) {
      LONG indices[2] = {row, column};
      LONG value = row * 10 + column;
      ASSERT_EQ(SafeArrayPutElement(grid, indices, &value), S_OK);
    }
  }
  LONG* data = nullptr;
  ASSERT_EQ(SafeArrayAccessData(grid, reinterpret_cast<void**>(&data)), S_OK);
  const LONG kColumnMajor[] = {11, 21, 12, 22, 13, 23};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(data[i], kColumnMajor[i]) << "offset " << i;
  EXPECT_EQ(SafeArrayUnaccessData(grid), S_OK);

  LONG indices[2] = {2, 3};
  LONG value = 0;
  ASSERT_EQ(SafeArrayGetElement(grid, indices, &value), S_OK);
  EXPECT_EQ(value, 23);
  void* address = nullptr;
  ASSERT_EQ(SafeArrayPtrOfIndex(grid, indices, &address), S_OK);
  EXPECT_EQ(address, static_cast<LONG*>(grid->pvData) + 5);
  SafeArrayDestroy(grid);
}

TEST(SafeArray, IndexOutsideEitherDimensionIsBadIndex) {
  SAFEARRAY* grid = MakeGrid(2, 3);
  const LONG kOutside[][2] = {{0, 1}, {3, 1}, {1, 0}, {1, 4}, {-5, 2}};
  for (const auto& index : kOutside) {
    SCOPED_TRACE(testing::Message() << index[0] << "," << index[1]);
    LONG indices[2] = {index[0], index[1]};
    LONG value = 0;
    EXPECT_EQ(SafeArrayGetElement(grid, indices, &value), DISP_E_BADINDEX);
    EXPECT_EQ(SafeArrayPutElement(grid, indices, &value), DISP_E_BADINDEX);
  }
  SafeArrayDestroy(grid);
}

TEST(SafeArray, FeaturesAndVartypeFollowTheElementType) {
  const struct Case {
    VARTYPE vt;
    USHORT features;
    ULONG size;
  } kCases[] = {
      {VT_I4, FADF_HAVEVARTYPE, 4},
      {VT_R8, FADF_HAVEVARTYPE, 8},
      {VT_BOOL, FADF_HAVEVARTYPE, 2},
      {VT_BSTR, FADF_HAVEVARTYPE | FADF_BSTR, sizeof(BSTR)},
      {VT_VARIANT, FADF_HAVEVARTYPE | FADF_VARIANT, sizeof(VARIANT)},
      {VT_DISPATCH, FADF_HAVEIID | FADF_DISPATCH, sizeof(void*)},
      {VT_UNKNOWN, FADF_HAVEIID | FADF_UNKNOWN, sizeof(void*)},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.vt);
    SAFEARRAY* array = SafeArrayCreateVector(c.vt, 0, 2);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->fFeatures, c.features);
    EXPECT_EQ(array->cbElements, c.size);
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(SafeArrayGetVartype(array, &vt), S_OK);
    EXPECT_EQ(vt, c.vt);
    SafeArrayDestroy(array);
  }
  SAFEARRAYBOUND bound{1, 0};
  EXPECT_EQ(SafeArrayCreate(VT_EMPTY, 1, &bound), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, &bound), nullptr);
}

TEST(SafeArray, ElementsAreCopiedInAndOut) {
  SAFEARRAY* texts = SafeArrayCreateVector(VT_BSTR, 0, 1);
  LONG index = 0;
  BSTR original = SysAllocString(L"cell");
  ASSERT_EQ(SafeArrayPutElement(texts, &index, original), S_OK);  // BSTR passed itself
  SysFreeString(original);
  BSTR copy = nullptr;
  ASSERT_EQ(SafeArrayGetElement(texts, &index, &copy), S_OK);
  EXPECT_STREQ(copy, L"cell");
  EXPECT_NE(copy, static_cast<BSTR*>(texts->pvData)[0]);
  SysFreeString(copy);
  SafeArrayDestroy(texts);

  SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(L"in a variant");
  ASSERT_EQ(SafeArrayPutElement(variants, &index, &value), S_OK);
  VariantClear(&value);
  VARIANT out;
  out.vt = 0xFFFF;  // an uninitialised destination is accepted
  ASSERT_EQ(SafeArrayGetElement(variants, &index, &out), S_OK);
  EXPECT_EQ(out.vt, VT_BSTR);
  EXPECT_STREQ(out.bstrVal, L"in a variant");
  VariantClear(&out);
  SafeArrayDestroy(variants);
}

TEST(SafeArray, DestroyReleasesInterfaceElementsAndRefusesLockedArrays) {
  int live = 0;
  auto* object = new CountedDispatch(&live);
  SAFEARRAY* objects = SafeArrayCreateVector(VT_DISPATCH, 0, 2);
  LONG index = 1;
  ASSERT_EQ(SafeArrayPutElement(objects, &index, static_cast<IDispatch*>(object)), S_OK);
  EXPECT_EQ(object->references(), 2u);
  object->Release();

  IDispatch* out = nullptr;
  ASSERT_EQ(SafeArrayGetElement(objects, &index, &out), S_OK);
  EXPECT_EQ(out, object);
  out->Release();

  ASSERT_EQ(SafeArrayLock(objects), S_OK);
  EXPECT_EQ(SafeArrayDestroy(objects), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(live, 1);
  ASSERT_EQ(SafeArrayUnlock(objects), S_OK);
  EXPECT_EQ(SafeArrayUnlock(objects), E_UNEXPECTED);
  EXPECT_EQ(SafeArrayDestroy(objects), S_OK);
  EXPECT_EQ(live, 0);
  EXPECT_EQ(SafeArrayDestroy(nullptr), S_OK);
}

TEST(SafeArray, CopyIsDeepAndKeepsBounds) {
  SAFEARRAYBOUND bounds[2] = {{2, 1}, {2, 5}};
  SAFEARRAY* original = SafeArrayCreate(VT_BSTR, 2, bounds);
  LONG indices[2] = {2, 6};
  BSTR text = SysAllocString(L"deep");
  SafeArrayPutElement(original, indices, text);
  SysFreeString(text);
  SAFEARRAY* copy = nullptr;
  ASSERT_EQ(SafeArrayCopy(original, &copy), S_OK);
  SafeArrayDestroy(original);
  LONG lower = 0;
  SafeArrayGetLBound(copy, 2, &lower);
  EXPECT_EQ(lower, 5);
  BSTR read = nullptr;
  ASSERT_EQ(SafeArrayGetElement(copy, indices, &read), S_OK);
  EXPECT_STREQ(read, L"deep");
  SysFreeString(read);
  SafeArrayDestroy(copy);
}

}  // namespace
