// Monikers, bind contexts and the Running Object Table.
// - One table per process (GetRunningObjectTable), usable from any thread,
//   initialised or not. Register keeps a reference on the object and on the
//   moniker until Revoke returns them, whatever the flags; entries are
//   matched with IMoniker::IsEqual. Entries left at process exit are not
//   released.
// - EnumRunning gives a snapshot: the enumerator holds its own references on
//   the monikers registered when it was made; Next hands out AddRef'd
//   monikers and S_FALSE once fewer than asked were left.
// - A file moniker's display name is the path it was made from; an item
//   moniker's is the delimiter followed by the item. Monikers compare equal
//   when they are of the same kind and their display names match without
//   regard to case. GetDisplayName returns text from CoTaskMemAlloc that the
//   caller frees with CoTaskMemFree.
// IMoniker and IBindCtx carry the members this library and its server use,
// in the Windows order; the persistence members of the real IMoniker are left
// out.
#pragma once

#include "platform/unknown.h"

class IMoniker;
class IBindCtx;
class IRunningObjectTable;
class IEnumMoniker;
typedef IMoniker* LPMONIKER;
typedef IBindCtx* LPBC;
typedef IBindCtx* LPBINDCTX;
typedef IRunningObjectTable* LPRUNNINGOBJECTTABLE;
typedef IEnumMoniker* LPENUMMONIKER;

#define ROTFLAGS_REGISTRATIONKEEPSALIVE 0x1
#define ROTFLAGS_ALLOWANYCLIENT 0x2

class IEnumMoniker : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker** ppenum) = 0;

 protected:
  ~IEnumMoniker() = default;
};

class IMoniker : public IUnknown {
 public:
  // Binds through the Running Object Table: MK_E_UNAVAILABLE when the named
  // object is not running.
  virtual HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* pbc, IMoniker* pmkToLeft,
                                                 REFIID riidResult, void** ppvResult) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsEqual(IMoniker* pmkOtherMoniker) = 0;  // S_OK / S_FALSE
  virtual HRESULT STDMETHODCALLTYPE Hash(DWORD* pdwHash) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsRunning(IBindCtx* pbc, IMoniker* pmkToLeft,
                                              IMoniker* pmkNewlyRunning) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDisplayName(IBindCtx* pbc, IMoniker* pmkToLeft,
                                                   LPOLESTR* ppszDisplayName) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsSystemMoniker(DWORD* pdwMksys) = 0;

 protected:
  ~IMoniker() = default;
};

// Values of IsSystemMoniker
#define MKSYS_NONE 0
#define MKSYS_GENERICCOMPOSITE 1
#define MKSYS_FILEMONIKER 2
#define MKSYS_ANTIMONIKER 3
#define MKSYS_ITEMMONIKER 4
#define MKSYS_POINTERMONIKER 5

class IBindCtx : public IUnknown {
 public:
  // Keeps a reference on punk until RevokeObjectBound or ReleaseBoundObjects.
  virtual HRESULT STDMETHODCALLTYPE RegisterObjectBound(IUnknown* punk) = 0;
  virtual HRESULT STDMETHODCALLTYPE RevokeObjectBound(IUnknown* punk) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReleaseBoundObjects() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRunningObjectTable(IRunningObjectTable** pprot) = 0;

 protected:
  ~IBindCtx() = default;
};

class IRunningObjectTable : public IUnknown {
 public:
  // S_OK, or MK_S_MONIKERALREADYREGISTERED when an equal moniker is already
  // registered (the new entry is added all the same).
  virtual HRESULT STDMETHODCALLTYPE Register(DWORD grfFlags, IUnknown* punkObject,
                                             IMoniker* pmkObjectName, DWORD* pdwRegister) = 0;
  virtual HRESULT STDMETHODCALLTYPE Revoke(DWORD dwRegister) = 0;  // unknown: E_INVALIDARG
  virtual HRESULT STDMETHODCALLTYPE IsRunning(IMoniker* pmkObjectName) = 0;  // S_OK / S_FALSE
  virtual HRESULT STDMETHODCALLTYPE GetObject(IMoniker* pmkObjectName,
                                              IUnknown** ppunkObject) = 0;
  virtual HRESULT STDMETHODCALLTYPE NoteChangeTime(DWORD dwRegister, FILETIME* pfiletime) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IMoniker* pmkObjectName,
                                                        FILETIME* pfiletime) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumRunning(IEnumMoniker** ppenumMoniker) = 0;

 protected:
  ~IRunningObjectTable() = default;
};

HRESULT GetRunningObjectTable(DWORD reserved, LPRUNNINGOBJECTTABLE* pprot);
HRESULT CreateBindCtx(DWORD reserved, LPBC* ppbc);
HRESULT CreateFileMoniker(LPCOLESTR lpszPathName, LPMONIKER* ppmk);
HRESULT CreateItemMoniker(LPCOLESTR lpszDelim, LPCOLESTR lpszItem, LPMONIKER* ppmk);
