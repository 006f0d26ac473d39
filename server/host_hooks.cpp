#include "server/host_hooks.h"

#include <string>

#include "server/com/dispatch_object.h"
#include "server/com/macro_registry.h"
#include "server/com/running_objects.h"
#include "server/com/server_state.h"

using namespace sheetwright::server;

extern "C" int SheetwrightRegisterMacro(const wchar_t* name, SheetwrightMacroCallback callback) {
  if (!name) return 0;
  return RegisterMacro(name, callback) ? 1 : 0;
}

extern "C" void SheetwrightSimulateBusy(int calls, HRESULT hr) { SimulateBusy(calls, hr); }

extern "C" int SheetwrightLiveServerObjects(void) { return int(DispatchObject::LiveObjectCount()); }

extern "C" int SheetwrightRegisterRunningWorkbook(const wchar_t* fullPath, const wchar_t* displayName) {
  if (!fullPath || !displayName || !*displayName) return 0;
  const std::wstring path = CanonicalPath(fullPath);
  for (const auto& app : LiveApplications()) {
    for (const auto& book : app->books) {
      if (book->book.fullPath == path || book->book.fullPath == fullPath)
        return SUCCEEDED(RegisterRunningWorkbook(book, displayName)) ? 1 : 0;
    }
  }
  return 0;
}
