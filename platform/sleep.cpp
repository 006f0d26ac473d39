#include "platform/sleep.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/sleep_hook.h"

namespace {
std::atomic<void (*)(DWORD)> gSleepHook{nullptr};
}

void PlatformSetSleepHook(void (*hook)(DWORD dwMilliseconds)) { gSleepHook.store(hook); }

void Sleep(DWORD dwMilliseconds) {
  if (auto hook = gSleepHook.load()) {
    hook(dwMilliseconds);
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds));
}
