// A small IDispatch whose default member (DISPID_VALUE, property get) answers
// a fixed VARIANT or a fixed failure, for the conversions of VT_DISPATCH
// through the object's value. It counts its references so that the table
// can show that a conversion releases what it took.
#pragma once

#include "platform/windows_api.h"

namespace platform_table {

class ValueDispatch final : public IDispatch {
 public:
  // Answers a copy of `value` (the caller keeps `value`), or fails with
  // `failure` when that is not S_OK.
  ValueDispatch(const VARIANT& value, HRESULT failure) : failure_(failure) {
    VariantInit(&value_);
    VariantCopy(&value_, const_cast<VARIANT*>(&value));  // Windows takes a non-const source
  }
  ~ValueDispatch() { VariantClear(&value_); }
  ULONG references() const { return references_; }
  int valueCalls() const { return valueCalls_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  // Lives on the caller's stack: the count only shows balance.
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    if (member != DISPID_VALUE) return DISP_E_MEMBERNOTFOUND;
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params != nullptr && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    ++valueCalls_;
    if (failure_ != S_OK) return failure_;
    if (result == nullptr) return S_OK;
    return VariantCopy(result, &value_);
  }

 private:
  VARIANT value_;
  HRESULT failure_;
  ULONG references_ = 1;
  int valueCalls_ = 0;
};

}  // namespace platform_table
