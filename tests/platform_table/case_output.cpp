#include "case_output.h"

#include <cinttypes>

namespace platform_table {

void Case(const std::string& name, const std::string& result) {
  std::fputs(name.c_str(), stdout);
  std::fputs(": ", stdout);
  std::fputs(result.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);  // a case that crashes one side still shows the cases before it
}

std::string Hr(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

std::string Quoted(const wchar_t* text, size_t length) {
  std::string out = "\"";
  for (size_t i = 0; i < length; ++i) {
    unsigned long code = static_cast<unsigned long>(text[i]);
    if (sizeof(wchar_t) == 2 && code >= 0xD800 && code <= 0xDBFF && i + 1 < length) {
      const unsigned long low = static_cast<unsigned long>(text[i + 1]);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    if (code == '"' || code == '\\') {
      out += '\\';
      out += static_cast<char>(code);
    } else if (code >= 0x20 && code < 0x7F) {
      out += static_cast<char>(code);
    } else {
      char escaped[24];
      std::snprintf(escaped, sizeof escaped, "\\u{%lx}", code);
      out += escaped;
    }
  }
  return out + "\"";
}

std::string Quoted(const wchar_t* text) {
  if (text == nullptr) return "null";
  size_t length = 0;
  while (text[length] != 0) ++length;
  return Quoted(text, length);
}

std::string Number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

std::string TypeName(VARTYPE vt) {
  static const char* const kNames[] = {
      "VT_EMPTY", "VT_NULL", "VT_I2",   "VT_I4",       "VT_R4",       "VT_R8",    "VT_CY",
      "VT_DATE",  "VT_BSTR", "VT_DISPATCH", "VT_ERROR", "VT_BOOL",   "VT_VARIANT", "VT_UNKNOWN",
      "VT_DECIMAL", "vt 15", "VT_I1",  "VT_UI1",     "VT_UI2",      "VT_UI4",   "VT_I8",
      "VT_UI8"};
  std::string prefix;
  if (vt & VT_BYREF) prefix += "VT_BYREF|";
  if (vt & VT_ARRAY) prefix += "VT_ARRAY|";
  const VARTYPE base = vt & VT_TYPEMASK;
  if (base < sizeof kNames / sizeof kNames[0]) return prefix + kNames[base];
  char text[24];
  std::snprintf(text, sizeof text, "vt 0x%x", static_cast<unsigned>(base));
  return prefix + text;
}

std::string Describe(const VARIANT& value) {
  char text[96];
  const std::string type = TypeName(value.vt);
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return type;
    case VT_I2:
      std::snprintf(text, sizeof text, " %d", value.iVal);
      break;
    case VT_I4:
      std::snprintf(text, sizeof text, " %ld", static_cast<long>(value.lVal));
      break;
    case VT_I8:
      std::snprintf(text, sizeof text, " %" PRId64, static_cast<int64_t>(value.llVal));
      break;
    case VT_UI1:
      std::snprintf(text, sizeof text, " %u", value.bVal);
      break;
    case VT_R4:
      std::snprintf(text, sizeof text, " %.9g", value.fltVal);
      break;
    case VT_R8:
      return type + " " + Number(value.dblVal);
    case VT_DATE:
      return type + " " + Number(value.date);
    case VT_CY:
      std::snprintf(text, sizeof text, " %" PRId64 "e-4", static_cast<int64_t>(value.cyVal.int64));
      break;
    case VT_BOOL:
      std::snprintf(text, sizeof text, " %d", value.boolVal);
      break;
    case VT_ERROR:
      return type + " " + Hr(value.scode);
    case VT_BSTR:
      return type + " " + Quoted(value.bstrVal, SysStringLen(value.bstrVal));
    default:
      return type;
  }
  return type + text;
}

}  // namespace platform_table
