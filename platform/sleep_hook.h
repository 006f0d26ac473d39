// Test seam for Sleep. Not a Windows function: only this platform layer
// provides it, so that tests of retry loops do not wait.
#pragma once

#include "platform/windows_api.h"

// While a hook is set, Sleep(ms) calls hook(ms) instead of waiting. A null
// hook restores real waiting. The hook is process-wide.
void PlatformSetSleepHook(void (*hook)(DWORD dwMilliseconds));
