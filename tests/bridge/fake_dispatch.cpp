#include "tests/bridge/fake_dispatch.h"

#include <cstring>
#include <cwctype>

#include "platform/sleep_hook.h"

namespace bridge_test {

namespace {

std::wstring Lower(const wchar_t* text) {
  std::wstring lower;
  for (; text != nullptr && *text != L'\0'; ++text) lower.push_back(std::towlower(*text));
  return lower;
}

RecordedArgument Record(const VARIANT& value) {
  RecordedArgument argument;
  argument.vt = value.vt;
  switch (value.vt) {
    case VT_I2:
      argument.integer = value.iVal;
      break;
    case VT_I4:
      argument.integer = value.lVal;
      break;
    case VT_I8:
      argument.integer = value.llVal;
      break;
    case VT_BOOL:
      argument.integer = value.boolVal;
      break;
    case VT_R8:
      argument.number = value.dblVal;
      break;
    case VT_BSTR:
      argument.text.assign(value.bstrVal, SysStringLen(value.bstrVal));
      break;
    case VT_DISPATCH:
      argument.object = value.pdispVal;
      break;
    case VT_ARRAY | VT_VARIANT: {
      LONG lower = 0;
      LONG upper = -1;
      SafeArrayGetLBound(value.parray, 1, &lower);
      SafeArrayGetUBound(value.parray, 1, &upper);
      for (LONG i = lower; i <= upper; ++i) {
        VARIANT element;
        VariantInit(&element);
        SafeArrayGetElement(value.parray, &i, &element);
        argument.strings.emplace_back(element.vt == VT_BSTR ? element.bstrVal : L"<not text>");
        VariantClear(&element);
      }
      break;
    }
    default:
      break;
  }
  return argument;
}

int g_sleepCount = 0;
unsigned long long g_sleepTotal = 0;

void CountSleep(DWORD milliseconds) {
  ++g_sleepCount;
  g_sleepTotal += milliseconds;
}

}  // namespace

void FakeDispatch::On(const std::wstring& member, Handler handler) {
  members_.push_back(Lower(member.c_str()));
  handlers_[static_cast<DISPID>(members_.size())] = std::move(handler);
}

HRESULT FakeDispatch::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

HRESULT FakeDispatch::GetTypeInfoCount(UINT* count) {
  if (count != nullptr) *count = 0;
  return S_OK;
}

HRESULT FakeDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT FakeDispatch::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  ++resolveCalls_;
  if (rejectResolve_ > 0) {
    --rejectResolve_;
    return resolveCode_;
  }
  lastNames_.clear();
  for (UINT i = 0; i < count; ++i) lastNames_.emplace_back(names[i] != nullptr ? names[i] : L"");
  ids[0] = DISPID_UNKNOWN;
  const std::wstring member = Lower(names[0]);
  for (size_t i = 0; i < members_.size(); ++i) {
    if (members_[i] == member) ids[0] = static_cast<DISPID>(i + 1);
  }
  for (UINT i = 1; i < count; ++i) {
    const std::wstring name = Lower(names[i]);
    auto found = argumentIds_.find(name);
    if (found == argumentIds_.end()) {
      found = argumentIds_.emplace(name, static_cast<DISPID>(1000 + argumentIds_.size())).first;
    }
    ids[i] = found->second;
  }
  return ids[0] == DISPID_UNKNOWN ? DISP_E_UNKNOWNNAME : S_OK;
}

