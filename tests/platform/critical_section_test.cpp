#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/windows_api.h"

namespace {

TEST(CriticalSection, OwnerMayEnterAgainAndOthersWait) {
  CRITICAL_SECTION lock;
  ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&lock, 4000));
  EnterCriticalSection(&lock);
  EnterCriticalSection(&lock);  // recursive, as on Windows
  bool otherGotIn = true;
  std::thread([&] { otherGotIn = TryEnterCriticalSection(&lock); }).join();
  EXPECT_FALSE(otherGotIn);
  LeaveCriticalSection(&lock);
  std::thread([&] { otherGotIn = TryEnterCriticalSection(&lock); }).join();
  EXPECT_FALSE(otherGotIn);  // still held once
  LeaveCriticalSection(&lock);
  std::thread([&] {
    otherGotIn = TryEnterCriticalSection(&lock);
    if (otherGotIn) LeaveCriticalSection(&lock);
  }).join();
  EXPECT_TRUE(otherGotIn);
  DeleteCriticalSection(&lock);
}

TEST(CriticalSection, SerialisesWriters) {
  CRITICAL_SECTION lock;
  InitializeCriticalSection(&lock);
  long counter = 0;
  std::vector<std::thread> writers;
  for (int t = 0; t < 4; ++t) {
    writers.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        EnterCriticalSection(&lock);
        counter = counter + 1;
        LeaveCriticalSection(&lock);
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  EXPECT_EQ(counter, 40000);
  DeleteCriticalSection(&lock);
}

}  // namespace
