// Sends UTF-8 JSON through the exported Send and returns the reply as UTF-8.
#pragma once

#include <cwchar>
#include <string>

#include "boundary/Exports.h"
#include "support/TextConversion.h"

inline std::string SendJson(const std::string& json) {
  const std::wstring request = ConvertStringToWstring(json);
  const wchar_t* reply = Send(request.c_str());
  return ConvertWStringTostring(std::wstring(reply, std::wcslen(reply)));
}

