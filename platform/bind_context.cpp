// Bind contexts: hold the objects bound during one binding operation until
// they are revoked, released, or the context goes away.
#include <new>
#include <vector>

#include "platform/running_object_table.h"
#include "platform/internal/single_interface_object.h"

namespace {

class BindContext final : public SingleInterfaceObject<IBindCtx, IID_IBindCtx> {
 public:

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

  std::vector<IUnknown*> bound_;  // one reference each
};

}  // namespace

HRESULT CreateBindCtx(DWORD, LPBC* ppbc) {
  if (!ppbc) return E_INVALIDARG;
  *ppbc = new (std::nothrow) BindContext;
  return *ppbc ? S_OK : E_OUTOFMEMORY;
}