HRESULT FakeDispatch::Invoke(DISPID member, REFIID, LCID, WORD kind, DISPPARAMS* parameters,
                             VARIANT* result, EXCEPINFO* exception, UINT* argumentError) {
  RecordedCall call;
  auto handler = handlers_.find(member);
  if (handler == handlers_.end()) return DISP_E_MEMBERNOTFOUND;
  call.member = members_[member - 1];
  call.kind = kind;
  call.argumentCount = parameters->cArgs;
  call.resultRequested = result != nullptr;
  for (UINT i = 0; i < parameters->cNamedArgs; ++i) {
    const DISPID id = parameters->rgdispidNamedArgs[i];
    std::wstring name = id == DISPID_PROPERTYPUT ? L"<put>" : L"<unknown>";
    for (const auto& [text, argumentId] : argumentIds_) {
      if (argumentId == id) name = text;
    }
    call.namedArguments.push_back(name);
  }
  for (UINT i = 0; i < parameters->cArgs; ++i) call.arguments.push_back(Record(parameters->rgvarg[i]));
  calls_.push_back(call);
  if (rejectInvoke_ > 0) {
    --rejectInvoke_;
    return invokeCode_;
  }
  return handler->second(calls_.back(), result, exception, argumentError);
}

FakeDispatch::Handler ReturnsNothing() {
  return [](const RecordedCall&, VARIANT*, EXCEPINFO*, UINT*) { return S_OK; };
}

FakeDispatch::Handler ReturnsLong(LONG value) {
  return [value](const RecordedCall&, VARIANT* result, EXCEPINFO*, UINT*) {
    if (result != nullptr) {
      result->vt = VT_I4;
      result->lVal = value;
    }
    return S_OK;
  };
}

FakeDispatch::Handler ReturnsDouble(double value) {
  return [value](const RecordedCall&, VARIANT* result, EXCEPINFO*, UINT*) {
    if (result != nullptr) {
      result->vt = VT_R8;
      result->dblVal = value;
    }
    return S_OK;
  };
}

FakeDispatch::Handler ReturnsText(const std::wstring& text) {
  return [text](const RecordedCall&, VARIANT* result, EXCEPINFO*, UINT*) {
    if (result != nullptr) {
      result->vt = VT_BSTR;
      result->bstrVal = SysAllocString(text.c_str());
    }
    return S_OK;
  };
}

FakeDispatch::Handler ReturnsObject(FakeDispatch* object) {
  return [object](const RecordedCall&, VARIANT* result, EXCEPINFO*, UINT*) {
    if (result != nullptr) {
      object->AddRef();
      result->vt = VT_DISPATCH;
      result->pdispVal = object;
    }
    return S_OK;
  };
}

FakeDispatch::Handler ReturnsVariant(const VARIANT& value) {
  VARIANT copy = value;  // shallow: the test keeps `value` alive and owns it
  return [copy](const RecordedCall&, VARIANT* result, EXCEPINFO*, UINT*) {
    return result != nullptr ? VariantCopy(result, &copy) : S_OK;
  };
}

FakeDispatch::Handler RaisesException(WORD code, const wchar_t* description) {
  std::wstring text = description != nullptr ? description : L"";
  const bool hasDescription = description != nullptr;
  return [code, text, hasDescription](const RecordedCall&, VARIANT*, EXCEPINFO* exception, UINT*) {
    if (exception != nullptr) {
      exception->wCode = code;
      exception->scode = static_cast<SCODE>(0x800A03ECu);
      exception->bstrSource = SysAllocString(L"Microsoft Excel");
      exception->bstrDescription = hasDescription ? SysAllocString(text.c_str()) : nullptr;
      exception->bstrHelpFile = SysAllocString(L"help.chm");
    }
    return DISP_E_EXCEPTION;
  };
}

FakeDispatch::Handler Fails(HRESULT hr, UINT argumentError) {
  return [hr, argumentError](const RecordedCall&, VARIANT*, EXCEPINFO*, UINT* error) {
    if (error != nullptr) *error = argumentError;
    return hr;
  };
}

SleepRecorder::SleepRecorder() {
  g_sleepCount = 0;
  g_sleepTotal = 0;
  PlatformSetSleepHook(&CountSleep);
}

SleepRecorder::~SleepRecorder() { PlatformSetSleepHook(nullptr); }

int SleepRecorder::Count() { return g_sleepCount; }

unsigned long long SleepRecorder::TotalMilliseconds() { return g_sleepTotal; }

}  // namespace bridge_test
