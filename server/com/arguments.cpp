#include "server/com/arguments.h"

#include "server/com/com_error.h"

namespace sheetwright::server {

namespace {
bool IsOmitted(const VARIANT* v) { return !v || (v->vt == VT_ERROR && v->scode == DISP_E_PARAMNOTFOUND); }
}  // namespace

Arguments::Arguments(const DISPPARAMS* params, size_t parameterCount, bool isPut)
    : slots_(parameterCount) {
  if (!params) {
    if (isPut) ThrowResult(DISP_E_BADPARAMCOUNT);
    return;
  }
  const UINT count = params->cArgs;
  const UINT named = params->cNamedArgs;
  if (named > count || (count > 0 && !params->rgvarg) || (named > 0 && !params->rgdispidNamedArgs))
    ThrowResult(E_INVALIDARG);
  bool putFound = false;
  for (UINT i = 0; i < named; ++i) {
    const DISPID id = params->rgdispidNamedArgs[i];
    if (id == DISPID_PROPERTYPUT && isPut) {
      putValue_ = {Resolve(&params->rgvarg[i]), i};
      putFound = true;
      continue;
    }
    if (id < 0 || size_t(id) >= parameterCount) ThrowResult(DISP_E_PARAMNOTFOUND, i);
    slots_[size_t(id)] = {Resolve(&params->rgvarg[i]), i};
  }
  // Positional arguments: rgvarg[count - 1] is the first one.
  UINT positionalCount = count - named;
  if (isPut && !putFound) {
    // A put without the DISPID_PROPERTYPUT name passes its value last.
    if (positionalCount == 0) ThrowResult(DISP_E_BADPARAMCOUNT);
    putValue_ = {Resolve(&params->rgvarg[named]), named};
    --positionalCount;
  }
  if (positionalCount > parameterCount) ThrowResult(DISP_E_BADPARAMCOUNT);
  positional_ = positionalCount;
  for (UINT p = 0; p < positionalCount; ++p) {
    const UINT index = count - 1 - p;
    if (slots_[p].value) ThrowResult(DISP_E_BADPARAMCOUNT);  // given twice
    slots_[p] = {Resolve(&params->rgvarg[index]), index};
  }
}

Arguments::~Arguments() {
  for (VARIANT* v : owned_) {
    VariantClear(v);
    delete v;
  }
}

const VARIANT* Arguments::Resolve(const VARIANT* arg) {
  if (!(arg->vt & VT_BYREF)) return arg;
  if (arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal) return Resolve(arg->pvarVal);
  VARIANT* copy = new VARIANT;
  VariantInit(copy);
  owned_.push_back(copy);
  VariantCopyInd(copy, arg);
  return copy;
}

bool Arguments::Has(size_t i) const { return i < slots_.size() && !IsOmitted(slots_[i].value); }

const VARIANT* Arguments::Raw(size_t i) const { return Has(i) ? slots_[i].value : nullptr; }

VARIANT Arguments::Coerce(const VARIANT* value, VARTYPE vt, UINT argIndex) {
  VARIANT out;
  VariantInit(&out);
  if (FAILED(VariantChangeType(&out, value, 0, vt))) {
    VariantClear(&out);
    ThrowResult(DISP_E_TYPEMISMATCH, argIndex);
  }
  return out;
}

std::optional<int64_t> Arguments::Integer(size_t i) const {
  if (!Has(i)) return std::nullopt;
  const VARIANT* v = slots_[i].value;
  switch (v->vt) {
    case VT_I2: return v->iVal;
    case VT_I4: return v->lVal;
    case VT_I8: return v->llVal;
    default: break;
  }
  VARIANT out = Coerce(v, VT_I8, slots_[i].index);
  return out.llVal;
}

int64_t Arguments::Integer(size_t i, int64_t fallback) const { return Integer(i).value_or(fallback); }

std::optional<bool> Arguments::Bool(size_t i) const {
  if (!Has(i)) return std::nullopt;
  const VARIANT* v = slots_[i].value;
  if (v->vt == VT_BOOL) return v->boolVal != VARIANT_FALSE;
  VARIANT out = Coerce(v, VT_BOOL, slots_[i].index);
  return out.boolVal != VARIANT_FALSE;
}

bool Arguments::Bool(size_t i, bool fallback) const { return Bool(i).value_or(fallback); }

std::optional<std::wstring> Arguments::Text(size_t i) const {
  if (!Has(i)) return std::nullopt;
  const VARIANT* v = slots_[i].value;
  if (v->vt == VT_BSTR) return std::wstring(v->bstrVal ? v->bstrVal : L"", SysStringLen(v->bstrVal));
  VARIANT out = Coerce(v, VT_BSTR, slots_[i].index);
  std::wstring text(out.bstrVal ? out.bstrVal : L"", SysStringLen(out.bstrVal));
  VariantClear(&out);
  return text;
}

IDispatch* Arguments::Object(size_t i) const {
  if (!Has(i)) return nullptr;
  const VARIANT* v = slots_[i].value;
  if (v->vt == VT_DISPATCH) return v->pdispVal;
  if (v->vt == VT_UNKNOWN && v->punkVal) {
    IDispatch* dispatch = nullptr;
    if (SUCCEEDED(v->punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
      dispatch->Release();  // borrowed: the argument keeps the object alive
      return dispatch;
    }
  }
  ThrowResult(DISP_E_TYPEMISMATCH, slots_[i].index);
}

}  // namespace sheetwright::server
