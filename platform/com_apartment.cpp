#include "platform/com_runtime.h"
#include "platform/internal/com_apartment_state.h"

namespace {

// Per-thread count of successful CoInitialize(Ex) calls not yet balanced by
// CoUninitialize, and the concurrency model fixed by the first of them.
struct ApartmentState {
  unsigned count = 0;
  bool apartmentThreaded = false;
};

thread_local ApartmentState tApartment;

}  // namespace

bool ComIsInitializedOnThisThread() { return tApartment.count > 0; }

HRESULT CoInitializeEx(LPVOID, DWORD dwCoInit) {
  const bool apartmentThreaded = (dwCoInit & COINIT_APARTMENTTHREADED) != 0;
  if (tApartment.count > 0) {
    if (tApartment.apartmentThreaded != apartmentThreaded) return RPC_E_CHANGED_MODE;
    ++tApartment.count;
    return S_FALSE;
  }
  tApartment.apartmentThreaded = apartmentThreaded;
  tApartment.count = 1;
  return S_OK;
}

HRESULT CoInitialize(LPVOID pvReserved) { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
  if (tApartment.count > 0) --tApartment.count;
}
