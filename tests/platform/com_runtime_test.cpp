#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "counted_dispatch.h"
#include "platform/class_registry.h"
#include "platform/windows_api.h"

namespace {

// {6A1D0F3E-2B7C-4E59-9C41-5F0E3A2B7D10}
constexpr CLSID kTestClass = {0x6A1D0F3E, 0x2B7C, 0x4E59, {0x9C, 0x41, 0x5F, 0x0E, 0x3A, 0x2B, 0x7D, 0x10}};
constexpr CLSID kUnregisteredClass = {0x6A1D0F3E, 0x2B7C, 0x4E59, {0x9C, 0x41, 0x5F, 0x0E, 0x3A, 0x2B, 0x7D, 0x11}};

// Makes CountedDispatch objects; counts its own references and the objects
// it made that are still alive.
class CountedFactory final : public IClassFactory {
 public:
  explicit CountedFactory(int* liveObjects) : liveObjects_(liveObjects) {}
  ULONG references() const { return references_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *ppvObject = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppvObject) override {
    *ppvObject = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* object = new CountedDispatch(liveObjects_);
    HRESULT hr = object->QueryInterface(riid, ppvObject);
    object->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  int* liveObjects_;
  std::atomic<ULONG> references_{1};
};

// Runs body on a fresh thread, whose COM state starts uninitialised.
template <typename Body>
void OnNewThread(Body body) {
  std::thread thread(body);
  thread.join();
}

TEST(ComApartment, RepeatedInitialisationCountsAndAnswersFalse) {
  OnNewThread([] {
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK);  // the count went back to zero
    CoUninitialize();
    CoUninitialize();  // an extra call does no harm
  });
}

TEST(ComApartment, DifferentModelIsRefusedWithoutCounting) {
  OnNewThread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), RPC_E_CHANGED_MODE);
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK);  // one CoUninitialize sufficed
    CoUninitialize();
  });
}

TEST(ComApartment, EachThreadHasItsOwnCount) {
  OnNewThread([] {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    OnNewThread([] { EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); CoUninitialize(); });
    CoUninitialize();
  });
}

TEST(ComTaskMemory, AllocReallocFree) {
  auto* bytes = static_cast<char*>(CoTaskMemAlloc(4));
  ASSERT_NE(bytes, nullptr);
  bytes[3] = 'x';
  bytes = static_cast<char*>(CoTaskMemRealloc(bytes, 64));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[3], 'x');
  CoTaskMemFree(bytes);
  CoTaskMemFree(nullptr);
}

TEST(ClassRegistry, ProgIdLookupIgnoresCaseAndUnknownNamesFail) {
  ASSERT_EQ(PlatformRegisterProgID(L"Test.CountedObject", kTestClass), S_OK);
  const struct Case {
    const wchar_t* progId;
    HRESULT hr;
  } kCases[] = {
      {L"Test.CountedObject", S_OK},
      {L"test.countedobject", S_OK},
      {L"Test.Missing", CO_E_CLASSSTRING},
      {L"", CO_E_CLASSSTRING},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.hr));
    CLSID clsid = kUnregisteredClass;
    EXPECT_EQ(CLSIDFromProgID(c.progId, &clsid), c.hr);
    EXPECT_EQ(clsid, c.hr == S_OK ? kTestClass : CLSID_NULL);
  }
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
  EXPECT_EQ(PlatformRegisterProgID(L"", kTestClass), E_INVALIDARG);
}

TEST(ClassRegistry, CreateInstanceNeedsInitialisationAndARegisteredClass) {
  int live = 0;
  CountedFactory factory(&live);
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(kTestClass, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
  EXPECT_EQ(factory.references(), 2u);

  OnNewThread([&] {
    IDispatch* object = reinterpret_cast<IDispatch*>(0x1);
    EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&object)),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);

    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoCreateInstance(kUnregisteredClass, nullptr, CLSCTX_ALL, IID_IDispatch,
                               reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);
    ASSERT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    EXPECT_EQ(live, 1);
    object->Release();
    EXPECT_EQ(live, 0);

    IUnknown* outer = reinterpret_cast<IUnknown*>(object);
    EXPECT_EQ(CoCreateInstance(kTestClass, outer, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&object)),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory.references(), 2u);  // every factory reference taken was returned
    CoUninitialize();
  });

  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(factory.references(), 1u);
  EXPECT_EQ(CoRevokeClassObject(cookie), CO_E_OBJNOTREG);
  OnNewThread([] {
    CoInitialize(nullptr);
    IUnknown* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kTestClass, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);
    CoUninitialize();
  });
}

}  // namespace
