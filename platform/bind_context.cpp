// Bind contexts: hold the objects bound during one binding operation until
// they are revoked, released, or the context goes away.
#include <atomic>
#include <new>
#include <vector>

#include "platform/running_object_table.h"

namespace {

class BindContext final : public IBindCtx {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IBindCtx) {
      *ppvObject = static_cast<IBindCtx*>(this);
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

  HRESULT STDMETHODCALLTYPE RegisterObjectBound(IUnknown* punk) override {
    if (!punk) return E_INVALIDARG;
    punk->AddRef();
    bound_.push_back(punk);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE RevokeObjectBound(IUnknown* punk) override {
    for (auto it = bound_.begin(); it != bound_.end(); ++it) {
      if (*it == punk) {
        bound_.erase(it);
        punk->Release();
        return S_OK;
      }
    }
    return MK_E_NOOBJECT;
  }
  HRESULT STDMETHODCALLTYPE ReleaseBoundObjects() override {
    std::vector<IUnknown*> released;
    released.swap(bound_);
    for (IUnknown* punk : released) punk->Release();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetRunningObjectTable(IRunningObjectTable** pprot) override {
    return ::GetRunningObjectTable(0, pprot);
  }

 private:
  ~BindContext() { ReleaseBoundObjects(); }

  std::atomic<ULONG> references_{1};
  std::vector<IUnknown*> bound_;  // one reference each
};

}  // namespace

HRESULT CreateBindCtx(DWORD, LPBC* ppbc) {
  if (!ppbc) return E_INVALIDARG;
  *ppbc = new (std::nothrow) BindContext;
  return *ppbc ? S_OK : E_OUTOFMEMORY;
}
