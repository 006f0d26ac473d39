// IUnknown and IClassFactory as abstract classes with the Windows vtable order.
// Reference-counting contract: every interface pointer handed out by
// QueryInterface or a factory is AddRef'd; its receiver calls Release once.
#pragma once

#include "platform/guid.h"
#include "platform/hresult.h"

class IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

 protected:
  ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;

class IClassFactory : public IUnknown {
 public:
  // pUnkOuter must be null (no aggregation): CLASS_E_NOAGGREGATION otherwise.
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                   void** ppvObject) = 0;
  virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) = 0;

 protected:
  ~IClassFactory() = default;
};
typedef IClassFactory* LPCLASSFACTORY;
