/* Extra exports of the spreadsheet server for hosts and tests, plain C so a
 * Java host can call them through JNA.
 *
 *   SheetwrightRegisterMacro(name, callback)
 *       Makes Application.Run(name, args...) call callback with the macro's
 *       arguments as text (argv[0..argc-1], valid during the call). The
 *       callback returns the macro's value as text, or null for no value;
 *       the server copies the text at once. A null callback unregisters the
 *       name. Returns 1 on success, 0 for a null or empty name.
 *   SheetwrightSimulateBusy(calls, hr)
 *       The next `calls` GetIDsOfNames/Invoke calls on any server object
 *       answer hr (RPC_E_CALL_REJECTED or 0x800AC472) and do nothing else.
 *   SheetwrightLiveServerObjects()
 *       The number of server COM objects alive in the process.
 *   SheetwrightRegisterRunningWorkbook(fullPath, displayName)
 *       Registers the open workbook whose full path is fullPath in the
 *       Running Object Table under displayName as well (a URL, say); the
 *       entry goes when the workbook closes. Returns 1 on success.
 */
#pragma once

#include "platform/windows_api.h"

#if defined(_WIN32)
#define SHEETWRIGHT_HOOK_EXPORT __declspec(dllexport)
#else
#define SHEETWRIGHT_HOOK_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef const wchar_t* (*SheetwrightMacroCallback)(int argc, const wchar_t* const* argv);

SHEETWRIGHT_HOOK_EXPORT int SheetwrightRegisterMacro(const wchar_t* name, SheetwrightMacroCallback callback);
SHEETWRIGHT_HOOK_EXPORT void SheetwrightSimulateBusy(int calls, HRESULT hr);
SHEETWRIGHT_HOOK_EXPORT int SheetwrightLiveServerObjects(void);
SHEETWRIGHT_HOOK_EXPORT int SheetwrightRegisterRunningWorkbook(const wchar_t* fullPath, const wchar_t* displayName);

#ifdef __cplusplus
}
#endif
