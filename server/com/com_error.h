// The failure a member handler reports to its caller. Handlers throw
// ComError; DispatchObject::Invoke catches it at the IDispatch boundary and
// turns it into an HRESULT (with EXCEPINFO and puArgErr where they apply).
// Nothing thrown inside the server ever leaves Invoke.
#pragma once

#include <string>

#include "platform/windows_api.h"

namespace sheetwright::server {

// The application's runtime error 1004, as it reaches a late-bound caller.
inline constexpr SCODE kApplicationError = SCODE(0x800A03EC);
// Answered by ordinary members while a cell is being edited.
inline constexpr HRESULT kEditModeBusy = HRESULT(0x800AC472);
inline constexpr UINT kNoArgument = UINT(-1);

struct ComError {
  HRESULT hr = DISP_E_EXCEPTION;
  SCODE scode = kApplicationError;  // EXCEPINFO scode when hr is DISP_E_EXCEPTION
  std::wstring description;         // EXCEPINFO description when hr is DISP_E_EXCEPTION
  UINT argErr = kNoArgument;        // *puArgErr for DISP_E_TYPEMISMATCH / DISP_E_PARAMNOTFOUND
};

// Runtime error 1004 with the application's own wording.
[[noreturn]] inline void ThrowApplicationError(std::wstring description) {
  throw ComError{DISP_E_EXCEPTION, kApplicationError, std::move(description), kNoArgument};
}
// "Unable to get the <member> property of the <object> class".
[[noreturn]] inline void ThrowUnableToGet(const wchar_t* member, const wchar_t* className) {
  ThrowApplicationError(std::wstring(L"Unable to get the ") + member + L" property of the " + className + L" class");
}
[[noreturn]] inline void ThrowUnableToSet(const wchar_t* member, const wchar_t* className) {
  ThrowApplicationError(std::wstring(L"Unable to set the ") + member + L" property of the " + className + L" class");
}
[[noreturn]] inline void ThrowMethodFailed(const wchar_t* member, const wchar_t* className) {
  ThrowApplicationError(std::wstring(member) + L" method of " + className + L" class failed");
}
// A failure that is an HRESULT of its own (no EXCEPINFO).
[[noreturn]] inline void ThrowResult(HRESULT hr, UINT argErr = kNoArgument) {
  throw ComError{hr, 0, std::wstring(), argErr};
}

}  // namespace sheetwright::server
