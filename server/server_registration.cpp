// Registers the server's Application class when the library (or a program
// linking sw_server whole) loads: the class object in the COM class
// registry, and the ProgID "Excel.Application" naming it. Every
// CoCreateInstance starts a new application, as a new process of the real
// application would be.
#include "platform/class_registry.h"
#include "platform/windows_api.h"
#include "server/com/object_factory.h"
#include "server/com/server_state.h"

namespace sheetwright::server {

namespace {

// {00024500-0000-0000-C000-000000000046}, the application's class id.
constexpr CLSID kApplicationClassId = {0x00024500, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// A process-wide class object: its reference count does not govern its life.
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
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

struct Registration {
  Registration() {
    static ApplicationFactory factory;
    DWORD cookie = 0;
    CoRegisterClassObject(kApplicationClassId, &factory, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER,
                          REGCLS_MULTIPLEUSE, &cookie);
    PlatformRegisterProgID(L"Excel.Application", kApplicationClassId);
  }
};

const Registration registration;

}  // namespace

}  // namespace sheetwright::server
