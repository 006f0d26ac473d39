#include "server/com/dispatch_object.h"

#include <deque>
#include <new>

#include "server/engine/case_fold.h"

namespace sheetwright::server {

namespace {
std::atomic<long> g_liveObjects{0};
std::atomic<int> g_busyCalls{0};
std::atomic<HRESULT> g_busyResult{RPC_E_CALL_REJECTED};

bool NamesEqual(const wchar_t* a, const wchar_t* b) {
  if (!a || !b) return false;
  for (; *a && *b; ++a, ++b)
    if (engine::FoldCase(*a) != engine::FoldCase(*b)) return false;
  return *a == *b;
}

// Consumes one simulated busy answer when any are pending.
bool TakeBusy(HRESULT* hr) {
  int pending = g_busyCalls.load();
  while (pending > 0) {
    if (g_busyCalls.compare_exchange_weak(pending, pending - 1)) {
      *hr = g_busyResult.load();
      return true;
    }
  }
  return false;
}

BSTR CopyBstr(const std::wstring& text) { return SysAllocStringLen(text.data(), UINT(text.size())); }
}  // namespace

void SimulateBusy(int calls, HRESULT hr) {
  g_busyResult = hr;
  g_busyCalls = calls > 0 ? calls : 0;
}

std::vector<const wchar_t*> NumberedParameters(const wchar_t* first, size_t count) {
  // Member tables are function-local statics built after this store, so
  // they are destroyed before it: the names outlive every table.
  static std::deque<std::wstring> names;
  std::vector<const wchar_t*> result;
  for (size_t i = 1; i <= count; ++i) {
    names.push_back(std::wstring(first) + std::to_wstring(i));
    result.push_back(names.back().c_str());
  }
  return result;
}

void Call::ReturnObject(IDispatch* owned) {
  VariantClear(result);
  result->vt = VT_DISPATCH;
  result->pdispVal = owned;
}

void Call::ReturnBool(bool value) {
  VariantClear(result);
  result->vt = VT_BOOL;
  result->boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void Call::ReturnLong(LONG value) {
  VariantClear(result);
  result->vt = VT_I4;
  result->lVal = value;
}

void Call::ReturnDouble(double value) {
  VariantClear(result);
  result->vt = VT_R8;
  result->dblVal = value;
}

void Call::ReturnText(const std::wstring& text) {
  VariantClear(result);
  BSTR copy = CopyBstr(text);
  if (!copy) throw std::bad_alloc();
  result->vt = VT_BSTR;
  result->bstrVal = copy;
}

DispatchObject::DispatchObject() { ++g_liveObjects; }
DispatchObject::~DispatchObject() { --g_liveObjects; }

long DispatchObject::LiveObjectCount() { return g_liveObjects.load(); }

HRESULT DispatchObject::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG DispatchObject::AddRef() { return ++references_; }

ULONG DispatchObject::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT DispatchObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT DispatchObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  HRESULT busy;
  if (TakeBusy(&busy)) return busy;
  if (count == 0) return S_OK;
  if (!names || !ids) return E_POINTER;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const std::vector<MemberInfo>& members = Members();
  size_t found = members.size();
  for (size_t m = 0; m < members.size(); ++m) {
    if (NamesEqual(names[0], members[m].name)) {
      found = m;
      break;
    }
  }
  if (found == members.size()) return DISP_E_UNKNOWNNAME;
  ids[0] = DISPID(found + 1);
  HRESULT hr = S_OK;
  const std::vector<const wchar_t*>& params = members[found].params;
  // Named arguments mostly come in the member's own order (Union's Arg1 to
  // Arg30): each search starts after the last match, so such a list is
  // found in one sweep instead of one per name. Parameter names are unique.
  size_t next = 0;
  for (UINT i = 1; i < count; ++i) {
    for (size_t k = 0; k < params.size(); ++k) {
      const size_t p = (next + k) % params.size();
      if (NamesEqual(names[i], params[p])) {
        ids[i] = DISPID(p);
        next = p + 1;
        break;
      }
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT DispatchObject::Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params,
                               VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
  HRESULT busy;
  if (TakeBusy(&busy)) return busy;
  const std::vector<MemberInfo>& members = Members();
  size_t index;
  if (member == DISPID_VALUE) {
    if (DefaultMember() < 0) return DISP_E_MEMBERNOTFOUND;
    index = size_t(DefaultMember());
  } else if (member >= 1 && size_t(member) <= members.size()) {
    index = size_t(member - 1);
  } else {
    return DISP_E_MEMBERNOTFOUND;
  }
  const WORD kinds = members[index].kinds;
  WORD kind;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (!(kinds & kPut)) return DISP_E_MEMBERNOTFOUND;
    kind = kPut;
  } else if ((flags & kGet) && (kinds & kGet)) {
    kind = kGet;
  } else if ((flags & kMethod) && (kinds & kMethod)) {
    kind = kMethod;
  } else {
    return DISP_E_MEMBERNOTFOUND;
  }

  VARIANT scratch;
  VariantInit(&scratch);
  VARIANT* out = result ? result : &scratch;
  if (result) VariantInit(result);
  try {
    Arguments args(params, members[index].params.size(), kind == kPut);
    Call call{kind, args, out};
    InvokeMember(index, call);
  } catch (const ComError& error) {
    VariantClear(out);
    if (argErr && error.argErr != kNoArgument) *argErr = error.argErr;
    if (error.hr == DISP_E_EXCEPTION && excepInfo) {
      *excepInfo = EXCEPINFO{};
      excepInfo->wCode = 0;
      excepInfo->bstrSource = SysAllocString(L"Microsoft Excel");
      excepInfo->bstrDescription = CopyBstr(error.description);
      excepInfo->scode = error.scode;
    }
    return error.hr;
  } catch (const std::bad_alloc&) {
    VariantClear(out);
    return E_OUTOFMEMORY;
  } catch (...) {
    VariantClear(out);
    if (excepInfo) {
      *excepInfo = EXCEPINFO{};
      excepInfo->bstrSource = SysAllocString(L"Microsoft Excel");
      excepInfo->bstrDescription = SysAllocString(L"Application-defined or object-defined error");
      excepInfo->scode = kApplicationError;
    }
    return DISP_E_EXCEPTION;
  }
  if (!result) VariantClear(&scratch);
  return S_OK;
}

}  // namespace sheetwright::server
