// The class registry: ProgID -> CLSID records and the class objects servers
// register. Both live for the whole process (never destroyed, so registrations
// made while the library loads stay valid during static destruction) and are
// guarded by one mutex. No object method is called while the mutex is held.
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/class_registry.h"
#include "platform/com_runtime.h"
#include "platform/internal/case_fold.h"
#include "platform/internal/com_apartment_state.h"

namespace {

struct ClassRegistration {
  DWORD cookie;
  CLSID clsid;
  IUnknown* classObject;  // one reference held until revoked
  DWORD context;
};

struct ClassRegistry {
  std::mutex mutex;
  std::map<std::wstring, CLSID> progIds;  // key: case-folded ProgID
  std::vector<ClassRegistration> classes;
  DWORD nextCookie = 1;
};

ClassRegistry& Registry() {
  static ClassRegistry* registry = new ClassRegistry;
  return *registry;
}

// The most recent registration of rclsid for one of the contexts, AddRef'd;
// null when there is none.
IUnknown* FindClassObject(REFCLSID rclsid, DWORD dwClsContext) {
  ClassRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (auto it = registry.classes.rbegin(); it != registry.classes.rend(); ++it) {
    if (it->clsid == rclsid && (it->context & dwClsContext) != 0) {
      it->classObject->AddRef();
      return it->classObject;
    }
  }
  return nullptr;
}

}  // namespace

HRESULT PlatformRegisterProgID(LPCOLESTR progId, REFCLSID clsid) {
  if (!progId || !*progId) return E_INVALIDARG;
  ClassRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.progIds[FoldCase(progId)] = clsid;
  return S_OK;
}

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
  if (!lpszProgID || !lpclsid) return E_INVALIDARG;
  ClassRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto found = registry.progIds.find(FoldCase(lpszProgID));
  if (found == registry.progIds.end()) {
    *lpclsid = CLSID_NULL;
    return CO_E_CLASSSTRING;
  }
  *lpclsid = found->second;
  return S_OK;
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD,
                              LPDWORD lpdwRegister) {
  if (!pUnk || !lpdwRegister) return E_INVALIDARG;
  pUnk->AddRef();
  ClassRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  DWORD cookie = registry.nextCookie++;
  registry.classes.push_back({cookie, rclsid, pUnk, dwClsContext});
  *lpdwRegister = cookie;
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
  IUnknown* released = nullptr;
  {
    ClassRegistry& registry = Registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (auto it = registry.classes.begin(); it != registry.classes.end(); ++it) {
      if (it->cookie == dwRegister) {
        released = it->classObject;
        registry.classes.erase(it);
        break;
      }
    }
  }
  if (!released) return CO_E_OBJNOTREG;
  released->Release();
  return S_OK;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO*, REFIID riid,
                         LPVOID* ppv) {
  if (!ppv) return E_INVALIDARG;
  *ppv = nullptr;
  if (!ComIsInitializedOnThisThread()) return CO_E_NOTINITIALIZED;
  IUnknown* classObject = FindClassObject(rclsid, dwClsContext);
  if (!classObject) return REGDB_E_CLASSNOTREG;
  HRESULT hr = classObject->QueryInterface(riid, ppv);
  classObject->Release();
  return hr;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory,
                                reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(pUnkOuter, riid, ppv);
  factory->Release();
  if (FAILED(hr)) *ppv = nullptr;
  return hr;
}
