#include "tests/server/dispatch_call.h"

#include <gtest/gtest.h>

namespace sheetwright::test {

namespace {
Arg Make(const wchar_t* name, VARTYPE vt) {
  Arg arg{name, {}};
  VariantInit(&arg.value);
  arg.value.vt = vt;
  return arg;
}
}  // namespace

Arg Str(const std::wstring& text, const wchar_t* name) {
  Arg arg = Make(name, VT_BSTR);
  arg.value.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  return arg;
}
Arg I2(short value, const wchar_t* name) {
  Arg arg = Make(name, VT_I2);
  arg.value.iVal = value;
  return arg;
}
Arg I4(LONG value, const wchar_t* name) {
  Arg arg = Make(name, VT_I4);
  arg.value.lVal = value;
  return arg;
}
Arg I8(int64_t value, const wchar_t* name) {
  Arg arg = Make(name, VT_I8);
  arg.value.llVal = value;
  return arg;
}
Arg Bool(bool value, const wchar_t* name) {
  Arg arg = Make(name, VT_BOOL);
  arg.value.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return arg;
}
Arg Obj(IDispatch* object, const wchar_t* name) {
  Arg arg = Make(name, VT_DISPATCH);
  arg.value.pdispVal = object;
  if (object) object->AddRef();
  return arg;
}

Result::Result() { VariantInit(&value); }
Result::Result(Result&& other) noexcept
    : hr(other.hr), resolveHr(other.resolveHr), value(other.value), scode(other.scode), source(std::move(other.source)),
      description(std::move(other.description)), argErr(other.argErr) {
  VariantInit(&other.value);
}
Result::~Result() { VariantClear(&value); }

IDispatch* Result::TakeObject() {
  if (value.vt != VT_DISPATCH) return nullptr;
  IDispatch* object = value.pdispVal;
  VariantInit(&value);
  return object;
}

std::wstring Result::Text() const {
  if (value.vt != VT_BSTR || !value.bstrVal) return std::wstring();
  return std::wstring(value.bstrVal, SysStringLen(value.bstrVal));
}

static Result Invoke(IDispatch* target, const wchar_t* member, WORD kind, std::vector<Arg> args, Arg* putValue) {
  Result result;
  std::vector<Arg> named, positional;
  for (Arg& a : args) (a.name ? named : positional).push_back(a);
  std::vector<LPOLESTR> names{const_cast<LPOLESTR>(member)};
  for (Arg& a : named) names.push_back(const_cast<LPOLESTR>(a.name));
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  result.resolveHr = target->GetIDsOfNames(IID_NULL, names.data(), UINT(names.size()), LOCALE_SYSTEM_DEFAULT, ids.data());
  if (FAILED(result.resolveHr)) {
    result.hr = result.resolveHr;
  } else {
    std::vector<VARIANT> rgvarg;
    std::vector<DISPID> namedIds;
    if (putValue) {
      rgvarg.push_back(putValue->value);
      namedIds.push_back(DISPID_PROPERTYPUT);
    }
    for (size_t i = 0; i < named.size(); ++i) {
      rgvarg.push_back(named[i].value);
      namedIds.push_back(ids[i + 1]);
    }
    for (size_t i = positional.size(); i-- > 0;) rgvarg.push_back(positional[i].value);
    DISPPARAMS params{rgvarg.data(), namedIds.data(), UINT(rgvarg.size()), UINT(namedIds.size())};
    EXCEPINFO excep{};
    result.hr = target->Invoke(ids[0], IID_NULL, LOCALE_SYSTEM_DEFAULT, kind, &params,
                               kind == DISPATCH_PROPERTYPUT ? nullptr : &result.value, &excep, &result.argErr);
    result.scode = excep.scode;
    if (excep.bstrSource) result.source = excep.bstrSource;
    if (excep.bstrDescription) result.description = excep.bstrDescription;
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
  }
  for (Arg& a : args) VariantClear(&a.value);
  if (putValue) VariantClear(&putValue->value);
  return result;
}

Result Call(IDispatch* target, const wchar_t* member, WORD kind, std::vector<Arg> args) {
  return Invoke(target, member, kind, std::move(args), nullptr);
}

Result Put(IDispatch* target, const wchar_t* member, Arg value, std::vector<Arg> args) {
  return Invoke(target, member, DISPATCH_PROPERTYPUT, std::move(args), &value);
}

Ref GetObject(IDispatch* target, const wchar_t* member, std::vector<Arg> args) {
  Result r = Get(target, member, std::move(args));
  EXPECT_EQ(r.hr, S_OK) << "member " << std::string(member, member + wcslen(member));
  return Ref(r.TakeObject());
}

}  // namespace sheetwright::test
