// The conversions' failures: types no conversion accepts, arrays, and the
// null pointers the functions check.
#include <string>

#include "case_output.h"

namespace platform_table {
namespace {

std::string Outcome(HRESULT hr, const VARIANT& out) { return Hr(hr) + " " + TypeName(out.vt); }

}  // namespace

void VariantFailureCases() {
  VARIANT out;
  VARIANT source;

  // Unknown source and target types.
  VariantInit(&source);
  source.vt = 0x7F;
  for (VARTYPE target : {VT_BSTR, VT_I4}) {
    VariantInit(&out);
    Case("bad source vt 0x7f -> " + TypeName(target), Outcome(VariantChangeType(&out, &source, 0, target), out));
  }
  VariantInit(&source);
  source.vt = VT_I4;
  source.lVal = 1;
  for (VARTYPE target : {VARTYPE(0x7F), VARTYPE(VT_VARIANT), VARTYPE(VT_RECORD), VARTYPE(VT_I4 | VT_BYREF),
                         VARTYPE(VT_NULL), VARTYPE(VT_EMPTY), VARTYPE(VT_ERROR), VARTYPE(VT_UNKNOWN)}) {
    VariantInit(&out);
    const HRESULT hr = VariantChangeType(&out, &source, 0, target);
    Case("I4 1 -> " + TypeName(target), hr == S_OK ? "0x00000000 " + Describe(out) : Outcome(hr, out));
    VariantClear(&out);
  }

  // The VT_NULL and VT_EMPTY targets.
  for (VARTYPE from : {VARTYPE(VT_EMPTY), VARTYPE(VT_NULL), VARTYPE(VT_BSTR), VARTYPE(VT_R8), VARTYPE(VT_BOOL),
                       VARTYPE(VT_ERROR)}) {
    for (VARTYPE target : {VARTYPE(VT_NULL), VARTYPE(VT_EMPTY)}) {
      VARIANT value;
      VariantInit(&value);
      value.vt = from;
      if (from == VT_BSTR) value.bstrVal = SysAllocString(L"1");
      VariantInit(&out);
      const HRESULT hr = VariantChangeType(&out, &value, 0, target);
      Case(TypeName(from) + " -> " + TypeName(target), Outcome(hr, out));
      VariantClear(&out);
      VariantClear(&value);
    }
  }

  // An array converts to nothing but itself.
  SAFEARRAYBOUND bound = {2, 1};
  VARIANT array;
  VariantInit(&array);
  array.vt = VT_ARRAY | VT_VARIANT;
  array.parray = SafeArrayCreate(VT_VARIANT, 1, &bound);
  for (VARTYPE target : {VT_BSTR, VT_R8, VT_I4}) {
    VariantInit(&out);
    Case("ARRAY VARIANT -> " + TypeName(target), Outcome(VariantChangeType(&out, &array, 0, target), out));
  }
  VariantInit(&out);
  HRESULT hr = VariantChangeType(&out, &array, 0, VT_ARRAY | VT_VARIANT);
  Case("ARRAY VARIANT -> VT_ARRAY|VT_VARIANT",
       Outcome(hr, out) + (out.vt == (VT_ARRAY | VT_VARIANT) && out.parray != array.parray ? " copied" : ""));
  VariantClear(&out);
  VariantInit(&out);
  Case("BSTR -> VT_ARRAY|VT_VARIANT", [&] {
    VARIANT text;
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(L"x");
    const HRESULT result = VariantChangeType(&out, &text, 0, VT_ARRAY | VT_VARIANT);
    VariantClear(&text);
    return Outcome(result, out);
  }());
  VariantClear(&out);
  VariantClear(&array);

  // VariantChangeType, VariantCopy and VariantClear check no pointers: a
  // null VARIANT pointer is a crash on Windows, so the table has no such case.

  // A BSTR variant holding a null pointer is the empty text.
  VARIANT nullText;
  VariantInit(&nullText);
  nullText.vt = VT_BSTR;
  nullText.bstrVal = nullptr;
  for (VARTYPE target : {VT_BSTR, VT_R8, VT_BOOL}) {
    VariantInit(&out);
    hr = VariantChangeType(&out, &nullText, 0, target);
    Case("BSTR null -> " + TypeName(target), hr == S_OK ? "0x00000000 " + Describe(out) : Outcome(hr, out));
    VariantClear(&out);
  }

  // VariantClear of unknown types and what it leaves behind.
  VARIANT odd;
  VariantInit(&odd);
  odd.vt = 0x7F;
  hr = VariantClear(&odd);
  Case("VariantClear vt 0x7f", Hr(hr) + " " + TypeName(odd.vt));
  VariantInit(&odd);
  odd.vt = VT_I4;
  odd.lVal = 5;
  hr = VariantClear(&odd);
  Case("VariantClear I4", Hr(hr) + " " + TypeName(odd.vt));
}

}  // namespace platform_table
