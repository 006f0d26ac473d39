#include "server/com/application_class.h"

#include <atomic>

#include "server/com/object_factory.h"
#include "server/com/server_state.h"

namespace sheetwright::server {

namespace {

std::atomic<long> g_locks{0};

class ApplicationFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    try {
      IDispatch* application = NewApplicationObject(AppState::Create());
      const HRESULT hr = application->QueryInterface(riid, object);
      application->Release();
      return hr;
    } catch (...) {
      return E_OUTOFMEMORY;
    }
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      ++g_locks;
    } else {
      --g_locks;
    }
    return S_OK;
  }
};

}  // namespace

IClassFactory* ApplicationClassObject() {
  static ApplicationFactory factory;
  return &factory;
}

long ApplicationClassLocks() { return g_locks.load(); }

}  // namespace sheetwright::server
