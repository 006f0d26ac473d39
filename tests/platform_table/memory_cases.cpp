// BSTR allocation and length rules; SAFEARRAY creation, bounds, element
// access, copy and destruction in the Windows layout.
#include <cstring>
#include <string>

#include "case_output.h"
#include "value_dispatch.h"

namespace platform_table {
namespace {

// A BSTR's length in characters and in bytes per character, so the two
// sides' different OLECHAR widths print alike.
std::string Lengths(BSTR text) {
  const UINT bytes = SysStringByteLen(text);
  return "len " + std::to_string(SysStringLen(text)) + " bytes/char " +
         std::to_string(bytes / sizeof(OLECHAR)) + "+" + std::to_string(bytes % sizeof(OLECHAR));
}

std::string Bounds(SAFEARRAY* array) {
  std::string out = "dims " + std::to_string(SafeArrayGetDim(array));
  for (UINT d = 1; d <= SafeArrayGetDim(array); ++d) {
    LONG lower = 0;
    LONG upper = 0;
    SafeArrayGetLBound(array, d, &lower);
    SafeArrayGetUBound(array, d, &upper);
    out += " [" + std::to_string(lower) + ".." + std::to_string(upper) + "]";
  }
  return out;
}

}  // namespace

void BstrCases() {
  BSTR text = SysAllocString(L"hello");
  Case("SysAllocString hello", Quoted(text, SysStringLen(text)) + " " + Lengths(text));
  Case("SysAllocString hello terminated", text[5] == 0 ? "yes" : "no");
  SysFreeString(text);
  Case("SysAllocString null", SysAllocString(nullptr) == nullptr ? "null" : "not null");
  text = SysAllocString(L"");
  Case("SysAllocString empty", std::string(text ? "not null " : "null ") + Lengths(text));
  SysFreeString(text);
  text = SysAllocStringLen(L"a\0b", 3);
  Case("SysAllocStringLen embedded NUL", Quoted(text, SysStringLen(text)) + " " + Lengths(text));
  SysFreeString(text);
  text = SysAllocStringLen(L"abcdef", 2);
  Case("SysAllocStringLen shorter", Quoted(text, SysStringLen(text)) + " " + Lengths(text) +
                                        (text[2] == 0 ? " terminated" : ""));
  SysFreeString(text);
  text = SysAllocStringLen(nullptr, 4);
  Case("SysAllocStringLen null source", std::string(text ? "not null " : "null ") + Lengths(text) +
                                            (text && text[4] == 0 ? " terminated" : ""));
  SysFreeString(text);
  text = SysAllocStringLen(nullptr, 0);
  Case("SysAllocStringLen null source 0", std::string(text ? "not null " : "null ") + Lengths(text));
  SysFreeString(text);
  Case("SysStringLen null", std::to_string(SysStringLen(nullptr)));
  Case("SysStringByteLen null", std::to_string(SysStringByteLen(nullptr)));
  SysFreeString(nullptr);
  Case("SysFreeString null", "returns");
  text = SysAllocStringByteLen("abc", 3);
  Case("SysAllocStringByteLen 3", "bytes " + std::to_string(SysStringByteLen(text)) + " " +
                                      std::string(reinterpret_cast<const char*>(text), 3));
  SysFreeString(text);
  text = SysAllocString(L"one");
  INT ok = SysReAllocString(&text, L"three");
  Case("SysReAllocString", std::to_string(ok) + " " + Quoted(text, SysStringLen(text)));
  ok = SysReAllocStringLen(&text, L"xy", 1);
  Case("SysReAllocStringLen", std::to_string(ok) + " " + Quoted(text, SysStringLen(text)));
  SysFreeString(text);
  text = SysAllocString(L"\x00e9\x4e2d");
  Case("SysAllocString non-ASCII", Quoted(text, SysStringLen(text)) + " " + Lengths(text));
  SysFreeString(text);
}

void SafeArrayCases() {
  // Two dimensions, bounds given first dimension first.
  SAFEARRAYBOUND bounds[2] = {{3, 1}, {2, 1}};
  SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
  Case("SafeArrayCreate VARIANT 3x2", array ? Bounds(array) : "null");
  Case("SafeArrayCreate VARIANT 3x2 features",
       array ? "elemsize " + std::to_string(SafeArrayGetElemsize(array)) + " features " +
                   Hr(array->fFeatures & (FADF_VARIANT | FADF_BSTR | FADF_HAVEVARTYPE)) +
                   " rgsabound[0] " + std::to_string(array->rgsabound[0].cElements) + "@" +
                   std::to_string(array->rgsabound[0].lLbound)
             : "null");
  VARTYPE vt = 0;
  Case("SafeArrayGetVartype", Hr(SafeArrayGetVartype(array, &vt)) + " " + TypeName(vt));
  // Put (row r, column c) = r*10+c, then read it back by index and by the data layout.
  for (LONG r = 1; r <= 3; ++r) {
    for (LONG c = 1; c <= 2; ++c) {
      LONG index[2] = {r, c};
      VARIANT v;
      VariantInit(&v);
      v.vt = VT_I4;
      v.lVal = r * 10 + c;
      SafeArrayPutElement(array, index, &v);
    }
  }
  LONG index[2] = {3, 2};
  VARIANT element;
  VariantInit(&element);
  Case("SafeArrayGetElement (3,2)", Hr(SafeArrayGetElement(array, index, &element)) + " " + Describe(element));
  index[0] = 4;
  VariantInit(&element);
  Case("SafeArrayGetElement (4,2)", Hr(SafeArrayGetElement(array, index, &element)) + " " + TypeName(element.vt));
  index[0] = 0;
  Case("SafeArrayGetElement (0,2)", Hr(SafeArrayGetElement(array, index, &element)));
  void* data = nullptr;
  HRESULT hr = SafeArrayAccessData(array, &data);
  std::string layout;
  for (int i = 0; i < 6; ++i) layout += " " + std::to_string(static_cast<VARIANT*>(data)[i].lVal);
  Case("SafeArrayAccessData layout", Hr(hr) + layout);
  Case("SafeArrayDestroy while accessed", Hr(SafeArrayDestroy(array)));
  Case("SafeArrayUnaccessData", Hr(SafeArrayUnaccessData(array)));
  Case("SafeArrayUnaccessData again", Hr(SafeArrayUnaccessData(array)));
  LONG bound = 0;
  Case("SafeArrayGetLBound dim 0", Hr(SafeArrayGetLBound(array, 0, &bound)));
  Case("SafeArrayGetUBound dim 3", Hr(SafeArrayGetUBound(array, 3, &bound)));

  SAFEARRAY* copy = nullptr;
  hr = SafeArrayCopy(array, &copy);
  index[0] = 2;
  index[1] = 1;
  VariantInit(&element);
  SafeArrayGetElement(copy, index, &element);
  Case("SafeArrayCopy", Hr(hr) + " " + Bounds(copy) + " (2,1) " + Describe(element) +
                            (copy != array ? " new" : " same"));
  Case("SafeArrayDestroy copy", Hr(SafeArrayDestroy(copy)));
  Case("SafeArrayDestroy", Hr(SafeArrayDestroy(array)));
  Case("SafeArrayDestroy null", Hr(SafeArrayDestroy(nullptr)));

  // Element copies: BSTRs are copied, interfaces referenced once per copy.
  SAFEARRAYBOUND one = {2, 0};
  SAFEARRAY* texts = SafeArrayCreate(VT_BSTR, 1, &one);
  BSTR word = SysAllocString(L"cell");
  LONG at = 1;
  SafeArrayPutElement(texts, &at, word);
  BSTR back = nullptr;
  hr = SafeArrayGetElement(texts, &at, &back);
  Case("BSTR array element copy", Hr(hr) + " " + Quoted(back, SysStringLen(back)) +
                                      (back != word ? " new string" : " same string"));
  SysFreeString(back);
  SysFreeString(word);
  at = 0;
  back = reinterpret_cast<BSTR>(1);
  hr = SafeArrayGetElement(texts, &at, &back);
  Case("BSTR array unset element", Hr(hr) + (back == nullptr ? " null" : " not null"));
  Case("BSTR array destroy", Hr(SafeArrayDestroy(texts)));

  VARIANT none;
  VariantInit(&none);
  ValueDispatch object(none, S_OK);
  SAFEARRAYBOUND two = {2, 0};
  SAFEARRAY* objects = SafeArrayCreate(VT_DISPATCH, 1, &two);
  at = 0;
  SafeArrayPutElement(objects, &at, static_cast<IDispatch*>(&object));
  const ULONG afterPut = object.references();
  IDispatch* got = nullptr;
  SafeArrayGetElement(objects, &at, &got);
  const ULONG afterGet = object.references();
  if (got) got->Release();
  SafeArrayDestroy(objects);
  Case("DISPATCH array references put/get/destroy",
       std::to_string(afterPut) + " " + std::to_string(afterGet) + " " + std::to_string(object.references()));

  SAFEARRAY* vector = SafeArrayCreateVector(VT_I4, 5, 3);
  Case("SafeArrayCreateVector I4 5,3", vector ? Bounds(vector) + " elemsize " +
                                                    std::to_string(SafeArrayGetElemsize(vector))
                                              : "null");
  SafeArrayDestroy(vector);
  SAFEARRAYBOUND empty = {0, 0};
  SAFEARRAY* nothing = SafeArrayCreate(VT_VARIANT, 1, &empty);
  Case("SafeArrayCreate 0 elements", nothing ? Bounds(nothing) : "null");
  SafeArrayDestroy(nothing);
  Case("SafeArrayCreate 0 dims", SafeArrayCreate(VT_VARIANT, 0, &empty) ? "not null" : "null");
  SAFEARRAYBOUND negative = {2, -3};
  SAFEARRAY* shifted = SafeArrayCreate(VT_R8, 1, &negative);
  Case("SafeArrayCreate lower bound -3", shifted ? Bounds(shifted) : "null");
  SafeArrayDestroy(shifted);
  Case("SafeArrayCreate VT_EMPTY", SafeArrayCreate(VT_EMPTY, 1, &negative) ? "not null" : "null");

  VARIANT holder;
  VariantInit(&holder);
  holder.vt = VT_ARRAY | VT_BSTR;
  holder.parray = SafeArrayCreate(VT_BSTR, 1, &one);
  VARIANT duplicate;
  VariantInit(&duplicate);
  hr = VariantCopy(&duplicate, &holder);
  Case("VariantCopy array", Hr(hr) + " " + TypeName(duplicate.vt) +
                                (duplicate.parray != holder.parray ? " new array" : " same array"));
  Case("VariantClear array", Hr(VariantClear(&duplicate)) + " " + TypeName(duplicate.vt));
  VariantClear(&holder);
}

}  // namespace platform_table
