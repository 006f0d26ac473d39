// The process-wide Running Object Table and its snapshot enumerator.
// The table is never destroyed: entries still registered when the process
// ends are neither released nor revoked, as on Windows.
#include <mutex>
#include <new>
#include <vector>

#include "platform/running_object_table.h"
#include "platform/internal/single_interface_object.h"

namespace {

class MonikerSnapshot final : public SingleInterfaceObject<IEnumMoniker, IID_IEnumMoniker> {
 public:
  // Takes over one reference on each moniker.
  MonikerSnapshot(std::vector<IMoniker*> monikers, size_t position)
      : monikers_(std::move(monikers)), position_(position) {}


  HRESULT STDMETHODCALLTYPE Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) override {
    if (!rgelt || (celt != 1 && !pceltFetched)) return E_INVALIDARG;
    ULONG fetched = 0;
    while (fetched < celt && position_ < monikers_.size()) {
      IMoniker* moniker = monikers_[position_++];
      moniker->AddRef();
      rgelt[fetched++] = moniker;
    }
    if (pceltFetched) *pceltFetched = fetched;
    return fetched == celt ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG celt) override {
    size_t left = monikers_.size() - position_;
    if (celt > left) {
      position_ = monikers_.size();
      return S_FALSE;
    }
    position_ += celt;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumMoniker** ppenum) override {
    if (!ppenum) return E_INVALIDARG;
    for (IMoniker* moniker : monikers_) moniker->AddRef();
    *ppenum = new (std::nothrow) MonikerSnapshot(monikers_, position_);
    if (!*ppenum) {
      for (IMoniker* moniker : monikers_) moniker->Release();
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

 private:
  ~MonikerSnapshot() {
    for (IMoniker* moniker : monikers_) moniker->Release();
  }

  std::vector<IMoniker*> monikers_;
  size_t position_;
};

struct RunningEntry {
  DWORD cookie;
  IUnknown* object;   // one reference held until Revoke
  IMoniker* moniker;  // one reference held until Revoke
  FILETIME lastChange;
};

// Moniker comparisons call IMoniker::IsEqual under the lock; the lock is
// recursive so that a moniker that consults the table does not deadlock.
// References are released only after the lock is let go.
class RunningObjectTable final : public IRunningObjectTable {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IRunningObjectTable) {
      *ppvObject = static_cast<IRunningObjectTable*>(this);
      return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
  }
  // The table lives as long as the process; counts are nominal.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE Register(DWORD grfFlags, IUnknown* punkObject, IMoniker* pmkObjectName,
                                     DWORD* pdwRegister) override {
    if (pdwRegister) *pdwRegister = 0;
    if (!punkObject || !pmkObjectName || !pdwRegister) return E_INVALIDARG;
    if (grfFlags & ~(ROTFLAGS_REGISTRATIONKEEPSALIVE | ROTFLAGS_ALLOWANYCLIENT)) return E_INVALIDARG;
    punkObject->AddRef();
    pmkObjectName->AddRef();
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    bool duplicate = FindLocked(pmkObjectName) != nullptr;
    DWORD cookie = nextCookie_++;
    entries_.push_back({cookie, punkObject, pmkObjectName, {0, 0}});
    *pdwRegister = cookie;
    return duplicate ? MK_S_MONIKERALREADYREGISTERED : S_OK;
  }

  HRESULT STDMETHODCALLTYPE Revoke(DWORD dwRegister) override {
    RunningEntry revoked{};
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      auto it = entries_.begin();
      while (it != entries_.end() && it->cookie != dwRegister) ++it;
      if (it == entries_.end()) return E_INVALIDARG;
      revoked = *it;
      entries_.erase(it);
    }
    revoked.moniker->Release();
    revoked.object->Release();
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE IsRunning(IMoniker* pmkObjectName) override {
    if (!pmkObjectName) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return FindLocked(pmkObjectName) ? S_OK : S_FALSE;
  }

  HRESULT STDMETHODCALLTYPE GetObject(IMoniker* pmkObjectName, IUnknown** ppunkObject) override {
    if (!ppunkObject) return E_POINTER;
    *ppunkObject = nullptr;
    if (!pmkObjectName) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    RunningEntry* entry = FindLocked(pmkObjectName);
    if (!entry) return MK_E_UNAVAILABLE;
    entry->object->AddRef();
    *ppunkObject = entry->object;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE NoteChangeTime(DWORD dwRegister, FILETIME* pfiletime) override {
    if (!pfiletime) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    for (RunningEntry& entry : entries_) {
      if (entry.cookie == dwRegister) {
        entry.lastChange = *pfiletime;
        return S_OK;
      }
    }
    return E_INVALIDARG;
  }

  HRESULT STDMETHODCALLTYPE GetTimeOfLastChange(IMoniker* pmkObjectName, FILETIME* pfiletime) override {
    if (!pmkObjectName || !pfiletime) return E_INVALIDARG;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    RunningEntry* entry = FindLocked(pmkObjectName);
    if (!entry) return MK_E_UNAVAILABLE;
    *pfiletime = entry->lastChange;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE EnumRunning(IEnumMoniker** ppenumMoniker) override {
    if (!ppenumMoniker) return E_INVALIDARG;
    std::vector<IMoniker*> monikers;
    {
      std::lock_guard<std::recursive_mutex> lock(mutex_);
      monikers.reserve(entries_.size());
      for (RunningEntry& entry : entries_) {
        entry.moniker->AddRef();
        monikers.push_back(entry.moniker);
      }
    }
    *ppenumMoniker = new (std::nothrow) MonikerSnapshot(monikers, 0);
    if (!*ppenumMoniker) {
      for (IMoniker* moniker : monikers) moniker->Release();
      return E_OUTOFMEMORY;
    }
    return S_OK;
  }

 private:
  // The earliest entry whose moniker equals pmk; the caller holds mutex_.
  RunningEntry* FindLocked(IMoniker* pmk) {
    for (RunningEntry& entry : entries_) {
      if (entry.moniker == pmk || entry.moniker->IsEqual(pmk) == S_OK) return &entry;
    }
    return nullptr;
  }

  std::recursive_mutex mutex_;
  std::vector<RunningEntry> entries_;
  DWORD nextCookie_ = 1;
};

RunningObjectTable& Table() {
  static RunningObjectTable* table = new RunningObjectTable;
  return *table;
}

}  // namespace

HRESULT GetRunningObjectTable(DWORD, LPRUNNINGOBJECTTABLE* pprot) {
  if (!pprot) return E_INVALIDARG;
  *pprot = &Table();
  return S_OK;
}
