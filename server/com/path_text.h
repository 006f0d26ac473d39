// Between wide text and file system paths, through UTF-8 on every system:
// std::filesystem's own wide conversions follow the process locale and fail
// on non-ASCII text in the "C" locale.
#pragma once

#include <filesystem>
#include <string>

namespace sheetwright::server {

std::filesystem::path ToPath(const std::wstring& text);
std::wstring FromPath(const std::filesystem::path& path);

}  // namespace sheetwright::server
