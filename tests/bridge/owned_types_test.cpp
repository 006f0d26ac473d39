// OwnedVariant and OwnedInterface: every reference they take over is
// released exactly once, and a hand-over leaves nothing behind to release.
#include <gtest/gtest.h>

#include <utility>

#include "bridge/OwnedInterface.h"
#include "bridge/OwnedVariant.h"
#include "tests/bridge/fake_dispatch.h"

namespace {

using bridge_test::FakeDispatch;

// A VARIANT holding one new reference to `object`.
VARIANT DispatchValue(FakeDispatch& object) {
  VARIANT value{};
  value.vt = VT_DISPATCH;
  value.pdispVal = &object;
  object.AddRef();
  return value;
}

TEST(OwnedVariant, ReleasesWhatItAdoptsOnceInEveryPath) {
  FakeDispatch object;
  const ULONG base = object.References();
  {
    OwnedVariant held(DispatchValue(object));
    EXPECT_TRUE(held.HoldsDispatch());
    EXPECT_EQ(held.Dispatch(), &object);
    EXPECT_EQ(object.References(), base + 1);
  }
  EXPECT_EQ(object.References(), base);

  {  // Out() releases the old value before lending the storage.
    OwnedVariant held(DispatchValue(object));
    VARIANT* slot = held.Out();
    EXPECT_EQ(object.References(), base);
    EXPECT_EQ(slot->vt, VT_EMPTY);
    *slot = DispatchValue(object);
  }
  EXPECT_EQ(object.References(), base);

  {  // Moving hands the reference on; the source holds nothing.
    OwnedVariant first(DispatchValue(object));
    OwnedVariant second(std::move(first));
    EXPECT_TRUE(first.IsEmpty());
    OwnedVariant third;
    third = std::move(second);
    third = OwnedVariant(DispatchValue(object));  // the replaced one is released
    EXPECT_EQ(object.References(), base + 1);
  }
  EXPECT_EQ(object.References(), base);
}

TEST(OwnedVariant, HandOverLeavesTheReleaseToTheReceiver) {
  FakeDispatch object;
  const ULONG base = object.References();
  OwnedVariant held(DispatchValue(object));
  VARIANT given = held.Detach();
  EXPECT_TRUE(held.IsEmpty());
  held.Reset();
  EXPECT_EQ(object.References(), base + 1);
  ReleaseVariantContents(&given);
  EXPECT_EQ(object.References(), base);
  EXPECT_EQ(given.vt, VT_EMPTY);

  OwnedVariant range(DispatchValue(object));
  {
    OwnedDispatch taken = range.TakeDispatch();
    EXPECT_EQ(taken.Get(), &object);
    EXPECT_TRUE(range.IsEmpty());
    EXPECT_EQ(object.References(), base + 1);
  }
  EXPECT_EQ(object.References(), base);

  OwnedVariant text = OwnedVariant::FromText(L"$B$3");
  EXPECT_FALSE(text.TakeDispatch());  // not a range: released, nothing taken
  EXPECT_TRUE(text.IsEmpty());
}

TEST(OwnedVariant, TextReadsOnlyStrings) {
  EXPECT_EQ(OwnedVariant::FromText(L"Gr\u00FC\u00DFe").Text(), L"Gr\u00FC\u00DFe");
  EXPECT_EQ(OwnedVariant::FromText(L"").Text(), L"");
  EXPECT_EQ(OwnedVariant().Text(), L"");
  VARIANT number{};
  number.vt = VT_R8;
  number.dblVal = 3;
  EXPECT_EQ(OwnedVariant(number).Text(), L"");
}

TEST(OwnedVariant, ArraysReleaseTheirElements) {
  FakeDispatch object;
  const ULONG base = object.References();
  SAFEARRAYBOUND bound{2, 0};
  SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
  ASSERT_NE(array, nullptr);
  VARIANT* elements = nullptr;
  ASSERT_TRUE(SUCCEEDED(SafeArrayAccessData(array, reinterpret_cast<void**>(&elements))));
  elements[0] = DispatchValue(object);
  elements[1].vt = VT_BSTR;
  elements[1].bstrVal = SysAllocString(L"text");
  SafeArrayUnaccessData(array);
  VARIANT value{};
  value.vt = VT_ARRAY | VT_VARIANT;
  value.parray = array;
  { OwnedVariant held(value); }
  EXPECT_EQ(object.References(), base);
}

TEST(OwnedInterface, ReleasesOnceAndHandsOver) {
  FakeDispatch object;
  const ULONG base = object.References();
  object.AddRef();
  {
    OwnedDispatch held(&object);
    EXPECT_TRUE(held);
    EXPECT_EQ(held.Get(), &object);
    OwnedDispatch moved(std::move(held));
    EXPECT_FALSE(held);
    EXPECT_EQ(object.References(), base + 1);
  }
  EXPECT_EQ(object.References(), base);

  OwnedInterface<IUnknown> unknown;
  object.AddRef();
  unknown.Reset(&object);
  // Out() lets a T** function store a new reference after the old one went.
  ASSERT_TRUE(SUCCEEDED(object.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.Out()))));
  EXPECT_EQ(object.References(), base + 1);
  IUnknown* given = unknown.Detach();
  EXPECT_FALSE(unknown);
  unknown.Reset();
  EXPECT_EQ(object.References(), base + 1);
  given->Release();
  EXPECT_EQ(object.References(), base);
}

}  // namespace
