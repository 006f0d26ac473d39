// VariantChangeType from every type the library and the server hand to it,
// to every type they ask for.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "case_output.h"
#include "value_dispatch.h"

namespace platform_table {
namespace {

const VARTYPE kTargets[] = {VT_BSTR, VT_R8, VT_R4, VT_I2, VT_I4, VT_I8, VT_BOOL, VT_DATE, VT_CY};

struct Source {
  std::string name;
  VARIANT value;
};

VARIANT Make(VARTYPE vt) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  return v;
}
VARIANT Real(double x) {
  VARIANT v = Make(VT_R8);
  v.dblVal = x;
  return v;
}
VARIANT Single(float x) {
  VARIANT v = Make(VT_R4);
  v.fltVal = x;
  return v;
}
VARIANT Date(double x) {
  VARIANT v = Make(VT_DATE);
  v.date = x;
  return v;
}
VARIANT Currency(LONGLONG scaled) {
  VARIANT v = Make(VT_CY);
  v.cyVal.int64 = scaled;
  return v;
}
VARIANT Boolean(VARIANT_BOOL b) {
  VARIANT v = Make(VT_BOOL);
  v.boolVal = b;
  return v;
}
VARIANT Short(SHORT x) {
  VARIANT v = Make(VT_I2);
  v.iVal = x;
  return v;
}
VARIANT Long(LONG x) {
  VARIANT v = Make(VT_I4);
  v.lVal = x;
  return v;
}
VARIANT LongLong(LONGLONG x) {
  VARIANT v = Make(VT_I8);
  v.llVal = x;
  return v;
}
VARIANT Text(const wchar_t* text) {
  VARIANT v = Make(VT_BSTR);
  v.bstrVal = SysAllocString(text);
  return v;
}
VARIANT Error(SCODE code) {
  VARIANT v = Make(VT_ERROR);
  v.scode = code;
  return v;
}

std::vector<Source> Sources() {
  std::vector<Source> s;
  const double reals[] = {0.0,     -0.0,      1.0,        -1.0,        0.5,        -0.5,
                          1234.0,  0.1 + 0.2, 1.2e-6,     -1.2e-6,     1e-5,       0.0001,
                          0.00012, 5.6789e-12, 123456.789, 1e15,       1e16,       123456789012345678.0,
                          1e20,    -1.5e300,  2.5,        3.5,         -2.5,       32767.5,
                          32768.0, 2147483647.5, 1.0 / 3.0, 45000.75, 922337203685477.0,
                          999999999999999.0, 0.000001, 1e-300};
  for (double x : reals) s.push_back({"R8 " + Number(x), Real(x)});
  s.push_back({"R8 nan", Real(std::numeric_limits<double>::quiet_NaN())});
  s.push_back({"R8 inf", Real(std::numeric_limits<double>::infinity())});
  const float singles[] = {1.1f, -2.5f, 3.4e38f, 1e-7f, 16777216.0f, 0.3f};
  for (float x : singles) s.push_back({"R4 " + Number(x), Single(x)});
  const double dates[] = {45000.0, 45000.75, 45000.5 + 1.0 / 86400.0, 0.0, 0.25, -1.5, 2.5, 1.0, 60.0, 2958465.0};
  for (double x : dates) s.push_back({"DATE " + Number(x), Date(x)});
  const LONGLONG currencies[] = {0, 12345678, -5000, -10000, -15000, 15000, 25000, 10000, 15, 922337203685477LL * 10000 + 5807};
  for (LONGLONG x : currencies) s.push_back({"CY " + std::to_string(x) + "e-4", Currency(x)});
  s.push_back({"BOOL true", Boolean(VARIANT_TRUE)});
  s.push_back({"BOOL false", Boolean(VARIANT_FALSE)});
  s.push_back({"BOOL 1", Boolean(1)});
  for (SHORT x : {SHORT(0), SHORT(-5), SHORT(32767)}) s.push_back({"I2 " + std::to_string(x), Short(x)});
  for (LONG x : {LONG(-123456), LONG(70000), LONG(2147483647)}) s.push_back({"I4 " + std::to_string(x), Long(x)});
  for (LONGLONG x : {LONGLONG(42), LONGLONG(-3000000000LL), LONGLONG(9223372036854775807LL)})
    s.push_back({"I8 " + std::to_string(x), LongLong(x)});
  s.push_back({"EMPTY", Make(VT_EMPTY)});
  s.push_back({"NULL", Make(VT_NULL)});
  s.push_back({"ERROR #DIV/0!", Error(static_cast<SCODE>(0x800A07D7))});
  s.push_back({"ERROR missing", Error(DISP_E_PARAMNOTFOUND)});
  const wchar_t* texts[] = {L"12.5",      L" 42 ",     L"1e3",        L"abc",     L"",
                            L"True",      L"false",    L"-",          L"1,234.5", L"&H1F",
                            L"(5)",       L"1.2E-06",  L"99999999999", L"32767.5", L"2024-01-15",
                            L"1/15/2024", L"10:30",    L"1/15/2024 10:30:15 PM", L"$5", L"5%",
                            L"0x10",      L"1.5.2",    L"\x00a0" L"7"};
  for (const wchar_t* t : texts) s.push_back({"BSTR " + Quoted(t), Text(t)});
  return s;
}

void Convert(const std::string& name, const VARIANT& source, VARTYPE target, USHORT flags) {
  VARIANT out;
  VariantInit(&out);
  const HRESULT hr = VariantChangeType(&out, const_cast<VARIANT*>(&source), flags, target);
  Case(name + " -> " + TypeName(target),
       hr == S_OK ? Describe(out) : Hr(hr) + " " + TypeName(out.vt));
  VariantClear(&out);
}

void DispatchCases() {
  const VARIANT number = Real(2.5);
  ValueDispatch answersNumber(number, S_OK);
  VARIANT text = Text(L"from value");
  ValueDispatch answersText(text, S_OK);
  VariantClear(&text);
  const VARIANT empty = Make(VT_EMPTY);
  ValueDispatch fails(empty, DISP_E_MEMBERNOTFOUND);
  struct Entry {
    const char* name;
    ValueDispatch* object;
  } objects[] = {{"DISPATCH value R8 2.5", &answersNumber},
                 {"DISPATCH value BSTR", &answersText},
                 {"DISPATCH value fails", &fails}};
  for (const Entry& e : objects) {
    VARIANT source = Make(VT_DISPATCH);
    source.pdispVal = e.object;
    for (VARTYPE target : {VT_BSTR, VT_R8, VT_I4, VT_BOOL}) Convert(e.name, source, target, 0);
    Convert(std::string(e.name) + " NOVALUEPROP", source, VT_BSTR, VARIANT_NOVALUEPROP);
    VARIANT same;
    VariantInit(&same);
    const HRESULT hr = VariantChangeType(&same, &source, 0, VT_DISPATCH);
    Case(std::string(e.name) + " -> VT_DISPATCH", Hr(hr) + " " + TypeName(same.vt) +
                                                       (same.vt == VT_DISPATCH && same.pdispVal == e.object ? " same object" : ""));
    VariantClear(&same);
    Case(std::string(e.name) + " references after", std::to_string(e.object->references()));
  }
  VARIANT nullObject = Make(VT_DISPATCH);
  nullObject.pdispVal = nullptr;
  for (VARTYPE target : {VT_BSTR, VT_R8, VT_DISPATCH}) Convert("DISPATCH null", nullObject, target, 0);
}

void ByReferenceCases() {
  double number = 0.25;
  VARIANT byRef = Make(VT_BYREF | VT_R8);
  byRef.pdblVal = &number;
  Convert("BYREF R8 0.25", byRef, VT_BSTR, 0);
  Convert("BYREF R8 0.25", byRef, VT_I4, 0);
  VARIANT inner = Text(L"7");
  VARIANT byRefVariant = Make(VT_BYREF | VT_VARIANT);
  byRefVariant.pvarVal = &inner;
  Convert("BYREF VARIANT BSTR 7", byRefVariant, VT_I4, 0);
  VariantClear(&inner);
}

void InPlaceCases() {
  VARIANT value = Real(1.5);
  HRESULT hr = VariantChangeType(&value, &value, 0, VT_BSTR);
  Case("in place R8 1.5 -> VT_BSTR", Hr(hr) + " " + Describe(value));
  hr = VariantChangeType(&value, &value, 0, VT_I4);
  Case("in place BSTR 1.5 -> VT_I4", Hr(hr) + " " + Describe(value));
  VariantClear(&value);
  value = Text(L"abc");
  hr = VariantChangeType(&value, &value, 0, VT_R8);
  Case("in place BSTR abc -> VT_R8 keeps source", Hr(hr) + " " + Describe(value));
  VariantClear(&value);
}

void FlagCases() {
  const VARIANT yes = Boolean(VARIANT_TRUE);
  const VARIANT no = Boolean(VARIANT_FALSE);
  Convert("BOOL true ALPHABOOL", yes, VT_BSTR, VARIANT_ALPHABOOL);
  Convert("BOOL false ALPHABOOL", no, VT_BSTR, VARIANT_ALPHABOOL);
  VARIANT text = Text(L"True");
  Convert("BSTR \"True\" ALPHABOOL", text, VT_BOOL, VARIANT_ALPHABOOL);
  VariantClear(&text);
}

}  // namespace

void VariantConversionCases() {
  std::vector<Source> sources = Sources();
  for (const Source& s : sources) {
    for (VARTYPE target : kTargets) Convert(s.name, s.value, target, 0);
  }
  for (Source& s : sources) VariantClear(&s.value);
  DispatchCases();
  ByReferenceCases();
  InPlaceCases();
  FlagCases();
}

}  // namespace platform_table
