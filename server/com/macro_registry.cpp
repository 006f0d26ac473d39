#include "server/com/macro_registry.h"

#include <map>
#include <mutex>

#include "server/engine/case_fold.h"

namespace sheetwright::server {

namespace {
std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}
std::map<std::wstring, SheetwrightMacroCallback>& Registry() {
  static std::map<std::wstring, SheetwrightMacroCallback> macros;
  return macros;
}
std::wstring Folded(const std::wstring& name) {
  std::wstring out;
  out.reserve(name.size());
  for (wchar_t c : name) out += engine::FoldCase(c);
  return out;
}
}  // namespace

bool RegisterMacro(const std::wstring& name, SheetwrightMacroCallback callback) {
  if (name.empty()) return false;
  std::lock_guard<std::mutex> guard(RegistryLock());
  if (callback) {
    Registry()[Folded(name)] = callback;
  } else {
    Registry().erase(Folded(name));
  }
  return true;
}

SheetwrightMacroCallback FindMacro(const std::wstring& name) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  auto& macros = Registry();
  auto it = macros.find(Folded(name));
  if (it != macros.end()) return it->second;
  const size_t bang = name.rfind(L'!');
  if (bang != std::wstring::npos) {
    it = macros.find(Folded(name.substr(bang + 1)));
    if (it != macros.end()) return it->second;
    // "Module1.Name" after the workbook part
    const std::wstring rest = name.substr(bang + 1);
    const size_t dot = rest.rfind(L'.');
    if (dot != std::wstring::npos) {
      it = macros.find(Folded(rest.substr(dot + 1)));
      if (it != macros.end()) return it->second;
    }
  }
  return nullptr;
}

}  // namespace sheetwright::server
