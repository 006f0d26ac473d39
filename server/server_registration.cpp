// Registers the server's Application class when the library (or a program
// linking sw_server whole) loads: the class object in the COM class
// registry, and the ProgID "Excel.Application" naming it.
#include "platform/class_registry.h"
#include "platform/windows_api.h"
#include "server/com/application_class.h"

namespace sheetwright::server {

namespace {

struct Registration {
  Registration() {
    DWORD cookie = 0;
    CoRegisterClassObject(kApplicationClassId, ApplicationClassObject(),
                          CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    PlatformRegisterProgID(L"Excel.Application", kApplicationClassId);
  }
};

const Registration registration;

}  // namespace

}  // namespace sheetwright::server
