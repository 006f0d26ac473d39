// A reference-counted IDispatch for tests: reports its live count through a
// caller-owned counter, answers DISPID_VALUE gets with a configurable value,
// and counts how often it was invoked.
#pragma once

#include <atomic>

#include "platform/windows_api.h"

class CountedDispatch final : public IDispatch {
 public:
  // *liveObjects is incremented now and decremented when the object dies.
  explicit CountedDispatch(int* liveObjects) : liveObjects_(liveObjects) {
    ++*liveObjects_;
    VariantInit(&value_);
  }

  // The value returned for DISPID_VALUE; copied.
  void SetValue(const VARIANT& value) { VariantCopy(&value_, &value); }
  void SetValueFailure(HRESULT failure) { valueFailure_ = failure; }
  ULONG references() const { return references_; }
  int invocations() const { return invocations_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *ppvObject = static_cast<IDispatch*>(this);
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
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override {
    *pctinfo = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*,
                                   VARIANT* pVarResult, EXCEPINFO*, UINT*) override {
    ++invocations_;
    if (dispIdMember != DISPID_VALUE || !(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (FAILED(valueFailure_)) return valueFailure_;
    if (!pVarResult) return S_OK;
    VariantInit(pVarResult);
    return VariantCopy(pVarResult, &value_);
  }

 private:
  ~CountedDispatch() {
    VariantClear(&value_);
    --*liveObjects_;
  }

  int* liveObjects_;
  std::atomic<ULONG> references_{1};
  VARIANT value_;
  HRESULT valueFailure_ = S_OK;
  int invocations_ = 0;
};
