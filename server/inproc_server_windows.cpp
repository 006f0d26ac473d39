// The server as an in-process COM server DLL for Windows
// (Norvix.Sheetwright.Server.dll): the class object through DllGetClassObject,
// and the registry entries a setup program writes through DllRegisterServer
// (regsvr32):
//   HKCR\CLSID\{00024500-...}\InprocServer32 = the DLL, ThreadingModel Apartment
//   HKCR\CLSID\{00024500-...}\ProgID         = Excel.Application
//   HKCR\CLSID\{00024500-...}\AppID          = {00024500-...}
//   HKCR\AppID\{00024500-...}\DllSurrogate   = <system folder>\dllhost.exe
//   HKCR\Excel.Application\CLSID             = {00024500-...}
// The surrogate entry lets a client that asks for a local server (as the
// library does, the real application being a program of its own) get the
// class out of process, hosted by the system's dllhost; a client asking for
// an in-process server loads the DLL itself. The surrogate is named by its
// path rather than left empty: with an empty value Wine starts the 32-bit
// dllhost, which cannot load this 64-bit DLL.
#include <windows.h>
#include <olectl.h>

#include <string>

#include "server/com/application_class.h"
#include "server/host_hooks.h"

using sheetwright::server::ApplicationClassLocks;
using sheetwright::server::ApplicationClassObject;
using sheetwright::server::kApplicationClassId;

namespace {

constexpr wchar_t kProgId[] = L"Excel.Application";
constexpr wchar_t kDescription[] = L"Norvix Sheetwright spreadsheet server";

std::wstring ClassIdText() {
  wchar_t text[40] = {};
  StringFromGUID2(kApplicationClassId, text, 40);
  return text;
}

std::wstring SurrogatePath() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  return std::wstring(folder) + L"\\dllhost.exe";
}

std::wstring ModulePath() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ModulePath), &module);
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// Sets `name` (null: the default value) of HKCR\key to `value`.
LONG SetText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return status;
}

}  // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(clsid, kApplicationClassId)) return CLASS_E_CLASSNOTAVAILABLE;
  return ApplicationClassObject()->QueryInterface(riid, object);
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return SheetwrightLiveServerObjects() == 0 && ApplicationClassLocks() == 0 ? S_OK : S_FALSE;
}

HRESULT STDAPICALLTYPE DllRegisterServer() {
  const std::wstring module = ModulePath();
  const std::wstring surrogate = SurrogatePath();
  if (module.empty() || surrogate.empty()) return HRESULT_FROM_WIN32(GetLastError());
  const std::wstring clsid = ClassIdText();
  const std::wstring classKey = L"CLSID\\" + clsid;
  const LONG failures[] = {
      SetText(classKey, nullptr, kDescription),
      SetText(classKey + L"\\InprocServer32", nullptr, module),
      SetText(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"),
      SetText(classKey + L"\\ProgID", nullptr, kProgId),
      SetText(classKey, L"AppID", clsid),
      SetText(L"AppID\\" + clsid, nullptr, kDescription),
      SetText(L"AppID\\" + clsid, L"DllSurrogate", surrogate),
      SetText(kProgId, nullptr, kDescription),
      SetText(std::wstring(kProgId) + L"\\CLSID", nullptr, clsid),
  };
  for (LONG status : failures) {
    if (status != ERROR_SUCCESS) return SELFREG_E_CLASS;
  }
  return S_OK;
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const std::wstring clsid = ClassIdText();
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid).c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"AppID\\" + clsid).c_str());
  RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
  return S_OK;
}

}  // extern "C"
