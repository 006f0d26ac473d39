// Registration of ProgIDs, the part of the COM class registry that Windows
// keeps in the system registry and installers write. Not a Windows function:
// only this platform layer provides it, for in-process servers that register
// themselves when the library loads (CLSIDFromProgID reads what is recorded
// here; CoRegisterClassObject supplies the class object).
#pragma once

#include "platform/windows_api.h"

// Records progId -> clsid (matched without regard to case later); a second
// registration of the same ProgID replaces the first. E_INVALIDARG for a null
// or empty progId.
HRESULT PlatformRegisterProgID(LPCOLESTR progId, REFCLSID clsid);
