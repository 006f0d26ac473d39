// Macros the host registers for Application.Run. Names match without regard
// to case; a qualified name ("Book1.xlsm!Module1.Name") also finds "Name".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "server/host_hooks.h"

namespace sheetwright::server {

bool RegisterMacro(const std::wstring& name, SheetwrightMacroCallback callback);
// The registered callback of name, or null.
SheetwrightMacroCallback FindMacro(const std::wstring& name);

}  // namespace sheetwright::server
