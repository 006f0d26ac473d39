// Suspends the calling thread for dwMilliseconds (see platform/sleep_hook.h
// for replacing the wait in tests).
#pragma once

#include "platform/base_types.h"

void Sleep(DWORD dwMilliseconds);
