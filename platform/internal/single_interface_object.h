// Reference counting and QueryInterface for the platform's own COM objects
// that expose one interface besides IUnknown (bind contexts, monikers,
// moniker enumerators).
//
//   class NamedMoniker final : public SingleInterfaceObject<IMoniker, IID_IMoniker> { ... };
//
// A new object starts with one reference, owned by its creator; the last
// Release deletes it.
#pragma once

#include <atomic>

#include "platform/windows_api.h"

template <class Interface, const IID& kInterfaceId>
class SingleInterfaceObject : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    if (riid == IID_IUnknown || riid == kInterfaceId) {
      *ppvObject = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~SingleInterfaceObject() = default;

 private:
  std::atomic<ULONG> references_{1};
};
