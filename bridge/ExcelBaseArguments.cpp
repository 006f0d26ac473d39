// ExcelBase: the argument list (adders, clearing) and VARIANT clean-up.
#include <cstring>

#include "bridge/ExcelBase.h"
#include "bridge/OwnedInterface.h"
#include "bridge/OwnedVariant.h"

VARIANT* ExcelBase::NextArgument(const wchar_t* name, WORD flags, VARTYPE type) {
  if (m_argumentCount < 0 || m_argumentCount >= kMaxArguments) {
    m_argumentListOverflow = true;
    return nullptr;
  }
  VARIANT* entry = &m_argumentValues[m_argumentCount];
  std::memset(entry, 0, sizeof(*entry));
  entry->vt = type;
  m_argumentFlags[m_argumentCount] = flags;
  if (name != nullptr) {
    // Named arguments precede positional ones, so the named count never
    // exceeds the argument count and m_names has room for it.
    m_names[1 + m_namedArgumentCount] = name;
    ++m_namedArgumentCount;
  }
  return entry;
}

int ExcelBase::AddArgumentCommon(const wchar_t* name, WORD flags, VARTYPE type) {
  return NextArgument(name, flags, type) != nullptr ? 1 : 0;
}

int ExcelBase::AddArgumentEmpty(const wchar_t* name, WORD flags) {
  if (NextArgument(name, flags, VT_EMPTY) == nullptr) return 0;
  ++m_argumentCount;
  return 1;
}

int ExcelBase::AddArgumentInt2(const wchar_t* name, WORD flags, int value) {
  VARIANT* entry = NextArgument(name, flags, VT_I2);
  if (entry == nullptr) return 0;
  entry->iVal = static_cast<SHORT>(static_cast<uint16_t>(value & 0xFFFF));
  ++m_argumentCount;
  return 1;
}

int ExcelBase::AddArgumentLong(const wchar_t* name, WORD flags, LONG value) {
  VARIANT* entry = NextArgument(name, flags, VT_I4);
  if (entry == nullptr) return 0;
  entry->lVal = value;
  ++m_argumentCount;
  return 1;
}

int ExcelBase::AddArgumentLong64(const wchar_t* name, WORD flags, LONGLONG value) {
  VARIANT* entry = NextArgument(name, flags, VT_I8);
  if (entry == nullptr) return 0;
  entry->llVal = value;
  ++m_argumentCount;
  return 1;
}

int ExcelBase::AddArgumentBool(const wchar_t* name, WORD flags, int value) {
  VARIANT* entry = NextArgument(name, flags, VT_BOOL);
  if (entry == nullptr) return 0;
  entry->boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE;
  ++m_argumentCount;
  return 1;
}

int ExcelBase::AddArgumentDouble(const wchar_t* name, WORD flags, double value) {
  VARIANT* entry = NextArgument(name, flags, VT_R8);
  if (entry == nullptr) return 0;
  entry->dblVal = value;
  ++m_argumentCount;
  return 1;
}

int ExcelBase::AddArgumentDispatch(const wchar_t* name, WORD flags, IDispatch* value) {
  // The caller handed its reference over (unless borrowed); a full list must
  // not leak it.
  OwnedDispatch handedOver((flags & kArgumentBorrowed) == 0 ? value : nullptr);
  VARIANT* entry = NextArgument(name, flags, VT_DISPATCH);
  if (entry == nullptr) return 0;
  handedOver.Detach();  // the list owns it now
  entry->pdispVal = value;
  ++m_argumentCount;
  return 1;
}

int ExcelBase::AddArgumentOLEString(const wchar_t* name, WORD flags, const wchar_t* value) {
  BSTR copy = SysAllocString(value);
  if (copy == nullptr) return 0;
  // The list made the copy, so it owns it whatever the flags say.
  VARIANT* entry = NextArgument(name, static_cast<WORD>(flags & ~kArgumentBorrowed), VT_BSTR);
  if (entry == nullptr) {
    SysFreeString(copy);
    return 0;
  }
  entry->bstrVal = copy;
  ++m_argumentCount;
  return 1;
}

SAFEARRAY* ExcelBase::CreateStringArray(const wchar_t* const* texts, const std::wstring* strings,
                                        int count) {
  if (count < 0) return nullptr;
  SAFEARRAYBOUND bound;
  bound.cElements = static_cast<ULONG>(count);
  bound.lLbound = 0;
  SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
  if (array == nullptr) return nullptr;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) {
    SafeArrayDestroy(array);
    return nullptr;
  }
  VARIANT* elements = static_cast<VARIANT*>(data);
  bool complete = true;
  for (int i = 0; i < count; ++i) {
    BSTR copy = nullptr;
    if (strings != nullptr) {
      copy = SysAllocStringLen(strings[i].data(), static_cast<UINT>(strings[i].size()));
    } else if (texts != nullptr && texts[i] != nullptr) {
      copy = SysAllocString(texts[i]);
    }
    if (copy == nullptr) {
      complete = false;
      break;
    }
    elements[i].vt = VT_BSTR;
    elements[i].bstrVal = copy;
  }
  SafeArrayUnaccessData(array);
  if (!complete) {
    // Destroying the array frees the element strings copied so far.
    SafeArrayDestroy(array);
    return nullptr;
  }
  return array;
}

int ExcelBase::AddArgumentStringArray(const wchar_t* name, WORD flags,
                                      std::vector<std::wstring> values) {
  if (m_argumentCount >= kMaxArguments) {
    m_argumentListOverflow = true;
    return 0;
  }
  SAFEARRAY* array = CreateStringArray(nullptr, values.data(), static_cast<int>(values.size()));
  if (array == nullptr) return 0;
  VARIANT* entry = NextArgument(name, static_cast<WORD>(flags & ~kArgumentBorrowed),
                                VT_ARRAY | VT_VARIANT);
  entry->parray = array;
  ++m_argumentCount;
  return 1;
}

int ExcelBase::AddArgumentCStringArray(const wchar_t* name, WORD flags,
                                       const wchar_t* const* values, int count) {
  if (m_argumentCount >= kMaxArguments) {
    m_argumentListOverflow = true;
    return 0;
  }
  if (values == nullptr && count > 0) return 0;
  SAFEARRAY* array = CreateStringArray(values, nullptr, count);
  if (array == nullptr) return 0;
  VARIANT* entry = NextArgument(name, static_cast<WORD>(flags & ~kArgumentBorrowed),
                                VT_ARRAY | VT_VARIANT);
  entry->parray = array;
  ++m_argumentCount;
  return 1;
}

void ExcelBase::ClearAllArgs() {
  int count = m_argumentCount < kMaxArguments ? m_argumentCount : kMaxArguments;
  for (int i = 0; i < count; ++i) {
    if ((m_argumentFlags[i] & kArgumentBorrowed) != 0) {
      ClearVariant(&m_argumentValues[i]);
    } else {
      ReleaseVariant(&m_argumentValues[i]);
    }
  }
  m_argumentCount = 0;
  m_namedArgumentCount = 0;
  m_argumentListOverflow = false;
}

void ExcelBase::ReleaseVariant(VARIANT* value) { ReleaseVariantContents(value); }

void ExcelBase::ClearVariant(VARIANT* value) {
  if (value == nullptr) return;
  std::memset(value, 0, sizeof(*value));
}
