// The application's COM class: its class id and its class object. Every
// CreateInstance starts a new application, as a new process of the real
// application would. On Linux the class object is registered with the
// platform's class registry when the library loads (server_registration.cpp);
// on Windows the in-process server DLL hands it out through DllGetClassObject
// (inproc_server_windows.cpp).
#pragma once

#include "platform/windows_api.h"

namespace sheetwright::server {

// {00024500-0000-0000-C000-000000000046}, the application's class id.
inline constexpr CLSID kApplicationClassId = {
    0x00024500, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The process-wide class object; its reference count does not govern its
// life, so the pointer stays valid for the life of the process.
IClassFactory* ApplicationClassObject();
// The outstanding LockServer(TRUE) calls on the class object.
long ApplicationClassLocks();

}  // namespace sheetwright::server
