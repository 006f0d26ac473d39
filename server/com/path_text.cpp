#include "server/com/path_text.h"

#include "platform/windows_api.h"

namespace sheetwright::server {

std::filesystem::path ToPath(const std::wstring& text) {
  if (text.empty()) return std::filesystem::path();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(size_t(size > 0 ? size : 0), '\0');
  if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), size, nullptr, nullptr);
  return std::filesystem::path(std::u8string(bytes.begin(), bytes.end()));
}

std::wstring FromPath(const std::filesystem::path& path) {
  const std::u8string bytes = path.u8string();
  if (bytes.empty()) return std::wstring();
  const char* data = reinterpret_cast<const char*>(bytes.data());
  const int size = MultiByteToWideChar(CP_UTF8, 0, data, int(bytes.size()), nullptr, 0);
  std::wstring text(size_t(size > 0 ? size : 0), L'\0');
  if (size > 0) MultiByteToWideChar(CP_UTF8, 0, data, int(bytes.size()), text.data(), size);
  return text;
}

}  // namespace sheetwright::server
