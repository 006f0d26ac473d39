// The exported entry points: no logic of their own, each delegates.
#include "boundary/Exports.h"

#include "boundary/RequestCycle.h"
#include "support/LogControl.h"

extern "C" const wchar_t* Send(const wchar_t* request) { return RunRequestCycle(request); }

extern "C" void InitializeLogger(int enable, const wchar_t* folder) {
  try {
    ConfigureLog(enable, folder);
  } catch (...) {
    // The log is optional; a failure to configure it is not the host's error.
  }
}

extern "C" void ClearMemory() { ClearReplyBuffers(); }
