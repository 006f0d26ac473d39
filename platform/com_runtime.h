// The COM runtime: apartment initialisation, task memory and the class
// registry that CLSIDFromProgID, CoGetClassObject and CoCreateInstance read.
// - CoInitialize(Ex) counts per thread: S_OK on the first call, S_FALSE on a
//   repeat (still to be balanced by CoUninitialize), RPC_E_CHANGED_MODE when a
//   different concurrency model is asked for (the count is not raised then).
// - CoCreateInstance and CoGetClassObject answer CO_E_NOTINITIALIZED on a
//   thread that has not initialised COM, REGDB_E_CLASSNOTREG for a class
//   nobody registered.
// - CoRegisterClassObject keeps a reference on the class object until
//   CoRevokeClassObject; the newest registration of a CLSID for a requested
//   context wins. The REGCLS_* flags are accepted without distinction: every
//   registration serves any number of creations, in every thread of the
//   process. Registration is process-wide and does not require
//   the registering thread to be initialised, because servers linked into
//   this library register while it loads.
#pragma once

#include "platform/unknown.h"

typedef enum tagCOINIT {
  COINIT_MULTITHREADED = 0x0,
  COINIT_APARTMENTTHREADED = 0x2,
  COINIT_DISABLE_OLE1DDE = 0x4,
  COINIT_SPEED_OVER_MEMORY = 0x8
} COINIT;

typedef enum tagCLSCTX {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10
} CLSCTX;
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

typedef enum tagREGCLS {
  REGCLS_SINGLEUSE = 0,
  REGCLS_MULTIPLEUSE = 1,
  REGCLS_MULTI_SEPARATE = 2,
  REGCLS_SUSPENDED = 4,
  REGCLS_SURROGATE = 8
} REGCLS;

struct _COSERVERINFO;
typedef struct _COSERVERINFO COSERVERINFO;

HRESULT CoInitialize(LPVOID pvReserved);  // apartment-threaded
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();

LPVOID CoTaskMemAlloc(SIZE_T cb);
LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
void CoTaskMemFree(LPVOID pv);  // null is accepted

// ProgIDs match without regard to case. Unknown ProgID: CO_E_CLASSSTRING.
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
HRESULT CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD flags,
                              LPDWORD lpdwRegister);
HRESULT CoRevokeClassObject(DWORD dwRegister);  // unknown cookie: CO_E_OBJNOTREG
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* pServerInfo,
                         REFIID riid, LPVOID* ppv);
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);
