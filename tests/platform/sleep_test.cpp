#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/sleep_hook.h"
#include "platform/windows_api.h"

namespace {

std::vector<DWORD> gRequested;

void RecordSleep(DWORD milliseconds) { gRequested.push_back(milliseconds); }

TEST(Sleep, HookReplacesTheWaitUntilCleared) {
  gRequested.clear();
  PlatformSetSleepHook(&RecordSleep);
  const auto start = std::chrono::steady_clock::now();
  Sleep(2000);
  Sleep(2000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  EXPECT_EQ(gRequested, (std::vector<DWORD>{2000, 2000}));
  PlatformSetSleepHook(nullptr);
  const auto realStart = std::chrono::steady_clock::now();
  Sleep(20);
  EXPECT_GE(std::chrono::steady_clock::now() - realStart, std::chrono::milliseconds(20));
  EXPECT_EQ(gRequested.size(), 2u);
}

}  // namespace
