// VariantChangeType(Ex): the conversions between automation types.
// Numbers pass through one intermediate form (a signed, unsigned, real or
// currency value) so each target applies its own range check once; real
// values round half to even, as OLE Automation does.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/bstr.h"
#include "platform/dispatch.h"
#include "platform/internal/automation_text.h"
#include "platform/internal/case_fold.h"
#include "platform/internal/variant_type_rules.h"
#include "platform/safearray.h"
#include "platform/variant.h"

namespace {

// How deep a chain of objects whose value is another object is followed.
constexpr int kMaxValueDepth = 8;
constexpr double kFirstDate = -657434.0;
constexpr double kLastDate = 2958465.0;

struct Number {
  enum Kind { kSigned, kUnsigned, kReal, kCurrency } kind = kSigned;
  long long whole = 0;          // kSigned, and kCurrency scaled by 10,000
  unsigned long long count = 0;  // kUnsigned
  double real = 0;              // kReal
};

HRESULT Convert(VARIANT* result, const VARIANT* source, LCID lcid, USHORT flags, VARTYPE vt, int depth);

// Reads the object's default value (DISPID_VALUE) into *value.
HRESULT ReadDefaultValue(IDispatch* object, LCID lcid, VARIANT* value) {
  VariantInit(value);
  if (!object) return DISP_E_BADVARTYPE;
  DISPPARAMS noArguments{nullptr, nullptr, 0, 0};
  HRESULT hr = object->Invoke(DISPID_VALUE, IID_NULL, lcid, DISPATCH_PROPERTYGET, &noArguments, value,
                              nullptr, nullptr);
  if (FAILED(hr)) {
    VariantClear(value);
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

Number FromParsed(const ParsedNumber& parsed) {
  Number number;
  if (parsed.exact && !parsed.negative) {
    number.kind = Number::kUnsigned;
    number.count = parsed.magnitude;
  } else if (parsed.exact && parsed.magnitude <= 0x8000000000000000ull) {
    number.kind = Number::kSigned;
    number.whole = static_cast<long long>(0ull - parsed.magnitude);
  } else {
    number.kind = Number::kReal;
    number.real = parsed.value;
  }
  return number;
}

HRESULT ReadNumber(const VARIANT* source, Number* number) {
  Number n;
  switch (source->vt) {
    case VT_EMPTY: n.whole = 0; break;
    case VT_I1: n.whole = source->cVal; break;
    case VT_I2: n.whole = source->iVal; break;
    case VT_I4: n.whole = source->lVal; break;
    case VT_INT: n.whole = source->intVal; break;
    case VT_I8: n.whole = source->llVal; break;
    case VT_BOOL: n.whole = source->boolVal; break;  // its 16-bit value, as any I2
    case VT_UI1: n.kind = Number::kUnsigned; n.count = source->bVal; break;
    case VT_UI2: n.kind = Number::kUnsigned; n.count = source->uiVal; break;
    case VT_UI4: n.kind = Number::kUnsigned; n.count = source->ulVal; break;
    case VT_UINT: n.kind = Number::kUnsigned; n.count = source->uintVal; break;
    case VT_UI8: n.kind = Number::kUnsigned; n.count = source->ullVal; break;
    case VT_R4: n.kind = Number::kReal; n.real = source->fltVal; break;
    case VT_R8: n.kind = Number::kReal; n.real = source->dblVal; break;
    case VT_DATE: n.kind = Number::kReal; n.real = source->date; break;
    case VT_CY: n.kind = Number::kCurrency; n.whole = source->cyVal.int64; break;
    case VT_DECIMAL: {
      const DECIMAL& d = source->decVal;
      long double magnitude = static_cast<long double>(d.Hi32) * 18446744073709551616.0L + d.Lo64;
      n.kind = Number::kReal;
      n.real = static_cast<double>(magnitude / std::pow(10.0L, d.scale));
      if (d.sign & DECIMAL_NEG) n.real = -n.real;
      break;
    }
    case VT_BSTR: {
      ParsedNumber parsed;
      HRESULT hr = ParseNumberText(std::wstring_view(source->bstrVal ? source->bstrVal : L"",
                                                     SysStringLen(source->bstrVal)),
                                   &parsed);
      if (FAILED(hr)) return hr;
      n = FromParsed(parsed);
      break;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
  *number = n;
  return S_OK;
}

// Rounds currency (value * 10,000) to a whole number, half to even.
long long RoundCurrency(long long scaled) {
  long long quotient = scaled / 10000;
  const long long remainder = scaled % 10000;
  const long long magnitude = remainder < 0 ? -remainder : remainder;
  if (magnitude > 5000 || (magnitude == 5000 && (quotient & 1))) quotient += scaled < 0 ? -1 : 1;
  return quotient;
}

// Writes the number into an integer variant of type vt with range [low, high].
HRESULT StoreInteger(const Number& n, VARTYPE vt, long double low, long double high, VARIANT* out) {
  long double value;
  switch (n.kind) {
    case Number::kSigned: value = n.whole; break;
    case Number::kUnsigned: value = n.count; break;
    case Number::kCurrency:
      // A negative amount becomes a 64-bit integer one below its truncation
      // (-0.5 -> -1, -1 -> -2), as the Windows conversion does; every other
      // target rounds half to even.
      value = vt == VT_I8 && n.whole < 0 ? n.whole / 10000 - 1 : RoundCurrency(n.whole);
      break;
    default:
      if (std::isnan(n.real)) return DISP_E_OVERFLOW;
      value = std::nearbyint(static_cast<long double>(n.real));
  }
  if (value < low || value > high) return DISP_E_OVERFLOW;
  out->vt = vt;
  switch (vt) {
    case VT_I1: out->cVal = static_cast<CHAR>(value); break;
    case VT_UI1: out->bVal = static_cast<BYTE>(value); break;
    case VT_I2: out->iVal = static_cast<SHORT>(value); break;
    case VT_UI2: out->uiVal = static_cast<USHORT>(value); break;
    case VT_I4: out->lVal = static_cast<LONG>(value); break;
    case VT_INT: out->intVal = static_cast<INT>(value); break;
    case VT_UI4: out->ulVal = static_cast<ULONG>(value); break;
    case VT_UINT: out->uintVal = static_cast<UINT>(value); break;
    // 64-bit values take the exact integer when there is one: a long double
    // holds every int64 and uint64 exactly, so the casts are lossless.
    case VT_I8: out->llVal = static_cast<LONGLONG>(value); break;
    case VT_UI8: out->ullVal = static_cast<ULONGLONG>(value); break;
  }
  return S_OK;
}

double AsDouble(const Number& n) {
  switch (n.kind) {
    case Number::kSigned: return static_cast<double>(n.whole);
    case Number::kUnsigned: return static_cast<double>(n.count);
    case Number::kCurrency: return static_cast<double>(n.whole) / 10000.0;
    default: return n.real;
  }
}

HRESULT StoreNumber(const Number& n, VARTYPE vt, VARIANT* out) {
  switch (vt) {
    case VT_I1: return StoreInteger(n, vt, -128.0L, 127.0L, out);
    case VT_UI1: return StoreInteger(n, vt, 0.0L, 255.0L, out);
    case VT_I2: return StoreInteger(n, vt, -32768.0L, 32767.0L, out);
    case VT_UI2: return StoreInteger(n, vt, 0.0L, 65535.0L, out);
    case VT_I4:
    case VT_INT: return StoreInteger(n, vt, -2147483648.0L, 2147483647.0L, out);
    case VT_UI4:
    case VT_UINT: return StoreInteger(n, vt, 0.0L, 4294967295.0L, out);
    case VT_I8: return StoreInteger(n, vt, -9223372036854775808.0L, 9223372036854775807.0L, out);
    case VT_UI8: return StoreInteger(n, vt, 0.0L, 18446744073709551615.0L, out);
    case VT_R4: {
      const double value = AsDouble(n);
      if (std::isinf(value) || std::fabs(value) > FLT_MAX) return DISP_E_OVERFLOW;
      out->vt = VT_R4;
      out->fltVal = static_cast<FLOAT>(value);
      return S_OK;
    }
    case VT_R8:
      out->vt = VT_R8;
      out->dblVal = AsDouble(n);
      return S_OK;
    case VT_DATE: {
      const double value = AsDouble(n);
      if (!(value > kFirstDate - 1.0 && value < kLastDate + 1.0)) return DISP_E_OVERFLOW;
      out->vt = VT_DATE;
      out->date = value;
      return S_OK;
    }
    case VT_CY: {
      long double scaled;
      switch (n.kind) {
        case Number::kCurrency: scaled = n.whole; break;
        case Number::kSigned: scaled = static_cast<long double>(n.whole) * 10000; break;
        case Number::kUnsigned: scaled = static_cast<long double>(n.count) * 10000; break;
        default:
          if (std::isnan(n.real)) return DISP_E_OVERFLOW;
          scaled = std::nearbyint(static_cast<long double>(n.real) * 10000);
      }
      if (scaled < -9223372036854775808.0L || scaled > 9223372036854775807.0L) return DISP_E_OVERFLOW;
      out->vt = VT_CY;
      out->cyVal.int64 = static_cast<LONGLONG>(scaled);
      return S_OK;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT StoreText(std::wstring_view text, VARIANT* out) {
  BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!value) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  out->bstrVal = value;
  return S_OK;
}

HRESULT ToText(const VARIANT* source, USHORT flags, VARIANT* out) {
  switch (source->vt) {
    case VT_EMPTY: return StoreText(L"", out);
    case VT_BOOL:
      if (flags & (VARIANT_ALPHABOOL | VARIANT_LOCALBOOL)) return StoreText(source->boolVal ? L"True" : L"False", out);
      return StoreText(std::to_wstring(source->boolVal), out);
    case VT_I1: return StoreText(std::to_wstring(source->cVal), out);
    case VT_I2: return StoreText(std::to_wstring(source->iVal), out);
    case VT_I4: return StoreText(std::to_wstring(source->lVal), out);
    case VT_INT: return StoreText(std::to_wstring(source->intVal), out);
    case VT_I8: return StoreText(std::to_wstring(source->llVal), out);
    case VT_UI1: return StoreText(std::to_wstring(source->bVal), out);
    case VT_UI2: return StoreText(std::to_wstring(source->uiVal), out);
    case VT_UI4: return StoreText(std::to_wstring(source->ulVal), out);
    case VT_UINT: return StoreText(std::to_wstring(source->uintVal), out);
    case VT_UI8: return StoreText(std::to_wstring(source->ullVal), out);
    case VT_R4: return StoreText(FormatRealText(source->fltVal, 7), out);
    case VT_R8: return StoreText(FormatRealText(source->dblVal, 15), out);
    case VT_CY: return StoreText(FormatCurrencyText(source->cyVal.int64), out);
    case VT_DECIMAL: return StoreText(FormatDecimalText(source->decVal), out);
    case VT_DATE: {
      std::wstring text;
      if (!FormatDateText(source->date, &text)) return E_INVALIDARG;
      return StoreText(text, out);
    }
    case VT_ARRAY | VT_UI1: {
      // The bytes of the array become the bytes of the string.
      SAFEARRAY* bytes = source->parray;
      if (!bytes || bytes->cDims != 1) return DISP_E_TYPEMISMATCH;
      BSTR value = SysAllocStringByteLen(static_cast<LPCSTR>(bytes->pvData), bytes->rgsabound[0].cElements);
      if (!value) return E_OUTOFMEMORY;
      out->vt = VT_BSTR;
      out->bstrVal = value;
      return S_OK;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToBool(const VARIANT* source, VARIANT* out) {
  if (source->vt == VT_BSTR) {
    std::wstring_view text(source->bstrVal ? source->bstrVal : L"", SysStringLen(source->bstrVal));
    while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
    if (EqualsIgnoringCase(text, L"True") || EqualsIgnoringCase(text, L"False")) {
      out->vt = VT_BOOL;
      out->boolVal = EqualsIgnoringCase(text, L"True") ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    }
  }
  Number n;
  HRESULT hr = ReadNumber(source, &n);
  if (FAILED(hr)) return hr;
  bool truth;
  switch (n.kind) {
    case Number::kUnsigned: truth = n.count != 0; break;
    case Number::kReal: truth = n.real != 0; break;
    default: truth = n.whole != 0;
  }
  out->vt = VT_BOOL;
  out->boolVal = truth ? VARIANT_TRUE : VARIANT_FALSE;
  return S_OK;
}

HRESULT ToInterface(const VARIANT* source, VARTYPE vt, VARIANT* out) {
  if ((source->vt != VT_UNKNOWN && source->vt != VT_DISPATCH) || !source->punkVal) return DISP_E_TYPEMISMATCH;
  void* object = nullptr;
  HRESULT hr = source->punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &object);
  if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
  out->vt = vt;
  out->punkVal = static_cast<IUnknown*>(object);
  return S_OK;
}

// source holds no VT_BYREF; result is VT_EMPTY and owns what it receives.
HRESULT Convert(VARIANT* result, const VARIANT* source, LCID lcid, USHORT flags, VARTYPE vt, int depth) {
  if (source->vt == vt) return VariantCopy(result, source);
  if (vt == VT_DISPATCH || vt == VT_UNKNOWN) return ToInterface(source, vt, result);
  if (source->vt == VT_DISPATCH) {
    if ((flags & VARIANT_NOVALUEPROP) || depth >= kMaxValueDepth) return DISP_E_TYPEMISMATCH;
    VARIANT value;
    HRESULT hr = ReadDefaultValue(source->pdispVal, lcid, &value);
    if (FAILED(hr)) return hr;
    VARIANT direct;
    VariantInit(&direct);
    hr = VariantCopyInd(&direct, &value);
    VariantClear(&value);
    if (SUCCEEDED(hr)) hr = Convert(result, &direct, lcid, flags, vt, depth + 1);
    VariantClear(&direct);
    return hr;
  }
  if (source->vt == VT_NULL || source->vt == VT_ERROR || source->vt == VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
  if ((vt & VT_ARRAY) || ((source->vt & VT_ARRAY) && !(source->vt == (VT_ARRAY | VT_UI1) && vt == VT_BSTR))) {
    return DISP_E_TYPEMISMATCH;
  }
  switch (vt) {
    case VT_EMPTY:
      return S_OK;
    case VT_NULL:
      result->vt = VT_NULL;
      return S_OK;
    case VT_ERROR:
      return DISP_E_TYPEMISMATCH;
    case VT_BSTR:
      return ToText(source, flags, result);
    case VT_BOOL:
      return ToBool(source, result);
    case VT_DECIMAL:
      return E_NOTIMPL;
    case VT_DATE:
      if (source->vt == VT_BSTR) {
        DATE date;
        std::wstring_view text(source->bstrVal ? source->bstrVal : L"", SysStringLen(source->bstrVal));
        if (!ParseDateText(text, &date)) return DISP_E_TYPEMISMATCH;
        result->vt = VT_DATE;
        result->date = date;
        return S_OK;
      }
      [[fallthrough]];
    default: {
      Number n;
      HRESULT hr = ReadNumber(source, &n);
      if (FAILED(hr)) return hr;
      return StoreNumber(n, vt, result);
    }
  }
}

}  // namespace

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                            VARTYPE vt) {
  if (!pvargDest || !pvarSrc) return E_INVALIDARG;
  if (!IsValidVariantType(pvarSrc->vt)) return DISP_E_BADVARTYPE;
  // VT_VARIANT and VT_RECORD are types a variant can name but no conversion
  // produces.
  if (vt == VT_VARIANT || (vt & VT_TYPEMASK) == VT_RECORD) return DISP_E_TYPEMISMATCH;
  if (!IsValidVariantType(vt)) return DISP_E_BADVARTYPE;
  if (vt & VT_BYREF) return DISP_E_TYPEMISMATCH;
  if (!IsValidVariantType(pvargDest->vt)) return DISP_E_BADVARTYPE;

  VARIANT source;
  VariantInit(&source);
  HRESULT hr = VariantCopyInd(&source, pvarSrc);
  if (FAILED(hr)) return hr;
  VARIANT result;
  VariantInit(&result);
  hr = Convert(&result, &source, lcid, wFlags, vt, 0);
  VariantClear(&source);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  // The source was copied above, so clearing the destination is safe even
  // when it is the source.
  hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  std::memcpy(static_cast<void*>(pvargDest), &result, sizeof(VARIANT));
  return S_OK;
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt) {
  return VariantChangeTypeEx(pvargDest, pvarSrc, LOCALE_USER_DEFAULT, wFlags, vt);
}
