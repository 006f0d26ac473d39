// File and item monikers: a kind and a display name. Equality is by kind and
// display name without regard to case, as Windows compares paths and items.
#include <cstring>
#include <functional>
#include <new>
#include <string>

#include "platform/com_runtime.h"
#include "platform/internal/single_interface_object.h"
#include "platform/internal/case_fold.h"
#include "platform/running_object_table.h"

namespace {

class NamedMoniker final : public SingleInterfaceObject<IMoniker, IID_IMoniker> {
 public:
  NamedMoniker(DWORD kind, std::wstring displayName) : kind_(kind), displayName_(std::move(displayName)) {}


  HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker*, REFIID riidResult,
                                         void** ppvResult) override {
    if (!ppvResult) return E_POINTER;
    *ppvResult = nullptr;
    IRunningObjectTable* table = nullptr;
    HRESULT hr = GetRunningObjectTable(0, &table);
    if (FAILED(hr)) return hr;
    IUnknown* object = nullptr;
    hr = table->GetObject(this, &object);
    table->Release();
    if (FAILED(hr)) return MK_E_UNAVAILABLE;
    hr = object->QueryInterface(riidResult, ppvResult);
    object->Release();
    return hr;
  }

  HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* other) override {
    auto* named = dynamic_cast<NamedMoniker*>(other);
    if (!named || named->kind_ != kind_) return S_FALSE;
    return EqualsIgnoringCase(named->displayName_, displayName_) ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE Hash(DWORD* pdwHash) override {
    if (!pdwHash) return E_POINTER;
    *pdwHash = static_cast<DWORD>(std::hash<std::wstring>{}(FoldCase(displayName_)));
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx*, IMoniker*, IMoniker* pmkNewlyRunning) override {
    if (pmkNewlyRunning && IsEqual(pmkNewlyRunning) == S_OK) return S_OK;
    IRunningObjectTable* table = nullptr;
    HRESULT hr = GetRunningObjectTable(0, &table);
    if (FAILED(hr)) return hr;
    hr = table->IsRunning(this);
    table->Release();
    return hr;
  }

  HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* ppszDisplayName) override {
    if (!ppszDisplayName) return E_POINTER;
    size_t bytes = (displayName_.size() + 1) * sizeof(OLECHAR);
    auto* text = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (!text) {
      *ppszDisplayName = nullptr;
      return E_OUTOFMEMORY;
    }
    std::memcpy(text, displayName_.c_str(), bytes);
    *ppszDisplayName = text;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* pdwMksys) override {
    if (!pdwMksys) return E_POINTER;
    *pdwMksys = kind_;
    return S_OK;
  }

 private:
  ~NamedMoniker() = default;

  const DWORD kind_;
  const std::wstring displayName_;
};

HRESULT CreateNamedMoniker(DWORD kind, std::wstring displayName, LPMONIKER* ppmk) {
  auto* moniker = new (std::nothrow) NamedMoniker(kind, std::move(displayName));
  if (!moniker) return E_OUTOFMEMORY;
  *ppmk = moniker;
  return S_OK;
}

}  // namespace

HRESULT CreateFileMoniker(LPCOLESTR lpszPathName, LPMONIKER* ppmk) {
  if (!ppmk) return E_INVALIDARG;
  *ppmk = nullptr;
  if (!lpszPathName) return E_INVALIDARG;
  return CreateNamedMoniker(MKSYS_FILEMONIKER, lpszPathName, ppmk);
}

HRESULT CreateItemMoniker(LPCOLESTR lpszDelim, LPCOLESTR lpszItem, LPMONIKER* ppmk) {
  if (!ppmk) return E_INVALIDARG;
  *ppmk = nullptr;
  if (!lpszItem) return E_INVALIDARG;
  std::wstring name = lpszDelim ? lpszDelim : L"";
  name += lpszItem;
  return CreateNamedMoniker(MKSYS_ITEMMONIKER, std::move(name), ppmk);
}
